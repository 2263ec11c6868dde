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

#include "common/json_reader.h"
#include "sim/scenario.h"

namespace wlan::sim {

using json = json_text::json;
using json_text::HexBytes;
using json_text::Path;
using json_text::PathPosition;
using json_text::PathText;
using json_text::SeparatedHexBytes;
using json_text::Shown;
using json_text::Sub;
using json_text::TextPosition;

// Caps on what a file may ask of the loader, so that a hostile or broken one costs
// bounded memory and stack: its size, how deep its lists and objects nest, and how long
// its lists may be (a day's recording at a pass a second holds 86,400 epochs).
inline constexpr size_t kMaxScenarioBytes = size_t{64} << 20;
inline constexpr size_t kMaxNesting = 64;
inline constexpr size_t kMaxInterfaces = 256;
inline constexpr size_t kMaxEntities = 65536;      // networks, access points or faults in one list
inline constexpr size_t kMaxEpochValues = size_t{1} << 20;  // values by epoch, about 12 days at a pass a second

// The first problem is kept; reading goes on with defaults, so that the
// readers need not test for failure after every value.
// The scenario's own value kinds on top of the shared reads.
class Reader : public json_text::JsonReader {
public:
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

};

std::optional<GUID> ParseGuid(std::string_view t);  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
bool ParseBssid(std::string_view t, uint8_t (&out)[6]);  // XX:XX:XX:XX:XX:XX

}  // namespace wlan::sim
