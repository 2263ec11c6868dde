#include "sitesurvey/layers.h"

#include <algorithm>

namespace sitesurvey {

bool Targets(const Target& target, std::string_view bssid, std::string_view ssid) {
    switch (target.kind) {
        case Target::Kind::All:
            return true;
        case Target::Kind::Bssid:
            return bssid == target.name;
        case Target::Kind::Ssid:
            return ssid == target.name;
    }
    return false;
}

std::optional<Layer> LayerOfKey(std::string_view key) {
    for (const auto& [layer, k] : kLayerNames)
        if (k == key) return layer;
    return std::nullopt;
}

std::string_view KeyOf(Layer layer) {
    for (const auto& [l, key] : kLayerNames)
        if (l == layer) return key;
    return {};
}

std::optional<double> LayerValue(Layer layer, const Target& target, std::span<const HeardAp> heard,
                                 double countThreshold) {
    // The targeted access points' strongest and second strongest (the first of equals
    // first), and how many are above the threshold: one pass, nothing allocated.
    const HeardAp *first = nullptr, *second = nullptr;
    size_t above = 0;
    for (const HeardAp& ap : heard) {
        if (!Targets(target, ap.bssid, ap.ssid)) continue;
        above += ap.rssi >= countThreshold;
        if (!first || ap.rssi > first->rssi) {
            second = first, first = &ap;
        } else if (!second || ap.rssi > second->rssi) {
            second = &ap;
        }
    }
    switch (layer) {
        case Layer::Count:
            return static_cast<double>(above);
        case Layer::Signal:
            return first ? std::optional<double>(first->rssi) : std::nullopt;
        case Layer::Second:
            return second ? std::optional<double>(second->rssi) : std::nullopt;
        case Layer::Channel:
            return first ? std::optional<double>(first->channel) : std::nullopt;
        case Layer::CoChannel: {
            if (!first) return std::nullopt;
            // Every other access point heard on that channel counts, targeted or not: they all share the air.
            return static_cast<double>(std::count_if(heard.begin(), heard.end(), [&](const HeardAp& ap) {
                return &ap != first && ap.channel == first->channel && ap.rssi >= kCoChannelThreshold;
            }));
        }
    }
    return std::nullopt;
}

}  // namespace sitesurvey
