#include "net/net_error.h"

#include <string_view>

namespace {

struct ErrorName { NetError error; std::string_view text; };

constexpr ErrorName kErrorTexts[] = {
    {NetError::InvalidUrl, "Invalid URL"},
    {NetError::TooManyRedirects, "Too many redirects"},
    {NetError::InsecureRedirect, "Redirect from https to http refused"},
    {NetError::HeaderLimit, "Response header limit exceeded"},
    {NetError::BodyLimit, "Response body limit exceeded"},
    {NetError::BadResponse, "Malformed response"},
    {NetError::Truncated, "Connection closed before the end of the response"},
    {NetError::IdleTimeout, "Time-out: no data from the server"},
    {NetError::NameLookup, "Host name not found"},
    {NetError::TlsUnavailable, "TLS library not available"},
    {NetError::TlsFailed, "TLS failure"},
    {NetError::CertificateRejected, "Server certificate rejected"},
    {NetError::ProxyFailed, "Proxy refused the tunnel"},
    {NetError::Aborted, "Aborted"},
    {NetError::StartFailed, "Request could not be started"},
    {NetError::TooSlow, "Transfer too slow"},
    {NetError::OutOfMemory, "Not enough memory for the response"},
};

}  // namespace

std::string NetErrorText(NetError error) {
    for (const auto& [e, text] : kErrorTexts)
        if (e == error) return std::string(text);
    return error == NetError::None ? "" : "Network error";
}
