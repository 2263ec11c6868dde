#include "survey/chart_colours.h"

#include <gtest/gtest.h>

#include <vector>

#include "survey/scan_chart.h"

namespace {

TEST(ChartColours, LabOfKnownColours) {
    struct Case {
        Colour colour;
        LabColour lab;
    };
    // Reference values of the sRGB primaries and greys under D65.
    const Case cases[] = {
        {RgbColour(0, 0, 0), {0, 0, 0}},
        {RgbColour(255, 255, 255), {100, 0, 0}},
        {RgbColour(255, 0, 0), {53.24, 80.09, 67.20}},
        {RgbColour(0, 255, 0), {87.73, -86.18, 83.18}},
        {RgbColour(0, 0, 255), {32.30, 79.19, -107.86}},
        {RgbColour(119, 119, 119), {50.03, 0, 0}},
        {RgbColour(1, 1, 1), {0.27, 0, 0}},  // the linear part near black
    };
    for (const Case& c : cases) {
        const LabColour got = ToLab(c.colour);
        EXPECT_NEAR(got.l, c.lab.l, 0.05) << std::hex << c.colour;
        EXPECT_NEAR(got.a, c.lab.a, 0.05) << std::hex << c.colour;
        EXPECT_NEAR(got.b, c.lab.b, 0.05) << std::hex << c.colour;
    }
    EXPECT_NEAR(LabDistance({50, 0, 0}, {53, 4, 0}), 5, 1e-9);
}

// Over many seeds: every colour bright on black, and the first dozen plainly apart.
TEST(ChartColours, BrightAndApartWhateverTheSeed) {
    for (uint64_t seed = 0; seed < 50; ++seed) {
        std::mt19937_64 random(seed);
        std::vector<Colour> used;
        for (int n = 0; n < 12; ++n) {
            const Colour c = ChooseChartColour(random, used);
            const LabColour lab = ToLab(c);
            EXPECT_GE(lab.l, kMinChartLightness) << "seed " << seed;
            for (Colour other : used)
                EXPECT_GE(LabDistance(lab, ToLab(other)), kMinChartDistance) << "seed " << seed << " colour " << n;
            used.push_back(c);
        }
    }
}

TEST(ChartColours, ACrowdedChartStillGetsABrightColour) {
    std::mt19937_64 random(3);
    std::vector<Colour> used;
    for (int n = 0; n < 80; ++n) used.push_back(ChooseChartColour(random, used));
    for (Colour c : used) EXPECT_GE(ToLab(c).l, kMinChartLightness);
}

// A survey started over (live to replay and back) draws its lines again: each network keeps its colour.
TEST(ChartColours, ANetworkKeepsItsColourWhenTheLinesStartOver) {
    TStripChart chart;
    TNetworkChart networks(chart, nullptr, 7);
    for (const char* name : {"Home", "Office", "Cafe"}) networks.UpdateNetworkLine(name, 50);
    const std::vector<Colour> before = {chart.Line(0).Color, chart.Line(1).Color, chart.Line(2).Color};
    chart.ClearLines();
    for (const char* name : {"cafe", "Elsewhere", "HOME"}) networks.UpdateNetworkLine(name, 50);
    EXPECT_EQ(chart.Line(0).Color, before[2]);
    EXPECT_EQ(chart.Line(2).Color, before[0]);
    for (Colour c : before) EXPECT_GE(LabDistance(ToLab(chart.Line(1).Color), ToLab(c)), kMinChartDistance);
}

}  // namespace
