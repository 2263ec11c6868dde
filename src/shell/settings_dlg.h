#pragma once
// The settings window: debug mode and the scan interval, stored when OK closes it.
#include <functional>
#include <string>

#include "common/win32/controls.h"
#include "common/win32/window.h"

class TSettingsDlg : public ModalWindow {
public:
    explicit TSettingsDlg(HWND owner);
    void Execute();

    CheckBox debug_chk;
    Label interval_lbl;
    SpinEdit interval_spn;
    Label seconds_lbl;
    Button ok_btn;

private:
    HWND owner_;
};

// Seconds between two scans asked of each adapter, as stored (0 never asks).
int StoredScanInterval();
