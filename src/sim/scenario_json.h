#pragma once
// Reading a scenario's JSON: paths to values, typed reads that keep the first
// problem and go on with defaults, and where a value stands in the text, so
// that messages can name the line and column.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/scenario.h"

namespace wlan::sim {

using json = nlohmann::json;

struct PathPart {
    std::string key;  // empty for an array index
    size_t index = 0;
};
using Path = std::vector<PathPart>;

Path Sub(const Path& p, std::string_view key);
Path Sub(const Path& p, size_t index);
std::string PathText(const Path& p);  // interfaces[0].bss[2].rssi

// Caps on what a file may ask of the loader, so that a hostile or broken one costs
// bounded memory and stack: its size, how deep its lists and objects nest, and how long
// its lists may be (a day's recording at a pass a second holds 86,400 epochs).
inline constexpr size_t kMaxScenarioBytes = size_t{64} << 20;
inline constexpr size_t kMaxNesting = 64;
inline constexpr size_t kMaxInterfaces = 256;
inline constexpr size_t kMaxEntities = 65536;      // networks, access points or faults in one list
inline constexpr size_t kMaxEpochValues = size_t{1} << 20;  // values by epoch, about 12 days at a pass a second

// Where the text nests lists and objects deeper than kMaxNesting: the offset of the
// first bracket too deep, skipping strings; none when it does not.
std::optional<size_t> TooDeep(std::string_view text);

// A value for a message: a number, text or literal as written, cut short when long; a
// list or an object by its kind alone, since it may be huge.
std::string Shown(const json& v);

// "line:column" of a byte offset, and of the value at a path (or the deepest part
// of it that exists) in valid JSON text.
std::string TextPosition(std::string_view text, size_t offset);
std::string PathPosition(std::string_view text, const Path& p);

// The first problem is kept; reading goes on with defaults, so that the
// readers need not test for failure after every value.
class Reader {
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
    bool Bool(const json& v, const Path& p);
    std::string Text(const json& v, const Path& p);

    // A list of at most max elements.
    const json* List(const json& v, const Path& p, size_t max, bool allowEmpty = true);
    Varying Vary(const json& v, const Path& p, int64_t lo, int64_t hi);
    Presence Present(const json& v, const Path& p);
    std::u16string Utf16Text(const json& v, const Path& p, size_t maxUnits);
    std::vector<uint32_t> U32List(const json& v, const Path& p, size_t max);
    template <size_t N>
    std::array<uint64_t, N> Counters(const json& v, const Path& p) {
        std::array<uint64_t, N> out{};
        if (!v.is_array() || v.size() != N) {
            Fail(p, "must be a list of " + std::to_string(N) + " numbers");
            return out;
        }
        for (size_t k = 0; k < N; ++k) out[k] = U64(v[k], Sub(p, k));
        return out;
    }

private:
    bool failed_ = false;
    Path path_;
    std::string problem_;
};

// Hex digits in pairs, no separators.
std::optional<std::vector<uint8_t>> HexBytes(std::string_view hex);
// Hex text in which blanks and colons may stand between the bytes (not inside one).
std::optional<std::vector<uint8_t>> SeparatedHexBytes(std::string_view hex);
std::optional<GUID> ParseGuid(std::string_view t);  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
bool ParseBssid(std::string_view t, uint8_t (&out)[6]);  // XX:XX:XX:XX:XX:XX

}  // namespace wlan::sim
