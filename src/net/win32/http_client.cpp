#include "net/win32/http_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <new>
#include <stdexcept>
#include <mutex>
#include <string_view>
#include <thread>

#include "common/win32/unique.h"
#include "common/win32/private_messages.h"
#include "net/http_response.h"
#include "net/net_error.h"
#include "net/url.h"
#include "net/win32/tls_session.h"

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

Outcome LineBreakFailure() { return Failure(NetError::StartFailed, "line break in a header"); }

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
struct Request : HttpRequest {
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
    // The watchdog ends a transfer at its end time whatever it is doing: a single TLS
    // handshake or read, made of many receives, is not bounded by the socket's time-out.
    bool finished = false;
    bool timeUp = false;
    std::condition_variable finishedChanged;

    std::atomic<int64_t> contentLength{-1};
    std::atomic<int64_t> received{0};

    // Written by the worker before it posts the completion.
    Outcome outcome;
    int status = 0;
    std::string reason;
    std::string finalUrl;
    bool revocationUnchecked = false;
};

namespace {

using Transfer = HttpClient::Transfer;

// Milliseconds from the start that the transfer may take: the deadline, stretched while
// the bytes come at least at the least average rate; none without a deadline.
std::optional<int64_t> EndMs(const Transfer& t) {
    const Request& r = t.request;
    if (r.deadlineMs == 0) return std::nullopt;
    int64_t endMs = r.deadlineMs;
    if (r.minAverageRate > 0) endMs = std::max(endMs, t.received.load() * 1000 / r.minAverageRate);
    return endMs;
}

// One connection of a transfer: the socket, and the TLS session over it when there is one.
class Connection {
public:
    explicit Connection(Transfer& t) : t_(t) {}
    ~Connection() {
        tls_.reset();  // before its socket
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
        tls_ = std::make_unique<TlsSession>();
        auto failed = tls_->Connect(socket_, host);
        if (tls_->RevocationUnchecked()) t_.revocationUnchecked = true;
        if (failed) return FromTls(*failed);
        return std::nullopt;
    }

    std::optional<Outcome> Send(std::string_view data) {
        while (!data.empty()) {
            if (auto late = Arm()) return late;
            int n;
            if (tls_) {
                TlsFailure failure;
                n = tls_->Write(data.data(), static_cast<int>(data.size()), failure);
                if (n < 0) return FromTls(failure);
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
        if (tls_) {
            TlsFailure tlsFailure;
            const int n = tls_->Read(buf, size, tlsFailure);
            if (n < 0) failure = FromTls(tlsFailure);
            return n;
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
            if (t_.timeUp) return TooSlow();
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

    Outcome FromTls(const TlsFailure& failure) {
        return failure.error == NetError::IdleTimeout ? IdleTimeout() : Failure(failure.error, failure.detail);
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
        const std::optional<int64_t> endMs = EndMs(t_);
        if (!endMs) return r.timeoutMs;
        const int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - t_.started).count();
        if (elapsed >= *endMs) return std::nullopt;
        return static_cast<DWORD>(std::min<int64_t>(r.timeoutMs, *endMs - elapsed));
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

    Transfer& t_;
    SOCKET socket_ = INVALID_SOCKET;
    DWORD armedMs_ = 0;
    std::unique_ptr<TlsSession> tls_;
};

std::optional<Outcome> OpenTunnel(Connection& conn, const Request& r, const Url& url) {
    const auto head = ConnectRequestHead(r, url);
    if (!head) return LineBreakFailure();
    if (auto failed = conn.Send(*head)) return failed;
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
    if (HasLineBreak(r)) return LineBreakFailure();
    const bool viaProxy = ViaProxy(r);
    std::vector<char> buf(kReadSize);

    for (int redirects = 0;; ++redirects) {
        Connection conn(t);
        const HostPort target = ConnectTarget(r, *url);
        if (auto failed = conn.Open(target.host, target.port)) return *failed;
        if (url->Secure()) {
            if (viaProxy)
                if (auto failed = OpenTunnel(conn, r, *url)) return *failed;
            if (auto failed = conn.StartTls(url->host)) return *failed;
        }
        const auto head = GetRequestHead(r, *url);
        if (!head) return LineBreakFailure();
        if (auto failed = conn.Send(*head)) return *failed;

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

// Waits for the transfer's end time, moved on as the bytes come; if the transfer is still
// running then, shuts its socket down as Abort does, so that whatever call it is in returns.
void Watch(std::shared_ptr<Transfer> t) {
    std::unique_lock lock(t->mutex);
    for (;;) {
        const std::optional<int64_t> endMs = EndMs(*t);
        if (!endMs) return;
        const auto end = t->started + std::chrono::milliseconds(*endMs);
        if (t->finishedChanged.wait_until(lock, end, [&] { return t->finished || t->abandoned; })) return;
        if (std::chrono::steady_clock::now() < t->started + std::chrono::milliseconds(EndMs(*t).value_or(0))) continue;
        t->timeUp = true;
        if (t->socket != INVALID_SOCKET) shutdown(t->socket, SD_BOTH);
        return;
    }
}

void Worker(std::shared_ptr<Transfer> t) {
    std::thread watchdog;
    if (t->request.deadlineMs) {
        try {
            watchdog = std::thread(Watch, t);
        } catch (const std::system_error&) {
            // Without a watchdog the socket's time-outs still bound each wait.
        }
    }
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
        t->finished = true;
        // Whatever the call that the watchdog cut short made of it, the time was up.
        if (t->timeUp && t->outcome.code != 0)
            t->outcome = Failure(NetError::TooSlow, std::to_string(t->request.deadlineMs) + " ms limit");
    }
    t->finishedChanged.notify_all();
    if (watchdog.joinable()) watchdog.join();
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
    t->request = Request{{url, agent, httpVersion, accept, acceptLanguage, proxyHost, proxyPort, proxyUser, proxyPassword,
                          proxyAuth},
                         0, maxBodySize, deadlineSeconds * 1000, minAverageRate};
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
    revocationUnchecked_ = false;
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
    running_->finishedChanged.notify_all();
    running_.reset();
}

int64_t HttpClient::ContentLength() const { return last_ ? last_->contentLength.load() : -1; }
int64_t HttpClient::ReceivedCount() const { return last_ ? last_->received.load() : 0; }

void HttpClient::Completed() {
    auto t = std::move(running_);
    statusCode_ = t->status;
    reason_ = t->outcome.code == 0 ? t->reason : t->outcome.text;
    finalUrl_ = t->finalUrl;
    revocationUnchecked_ = t->revocationUnchecked;
    // The handler may start another request or destroy this client: call a copy, touch nothing after.
    if (auto handler = onRequestDone) handler(*this, HttpRequestType::Get, t->outcome.code);
}

void SetHttpIdleTimeoutForTest(std::optional<uint32_t> milliseconds) {
    gTimeoutOverrideMs = milliseconds ? static_cast<int64_t>(*milliseconds) : -1;
}

void SetHttpStartRefusedForTest(bool refused) { gStartRefused = refused; }
