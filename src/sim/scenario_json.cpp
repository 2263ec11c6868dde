#include "sim/scenario_json.h"

#include <algorithm>
#include <limits>

#include "common/encoding.h"
#include "common/text.h"

namespace wlan::sim {
namespace {

// The text is known to be valid JSON here, so the scanner can be simple.

class Locator {
public:
    explicit Locator(std::string_view text) : s_(text) {}

    // The byte offset of the value at p, or of the deepest part of it that exists.
    size_t Find(const Path& p) {
        Blanks();
        for (const auto& part : p) {
            size_t here = i_;
            if (!(part.key.empty() ? EnterIndex(part.index) : EnterKey(part.key))) return here;
        }
        return i_;
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool At(char c) const { return i_ < s_.size() && s_[i_] == c; }

    std::string_view StringToken() {
        size_t start = i_++;
        while (i_ < s_.size() && s_[i_] != '"') i_ += s_[i_] == '\\' ? 2 : 1;
        ++i_;
        return s_.substr(start, std::min(i_, s_.size()) - start);
    }

    void SkipValue() {
        if (At('"')) {
            StringToken();
        } else if (At('{') || At('[')) {
            int depth = 0;
            do {
                if (At('"')) {
                    StringToken();
                    continue;
                }
                if (At('{') || At('[')) ++depth;
                if (At('}') || At(']')) --depth;
                ++i_;
            } while (depth > 0 && i_ < s_.size());
        } else {
            while (i_ < s_.size() && !At(',') && !At('}') && !At(']') && !At(' ') && !At('\n') && !At('\r') &&
                   !At('\t'))
                ++i_;
        }
        Blanks();
    }

    bool EnterKey(const std::string& key) {
        if (!At('{')) return false;
        ++i_;
        for (Blanks(); At('"'); Blanks()) {
            json name = json::parse(StringToken(), nullptr, false);
            Blanks();
            if (At(':')) ++i_;
            Blanks();
            if (name.is_string() && name.get<std::string>() == key) return true;
            SkipValue();
            if (At(',')) ++i_;
        }
        return false;
    }

    bool EnterIndex(size_t index) {
        if (!At('[')) return false;
        ++i_;
        Blanks();
        for (size_t k = 0; k < index; ++k) {
            if (At(']')) return false;
            SkipValue();
            if (At(',')) ++i_;
            Blanks();
        }
        return !At(']');
    }

    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

Path Sub(const Path& p, std::string_view key) {
    Path out = p;
    out.push_back({std::string(key), 0});
    return out;
}
Path Sub(const Path& p, size_t index) {
    Path out = p;
    out.push_back({"", index});
    return out;
}

std::string PathText(const Path& p) {
    std::string out;
    for (const auto& part : p) {
        if (part.key.empty()) {
            out += "[" + std::to_string(part.index) + "]";
        } else {
            if (!out.empty()) out += '.';
            out += part.key;
        }
    }
    return out;
}

std::optional<size_t> TooDeep(std::string_view text) {
    size_t depth = 0;
    bool inString = false, escaped = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

std::string Shown(const json& v) {
    if (v.is_array()) return v.empty() ? "an empty list" : "a list";
    if (v.is_object()) return v.empty() ? "an empty object" : "an object";
    std::string text = v.dump();
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

std::string TextPosition(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    size_t lineStart = text.rfind('\n', offset == 0 ? std::string_view::npos : offset - 1);
    size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    return std::to_string(line) + ":" + std::to_string(column);
}

std::string PathPosition(std::string_view text, const Path& p) { return TextPosition(text, Locator(text).Find(p)); }

void Reader::Fail(const Path& p, std::string problem) {
    if (failed_) return;
    failed_ = true;
    path_ = p;
    problem_ = std::move(problem);
}

bool Reader::Object(const json& v, const Path& p, std::initializer_list<std::string_view> keys) {
    if (!v.is_object()) {
        Fail(p, "must be an object, not " + Shown(v));
        return false;
    }
    for (const auto& [key, value] : v.items())
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) Fail(Sub(p, key), "unknown key \"" + key + "\"");
    return !failed_;
}

int64_t Reader::Int(const json& v, const Path& p, int64_t lo, int64_t hi) {
    if (v.is_number_unsigned()) {
        uint64_t u = v.get<uint64_t>();
        if (hi >= 0 && u <= static_cast<uint64_t>(hi) && static_cast<int64_t>(u) >= lo) return static_cast<int64_t>(u);
    } else if (v.is_number_integer()) {
        int64_t n = v.get<int64_t>();
        if (n >= lo && n <= hi) return n;
    } else {
        Fail(p, (v.is_number() ? "must be a whole number, not " : "must be a number, not ") + Shown(v));
        return std::max<int64_t>(lo, 0);
    }
    Fail(p, Shown(v) + " is out of range (" + std::to_string(lo) + ".." + std::to_string(hi) + ")");
    return std::max<int64_t>(lo, 0);
}

uint64_t Reader::U64(const json& v, const Path& p) {
    if (v.is_number_unsigned()) return v.get<uint64_t>();
    if (v.is_number_integer())
        Fail(p, Shown(v) + " is out of range (0.." + std::to_string(std::numeric_limits<uint64_t>::max()) + ")");
    else
        Fail(p, (v.is_number() ? "must be a whole number, not " : "must be a number, not ") + Shown(v));
    return 0;
}

bool Reader::Bool(const json& v, const Path& p) {
    if (v.is_boolean()) return v.get<bool>();
    Fail(p, "must be true or false, not " + Shown(v));
    return false;
}

std::string Reader::Text(const json& v, const Path& p) {
    if (v.is_string()) return v.get<std::string>();
    Fail(p, "must be a text, not " + Shown(v));
    return {};
}

const json* Reader::List(const json& v, const Path& p, size_t max, bool allowEmpty) {
    if (!v.is_array()) {
        Fail(p, "must be a list, not " + Shown(v));
        return nullptr;
    }
    if (v.size() > max) {
        Fail(p, "has " + std::to_string(v.size()) + " elements, at most " + std::to_string(max) + " are allowed");
        return nullptr;
    }
    if (!allowEmpty && v.empty()) {
        Fail(p, "must not be empty");
        return nullptr;
    }
    return &v;
}

Varying Reader::Vary(const json& v, const Path& p, int64_t lo, int64_t hi) {
    Varying out;
    if (v.is_array()) {
        if (!List(v, p, kMaxEpochValues, false)) return Varying::Constant(lo);
        out.kind = Varying::Kind::List;
        for (size_t k = 0; k < v.size(); ++k) out.values.push_back(Int(v[k], Sub(p, k), lo, hi));
    } else if (v.is_object()) {
        if (!Object(v, p, {"walk", "step"})) return Varying::Constant(lo);
        out.kind = Varying::Kind::Walk;
        auto it = v.find("walk");
        if (it == v.end()) {
            Fail(p, "a varying value given as an object needs \"walk\": [low, high]");
            return Varying::Constant(lo);
        }
        Path wp = Sub(p, "walk");
        if (!it->is_array() || it->size() != 2) {
            Fail(wp, "must be a list of two limits, not " + Shown(*it));
            return Varying::Constant(lo);
        }
        int64_t a = Int((*it)[0], Sub(wp, 0), lo, hi), b = Int((*it)[1], Sub(wp, 1), lo, hi);
        out.low = std::min(a, b);
        out.high = std::max(a, b);
        Optional(v, p, "step", [&](const json& s, const Path& sp) { out.step = Int(s, sp, 0, 0xFFFFFFFF); });
        const std::string where = PathText(p);
        uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
        for (unsigned char c : where) h = (h ^ c) * 0x100000001b3ull;
        out.entity = h;
    } else {
        out.values.push_back(Int(v, p, lo, hi));
    }
    return out;
}

Presence Reader::Present(const json& v, const Path& p) {
    Presence out;
    if (v.is_array()) {
        if (!List(v, p, kMaxEpochValues, false)) return out;
        out.byEpoch.clear();
        for (size_t k = 0; k < v.size(); ++k) out.byEpoch.push_back(Bool(v[k], Sub(p, k)));
    } else {
        out.byEpoch = {Bool(v, p)};
    }
    return out;
}

std::u16string Reader::Utf16Text(const json& v, const Path& p, size_t maxUnits) {
    std::u16string text = Utf8ToUtf16(Text(v, p));
    if (text.size() > maxUnits)
        Fail(p, "is " + std::to_string(text.size()) + " UTF-16 units long, at most " + std::to_string(maxUnits) +
                    " are allowed");
    return text;
}

std::vector<uint32_t> Reader::U32List(const json& v, const Path& p, size_t max) {
    std::vector<uint32_t> out;
    if (const json* list = List(v, p, max))
        for (size_t k = 0; k < list->size(); ++k) out.push_back(U32((*list)[k], Sub(p, k)));
    return out;
}

std::optional<std::vector<uint8_t>> HexBytes(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::vector<uint8_t> out;
    for (size_t k = 0; k < hex.size(); k += 2) {
        int hi = HexDigitValue(hex[k]), lo = HexDigitValue(hex[k + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

std::optional<std::vector<uint8_t>> SeparatedHexBytes(std::string_view hex) {
    std::vector<uint8_t> out;
    for (size_t k = 0; k < hex.size();) {
        if (hex[k] == ' ' || hex[k] == ':') {
            ++k;
            continue;
        }
        if (k + 1 >= hex.size()) return std::nullopt;
        const int hi = HexDigitValue(hex[k]), lo = HexDigitValue(hex[k + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
        k += 2;
    }
    return out;
}

std::optional<GUID> ParseGuid(std::string_view t) {
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' || t[24] != '-')
        return std::nullopt;
    std::string hex;
    for (size_t k = 1; k < 37; ++k)
        if (k != 9 && k != 14 && k != 19 && k != 24) hex += t[k];
    auto bytes = HexBytes(hex);
    if (!bytes) return std::nullopt;
    const auto& b = *bytes;
    GUID g{};
    g.Data1 = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    g.Data2 = static_cast<uint16_t>((b[4] << 8) | b[5]);
    g.Data3 = static_cast<uint16_t>((b[6] << 8) | b[7]);
    std::copy(b.begin() + 8, b.end(), g.Data4);
    return g;
}

bool ParseBssid(std::string_view t, uint8_t (&out)[6]) {
    if (t.size() != 17) return false;
    std::string hex;
    for (size_t k = 0; k < 17; ++k) {
        if (k % 3 == 2) {
            if (t[k] != ':') return false;
        } else {
            hex += t[k];
        }
    }
    auto bytes = HexBytes(hex);
    if (!bytes) return false;
    std::copy(bytes->begin(), bytes->end(), out);
    return true;
}

}  // namespace wlan::sim
