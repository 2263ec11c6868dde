#include "survey/channel_graph.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/crowded_band.h"
#include "support/picture_fingerprint.h"
#include "wireless/scan_harness.h"
#include "wireless/value_text.h"

namespace {

struct ChannelCase {
    WifiBand band;
    uint32_t channel;
    uint32_t mhz;  // 0: no channel of the band
};

TEST(ChannelGraph, ChannelsAndFrequenciesMapBothWays) {
    const ChannelCase cases[] = {
        {WifiBand::Ghz24, 1, 2412},  {WifiBand::Ghz24, 6, 2437},   {WifiBand::Ghz24, 13, 2472},
        {WifiBand::Ghz24, 14, 2484}, {WifiBand::Ghz24, 0, 0},      {WifiBand::Ghz24, 15, 0},
        {WifiBand::Ghz5, 36, 5180},  {WifiBand::Ghz5, 165, 5825},  {WifiBand::Ghz5, 177, 5885},
        {WifiBand::Ghz5, 178, 0},    {WifiBand::Ghz5, 1, 0},       {WifiBand::Ghz6, 1, 5955},
        {WifiBand::Ghz6, 2, 5935},   {WifiBand::Ghz6, 233, 7115},  {WifiBand::Ghz6, 234, 0},
    };
    for (const ChannelCase& c : cases) {
        EXPECT_EQ(ChannelMhz(c.band, c.channel), c.mhz) << c.channel;
        if (!c.mhz) continue;
        EXPECT_EQ(BandOfKhz(c.mhz * 1000), c.band) << c.channel;
        EXPECT_EQ(FrequencyToChannel(c.mhz * 1000), static_cast<int32_t>(c.channel));
    }
    EXPECT_EQ(BandOfKhz(900000), std::nullopt);

    // Every row of the tables lies on the axis and maps back to itself.
    const size_t counts[] = {14, 28, 59};
    for (WifiBand band : kWifiBands) {
        const std::vector<uint32_t> channels = BandChannels(band);
        EXPECT_EQ(channels.size(), counts[static_cast<int>(band)]);
        const BandPlan& plan = PlanOf(band);
        for (uint32_t channel : channels) {
            const uint32_t mhz = ChannelMhz(band, channel);
            EXPECT_GE(mhz - 10, plan.lowMhz);
            EXPECT_LE(mhz + 10, plan.highMhz);
            EXPECT_EQ(FrequencyToChannel(mhz * 1000), static_cast<int32_t>(channel));
        }
    }
    EXPECT_EQ(CandidateChannels(WifiBand::Ghz24), (std::vector<uint32_t>{1, 6, 11}));
    EXPECT_EQ(CandidateChannels(WifiBand::Ghz5), BandChannels(WifiBand::Ghz5));
    EXPECT_EQ(PlanOf(WifiBand::Ghz6).name, "6 GHz");
}

// Access points as the service hands them over, elements and all.
constexpr char kBands[] = R"({"interfaces": [{"bss": [
  {"bssid": "02:00:00:00:00:01", "ssid": "Plain", "frequency_khz": 2437000, "rssi": -40},
  {"bssid": "02:00:00:00:00:02", "ssid": "Ht40", "frequency_khz": 2412000, "rssi": -50,
   "ies": [{"id": 61, "hex": "01 05 00000000000000000000000000000000000000"}]},
  {"bssid": "02:00:00:00:00:03", "ssid": "Vht80", "frequency_khz": 5180000, "rssi": -60,
   "ies": [{"id": 61, "hex": "24 05 00000000000000000000000000000000000000"}, {"id": 192, "hex": "01 2a 00 fa ff"}]},
  {"bssid": "02:00:00:00:00:04", "ssid": "Split", "frequency_khz": 5180000, "rssi": -70,
   "ies": [{"id": 61, "hex": "24 05 00000000000000000000000000000000000000"}, {"id": 192, "hex": "01 2a 6a fa ff"}]},
  {"bssid": "02:00:00:00:00:05", "ssid": "Astray", "frequency_khz": 5180000, "rssi": -75,
   "ies": [{"id": 61, "hex": "24 05 00000000000000000000000000000000000000"}, {"id": 192, "hex": "01 9b 00 fa ff"}]},
  {"bssid": "02:00:00:00:00:06", "ssid": "Six", "frequency_khz": 6135000, "rssi": -45,
   "ies": [{"ext": 36, "hex": "04 00 02 2a fc ff 25 03 27 2f 06"}]},
  {"bssid": "02:00:00:00:00:07", "ssid": "", "frequency_khz": 5745000, "rssi": -88},
  {"bssid": "02:00:00:00:00:08", "ssid": "Elsewhere", "frequency_khz": 900000, "rssi": -30}
]}]})";

TEST(ChannelGraph, AccessPointsTakeWidthAndCentreFromTheirElements) {
    scantest::Harness h(kBands);
    ASSERT_EQ(h.Tick(), 0u);
    const auto colourOf = [](const std::string& name) -> std::optional<Colour> {
        if (name == "Vht80") return RgbColour(1, 2, 3);
        return std::nullopt;
    };
    const std::vector<ChannelAp> aps = ChannelAccessPoints(h.state.bssList.get(), colourOf);
    struct Expected {
        const char* ssid;
        WifiBand band;
        uint32_t primary, width;
        std::vector<uint32_t> centres;
        const char* widthText;
        const char* channelText;
    };
    const Expected expected[] = {
        {"Plain", WifiBand::Ghz24, 6, 20, {2437}, "20 MHz", "6"},
        {"Ht40", WifiBand::Ghz24, 1, 40, {2422}, "40 MHz", "1 (centre 3)"},
        {"Vht80", WifiBand::Ghz5, 36, 80, {5210}, "80 MHz", "36 (centre 42)"},
        {"Split", WifiBand::Ghz5, 36, 80, {5210, 5530}, "80+80 MHz", "36 (centre 42+106)"},
        {"Astray", WifiBand::Ghz5, 36, 20, {5180}, "20 MHz", "36"},  // a centre far from its own channel
        {"Six", WifiBand::Ghz6, 37, 160, {6185}, "160 MHz", "37 (centre 47)"},
        {"<Hidden SSID>", WifiBand::Ghz5, 149, 20, {5745}, "20 MHz", "149"},
    };
    ASSERT_EQ(aps.size(), std::size(expected));  // 900 MHz is no band of the graph
    for (size_t i = 0; i < aps.size(); ++i) {
        const Expected& e = expected[i];
        EXPECT_EQ(aps[i].ssid, e.ssid);
        EXPECT_EQ(aps[i].band, e.band) << e.ssid;
        EXPECT_EQ(aps[i].primaryChannel, e.primary) << e.ssid;
        EXPECT_EQ(aps[i].widthMhz, e.width) << e.ssid;
        EXPECT_EQ(aps[i].centreMhz, e.centres) << e.ssid;
        EXPECT_EQ(ApWidthText(aps[i]), e.widthText);
        EXPECT_EQ(ApChannelText(aps[i]), e.channelText);
        EXPECT_EQ(aps[i].colour, std::string(e.ssid) == "Vht80" ? RgbColour(1, 2, 3) : RgbColour(128, 128, 128));
    }
    EXPECT_EQ(ApTipText(aps[3]), "Split\r\nBSSID 02:00:00:00:00:04\r\nRSSI -70 dBm\r\nWidth 80+80 MHz\r\nChannel 36 (centre 42+106)");
}

ChannelAp Ap(const char* ssid, WifiBand band, uint32_t primary, int32_t rssi, uint32_t width = 20,
             uint32_t centreChannel = 0) {
    ChannelAp ap;
    ap.ssid = ssid;
    ap.bssid = std::string("02:00:00:00:00:") + ssid;
    ap.band = band;
    ap.primaryChannel = primary;
    ap.rssi = rssi;
    ap.widthMhz = width;
    ap.centreMhz = {ChannelMhz(band, centreChannel ? centreChannel : primary)};
    return ap;
}

// The 2.4 GHz axis spans 2397..2499 MHz: 1020 pixels make 10 per MHz, 400 make 5 per dB.
constexpr PlotRect kPlot{40, 10, 1060, 410};

TEST(ChannelGraph, ShapesSitOnTheirChannelsAsHighAsTheirSignal) {
    const GraphScale scale(WifiBand::Ghz24, kPlot);
    EXPECT_DOUBLE_EQ(scale.X(2397), 40);
    EXPECT_DOUBLE_EQ(scale.X(2499), 1060);
    EXPECT_DOUBLE_EQ(scale.Y(-20), 10);
    EXPECT_DOUBLE_EQ(scale.Y(-100), 410);

    struct Case {
        ChannelAp ap;
        Trapezoid shape;
    };
    const Case cases[] = {
        {Ap("a", WifiBand::Ghz24, 6, -60), {340, 540, 365, 515, 210, 410}},
        {Ap("b", WifiBand::Ghz24, 1, -20, 40, 3), {90, 490, 140, 440, 10, 410}},
        {Ap("c", WifiBand::Ghz24, 11, -5), {590, 790, 615, 765, 10, 410}},    // held to the top
        {Ap("d", WifiBand::Ghz24, 11, -120), {590, 790, 615, 765, 410, 410}},  // and to the floor
    };
    for (const Case& c : cases) {
        const std::vector<Trapezoid> shapes = ShapesOf(c.ap, scale);
        ASSERT_EQ(shapes.size(), 1u);
        const Trapezoid& t = shapes[0];
        EXPECT_DOUBLE_EQ(t.baseLeft, c.shape.baseLeft) << c.ap.ssid;
        EXPECT_DOUBLE_EQ(t.baseRight, c.shape.baseRight) << c.ap.ssid;
        EXPECT_DOUBLE_EQ(t.topLeft, c.shape.topLeft) << c.ap.ssid;
        EXPECT_DOUBLE_EQ(t.topRight, c.shape.topRight) << c.ap.ssid;
        EXPECT_DOUBLE_EQ(t.top, c.shape.top) << c.ap.ssid;
        EXPECT_DOUBLE_EQ(t.base, c.shape.base) << c.ap.ssid;
    }
    const Trapezoid t = ShapesOf(cases[0].ap, scale)[0];
    EXPECT_DOUBLE_EQ(t.LeftAt(310), 352.5);  // half way up the slope
    EXPECT_DOUBLE_EQ(t.RightAt(0), 515);     // above the top: the top's edge

    ChannelAp split = Ap("s", WifiBand::Ghz5, 36, -50, 80);
    split.centreMhz = {5210, 5530};
    EXPECT_EQ(ShapesOf(split, GraphScale(WifiBand::Ghz5, kPlot)).size(), 2u);
}

TEST(ChannelGraph, HitTestNamesTheWeakestShapeUnderThePoint) {
    const std::vector<ChannelAp> aps = {
        Ap("strong", WifiBand::Ghz24, 6, -30),   // 340..540, top at y 60
        Ap("weak", WifiBand::Ghz24, 6, -80),     // same span, top at y 310
        Ap("left", WifiBand::Ghz24, 1, -60),     // 90..290, top at y 210
        Ap("five", WifiBand::Ghz5, 36, -20, 160, 50),  // another band: never under a 2.4 GHz point
    };
    const GraphScale scale(WifiBand::Ghz24, kPlot);
    struct Case {
        double x, y;
        const char* name;  // nullptr: none
    };
    const Case cases[] = {
        {440, 350, "weak"},   {440, 300, "strong"}, {440, 306, "weak"},  // within 4 px of the weak top
        {440, 57, "strong"},  {440, 55, nullptr},   {345, 100, nullptr},  // left of the slope up there
        {190, 400, "left"},   {300, 400, nullptr},  {292, 400, "left"},   // just right of the base
        {1000, 200, nullptr}, {190, 415, nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<size_t> hit = AccessPointAt(aps, scale, c.x, c.y, 4);
        if (!c.name) {
            EXPECT_EQ(hit, std::nullopt) << c.x << "," << c.y;
        } else {
            ASSERT_TRUE(hit) << c.x << "," << c.y;
            EXPECT_EQ(aps[*hit].ssid, c.name) << c.x << "," << c.y;
        }
    }
    EXPECT_EQ(DrawingOrder(aps, WifiBand::Ghz24), (std::vector<size_t>{0, 2, 1}));
}

TEST(ChannelGraph, TableCountsLoadsAndMarksTheBestChannels) {
    // Full strength on 6: 1 on its own channel, falling by a quarter per 5 MHz away.
    std::vector<ChannelAp> aps = {Ap("six", WifiBand::Ghz24, 6, -20), Ap("six2", WifiBand::Ghz24, 6, -60),
                                  Ap("ht", WifiBand::Ghz5, 36, -60, 80, 42)};
    std::vector<ChannelRow> rows = ChannelTable(aps, WifiBand::Ghz24);
    ASSERT_EQ(rows.size(), 14u);
    const double loads[] = {0, 0, 0.375, 0.75, 1.125, 1.5, 1.125, 0.75, 0.375, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].channel, i + 1);
        EXPECT_DOUBLE_EQ(rows[i].load, loads[i]) << rows[i].channel;
        EXPECT_EQ(rows[i].best, rows[i].channel == 1 || rows[i].channel == 11) << rows[i].channel;  // 14 is no candidate
    }
    EXPECT_EQ(ChannelRowCells(rows[5]), (std::vector<std::string>{"6", "2", "-20 dBm", "1.50", ""}));
    EXPECT_EQ(ChannelRowCells(rows[0]), (std::vector<std::string>{"1", "0", "", "0.00", "Yes"}));

    // An 80 MHz channel loads each of its four 20 MHz channels; the rest of the band is best.
    rows = ChannelTable(aps, WifiBand::Ghz5);
    for (const ChannelRow& r : rows) {
        const bool inside = r.channel >= 36 && r.channel <= 48;
        EXPECT_DOUBLE_EQ(r.load, inside ? 0.5 : 0) << r.channel;
        EXPECT_EQ(r.best, !inside) << r.channel;
        EXPECT_EQ(r.accessPoints, r.channel == 36 ? 1 : 0) << r.channel;
    }
    EXPECT_EQ(RecommendationText(ChannelTable(aps, WifiBand::Ghz24), WifiBand::Ghz24),
              "Best 2.4 GHz channels: 1, 11 (least load: 0.00)");
    aps.push_back(Ap("one", WifiBand::Ghz24, 1, -40));
    EXPECT_EQ(RecommendationText(ChannelTable(aps, WifiBand::Ghz24), WifiBand::Ghz24),
              "Best 2.4 GHz channel: 11 (least load: 0.00)");
    // An empty band: nothing heard, nothing recommended.
    for (const ChannelRow& r : ChannelTable(aps, WifiBand::Ghz6)) EXPECT_FALSE(r.best);
    EXPECT_EQ(RecommendationText(ChannelTable(aps, WifiBand::Ghz6), WifiBand::Ghz6), "6 GHz: no access points heard");
    EXPECT_EQ(ChannelTableColumns().size(), ChannelRowCells(rows[0]).size());

    SetDecimalSeparator(",");
    EXPECT_EQ(ChannelRowCells(rows[0])[3], "0,50");
    EXPECT_EQ(ChannelRowCells({6, 0, std::nullopt, 1.125, false})[3], "1,13");
    EXPECT_EQ(ChannelRowCells({6, 0, std::nullopt, 12.004, false})[3], "12,00");
    SetDecimalSeparator("");
    // Four SSIDs of one radio on channel 1 are one transmitter: they load it as one access point does.
    std::vector<ChannelAp> radio;
    for (const char* ssid : {"r1", "r2", "r3", "r4"}) {
        radio.push_back(Ap(ssid, WifiBand::Ghz24, 1, -20));
        radio.back().radio = "02:00:00:00:00:r1";
    }
    radio.push_back(Ap("eleven", WifiBand::Ghz24, 11, -20));
    rows = ChannelTable(radio, WifiBand::Ghz24);
    EXPECT_DOUBLE_EQ(rows[0].load, 1.0);
    EXPECT_EQ(rows[0].accessPoints, 4) << "the column still counts BSSIDs";
    EXPECT_DOUBLE_EQ(rows[10].load, 1.0);
    EXPECT_TRUE(rows[5].best) << "6 lies between two single transmitters";

    EXPECT_DOUBLE_EQ(SignalWeight(-100), 0);
    EXPECT_DOUBLE_EQ(SignalWeight(-60), 0.5);
    EXPECT_DOUBLE_EQ(SignalWeight(-10), 1);
}

TEST(ChannelGraph, AxisLabelsThinOutToFitAndLabelsDoNotOverlap) {
    const GraphScale wide(WifiBand::Ghz24, kPlot);  // 50 pixels per channel
    EXPECT_EQ(AxisChannels(wide, 30).size(), 14u);
    const GraphScale narrow(WifiBand::Ghz24, {0, 0, 204, 100});  // 10 pixels per channel
    EXPECT_EQ(AxisChannels(narrow, 30), (std::vector<uint32_t>{1, 5, 9, 13}));
    const GraphScale five(WifiBand::Ghz5, {0, 0, 735, 100});  // 1 pixel per MHz
    const std::vector<uint32_t> labels = AxisChannels(five, 30);
    EXPECT_EQ(labels.front(), 36u);
    for (size_t i = 1; i < labels.size(); ++i)
        EXPECT_GE(ChannelMhz(WifiBand::Ghz5, labels[i]) - ChannelMhz(WifiBand::Ghz5, labels[i - 1]), 30u);
    EXPECT_EQ(DbmGridLines().size(), 9u);

    EXPECT_EQ(ReadableColour(RgbColour(0, 0, 200)), RgbColour(0, 0, 200));
    EXPECT_EQ(ReadableColour(RgbColour(255, 255, 255)), RgbColour(140, 140, 140));
    EXPECT_EQ(PlaceLabels({{0, 0, 50, 10}, {40, 5, 90, 15}, {50, 0, 100, 10}, {0, 10, 50, 20}}),
              (std::vector<bool>{true, false, true, true}));
}

// Colours that differ by rounding only.
::testing::AssertionResult Near(Colour a, Colour b) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > 1)
            return ::testing::AssertionFailure() << std::hex << a << " is not " << b;
    return ::testing::AssertionSuccess();
}

TEST(ChannelGraph, FillsBlendTranslucentlyWithSoftEdgesInsideThePlot) {
    GraphPicture picture;
    picture.Resize(20, 10);
    std::fill(picture.pixels.begin(), picture.pixels.end(), ToPixel(RgbColour(255, 255, 255)));
    const Colour white = RgbColour(255, 255, 255), blue = RgbColour(0, 0, 255), red = RgbColour(255, 0, 0);
    // A rectangle from x 2.5 to 10, rows 2 to 8, clipped at column 8; half its alpha in row 1.
    FillShapes(picture, {{{2.5, 10, 2.5, 10, 1.5, 8}, blue}}, 128, 0, 8);
    EXPECT_TRUE(Near(picture.At(5, 5), RgbColour(127, 127, 255)));  // half way to blue
    EXPECT_TRUE(Near(picture.At(2, 5), RgbColour(191, 191, 255)));  // half covered: a quarter of the way
    EXPECT_TRUE(Near(picture.At(5, 1), RgbColour(191, 191, 255)));
    EXPECT_EQ(picture.At(1, 5), white);
    EXPECT_EQ(picture.At(8, 5), white);  // clipped
    EXPECT_EQ(picture.At(5, 0), white);
    EXPECT_EQ(picture.At(5, 8), white);
    // A shape narrower than a pixel covers its share of it.
    FillShapes(picture, {{{12.25, 12.75, 12.25, 12.75, 0, 10}, blue}}, 128);
    EXPECT_TRUE(Near(picture.At(12, 5), RgbColour(191, 191, 255)));
    EXPECT_EQ(picture.At(13, 5), white);
    // Two shapes over each other: their mean colour, as opaque as two layers.
    picture.Resize(20, 10);
    std::fill(picture.pixels.begin(), picture.pixels.end(), ToPixel(white));
    FillShapes(picture, {{{0, 20, 0, 20, 0, 10}, red}, {{0, 10, 0, 10, 0, 10}, blue}}, 128);
    EXPECT_TRUE(Near(picture.At(5, 5), RgbColour(159, 64, 159)));  // 3/4 of the way to the mean (128, 0, 128)
    EXPECT_TRUE(Near(picture.At(15, 5), RgbColour(255, 127, 127)));

    // The whole graph: the plot on its background, the grid, the fills in their colours.
    picture.Resize(1100, 420);
    const GraphScale scale(WifiBand::Ghz24, kPlot);
    ChannelAp ap = Ap("a", WifiBand::Ghz24, 6, -60);
    ap.colour = RgbColour(0, 0, 0);
    const GraphStyle style;
    RenderGraph(picture, scale, {ap}, {1, 6}, style);
    EXPECT_EQ(picture.At(5, 5), style.background);
    EXPECT_EQ(picture.At(45, 150), style.plotBackground);
    EXPECT_EQ(picture.At(45, 110), style.grid);                             // -40 dBm
    EXPECT_EQ(picture.At(static_cast<int>(scale.X(2412)), 150), style.grid);  // channel 1
    const Colour inside = picture.At(400, 300);
    EXPECT_LT(inside & 0xFF, style.plotBackground & 0xFF);
    EXPECT_GT(inside & 0xFF, 0u);  // translucent
    // Outlined: the top from 365 to 515 on row 210, the sides down to the floor.
    const Colour black = RgbColour(0, 0, 0);
    for (auto [x, y] : {std::pair{440, 210}, {365, 210}, {515, 210}, {340, 409}, {540, 409}, {352, 310}, {528, 310}})
        EXPECT_EQ(picture.At(x, y), black) << x << "," << y;
    EXPECT_NE(picture.At(440, 212), black);
    RenderGraph(picture, scale, {ap}, {1, 6}, style, 0);  // highlighted: three rows thick
    EXPECT_EQ(picture.At(440, 212), black);
    EXPECT_NE(picture.At(440, 213), black);
}

// Pictures taken before the fills and outlines were made faster: the faster ways draw them unchanged.
TEST(ChannelGraph, RendersTheReferencePictures) {
    struct Case {
        WifiBand band;
        int width, height;
        std::optional<size_t> highlighted;
        uint64_t expected;
    };
    const Case cases[] = {
        {WifiBand::Ghz24, 732, 318, std::nullopt, 3837814509988821203u},
        {WifiBand::Ghz5, 732, 318, 7, 7392488156638557356u},
        {WifiBand::Ghz6, 732, 318, std::nullopt, 17229863632916322229u},
        {WifiBand::Ghz24, 1400, 700, 3, 7940447654392827155u},
        {WifiBand::Ghz5, 1400, 700, std::nullopt, 1305983174000085177u},
        {WifiBand::Ghz6, 1400, 700, std::nullopt, 6213146259401743812u},
    };
    for (const Case& c : cases) {
        const GraphScale scale(c.band, {40, 10, c.width - 12, c.height - 30});
        GraphPicture picture;
        picture.Resize(c.width, c.height);
        GraphStyle style;
        style.lineWidth = c.width > 1000 ? 2 : 1;
        RenderGraph(picture, scale, CrowdedBand(c.band), AxisChannels(scale, 30), style, c.highlighted);
        EXPECT_EQ(PictureFingerprint(picture.pixels), c.expected) << PlanOf(c.band).name << " " << c.width << "x" << c.height;
    }
}

}  // namespace
