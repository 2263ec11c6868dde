#pragma once
// The TLS client side of one connection: OpenSSL loaded at run time does the protocol,
// Windows decides whether the server's chain is trusted, and OpenSSL checks the host
// name (or address) once more.
#include <winsock2.h>

#include <optional>
#include <string>
#include <vector>

#include "net/net_error.h"

struct OpenSslApi;
struct ssl_st;
struct ssl_ctx_st;
struct x509_st;
struct x509_store_ctx_st;

// Why a TLS call did not succeed. IdleTimeout means the socket's time-out ran out; the
// connection decides whether that was the idle time or the transfer's end.
struct TlsFailure {
    NetError error = NetError::TlsFailed;
    std::string detail;
};

class TlsSession {
public:
    TlsSession() = default;
    ~TlsSession();  // no close_notify: the connection is dropped either way
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // The handshake over a connected socket; host is a name or an address literal.
    std::optional<TlsFailure> Connect(SOCKET socket, const std::string& host);
    bool Active() const { return ssl_ != nullptr; }
    // The server's chain was accepted without an answer about its revocation.
    bool RevocationUnchecked() const { return revocationUnchecked_; }

    // Bytes written (> 0), or -1 with failure set.
    int Write(const char* data, int size, TlsFailure& failure);
    // Bytes read (> 0), 0 when the server closed the session properly, or -1 with failure set.
    int Read(char* buf, int size, TlsFailure& failure);

private:
    std::optional<TlsFailure> TimedOut(int sslError) const;
    std::string LastSslError(unsigned long* lastCode = nullptr) const;
    std::vector<uint8_t> Der(x509_st* cert) const;
    static int VerifyWithWindows(x509_store_ctx_st* store, void* arg);

    const OpenSslApi* api_ = nullptr;
    ssl_ctx_st* ctx_ = nullptr;
    ssl_st* ssl_ = nullptr;
    std::string host_;          // the name Windows' policy checks; none for an address
    std::string trustFailure_;  // Windows' reason when it refused the chain
    bool revocationUnchecked_ = false;
};
