#include "net/win32/http_client.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>

#include "net/net_error.h"
#include "net/win32/http_custo.h"
#include "net/win32/openssl_api.h"
#include "net/win32/openssl_lib.h"
#include "support/win32/net_test_server.h"

namespace {

using net_test::PumpUntil;
using net_test::Url;

struct Result {
    bool done = false;
    int events = 0;
    int32_t error = -1;
    int status = 0;
    std::string reason;
    int64_t contentLength = 0;
    int64_t received = 0;
    bool revocationUnchecked = false;
    std::vector<uint8_t> body;
};

struct Options {
    int64_t maxBody = kSmallBodyLimit;
    uint32_t deadlineSeconds = 0;
    int64_t minAverageRate = 0;
    std::string proxyUser, proxyPassword;
    bool viaProxy = false;
};

Result Fetch(const std::string& url, const Options& o = {}) {
    Result r;
    HttpClient client;
    CustomizeHttpClient(client);
    client.url = url;
    client.maxBodySize = o.maxBody;
    client.deadlineSeconds = o.deadlineSeconds;
    client.minAverageRate = o.minAverageRate;
    client.receiveStream = &r.body;
    if (o.viaProxy) {
        client.proxyHost = "127.0.0.1";
        client.proxyPort = std::to_string(net_test::Port("proxy"));
        client.proxyUser = o.proxyUser;
        client.proxyPassword = o.proxyPassword;
    }
    client.onRequestDone = [&](HttpClient& sender, HttpRequestType type, int32_t error) {
        EXPECT_EQ(&sender, &client);
        EXPECT_EQ(type, HttpRequestType::Get);
        ++r.events;
        r.done = true;
        r.error = error;
        r.status = sender.StatusCode();
        r.reason = sender.ReasonPhrase();
        r.contentLength = sender.ContentLength();
        r.received = sender.ReceivedCount();
        r.revocationUnchecked = sender.RevocationUnchecked();
    };
    EXPECT_TRUE(client.GetAsync());
    EXPECT_TRUE(PumpUntil([&] { return r.done; })) << url;
    net_test::PumpFor(50);  // a second event would show here
    return r;
}

bool IsPattern(const std::vector<uint8_t>& body, size_t size) {
    if (body.size() != size) return false;
    for (size_t i = 0; i < size; ++i)
        if (body[i] != net_test::PatternByte(i)) return false;
    return true;
}

class HttpClientTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ca_ = new net_test::TrustedTestCa; }
    static void TearDownTestSuite() {
        delete ca_;
        ca_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(ca_->ok());
        ASSERT_TRUE(IsSslAvailable());
    }
    static net_test::TrustedTestCa* ca_;
};
net_test::TrustedTestCa* HttpClientTest::ca_ = nullptr;

TEST_F(HttpClientTest, BodiesArriveWhateverTheirFraming) {
    struct Case { std::string kind, path; size_t size; int64_t announced; };
    const Case cases[] = {
        {"http", "/len/40000", 40000, 40000},
        {"http", "/chunked/60000", 60000, -1},
        {"http", "/close/50000", 50000, -1},
        {"http", "/len/0", 0, 0},
        {"https", "/len/65536", 65536, 65536},
        {"https", "/chunked/30000", 30000, -1},
        {"https", "/close/30000", 30000, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind + c.path);
        const Result r = Fetch(Url(c.kind, c.path));
        EXPECT_EQ(r.events, 1);
        EXPECT_EQ(r.error, 0) << r.reason;
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.reason, "OK");
        EXPECT_EQ(r.contentLength, c.announced);
        EXPECT_EQ(r.received, static_cast<int64_t>(c.size));
        EXPECT_TRUE(IsPattern(r.body, c.size));
    }
}

TEST_F(HttpClientTest, AnErrorPageIsAnAnswer) {
    const Result r = Fetch(Url("http", "/status/404"));
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.reason, "Not Found");
    EXPECT_EQ(std::string(r.body.begin(), r.body.end()), "<html>not here</html>");
}

TEST_F(HttpClientTest, Redirects) {
    struct Case { std::string kind, path; int32_t error; std::string body; };
    const Case cases[] = {
        {"http", "/redirect/5", 0, "end of the chain"},
        {"https", "/redirect/5", 0, "end of the chain"},
        {"http", "/redirect/6", static_cast<int32_t>(NetError::TooManyRedirects), ""},
        {"http", "/relative/a/b", 0, "/relative/c/target?x=1"},
        {"https", "/to-http", static_cast<int32_t>(NetError::InsecureRedirect), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind + c.path);
        const Result r = Fetch(Url(c.kind, c.path));
        EXPECT_EQ(r.events, 1);
        EXPECT_EQ(r.error, c.error) << r.reason;
        EXPECT_EQ(std::string(r.body.begin(), r.body.end()), c.body);
        if (c.error) {
            EXPECT_EQ(r.reason.rfind(NetErrorText(static_cast<NetError>(c.error)), 0), 0u) << r.reason;
        }
    }
}

TEST_F(HttpClientTest, FailuresEndWithACodeAndAReason) {
    SetHttpIdleTimeoutForTest(400);
    struct Case { std::string url; int32_t error; std::string inReason; int64_t maxBody; };
    const Case cases[] = {
        {Url("http", "/stall"), static_cast<int32_t>(NetError::IdleTimeout), "400 ms", kSmallBodyLimit},
        {Url("https", "/stall"), static_cast<int32_t>(NetError::IdleTimeout), "400 ms", kSmallBodyLimit},
        {Url("https", "/abrupt/1000"), static_cast<int32_t>(NetError::Truncated), "", kSmallBodyLimit},
        {"http://127.0.0.1:" + std::to_string(net_test::ClosedPort()) + "/", 10061, "refused", kSmallBodyLimit},
        {"http://no-such-host.invalid/", static_cast<int32_t>(NetError::NameLookup), "no-such-host.invalid", kSmallBodyLimit},
        {"https://localhost:" + std::to_string(net_test::Port("https")) + "/len/10",
         static_cast<int32_t>(NetError::CertificateRejected), "mismatch", kSmallBodyLimit},
        {Url("https_self", "/len/10"), static_cast<int32_t>(NetError::CertificateRejected), "", kSmallBodyLimit},
        {Url("https_unknown", "/len/10"), static_cast<int32_t>(NetError::CertificateRejected), "unknown issuer", kSmallBodyLimit},
        {Url("https_expired", "/len/10"), static_cast<int32_t>(NetError::CertificateRejected), "expired", kSmallBodyLimit},
        {Url("http", "/hugeheader"), static_cast<int32_t>(NetError::HeaderLimit), "65536 bytes", kSmallBodyLimit},
        {Url("http", "/len/65537"), static_cast<int32_t>(NetError::BodyLimit), "65536 bytes", kSmallBodyLimit},
        {Url("http", "/chunked/200000"), static_cast<int32_t>(NetError::BodyLimit), "100000 bytes", 100000},
        {Url("https", "/close/100001"), static_cast<int32_t>(NetError::BodyLimit), "100000 bytes", 100000},
        {"ftp://127.0.0.1/", static_cast<int32_t>(NetError::InvalidUrl), "ftp", kSmallBodyLimit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        Options o;
        o.maxBody = c.maxBody;
        const Result r = Fetch(c.url, o);
        EXPECT_EQ(r.events, 1);
        EXPECT_EQ(r.error, c.error) << r.reason;
        EXPECT_NE(r.reason.find(c.inReason), std::string::npos) << r.reason;
        EXPECT_LE(static_cast<int64_t>(r.body.size()), c.maxBody);
    }
    SetHttpIdleTimeoutForTest(std::nullopt);
}

// The revocation list of the test CA, on the plain server, names one server certificate:
// that one is refused; one whose list cannot be fetched passes, marked unchecked.
TEST_F(HttpClientTest, RevokedCertificatesAreRefusedUnreachableListsAreNot) {
    const Result revoked = Fetch(Url("https_revoked", "/len/10"));
    EXPECT_EQ(revoked.error, static_cast<int32_t>(NetError::CertificateRejected)) << revoked.reason;
    EXPECT_NE(revoked.reason.find("revoked"), std::string::npos) << revoked.reason;
    EXPECT_TRUE(revoked.body.empty());

    const Result offline = Fetch(Url("https_offline", "/len/10"));
    EXPECT_EQ(offline.error, 0) << offline.reason;
    EXPECT_EQ(offline.body.size(), 10u);
    EXPECT_TRUE(offline.revocationUnchecked);
}

// A server that paces its bytes just inside the idle time-out cannot hold a transfer for
// ever, and a length no memory can hold ends the transfer, not the program.
TEST_F(HttpClientTest, HostileServersEndTheTransferOnly) {
    struct Case { std::string path; uint32_t deadlineSeconds; int64_t minAverageRate, maxBody; int32_t error; };
    const Case cases[] = {
        {"/drip/200", 1, 0, kSmallBodyLimit * 2, static_cast<int32_t>(NetError::TooSlow)},
        {"/drip/200", 1, 1000, kSmallBodyLimit * 2, static_cast<int32_t>(NetError::TooSlow)},
        {"/len/60000", 1, 1000, kSmallBodyLimit, 0},
        {"/hugelength", 0, 0, INT64_MAX, static_cast<int32_t>(NetError::Truncated)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Options o;
        o.deadlineSeconds = c.deadlineSeconds;
        o.minAverageRate = c.minAverageRate;
        o.maxBody = c.maxBody;
        const Result r = Fetch(Url("https", c.path), o);
        EXPECT_EQ(r.error, c.error) << r.reason;
    }
    // A handshake dripped a byte every half second: each receive gets its byte inside the
    // idle time-out, so only the transfer's own deadline can end it, inside the handshake.
    Options o;
    o.deadlineSeconds = 2;
    const auto start = std::chrono::steady_clock::now();
    const Result r = Fetch(Url("https_drip", "/"), o);
    EXPECT_EQ(r.error, static_cast<int32_t>(NetError::TooSlow)) << r.reason;
    // The server drips for a minute: ending long before shows the deadline did it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(HttpClientTest, ProxyWithBasicAuthentication) {
    // connect, denied and get counts of the proxy, which lives as long as the server.
    auto stats = [] {
        const Result r = Fetch(Url("proxy", "/stats"));
        std::array<int, 3> n{};
        sscanf(std::string(r.body.begin(), r.body.end()).c_str(), "connect=%d denied=%d get=%d", &n[0], &n[1], &n[2]);
        return n;
    };
    const auto before = stats();
    auto since = [&] {
        auto now = stats();
        for (size_t i = 0; i < 3; ++i) now[i] -= before[i];
        return now;
    };
    Options good;
    good.viaProxy = true;
    good.proxyUser = "user";
    good.proxyPassword = "secret";
    Options bad = good;
    bad.proxyPassword = "wrong";

    const Result plain = Fetch(Url("http", "/echo"), good);
    EXPECT_EQ(plain.error, 0) << plain.reason;
    EXPECT_EQ(plain.status, 200);
    const Result tunnelled = Fetch(Url("https", "/len/1000"), good);
    EXPECT_EQ(tunnelled.error, 0) << tunnelled.reason;
    EXPECT_TRUE(IsPattern(tunnelled.body, 1000));
    EXPECT_EQ(since(), (std::array<int, 3>{1, 0, 1}));

    const Result refusedPlain = Fetch(Url("http", "/len/10"), bad);
    EXPECT_EQ(refusedPlain.error, 0);  // the proxy answered
    EXPECT_EQ(refusedPlain.status, 407);
    const Result refusedTunnel = Fetch(Url("https", "/len/10"), bad);
    EXPECT_EQ(refusedTunnel.error, static_cast<int32_t>(NetError::ProxyFailed));
    EXPECT_NE(refusedTunnel.reason.find("407"), std::string::npos) << refusedTunnel.reason;
    EXPECT_EQ(since(), (std::array<int, 3>{1, 2, 1}));
}

TEST_F(HttpClientTest, SendsTheCommonHeaders) {
    const Result r = Fetch(Url("http", "/echo?a=1"));
    const std::string head(r.body.begin(), r.body.end());
    EXPECT_EQ(head.rfind("GET /echo?a=1 HTTP/1.1\r\n", 0), 0u) << head;
    for (const std::string& line : std::vector<std::string>{"User-Agent: Mozilla/5.0",
                                   "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8",
                                   "Accept-Language: fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3",
                                   "Host: 127.0.0.1:" + std::to_string(net_test::Port("http"))})
        EXPECT_NE(head.find("\r\n" + line + "\r\n"), std::string::npos) << line;
}

// OpenSSL refusing to take the name or address to check must end the connection, not
// leave it without the check.
TEST_F(HttpClientTest, AFailedNameCheckSetupFailsTheConnection) {
    OpenSslApi original{};
    ASSERT_TRUE(PatchOpenSslForTest([&](OpenSslApi& api) {
        original = api;
        api.SSL_set1_host = [](ssl_st*, const char*) { return 0; };
        api.X509_VERIFY_PARAM_set1_ip_asc = [](X509_VERIFY_PARAM_st*, const char*) { return 0; };
    }));
    struct Restore {
        const OpenSslApi& original;
        ~Restore() {
            PatchOpenSslForTest([&](OpenSslApi& api) {
                api.SSL_set1_host = original.SSL_set1_host;
                api.X509_VERIFY_PARAM_set1_ip_asc = original.X509_VERIFY_PARAM_set1_ip_asc;
            });
        }
    } restore{original};
    struct Case { std::string url; std::string reason; };
    const Case cases[] = {
        {"https://localhost:" + std::to_string(net_test::Port("https")) + "/len/10", "host name check"},
        {Url("https", "/len/10"), "address check"},  // 127.0.0.1
    };
    for (const auto& c : cases) {
        const Result r = Fetch(c.url);
        EXPECT_EQ(r.error, static_cast<int32_t>(NetError::TlsFailed)) << c.url << ": " << r.reason;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.body.empty());
    }
}

TEST_F(HttpClientTest, AbandonedTransfersRaiseNoEvent) {
    std::vector<uint8_t> body;
    int events = 0;
    {
        HttpClient client;
        client.url = Url("http", "/stall");
        client.receiveStream = &body;
        client.onRequestDone = [&](HttpClient&, HttpRequestType, int32_t) { ++events; };
        ASSERT_TRUE(client.GetAsync());
        EXPECT_FALSE(client.GetAsync());  // one request at a time
        net_test::PumpFor(200);
        client.Abort();
        EXPECT_FALSE(client.Busy());

        // The same client can start again after an abort.
        client.url = Url("http", "/len/10");
        bool done = false;
        client.onRequestDone = [&](HttpClient&, HttpRequestType, int32_t error) {
            EXPECT_EQ(error, 0);
            done = true;
        };
        ASSERT_TRUE(client.GetAsync());
        EXPECT_TRUE(PumpUntil([&] { return done; }));
        EXPECT_TRUE(IsPattern(body, 10));

        client.url = Url("http", "/stall");
        ASSERT_TRUE(client.GetAsync());
        net_test::PumpFor(100);
    }  // destroyed while running
    net_test::PumpFor(500);
    EXPECT_EQ(events, 0);
}

TEST(OpenSsl, VersionTextAndNoSchemeFallback) {
    ASSERT_TRUE(IsSslAvailable());
    EXPECT_EQ(GetOpenSslVersionText().rfind("OpenSSL 3.", 0), 0u) << GetOpenSslVersionText();
    EXPECT_EQ(AdjustUrlScheme("HTTPS://h/p"), "HTTPS://h/p");

    // No library where we look: https is never downgraded, and a client asked for https says why it cannot.
    SetOpenSslFoldersForTest({L"C:\\no-such-folder"});
    UnloadOpenSslForTest();
    EXPECT_FALSE(IsSslAvailable());
    EXPECT_EQ(GetOpenSslVersionText(), "Not Available");
    EXPECT_EQ(AdjustUrlScheme("HTTPS://h/p"), "");
    const Result r = Fetch(Url("https", "/len/10"));
    EXPECT_EQ(r.error, static_cast<int32_t>(NetError::TlsUnavailable));

    // Never loaded before Vista, even where the library is.
    SetOpenSslFoldersForTest({});
    SetWindowsBeforeVistaCheck([] { return true; });
    EXPECT_FALSE(IsSslAvailable());
    SetWindowsBeforeVistaCheck(nullptr);
    EXPECT_TRUE(IsSslAvailable());
}

}  // namespace
