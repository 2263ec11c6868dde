#pragma once
// The about window: name, version and the maker's three links.
#include <string>

#include "common/text_storage.h"
#include "common/win32/controls.h"
#include "common/win32/window.h"

class TAboutDlg : public ModalWindow {
public:
    TAboutDlg(HWND owner, std::string exeName);
    void Execute();
    void RefreshTexts();

    void email_btnClick();
    void web_btnClick();
    void forum_btnClick();

    PictureBox Image1;
    GroupBox all_grp, Application_grp, quintavo_grp;
    Label appname_lbl, version_lbl;
    Button email_btn, web_btn, forum_btn, ok_btn;
    TTextStorage TS_about;

private:
    HWND owner_;
    std::string exeName_;
};
