#include "net/win32/tls_session.h"

#include <ws2tcpip.h>

#include "net/win32/openssl_api.h"
#include "net/win32/openssl_lib.h"
#include "net/win32/windows_trust.h"

TlsSession::~TlsSession() {
    if (ssl_) api_->SSL_free(ssl_);
    if (ctx_) api_->SSL_CTX_free(ctx_);
}

std::optional<TlsFailure> TlsSession::Connect(SOCKET socket, const std::string& host) {
    api_ = LoadOpenSsl();
    if (!api_) return TlsFailure{NetError::TlsUnavailable, {}};
    api_->ERR_clear_error();
    ctx_ = api_->SSL_CTX_new(api_->TLS_client_method());
    if (!ctx_) return TlsFailure{NetError::TlsFailed, "context"};
    api_->SSL_CTX_ctrl(ctx_, kSslCtrlSetMinProtoVersion, kTls12Version, nullptr);
    api_->SSL_CTX_set_verify(ctx_, kSslVerifyPeer, nullptr);
    api_->SSL_CTX_set_cert_verify_callback(ctx_, &TlsSession::VerifyWithWindows, this);
    ssl_ = api_->SSL_new(ctx_);
    if (!ssl_) return TlsFailure{NetError::TlsFailed, "session"};
    api_->SSL_set_fd(ssl_, static_cast<int>(socket));
    in6_addr addr6;
    in_addr addr4;
    const bool literal = inet_pton(AF_INET, host.c_str(), &addr4) == 1 || inet_pton(AF_INET6, host.c_str(), &addr6) == 1;
    // Without the name to check, any trusted certificate would do: that is a failure.
    host_ = literal ? std::string() : host;
    if (literal) {
        if (api_->X509_VERIFY_PARAM_set1_ip_asc(api_->SSL_get0_param(ssl_), host.c_str()) != 1)
            return TlsFailure{NetError::TlsFailed, "address check"};
    } else {
        // SNI carries names only, never addresses.
        api_->SSL_ctrl(ssl_, kSslCtrlSetTlsextHostname, 0, const_cast<char*>(host.c_str()));
        if (api_->SSL_set1_host(ssl_, host.c_str()) != 1) return TlsFailure{NetError::TlsFailed, "host name check"};
    }
    const int rc = api_->SSL_connect(ssl_);
    if (rc == 1) return std::nullopt;
    const long verify = api_->SSL_get_verify_result(ssl_);
    if (verify != kX509VerifyOk) {
        if (!trustFailure_.empty()) return TlsFailure{NetError::CertificateRejected, trustFailure_};
        const char* why = api_->X509_verify_cert_error_string(verify);
        return TlsFailure{NetError::CertificateRejected, why ? why : std::to_string(verify)};
    }
    if (auto timeout = TimedOut(api_->SSL_get_error(ssl_, rc))) return timeout;
    return TlsFailure{NetError::TlsFailed, LastSslError()};
}

int TlsSession::Write(const char* data, int size, TlsFailure& failure) {
    const int n = api_->SSL_write(ssl_, data, size);
    if (n > 0) return n;
    if (auto timeout = TimedOut(api_->SSL_get_error(ssl_, n))) failure = *timeout;
    else failure = {NetError::TlsFailed, LastSslError()};
    return -1;
}

int TlsSession::Read(char* buf, int size, TlsFailure& failure) {
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
        failure = {NetError::Truncated, "no TLS close_notify"};
        return -1;
    }
    failure = {NetError::TlsFailed, text};
    return -1;
}

std::optional<TlsFailure> TlsSession::TimedOut(int sslError) const {
    if ((sslError == kSslErrorSyscall && WSAGetLastError() == WSAETIMEDOUT) || sslError == kSslErrorWantRead)
        return TlsFailure{NetError::IdleTimeout, {}};
    return std::nullopt;
}

std::string TlsSession::LastSslError(unsigned long* lastCode) const {
    std::string text;
    while (const unsigned long e = api_->ERR_get_error()) {
        char buf[256];
        api_->ERR_error_string_n(e, buf, sizeof buf);
        text = buf;  // the last one is the closest to the cause
        if (lastCode) *lastCode = e;
    }
    return text.empty() ? "connection closed" : text;
}

std::vector<uint8_t> TlsSession::Der(x509_st* cert) const {
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
int TlsSession::VerifyWithWindows(x509_store_ctx_st* store, void* arg) {
    auto& self = *static_cast<TlsSession*>(arg);
    const OpenSslApi& api = *self.api_;
    std::vector<DerCertificate> sent{self.Der(api.X509_STORE_CTX_get0_cert(store))};
    if (const stack_st* more = api.X509_STORE_CTX_get0_untrusted(store))
        for (int i = 0; i < api.OPENSSL_sk_num(more); ++i)
            sent.push_back(self.Der(static_cast<x509_st*>(api.OPENSSL_sk_value(more, i))));
    ChainVerdict verdict = VerifyServerChain(sent, self.host_);
    self.revocationUnchecked_ = self.revocationUnchecked_ || verdict.revocationUnchecked;
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
