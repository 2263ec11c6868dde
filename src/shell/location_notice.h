#pragma once
// The bar above the lists that says why Wi-Fi scans fail with access denied
// since Windows 11 24H2 (desktop programs need location access), with a link
// to the page where the user allows it. Not a message box: scanning goes on,
// and the bar leaves by itself once a pass succeeds again.
#include <functional>
#include <string>

#include "common/win32/controls.h"
#include "common/win32/link_label.h"
#include "common/win32/window.h"

class LocationNotice {
public:
    static constexpr const char* kText =
        "Windows is blocking Wi-Fi scans until location access is allowed for desktop programs.";
    static constexpr const char* kLinkText = "Open location settings";
    static constexpr const char* kSettingsPage = "ms-settings:privacy-location";

    // Made hidden; rect is the whole bar at 96 DPI.
    void Create(Window& parent, DesignRect rect);
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    // True when the hand cursor was set for the link.
    bool SetLinkCursor(HWND hovered) const;

    Panel bar;
    Label text;
    LinkLabel link;

private:
    bool visible_ = false;
};
