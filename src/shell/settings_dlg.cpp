#include "shell/settings_dlg.h"

#include "common/win32/settings.h"
#include "wireless/scan_requests.h"

TSettingsDlg::TSettingsDlg(HWND owner) : owner_(owner) {
    CreateDialogFrame({.caption = "Settings", .owner = owner, .client_width = 262, .client_height = 75});
    debug_chk.Create(*this, {.caption = "Debug mode", .rect = {8, 8, 97, 17}});
    // The scan interval shares the first row, right of the check box.
    interval_lbl.Create(*this, {.text = "Scan interval", .rect = {112, 10, 74, 13}});
    interval_spn.Create(*this, {.rect = {188, 6, 40, 21}, .minimum = 0, .maximum = kLongestScanInterval});
    seconds_lbl.Create(*this, {.text = "s", .rect = {232, 10, 20, 13}});
    ok_btn.Create(*this, {.caption = "OK", .rect = {96, 40, 75, 25}, .id = IDOK, .is_default = true});
    ok_btn.onClick = [this] { EndModal(IDOK); };
}

void TSettingsDlg::Execute() {
    debug_chk.SetChecked(ReadSetting("debug_mode") == "1");
    interval_spn.SetValue(StoredScanInterval());
    // Only OK stores; the close box and Escape leave the settings as they were.
    if (ShowModal(owner_) != IDOK) return;
    WriteBoolSetting("debug_mode", debug_chk.Checked());
    // A field left without a number keeps the stored interval.
    if (const auto seconds = interval_spn.Value()) WriteNumberSetting(kScanIntervalSetting, static_cast<uint32_t>(*seconds));
}

int StoredScanInterval() { return ScanIntervalFromSetting(ReadSettingAsText(kScanIntervalSetting)); }
