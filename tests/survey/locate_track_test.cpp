#include "survey/locate_track.h"

#include <gtest/gtest.h>

namespace {

TEST(LocateTrack, FollowsTheSignalPassByPass) {
    struct Step {
        std::optional<int32_t> rssi;
        std::optional<int32_t> change, min, max, average;
        const char* changeText;
    };
    const Step steps[] = {
        {-70, std::nullopt, -70, -70, -70, ""},  // nothing to compare with yet
        {-66, 4, -70, -66, -68, "\u2191 4 dB warmer"},
        {-66, 0, -70, -66, -67, "No change"},
        {std::nullopt, std::nullopt, -70, -66, -67, ""},  // a pass that missed it keeps the rest
        {-75, std::nullopt, -75, -66, -69, ""},           // no change across the gap
        {-60, 15, -75, -60, -67, "\u2191 15 dB warmer"},
        {-62, -2, -75, -60, -66, "\u2193 2 dB colder"},  // the average takes the last five heard: -66 -66 -75 -60 -62
    };
    LocateTrack track;
    uint64_t now = 0;
    for (const Step& s : steps) {
        track.Pass(s.rssi, now += 1000);
        EXPECT_EQ(track.Rssi(), s.rssi) << now;
        EXPECT_EQ(track.Change(), s.change) << now;
        EXPECT_EQ(track.Minimum(), s.min) << now;
        EXPECT_EQ(track.Maximum(), s.max) << now;
        EXPECT_EQ(track.Average(), s.average) << now;
        EXPECT_EQ(LocateChangeText(track.Change()), s.changeText) << now;
    }
    EXPECT_EQ(LocateRangeText(track), "Min -75 dBm   Max -60 dBm   Average of 5 passes -66 dBm");
    EXPECT_EQ(track.LastHeardMs(), 7000u);
    EXPECT_EQ(track.History().size(), 7u);
    EXPECT_FALSE(track.History()[3].has_value());
}

TEST(LocateTrack, KeepsAShortHistory) {
    LocateTrack track;
    for (int i = 0; i < 100; ++i) track.Pass(-90 + i % 50, static_cast<uint64_t>(i) * 1000);
    ASSERT_EQ(track.History().size(), kLocateHistoryPasses);
    EXPECT_EQ(track.History().back(), -90 + 99 % 50);
    EXPECT_EQ(track.History().front(), -90 + (100 - kLocateHistoryPasses) % 50);
}

TEST(LocateTrack, TextsBeforeAndAfterTheFirstReading) {
    const LocateTrack none;
    EXPECT_EQ(LocateRangeText(none), "");
    EXPECT_EQ(LocateRssiText(std::nullopt), "Not heard");
    EXPECT_EQ(LocateRssiText(-48), "-48 dBm");
    struct Case {
        std::optional<uint64_t> heard;
        uint64_t now;
        const char* text;
    };
    const Case cases[] = {
        {std::nullopt, 5000, "Not heard since the window opened"},
        {5000, 5000, "Last heard now"},
        {5000, 6999, "Last heard now"},
        {5000, 7000, "Last heard 2 s ago"},
        {5000, 124999, "Last heard 119 s ago"},
        {5000, 125000, "Last heard 2 min ago"},
        {5000, 1000, "Last heard now"},  // a clock that seems to go back says nothing odd
    };
    for (const Case& c : cases) EXPECT_EQ(LastHeardText(c.heard, c.now), c.text) << c.now;
}

}  // namespace
