#include "net/http_settings.h"

#include "common/text.h"

std::string AdjustUrlSchemeFor(std::string_view url, bool sslAvailable) {
    if (sslAvailable || !TextStartsWith(url, "https")) return std::string(url);
    return "";
}

std::string OpenSslHeaderLine(std::string_view versionText) { return "OpenSSL : " + std::string(versionText); }

std::string BasicCredentials(std::string_view user, std::string_view password) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string in = std::string(user) + ":" + std::string(password);
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    for (size_t i = 0; i < in.size(); i += 3) {
        uint32_t n = static_cast<uint8_t>(in[i]) << 16;
        if (i + 1 < in.size()) n |= static_cast<uint8_t>(in[i + 1]) << 8;
        if (i + 2 < in.size()) n |= static_cast<uint8_t>(in[i + 2]);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < in.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}
