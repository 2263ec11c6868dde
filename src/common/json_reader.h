#pragma once
// Reading JSON that others write (scenarios, recordings, survey files) as strict
// formats: caps on size and nesting before parsing, paths to values, typed reads that
// keep the first problem and go on with defaults, and where a value stands in the
// text, so that messages name the file, line and column.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace json_text {

using json = nlohmann::json;

struct PathPart {
    std::string key;  // empty for an array index
    size_t index = 0;
};
using Path = std::vector<PathPart>;

Path Sub(const Path& p, std::string_view key);
Path Sub(const Path& p, size_t index);
std::string PathText(const Path& p);  // interfaces[0].bss[2].rssi

// Where the text nests lists and objects deeper than maxNesting: the offset of the
// first bracket too deep, skipping strings; none when it does not.
std::optional<size_t> TooDeep(std::string_view text, size_t maxNesting);

// The text parsed, or "file:line:column: problem" (a file too large or nested too
// deep is refused before it is parsed).
struct ParsedJson {
    json value;
    std::string error;  // empty when parsed
};
ParsedJson ParseCapped(std::string_view text, std::string_view name, size_t maxBytes, size_t maxNesting);

// A value for a message: a number, text or literal as written, cut short when long; a
// list or an object by its kind alone, since it may be huge.
std::string Shown(const json& v);

// "line:column" of a byte offset, and of the value at a path (or the deepest part
// of it that exists) in valid JSON text.
std::string TextPosition(std::string_view text, size_t offset);
std::string PathPosition(std::string_view text, const Path& p);

// The first problem is kept; reading goes on with defaults, so that the
// readers need not test for failure after every value.
class JsonReader {
public:
    bool failed() const { return failed_; }
    const Path& path() const { return path_; }
    const std::string& problem() const { return problem_; }

    void Fail(const Path& p, std::string problem);
    bool Object(const json& v, const Path& p, std::initializer_list<std::string_view> keys);

    // Calls read(value, path) when the object has the key.
    template <typename F>
    void Optional(const json& obj, const Path& p, std::string_view key, F read) {
        if (auto it = obj.find(key); it != obj.end()) read(*it, Sub(p, key));
    }

    int64_t Int(const json& v, const Path& p, int64_t lo, int64_t hi);
    uint32_t U32(const json& v, const Path& p) { return static_cast<uint32_t>(Int(v, p, 0, 0xFFFFFFFF)); }
    uint64_t U64(const json& v, const Path& p);
    double Double(const json& v, const Path& p, double lo, double hi);
    bool Bool(const json& v, const Path& p);
    std::string Text(const json& v, const Path& p);
    // A list of at most max elements.
    const json* List(const json& v, const Path& p, size_t max, bool allowEmpty = true);

private:
    bool failed_ = false;
    Path path_;
    std::string problem_;
};

// Hex digits in pairs, no separators.
std::optional<std::vector<uint8_t>> HexBytes(std::string_view hex);
// Hex text in which blanks and colons may stand between the bytes (not inside one).
std::optional<std::vector<uint8_t>> SeparatedHexBytes(std::string_view hex);
bool ParseMac(std::string_view t, uint8_t (&out)[6]);  // XX:XX:XX:XX:XX:XX

}  // namespace json_text
