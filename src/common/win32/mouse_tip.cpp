#include "common/win32/mouse_tip.h"

#include "common/win32/wide.h"

void MouseTip::Create(HWND control) {
    control_ = control;
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                           0, control, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip_) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
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

bool MouseTip::OnNotify(LPARAM lp) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
    if (!tip_ || info->hdr.hwndFrom != tip_ || info->hdr.code != TTN_GETDISPINFOW) return false;
    info->lpszText = text_.data();  // an empty text shows no tip at all
    return true;
}
