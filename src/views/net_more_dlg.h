#pragma once
// Network details: one available-network entry as a list of names and values.
#include "common/win32/controls.h"
#include "common/win32/list_view.h"
#include "common/win32/window.h"
#include "wireless/detail_commands.h"

class TNetMoreDlg : public ModalWindow, public NetworkView {
public:
    explicit TNetMoreDlg(HWND owner);
    void ShowNetwork(const wlan::WLAN_AVAILABLE_NETWORK& entry) override;

    ListView info_lst;
    wlan::WLAN_AVAILABLE_NETWORK network{};

private:
    HWND owner_;
};
