#include "common/win32/mouse_tip.h"

#include "common/win32/wide.h"

void MouseTip::Create(HWND control) {
    control_ = control;
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                           0, control, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip_) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    // Not TTF_SUBCLASS: the common controls' subclassing reads a window property on every
    // message to the control, and under Wine each read is a round trip to the server.
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = control;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 500);
}

void MouseTip::SetText(const std::string& text) {
    std::wstring wide = Widen(text);
    if (!tip_ || wide == text_) return;
    text_ = std::move(wide);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control_;
    tool.uId = reinterpret_cast<UINT_PTR>(control_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    if (text_.empty()) SendMessageW(tip_, TTM_POP, 0, 0);
}

void MouseTip::Relay(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            break;
        default:
            return;
    }
    if (!tip_) return;
    const DWORD pos = GetMessagePos();
    MSG relayed{control_, msg, wp, lp, static_cast<DWORD>(GetMessageTime()),
                {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))}};
    SendMessageW(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

bool MouseTip::OnNotify(LPARAM lp) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
    if (!tip_ || info->hdr.hwndFrom != tip_ || info->hdr.code != TTN_GETDISPINFOW) return false;
    info->lpszText = text_.data();  // an empty text shows no tip at all
    return true;
}
