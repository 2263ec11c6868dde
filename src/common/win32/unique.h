#pragma once
// Every handle has an owner: Unique<Traits> closes it once, copying is deleted.
#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include <utility>

template <typename Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;
    Unique() = default;
    explicit Unique(Handle h) : h_(h) {}
    Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
    Unique& operator=(Unique&& o) noexcept {
        reset(std::exchange(o.h_, Traits::Invalid()));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }
    Handle get() const { return h_; }
    Handle operator->() const { return h_; }  // for handles that point at a structure or an interface
    Handle release() { return std::exchange(h_, Traits::Invalid()); }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    void reset(Handle h = Traits::Invalid()) {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_ = Traits::Invalid();
};

struct HandleTraits {  // kernel objects whose failure value is NULL
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile and friends fail with INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct DcTraits {  // memory device contexts from CreateCompatibleDC
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
struct MenuTraits {  // menus that no window owns
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};
struct LocalMemoryTraits {  // what the system allocated for us with LocalAlloc
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { LocalFree(h); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CertCloseStore(h, 0); }
};
struct CertContextTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CertFreeCertificateContext(h); }
};
struct CertChainTraits {
    using Handle = PCCERT_CHAIN_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CertFreeCertificateChain(h); }
};
template <typename Interface>
struct ComTraits {  // one reference to a COM object
    using Handle = Interface*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { h->Release(); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueFind = Unique<FindHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueDC = Unique<DcTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueLocalMemory = Unique<LocalMemoryTraits>;
using UniqueGlobalMemory = Unique<GlobalMemoryTraits>;
using UniqueCertStore = Unique<CertStoreTraits>;
using UniqueCertContext = Unique<CertContextTraits>;
using UniqueCertChain = Unique<CertChainTraits>;
template <typename Interface>
using UniqueCom = Unique<ComTraits<Interface>>;

// A device context from GetDC, released to its window at the end of the scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(WindowDC&& o) noexcept : window_(o.window_), dc_(std::exchange(o.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
    ~PaintDC() { EndPaint(window_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// COM on this thread for one scope, when it was not on already in another mode.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

// Selects a GDI object into a DC for one scope and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectGuard() { SelectObject(dc_, old_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};
