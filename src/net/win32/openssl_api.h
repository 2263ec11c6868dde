#pragma once
// The OpenSSL entry points the transport uses, bound by name at run time. The types
// are opaque to us, so they are declared here instead of including OpenSSL's headers.
#include <cstddef>
#include <cstdint>

struct ssl_st;
struct ssl_ctx_st;
struct ssl_method_st;
struct x509_st;
struct x509_store_st;
struct X509_VERIFY_PARAM_st;
struct x509_store_ctx_st;
struct stack_st;
struct ossl_init_settings_st;

struct OpenSslApi {
    int (*OPENSSL_init_ssl)(uint64_t options, const ossl_init_settings_st* settings);
    unsigned long (*OpenSSL_version_num)();
    const char* (*OpenSSL_version)(int type);
    int (*X509_STORE_add_cert)(x509_store_st* store, x509_st* cert);
    x509_st* (*d2i_X509)(x509_st** out, const unsigned char** in, long length);
    int (*i2d_X509)(const x509_st* cert, unsigned char** out);
    int (*X509_verify_cert)(x509_store_ctx_st* ctx);
    x509_st* (*X509_STORE_CTX_get0_cert)(const x509_store_ctx_st* ctx);
    stack_st* (*X509_STORE_CTX_get0_untrusted)(const x509_store_ctx_st* ctx);
    x509_store_st* (*X509_STORE_CTX_get0_store)(const x509_store_ctx_st* ctx);
    void (*X509_STORE_CTX_set_error)(x509_store_ctx_st* ctx, int error);
    int (*OPENSSL_sk_num)(const stack_st* stack);
    void* (*OPENSSL_sk_value)(const stack_st* stack, int i);
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
    void (*SSL_CTX_set_cert_verify_callback)(ssl_ctx_st* ctx, int (*callback)(x509_store_ctx_st*, void*), void* arg);
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
// No configuration file, hence no engines or provider modules named in one.
inline constexpr uint64_t kOpenSslInitNoLoadConfig = 0x00000080;
inline constexpr uint64_t kOpenSslInitLoadSslStrings = 0x00200000;
inline constexpr uint64_t kOpenSslInitLoadCryptoStrings = 0x00000002;
inline constexpr int kOpenSslDirText = 4;  // OpenSSL_version(OPENSSL_DIR)
inline constexpr int kX509VerifyApplicationError = 50;
inline constexpr int kX509VerifyCertUntrusted = 27;
inline constexpr int kX509VerifyCertHasExpired = 10;
inline constexpr int kX509VerifyHostnameMismatch = 62;
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
