#include "shell/settings_dlg.h"

#include "common/win32/settings.h"

TSettingsDlg::TSettingsDlg(HWND owner) : owner_(owner) {
    CreateDialogFrame("Settings", 262, 75, owner);
    debug_chk.Create(*this, "Debug mode", {8, 8, 97, 17});
    ok_btn.Create(*this, "OK", {96, 40, 75, 25}, kAnchorTopLeft, IDOK, true);
    ok_btn.onClick = [this] { EndModal(IDOK); };
}

void TSettingsDlg::Execute() {
    debug_chk.SetChecked(ReadSetting("debug_mode") == "1");
    // Only OK stores; the close box and Escape leave the setting as it was.
    if (ShowModal(owner_) == IDOK) WriteBoolSetting("debug_mode", debug_chk.Checked());
}
