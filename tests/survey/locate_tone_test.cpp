#include "survey/locate_tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

TEST(LocateTone, RateAndPitchRiseWithTheSignal) {
    struct Case {
        std::optional<int32_t> rssi;
        std::optional<double> beeps, pitch;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, std::nullopt},  // not heard: silent
        {-100, 1.0, 440.0},
        {-90, 1.0, 440.0},  // held at the weak end
        {-70, 2.0, 698.46},
        {-60, 2.83, 880.0},  // a third and half the way
        {-30, 8.0, 1760.0},
        {-10, 8.0, 1760.0},  // held at the strong end
    };
    for (const Case& c : cases) {
        const std::optional<ToneParams> t = ToneFor(c.rssi);
        ASSERT_EQ(t.has_value(), c.beeps.has_value());
        if (!t) continue;
        EXPECT_NEAR(t->beepsPerSecond, *c.beeps, 0.01) << *c.rssi;
        EXPECT_NEAR(t->pitchHz, *c.pitch, 0.01) << *c.rssi;
    }
    for (int32_t rssi = -95; rssi < -25; ++rssi) {
        EXPECT_LE(ToneFor(rssi)->beepsPerSecond, ToneFor(rssi + 1)->beepsPerSecond);
        EXPECT_LE(ToneFor(rssi)->pitchHz, ToneFor(rssi + 1)->pitchHz);
    }
}

TEST(LocateTone, APeriodIsABeepWithSoftEdgesThenSilence) {
    const std::vector<int16_t> period = TonePeriod({2.0, 880.0}, 44100);
    ASSERT_EQ(period.size(), 22050u);
    const size_t beep = 1764;  // 40 ms
    EXPECT_LT(std::abs(period[0]), 200);  // no click at the start
    EXPECT_LT(std::abs(period[beep - 1]), 200);
    EXPECT_GT(*std::max_element(period.begin(), period.begin() + beep), 10000);
    EXPECT_TRUE(std::all_of(period.begin() + beep, period.end(), [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(TonePeriod({0, 440}, 44100).empty());
}

TEST(LocateTone, AnnouncementsOnChangesOfThreeDecibels) {
    struct Step {
        std::optional<int32_t> rssi;
        bool announced;
    };
    const Step steps[] = {
        {-70, true},          {-69, false},          {-68, false}, {-67, true},  // 3 dB from the last one said
        {-65, false},         {-70, true},  // down by 3
        {std::nullopt, true}, {std::nullopt, false},  // lost, said once
        {-80, true},          {-78, false},  // found again
    };
    SignalAnnouncer a;
    for (const Step& s : steps) EXPECT_EQ(a.ShouldAnnounce(s.rssi), s.announced) << s.rssi.value_or(0);
    SignalAnnouncer silentStart;
    EXPECT_TRUE(silentStart.ShouldAnnounce(std::nullopt));  // "not heard" is worth saying too
}

}  // namespace
