#include "sitesurvey/layers.h"

#include <algorithm>
#include <vector>

namespace sitesurvey {
namespace {

bool Targeted(const Target& target, const HeardAp& ap) {
    switch (target.kind) {
        case Target::Kind::All: return true;
        case Target::Kind::Bssid: return ap.bssid == target.name;
        case Target::Kind::Ssid: return ap.ssid == target.name;
    }
    return false;
}

}  // namespace

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
    // The targeted access points, strongest first.
    std::vector<const HeardAp*> mine;
    for (const HeardAp& ap : heard)
        if (Targeted(target, ap)) mine.push_back(&ap);
    std::stable_sort(mine.begin(), mine.end(), [](const HeardAp* a, const HeardAp* b) { return a->rssi > b->rssi; });

    switch (layer) {
        case Layer::Count:
            return static_cast<double>(
                std::count_if(mine.begin(), mine.end(), [&](const HeardAp* ap) { return ap->rssi >= countThreshold; }));
        case Layer::Signal:
            if (mine.empty()) return std::nullopt;
            return mine.front()->rssi;
        case Layer::Second:
            if (mine.size() < 2) return std::nullopt;
            return mine[1]->rssi;
        case Layer::Channel:
            if (mine.empty()) return std::nullopt;
            return static_cast<double>(mine.front()->channel);
        case Layer::CoChannel: {
            if (mine.empty()) return std::nullopt;
            // Every other access point heard on that channel counts, targeted or not: they all share the air.
            const HeardAp* strongest = mine.front();
            return static_cast<double>(std::count_if(heard.begin(), heard.end(), [&](const HeardAp& ap) {
                return &ap != strongest && ap.channel == strongest->channel && ap.rssi >= kCoChannelThreshold;
            }));
        }
    }
    return std::nullopt;
}

}  // namespace sitesurvey
