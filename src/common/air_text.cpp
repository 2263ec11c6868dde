#include "common/air_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// One code point of UTF-8 at s[i]; malformed bytes decode as U+FFFD one by one.
char32_t Next(std::string_view s, size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + k]);
        if ((cont & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = c << 6 | (cont & 0x3F);
    }
    i += n;
    return c;
}

struct Range {
    char32_t first, last;
};
// Controls (C0, DEL, C1), line and paragraph separators, direction marks, embeddings,
// overrides and isolates, and the invisible format characters that are not joiners.
constexpr Range kUnsafe[] = {
    {0x0000, 0x001F}, {0x007F, 0x009F}, {0x061C, 0x061C}, {0x180E, 0x180E}, {0x200B, 0x200B},
    {0x200E, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x206F}, {0xFEFF, 0xFEFF}, {0xFFF9, 0xFFFB},
};

bool Unsafe(char32_t c) {
    for (const auto& [first, last] : kUnsafe)
        if (c >= first && c <= last) return true;
    return false;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string AirTextForDisplay(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = Next(utf8, i);
        AppendUtf8(out, Unsafe(c) ? char32_t{0xFFFD} : c);
    }
    return out;
}

std::string AirTextForLog(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t start = i;
        const char32_t c = Next(utf8, i);
        char escape[12];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == 0xFFFD && utf8.substr(start, i - start) != "\xEF\xBF\xBD") {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(utf8[start]));
            out += escape;  // a byte that is not UTF-8, kept as it was
        } else if (Unsafe(c)) {
            std::snprintf(escape, sizeof escape, c < 0x100 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.append(utf8.substr(start, i - start));
        }
    }
    return out;
}

namespace {

// "-54 dBm", "+3", "-0.5": a signed number with at most a unit after it, as our own
// cells hold; a spreadsheet reads it as a number or text, never as a formula.
bool PlainSignedNumber(std::string_view t) {
    if (t.size() < 2 || (t[0] != '-' && t[0] != '+')) return false;
    size_t i = 1, digits = 0;
    while (i < t.size() && ((t[i] >= '0' && t[i] <= '9') || t[i] == '.')) ++i, ++digits;
    if (digits == 0) return false;
    if (i < t.size() && t[i] == ' ') ++i;
    for (; i < t.size(); ++i)
        if (!((t[i] >= 'a' && t[i] <= 'z') || (t[i] >= 'A' && t[i] <= 'Z') || t[i] == '%' || t[i] == '/')) return false;
    return true;
}

}  // namespace

std::string SpreadsheetSafe(std::string_view text) {
    if (text.empty()) return {};
    if (PlainSignedNumber(text)) return std::string(text);
    size_t i = 0;
    const char32_t c = Next(text, i);
    constexpr char32_t kStarts[] = {U'=', U'+', U'-', U'@', U'\t', U'\r', 0xFF1D, 0xFF0B, 0xFF0D, 0xFF20};
    for (char32_t s : kStarts)
        if (c == s) return "'" + std::string(text);
    return std::string(text);
}
