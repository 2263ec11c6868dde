#include "common/text.h"

#include <algorithm>

namespace {

size_t ClampCount(std::string_view s, int count) {
    if (count < 0) return 0;
    return std::min(static_cast<size_t>(count), s.size());
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

std::string TrimText(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t first = 0, last = s.size();
    while (first < last && blank(s[first])) ++first;
    while (last > first && blank(s[last - 1])) --last;
    return std::string(s.substr(first, last - first));
}

std::string LeftPart(std::string_view s, int count) { return std::string(s.substr(0, ClampCount(s, count))); }

std::string RightPart(std::string_view s, int count) {
    size_t n = ClampCount(s, count);
    return std::string(s.substr(s.size() - n));
}

bool StartsWithCase(std::string_view s, std::string_view prefix) {
    return LeftPart(s, static_cast<int>(prefix.size())) == prefix;
}

bool TextStartsWith(std::string_view s, std::string_view prefix) {
    return SameText(LeftPart(s, static_cast<int>(prefix.size())), prefix);
}

bool TextEndsWith(std::string_view s, std::string_view suffix) {
    return SameText(RightPart(s, static_cast<int>(suffix.size())), suffix);
}

bool TextIn(std::string_view sub, std::string_view s) {
    if (sub.empty()) return false;
    return AsciiLowerCase(s).find(AsciiLowerCase(sub)) != std::string::npos;
}

std::string CutTextPrefix(std::string_view s, std::string_view prefix) {
    if (s.size() >= prefix.size() && TextStartsWith(s, prefix)) return std::string(s.substr(prefix.size()));
    return std::string(s);
}

std::string CutTextSuffix(std::string_view s, std::string_view suffix) {
    if (s.size() >= suffix.size() && TextEndsWith(s, suffix)) return std::string(s.substr(0, s.size() - suffix.size()));
    return std::string(s);
}

std::string TextBefore(std::string_view s, std::string_view sub) {
    size_t at = sub.empty() ? std::string_view::npos : s.find(sub);
    return std::string(at == std::string_view::npos ? s : s.substr(0, at));
}

std::string TextAfter(std::string_view s, std::string_view sub) {
    size_t at = sub.empty() ? std::string_view::npos : s.find(sub);
    return std::string(at == std::string_view::npos ? s : s.substr(at + sub.size()));
}

int CountTokens(std::string_view s, std::string_view delimiters) {
    if (s.empty()) return 0;
    return 1 + static_cast<int>(std::count_if(s.begin(), s.end(), [&](char c) {
               return delimiters.find(c) != std::string_view::npos;
           }));
}

std::string TokenAt(std::string_view s, int index, std::string_view delimiters) {
    std::string result;
    int counter = 0;
    for (char c : s) {
        if (delimiters.find(c) != std::string_view::npos)
            ++counter;
        else if (counter == index)
            result += c;
    }
    return result;
}

namespace {

// One round of the trailing-address rule for one scheme; recursion strips runs of them.
std::string StripTrailingScheme(std::string result, std::string_view scheme) {
    int n = CountTokens(result, " ");
    if (n > 1) {
        std::string last = TokenAt(result, n - 1, " ");
        if (TextStartsWith(last, scheme)) return StripTrailingUrls(TrimText(CutTextSuffix(result, last)));
    }
    return result;
}

}  // namespace

std::string StripTrailingUrls(std::string_view s) {
    std::string result = StripTrailingScheme(std::string(s), "http://");
    return StripTrailingScheme(std::move(result), "https://");
}

std::string UrlEncode(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size() * 3);
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c == ' ') {
            out += "%20";
        } else if (c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                   (c >= 'a' && c <= 'z')) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int MaxOf(int a, int b) { return a < b ? b : a; }

std::optional<int32_t> StrToInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return std::nullopt;

    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + digit;
        if (value > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return std::nullopt;
    }
    if (hex) {
        // Hexadecimal fills all 32 bits: $FFFFFFFF is -1.
        auto bits = static_cast<uint32_t>(value);
        if (negative) bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }
    if (!negative && value > 0x7FFFFFFFull) return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
}

int32_t StrToIntDef(std::string_view s, int32_t fallback) { return StrToInt(s).value_or(fallback); }
