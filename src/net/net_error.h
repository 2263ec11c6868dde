#pragma once
// Error codes of the HTTP transport. 0 means an answer arrived, whatever its status.
// Socket failures carry the platform's socket error code (10061 for a refused
// connection); the transport's own failures use the codes below.
#include <cstdint>
#include <string>

enum class NetError : int32_t {
    None = 0,
    InvalidUrl = 20001,
    TooManyRedirects = 20002,
    InsecureRedirect = 20003,
    HeaderLimit = 20004,
    BodyLimit = 20005,
    BadResponse = 20006,
    Truncated = 20007,
    IdleTimeout = 20008,
    NameLookup = 20009,
    TlsUnavailable = 20010,
    TlsFailed = 20011,
    CertificateRejected = 20012,
    ProxyFailed = 20013,
    Aborted = 20014,
    StartFailed = 20015,
    TooSlow = 20016,
    OutOfMemory = 20017,
};

// The fixed part of the reason text for one of the codes above ("" for None).
std::string NetErrorText(NetError error);
