#include "common/win32/link_label.h"

bool LinkLabel::Create(Window& parent, const CreateArgs& args) {
    if (!Label::Create(parent, args)) return false;
    // Right-justified, and SS_NOTIFY so that a click reaches the window.
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_RIGHT | SS_NOTIFY);
    SetColors(RGB(0, 0, 255), nullptr);
    return true;
}

void LinkLabel::SetFont(HFONT font) {
    LOGFONTW lf{};
    if (font && GetObjectW(font, sizeof lf, &lf)) {
        lf.lfUnderline = TRUE;
        underlined_.reset(CreateFontIndirectW(&lf));
        font = static_cast<HFONT>(underlined_.get());
    }
    Label::SetFont(font);
}

void LinkLabel::OnCommand(WORD code) {
    if (code == STN_CLICKED && onClick) onClick();
}
