#pragma once
// The head of an HTTP/1.1 request as the transport sends it: the GET, straight to the
// server or through a proxy, and the CONNECT that opens a tunnel through a proxy for
// HTTPS. Pure text, so every line is checked on any host.
#include <optional>
#include <string>

#include "net/url.h"

enum class ProxyAuthentication { None, Basic };

// What one GET asks for. Empty header fields are left out of the head.
struct HttpRequest {
    std::string url;
    std::string agent, httpVersion, accept, acceptLanguage;  // an empty version sends 1.1
    std::string proxyHost, proxyPort, proxyUser, proxyPassword;
    ProxyAuthentication proxyAuth = ProxyAuthentication::None;
};

// A proxy host other than blanks sends the request through the proxy.
bool ViaProxy(const HttpRequest& r);

// Where the connection goes: the proxy or the URL's server; port 80 when the proxy's is blank.
struct HostPort {
    std::string host, port;
};
HostPort ConnectTarget(const HttpRequest& r, const Url& url);

// Header values come from the program, but a stray line break would forge headers or a
// second request. Such a request is never sent: the heads below are then nullopt.
bool HasLineBreak(const HttpRequest& r);

// The GET head, "Connection: close" and the empty line included. Through a proxy a plain
// http URL is asked for whole (with the proxy's credentials); an https one goes through
// the tunnel and asks for the path only.
std::optional<std::string> GetRequestHead(const HttpRequest& r, const Url& url);
// The CONNECT head for url's host and port, with the proxy's credentials.
std::optional<std::string> ConnectRequestHead(const HttpRequest& r, const Url& url);

// 301, 302, 303, 307 and 308: the answer names the next URL in its Location header.
bool IsRedirect(int status);
