#include "net/win32/http_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <new>
#include <stdexcept>
#include <mutex>
#include <string_view>
#include <thread>

#include "common/text.h"
#include "common/win32/unique.h"
#include "common/win32/private_messages.h"
#include "net/http_response.h"
#include "net/net_error.h"
#include "net/url.h"
#include "net/win32/openssl_api.h"
#include "net/win32/openssl_lib.h"
#include "net/win32/windows_trust.h"

namespace {

constexpr int kMaxRedirects = 5;
constexpr size_t kReadSize = 1024 * 1024;
// Room taken for an announced body before it arrives; beyond it the buffer grows with the data.
constexpr int64_t kUpfrontReserve = 8 * 1024 * 1024;

std::atomic<int64_t> gTimeoutOverrideMs{-1};
std::atomic<bool> gStartRefused{false};

struct AddrInfoTraits {
    using Handle = addrinfo*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { freeaddrinfo(h); }
};
using UniqueAddrInfo = Unique<AddrInfoTraits>;

struct Outcome {
    int32_t code = 0;
    std::string text;
};

Outcome Failure(NetError error, std::string detail = {}) {
    std::string text = NetErrorText(error);
    if (!detail.empty()) text += " (" + detail + ")";
    return {static_cast<int32_t>(error), text};
}

struct SocketErrorName { int code; std::string_view text; };
constexpr SocketErrorName kSocketErrors[] = {
    {WSAECONNREFUSED, "Connection refused"},   {WSAETIMEDOUT, "Connection timed out"},
    {WSAECONNRESET, "Connection reset"},       {WSAECONNABORTED, "Connection aborted"},
    {WSAENETUNREACH, "Network unreachable"},   {WSAEHOSTUNREACH, "Host unreachable"},
    {WSAENETDOWN, "Network is down"},          {WSAEADDRNOTAVAIL, "Address not available"},
};

Outcome SocketFailure(int code) {
    for (const auto& [c, text] : kSocketErrors)
        if (c == code) return {code, std::string(text)};
    return {code ? code : static_cast<int32_t>(NetError::Truncated), "Socket error " + std::to_string(code)};
}

void StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

// The request as the worker sees it: a copy taken when it starts.
struct Request {
    std::string url, agent, httpVersion, accept, acceptLanguage;
    std::string proxyHost, proxyPort, proxyUser, proxyPassword;
    ProxyAuthentication proxyAuth = ProxyAuthentication::None;
    uint32_t timeoutMs = 0;
    int64_t maxBody = 0;
    uint32_t deadlineMs = 0;
    int64_t minAverageRate = 0;
};

}  // namespace

struct HttpClient::Transfer {
    Request request;
    std::chrono::steady_clock::time_point started;
    HWND notify = nullptr;
    HttpClient* owner = nullptr;  // only touched on the owner's thread

    std::mutex mutex;  // guards the fields below against Abort on the owner's thread
    bool abandoned = false;
    SOCKET socket = INVALID_SOCKET;
    std::vector<uint8_t>* stream = nullptr;

    std::atomic<int64_t> contentLength{-1};
    std::atomic<int64_t> received{0};

    // Written by the worker before it posts the completion.
    Outcome outcome;
    int status = 0;
    std::string reason;
    std::string finalUrl;
};

namespace {

using Transfer = HttpClient::Transfer;

// One connection of a transfer: the socket, and the TLS session over it when there is one.
class Connection {
public:
    explicit Connection(Transfer& t) : t_(t) {}
    ~Connection() {
        if (ssl_) {
            api_->SSL_free(ssl_);  // no close_notify: the connection is dropped either way
            api_->SSL_CTX_free(ctx_);
        }
        std::lock_guard lock(t_.mutex);
        if (t_.socket != INVALID_SOCKET) closesocket(t_.socket);
        t_.socket = INVALID_SOCKET;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    std::optional<Outcome> Open(const std::string& host, const std::string& port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
            return Failure(NetError::NameLookup, host);
        const UniqueAddrInfo addresses(found);
        Outcome last = SocketFailure(WSAECONNREFUSED);
        for (const addrinfo* a = addresses.get(); a; a = a->ai_next) {
            auto result = Connect(a);
            if (!result) return std::nullopt;
            last = *result;
            if (Abandoned()) break;
        }
        return last;
    }

    std::optional<Outcome> StartTls(const std::string& host) {
        if (auto late = Arm()) return late;
        api_ = LoadOpenSsl();
        if (!api_) return Failure(NetError::TlsUnavailable);
        api_->ERR_clear_error();
        ctx_ = api_->SSL_CTX_new(api_->TLS_client_method());
        if (!ctx_) return Failure(NetError::TlsFailed, "context");
        api_->SSL_CTX_ctrl(ctx_, kSslCtrlSetMinProtoVersion, kTls12Version, nullptr);
        api_->SSL_CTX_set_verify(ctx_, kSslVerifyPeer, nullptr);
        api_->SSL_CTX_set_cert_verify_callback(ctx_, &Connection::VerifyWithWindows, this);
        ssl_ = api_->SSL_new(ctx_);
        if (!ssl_) {
            api_->SSL_CTX_free(ctx_);
            return Failure(NetError::TlsFailed, "session");
        }
        api_->SSL_set_fd(ssl_, static_cast<int>(socket_));
        in6_addr addr6;
        in_addr addr4;
        const bool literal = inet_pton(AF_INET, host.c_str(), &addr4) == 1 || inet_pton(AF_INET6, host.c_str(), &addr6) == 1;
        // Without the name to check, any trusted certificate would do: that is a failure.
        host_ = literal ? std::string() : host;
        if (literal) {
            if (api_->X509_VERIFY_PARAM_set1_ip_asc(api_->SSL_get0_param(ssl_), host.c_str()) != 1)
                return Failure(NetError::TlsFailed, "address check");
        } else {
            // SNI carries names only, never addresses.
            api_->SSL_ctrl(ssl_, kSslCtrlSetTlsextHostname, 0, const_cast<char*>(host.c_str()));
            if (api_->SSL_set1_host(ssl_, host.c_str()) != 1) return Failure(NetError::TlsFailed, "host name check");
        }
        const int rc = api_->SSL_connect(ssl_);
        if (rc == 1) return std::nullopt;
        const long verify = api_->SSL_get_verify_result(ssl_);
        if (verify != kX509VerifyOk) {
            if (!trustFailure_.empty()) return Failure(NetError::CertificateRejected, trustFailure_);
            const char* why = api_->X509_verify_cert_error_string(verify);
            return Failure(NetError::CertificateRejected, why ? why : std::to_string(verify));
        }
        if (const auto timeout = TimedOut(api_->SSL_get_error(ssl_, rc))) return timeout;
        return Failure(NetError::TlsFailed, LastSslError());
    }

    std::optional<Outcome> Send(std::string_view data) {
        while (!data.empty()) {
            if (auto late = Arm()) return late;
            int n;
            if (ssl_) {
                n = api_->SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
                if (n <= 0) {
                    if (auto timeout = TimedOut(api_->SSL_get_error(ssl_, n))) return timeout;
                    return Failure(NetError::TlsFailed, LastSslError());
                }
            } else {
                n = send(socket_, data.data(), static_cast<int>(data.size()), 0);
                if (n == SOCKET_ERROR) return SocketOrTimeout(WSAGetLastError());
            }
            data.remove_prefix(static_cast<size_t>(n));
        }
        return std::nullopt;
    }

    // > 0: bytes read; 0: the server closed the connection; < 0: failure in `failure`.
    int Receive(char* buf, int size, Outcome& failure) {
        if (auto late = Arm()) {
            failure = *late;
            return -1;
        }
        if (ssl_) {
            const int n = api_->SSL_read(ssl_, buf, size);
            if (n > 0) return n;
            const int err = api_->SSL_get_error(ssl_, n);
            if (err == kSslErrorZeroReturn) return 0;
            if (auto timeout = TimedOut(err)) {
                failure = *timeout;
                return -1;
            }
            // Without close_notify the end of a close-delimited body could be forged: a truncation.
            // OpenSSL 1.1.1 reports it as a system error without a code, 3.x with its own reason.
            unsigned long code = 0;
            const std::string text = LastSslError(&code);
            if ((err == kSslErrorSyscall && WSAGetLastError() == 0 && code == 0) ||
                (code & kErrReasonMask) == kSslReasonUnexpectedEof) {
                failure = Failure(NetError::Truncated, "no TLS close_notify");
                return -1;
            }
            failure = Failure(NetError::TlsFailed, text);
            return -1;
        }
        const int n = recv(socket_, buf, size, 0);
        if (n >= 0) return n;
        failure = SocketOrTimeout(WSAGetLastError());
        return -1;
    }

    bool Abandoned() {
        std::lock_guard lock(t_.mutex);
        return t_.abandoned;
    }

private:
    std::optional<Outcome> Connect(const addrinfo* a) {
        SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) return SocketFailure(WSAGetLastError());
        {
            std::lock_guard lock(t_.mutex);
            if (t_.socket != INVALID_SOCKET) closesocket(t_.socket);
            t_.socket = s;
            if (t_.abandoned) return Failure(NetError::Aborted);
        }
        socket_ = s;
        armedMs_ = 0;
        if (auto late = Arm()) return late;
        const DWORD ms = armedMs_;
        const BOOL noDelay = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);

        // Non-blocking connect so that the idle time-out bounds it too.
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == SOCKET_ERROR) {
            const int err = WSAGetLastError();
            if (err != WSAEWOULDBLOCK) return SocketFailure(err);
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval tv{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
            const int ready = select(0, nullptr, &writable, &failed, &tv);
            if (ready == 0) return NextWait() ? Failure(NetError::IdleTimeout, "connect") : TooSlow();
            int soError = 0;
            int len = sizeof soError;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
            if (ready == SOCKET_ERROR) return SocketFailure(WSAGetLastError());
            if (soError != 0 || FD_ISSET(s, &failed)) return SocketFailure(soError ? soError : WSAECONNREFUSED);
        }
        nonBlocking = 0;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        return std::nullopt;
    }

    Outcome SocketOrTimeout(int err) {
        if (err == WSAETIMEDOUT) return IdleTimeout();
        if (Abandoned()) return Failure(NetError::Aborted);
        return SocketFailure(err);
    }

    std::optional<Outcome> TimedOut(int sslError) {
        if (sslError == kSslErrorSyscall && WSAGetLastError() == WSAETIMEDOUT) return IdleTimeout();
        if (sslError == kSslErrorWantRead) return IdleTimeout();
        return std::nullopt;
    }

    Outcome IdleTimeout() {
        if (!NextWait()) return TooSlow();
        return Failure(NetError::IdleTimeout, std::to_string(t_.request.timeoutMs) + " ms without data");
    }

    Outcome TooSlow() {
        return Failure(NetError::TooSlow, std::to_string(t_.request.deadlineMs) + " ms limit");
    }

    // How long the next wait on the socket may last: the idle time-out, or less when the
    // transfer's end comes first; nullopt once it has come.
    std::optional<DWORD> NextWait() const {
        const Request& r = t_.request;
        if (r.deadlineMs == 0) return r.timeoutMs;
        const int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - t_.started).count();
        int64_t endMs = r.deadlineMs;
        if (r.minAverageRate > 0) endMs = std::max(endMs, t_.received.load() * 1000 / r.minAverageRate);
        if (elapsed >= endMs) return std::nullopt;
        return static_cast<DWORD>(std::min<int64_t>(r.timeoutMs, endMs - elapsed));
    }

    // Sets the socket's time-outs for the next wait; a failure once the transfer's time is up.
    std::optional<Outcome> Arm() {
        const auto wait = NextWait();
        if (!wait) return TooSlow();
        if (*wait != armedMs_ && socket_ != INVALID_SOCKET) {
            armedMs_ = *wait;
            setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&armedMs_), sizeof armedMs_);
            setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&armedMs_), sizeof armedMs_);
        }
        return std::nullopt;
    }

    std::string LastSslError(unsigned long* lastCode = nullptr) {
        std::string text;
        while (const unsigned long e = api_->ERR_get_error()) {
            char buf[256];
            api_->ERR_error_string_n(e, buf, sizeof buf);
            text = buf;  // the last one is the closest to the cause
            if (lastCode) *lastCode = e;
        }
        return text.empty() ? "connection closed" : text;
    }

    std::vector<uint8_t> Der(x509_st* cert) const {
        const int n = cert ? api_->i2d_X509(cert, nullptr) : 0;
        if (n <= 0) return {};
        std::vector<uint8_t> der(static_cast<size_t>(n));
        unsigned char* out = der.data();
        api_->i2d_X509(cert, &out);
        return der;
    }

    // Takes the place of OpenSSL's chain check: Windows decides whether the chain is
    // trusted; then OpenSSL checks the chain Windows built once more, its host name
    // check included, with that chain's issuers as its only trusted certificates.
    static int VerifyWithWindows(x509_store_ctx_st* store, void* arg) {
        auto& self = *static_cast<Connection*>(arg);
        const OpenSslApi& api = *self.api_;
        std::vector<DerCertificate> sent{self.Der(api.X509_STORE_CTX_get0_cert(store))};
        if (const stack_st* more = api.X509_STORE_CTX_get0_untrusted(store))
            for (int i = 0; i < api.OPENSSL_sk_num(more); ++i)
                sent.push_back(self.Der(static_cast<x509_st*>(api.OPENSSL_sk_value(more, i))));
        ChainVerdict verdict = VerifyServerChain(sent, self.host_);
        if (!verdict.trusted) {
            self.trustFailure_ = verdict.reason;
            api.X509_STORE_CTX_set_error(store, verdict.opensslError);
            return 0;
        }
        x509_store_st* anchors = api.X509_STORE_CTX_get0_store(store);
        for (const auto& der : verdict.issuers) {
            const unsigned char* in = der.data();
            if (x509_st* x = api.d2i_X509(nullptr, &in, static_cast<long>(der.size()))) {
                api.X509_STORE_add_cert(anchors, x);
                api.X509_free(x);
            }
        }
        return api.X509_verify_cert(store);
    }

    Transfer& t_;
    SOCKET socket_ = INVALID_SOCKET;
    DWORD armedMs_ = 0;
    const OpenSslApi* api_ = nullptr;
    ssl_ctx_st* ctx_ = nullptr;
    ssl_st* ssl_ = nullptr;
    std::string host_;  // the name Windows' policy checks; none for an address
    std::string trustFailure_;  // Windows' reason when it refused the chain
};

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

std::string RequestHead(const Request& r, const Url& url, bool viaProxy) {
    std::string head = "GET " + (viaProxy && !url.Secure() ? url.Text() : url.target) + " HTTP/" +
                       (r.httpVersion.empty() ? "1.1" : r.httpVersion) + "\r\n";
    head += "Host: " + url.Authority() + "\r\n";
    if (!r.agent.empty()) head += "User-Agent: " + r.agent + "\r\n";
    if (!r.accept.empty()) head += "Accept: " + r.accept + "\r\n";
    if (!r.acceptLanguage.empty()) head += "Accept-Language: " + r.acceptLanguage + "\r\n";
    if (viaProxy && !url.Secure() && r.proxyAuth == ProxyAuthentication::Basic && !r.proxyUser.empty())
        head += "Proxy-Authorization: Basic " + BasicCredentials(r.proxyUser, r.proxyPassword) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

// Header values come from the program, but a stray line break would forge headers.
bool HasLineBreak(const Request& r) {
    for (const std::string* s : {&r.agent, &r.httpVersion, &r.accept, &r.acceptLanguage, &r.proxyUser, &r.proxyPassword})
        if (s->find_first_of("\r\n") != std::string::npos) return true;
    return false;
}

std::optional<Outcome> OpenTunnel(Connection& conn, const Request& r, const Url& url) {
    std::string head = "CONNECT " + url.host + ":" + std::to_string(url.port) + " HTTP/1.1\r\nHost: " + url.host + ":" +
                       std::to_string(url.port) + "\r\n";
    if (r.proxyAuth == ProxyAuthentication::Basic && !r.proxyUser.empty())
        head += "Proxy-Authorization: Basic " + BasicCredentials(r.proxyUser, r.proxyPassword) + "\r\n";
    head += "\r\n";
    if (auto failed = conn.Send(head)) return failed;
    HttpResponseParser parser(0);
    // Byte by byte: whatever follows the proxy's head belongs to the TLS session.
    char c;
    Outcome failure;
    while (parser.state() == HttpResponseParser::State::Head) {
        const int n = conn.Receive(&c, 1, failure);
        if (n < 0) return failure;
        if (n == 0) parser.Finish();
        else parser.Feed(std::string_view(&c, 1), nullptr);
    }
    if (parser.state() == HttpResponseParser::State::Failed && parser.status() == 0)
        return Outcome{static_cast<int32_t>(parser.error()), parser.errorText()};
    if (parser.status() != 200)
        return Failure(NetError::ProxyFailed, std::to_string(parser.status()) + " " + parser.reason());
    return std::nullopt;
}

Outcome RunTransfer(Transfer& t) {
    const Request& r = t.request;
    auto url = ParseUrl(r.url);
    if (!url) return Failure(NetError::InvalidUrl, r.url);
    if (HasLineBreak(r)) return Failure(NetError::StartFailed, "line break in a header");
    const bool viaProxy = !TrimText(r.proxyHost).empty();
    std::vector<char> buf(kReadSize);

    for (int redirects = 0;; ++redirects) {
        Connection conn(t);
        const std::string host = viaProxy ? TrimText(r.proxyHost) : url->host;
        const std::string port = viaProxy ? TrimText(r.proxyPort) : std::to_string(url->port);
        if (auto failed = conn.Open(host, port.empty() ? "80" : port)) return *failed;
        if (url->Secure()) {
            if (viaProxy)
                if (auto failed = OpenTunnel(conn, r, *url)) return *failed;
            if (auto failed = conn.StartTls(url->host)) return *failed;
        }
        if (auto failed = conn.Send(RequestHead(r, *url, viaProxy))) return *failed;

        HttpResponseParser parser(r.maxBody);
        bool redirected = false;
        auto sink = [&t](std::string_view bytes) {
            std::lock_guard lock(t.mutex);
            if (t.abandoned) return;
            if (t.stream) {
                const auto* first = reinterpret_cast<const uint8_t*>(bytes.data());  // same type: a plain memcpy
                t.stream->insert(t.stream->end(), first, first + bytes.size());
            }
            t.received.fetch_add(static_cast<int64_t>(bytes.size()));
        };
        while (!redirected && (parser.state() == HttpResponseParser::State::Head ||
                               parser.state() == HttpResponseParser::State::Body)) {
            if (conn.Abandoned()) return Failure(NetError::Aborted);
            Outcome failure;
            const int n = conn.Receive(buf.data(), static_cast<int>(buf.size()), failure);
            if (n < 0) return failure;
            if (n == 0) {
                parser.Finish();
                break;
            }
            std::string_view data(buf.data(), static_cast<size_t>(n));
            while (!data.empty() && (parser.state() == HttpResponseParser::State::Head ||
                                     parser.state() == HttpResponseParser::State::Body)) {
                const bool inHead = parser.state() == HttpResponseParser::State::Head;
                data.remove_prefix(parser.Feed(data, sink));
                if (!inHead || parser.state() == HttpResponseParser::State::Head ||
                    parser.state() == HttpResponseParser::State::Failed)
                    continue;
                const std::string location = parser.Header("Location");
                if (IsRedirect(parser.status()) && !location.empty()) {
                    const auto next = ResolveLocation(*url, location);
                    if (!next) return Failure(NetError::BadResponse, "redirect to " + location);
                    if (url->Secure() && !next->Secure()) return Failure(NetError::InsecureRedirect, next->Text());
                    if (redirects == kMaxRedirects) return Failure(NetError::TooManyRedirects);
                    url = next;
                    redirected = true;
                    break;
                }
                t.contentLength = parser.contentLength();
                std::lock_guard lock(t.mutex);
                if (t.stream && parser.contentLength() > 0)
                    t.stream->reserve(t.stream->size() +
                                      static_cast<size_t>(std::min(parser.contentLength(), kUpfrontReserve)));
            }
        }
        if (redirected) continue;
        t.status = parser.status();
        t.reason = parser.reason();
        t.finalUrl = url->Text();
        if (parser.state() == HttpResponseParser::State::Failed)
            return Outcome{static_cast<int32_t>(parser.error()), parser.errorText()};
        return Outcome{0, parser.reason()};
    }
}

void Worker(std::shared_ptr<Transfer> t) {
    try {
        t->outcome = RunTransfer(*t);
    } catch (const std::bad_alloc&) {
        // A hostile length or a body that outgrows the address space ends this transfer only.
        t->outcome = Failure(NetError::OutOfMemory);
    } catch (const std::length_error&) {
        t->outcome = Failure(NetError::OutOfMemory);
    }
    {
        std::lock_guard lock(t->mutex);
        if (t->abandoned) return;
    }
    auto* message = new std::shared_ptr<Transfer>(t);
    if (!PostMessageW(t->notify, kTransferDoneMessage, 0, reinterpret_cast<LPARAM>(message))) delete message;
}

}  // namespace

// A message-only window per thread that creates clients: the workers post their
// completion to it, so the event runs in that thread's message loop.
struct HttpNotifier {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg != kTransferDoneMessage) return DefWindowProcW(hwnd, msg, wp, lp);
        std::unique_ptr<std::shared_ptr<Transfer>> message(reinterpret_cast<std::shared_ptr<Transfer>*>(lp));
        Transfer& t = **message;
        bool abandoned;
        {
            std::lock_guard lock(t.mutex);
            abandoned = t.abandoned;
        }
        if (!abandoned && t.owner) t.owner->Completed();
        return 0;
    }

    static HWND ForThisThread() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"VellumarHttpNotify";
            return RegisterClassW(&wc);
        }();
        thread_local HWND window = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(atom)), L"", 0, 0, 0,
                                                   0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
        return window;
    }
};

HttpClient::HttpClient() {
    StartWinsock();
    notifyWindow_ = HttpNotifier::ForThisThread();
}

HttpClient::~HttpClient() { Abort(); }

bool HttpClient::GetAsync() {
    if (running_ || !notifyWindow_ || gStartRefused) return false;
    auto t = std::make_shared<Transfer>();
    t->request = Request{url, agent, httpVersion, accept, acceptLanguage, proxyHost, proxyPort, proxyUser, proxyPassword,
                         proxyAuth, 0, maxBodySize, deadlineSeconds * 1000, minAverageRate};
    t->started = std::chrono::steady_clock::now();
    const int64_t overrideMs = gTimeoutOverrideMs.load();
    t->request.timeoutMs = overrideMs >= 0 ? static_cast<uint32_t>(overrideMs) : timeoutSeconds * 1000;
    if (t->request.timeoutMs == 0) t->request.timeoutMs = kHttpDefaultTimeoutSeconds * 1000;
    t->notify = static_cast<HWND>(notifyWindow_);
    t->owner = this;
    t->stream = receiveStream;
    statusCode_ = 0;
    reason_.clear();
    finalUrl_.clear();
    try {
        std::thread(Worker, t).detach();
    } catch (const std::system_error&) {
        return false;
    }
    running_ = t;
    last_ = t;
    return true;
}

void HttpClient::Abort() {
    if (!running_) return;
    {
        std::lock_guard lock(running_->mutex);
        running_->abandoned = true;
        running_->stream = nullptr;
        running_->owner = nullptr;
        // Wakes a worker blocked in recv; the worker closes the socket itself.
        if (running_->socket != INVALID_SOCKET) shutdown(running_->socket, SD_BOTH);
    }
    running_.reset();
}

int64_t HttpClient::ContentLength() const { return last_ ? last_->contentLength.load() : -1; }
int64_t HttpClient::ReceivedCount() const { return last_ ? last_->received.load() : 0; }

void HttpClient::Completed() {
    auto t = std::move(running_);
    statusCode_ = t->status;
    reason_ = t->outcome.code == 0 ? t->reason : t->outcome.text;
    finalUrl_ = t->finalUrl;
    // The handler may start another request or destroy this client: call a copy, touch nothing after.
    if (auto handler = onRequestDone) handler(*this, HttpRequestType::Get, t->outcome.code);
}

void SetHttpIdleTimeoutForTest(std::optional<uint32_t> milliseconds) {
    gTimeoutOverrideMs = milliseconds ? static_cast<int64_t>(*milliseconds) : -1;
}

void SetHttpStartRefusedForTest(bool refused) { gStartRefused = refused; }
