#include "net/url.h"

#include <gtest/gtest.h>

#include "net/http_settings.h"
#include "net/maker_server.h"

namespace {

TEST(Url, ParsesWhatTheTransportNeeds) {
    struct Case { std::string_view text; std::string_view host; uint16_t port; std::string_view target; std::string_view back; };
    const Case cases[] = {
        {"http://example.com", "example.com", 80, "/", "http://example.com/"},
        {"HTTPS://Host.example:8443/a/b?c=d#frag", "Host.example", 8443, "/a/b?c=d", "https://Host.example:8443/a/b?c=d"},
        {"https://127.0.0.1:443/x", "127.0.0.1", 443, "/x", "https://127.0.0.1/x"},
        {"http://[::1]:8080?q", "::1", 8080, "/?q", "http://[::1]:8080/?q"},
        {"http://user:pw@host/p", "host", 80, "/p", "http://host/p"},
        {"http://host/\xC3\xA9t\xC3\xA9", "host", 80, "/%C3%A9t%C3%A9", "http://host/%C3%A9t%C3%A9"},
    };
    for (const auto& c : cases) {
        const auto url = ParseUrl(c.text);
        ASSERT_TRUE(url) << c.text;
        EXPECT_EQ(url->host, c.host);
        EXPECT_EQ(url->port, c.port);
        EXPECT_EQ(url->target, c.target);
        EXPECT_EQ(url->Text(), c.back);
    }
    for (std::string_view bad : {"", "ftp://host/", "http://", "http:///path", "http://host:0/", "http://host:65536/",
                                 "http://host:8x/", "http://ho st/", "http://host/a b", "http://host/a\r\nX: y",
                                 "http://[::1/", "host/path", "http://host\x01/"})
        EXPECT_FALSE(ParseUrl(bad)) << bad;
}

TEST(Url, ShellSafeWebAddresses) {
    for (std::string_view good : {"https://help.example/wifi-service", "http://host:8080/a?b=c&d=%20#x"})
        EXPECT_TRUE(IsShellSafeWebAddress(good)) << good;
    for (std::string_view bad : {"https:", "https://", "https:// host/", "https://host/a b", "https://host/\"x",
                                 "https://host/'x'", "https://host/\tx", "https://host/x\x7F", "https://host/\xC3\xA9",
                                 "https://host\\share", "file:///C:/boot.ini", "C:\\Windows\\notepad.exe",
                                 "https://host/<script>", "mailto:a@b"})
        EXPECT_FALSE(IsShellSafeWebAddress(bad)) << bad;
}

TEST(Url, ResolvesRedirectTargets) {
    const Url base = *ParseUrl("https://host.example:8443/dir/sub/page?x=1");
    struct Case { std::string_view location; std::string_view result; };
    const Case cases[] = {
        {"http://other/abs", "http://other/abs"},
        {"//cdn.example/file", "https://cdn.example/file"},
        {"/root", "https://host.example:8443/root"},
        {"next", "https://host.example:8443/dir/sub/next"},
        {"../up/./file?y=2#f", "https://host.example:8443/dir/up/file?y=2"},
        {"../../../../top", "https://host.example:8443/top"},
        {"?only=query", "https://host.example:8443/dir/sub/page?only=query"},
        {"  spaced  ", "https://host.example:8443/dir/sub/spaced"},
        {"./", "https://host.example:8443/dir/sub/"},
    };
    for (const auto& c : cases) {
        const auto url = ResolveLocation(base, c.location);
        ASSERT_TRUE(url) << c.location;
        EXPECT_EQ(url->Text(), c.result) << c.location;
    }
    EXPECT_FALSE(ResolveLocation(base, "ftp://host/x"));
    EXPECT_FALSE(ResolveLocation(base, "javascript:alert(1)"));
    EXPECT_FALSE(ResolveLocation(base, "/a b"));
}

TEST(HttpSettings, HttpsIsNeverDowngradedAndHeaderLine) {
    EXPECT_EQ(AdjustUrlSchemeFor("https://h/p", true), "https://h/p");
    EXPECT_EQ(AdjustUrlSchemeFor("https://h/p", false), "");
    EXPECT_EQ(AdjustUrlSchemeFor("HTTPS://h/p", false), "");
    EXPECT_EQ(AdjustUrlSchemeFor("http://h/p", false), "http://h/p");
    EXPECT_EQ(OpenSslHeaderLine("Not Available"), "OpenSSL : Not Available");
    EXPECT_EQ(BasicCredentials("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BasicCredentials("", ""), "Og==");
    EXPECT_EQ(BasicCredentials("ab", ""), "YWI6");
}

TEST(MakerServer, EnvironmentReplacesTheHost) {
    std::optional<std::string> value;
    SetEnvironmentReader([&](const char* name) -> std::optional<std::string> {
        return std::string(name) == "VELLUMAR_SERVER" ? value : std::nullopt;
    });
    EXPECT_EQ(MakerServer(), VELLUMAR_MAKER_HOST);
    EXPECT_EQ(HintFileUrl(), std::string("https://") + VELLUMAR_MAKER_HOST + "/vellumar/vellumar.ini");
    value = "  ";
    EXPECT_EQ(MakerServer(), VELLUMAR_MAKER_HOST);
    value = "127.0.0.1:8080";
    EXPECT_EQ(HintFileUrl(), "https://127.0.0.1:8080/vellumar/vellumar.ini");
    EXPECT_EQ(MakerAddress("http", "/forum/"), "http://127.0.0.1:8080/forum/");
    SetEnvironmentReader(nullptr);
}

TEST(MakerServer, OnlyHttpsPagesOfTheMakerMayBeOpened) {
    const std::string host = VELLUMAR_MAKER_HOST;
    struct Case { std::string page; bool open; };
    const Case cases[] = {
        {"https://" + host + "/help/x?a=1", true},
        {"HTTPS://" + host + "/", true},
        {"http://" + host + "/help/x", false},
        {"https://" + host + ":8443/help/x", false},
        {"https://" + host + ".evil.example/", false},
        {"https://evil.example/" + host, false},
        {"https://user@evil.example/", false},
        {"https://evil.example@" + host + "/", false},
        {"https://" + host + "/a b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsMakerWebPage(c.page), c.open) << c.page;
}

}  // namespace
