#pragma once
// What every HTTP request of the program shares, and the parts of the TLS rule that
// need no platform.
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view kHttpUserAgent = "Mozilla/5.0";
inline constexpr std::string_view kHttpVersion = "1.1";
inline constexpr std::string_view kHttpAccept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8";
inline constexpr std::string_view kHttpAcceptLanguage = "fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3";
inline constexpr uint32_t kHttpDefaultTimeoutSeconds = 3;
// Raised to this by the file fetcher and the update check.
inline constexpr uint32_t kHttpTransferTimeoutSeconds = 10;
// However the server paces its bytes, a transfer of the program ends by then; the
// installer download may go on after it while it keeps this average rate.
inline constexpr uint32_t kHttpTransferDeadlineSeconds = 30;
inline constexpr int64_t kInstallerMinAverageRate = 4 * 1024;  // bytes a second

// Body limits chosen by each caller.
inline constexpr int64_t kSmallBodyLimit = 64 * 1024;            // hint file, update check answer
inline constexpr int64_t kInstallerBodyLimit = 256LL * 1024 * 1024;  // installer download

// The proxy a fetcher was given; not used unless `use` is set.
struct ProxySettings {
    bool use = false;
    std::string host;
    int32_t port = 0;
    std::string user;
    std::string password;
};

inline constexpr std::string_view kSslNotAvailable = "Not Available";

// The URL unchanged, or "" (nothing may be fetched) when it begins with "https" (any case)
// and TLS is not available: a fetch is never downgraded to http, where anyone on the
// network could answer it.
std::string AdjustUrlSchemeFor(std::string_view url, bool sslAvailable);

// The log header line naming the TLS library.
std::string OpenSslHeaderLine(std::string_view versionText);

// Basic credentials as the Proxy-Authorization header carries them: base64("user:password").
std::string BasicCredentials(std::string_view user, std::string_view password);
