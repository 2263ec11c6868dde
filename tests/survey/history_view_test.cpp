#include "survey/history_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int64_t kStart = 1'765'000'000'000;  // 2025-12-06T05:46:40Z
const std::string kA = "02:00:00:00:00:0A", kB = "02:00:00:00:00:0B";

// Two hours at a pass every 10 s: A always, B in the last ten minutes only.
SignalHistory TwoHours() {
    SignalHistory history;
    for (int pass = 0; pass < 720; ++pass) {
        std::vector<HeardRssi> heard = {{kA, -50 - pass % 10}};
        if (pass >= 660) heard.push_back({kB, -70});
        history.AddPass(kStart + pass * 10'000, heard);
    }
    return history;
}

TEST(HistoryView, TheSpanChoosesThePassesAndTheRoamsWithinThem) {
    const SignalHistory history = TwoHours();
    struct Case {
        HistorySpan span;
        size_t shown;
    };
    for (const Case& c : {Case{HistorySpan::FiveMinutes, 31}, Case{HistorySpan::OneHour, 361}, Case{HistorySpan::All, 720}})
        EXPECT_EQ(history.Passes() - FirstPassOf(history, c.span), c.shown) << kHistorySpanNames[static_cast<int>(c.span)];

    LinkEvent early{LinkEvent::Kind::Roamed, kStart + 1000, "Office", {kA, {}, {}}, {kB, {}, {}}, 20, 0.0};
    LinkEvent late = early;
    late.timeMs = kStart + 7'150'000;
    LinkEvent connect{LinkEvent::Kind::Connected, kStart + 7'160'000, "Office", {}, {kB, {}, {}}, {}, {}};
    const LinkEvent events[] = {early, late, connect};
    const HistoryPick picks[] = {{kA, RgbColour(255, 0, 0)}, {kB, RgbColour(0, 0, 255)}};
    const HistoryView view = MakeHistoryView(history, picks, HistorySpan::FiveMinutes, kB, events);
    ASSERT_EQ(view.times.size(), 31u);
    EXPECT_EQ(view.times.back(), kStart + 7'190'000);
    ASSERT_EQ(view.series.size(), 2u);
    EXPECT_FALSE(view.series[0].serving);
    EXPECT_TRUE(view.series[1].serving);
    EXPECT_EQ(view.series[1].colour, RgbColour(0, 0, 255));
    EXPECT_EQ(view.series[0].rssi.back(), -59);
    EXPECT_EQ(view.roams, std::vector<int64_t>{kStart + 7'150'000}) << "only roams, only in the span";

    // The CSV holds the shown passes and series: a header, then a row per pass.
    const std::string csv = HistoryCsv(history, view);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "time," + kA + "," + kB);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 32);
    const HistoryView all = MakeHistoryView(history, picks, HistorySpan::All, "", events);
    const std::string full = HistoryCsv(history, all);
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 721);
    EXPECT_NE(full.find("Z,-50,\r\n"), std::string::npos) << "B empty where it was not heard";
}

}  // namespace
