#pragma once
// Test helpers for the Windows layer: put a registry key back as it was, a temporary folder,
// a screenshot, and the text of a tooltip.
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "common/win32/wide.h"

// Saves root\path (with its subkeys) aside and restores it, or its absence, when destroyed.
class RegistryGuard {
public:
    RegistryGuard(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
        backup_ = L"SOFTWARE\\VellumarTestBackup\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(reinterpret_cast<uintptr_t>(this));
        HKEY key = nullptr;
        existed_ = RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (existed_) {
            HKEY saved = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &saved,
                            nullptr);
            RegCopyTreeW(key, nullptr, saved);
            RegCloseKey(saved);
            RegCloseKey(key);
        }
    }
    ~RegistryGuard() {
        RegDeleteTreeW(root_, path_.c_str());
        if (existed_) {
            HKEY saved = nullptr, key = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &saved);
            RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegCopyTreeW(saved, nullptr, key);
            RegCloseKey(key);
            RegCloseKey(saved);
            RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
        }
        RegDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\VellumarTestBackup");  // only when empty
    }
    RegistryGuard(const RegistryGuard&) = delete;
    RegistryGuard& operator=(const RegistryGuard&) = delete;

private:
    HKEY root_;
    std::wstring path_;
    std::wstring backup_;
    bool existed_ = false;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        // Wine reuses process ids, so a name made of them alone may meet a folder of an earlier run.
        for (unsigned n = GetTickCount();; ++n) {
            path_ = std::filesystem::path(base) / (L"vellumar_test_" + std::to_wstring(n));
            if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        }
    }
    ~TempFolder() { RemoveTree(L"\\\\?\\" + path_.wstring()); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // UTF-8 path of the folder, or of a name inside it, with backslashes.
    std::string Path(std::string_view name = "") const {
        std::string p = Narrow(path_.wstring());
        if (!name.empty()) p += "\\" + std::string(name);
        return p;
    }

private:
    // The long form reaches folders deeper than 260 characters; read-only files are made writable first.
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = folder + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::filesystem::path path_;
};

inline void WriteTestFile(const std::string& utf8Path, std::string_view bytes) {
    std::ofstream out(std::filesystem::path(Widen(utf8Path)), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadTestFile(const std::string& utf8Path) {
    std::ifstream in(std::filesystem::path(Widen(utf8Path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The window's client area as it stands on the screen, written as a 24-bit BMP. Only the client
// area: Wine draws the caption of an unmanaged window where a screen copy does not see it.
inline void SaveScreenshot(HWND window, const std::string& file) {
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(dc, old);
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(fh) + sizeof(BITMAPINFOHEADER) + stride * h), 0, 0,
                        static_cast<DWORD>(sizeof(fh) + sizeof(BITMAPINFOHEADER))};
    std::string data(reinterpret_cast<char*>(&fh), sizeof(fh));
    data.append(reinterpret_cast<char*>(&bi.bmiHeader), sizeof(BITMAPINFOHEADER));
    data.append(static_cast<char*>(bits), stride * h);
    WriteTestFile(file, data);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// A tool of a tooltip: the window that TOOLINFO names and the tool's id.
struct TooltipTool {
    HWND owner;  // the tooltip windows' owner
    HWND window;
    UINT_PTR id;
    bool shown_only = false;  // a tooltip on the screen, not one waiting
    std::string text{};
};

// (A named callback: a lambda does not convert to the 32-bit build's stdcall pointer.)
inline BOOL CALLBACK FindTooltipText(HWND window, LPARAM lp) {
    auto& s = *reinterpret_cast<TooltipTool*>(lp);
    wchar_t cls[64];
    if (GetWindow(window, GW_OWNER) != s.owner || (s.shown_only && !IsWindowVisible(window)) ||
        !GetClassNameW(window, cls, 64) || lstrcmpiW(cls, TOOLTIPS_CLASSW) != 0)
        return TRUE;
    wchar_t text[256] = {};
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = s.window;
    info.uId = s.id;
    info.lpszText = text;
    SendMessageW(window, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info));
    if (!text[0]) return TRUE;
    s.text = Narrow(text);
    return FALSE;
}

// The text this thread's tooltips give the tool; "" when none has one.
inline std::string TooltipText(TooltipTool tool) {
    EnumThreadWindows(GetCurrentThreadId(), FindTooltipText, reinterpret_cast<LPARAM>(&tool));
    return tool.text;
}
