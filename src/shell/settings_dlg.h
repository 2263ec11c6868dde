#pragma once
// The settings window: one option, debug mode, stored when OK closes it.
#include <functional>
#include <string>

#include "common/win32/controls.h"
#include "common/win32/window.h"

class TSettingsDlg : public ModalWindow {
public:
    explicit TSettingsDlg(HWND owner);
    void Execute();

    CheckBox debug_chk;
    Button ok_btn;

private:
    HWND owner_;
};
