#include "net/win32/http_custo.h"

#include "common/text.h"
#include "net/http_settings.h"
#include "net/net_error.h"
#include "net/win32/http_client.h"
#include "net/win32/openssl_lib.h"

bool IsSslAvailable() {
    try {
        if (!WindowsBeforeVista()) LoadOpenSsl();
    } catch (...) {
        // A failed attempt only leaves HTTPS unavailable.
    }
    return LoadedOpenSsl() != nullptr;
}

std::string GetOpenSslVersionText() {
    try {
        if (IsSslAvailable()) return LoadedOpenSslVersion();
    } catch (...) {
    }
    return std::string(kSslNotAvailable);
}

std::string OpenSslLogLine() { return OpenSslHeaderLine(GetOpenSslVersionText()); }

std::string AdjustUrlScheme(std::string_view url) {
    return AdjustUrlSchemeFor(url, IsSslAvailable());
}

void CustomizeHttpClient(HttpClient& client) {
    client.agent = kHttpUserAgent;
    client.httpVersion = kHttpVersion;
    client.accept = kHttpAccept;
    client.acceptLanguage = kHttpAcceptLanguage;
    client.timeoutSeconds = kHttpDefaultTimeoutSeconds;
    client.proxyAuth = ProxyAuthentication::Basic;
}

std::unique_ptr<HttpClient> NewProgramHttpClient(int64_t maxBodySize, const ProxySettings& proxy,
                                                 HttpClient::DoneHandler onDone) {
    auto client = std::make_unique<HttpClient>();
    CustomizeHttpClient(*client);
    client->timeoutSeconds = kHttpTransferTimeoutSeconds;
    client->deadlineSeconds = kHttpTransferDeadlineSeconds;
    client->maxBodySize = maxBodySize;
    client->onRequestDone = std::move(onDone);
    if (proxy.use) {
        client->proxyHost = proxy.host;
        client->proxyPort = std::to_string(proxy.port);
        client->proxyUser = proxy.user;
        client->proxyPassword = proxy.password;
    } else {
        client->proxyHost.clear();
        client->proxyPort.clear();
        client->proxyUser.clear();
        client->proxyPassword.clear();
    }
    return client;
}

std::unique_ptr<HttpClient> StartProgramFetch(const ProgramFetch& fetch, TRunLog* log, HttpClient::DoneHandler onDone) {
    const std::string who(fetch.who);
    try {
        const std::string url = AdjustUrlScheme(fetch.url);
        if (url.empty()) {
            LogAdd(log, who + " : No SSL / Not fetched", LogLevel::Error);
            return nullptr;
        }
        // An unanswered revocation check lets the fetch go on; the log says so.
        auto logged = [log, who, onDone = std::move(onDone)](HttpClient& sender, HttpRequestType type, int32_t error) {
            if (sender.RevocationUnchecked())
                LogAdd(log, who + " : Certificate revocation not checked (no revocation server answered)", LogLevel::Info);
            if (auto done = onDone) done(sender, type, error);
        };
        auto client = NewProgramHttpClient(fetch.maxBodySize, fetch.proxy, std::move(logged));
        client->url = url;
        client->receiveStream = fetch.stream;
        client->minAverageRate = fetch.minAverageRate;
        if (client->GetAsync()) return client;
    } catch (...) {
        // Reported below like a refused start.
    }
    LogAdd(log, who + " : " + NetErrorText(NetError::StartFailed), LogLevel::Error);
    return nullptr;
}
