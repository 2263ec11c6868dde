#pragma once
// An HTTP/1.1 GET client. The transfer runs on a worker thread (name lookup included),
// so no call blocks the caller; the completion event is raised on the thread that
// created the client, through that thread's message loop. One request per client at
// a time; destroying the client or calling Abort abandons a running transfer without
// an event.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "net/http_settings.h"

enum class HttpRequestType { None, Get };

class HttpClient {
public:
    // sender, the request type (always Get) and the error code: 0 whenever an answer
    // arrived, whatever its status; otherwise a NetError or a socket error code.
    using DoneHandler = std::function<void(HttpClient& sender, HttpRequestType request, int32_t error)>;

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Read when a request starts.
    std::string url;
    std::string agent;
    std::string httpVersion = "1.1";
    std::string accept;
    std::string acceptLanguage;
    uint32_t timeoutSeconds = kHttpDefaultTimeoutSeconds;  // idle time-out: no byte for this long ends the transfer
    // The whole transfer: once this many seconds have passed (0: no limit) it ends as
    // failed, unless minAverageRate is set and the body has come at least that many bytes
    // a second on average since the start.
    uint32_t deadlineSeconds = 0;
    int64_t minAverageRate = 0;
    std::string proxyHost;
    std::string proxyPort;  // decimal text
    std::string proxyUser;
    std::string proxyPassword;
    ProxyAuthentication proxyAuth = ProxyAuthentication::None;
    int64_t maxBodySize = kSmallBodyLimit;
    // The body is appended here as it arrives; it belongs to the transfer until the
    // completion event (or Abort). May be null: the body is then counted and dropped.
    std::vector<uint8_t>* receiveStream = nullptr;
    DoneHandler onRequestDone;

    // Starts the GET and returns at once. False when a request is already running.
    bool GetAsync();
    // Abandons a running transfer: no event follows and the stream is left alone.
    void Abort();
    bool Busy() const { return running_ != nullptr; }

    // Readable at any time: the announced length of the final answer (-1 until known or
    // when none is announced) and the body bytes received so far.
    int64_t ContentLength() const;
    int64_t ReceivedCount() const;
    // After the event: the answer's status code (0 when none arrived), the reason text
    // (the status line's phrase, or the description of the failure) and the URL that answered.
    int StatusCode() const { return statusCode_; }
    const std::string& ReasonPhrase() const { return reason_; }
    const std::string& FinalUrl() const { return finalUrl_; }
    // A server certificate of the last request was accepted without an answer about its revocation.
    bool RevocationUnchecked() const { return revocationUnchecked_; }

    struct Transfer;  // shared with the worker thread

private:
    friend struct HttpNotifier;
    void Completed();

    std::shared_ptr<Transfer> running_;
    std::shared_ptr<Transfer> last_;
    int statusCode_ = 0;
    std::string reason_;
    std::string finalUrl_;
    bool revocationUnchecked_ = false;
    void* notifyWindow_ = nullptr;
};

// Tests shorten the idle time-out of every client with this; nullopt restores the clients' own.
void SetHttpIdleTimeoutForTest(std::optional<uint32_t> milliseconds);
// Tests make every start refuse with this, as a start that cannot make its worker thread does.
void SetHttpStartRefusedForTest(bool refused);
