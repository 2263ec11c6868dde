#pragma once
// The colours of the chart's network lines: random, yet each bright enough to read
// on the black chart and far enough, as the eye judges it (CIELAB), from those in use.
#include <random>
#include <span>

#include "common/colour.h"

struct LabColour {
    double l, a, b;  // L* 0 (black) to 100 (white)
};
// CIELAB of an sRGB colour, white point D65.
LabColour ToLab(Colour colour);
// CIE76 colour difference: about 2 is just noticeable, 25 plainly another colour.
double LabDistance(const LabColour& x, const LabColour& y);

inline constexpr double kMinChartLightness = 50;  // L*: darker lines vanish on black
inline constexpr double kMinChartDistance = 25;   // ΔE from every colour already in use

// A random colour of at least kMinChartLightness whose distance to every used colour
// is at least kMinChartDistance; once the space is crowded, the draw farthest from its
// nearest neighbour.
Colour ChooseChartColour(std::mt19937_64& random, std::span<const Colour> used);
Colour ChooseChartColour(std::mt19937_64& random, std::span<const LabColour> used);
