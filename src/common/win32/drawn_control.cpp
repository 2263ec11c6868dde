#include "common/win32/drawn_control.h"

#include "common/win32/unique.h"

bool DrawnControl::CreateDrawn(Window& parent, const wchar_t* window_class, DesignRect rect, unsigned anchors) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), window_class, &known)) {
        WNDCLASSEXW wc{};
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = window_class;
        if (!RegisterBoundClass(wc)) return false;
    }
    if (!CreateChild(parent, window_class, "", 0, 0, rect, anchors)) return false;
    tip_.Create(hwnd_);
    return true;
}

bool DrawnControl::PaintNow() {
    if (!hwnd_ || !IsWindowVisible(hwnd_) || IsIconic(GetAncestor(hwnd_, GA_ROOT))) return false;
    const WindowDC dc(hwnd_);
    if (!dc.get()) return false;
    Paint(dc.get());
    return true;
}

LRESULT DrawnControl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    tip_.Relay(msg, wp, lp);
    switch (msg) {
        case WM_PAINT: {
            const PaintDC dc(hwnd_);
            Paint(dc.get());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the picture covers everything
        case WM_MOUSEMOVE:
            if (!tracking_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                tracking_ = TrackMouseEvent(&track) != FALSE;
            }
            MouseMoved(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
            break;
        case WM_MOUSELEAVE:
            tracking_ = false;
            MouseLeft();
            break;
        case WM_NOTIFY:
            if (tip_.OnNotify(lp)) return 0;
            break;
        default:
            break;
    }
    return Default(msg, wp, lp);
}
