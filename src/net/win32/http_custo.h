#pragma once
// What every HTTP request of the program shares: whether TLS can be used (an https
// address is never fetched without it), the TLS library's version text for the log
// header, and the common client settings.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/run_log.h"
#include "net/http_settings.h"
#include "net/win32/http_client.h"

// Whether HTTPS can be used now. Loads the TLS library on first need (never on Windows
// before Vista); while loading has not succeeded, every call tries again.
bool IsSslAvailable();
// "Not Available", or OpenSSL's own version text when IsSslAvailable is true.
std::string GetOpenSslVersionText();
// The URL unchanged, or "" when it is https (any case) and TLS is not available: never downgraded.
std::string AdjustUrlScheme(std::string_view url);
// The log header line: "OpenSSL : " + GetOpenSslVersionText().
std::string OpenSslLogLine();
// Agent, HTTP version, Accept, Accept-Language, 3-second time-out and Basic proxy authentication.
void CustomizeHttpClient(HttpClient& client);

// A client as every fetch of the program starts one: customised, the transfer time-out,
// the caller's body limit and proxy, and its completion handler.
std::unique_ptr<HttpClient> NewProgramHttpClient(int64_t maxBodySize, const ProxySettings& proxy,
                                                 HttpClient::DoneHandler onDone);

// Starts a fetch as every fetcher of the program does: NewProgramHttpClient, the URL
// (an https one without TLS is not fetched: logged as "<who> : No SSL / Not fetched")
// and the stream for the body. A request that cannot start is logged as an
// error and gives null; the caller then ends its fetch itself, so that nothing waits
// for an event that will not come.
struct ProgramFetch {
    std::string_view who;  // the fetcher's name in the log
    std::string url;
    int64_t maxBodySize = 0;
    ProxySettings proxy;
    std::vector<uint8_t>* stream = nullptr;
    int64_t minAverageRate = 0;  // after the transfer deadline, see HttpClient
};
std::unique_ptr<HttpClient> StartProgramFetch(const ProgramFetch& fetch, TRunLog* log, HttpClient::DoneHandler onDone);
