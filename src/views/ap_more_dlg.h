#pragma once
// Access point details: one BSS entry as a list of names and values.
#include <cstdint>
#include <span>
#include <vector>

#include "common/win32/controls.h"
#include "common/win32/list_view.h"
#include "common/win32/window.h"
#include "wireless/detail_commands.h"

class TAPMoreDlg : public ModalWindow, public AccessPointView {
public:
    explicit TAPMoreDlg(HWND owner);
    void ShowAccessPoint(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) override;

    ListView info_lst;
    wlan::WLAN_BSS_ENTRY bssEntry{};
    std::vector<uint8_t> bssElements;  // the information elements that followed the entry

private:
    HWND owner_;
};
