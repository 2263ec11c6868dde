#include "common/json_reader.h"

#include <algorithm>
#include <limits>

#include "common/text.h"

namespace json_text {
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

std::optional<size_t> TooDeep(std::string_view text, size_t maxNesting) {
    size_t depth = 0;
    bool inString = false, escaped = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxNesting) return i;
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

void JsonReader::Fail(const Path& p, std::string problem) {
    if (failed_) return;
    failed_ = true;
    path_ = p;
    problem_ = std::move(problem);
}

bool JsonReader::Object(const json& v, const Path& p, std::initializer_list<std::string_view> keys) {
    if (!v.is_object()) {
        Fail(p, "must be an object, not " + Shown(v));
        return false;
    }
    for (const auto& [key, value] : v.items())
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) Fail(Sub(p, key), "unknown key \"" + key + "\"");
    return !failed_;
}

int64_t JsonReader::Int(const json& v, const Path& p, int64_t lo, int64_t hi) {
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

uint64_t JsonReader::U64(const json& v, const Path& p) {
    if (v.is_number_unsigned()) return v.get<uint64_t>();
    if (v.is_number_integer())
        Fail(p, Shown(v) + " is out of range (0.." + std::to_string(std::numeric_limits<uint64_t>::max()) + ")");
    else
        Fail(p, (v.is_number() ? "must be a whole number, not " : "must be a number, not ") + Shown(v));
    return 0;
}

bool JsonReader::Bool(const json& v, const Path& p) {
    if (v.is_boolean()) return v.get<bool>();
    Fail(p, "must be true or false, not " + Shown(v));
    return false;
}

std::string JsonReader::Text(const json& v, const Path& p) {
    if (v.is_string()) return v.get<std::string>();
    Fail(p, "must be a text, not " + Shown(v));
    return {};
}

const json* JsonReader::List(const json& v, const Path& p, size_t max, bool allowEmpty) {
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

double JsonReader::Double(const json& v, const Path& p, double lo, double hi) {
    if (!v.is_number()) {
        Fail(p, "must be a number, not " + Shown(v));
        return lo;
    }
    const double d = v.get<double>();
    if (d >= lo && d <= hi) return d;
    Fail(p, Shown(v) + " is out of range");
    return lo;
}

ParsedJson ParseCapped(std::string_view text, std::string_view name, size_t maxBytes, size_t maxNesting) {
    const std::string file(name);
    if (text.size() > maxBytes)
        return {{},
                file + ": the file has " + std::to_string(text.size()) + " bytes, more than the " +
                    std::to_string(maxBytes >> 20) + " MiB it may have"};
    if (const std::optional<size_t> at = TooDeep(text, maxNesting))
        return {{},
                file + ":" + TextPosition(text, *at) + ": lists and objects nest deeper than " +
                    std::to_string(maxNesting) + " levels"};
    try {
        return {json::parse(text), {}};
    } catch (const json::parse_error& e) {
        // nlohmann's messages begin with the exception id and the position, which we give ourselves.
        const std::string what = e.what();
        const size_t column = what.find("column ");
        const size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
        const size_t offset = e.byte > 0 ? e.byte - 1 : 0;
        return {{},
                file + ":" + TextPosition(text, offset) +
                    ": not valid JSON: " + (colon == std::string::npos ? what : what.substr(colon + 2))};
    } catch (const json::out_of_range&) {  // a number beyond what a double holds; the parser gives no position
        return {{}, file + ": not valid JSON: a number is out of range"};
    }
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

bool ParseMac(std::string_view t, uint8_t (&out)[6]) {
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

}  // namespace json_text
