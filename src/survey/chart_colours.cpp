#include "survey/chart_colours.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

double Linear(uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double LabF(double t) {
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0;
}

// Draws enough to find a fitting colour in all but a crowded chart, few enough to stay cheap.
constexpr int kDraws = 400;
constexpr int kMinDraws = 16;
constexpr size_t kDistanceBudget = 16000;  // colour distances worked out per choice

}  // namespace

LabColour ToLab(Colour colour) {
    const double r = Linear(static_cast<uint8_t>(colour)), g = Linear(static_cast<uint8_t>(colour >> 8)),
                 b = Linear(static_cast<uint8_t>(colour >> 16));
    // sRGB to XYZ, each over the D65 white's.
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = LabF(x), fy = LabF(y), fz = LabF(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double LabDistance(const LabColour& p, const LabColour& q) {
    return std::sqrt((p.l - q.l) * (p.l - q.l) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b));
}

Colour ChooseChartColour(std::mt19937_64& random, std::span<const Colour> used) {
    std::vector<LabColour> taken;
    taken.reserve(used.size());
    for (Colour c : used) taken.push_back(ToLab(c));
    return ChooseChartColour(random, taken);
}

Colour ChooseChartColour(std::mt19937_64& random, std::span<const LabColour> taken) {
    // A crowded chart cannot keep the distance anyway: fewer draws keep each choice cheap
    // when names come by the thousand.
    const int draws = std::clamp(static_cast<int>(kDistanceBudget / (taken.size() + 1)), kMinDraws, kDraws);
    std::uniform_int_distribution<int> channel(0, 255);
    Colour best = RgbColour(255, 255, 255);
    double bestDistance = -1;
    for (int draw = 0; draw < draws; ++draw) {
        const Colour c = RgbColour(static_cast<uint8_t>(channel(random)), static_cast<uint8_t>(channel(random)),
                                   static_cast<uint8_t>(channel(random)));
        const LabColour lab = ToLab(c);
        if (lab.l < kMinChartLightness) continue;
        double nearest = std::numeric_limits<double>::max();
        for (const LabColour& t : taken) nearest = std::min(nearest, LabDistance(lab, t));
        if (nearest >= kMinChartDistance) return c;
        if (nearest > bestDistance) {
            best = c;
            bestDistance = nearest;
        }
    }
    return best;
}
