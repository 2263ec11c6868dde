#pragma once
// The common controls' tab strip.
#include <windows.h>

#include <functional>
#include <string>

#include "common/win32/window.h"

// A strip of tabs: one chosen at a time, told by onChange.
class TabStrip : public Control {
public:
    bool Create(Window& parent, const Placement& place);
    void AddTab(const std::string& text);
    int TabCount() const;
    std::string TabText(int index) const;
    int Selected() const;
    void Select(int index);  // raises onChange like a click
    std::function<void()> onChange;
    LRESULT OnNotify(NMHDR* hdr) override;
};
