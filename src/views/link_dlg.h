#pragma once
// The Link window: the current link's detail rows above the list of its events
// (connected, disconnected, roamed, with each roam's gap and how late it came).
// Not modal; it follows the scan while it shows.
#include <windows.h>

#include <string>
#include <vector>

#include "common/win32/list_view.h"
#include "common/win32/window.h"
#include "common/win32/window.h"

class LinkMonitor;

class TLinkDlg : public SideWindow {
public:
    explicit TLinkDlg(HWND owner);

    void ShowLink(const LinkMonitor& link);
    bool Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }
    // A completed pass: the rows follow while the window shows.
    void PassCompleted(const LinkMonitor& link);

    ListView detail_lst, event_lst;
};

// "14:02:07", the local clock time of ms since 1970 (UTC).
std::string LocalClockText(int64_t timeMs);
