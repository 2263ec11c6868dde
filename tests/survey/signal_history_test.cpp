#include "survey/signal_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int64_t kStart = 1'765'000'000'000;  // 2025-12-06T05:46:40Z

TEST(SignalHistory, KeepsAValueAPassAndForgetsThePastBeyondWhatItKeeps) {
    SignalHistory history(10);
    for (int pass = 0; pass < 25; ++pass) {
        std::vector<HeardRssi> heard = {{"02:00:00:00:00:01", -40 - pass}};
        if (pass % 2 == 0) heard.push_back({"02:00:00:00:00:02", -70});
        if (pass < 5) heard.push_back({"02:00:00:00:00:03", -90});  // gone long ago
        history.AddPass(kStart + pass * 1000, heard);
    }
    ASSERT_EQ(history.Passes(), 10u);
    EXPECT_EQ(history.PassTime(0), kStart + 15'000);
    EXPECT_EQ(history.Rssi("02:00:00:00:00:01", 0), -55);
    EXPECT_EQ(history.Rssi("02:00:00:00:00:01", 9), -64);
    EXPECT_EQ(history.Rssi("02:00:00:00:00:02", 0), std::nullopt);  // pass 15, odd
    EXPECT_EQ(history.Rssi("02:00:00:00:00:02", 1), -70);
    EXPECT_EQ(history.Rssi("02:00:00:00:00:03", 0), std::nullopt);
    EXPECT_EQ(history.Rssi("02:00:00:00:00:01", 10), std::nullopt);
    EXPECT_EQ(history.Bssids(), (std::vector<std::string>{"02:00:00:00:00:01", "02:00:00:00:00:02"}));
    history.Clear();
    EXPECT_EQ(history.Passes(), 0u);
    EXPECT_TRUE(history.Bssids().empty());
}

// Across the stretches memory is kept in, and with values beyond what a byte holds.
TEST(SignalHistory, ValuesSurviveBlockEdgesAndAreClamped) {
    SignalHistory history(SignalHistory::kBlock + 100);
    const size_t passes = 3 * SignalHistory::kBlock + 17;
    for (size_t pass = 0; pass < passes; ++pass) {
        const HeardRssi heard[] = {{"a", static_cast<int32_t>(-(static_cast<int>(pass) % 90))}};
        history.AddPass(kStart + static_cast<int64_t>(pass), pass % 1000 == 999 ? std::span<const HeardRssi>() : heard);
    }
    const size_t first = passes - history.Passes();
    for (size_t k = 0; k < history.Passes(); ++k) {
        const size_t pass = first + k;
        const std::optional<int32_t> expected =
            pass % 1000 == 999 ? std::nullopt : std::optional<int32_t>(-(static_cast<int>(pass) % 90));
        ASSERT_EQ(history.Rssi("a", k), expected) << pass;
    }
    SignalHistory clamps;
    const HeardRssi extremes[] = {{"low", -300}, {"high", 300}};
    clamps.AddPass(kStart, extremes);
    EXPECT_EQ(clamps.Rssi("low", 0), -127);
    EXPECT_EQ(clamps.Rssi("high", 0), 127);
}

TEST(SignalHistory, CsvHasTheTimeAndAColumnPerBssid) {
    SignalHistory history;
    const HeardRssi first[] = {{"02:00:00:00:00:01", -51}, {"02:00:00:00:00:02", -70}};
    const HeardRssi second[] = {{"02:00:00:00:00:02", -71}};
    history.AddPass(kStart, first);
    history.AddPass(kStart + 1000, second);
    const std::vector<std::string> columns = {"02:00:00:00:00:01", "02:00:00:00:00:02"};
    EXPECT_EQ(history.Csv(columns),
              "time,02:00:00:00:00:01,02:00:00:00:00:02\r\n"
              "2025-12-06T05:46:40Z,-51,-70\r\n"
              "2025-12-06T05:46:41Z,,-71\r\n");
}

}  // namespace
