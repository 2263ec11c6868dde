#include "shell/auto_update_dlg.h"

#include <algorithm>

#include "common/product.h"
#include "common/win32/files.h"
#include "common/win32/shell.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "net/http_settings.h"
#include "net/win32/file_grabber.h"
#include "update/update_check.h"
#include "update/win32/prepared_installer.h"
#include "update/win32/run_folder.h"

TAutoUpdateDlg::TAutoUpdateDlg(HWND owner, std::string exeName) : owner_(owner), exeName_(std::move(exeName)) {
    CreateDialogFrame({.caption = "Auto Update", .owner = owner, .client_width = 410, .client_height = 39});
    pb.Create(*this, {.rect = {8, 8, 393, 17}});
    pb.SetRange(100);
    Tmr.Attach(*this, 500);
    Tmr.onTick = [this] { TmrTimer(); };
}

TAutoUpdateDlg::~TAutoUpdateDlg() = default;

void TAutoUpdateDlg::SetProxy(bool useProxy, std::string host, int32_t port, std::string user,
                              std::string password) {
    Proxy = {useProxy, std::move(host), port, std::move(user), std::move(password)};
}

bool TAutoUpdateDlg::Execute(HWND owner) {
    TmrTag = 0;
    Tmr.SetEnabled(true);
    Grabber = std::make_unique<TFileGrabber>(Log);
    Grabber->Proxy = Proxy;
    Grabber->BodyLimit = kInstallerBodyLimit;
    Grabber->MinAverageRate = kInstallerMinAverageRate;
    InstallerFile = DataFolder(exeName_, kProductName) + "update.exe";
    // An old installer must never run: remove it even when it is empty.
    DeleteFileW(Widen(InstallerFile).c_str());
    pb.SetRange(100);
    pb.SetPosition(0);
    const int result = ShowModal(owner ? owner : owner_);
    TmrTag = 0;
    Tmr.SetEnabled(false);
    Grabber.reset();  // abandons a download still running
    return result == IDOK;
}

void TAutoUpdateDlg::TmrTimer() {
    if (!Grabber) return;
    if (TmrTag == 0) {
        TmrTag = 1;
        LogAdd(Log, "Starting update download", LogLevel::Info);
        // The body stays in memory until it has passed every test; only then is it saved.
        Grabber->Grab(DownloadURL, "", [this](TFileGrabber&) { OnDownload(); });
        return;
    }
    const int64_t length = Grabber->ContentLength();
    const int64_t received = Grabber->ReceivedCount();
    if (length >= 0) pb.SetRange(static_cast<int>(std::min<int64_t>(length, INT32_MAX)));
    if (received >= 0) pb.SetPosition(static_cast<int>(std::min<int64_t>(received, INT32_MAX)));
}

void TAutoUpdateDlg::Fail() {
    ::ShowMessage(hwnd_, "Failed");
    EndModal(IDCANCEL);
}

void TAutoUpdateDlg::OnDownload() {
    TmrTag = 0;
    Tmr.SetEnabled(false);
    const std::string finalUrl = Grabber->Client ? Grabber->Client->FinalUrl() : std::string();
    const InstallerCheck check = CheckInstallerDownload(Grabber->ErrorCode, finalUrl, Grabber->Buffer);
    switch (check.verdict) {
        case InstallerVerdict::TooSmall:
            LogAdd(Log, "Failed download. File Size : " + std::to_string(check.size) + " Bytes", LogLevel::Info);
            return Fail();
        case InstallerVerdict::NotVerified:
            LogAdd(Log, "Update refused : not downloaded over verified HTTPS (" + finalUrl + ")", LogLevel::Error);
            return Fail();
        case InstallerVerdict::NotExecutable:
            LogAdd(Log, "Update refused : the download is not a Windows program", LogLevel::Error);
            return Fail();
        case InstallerVerdict::Run:
            break;
    }
    const std::string dataFolder = DataFolder(exeName_, kProductName);
    PreparedInstaller installer = PrepareInstaller(dataFolder, Grabber->Buffer, exeName_, Expected);
    InstallerFile = installer.file;
    if (!installer.Ready()) {
        LogAdd(Log, "Update refused : " + installer.refusal, LogLevel::Error);
        return Fail();
    }
    if (installer.revocationUnchecked)
        LogAdd(Log, "Update : installer certificate revocation not checked (no answer in time)", LogLevel::Info);
    LogAdd(Log, "Starting update process", LogLevel::Info);
    if (const DWORD error =
            ShellRunProgram(hwnd_, InstallerFile, InstallerParameters(dataFolder), installer.folder, SW_SHOWNORMAL)) {
        // Declined elevation or a file that cannot run: nothing updates, so the program stays.
        LogAdd(Log, "Update not started (" + std::to_string(error) + ")", LogLevel::Error);
        installer.held.reset();
        RemoveRunFolder(installer.folder);
        return Fail();
    }
    EndModal(IDOK);
}
