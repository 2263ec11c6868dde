#pragma once
// A crowded survey's access points in one band, the same on every run: random
// primary channels, signals, widths and colours, for the channel graph's
// reference pictures and its benchmarks.
#include <random>
#include <string>
#include <vector>

#include "survey/channel_graph.h"

inline std::vector<ChannelAp> CrowdedBand(WifiBand band, int count = 300) {
    std::mt19937 random(15);
    const std::vector<uint32_t> channels = BandChannels(band);
    std::vector<ChannelAp> aps;
    for (int i = 0; i < count; ++i) {
        ChannelAp ap;
        ap.band = band;
        ap.ssid = "Network " + std::to_string(i);
        ap.bssid = "02:00:00:00:" + std::to_string(i / 100) + ":" + std::to_string(i % 100);
        ap.primaryChannel = channels[random() % (band == WifiBand::Ghz24 ? 13 : channels.size())];
        ap.rssi = -95 + static_cast<int32_t>(random() % 66);
        ap.widthMhz = 20u << random() % (band == WifiBand::Ghz24 ? 2 : 4);
        ap.centreMhz = {ChannelMhz(band, ap.primaryChannel) + ap.widthMhz / 2 - 10};  // the primary is the lowest 20 MHz
        ap.colour = RgbColour(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                              static_cast<uint8_t>(random()));
        aps.push_back(ap);
    }
    return aps;
}
