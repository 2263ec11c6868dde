#include "sitesurvey/layers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace sitesurvey;

// Four access points heard at one place: two of "Office" (one radio on 6, one on 11),
// "Guest" on 6 and a weak neighbour on 6.
const std::vector<HeardAp> kHeard = {
    {"02:00:00:00:00:01", "Office", 6, -58},
    {"02:00:00:00:00:02", "Office", 11, -49},
    {"02:00:00:00:00:03", "Guest", 6, -70},
    {"02:00:00:00:00:04", "Neighbour", 6, -88},
};

TEST(Layers, ValuesAtAPlace) {
    const Target all, office{Target::Kind::Ssid, "Office"}, guest{Target::Kind::Ssid, "Guest"},
        first{Target::Kind::Bssid, "02:00:00:00:00:01"}, nobody{Target::Kind::Ssid, "Nobody"};
    struct Case {
        const char* what;
        Layer layer;
        const Target& target;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"strongest of all", Layer::Signal, all, -49},
        {"strongest of an SSID", Layer::Signal, office, -49},
        {"one BSSID", Layer::Signal, first, -58},
        {"not heard", Layer::Signal, nobody, std::nullopt},
        {"second of all", Layer::Second, all, -58},
        {"second of an SSID", Layer::Second, office, -58},
        {"second of a single radio", Layer::Second, guest, std::nullopt},
        {"count above -75 dBm", Layer::Count, all, 3},
        {"count of an SSID", Layer::Count, office, 2},
        {"count of nobody is zero", Layer::Count, nobody, 0},
        {"channel of the strongest", Layer::Channel, all, 11},
        {"channel of an SSID's strongest", Layer::Channel, guest, 6},
        {"others on the strongest's channel", Layer::CoChannel, all, 0},
        {"others on Guest's channel, above -85 dBm", Layer::CoChannel, guest, 1},
        {"others on one BSSID's channel", Layer::CoChannel, first, 1},
        {"co-channel of nobody", Layer::CoChannel, nobody, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(LayerValue(c.layer, c.target, kHeard), c.expected) << c.what;
    EXPECT_EQ(LayerValue(Layer::Count, all, kHeard, -90), 4);
    EXPECT_EQ(LayerValue(Layer::Signal, all, {}), std::nullopt);
}

TEST(Layers, KeysRoundTrip) {
    for (const auto& [layer, key] : kLayerNames) {
        EXPECT_EQ(LayerOfKey(key), layer);
        EXPECT_EQ(KeyOf(layer), key);
    }
    EXPECT_EQ(LayerOfKey("Signal"), std::nullopt);
    EXPECT_EQ(LayerOfKey(""), std::nullopt);
}

}  // namespace
