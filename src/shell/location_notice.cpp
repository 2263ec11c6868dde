#include "shell/location_notice.h"

namespace {

constexpr COLORREF kBarColour = RGB(255, 242, 204);  // the pale yellow of a notice
constexpr COLORREF kLinkColour = RGB(0, 102, 204);
constexpr int kPadding = 8, kTextHeight = 16, kLinkWidth = 150;

}  // namespace

void LocationNotice::Create(Window& parent, DesignRect rect) {
    const unsigned stretch = AnchorLeft | AnchorTop | AnchorRight;
    bar.Create(parent, {.color = kBarColour, .rect = rect, .anchors = stretch});
    const int top = rect.top + (rect.height - kTextHeight) / 2;
    const int textWidth = rect.width - 3 * kPadding - kLinkWidth;
    text.Create(parent, {.text = kText, .rect = {rect.left + kPadding, top, textWidth, kTextHeight}});
    text.SetColors(RGB(0, 0, 0), bar.Brush());
    // The action at the bar's right end, as notice bars have it.
    link.Create(parent, {.text = kLinkText,
                         .rect = {rect.left + 2 * kPadding + textWidth, top, kLinkWidth, kTextHeight},
                         .anchors = AnchorTop | AnchorRight});
    link.SetColors(kLinkColour, bar.Brush());
    // The bar lies under its text and link.
    SetWindowPos(bar.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    visible_ = true;
    SetVisible(false);
}

void LocationNotice::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    for (Control* c : {static_cast<Control*>(&bar), static_cast<Control*>(&text), static_cast<Control*>(&link)})
        c->SetVisible(visible);
}

bool LocationNotice::SetLinkCursor(HWND hovered) const {
    if (!visible_ || hovered != link.hwnd()) return false;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}
