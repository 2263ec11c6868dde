#include "net/url.h"

#include <cctype>
#include <vector>

#include "common/text.h"

namespace {

bool IsUnsafeByte(unsigned char c) { return c <= 0x20 || c == 0x7F; }

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

// Percent-encodes bytes above 0x7E; rejects blanks and control characters.
std::optional<std::string> CleanTarget(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (IsUnsafeByte(c)) {
            return std::nullopt;
        } else {
            out += ch;
        }
    }
    return out;
}

// RFC 3986 5.2.4, on a path that starts with "/".
std::string RemoveDotSegments(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t pos = 1;
    bool trailingSlash = false;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view seg = path.substr(pos, end - pos);
        const bool last = end == path.size();
        if (seg == ".") {
            trailingSlash = last;
        } else if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
            trailingSlash = last;
        } else {
            parts.push_back(seg);
            trailingSlash = false;
        }
        pos = end + 1;
    }
    std::string out;
    for (auto seg : parts) {
        out += '/';
        out += seg;
    }
    if (trailingSlash || out.empty()) out += '/';
    return out;
}

std::string StripFragment(std::string_view s) { return std::string(s.substr(0, s.find('#'))); }

}  // namespace

std::string Url::Authority() const {
    std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (!DefaultPort()) h += ":" + std::to_string(port);
    return h;
}

std::string Url::Text() const { return scheme + "://" + Authority() + target; }

std::optional<Url> ParseUrl(std::string_view text) {
    Url url;
    const size_t colon = text.find("://");
    if (colon == std::string_view::npos) return std::nullopt;
    url.scheme = AsciiLowerCase(text.substr(0, colon));
    if (url.scheme != "http" && url.scheme != "https") return std::nullopt;
    std::string_view rest = text.substr(colon + 3);
    const size_t authEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authEnd);
    rest = authEnd == std::string_view::npos ? std::string_view() : rest.substr(authEnd);
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority = authority.substr(at + 1);  // credentials in the URL are never sent

    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        url.host = std::string(authority.substr(1, close - 1));
        for (char c : url.host)
            if (!(std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.')) return std::nullopt;
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            portText = after.substr(1);
        }
    } else {
        const size_t pc = authority.find(':');
        url.host = std::string(authority.substr(0, pc));
        if (pc != std::string_view::npos) portText = authority.substr(pc + 1);
        for (char c : url.host)
            if (!IsHostChar(c)) return std::nullopt;
    }
    if (url.host.empty()) return std::nullopt;
    url.port = url.Secure() ? 443 : 80;
    if (!portText.empty()) {
        if (portText.size() > 5) return std::nullopt;
        uint32_t port = 0;
        for (char c : portText) {
            if (c < '0' || c > '9') return std::nullopt;
            port = port * 10 + static_cast<uint32_t>(c - '0');
        }
        if (port == 0 || port > 65535) return std::nullopt;
        url.port = static_cast<uint16_t>(port);
    }
    auto target = CleanTarget(StripFragment(rest));
    if (!target) return std::nullopt;
    if (target->empty() || target->front() == '?') target->insert(0, "/");
    url.target = std::move(*target);
    return url;
}

std::optional<Url> ResolveLocation(const Url& base, std::string_view location) {
    const std::string loc = TrimText(location);
    const size_t schemeEnd = loc.find(':');
    const size_t firstSlash = loc.find_first_of("/?#");
    if (schemeEnd != std::string::npos && (firstSlash == std::string::npos || schemeEnd < firstSlash))
        return ParseUrl(loc);
    if (loc.rfind("//", 0) == 0) return ParseUrl(base.scheme + ":" + loc);

    auto ref = CleanTarget(StripFragment(loc));
    if (!ref) return std::nullopt;
    Url url = base;
    const std::string basePath = base.target.substr(0, base.target.find('?'));
    if (ref->empty()) {
        return url;
    } else if (ref->front() == '?') {
        url.target = basePath + *ref;
    } else {
        const size_t q = ref->find('?');
        std::string path = ref->substr(0, q);
        const std::string query = q == std::string::npos ? "" : ref->substr(q);
        if (path.front() != '/') path = basePath.substr(0, basePath.rfind('/') + 1) + path;
        url.target = RemoveDotSegments(path) + query;
    }
    return url;
}

bool IsShellSafeWebAddress(std::string_view text) {
    constexpr std::string_view kMarks = "-._~:/?#[]@!$&()*+,;=%";
    for (const char c : text) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && kMarks.find(c) == std::string_view::npos) return false;
    }
    return ParseUrl(text).has_value();
}
