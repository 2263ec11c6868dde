#include "net/http_request.h"

#include "common/text.h"
#include "net/http_settings.h"

namespace {

std::string ProxyCredentialsLine(const HttpRequest& r) {
    if (r.proxyAuth != ProxyAuthentication::Basic || r.proxyUser.empty()) return {};
    return "Proxy-Authorization: Basic " + BasicCredentials(r.proxyUser, r.proxyPassword) + "\r\n";
}

}  // namespace

bool ViaProxy(const HttpRequest& r) { return !TrimText(r.proxyHost).empty(); }

HostPort ConnectTarget(const HttpRequest& r, const Url& url) {
    if (!ViaProxy(r)) return {url.host, std::to_string(url.port)};
    const std::string port = TrimText(r.proxyPort);
    return {TrimText(r.proxyHost), port.empty() ? "80" : port};
}

bool HasLineBreak(const HttpRequest& r) {
    for (const std::string* s : {&r.agent, &r.httpVersion, &r.accept, &r.acceptLanguage, &r.proxyUser, &r.proxyPassword})
        if (s->find_first_of("\r\n") != std::string::npos) return true;
    return false;
}

std::optional<std::string> GetRequestHead(const HttpRequest& r, const Url& url) {
    if (HasLineBreak(r)) return std::nullopt;
    const bool wholeUrl = ViaProxy(r) && !url.Secure();
    std::string head = "GET " + (wholeUrl ? url.Text() : url.target) + " HTTP/" +
                       (r.httpVersion.empty() ? "1.1" : r.httpVersion) + "\r\n";
    head += "Host: " + url.Authority() + "\r\n";
    if (!r.agent.empty()) head += "User-Agent: " + r.agent + "\r\n";
    if (!r.accept.empty()) head += "Accept: " + r.accept + "\r\n";
    if (!r.acceptLanguage.empty()) head += "Accept-Language: " + r.acceptLanguage + "\r\n";
    if (wholeUrl) head += ProxyCredentialsLine(r);
    head += "Connection: close\r\n\r\n";
    return head;
}

std::optional<std::string> ConnectRequestHead(const HttpRequest& r, const Url& url) {
    if (HasLineBreak(r)) return std::nullopt;
    // Always with the port, and an IPv6 address in brackets, as the authority form wants it.
    const std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    const std::string hostPort = host + ":" + std::to_string(url.port);
    return "CONNECT " + hostPort + " HTTP/1.1\r\nHost: " + hostPort + "\r\n" + ProxyCredentialsLine(r) + "\r\n";
}

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }
