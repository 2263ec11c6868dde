#include "net/win32/file_grabber.h"

#include <windows.h>

#include <algorithm>

#include "common/text.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "net/maker_server.h"
#include "net/net_error.h"
#include "net/win32/http_custo.h"

namespace {

// Writes a temporary file beside the target and then replaces the target, so a failure
// never leaves a truncated or half-replaced file. Returns 0 or the system error code.
DWORD WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& data) {
    const std::wstring target = Widen(fileName);
    const std::wstring temp = target + L".download";
    DWORD error = 0;
    {
        Unique<FileHandleTraits> file(
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return GetLastError();
        size_t done = 0;
        while (done < data.size()) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file.get(), data.data() + done, piece, &written, nullptr) || written != piece) {
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
                break;
            }
            done += piece;
        }
        if (!error && !FlushFileBuffers(file.get())) error = GetLastError();
    }
    if (!error && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) DeleteFileW(temp.c_str());
    return error;
}

}  // namespace

TFileGrabber::TFileGrabber(TRunLog* log) : Log(log) {}

TFileGrabber::~TFileGrabber() {
    OnDone = nullptr;
    Client.reset();
}

void TFileGrabber::SetProxy(bool useProxy, std::string host, int32_t port, std::string user, std::string password) {
    Proxy = {useProxy, std::move(host), port, std::move(user), std::move(password)};
}

void TFileGrabber::Grab(std::string url, std::string fileName, NotifyEvent onDone) {
    URL = std::move(url);
    FileName = std::move(fileName);
    Client.reset();
    OnDone = std::move(onDone);
    Buffer.clear();
    ErrorCode = 0;
    StartTick = GetTickCount();
    Client = StartProgramFetch({"FileGrabber", URL, BodyLimit, Proxy,
                                &Buffer, MinAverageRate},
                               Log, [this](HttpClient& sender, HttpRequestType type, int32_t error) {
                                   RequestDone(sender, type, error);
                               });
    if (!Client) {
        // No event will come from the transport: the fetch ends here with the failure.
        ErrorCode = static_cast<int32_t>(NetError::StartFailed);
        if (auto done = OnDone) done(*this);
    }
}

int64_t TFileGrabber::ContentLength() const { return Client ? Client->ContentLength() : 0; }

int64_t TFileGrabber::ReceivedCount() const { return Client ? Client->ReceivedCount() : 0; }

void TFileGrabber::RequestDone(HttpClient& sender, HttpRequestType requestType, int32_t errorCode) {
    // An error page is no file: a 404 body must never replace the hint file or pass as an installer.
    ErrorCode = errorCode == 0 && sender.StatusCode() != 200 ? sender.StatusCode() : errorCode;
    if (ErrorCode != 0 || requestType != HttpRequestType::Get) {
        LogAdd(Log,
               "File download : Server error (" + std::to_string(ErrorCode) + " Cause : " + sender.ReasonPhrase() + ")",
               LogLevel::Error);
    } else {
        LogAdd(Log, "File downloaded in " + std::to_string(GetTickCount() - StartTick) + "ms", LogLevel::Info);
        if (!FileName.empty()) {
            // Unspecified so far: a failed write keeps the old file and says so.
            if (const DWORD error = WriteWholeFile(FileName, Buffer))
                LogAdd(Log, "File download : Write error (" + std::to_string(error) + " Cause : " + FileName + ")",
                       LogLevel::Error);
        }
    }
    if (requestType == HttpRequestType::Get) {
        // The handler may start the next Grab, which replaces OnDone: call a copy.
        if (auto done = OnDone) done(*this);
    }
}

void StartHintDownload(TFileGrabber& grabber, std::string_view dataFolder) {
    std::string target(dataFolder);
    if (!target.empty() && target.back() != '\\' && target.back() != '/') target += '\\';
    target += kHintFileName;
    grabber.BodyLimit = kSmallBodyLimit;
    grabber.Grab(HintFileUrl(), target, nullptr);
}
