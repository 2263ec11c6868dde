#pragma once
// The automatic update window: downloads the installer with a progress bar, checks what
// arrived and starts it silently from the data folder.
#include <cstdint>
#include <memory>
#include <string>

#include "common/run_log.h"
#include "common/win32/controls.h"
#include "common/win32/window.h"
#include "net/http_settings.h"
#include "update/update_check.h"

class TFileGrabber;

class TAutoUpdateDlg : public ModalWindow {
public:
    TAutoUpdateDlg(HWND owner, std::string exeName);
    ~TAutoUpdateDlg() override;

    void SetProxy(bool useProxy, std::string host, int32_t port, std::string user, std::string password);
    // True when the installer was downloaded, accepted and started (not when the start was
    // refused, the elevation prompt declined included). owner defaults to the main window.
    bool Execute(HWND owner = nullptr);

    void TmrTimer();
    void OnDownload();

    ProgressBar pb;
    Timer Tmr;
    int TmrTag = 0;  // 0 download not started, 1 started

    std::string InstallerFile;
    std::unique_ptr<TFileGrabber> Grabber;
    ProxySettings Proxy;
    std::string DownloadURL;
    // What the installer must be: from the check that offered it.
    InstallerExpectation Expected;
    TRunLog* Log = nullptr;  // not owned

private:
    void Fail();
    HWND owner_;
    std::string exeName_;
};
