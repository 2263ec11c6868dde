#include "survey/strip_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/picture_fingerprint.h"
#include "survey/scan_chart.h"

namespace {

constexpr Colour kBlack = RgbColour(0, 0, 0);
constexpr Colour kGreen = RgbColour(0, 0x80, 0);
constexpr Colour kRed = RgbColour(0xFF, 0, 0);
constexpr Colour kLine = RgbColour(10, 200, 30);

// The main window's chart: 505 x 145, black background, black grid and base line at 0 %, grid 10.
void MainWindowSetup(TStripChart& chart) {
    chart.SetSize(505, 145);
    chart.SetGridColor(kBlack);
    chart.SetBaseColor(kBlack);
    chart.SetBaseLine(0);
    chart.SetGridSize(10);
}

TStripChartLine& AddLine(TStripChart& chart, int32_t position, Colour colour = kLine) {
    TStripChartLine& line = chart.AddLine();
    line.Color = colour;
    line.Position = position;
    return line;
}

std::set<int> RowsOf(const TStripChart& chart, int x, Colour c) {
    std::set<int> rows;
    for (int y = 0; y < chart.Height(); ++y)
        if (chart.PixelAt(x, y) == c) rows.insert(y);
    return rows;
}

std::set<int> ColumnsOf(const TStripChart& chart, int y, Colour c) {
    std::set<int> cols;
    for (int x = 0; x < chart.Width(); ++x)
        if (chart.PixelAt(x, y) == c) cols.insert(x);
    return cols;
}

std::vector<Pixel> Picture(const TStripChart& chart) { return {chart.Pixels().begin(), chart.Pixels().end()}; }

size_t CountOf(const TStripChart& chart, Colour c) {
    size_t n = 0;
    for (Pixel p : chart.Pixels()) n += p == ToPixel(c);
    return n;
}

std::set<int> Range(int from, int to) {  // [from, to)
    std::set<int> s;
    for (int i = from; i < to; ++i) s.insert(i);
    return s;
}

TEST(StripChart, DefaultsAndTheirPicture) {
    TStripChart chart;
    EXPECT_EQ(chart.Width(), 208);
    EXPECT_EQ(chart.Height(), 120);
    EXPECT_FALSE(chart.Active());
    EXPECT_EQ(chart.Interval(), 50);
    EXPECT_EQ(chart.Color(), kBlack);
    EXPECT_EQ(chart.GridColor(), 0x008000u);
    EXPECT_EQ(chart.BaseColor(), 0x0000FFu);
    EXPECT_EQ(chart.BaseLine(), 50);
    EXPECT_EQ(chart.BaseLineUnit(), TValueUnit::Percent);
    EXPECT_EQ(chart.GridSize(), 16);
    EXPECT_EQ(chart.DisplayUnits(), TDisplayUnits::Pixels);
    EXPECT_EQ(chart.Minimum(), 0);
    EXPECT_EQ(chart.Maximum(), 120);
    EXPECT_EQ(chart.TotalTimeSteps(), 208);
    EXPECT_EQ(chart.UpdateTimeSteps(), 2);
    EXPECT_EQ(chart.LineCount(), 0u);

    // Grid every 16 pixels from the right edge, rows 16 apart from the red base line at 50 %.
    EXPECT_EQ(ColumnsOf(chart, 0, kGreen), (std::set<int>{15, 31, 47, 63, 79, 95, 111, 127, 143, 159, 175, 191, 207}));
    EXPECT_EQ(RowsOf(chart, 0, kGreen), (std::set<int>{12, 28, 44, 76, 92, 108}));
    EXPECT_EQ(ColumnsOf(chart, 60, kRed), Range(0, 208));
}

TEST(StripChart, ValueToYRoundsHalvesToEven) {
    TStripChart chart;
    MainWindowSetup(chart);
    const TStripChartLine& line = AddLine(chart, 0);
    const struct { int64_t v, y; } cases[] = {{100, 0}, {50, 73}, {1, 144}, {0, 145}, {10, 131}, {30, 101}, {-10, 159}};
    for (const auto& c : cases) EXPECT_EQ(chart.ValueToY(line, c.v), c.y) << c.v;

    chart.SetDisplayUnits(TDisplayUnits::Logical);
    chart.SetMinimum(-50);
    chart.SetMaximum(240);  // 145 rows for 290 units: half a row per unit
    TStripChartLine& absolute = AddLine(chart, 0);
    absolute.PositionUnit = TValueUnit::Absolute;
    EXPECT_EQ(chart.ValueToY(absolute, -50), 145);
    EXPECT_EQ(chart.ValueToY(absolute, -49), 145);  // 0.5 rounds to 0
    EXPECT_EQ(chart.ValueToY(absolute, -47), 143);  // 1.5 rounds to 2
    EXPECT_EQ(chart.ValueToY(absolute, 240), 0);
}

TEST(StripChart, MainWindowQualitiesAndTheBlackGrid) {
    TStripChart chart;
    MainWindowSetup(chart);
    EXPECT_EQ(chart.TotalTimeSteps(), 505);
    EXPECT_EQ(chart.Maximum(), 145);
    AddLine(chart, 100);
    AddLine(chart, 0, RgbColour(1, 2, 3));
    for (int i = 0; i < 12; ++i) chart.Step();

    // Quality 100 runs along the top row; the first update rose from the bottom, its
    // upper half beyond the right edge at the time.
    EXPECT_EQ(ColumnsOf(chart, 0, kLine), Range(481, 505));
    std::set<int> rise = RowsOf(chart, 481, kLine);
    rise.merge(RowsOf(chart, 482, kLine));
    std::set<int> expected = Range(37, 145);
    expected.insert(0);
    EXPECT_EQ(rise, expected);
    // Quality 0 sits on row 145, below the picture; the black grid leaves no mark.
    EXPECT_EQ(CountOf(chart, RgbColour(1, 2, 3)), 0u);
    EXPECT_EQ(CountOf(chart, kBlack) + CountOf(chart, kLine), chart.Pixels().size());
}

TEST(StripChart, NewLineRisesFromTheBottom) {
    TStripChart chart;
    MainWindowSetup(chart);
    AddLine(chart, 50);
    chart.Step();
    // (501,145) -> (503,145) -> (505,73): only the rise is visible, and its last quarter
    // runs past the right edge.
    EXPECT_EQ(RowsOf(chart, 503, kLine), Range(128, 145));
    EXPECT_EQ(RowsOf(chart, 504, kLine), Range(92, 128));
    EXPECT_EQ(CountOf(chart, kLine), 53u);
    // The next update scrolls the rise and, reading before the start of the history,
    // carries on level.
    chart.Step();
    std::set<int> rows = Range(128, 145);
    rows.insert(73);
    EXPECT_EQ(RowsOf(chart, 501, kLine), rows);
    EXPECT_EQ(ColumnsOf(chart, 73, kLine), Range(501, 505));
}

TEST(StripChart, DisappearedNetworkDropsToTheBottom) {
    TStripChart chart;
    MainWindowSetup(chart);
    TNetworkChart networks(chart, nullptr, 7);
    networks.UpdateNetworkLine("Cafe", 60);
    networks.RetireLines(std::vector<std::string>{"Cafe"});
    chart.Step();
    chart.Step();
    networks.RetireLines({});
    EXPECT_EQ(chart.Line(0).Position, 0);
    chart.Step();
    chart.Step();
    const Colour c = chart.Line(0).Color;
    // Row 58 is quality 60: level until the third update, which falls from it to the
    // bottom row; then the line runs below the picture.
    EXPECT_EQ(ColumnsOf(chart, 58, c).count(499), 1u);
    EXPECT_EQ(RowsOf(chart, 501, c), Range(58, 80));
    EXPECT_EQ(RowsOf(chart, 502, c), Range(80, 124));
    EXPECT_EQ(RowsOf(chart, 503, c), Range(124, 145));
    EXPECT_TRUE(RowsOf(chart, 504, c).empty());
}

TEST(StripChart, StepScrollsTwoPixelsAndDrawsTheGridEveryFifthStep) {
    TStripChart chart;
    MainWindowSetup(chart);
    chart.SetGridColor(kGreen);
    AddLine(chart, 37);
    std::vector<Pixel> before;
    for (int step = 1; step <= 12; ++step) {
        before.assign(chart.Pixels().begin(), chart.Pixels().end());
        chart.Step();
        for (int y = 0; y < 145; ++y)
            for (int x = 0; x < 501; ++x) ASSERT_EQ(chart.PixelAt(x, y), ToColour(before[y * 505 + x + 2])) << x << "," << y;
        // With no line at all the grid scrolls as well; here the column is green but for the line.
        const bool grid = step % 5 == 0;
        EXPECT_EQ(RowsOf(chart, 504, kGreen).size() >= 140, grid) << step;
    }
    // Horizontal grid every 10 rows up from the base line at 0 %, in the new strip.
    EXPECT_EQ(RowsOf(chart, 503, kGreen), (std::set<int>{5, 15, 25, 35, 45, 55, 65, 75, 85, 95, 105, 115, 125, 135}));
}

TEST(StripChart, StepWithoutLinesScrollsTheGrid) {
    TStripChart chart;  // defaults: a vertical line every 8 steps (16 pixels)
    const std::set<int> full = ColumnsOf(chart, 0, kGreen);
    EXPECT_EQ(full, (std::set<int>{15, 31, 47, 63, 79, 95, 111, 127, 143, 159, 175, 191, 207}));
    chart.Step();
    EXPECT_EQ(ColumnsOf(chart, 0, kGreen), (std::set<int>{13, 29, 45, 61, 77, 93, 109, 125, 141, 157, 173, 189, 205}));
    for (int i = 2; i <= 8; ++i) chart.Step();
    EXPECT_EQ(ColumnsOf(chart, 0, kGreen), full);
    EXPECT_EQ(ColumnsOf(chart, 60, kRed), Range(0, 208));  // base line segments join up
    int events = 0;
    chart.OnUpdate = [&] { ++events; };
    chart.Step();
    EXPECT_EQ(events, 1);
}

TEST(StripChart, ResizeRedrawsHistoryFromTheNewRightEdge) {
    TStripChart chart;
    MainWindowSetup(chart);
    AddLine(chart, 100);
    for (int i = 0; i < 10; ++i) chart.Step();
    chart.SetSize(600, 145);
    EXPECT_EQ(chart.TotalTimeSteps(), 600);
    // 20 values from column 580; the newest point one update left of the edge, not drawn.
    EXPECT_EQ(ColumnsOf(chart, 0, kLine), Range(580, 598));
    EXPECT_EQ(CountOf(chart, kLine), 18u);

    chart.SetSize(5, 3);
    EXPECT_EQ(chart.Width(), 20);
    EXPECT_EQ(chart.Height(), 20);
    EXPECT_EQ(chart.Pixels().size(), 400u);
    EXPECT_EQ(chart.Maximum(), 20);
}

TEST(StripChart, RedrawGivesAnEmptyHistoryTwoZeros) {
    TStripChart chart;
    TStripChartLine& line = AddLine(chart, 80);
    chart.Redraw();
    EXPECT_EQ(line.History.Count(), 2);
    EXPECT_EQ(line.History.At(1), 0);
    EXPECT_EQ(CountOf(chart, kLine), 0u);
}

TEST(StripChart, PropertyRules) {
    TStripChart chart;
    chart.SetHorizontalGridSize(12);
    EXPECT_EQ(chart.GridSize(), -1);
    chart.SetGridSize(0);
    chart.SetVerticalGridSize(-3);
    EXPECT_EQ(chart.HorizontalGridSize(), 12);
    EXPECT_EQ(chart.VerticalGridSize(), 16);
    chart.SetGridSize(8);
    EXPECT_EQ(chart.GridSize(), 8);

    chart.SetUpdateTimeSteps(1);  // one pixel per update is too little
    EXPECT_EQ(chart.UpdateTimeSteps(), 2);
    chart.SetUpdateTimeSteps(0);
    chart.SetUpdateTimeSteps(3);
    EXPECT_EQ(chart.UpdateTimeSteps(), 3);

    // Pixel units follow the size; their writes are ignored.
    chart.SetMinimum(5);
    chart.SetMaximum(500);
    chart.SetTotalTimeSteps(1000);
    EXPECT_EQ(chart.Minimum(), 0);
    EXPECT_EQ(chart.Maximum(), 120);
    EXPECT_EQ(chart.TotalTimeSteps(), 208);

    chart.SetDisplayUnits(TDisplayUnits::Logical);
    chart.SetTotalTimeSteps(416);  // half a pixel per step
    chart.SetUpdateTimeSteps(3);
    EXPECT_EQ(chart.UpdateTimeSteps(), 2);
    chart.SetUpdateTimeSteps(4);
    EXPECT_EQ(chart.UpdateTimeSteps(), 4);
    chart.SetTotalTimeSteps(0);
    EXPECT_EQ(chart.TotalTimeSteps(), 416);
    chart.SetSize(300, 100);
    EXPECT_EQ(chart.TotalTimeSteps(), 416);  // logical units stay put
    EXPECT_EQ(chart.Maximum(), 120);

    chart.SetDisplayUnits(TDisplayUnits::Pixels);
    EXPECT_EQ(chart.TotalTimeSteps(), 300);
    EXPECT_EQ(chart.Maximum(), 100);
}

TEST(StripChart, AbsoluteBaseLine) {
    TStripChart chart;
    chart.SetDisplayUnits(TDisplayUnits::Logical);
    chart.SetMaximum(200);
    chart.SetBaseLineUnit(TValueUnit::Absolute);
    chart.SetBaseLine(50);  // 120 - 50 * 120 / 200
    EXPECT_EQ(RowsOf(chart, 0, kRed), std::set<int>{90});
    chart.SetBaseLineUnit(TValueUnit::Percent);
    EXPECT_EQ(RowsOf(chart, 0, kRed), std::set<int>{60});
    // An empty value range draws neither grid rows nor a base line, and does not hang.
    chart.SetBaseLineUnit(TValueUnit::Absolute);
    chart.SetMaximum(0);
    EXPECT_TRUE(RowsOf(chart, 0, kRed).empty());
    chart.Step();
}

TEST(LineHistory, Reads) {
    TLineHistory h;
    EXPECT_EQ(h.At(0), 0);
    EXPECT_EQ(h.At(-4), 0);
    h.Append(7);
    h.Append(8);
    h.Append(9);
    EXPECT_EQ(h.At(-2), 7);  // before the start: the oldest value
    EXPECT_EQ(h.At(1), 8);
    EXPECT_EQ(h.At(2), 9);
    for (int i = 0; i < 100; ++i) h.Append(i);
    h.Trim(10);
    EXPECT_EQ(h.Count(), 103);
    EXPECT_EQ(h.FirstStored(), 93);
    EXPECT_EQ(h.At(-1), 7);  // still the oldest of the run
    EXPECT_EQ(h.At(0), 7);
    EXPECT_EQ(h.At(102), 99);
}

// Dropping history that can no longer be drawn changes nothing on the picture, also
// after the window is made wider; and the storage stops growing.
TEST(StripChart, KeptHistoryDrawsAsTheWholeHistory) {
    TStripChart kept, whole;
    whole.KeepWholeHistory(true);
    for (TStripChart* c : {&kept, &whole}) {
        MainWindowSetup(*c);
        c->SetGridColor(kGreen);
        c->SetBaseLine(30);
        c->SetBaseColor(kRed);
    }
    std::mt19937 random(3);
    size_t capacity_mid = 0;
    for (int step = 0; step < 6000; ++step) {
        if (step % 700 == 0)
            for (TStripChart* c : {&kept, &whole}) AddLine(*c, 0, RgbColour(static_cast<uint8_t>(step / 7), 1, 2));
        const int32_t quality = static_cast<int32_t>(random() % 101);
        for (TStripChart* c : {&kept, &whole}) {
            c->Line(c->LineCount() - 1 - static_cast<size_t>(step % c->LineCount())).Position = quality;
            c->Step();
        }
        if (step == 3600) capacity_mid = kept.Line(0).History.Capacity();
    }
    ASSERT_EQ(Picture(kept), Picture(whole));
    EXPECT_EQ(kept.Line(0).History.Capacity(), capacity_mid);
    EXPECT_GT(kept.Line(0).History.FirstStored(), 0);

    for (const auto& [w, h] : {std::pair{1500, 145}, {3000, 200}, {400, 60}}) {
        kept.SetSize(w, h);
        whole.SetSize(w, h);
        ASSERT_EQ(Picture(kept), Picture(whole)) << w;
        for (int i = 0; i < 3; ++i) {
            kept.Step();
            whole.Step();
        }
        ASSERT_EQ(Picture(kept), Picture(whole)) << w;
    }

    // Wider than the history kept: the kept part still matches, the rest stays empty.
    kept.SetSize(5000, 145);
    whole.SetSize(5000, 145);
    for (int y = 0; y < 145; ++y)
        for (int x = 5000 - static_cast<int>(TStripChart::kKeptHistoryFloor) + 8; x < 5000; ++x)
            ASSERT_EQ(kept.PixelAt(x, y), whole.PixelAt(x, y)) << x << "," << y;
    EXPECT_NE(Picture(kept), Picture(whole));
}

TEST(StripChart, HighlightedLineIsThickAndInFrontAndLinesAtNamesWhatIsThere) {
    TStripChart chart;
    MainWindowSetup(chart);
    constexpr Colour kOther = RgbColour(200, 10, 10);
    AddLine(chart, 50, kLine);
    AddLine(chart, 50, kOther);  // same value: drawn over the first
    AddLine(chart, 0, kRed);     // below the picture
    for (int i = 0; i < 5; ++i) chart.Step();
    const int x = chart.Width() - 5;
    EXPECT_EQ(RowsOf(chart, x, kOther), (std::set<int>{73}));
    EXPECT_TRUE(RowsOf(chart, x, kLine).empty());

    chart.SetHighlightedLine(0);  // redraws the whole history
    EXPECT_EQ(RowsOf(chart, x, kLine), (std::set<int>{72, 73, 74}));
    chart.Step();  // and the new strip keeps it so
    EXPECT_EQ(RowsOf(chart, chart.Width() - 1, kLine), (std::set<int>{72, 73, 74}));
    EXPECT_EQ(RowsOf(chart, x, kLine), (std::set<int>{72, 73, 74}));
    chart.SetHighlightedLine(TStripChart::kNoLine);
    EXPECT_EQ(RowsOf(chart, x, kOther), (std::set<int>{73}));
    chart.SetHighlightedLine(7);  // no such line: none
    EXPECT_EQ(chart.HighlightedLine(), TStripChart::kNoLine);

    EXPECT_EQ(chart.LinesAt(x, 75, 3), (std::vector<size_t>{0, 1}));
    EXPECT_TRUE(chart.LinesAt(x, 90, 3).empty());
    EXPECT_TRUE(chart.LinesAt(x, 144, 3).empty());  // the line at 0 is out of sight
    EXPECT_TRUE(chart.LinesAt(10, 73, 3).empty());  // left of the history: nothing drawn there
}

// The points another drawing of a line takes (high contrast) lie where the line is drawn and named.
TEST(StripChart, LinePointsFollowTheDrawnLine) {
    TStripChart chart;
    MainWindowSetup(chart);
    TStripChartLine& line = AddLine(chart, 50);
    for (int i = 0; i < 40; ++i) {
        line.Position = 20 + (i * 7) % 60;
        chart.Step();
    }
    const std::vector<TStripChart::Point> points = chart.LinePoints(0);
    ASSERT_GE(points.size(), 2u);
    EXPECT_LE(points.front().x, chart.Width());
    EXPECT_GE(points.back().x, chart.Width() - 2);  // the newest value, at the right edge
    EXPECT_EQ(points.back().y, chart.ValueToY(line, line.Position));
    for (size_t i = 1; i < points.size(); ++i) EXPECT_GT(points[i].x, points[i - 1].x);
    // Each segment starts at its point; a redraw leaves out the newest update.
    chart.Redraw();
    for (size_t i = 0; i + 2 < points.size(); ++i) {
        const TStripChart::Point& p = points[i];
        if (p.x < 0 || p.x >= chart.Width() || p.y < 0 || p.y >= chart.Height()) continue;
        EXPECT_EQ(chart.PixelAt(static_cast<int>(p.x), static_cast<int>(p.y)), kLine) << p.x;
    }
    EXPECT_TRUE(chart.LinePoints(1).empty());
}

// Where lines cross, the one drawn later lies on top, step after step as in a redraw
// of the whole history: a redraw (a resize, a new highlight) must not reshuffle them.
// The newest update's columns are left out: a redraw ends the lines one update earlier.
TEST(StripChart, StepsLayLinesAsARedrawDoes) {
    for (const bool jumping : {false, true}) {
        TStripChart chart;
        MainWindowSetup(chart);
        std::mt19937 random(5);
        for (int i = 0; i < 40; ++i)
            AddLine(chart, static_cast<int32_t>(random() % 101),
                    RgbColour(static_cast<uint8_t>(i * 37 + 5), static_cast<uint8_t>(i * 91), static_cast<uint8_t>(i * 13)));
        chart.SetHighlightedLine(3);
        for (int step = 0; step < 300; ++step) {
            for (size_t i = 0; i < chart.LineCount(); ++i) {
                int32_t& q = chart.Line(i).Position;
                q = jumping ? static_cast<int32_t>(random() % 101)
                            : std::clamp<int32_t>(q + static_cast<int32_t>(random() % 7) - 3, 0, 100);
            }
            chart.Step();
        }
        const std::vector<Pixel> stepped = Picture(chart);
        chart.Redraw();
        const int w = chart.Width(), edge = w - 2 * static_cast<int>(chart.UpdateTimeSteps());
        int differing = 0;
        for (int y = 0; y < chart.Height(); ++y)
            for (int x = 0; x < edge; ++x) differing += stepped[static_cast<size_t>(y) * w + x] != ToPixel(chart.PixelAt(x, y));
        EXPECT_EQ(differing, 0) << (jumping ? "jumping" : "drifting");
    }
}

// Pictures drawn step by step, fingerprinted: any change to what a step draws shows
// here. Each case mixes what the drawing meets in use: drifting and jumping lines,
// values outside the picture, a line added and a colour changed between steps, a
// highlighted line, grid and base line, more than two pixels per update, resizes, and
// runs long enough to wrap any internal scrolling.
TEST(StripChart, StepsDrawTheReferencePictures) {
    struct Case {
        const char* name;
        int width, height, lines, steps;
        int spread;  // 0: drift by up to 3 points a step, else jump anywhere in [-spread, 100 + spread]
        int total_steps;  // logical units over this many steps; 0: pixel units
        uint64_t expected;
    };
    const Case cases[] = {
        {"main window, drifting", 505, 145, 40, 700, 0, 0, 3969662064916205388u},
        {"main window, jumping", 505, 145, 40, 700, 30, 0, 11780448212876456731u},
        {"logical units, 3 pixels per update", 208, 120, 12, 500, 10, 138, 5363318735636499085u},
        {"small, long run", 40, 30, 5, 12000, 0, 0, 5283903714082368984u},
        {"updates over half the width", 40, 30, 6, 60, 10, 3, 482560282059960544u},
        {"updates wider than the picture", 40, 30, 6, 60, 10, 1, 16204985021719692398u},
    };
    for (const Case& c : cases) {
        TStripChart chart;
        chart.SetSize(c.width, c.height);
        chart.SetGridSize(10);
        chart.SetBaseLine(30);
        if (c.total_steps) {
            chart.SetDisplayUnits(TDisplayUnits::Logical);
            chart.SetMinimum(-40);
            chart.SetMaximum(140);
            chart.SetTotalTimeSteps(c.total_steps);
            chart.SetUpdateTimeSteps(2);
        }
        std::mt19937 random(11);
        for (int i = 0; i < c.lines; ++i) {
            TStripChartLine& line = AddLine(chart, static_cast<int32_t>(random() % 101),
                                            RgbColour(static_cast<uint8_t>(i * 37 + 5), static_cast<uint8_t>(i * 91),
                                                      static_cast<uint8_t>(i * 13)));
            if (c.total_steps && i % 3 == 0) line.PositionUnit = TValueUnit::Absolute;
        }
        for (int step = 0; step < c.steps; ++step) {
            for (size_t i = 0; i < chart.LineCount(); ++i) {
                int32_t& q = chart.Line(i).Position;
                q = c.spread ? static_cast<int32_t>(random() % (101 + 2 * c.spread)) - c.spread
                             : std::clamp<int32_t>(q + static_cast<int32_t>(random() % 7) - 3, 0, 100);
            }
            if (step == c.steps / 4) AddLine(chart, 60, RgbColour(250, 250, 5));  // a network found
            if (step == c.steps / 4 + 9) chart.Line(2).Color = RgbColour(5, 250, 250);
            if (step == c.steps / 3) chart.SetHighlightedLine(1);
            if (step == c.steps / 2) chart.SetSize(c.width + 7, c.height - 3);
            if (step == 2 * c.steps / 3) chart.Line(0).Position = 0;  // a network gone
            chart.Step();
        }
        EXPECT_EQ(PictureFingerprint(chart.Pixels()), c.expected) << c.name;
    }
}

}  // namespace
