#pragma once
// The main window's status bar: the link of the interface the lists show, and the
// warning of a sticky link. Text that did not change is not set again, so the bar
// does not flicker when a pass leaves it as it was.
#include <windows.h>

#include <string>

#include "common/win32/window.h"

class LinkMonitor;

class LinkStatusBar : public Control {
public:
    bool Create(Window& parent, DesignRect rect, unsigned anchors);
    void Show(const LinkMonitor& link);
    void Place(int x, int y, int width, int height) override;
    // What each part shows now (tests read it).
    std::string PartText(int part) const;

private:
    void SetPart(int part, const std::string& text);
    void SetParts(int width);
    std::string texts_[2];
};
