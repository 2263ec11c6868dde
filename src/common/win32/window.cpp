#include "common/win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <mutex>  // std::lock_guard
#include <unordered_map>

#include "common/picture.h"
#include "common/product.h"
#include "common/window_place.h"
#include "common/win32/private_messages.h"
#include "common/win32/settings.h"
#include "common/win32/wide.h"

namespace {

constexpr wchar_t kWindowClass[] = L"VellumarWindow";
// Which object each bound window has, and a subclassed control's own procedure. Kept
// here rather than in window properties (as the common controls' subclassing does):
// under Wine a property read is a round trip to the server, made for every message to
// a subclassed control and for every notification a list sends its parent while it
// paints. GWLP_USERDATA of a standard control may be used by others, and FromHandle is
// asked about foreign windows too (the focus, a notification's sender). Windows of our
// own classes also keep the object in their extra bytes, read without a lock.
struct Binding {
    WindowBase* object;  // null once the object has let go of a window still subclassed by another
    WNDPROC original;    // a standard control's own procedure; null for our classes
};
// The system's slim lock: taken on every message to a bound control, where the C++
// runtime's mutex of this toolchain costs several times as much.
class SlimLock {
public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

struct Bindings {
    SlimLock lock;
    std::unordered_map<HWND, Binding> windows;
};

Bindings& AllBindings() {
    static Bindings bindings;
    return bindings;
}

constexpr int kBindingSlot = 0;

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindowFunction() {
    static auto fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return fn;
}

using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

GetSystemMetricsForDpiFn MetricsForDpiFunction() {
    static auto fn = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    return fn;
}

}  // namespace

int SystemMetricForDpi(int index, UINT dpi) {
    if (auto fn = MetricsForDpiFunction()) return fn(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(WindowDpi(nullptr)));
}

UINT WindowDpi(HWND hwnd) {
    if (auto fn = DpiForWindowFunction(); fn && hwnd) {
        if (UINT dpi = fn(hwnd)) return dpi;
    }
    const WindowDC screen(nullptr);
    UINT dpi = static_cast<UINT>(GetDeviceCaps(screen.get(), LOGPIXELSY));
    return dpi ? dpi : 96;
}

int ScaleForDpi(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

HICON ProgramIcon(int size) { return PictureToIcon(DrawProgramIcon(size)); }

HICON PictureToIcon(const Picture& pic) {
    BITMAPV5HEADER bi{};
    bi.bV5Size = sizeof(bi);
    bi.bV5Width = pic.width;
    bi.bV5Height = -pic.height;
    bi.bV5Planes = 1;
    bi.bV5BitCount = 32;
    bi.bV5Compression = BI_BITFIELDS;
    bi.bV5RedMask = 0x00FF0000;
    bi.bV5GreenMask = 0x0000FF00;
    bi.bV5BlueMask = 0x000000FF;
    bi.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    UniqueGdiObject color(CreateDIBSection(WindowDC(nullptr).get(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS,
                                           &bits, nullptr, 0));
    if (!color) return nullptr;
    std::copy(pic.pixels.begin(), pic.pixels.end(), static_cast<Argb*>(bits));
    UniqueGdiObject mask(CreateBitmap(pic.width, pic.height, 1, 1, nullptr));
    ICONINFO ii{TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(color.get())};
    return CreateIconIndirect(&ii);
}

void ShowMessage(HWND owner, const std::string& text) {
    if (Hook()) {
        Hook()(owner, text);
        return;
    }
    MessageBoxW(owner, Widen(text).c_str(), Widen(kProductName).c_str(), MB_OK);
}

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

WindowBase::~WindowBase() {
    if (!hwnd_) return;
    if (IsWindow(hwnd_)) {
        // The object is going: no message of the destruction may reach it.
        const HWND h = hwnd_;
        Unbind();
        DestroyWindow(h);
    } else {
        // Gone without its last message reaching us: a later window may get the same handle.
        Bindings& bindings = AllBindings();
        const std::lock_guard hold(bindings.lock);
        if (auto it = bindings.windows.find(hwnd_); it != bindings.windows.end() && it->second.object == this)
            bindings.windows.erase(it);
    }
}

WindowBase* WindowBase::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    Bindings& bindings = AllBindings();
    const std::lock_guard hold(bindings.lock);
    const auto it = bindings.windows.find(hwnd);
    return it == bindings.windows.end() ? nullptr : it->second.object;
}

std::string WindowBase::Text() const {
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd_, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return Narrow(text);
}

void WindowBase::SetText(const std::string& text) {
    if (Text() != text) SetWindowTextW(hwnd_, Widen(text).c_str());  // the same text would still repaint
}

ATOM WindowBase::RegisterBoundClass(WNDCLASSEXW wc) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Proc;
    wc.cbWndExtra = sizeof(WindowBase*);  // kBindingSlot
    wc.hInstance = GetModuleHandleW(nullptr);
    return RegisterClassExW(&wc);
}

bool WindowBase::CreateBound(DWORD ex_style, const wchar_t* window_class, const std::string& text, DWORD style,
                             HWND parent, HMENU menu_or_id) {
    // Children start empty and are placed by their window's layout.
    const int place = style & WS_CHILD ? 0 : CW_USEDEFAULT;
    const HWND h = CreateWindowExW(ex_style, window_class, Widen(text).c_str(), style, place, place, place, place,
                                   parent, menu_or_id, GetModuleHandleW(nullptr), this);
    if (!h) return false;
    if (hwnd_ != h) {  // a standard control: its messages pass through us on their way to its own procedure
        original_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
        Bind(h, false);
        subclassed_ = SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)) != 0;
    }
    return true;
}

void WindowBase::Bind(HWND h, bool in_slot) {
    hwnd_ = h;
    in_slot_ = in_slot;
    if (in_slot) SetWindowLongPtrW(h, kBindingSlot, reinterpret_cast<LONG_PTR>(this));
    Bindings& bindings = AllBindings();
    const std::lock_guard hold(bindings.lock);
    bindings.windows[h] = {this, in_slot ? nullptr : original_};
}

void WindowBase::Unbind() {
    // Another subclass on top of ours still calls ours: the entry then keeps forwarding.
    bool still_called = false;
    if (subclassed_) {
        if (GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SubclassProc))
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        else
            still_called = true;
    }
    subclassed_ = false;
    if (in_slot_) SetWindowLongPtrW(hwnd_, kBindingSlot, 0);
    {
        Bindings& bindings = AllBindings();
        const std::lock_guard hold(bindings.lock);
        if (auto it = bindings.windows.find(hwnd_); it != bindings.windows.end() && it->second.object == this) {
            if (still_called)
                it->second.object = nullptr;
            else
                bindings.windows.erase(it);
        }
    }
    hwnd_ = nullptr;
}

LRESULT WindowBase::Default(UINT msg, WPARAM wp, LPARAM lp) {
    return subclassed_ ? CallWindowProcW(original_, hwnd_, msg, wp, lp) : DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT WindowBase::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    const HWND h = hwnd_;
    LRESULT r = 0;
    try {
        r = OnMessage(msg, wp, lp);
    } catch (const std::exception& e) {
        // An exception must not cross the system's callback; the application shows it instead.
        ShowMessage(h, e.what());
    }
    if (msg == WM_NCDESTROY && hwnd_ == h) Unbind();
    return r;
}

LRESULT CALLBACK WindowBase::Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {  // bind the object before any other message
        if (auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams))
            self->Bind(h, true);
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(h, kBindingSlot));
    return self ? self->Dispatch(msg, wp, lp) : DefWindowProcW(h, msg, wp, lp);
}

LRESULT CALLBACK WindowBase::SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Binding binding{};
    {
        Bindings& bindings = AllBindings();
        const std::lock_guard hold(bindings.lock);
        const auto it = bindings.windows.find(h);
        if (it == bindings.windows.end()) return DefWindowProcW(h, msg, wp, lp);
        binding = it->second;
        if (!binding.object && msg == WM_NCDESTROY) bindings.windows.erase(it);
    }
    if (binding.object) return binding.object->Dispatch(msg, wp, lp);
    return CallWindowProcW(binding.original, h, msg, wp, lp);
}

bool Control::CreateChild(Window& parent, const wchar_t* window_class, const std::string& text, DWORD style,
                          DWORD ex_style, DesignRect rect, unsigned anchors, int id) {
    parent_ = &parent;
    design_width_ = rect.width;
    if (!CreateBound(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, parent.hwnd(),
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
        return false;
    parent.AddControl(this, rect, anchors);
    return true;
}

void Control::Place(int x, int y, int width, int height) { MoveWindow(hwnd_, x, y, width, height, TRUE); }

void Control::SetAccessibleName(std::string name) {
    accessible_name_ = std::move(name);
    answers_objects_ = true;
}

std::optional<std::string> Control::AccessibleName() const { return accessible_name_; }

LRESULT Control::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETOBJECT && answers_objects_)
        if (const std::optional<LRESULT> answer = accessible_.Answer(hwnd_, wp, lp, *this)) return *answer;
    return Default(msg, wp, lp);
}

void Control::SetFont(HFONT font) { SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

bool Window::CreateFrame(const FrameArgs& args) {
    static ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.style = CS_DBLCLKS;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = ProgramIcon(32);
        wc.hIconSm = ProgramIcon(16);
        wc.lpszClassName = kWindowClass;
        return RegisterBoundClass(wc);
    }();
    if (!atom) return false;
    design_client_ = {args.client_width, args.client_height};
    if (!CreateBound(args.ex_style, kWindowClass, args.caption, args.style, args.owner, args.menu)) return false;
    dpi_ = WindowDpi(hwnd_);
    UpdateFont();
    UpdateIcons();
    SIZE frame = FrameSizeFor(Scale(args.client_width), Scale(args.client_height));
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

SIZE Window::FrameSizeFor(int client_width, int client_height) const {
    RECT r{0, 0, client_width, client_height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), GetMenu(hwnd_) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    return {r.right - r.left, r.bottom - r.top};
}

void Window::UpdateFont() {
    // The TrueType face of the classic 8-point dialog font, so text stays sharp at any DPI.
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(8, static_cast<int>(dpi_), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    wcscpy_s(lf.lfFaceName, L"Microsoft Sans Serif");
    font_.reset(CreateFontIndirectW(&lf));
    for (auto& p : placed_) p.control->SetFont(Font());
}

void Window::UpdateIcons() {
    // A dialog frame shows no icon; one set here would appear in its caption.
    if (GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) return;
    UniqueIcon small_icon(ProgramIcon(SystemMetricForDpi(SM_CXSMICON, dpi_)));
    UniqueIcon big_icon(ProgramIcon(SystemMetricForDpi(SM_CXICON, dpi_)));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon.get()));
    small_icon_ = std::move(small_icon);  // the old ones go once the window shows the new ones
    big_icon_ = std::move(big_icon);
}

void Window::AddControl(Control* control, DesignRect rect, unsigned anchors) {
    placed_.push_back({control, rect, anchors});
    control->SetFont(Font());
    Layout();
}

void Window::AddTimer(WindowTimer* timer) { timers_[timer->id()] = timer; }
void Window::RemoveTimer(WindowTimer* timer) { timers_.erase(timer->id()); }
void Window::AddImageList(DpiDrawing* list) { image_lists_.push_back(list); }
void Window::RemoveImageList(DpiDrawing* list) { std::erase(image_lists_, list); }

void Window::MoveControl(Control* control, DesignRect rect) {
    for (auto& p : placed_)
        if (p.control == control) p.rect = rect;
    Layout();
}

void Window::Layout() {
    if (!hwnd_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    // Anchored edges keep their distance to the client edge they are tied to.
    int dx = client.right - Scale(design_client_.cx);
    int dy = client.bottom - Scale(design_client_.cy);
    for (const auto& p : placed_) {
        int x = Scale(p.rect.left), y = Scale(p.rect.top), w = Scale(p.rect.width), h = Scale(p.rect.height);
        if (p.anchors & AnchorRight) {
            if (p.anchors & AnchorLeft) w += dx; else x += dx;
        }
        if (p.anchors & AnchorBottom) {
            if (p.anchors & AnchorTop) h += dy; else y += dy;
        }
        p.control->Place(x, y, std::max(w, 0), std::max(h, 0));
    }
}

bool Window::RestoreFocus() {
    if (!last_focus_ || !IsChild(hwnd_, last_focus_) || !IsWindowVisible(last_focus_) || !IsWindowEnabled(last_focus_))
        return false;
    SetFocus(last_focus_);
    return true;
}

LRESULT Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            // Enter, as the dialog keyboard handling reports it, goes to the focused control first.
            if (LOWORD(wp) == IDOK && reinterpret_cast<HWND>(lp) != GetFocus())
                if (auto* focused = Control::FromHandle(GetFocus()); focused && focused->OnEnter()) return 0;
            if (auto* c = Control::FromHandle(reinterpret_cast<HWND>(lp))) {
                c->OnCommand(HIWORD(wp));
                return 0;
            }
            break;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (auto* c = Control::FromHandle(hdr->hwndFrom)) return c->OnNotify(hdr);
            break;
        }
        case WM_TIMER:
            if (auto it = timers_.find(wp); it != timers_.end()) {
                it->second->Fire();
                return 0;
            }
            break;
        case WM_SIZE:
            Layout();
            break;
        case WM_ACTIVATE:
            // Keyboard users expect to go on where they were when the window comes back.
            if (LOWORD(wp) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) last_focus_ = focus;
            } else if (RestoreFocus()) {
                return 0;
            }
            break;
        case WM_GETMINMAXINFO:
            if (min_window_.cx > 0) {
                reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {Scale(min_window_.cx), Scale(min_window_.cy)};
                return 0;
            }
            if (min_client_.cx > 0) {
                SIZE frame = FrameSizeFor(Scale(min_client_.cx), Scale(min_client_.cy));
                auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
                mmi->ptMinTrackSize = {frame.cx, frame.cy};
                return 0;
            }
            break;
        case WM_DPICHANGED: {  // take the new DPI and the suggested rectangle
            const UINT old_dpi = dpi_;
            dpi_ = HIWORD(wp);
            UpdateFont();
            UpdateIcons();
            for (DpiDrawing* list : image_lists_) list->OnDpiChanged();  // before the lists that show them
            auto* r = reinterpret_cast<RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            Layout();
            for (auto& p : placed_) p.control->OnDpiChanged(old_dpi);
            return 0;
        }
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // Only top-level windows hear of colours and high contrast: the controls follow.
            for (auto& p : placed_) SendMessageW(p.control->hwnd(), msg, wp, lp);
            break;
        case WM_CTLCOLORSTATIC:
            if (auto* c = Control::FromHandle(reinterpret_cast<HWND>(lp))) {
                if (HBRUSH b = c->OnColorStatic(reinterpret_cast<HDC>(wp))) return reinterpret_cast<LRESULT>(b);
            }
            break;
        default:
            break;
    }
    return Default(msg, wp, lp);
}

bool RestoreWindowPlace(HWND window, std::string_view setting, bool* maximised) {
    const std::optional<WindowPlace> place = ParseWindowPlace(RegistrySettings().Read(setting));
    if (!place) return false;
    // The size is kept at 96 DPI: a run at another DPI opens as large to the eye.
    const int dpi = static_cast<int>(WindowDpi(window));
    const int width = MulDiv(place->width, dpi, 96), height = MulDiv(place->height, dpi, 96);
    const RECT r{place->left, place->top, place->left + width, place->top + height};
    if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return false;
    SetWindowPos(window, nullptr, r.left, r.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (maximised) *maximised = place->maximised;
    return true;
}

void SaveWindowPlace(HWND window, std::string_view setting) {
    if (!window) return;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(window, &wp)) return;
    const RECT& r = wp.rcNormalPosition;
    try {
        const int dpi = static_cast<int>(WindowDpi(window));
        WriteSetting(setting, WindowPlaceText({r.left, r.top, MulDiv(r.right - r.left, 96, dpi),
                                               MulDiv(r.bottom - r.top, 96, dpi), wp.showCmd == SW_SHOWMAXIMIZED}));
    } catch (const std::exception&) {
        // a place is a convenience: a registry that refuses it changes nothing else
    }
}

bool ModalWindow::CreateDialogFrame(const DialogArgs& args) {
    place_setting_ = args.place_setting;
    const DWORD sizing = args.resizable ? WS_THICKFRAME | WS_MAXIMIZEBOX : 0;
    if (args.resizable) SetMinimumClientSize(args.client_width, args.client_height);
    return CreateFrame({.caption = args.caption,
                        .style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | sizing,
                        .ex_style = WS_EX_DLGMODALFRAME,
                        .owner = args.owner,
                        .client_width = args.client_width,
                        .client_height = args.client_height});
}

int ModalWindow::ShowModal(HWND owner) {
    if (running_) return IDCANCEL;
    // Disabling the owner takes the focus from its control: that control has it again afterwards.
    const HWND focus = GetFocus();
    result_ = IDCANCEL;
    running_ = true;
    // A window that keeps its place opens where it was left; the first time, and the others every time, centred.
    const bool first = !std::exchange(shown_before_, true);
    const bool restored = first && place_setting_ && RestoreWindowPlace(hwnd_, place_setting_);
    if (owner && !restored && (first || !place_setting_)) {
        // Centre over the owner.
        RECT o, w;
        GetWindowRect(owner, &o);
        GetWindowRect(hwnd_, &w);
        int x = o.left + ((o.right - o.left) - (w.right - w.left)) / 2;
        int y = o.top + ((o.bottom - o.top) - (w.bottom - w.top)) / 2;
        SetWindowPos(hwnd_, nullptr, std::max(0, x), std::max(0, y), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    // Over another modal window the owner is disabled already: that window enables it again, not this one.
    const bool disabledHere = owner && IsWindowEnabled(owner);
    if (disabledHere) EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (onShown) {
        // Let the window paint and settle first, as a user would see it.
        PostMessageW(hwnd_, kModalShownMessage, 0, 0);
    }
    MSG msg;
    bool quit = false;
    while (running_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            break;
        }
        if (!IsDialogMessageW(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    running_ = false;
    if (disabledHere) EnableWindow(owner, TRUE);
    if (place_setting_) SaveWindowPlace(hwnd_, place_setting_);
    ShowWindow(hwnd_, SW_HIDE);
    if (owner && focus && IsChild(owner, focus)) {
        // The activation may come later (under Wine it does): the owner restores the control then too.
        if (auto* window = dynamic_cast<Window*>(WindowBase::FromHandle(owner))) window->RememberFocus(focus);
        SetFocus(focus);
    }
    if (owner) SetActiveWindow(owner);
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));  // hand the quit on to the outer loop
    return result_;
}

void ModalWindow::EndModal(int result) {
    result_ = result;
    running_ = false;
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the nested loop
}

LRESULT ModalWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            EndModal(IDCANCEL);
            return 0;
        case WM_COMMAND:
            if (lp == 0 || !Control::FromHandle(reinterpret_cast<HWND>(lp))) {
                if (LOWORD(wp) == IDCANCEL) {  // Escape
                    EndModal(IDCANCEL);
                    return 0;
                }
            }
            break;
        case kModalShownMessage:
            if (onShown && running_) onShown();
            return 0;
        default:
            break;
    }
    return Window::OnMessage(msg, wp, lp);
}

LRESULT SideWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL && lp == 0) {  // Esc
                PostMessageW(hwnd_, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_CLOSE:
            Closing();
            ShowWindow(hwnd_, SW_HIDE);
            if (HWND owner = GetWindow(hwnd_, GW_OWNER)) SetActiveWindow(owner);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(msg, wp, lp);
}
