#pragma once
// What a heat map shows at one place, from every access point's signal there:
// the strongest signal, the second strongest (roaming), how many are heard above
// a threshold, how many others share the strongest one's channel, and that channel.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sitesurvey {

enum class Layer { Signal, Second, Count, CoChannel, Channel };

struct LayerName {
    Layer layer;
    std::string_view key;  // on the command line and in files
};
inline constexpr LayerName kLayerNames[] = {
    {Layer::Signal, "signal"},       {Layer::Second, "second"},   {Layer::Count, "count"},
    {Layer::CoChannel, "cochannel"}, {Layer::Channel, "channel"},
};
std::optional<Layer> LayerOfKey(std::string_view key);
std::string_view KeyOf(Layer layer);

// Which access points a layer is about: one BSSID, one SSID (its strongest BSSID at
// each place) or all of them.
struct Target {
    enum class Kind { All, Bssid, Ssid } kind = Kind::All;
    std::string name;  // the BSSID or SSID
};

// Whether a layer's target takes in an access point of that BSSID and SSID.
bool Targets(const Target& target, std::string_view bssid, std::string_view ssid);

// One access point's signal at a place; the names are views of the caller's.
struct HeardAp {
    std::string_view bssid, ssid;
    uint32_t channel = 0;
    double rssi = -100;
};

inline constexpr double kDefaultCountThreshold = -75;  // dBm
inline constexpr double kCoChannelThreshold = -85;  // dBm

// The layer's value at a place; none where the target is not heard (signal, second,
// co-channel and channel need at least one of its access points, second two).
std::optional<double> LayerValue(Layer layer, const Target& target, std::span<const HeardAp> heard,
                                 double countThreshold = kDefaultCountThreshold);

}  // namespace sitesurvey
