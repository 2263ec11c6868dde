#include "sitesurvey/signal_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace sitesurvey;

// Places spread at random over a floor of w x h metres.
std::vector<Place> RandomPlaces(std::mt19937& random, int count, double w, double h) {
    std::uniform_real_distribution<double> x(0, w), y(0, h);
    std::vector<Place> places;
    for (int i = 0; i < count; ++i) places.push_back({x(random), y(random)});
    return places;
}

TEST(SignalModel, ANoiselessFieldIsRecoveredExactly) {
    struct Case {
        Place ap;
        double reference, exponent;
    };
    const Case cases[] = {
        {{12.3, 18.7}, -35, 3.0},  // inside the walked area
        {{47.0, 8.0}, -30, 2.2},  // beyond its right edge
        {{5.0, 5.0}, -42, 4.5},
    };
    std::mt19937 random(7);
    for (const Case& c : cases) {
        const PathLossModel truth{c.ap, c.reference, c.exponent, 0};
        std::vector<Measurement> m;
        for (Place p : RandomPlaces(random, 40, 40, 30)) m.push_back({p, truth.Predict(p)});
        const std::optional<PathLossModel> fit = FitPathLoss(m);
        ASSERT_TRUE(fit);
        EXPECT_NEAR(fit->position.x, c.ap.x, 1e-3);
        EXPECT_NEAR(fit->position.y, c.ap.y, 1e-3);
        EXPECT_NEAR(fit->exponent, c.exponent, 1e-4);
        EXPECT_NEAR(fit->referenceDbm, c.reference, 1e-3);
        EXPECT_LT(fit->rmse, 1e-3);
        EXPECT_NEAR(*SignalField(*fit, m).LeaveOneOutRmse(), 0, 1e-3);
    }
    EXPECT_FALSE(FitPathLoss(std::vector<Measurement>{{{0, 0}, -50}, {{1, 1}, -60}}));
}

// One access point, exponent 3, 3 dB shadowing on every measurement, 40 random places
// over 40 x 30 m; judged on 200 other places against the field without shadowing. Over
// seeds 1 to 5 the model plus residuals missed by 0.8 to 1.6 dB RMS, raw IDW by 2.8 to 4.0.
TEST(SignalModel, ModelPlusResidualsBeatsRawInterpolationOnAShadowedField) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 random(seed);
        const PathLossModel truth{{14, 11}, -35, 3.0, 0};
        std::normal_distribution<double> shadowing(0, 3);
        std::vector<Measurement> m;
        for (Place p : RandomPlaces(random, 40, 40, 30)) m.push_back({p, truth.Predict(p) + shadowing(random)});
        const std::optional<PathLossModel> fit = FitPathLoss(m);
        ASSERT_TRUE(fit);
        EXPECT_LT(Distance(fit->position, truth.position), 2.0) << seed;
        const SignalField field(*fit, m);
        double modelSse = 0, idwSse = 0;
        const std::vector<Place> heldOut = RandomPlaces(random, 200, 40, 30);
        for (Place p : heldOut) {
            modelSse += std::pow(field.At(p) - truth.Predict(p), 2);
            idwSse += std::pow(InverseDistanceDbm(m, p) - truth.Predict(p), 2);
        }
        const double modelRms = std::sqrt(modelSse / 200), idwRms = std::sqrt(idwSse / 200);
        EXPECT_LT(modelRms, 2.0) << seed;
        EXPECT_GT(idwRms, modelRms + 1.0) << seed;
        // Left-out measurements carry their shadowing: about its size.
        const double loo = *field.LeaveOneOutRmse();
        EXPECT_GT(loo, 1.5) << seed;
        EXPECT_LT(loo, 4.5) << seed;
    }
}

TEST(SignalModel, FieldReturnsToTheModelAwayFromMeasurements) {
    const PathLossModel model{{0, 0}, -40, 2.0, 0};
    const std::vector<Measurement> m = {{{10, 0}, model.Predict({10, 0}) + 6}};
    const SignalField field(model, m);
    EXPECT_NEAR(field.At({10, 0}) - model.Predict({10, 0}), 6 * 1.0 / (1.0 + 1.0 / 9), 1e-9);
    EXPECT_LT(std::abs(field.At({40, 30}) - model.Predict({40, 30})), 0.1);
    EXPECT_DOUBLE_EQ(DistanceToNearest(m, {13, 4}), 5.0);
}

}  // namespace
