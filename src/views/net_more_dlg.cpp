#include "views/net_more_dlg.h"

#include "views/detail_list.h"

TNetMoreDlg::TNetMoreDlg(HWND owner) : owner_(owner) {
    CreateDialogFrame({.caption = "Network Details", .owner = owner, .client_width = 325, .client_height = 232, .resizable = true, .place_setting = "network_details_window"});
    CreateInfoList(*this, info_lst, {2, 8, 313, 217});
}

void TNetMoreDlg::ShowNetwork(const wlan::WLAN_AVAILABLE_NETWORK& entry) {
    network = entry;
    FillInfoList(info_lst, NetworkDetailRows(network));
    ShowModal(owner_);
}
