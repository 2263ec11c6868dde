#include "survey/scan_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/run_log.h"

namespace {

class NetworkChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder that does not exist: the log works in memory and its final save fails quietly.
        log_path_ = (std::filesystem::temp_directory_path() / "no-such-vellumar-folder" / "Vellumar.log").string();
    }
    std::string log_path_;
};

TEST_F(NetworkChartTest, NamesShareALineIgnoringCaseAndAreLoggedOnce) {
    TRunLog log({.file_name = log_path_, .max_lines = 100});
    TStripChart chart;
    TNetworkChart networks(chart, &log, 42);
    networks.UpdateNetworkLine("Home", 50);
    networks.UpdateNetworkLine("HOME", 60);
    networks.UpdateNetworkLine("<Hidden SSID>", 20);
    networks.UpdateNetworkLine("<hidden ssid>", 25);
    ASSERT_EQ(chart.LineCount(), 2u);
    EXPECT_EQ(chart.Line(0).Name, "Home");
    EXPECT_EQ(chart.Line(0).Position, 60);  // the later entry's quality
    EXPECT_EQ(chart.Line(1).Position, 25);
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_TRUE(log.Lines()[1].starts_with("Info\t["));
    EXPECT_TRUE(log.Lines()[1].ends_with("]\tNew network found : Home"));
    EXPECT_TRUE(log.Lines()[0].ends_with("]\tNew network found : <Hidden SSID>"));

    // A network that comes back keeps its line and colour and is not logged again.
    const Colour colour = chart.Line(0).Color;
    networks.RetireLines({});
    EXPECT_EQ(chart.Line(0).Position, 0);
    networks.UpdateNetworkLine("home", 70);
    EXPECT_EQ(chart.LineCount(), 2u);
    EXPECT_EQ(chart.Line(0).Color, colour);
    EXPECT_EQ(log.Lines().size(), 2u);

    TNetworkChart without_log(chart, nullptr, 1);
    without_log.UpdateNetworkLine("Elsewhere", 10);
    EXPECT_EQ(chart.LineCount(), 3u);
}

TEST_F(NetworkChartTest, ColoursComeFromTheSeed) {
    auto colours = [](uint64_t seed) {
        TStripChart chart;
        TNetworkChart networks(chart, nullptr, seed);
        std::vector<Colour> out;
        for (const char* name : {"a", "b", "c", "d"}) {
            networks.UpdateNetworkLine(name, 1);
            out.push_back(chart.Line(chart.LineCount() - 1).Color);
        }
        return out;
    };
    EXPECT_EQ(colours(5), colours(5));
    EXPECT_NE(colours(5), colours(6));
    for (Colour c : colours(9)) EXPECT_EQ(c & 0xFF000000u, 0u);
}

TEST_F(NetworkChartTest, RetireWithTwoInterfaces) {
    TStripChart chart;
    TNetworkChart networks(chart, nullptr, 1);
    // First interface hears A and B, the second B and C.
    networks.UpdateNetworkLine("A", 40);
    networks.UpdateNetworkLine("B", 50);
    networks.RetireLines(std::vector<std::string>{"A", "B"});
    EXPECT_EQ(chart.Line(0).Position, 40);
    networks.UpdateNetworkLine("b", 55);
    networks.UpdateNetworkLine("C", 60);
    networks.RetireLines(std::vector<std::string>{"b", "C"});
    EXPECT_EQ(chart.Line(0).Position, 0);  // only the first interface saw A
    EXPECT_EQ(chart.Line(1).Position, 55);
    EXPECT_EQ(chart.Line(2).Position, 60);
}

// One pass of the chart: the names listed, then the pass's end.
void Pass(StripScanChart& points, const std::vector<std::string>& names) {
    points.PassStarted();
    for (const std::string& n : names) points.NetworkListed(n, 60);
    points.InterfaceNetworks(names);
    points.PassCompleted();
}

size_t CountLines(const TRunLog& log, std::string_view text) {
    return static_cast<size_t>(
        std::count_if(log.Lines().begin(), log.Lines().end(), [&](const std::string& l) { return l.find(text) != l.npos; }));
}

TEST_F(NetworkChartTest, LinesUnseenForAnHourGoWithTheirColours) {
    TRunLog log({.file_name = log_path_, .max_lines = 100});
    TStripChart chart;
    TNetworkChart networks(chart, &log, 3);
    uint64_t now = 1000;
    networks.SetClock([&] { return now; });
    StripScanChart points(chart, networks);
    Pass(points, {"Home", "Cafe", "Office"});
    chart.SetHighlightedLine(networks.LineOf("office"));
    const Colour office = chart.Line(networks.LineOf("Office")).Color;
    const uint64_t renumbered = chart.LineSetChanges();

    // Home stays in range; Cafe and Office go quiet.
    for (int minute = 1; minute <= 59; ++minute) {
        now += 60'000;
        Pass(points, {"Home"});
    }
    EXPECT_EQ(chart.LineCount(), 3u);
    now += 60'000;
    Pass(points, {"Home", "Office"});  // Office back just in time, Cafe an hour gone
    ASSERT_EQ(chart.LineCount(), 2u);
    EXPECT_GT(chart.LineSetChanges(), renumbered);
    EXPECT_EQ(networks.LineOf("cafe"), TStripChart::kNoLine);
    ASSERT_EQ(networks.LineOf("Office"), 1u);
    EXPECT_EQ(chart.Line(1).Color, office);
    EXPECT_EQ(chart.HighlightedLine(), 1u);  // the highlight follows its line

    // Cafe comes back: a line and a colour again, but it is not new to the log.
    Pass(points, {"Home", "Cafe"});
    ASSERT_NE(networks.LineOf("Cafe"), TStripChart::kNoLine);
    EXPECT_EQ(CountLines(log, "New network found : Cafe"), 1u);
}

// An access point that renames itself every beacon (bench/renaming_ap runs 100,000
// names and prints time and memory).
TEST_F(NetworkChartTest, EndlessNewNamesKeepTheChartBounded) {
    TRunLog log({.file_name = log_path_, .max_lines = 50'000});
    TStripChart chart;
    chart.SetSize(40, 20);
    TNetworkChart networks(chart, &log, 5);
    uint64_t now = 0;
    networks.SetClock([&] { return now; });
    StripScanChart points(chart, networks);
    const Colour home = [&] {
        Pass(points, {"Home"});
        return chart.Line(0).Color;
    }();
    size_t most = 0;
    for (int pass = 0; pass < 2'000; ++pass) {
        std::vector<std::string> names = {"Home"};
        for (int k = 0; k < 10; ++k) names.push_back("rotating-" + std::to_string(pass * 10 + k));
        now += 1000;
        Pass(points, names);
        most = std::max(most, chart.LineCount());
    }
    EXPECT_LE(most, TNetworkChart::kMaxLines + 10);
    EXPECT_EQ(chart.Line(networks.LineOf("Home")).Color, home);  // heard every pass: never dropped
    EXPECT_NE(networks.LineOf("rotating-19999"), TStripChart::kNoLine);
    EXPECT_EQ(CountLines(log, "More than 512 networks: the chart drops the lines of those unseen the longest"), 1u);
}

TEST(ColourSquares, BitmapAndWhichLinesNeedOne) {
    const TColourSquare square = GetBitmap(RgbColour(0x12, 0x34, 0x56));
    for (size_t i = 0; i < square.bytes.size(); i += 3) {
        ASSERT_EQ(square.bytes[i], 0x56);  // blue first
        ASSERT_EQ(square.bytes[i + 1], 0x34);
        ASSERT_EQ(square.bytes[i + 2], 0x12);
    }
    EXPECT_EQ(LinesNeedingSquares(5, 10), std::vector<size_t>{});
    EXPECT_EQ(LinesNeedingSquares(12, 10), (std::vector<size_t>{10, 11}));
    EXPECT_EQ(LinesNeedingSquares(12, 12), std::vector<size_t>{});
    EXPECT_EQ(LinesNeedingSquares(13, 11), (std::vector<size_t>{11, 12}));
    // Every line a square, after ten fixed images.
    EXPECT_EQ(LinesNeedingSquares(2, 10, 10), (std::vector<size_t>{0, 1}));
    EXPECT_EQ(LinesNeedingSquares(3, 12, 10), (std::vector<size_t>{2}));
    EXPECT_EQ(LinesNeedingSquares(3, 13, 10), std::vector<size_t>{});
    EXPECT_EQ(LinesNeedingSquares(0, 10, 10), std::vector<size_t>{});
}

}  // namespace
