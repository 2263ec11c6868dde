#include "common/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(std::span<const uint8_t> in) {
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    for (size_t i = 0; i < in.size(); i += 3) {
        uint32_t n = uint32_t{in[i]} << 16;
        if (i + 1 < in.size()) n |= uint32_t{in[i + 1]} << 8;
        if (i + 2 < in.size()) n |= in[i + 2];
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < in.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

std::string Base64Encode(std::string_view text) {
    return Base64Encode(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text) {
    if (text.size() % 4) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
        uint32_t n = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = k >= 4 - pad ? 0 : ValueOf(text[i + static_cast<size_t>(k)]);
            if (v < 0) return std::nullopt;
            n = n << 6 | static_cast<uint32_t>(v);
        }
        out.push_back(static_cast<uint8_t>(n >> 16));
        if (pad < 2) out.push_back(static_cast<uint8_t>(n >> 8));
        if (pad < 1) out.push_back(static_cast<uint8_t>(n));
    }
    return out;
}
