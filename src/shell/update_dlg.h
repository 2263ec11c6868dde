#pragma once
// The update offer: a manual update through the product page, an automatic one through
// TAutoUpdateDlg, and a Close button that counts down and closes the window by itself.
#include <cstdint>
#include <functional>
#include <string>

#include "common/run_log.h"
#include "common/win32/controls.h"
#include "common/win32/link_label.h"
#include "common/win32/window.h"
#include "net/http_settings.h"
#include "update/update_check.h"

class TAutoUpdateDlg;

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
    ProxySettings Proxy;
    std::string InstallerURL;
    std::string ProductPageURL;
    InstallerExpectation Expected;  // handed to the automatic update
    // Only a signed program can tell its publisher's installers from others: an unsigned
    // one opens the product page for the automatic update too.
    bool RunsInstallers = false;
    std::function<void(TUpdateDlg& sender)> OnChangeLog;
    TRunLog* Log = nullptr;  // not owned

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HWND owner_;
    TAutoUpdateDlg& autoUpdate_;
};
