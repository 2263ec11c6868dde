#include "shell/auto_update_dlg.h"

#include <algorithm>
#include <span>

#include "common/product.h"
#include "common/win32/files.h"
#include "common/win32/shell.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "net/http_settings.h"
#include "net/win32/file_grabber.h"
#include "update/update_check.h"
#include "update/win32/authenticode.h"
#include "update/win32/run_folder.h"

namespace {

// Saves the installer under a name that nobody may hold already: the file must be new.
// It is then opened again for reading only, denying writers and deleters, and compared
// with what was downloaded; the returned handle keeps it so until the installer has started.
// Returns an empty handle and sets error when any step fails.
Unique<FileHandleTraits> SaveInstaller(const std::string& fileName, std::span<const uint8_t> bytes, DWORD& error) {
    const std::wstring path = Widen(fileName);
    error = 0;
    {
        Unique<FileHandleTraits> out(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) {
            error = GetLastError();
            return {};
        }
        size_t done = 0;
        while (done < bytes.size() && !error) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
            DWORD written = 0;
            if (!WriteFile(out.get(), bytes.data() + done, piece, &written, nullptr) || written != piece)
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            done += piece;
        }
        if (!error && !FlushFileBuffers(out.get())) error = GetLastError();
    }
    Unique<FileHandleTraits> held;
    if (!error) {
        held.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held) error = GetLastError();
    }
    if (!error) {
        std::vector<uint8_t> back(1u << 20);
        size_t at = 0;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(held.get(), back.data(), static_cast<DWORD>(back.size()), &got, nullptr)) {
                error = GetLastError();
                break;
            }
            if (got == 0) break;
            if (at + got > bytes.size() || !std::equal(back.begin(), back.begin() + got, bytes.begin() + at)) {
                error = ERROR_FILE_CORRUPT;
                break;
            }
            at += got;
        }
        if (!error && at != bytes.size()) error = ERROR_FILE_CORRUPT;
    }
    if (error) {
        held.reset();
        DeleteFileW(path.c_str());
    }
    return held;
}

}  // namespace

TAutoUpdateDlg::TAutoUpdateDlg(HWND owner, std::string exeName) : owner_(owner), exeName_(std::move(exeName)) {
    CreateDialogFrame("Auto Update", 410, 39, owner);
    pb.Create(*this, {.rect = {8, 8, 393, 17}});
    pb.SetRange(100);
    Tmr.Attach(*this, 500);
    Tmr.onTick = [this] { TmrTimer(); };
}

TAutoUpdateDlg::~TAutoUpdateDlg() = default;

void TAutoUpdateDlg::SetProxy(bool useProxy, std::string host, int32_t port, std::string user,
                              std::string password) {
    UseProxy = useProxy;
    ProxyHost = std::move(host);
    ProxyPort = port;
    ProxyUser = std::move(user);
    ProxyPassword = std::move(password);
}

bool TAutoUpdateDlg::Execute(HWND owner) {
    TmrTag = 0;
    Tmr.SetEnabled(true);
    Grabber = std::make_unique<TFileGrabber>(Log);
    Grabber->SetProxy(UseProxy, ProxyHost, ProxyPort, ProxyUser, ProxyPassword);
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
        LogAdd(Log, "Starting update download", TRunLog::kInfo);
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
            LogAdd(Log, "Failed download. File Size : " + std::to_string(check.size) + " Bytes", TRunLog::kInfo);
            return Fail();
        case InstallerVerdict::NotVerified:
            LogAdd(Log, "Update refused : not downloaded over verified HTTPS (" + finalUrl + ")", TRunLog::kError);
            return Fail();
        case InstallerVerdict::NotExecutable:
            LogAdd(Log, "Update refused : the download is not a Windows program", TRunLog::kError);
            return Fail();
        case InstallerVerdict::Run:
            break;
    }
    const std::string dataFolder = DataFolder(exeName_, kProductName);
    RemoveStaleRunFolders(dataFolder);
    const std::string runFolder = NewRunFolder(dataFolder);
    DWORD error = runFolder.empty() ? GetLastError() : 0;
    if (!runFolder.empty()) InstallerFile = runFolder + "update.exe";
    auto held = runFolder.empty() ? Unique<FileHandleTraits>() : SaveInstaller(InstallerFile, Grabber->Buffer, error);
    if (!held) {
        LogAdd(Log, "Update refused : cannot save " + InstallerFile + " (" + std::to_string(error) + ")",
               TRunLog::kError);
        if (!runFolder.empty()) RemoveRunFolder(runFolder);
        return Fail();
    }
    // A signed program runs only its own publisher's installers; the saved file is held
    // against writers, so what is checked is what runs.
    PublisherFacts facts;
    facts.programKey = SignerPublicKey(exeName_);
    if (facts.programKey) {
        facts.installerTrust = VerifyFileTrust(InstallerFile);
        facts.installerKey = SignerPublicKey(InstallerFile);
    }
    if (const std::string refusal = PublisherRefusal(facts); !refusal.empty()) {
        LogAdd(Log, "Update refused : " + refusal, TRunLog::kError);
        held.reset();
        RemoveRunFolder(runFolder);
        return Fail();
    }
    LogAdd(Log, "Starting update process", TRunLog::kInfo);
    ShellOpenFromWindow(hwnd_, "", InstallerFile, InstallerParameters(dataFolder), runFolder, SW_SHOWNORMAL);
    EndModal(IDOK);
}
