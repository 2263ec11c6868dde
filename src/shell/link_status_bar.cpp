#include "shell/link_status_bar.h"

#include <commctrl.h>

#include "common/win32/wide.h"
#include "survey/link_monitor.h"

namespace {

constexpr int kStickyWidth = 300;  // the second part's width at 96 DPI

}  // namespace

bool LinkStatusBar::Create(Window& parent, DesignRect rect, unsigned anchors) {
    // Placed by the window's layout like any control, not by the bar itself.
    if (!CreateChild(parent, STATUSCLASSNAMEW, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, rect, anchors))
        return false;
    RECT r;
    GetClientRect(hwnd_, &r);
    SetParts(r.right);
    SetPart(0, "Not connected");
    return true;
}

void LinkStatusBar::Place(int x, int y, int width, int height) {
    Control::Place(x, y, width, height);
    SetParts(width);
}

void LinkStatusBar::SetParts(int width) {
    if (!hwnd_ || !parent_) return;
    const int parts[2] = {std::max(0, width - parent_->Scale(kStickyWidth)), -1};
    SendMessageW(hwnd_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

void LinkStatusBar::SetPart(int part, const std::string& text) {
    if (texts_[part] == text) return;
    texts_[part] = text;
    const std::wstring wide = Widen(text);
    SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(wide.c_str()));
}

void LinkStatusBar::Show(const LinkMonitor& link) {
    if (!hwnd_) return;
    SetPart(0, LinkSummaryText(link.Status()));
    SetPart(1, link.Status().connected ? link.Tracker().StickyWarning() : "");
}

std::string LinkStatusBar::PartText(int part) const { return part == 0 || part == 1 ? texts_[part] : ""; }
