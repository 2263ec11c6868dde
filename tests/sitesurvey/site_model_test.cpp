#include "sitesurvey/site_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace sitesurvey;

// A 20 x 10 m corridor measured every 2 m along y = 5: "Office" on channel 6 at (4, 2),
// "Lab" on channel 11 at (16, 8), and a passer-by heard at two places only.
SiteModel Corridor() {
    const PathLossModel office{{4, 2}, -35, 3.0, 0}, lab{{16, 8}, -38, 2.5, 0};
    std::vector<MeasuredPlace> places;
    for (int x = 0; x <= 20; x += 2) {
        MeasuredPlace p{{static_cast<double>(x), 5}, {}};
        p.heard.push_back({"02:00:00:00:00:01", "Office", office.Predict(p.at), 2437000});
        p.heard.push_back({"02:00:00:00:00:02", "Lab", lab.Predict(p.at), 2462000});
        if (x < 4) p.heard.push_back({"02:00:00:00:00:03", "Phone", -80, 2412000});
        places.push_back(p);
    }
    return SiteModel(places);
}

TEST(SiteModel, FitsEveryAccessPointHeardAtEnoughPlaces) {
    const SiteModel model = Corridor();
    ASSERT_EQ(model.AccessPoints().size(), 2u);  // the passer-by was heard at two places
    const ApEstimate& office = model.AccessPoints()[0];
    EXPECT_EQ(office.ssid, "Office");
    EXPECT_EQ(office.channel, 6u);
    EXPECT_EQ(office.places.size(), 11u);
    // Measured along one line only, the side of the line is a guess: the distances are not.
    EXPECT_NEAR(std::abs(office.field.Model().position.y - 5), 3, 0.01);
    EXPECT_NEAR(office.field.Model().position.x, 4, 0.01);
    EXPECT_NEAR(model.HeardAt({10, 5})[1].rssi, PathLossModel({{16, 8}, -38, 2.5, 0}).Predict({10, 5}), 0.01);
    EXPECT_NEAR(*model.LeaveOneOutRmse(Layer::Signal, {Target::Kind::Bssid, "02:00:00:00:00:02"}), 0, 0.01);
    EXPECT_NEAR(*model.LeaveOneOutRmse(Layer::Channel, {}), 0, 1e-9);
}

TEST(SiteModel, NothingIsPaintedFarFromAMeasuredPlace) {
    const SiteModel model = Corridor();
    const GridLayout layout{0, 0, 0.5, 61, 41};  // 30 x 20 m
    const LayerGrid grid = SampleLayer(model, {Layer::Signal, {}, kDefaultCountThreshold, 10}, layout);
    int painted = 0;
    for (int j = 0; j < layout.rows; ++j)
        for (int i = 0; i < layout.columns; ++i) {
            const Place at{i * 0.5, j * 0.5};
            const double nearest = model.DistanceToNearestPlace(at);
            if (nearest > 10) {
                EXPECT_FALSE(grid.At(i, j)) << at.x << "," << at.y;
            } else if (nearest < 9.99) {
                ASSERT_TRUE(grid.At(i, j)) << at.x << "," << at.y;
                ++painted;
            }
        }
    EXPECT_GT(painted, 500);
    const LayerGrid count = SampleLayer(model, {Layer::Count, {}, -60, 10}, layout);
    // On the measured line the fit is exact: (4, 5) hears only "Office" above -60 dBm, (10, 5) both.
    EXPECT_EQ(count.At(8, 10), 1);
    EXPECT_EQ(count.At(20, 10), 2);
    EXPECT_EQ(count.At(40, 10), 1);  // (20, 5): "Lab" alone
}

// The grid combines the sampled fields as LayerValue combines what is heard at a place.
TEST(SiteModel, GridValuesAreTheLayerValuesAtTheCells) {
    const SiteModel model = Corridor();
    const GridLayout layout{0, 0, 1.0, 21, 11};
    const FieldGrids fields = SampleFields(model, layout);
    const Target targets[] = {{}, {Target::Kind::Ssid, "Lab"}, {Target::Kind::Bssid, "02:00:00:00:00:01"}};
    for (const auto& [layer, key] : kLayerNames)
        for (const Target& target : targets) {
            const LayerGrid grid = SampleLayer(model, fields, {layer, target, -62, 10});
            for (int j = 0; j < layout.rows; ++j)
                for (int i = 0; i < layout.columns; ++i) {
                    const std::optional<double> v = LayerValue(layer, target, model.HeardAt({i * 1.0, j * 1.0}), -62);
                    ASSERT_EQ(grid.At(i, j).has_value(), v.has_value()) << key << " " << i << "," << j;
                    if (v) {
                        EXPECT_NEAR(*grid.At(i, j), *v, 1e-3) << key << " " << i << "," << j;
                    }
                }
        }
}

TEST(SiteModel, GridCsvHasAHeaderAndEmptyCellsWhereNothingIsPainted) {
    LayerGrid grid{{1.0, 2.0, 0.5, 2, 2}, {-55.25f, std::nanf(""), 3.0f, -70.0f}};
    EXPECT_EQ(LayerGridCsv(grid),
              "x_m,y_m,value\r\n1.00,2.00,-55.2\r\n1.50,2.00,\r\n1.00,2.50,3.0\r\n1.50,2.50,-70.0\r\n");
}

TEST(SiteModel, PaletteAndPainting) {
    EXPECT_EQ(LayerColour(Layer::Signal, -40), 0x00AA00u);
    EXPECT_EQ(LayerColour(Layer::Signal, -67), 0xFFDC00u);
    EXPECT_EQ(LayerColour(Layer::Signal, -95), 0xC80000u);
    EXPECT_EQ(LayerColour(Layer::Count, 0), 0xC80000u);
    EXPECT_EQ(LayerColour(Layer::CoChannel, 0), 0x00AA00u);
    EXPECT_NE(LayerColour(Layer::Channel, 1), LayerColour(Layer::Channel, 6));
    EXPECT_NE(LayerColour(Layer::Channel, 6), LayerColour(Layer::Channel, 11));

    // A 4 x 2 m grid of 1 m cells over an 8 x 4 pixel plan at 0.5 m a pixel: the right half unmeasured.
    const float nan = std::nanf("");
    const LayerGrid grid{{0.5, 0.5, 1.0, 4, 2}, {-40, -40, nan, nan, -40, -40, nan, nan}};
    std::vector<uint32_t> picture(8 * 4, 0x808080);
    PaintLayer(picture, 8, 4, 0.5, grid, Layer::Signal, 255);
    EXPECT_EQ(picture[0], 0x00AA00u);
    EXPECT_EQ(picture[8 + 3], 0x00AA00u);
    EXPECT_EQ(picture[7], 0x808080u);  // nearest cell unmeasured
    std::vector<uint32_t> half(8 * 4, 0xFFFFFF);
    PaintLayer(half, 8, 4, 0.5, grid, Layer::Signal, 128);
    EXPECT_EQ(half[0], 0x7FD47Fu);  // halfway from white to green
    PaintLayer(half, 8, 4, 0.5, grid, Layer::Signal, 0);
    EXPECT_EQ(half[0], 0x7FD47Fu);
}

}  // namespace
