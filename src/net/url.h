#pragma once
// Absolute http and https URLs as the transport uses them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Url {
    std::string scheme;  // "http" or "https", lower case
    std::string host;    // without brackets for an IPv6 literal
    uint16_t port = 0;   // always set: the scheme's default when the URL names none
    std::string target;  // path and query, starts with "/"; the fragment is dropped

    bool Secure() const { return scheme == "https"; }
    bool DefaultPort() const { return port == (Secure() ? 443 : 80); }
    // host[:port] as the Host header and CONNECT want it.
    std::string Authority() const;
    std::string Text() const;
};

// Accepts only http and https URLs with a host. Bytes outside printable ASCII in
// the path are percent-encoded; control characters and blanks make the URL invalid,
// so no URL can smuggle text into the request head.
std::optional<Url> ParseUrl(std::string_view text);

// A web page that may be handed to the shell as it is: an http or https URL with a host,
// all of it printable ASCII that a URL may hold, with no blank, quote or control character.
bool IsShellSafeWebAddress(std::string_view text);

// Resolves a Location header against the URL that answered (absolute, scheme-relative,
// absolute-path, query-only and relative references).
std::optional<Url> ResolveLocation(const Url& base, std::string_view location);
