#include "net/http_request.h"

#include <gtest/gtest.h>

#include "net/http_settings.h"

namespace {

HttpRequest Common() {
    HttpRequest r;
    r.agent = std::string(kHttpUserAgent);
    r.accept = "text/html";
    r.acceptLanguage = "fr";
    return r;
}

Url Parsed(std::string_view text) {
    auto url = ParseUrl(text);
    EXPECT_TRUE(url) << text;
    return url.value_or(Url{});
}

TEST(HttpRequest, GetHeads) {
    HttpRequest proxied = Common();
    proxied.proxyHost = " proxy.lan ";
    proxied.proxyUser = "user";
    proxied.proxyPassword = "secret";
    proxied.proxyAuth = ProxyAuthentication::Basic;
    HttpRequest bare;
    bare.httpVersion = "1.0";
    const std::string common = "User-Agent: Mozilla/5.0\r\nAccept: text/html\r\nAccept-Language: fr\r\n";
    struct Case { const HttpRequest* request; std::string_view url; std::string want; };
    const Case cases[] = {
        {nullptr, "http://example.com/a?b=c#frag",
         "GET /a?b=c HTTP/1.1\r\nHost: example.com\r\n" + common + "Connection: close\r\n\r\n"},
        {nullptr, "https://example.com:8443/",
         "GET / HTTP/1.1\r\nHost: example.com:8443\r\n" + common + "Connection: close\r\n\r\n"},
        {nullptr, "http://[::1]:8080/x", "GET /x HTTP/1.1\r\nHost: [::1]:8080\r\n" + common + "Connection: close\r\n\r\n"},
        {nullptr, "https://127.0.0.1:443/", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n" + common + "Connection: close\r\n\r\n"},
        // A plain URL through a proxy is asked for whole, with the proxy's credentials.
        {&proxied, "http://example.com:81/p",
         "GET http://example.com:81/p HTTP/1.1\r\nHost: example.com:81\r\n" + common +
             "Proxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\nConnection: close\r\n\r\n"},
        // Through the tunnel the proxy sees nothing of the request.
        {&proxied, "https://example.com/p", "GET /p HTTP/1.1\r\nHost: example.com\r\n" + common + "Connection: close\r\n\r\n"},
        {&bare, "http://example.com/", "GET / HTTP/1.0\r\nHost: example.com\r\nConnection: close\r\n\r\n"},
    };
    const HttpRequest plain = Common();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(GetRequestHead(c.request ? *c.request : plain, Parsed(c.url)), c.want);
    }
}

TEST(HttpRequest, ConnectHeadsAndTargets) {
    HttpRequest r = Common();
    r.proxyHost = "proxy.lan";
    EXPECT_EQ(ConnectRequestHead(r, Parsed("https://example.com/p")),
              "CONNECT example.com:443 HTTP/1.1\r\nHost: example.com:443\r\n\r\n");
    EXPECT_EQ(ConnectRequestHead(r, Parsed("https://[2001:db8::1]:8443/")),
              "CONNECT [2001:db8::1]:8443 HTTP/1.1\r\nHost: [2001:db8::1]:8443\r\n\r\n");
    r.proxyUser = "user";
    r.proxyPassword = "secret";
    EXPECT_EQ(ConnectRequestHead(r, Parsed("https://example.com/p")),  // credentials only when Basic is chosen
              "CONNECT example.com:443 HTTP/1.1\r\nHost: example.com:443\r\n\r\n");
    r.proxyAuth = ProxyAuthentication::Basic;
    EXPECT_EQ(ConnectRequestHead(r, Parsed("https://example.com/p")),
              "CONNECT example.com:443 HTTP/1.1\r\nHost: example.com:443\r\n"
              "Proxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n\r\n");

    struct Target { std::string_view proxyHost, proxyPort, url; bool via; std::string_view host, port; };
    const Target targets[] = {
        {"", "", "http://example.com:8080/", false, "example.com", "8080"},
        {"  ", "3128", "https://example.com/", false, "example.com", "443"},
        {" proxy.lan ", " 3128 ", "https://example.com/", true, "proxy.lan", "3128"},
        {"proxy.lan", "", "http://example.com/", true, "proxy.lan", "80"},
    };
    for (const auto& t : targets) {
        HttpRequest q;
        q.proxyHost = std::string(t.proxyHost);
        q.proxyPort = std::string(t.proxyPort);
        const HostPort got = ConnectTarget(q, Parsed(t.url));
        EXPECT_EQ(got.host, t.host) << t.url;
        EXPECT_EQ(got.port, t.port) << t.url;
        EXPECT_EQ(ViaProxy(q), t.via) << t.url;
    }
}

// No field can add a header line or a second request.
TEST(HttpRequest, LineBreaksInFieldsSendNothing) {
    std::string HttpRequest::*fields[] = {&HttpRequest::agent,     &HttpRequest::httpVersion, &HttpRequest::accept,
                                          &HttpRequest::acceptLanguage, &HttpRequest::proxyUser, &HttpRequest::proxyPassword};
    const Url url = Parsed("https://example.com/");
    for (auto field : fields) {
        for (std::string_view evil : {"x\r\nX-Evil: 1", "x\nX-Evil: 1", "x\r"}) {
            HttpRequest r = Common();
            r.proxyHost = "proxy.lan";
            r.proxyUser = "user";
            r.proxyAuth = ProxyAuthentication::Basic;
            EXPECT_FALSE(HasLineBreak(r));
            r.*field = std::string(evil);
            EXPECT_TRUE(HasLineBreak(r));
            EXPECT_EQ(GetRequestHead(r, url), std::nullopt);
            EXPECT_EQ(ConnectRequestHead(r, url), std::nullopt);
        }
    }
    // The URL's parts cannot carry one either: such a URL is refused before any head is made.
    for (std::string_view bad : {"http://host/a\r\nX-Evil: 1", "http://host/a\nb", "http://ho\rst/", "http://host:80\r\n/"})
        EXPECT_FALSE(ParseUrl(bad)) << bad;
}

TEST(HttpRequest, Redirects) {
    for (int status : {301, 302, 303, 307, 308}) EXPECT_TRUE(IsRedirect(status)) << status;
    for (int status : {200, 300, 304, 305, 306, 309, 400}) EXPECT_FALSE(IsRedirect(status)) << status;
}

}  // namespace
