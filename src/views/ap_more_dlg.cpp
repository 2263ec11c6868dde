#include "views/ap_more_dlg.h"

#include "views/detail_list.h"

TAPMoreDlg::TAPMoreDlg(HWND owner) : owner_(owner) {
    CreateDialogFrame({.caption = "Access Point Details", .owner = owner, .client_width = 323, .client_height = 302, .resizable = true, .place_setting = "ap_details_window"});
    CreateInfoList(*this, info_lst, {2, 8, 313, 289});
}

void TAPMoreDlg::ShowAccessPoint(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) {
    bssEntry = entry;
    bssElements.assign(elements.begin(), elements.end());
    FillInfoList(info_lst, AccessPointDetailRows(bssEntry, bssElements));
    ShowModal(owner_);
}
