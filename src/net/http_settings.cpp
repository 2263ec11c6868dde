#include "net/http_settings.h"

#include "common/base64.h"
#include "common/text.h"

std::string AdjustUrlSchemeFor(std::string_view url, bool sslAvailable) {
    if (sslAvailable || !TextStartsWith(url, "https")) return std::string(url);
    return "";
}

std::string OpenSslHeaderLine(std::string_view versionText) { return "OpenSSL : " + std::string(versionText); }

std::string BasicCredentials(std::string_view user, std::string_view password) {
    return Base64Encode(std::string(user) + ":" + std::string(password));
}
