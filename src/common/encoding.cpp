#include "common/encoding.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is not well-formed.
size_t DecodeUtf8(std::string_view s, size_t i, uint32_t& cp) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    size_t len;
    uint32_t min;
    if (b < 0x80) { cp = b; return 1; }
    if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07; min = 0x10000; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;  // overlong, too big, surrogate
    return len;
}

std::string Latin1ToUtf8(std::string_view s) {
    std::string out;
    for (char c : s) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string Utf8ToLatin1(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        size_t len = DecodeUtf8(s, i, cp);
        if (len == 0) { out += '?'; ++i; continue; }
        out += cp < 0x100 ? static_cast<char>(cp) : '?';
        i += len;
    }
    return out;
}

AnsiConverter& ToUtf8() { static AnsiConverter f = Latin1ToUtf8; return f; }
AnsiConverter& FromUtf8() { static AnsiConverter f = Utf8ToLatin1; return f; }

}  // namespace

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        size_t len = DecodeUtf8(s, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string Utf16ToUtf8(const char16_t* units, size_t max_units) {
    std::string out;
    for (size_t i = 0; i < max_units && units[i] != 0; ++i) {
        uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < max_units && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        size_t len = DecodeUtf8(s, i, cp);
        if (len == 0) { cp = 0xFFFD; len = 1; }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

void SetAnsiCodePage(AnsiConverter to_utf8, AnsiConverter from_utf8) {
    ToUtf8() = to_utf8 ? std::move(to_utf8) : AnsiConverter(Latin1ToUtf8);
    FromUtf8() = from_utf8 ? std::move(from_utf8) : AnsiConverter(Utf8ToLatin1);
}

std::string AnsiToUtf8(std::string_view ansi) { return ToUtf8()(ansi); }
std::string Utf8ToAnsi(std::string_view utf8) { return FromUtf8()(utf8); }

std::string BytesToUtf8(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : AnsiToUtf8(bytes);
}
