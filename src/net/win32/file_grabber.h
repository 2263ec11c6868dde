#pragma once
// Fetches one URL asynchronously into memory, writes the body to a file when the
// transfer ends, logs the outcome and raises OnDone, after failures too. Progress is
// read on demand through ContentLength and ReceivedCount. Everything runs on the thread
// that calls Grab (the GUI thread): the transport raises its event through that
// thread's message loop.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_log.h"
#include "net/http_settings.h"
#include "net/win32/http_client.h"

class TFileGrabber {
public:
    using NotifyEvent = std::function<void(TFileGrabber& sender)>;

    explicit TFileGrabber(TRunLog* log);
    ~TFileGrabber();  // a running transfer is abandoned without events
    TFileGrabber(const TFileGrabber&) = delete;
    TFileGrabber& operator=(const TFileGrabber&) = delete;

    uint32_t StartTick = 0;
    TRunLog* Log;  // not owned, may be null
    std::string URL;
    std::string FileName;  // UTF-8; empty keeps the body in Buffer only
    NotifyEvent OnDone;
    std::vector<uint8_t> Buffer;
    std::unique_ptr<HttpClient> Client;
    ProxySettings Proxy;
    // The most body the next fetch accepts: the hint file's size unless the caller needs more
    // (the installer download sets kInstallerBodyLimit).
    int64_t BodyLimit = kSmallBodyLimit;
    // After the transfer deadline, the average rate that lets a long download go on (0: none).
    int64_t MinAverageRate = 0;
    // The last fetch's transport error code, or the HTTP status of an answer other than
    // 200 (whose body is then neither kept as the file nor trusted); 0 after a 200 answer.
    int32_t ErrorCode = 0;

    void SetProxy(bool useProxy, std::string host, int32_t port, std::string user, std::string password);
    // Starts a fetch and returns at once; abandons one still running. onDone may be empty.
    void Grab(std::string url, std::string fileName, NotifyEvent onDone);
    // The body length the server announced, -1 until known or when none; 0 without a client.
    int64_t ContentLength() const;
    // Body bytes received so far; 0 without a client.
    int64_t ReceivedCount() const;
    // The transport's completion handler.
    void RequestDone(HttpClient& sender, HttpRequestType requestType, int32_t errorCode);
};

// The start-up download of the hint file into the data folder: https on the maker's
// server only (nothing without TLS), saved only from a 200 answer, no completion event.
void StartHintDownload(TFileGrabber& grabber, std::string_view dataFolder);
