#pragma once
// The update checker: identifies a program file, asks the maker's server for the newest
// version of its product with one asynchronous GET over https (without TLS there is no
// check, logged once), compares, sets NewVersion and ValidAnswer and raises OnDone,
// after failures too. Everything runs on the thread that
// calls Check (the GUI thread).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/run_log.h"
#include "net/http_settings.h"
#include "net/win32/http_client.h"
#include "update/version.h"

class TRenselLite {
public:
    using NotifyEvent = std::function<void(TRenselLite& sender)>;

    TRenselLite(TRunLog* log, std::string title);
    ~TRenselLite();  // a running request is abandoned without events
    TRenselLite(const TRenselLite&) = delete;
    TRenselLite& operator=(const TRenselLite&) = delete;

    // Starts one check of fileName and returns at once. Callers test Busy first: a
    // second call abandons the running request without an event for it.
    void Check(const std::string& fileName, NotifyEvent onDone);
    bool Busy() const { return busy_; }
    bool NewVersion() const { return newVersion_; }
    bool ValidAnswer() const { return validAnswer_; }
    // The version the last answer announced, and the running one it was compared with.
    const TRenselVersion& AnnouncedVersion() const { return announced_; }
    TRenselVersion LocalVersion() const { return TRenselVersion::CreateFromMSLS(LocalVersionMS, LocalVersionLS); }
    // The address of the last check's request (tests and the log).
    const std::string& RequestUrl() const { return url_; }
    // The transport's completion handler.
    void RequestDone(HttpClient& sender, HttpRequestType requestType, int32_t errorCode);

private:
    uint32_t StartTick = 0;
    TRunLog* Log;  // not owned, may be null
    bool busy_ = false;
    NotifyEvent OnDone;
    uint32_t LocalVersionMS = 0;
    uint32_t LocalVersionLS = 0;
    std::string Title;
    std::vector<uint8_t> Answer;
    std::unique_ptr<HttpClient> Client;
    // No operation turns the proxy on: every check goes direct.
    ProxySettings Proxy;
    bool newVersion_ = false;
    bool validAnswer_ = false;
    bool sslOffLogged_ = false;
    TRenselVersion announced_;
    std::string url_;
};
