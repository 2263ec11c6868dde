#include "common/win32/drawn_control.h"

#include <algorithm>

#include "common/win32/unique.h"

namespace {

std::optional<bool> forced_contrast;

}  // namespace

bool HighContrast() {
    if (forced_contrast) return *forced_contrast;
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

void ForceHighContrastForTests(std::optional<bool> on) { forced_contrast = on; }

bool DrawnControl::CreateDrawn(Window& parent, const wchar_t* window_class, DesignRect rect, unsigned anchors,
                               bool focusable) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), window_class, &known)) {
        WNDCLASSEXW wc{};
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = window_class;
        if (!RegisterBoundClass(wc)) return false;
    }
    AnswerAccessibility();
    if (!CreateChild(parent, window_class, "", focusable ? WS_TABSTOP : 0, 0, rect, anchors)) return false;
    tip_.Create(hwnd_);
    return true;
}

bool DrawnControl::PaintNow() {
    if (!hwnd_ || !IsWindowVisible(hwnd_) || IsIconic(GetAncestor(hwnd_, GA_ROOT))) return false;
    const WindowDC dc(hwnd_);
    if (!dc.get()) return false;
    PaintWithFocus(dc.get());
    return true;
}

void DrawnControl::PaintWithFocus(HDC dc) {
    Paint(dc);
    if (!focused_part_ || GetFocus() != hwnd_) return;
    const std::vector<AccessiblePart> parts = AccessibleParts();
    if (*focused_part_ >= parts.size()) return;
    RECT r = parts[*focused_part_].rect;
    InflateRect(&r, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    DrawFocusRect(dc, &r);
}

void DrawnControl::FocusPart(std::optional<size_t> part) {
    if (part == focused_part_) return;
    focused_part_ = part;
    if (!hwnd_) return;
    InvalidateRect(hwnd_, nullptr, FALSE);
    if (part && GetFocus() == hwnd_)
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, static_cast<LONG>(*part + 1));
}

bool DrawnControl::MoveFocus(WPARAM key) {
    const size_t count = AccessibleParts().size();
    if (count == 0) return false;
    const size_t last = count - 1;
    const size_t at = focused_part_ ? std::min(*focused_part_, last) : 0;
    switch (key) {
        case VK_RIGHT:
        case VK_DOWN:
            FocusPart(focused_part_ ? std::min(at + 1, last) : 0);
            return true;
        case VK_LEFT:
        case VK_UP:
            FocusPart(focused_part_ && at > 0 ? at - 1 : 0);
            return true;
        case VK_HOME:
            FocusPart(0);
            return true;
        case VK_END:
            FocusPart(last);
            return true;
        default:
            return false;
    }
}

bool DrawnControl::OnEnter() { return focused_part_ && OpenPart(*focused_part_); }

bool DrawnControl::OpenPart(size_t part) {
    if (!onOpenPart || part >= AccessibleParts().size()) return false;
    onOpenPart(part);
    return true;
}

void DrawnControl::AnnounceValueChange() {
    if (hwnd_) NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT DrawnControl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    tip_.Relay(msg, wp, lp);
    switch (msg) {
        case WM_PAINT: {
            const PaintDC dc(hwnd_);
            PaintWithFocus(dc.get());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the picture covers everything
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (MoveFocus(wp)) return 0;
            break;
        case WM_LBUTTONDOWN:
            if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd_);
            break;
        case WM_SETFOCUS:
            if (!focused_part_ && !AccessibleParts().empty()) focused_part_ = 0;
            InvalidateRect(hwnd_, nullptr, FALSE);
            if (focused_part_)
                NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, static_cast<LONG>(*focused_part_ + 1));
            break;
        case WM_KILLFOCUS:
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            ContrastChanged();
            break;
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
    return Control::OnMessage(msg, wp, lp);
}
