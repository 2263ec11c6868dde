#pragma once
// The update offer: a manual update through the product page, an automatic one through
// TAutoUpdateDlg, and a Close button that counts down and closes the window by itself.
#include <cstdint>
#include <functional>
#include <string>

#include "common/run_log.h"
#include "common/win32/controls.h"
#include "common/win32/window.h"

class TAutoUpdateDlg;

// A label that reads as a link: blue, underlined, clickable.
class LinkLabel : public Label {
public:
    bool Create(Window& parent, const CreateArgs& args);
    void SetFont(HFONT font) override;
    void OnCommand(WORD code) override;
    std::function<void()> onClick;

private:
    UniqueGdiObject underlined_;
};

class TUpdateDlg : public ModalWindow {
public:
    TUpdateDlg(HWND owner, TAutoUpdateDlg& autoUpdate);
    // True when the user chose an update that went ahead (manual, or automatic and started).
    bool Execute();

    void FormCreate();
    void manual_btnClick();
    void auto_btnClick();
    void TimerCloseTimer();
    void changelog_lblClick();

    Panel top_pnl;
    Label Label2, Label1;
    LinkLabel changelog_lbl;
    Button auto_btn, manual_btn, close_btn;
    Timer TimerClose;  // 1000 ms; tests may shorten it

    std::string CloseCaption;
    int32_t Countdown = 0;
    bool UseProxy = false;
    int32_t ProxyPort = 0;
    std::string ProxyHost, ProxyUser, ProxyPassword;
    std::string InstallerURL;
    std::string ProductPageURL;
    std::function<void(TUpdateDlg& sender)> OnChangeLog;
    TRunLog* Log = nullptr;  // not owned

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HWND owner_;
    TAutoUpdateDlg& autoUpdate_;
};
