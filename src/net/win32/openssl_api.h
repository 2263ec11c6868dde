#pragma once
// The OpenSSL entry points the transport uses, bound by name at run time. The types
// are opaque to us, so they are declared here instead of including OpenSSL's headers.
#include <cstddef>

struct ssl_st;
struct ssl_ctx_st;
struct ssl_method_st;
struct x509_st;
struct x509_store_st;
struct X509_VERIFY_PARAM_st;

struct OpenSslApi {
    unsigned long (*OpenSSL_version_num)();
    const char* (*OpenSSL_version)(int type);
    int (*X509_STORE_add_cert)(x509_store_st* store, x509_st* cert);
    x509_st* (*d2i_X509)(x509_st** out, const unsigned char** in, long length);
    void (*X509_free)(x509_st* cert);
    int (*X509_VERIFY_PARAM_set1_ip_asc)(X509_VERIFY_PARAM_st* param, const char* ip);
    const char* (*X509_verify_cert_error_string)(long error);
    unsigned long (*ERR_get_error)();
    void (*ERR_error_string_n)(unsigned long error, char* buf, size_t size);
    void (*ERR_clear_error)();
    const ssl_method_st* (*TLS_client_method)();
    ssl_ctx_st* (*SSL_CTX_new)(const ssl_method_st* method);
    void (*SSL_CTX_free)(ssl_ctx_st* ctx);
    x509_store_st* (*SSL_CTX_get_cert_store)(const ssl_ctx_st* ctx);
    void (*SSL_CTX_set_verify)(ssl_ctx_st* ctx, int mode, int (*callback)(int, void*));
    long (*SSL_CTX_ctrl)(ssl_ctx_st* ctx, int cmd, long larg, void* parg);
    ssl_st* (*SSL_new)(ssl_ctx_st* ctx);
    void (*SSL_free)(ssl_st* ssl);
    int (*SSL_set_fd)(ssl_st* ssl, int fd);
    long (*SSL_ctrl)(ssl_st* ssl, int cmd, long larg, void* parg);
    int (*SSL_set1_host)(ssl_st* ssl, const char* host);
    X509_VERIFY_PARAM_st* (*SSL_get0_param)(ssl_st* ssl);
    int (*SSL_connect)(ssl_st* ssl);
    int (*SSL_read)(ssl_st* ssl, void* buf, int size);
    int (*SSL_write)(ssl_st* ssl, const void* buf, int size);
    int (*SSL_get_error)(const ssl_st* ssl, int ret);
    long (*SSL_get_verify_result)(const ssl_st* ssl);
    int (*SSL_shutdown)(ssl_st* ssl);
};

// Values of OpenSSL's own headers that the transport passes.
inline constexpr int kSslVerifyPeer = 1;
inline constexpr int kSslCtrlSetTlsextHostname = 55;
inline constexpr int kSslCtrlSetMinProtoVersion = 123;
inline constexpr long kTls12Version = 0x0303;
inline constexpr int kSslErrorWantRead = 2;
inline constexpr int kSslErrorSyscall = 5;
inline constexpr int kSslErrorZeroReturn = 6;
inline constexpr long kX509VerifyOk = 0;
inline constexpr unsigned long kErrReasonMask = 0x7FFFFF;
inline constexpr unsigned long kSslReasonUnexpectedEof = 294;  // SSL_R_UNEXPECTED_EOF_WHILE_READING
