#include "sitesurvey/site_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "wireless/value_text.h"

namespace sitesurvey {
namespace {

// Predictions stay within what a receiver reports: the model goes on falling without end.
double Plausible(double dbm) { return std::clamp(dbm, -120.0, 0.0); }

HeardAp HeardFrom(const MeasuredBss& b) {
    return {b.bssid, b.ssid, static_cast<uint32_t>(std::max(0, FrequencyToChannel(b.frequencyKhz))), b.rssi};
}

}  // namespace

SiteModel::SiteModel(std::vector<MeasuredPlace> places) : places_(std::move(places)) {
    struct Heard {
        std::string ssid;
        uint32_t frequencyKhz = 0;
        std::vector<size_t> places;
        std::vector<Measurement> measurements;
    };
    std::map<std::string, Heard> byBssid;
    for (size_t i = 0; i < places_.size(); ++i) {
        placeMarks_.push_back({places_[i].at, 0});
        for (const MeasuredBss& b : places_[i].heard) {
            Heard& h = byBssid[b.bssid];
            // A BSSID listed twice in one scan counts once, its strongest.
            if (!h.places.empty() && h.places.back() == i) {
                h.measurements.back().rssi = std::max(h.measurements.back().rssi, b.rssi);
                continue;
            }
            h.ssid = b.ssid, h.frequencyKhz = b.frequencyKhz;
            h.places.push_back(i);
            h.measurements.push_back({places_[i].at, b.rssi});
        }
    }
    for (auto& [bssid, h] : byBssid) {
        if (h.measurements.size() < kMinPlacesForFit) continue;
        const std::optional<PathLossModel> fit = FitPathLoss(h.measurements);
        if (!fit) continue;
        aps_.push_back({bssid, h.ssid, static_cast<uint32_t>(std::max(0, FrequencyToChannel(h.frequencyKhz))),
                        SignalField(*fit, std::move(h.measurements)), std::move(h.places)});
    }
}

std::vector<HeardAp> SiteModel::HeardAt(Place p, std::optional<size_t> skipPlace) const {
    std::vector<HeardAp> heard;
    heard.reserve(aps_.size());
    for (const ApEstimate& ap : aps_) {
        double rssi;
        const auto at = skipPlace ? std::lower_bound(ap.places.begin(), ap.places.end(), *skipPlace) : ap.places.end();
        if (at != ap.places.end() && *at == *skipPlace)
            rssi = ap.field.AtWithout(p, static_cast<size_t>(at - ap.places.begin()));
        else
            rssi = ap.field.At(p);
        heard.push_back({ap.bssid, ap.ssid, ap.channel, Plausible(rssi)});
    }
    return heard;
}

double SiteModel::DistanceToNearestPlace(Place p) const { return DistanceToNearest(placeMarks_, p); }

std::optional<double> SiteModel::LeaveOneOutRmse(Layer layer, const Target& target, double countThreshold) const {
    double sse = 0;
    size_t n = 0;
    for (size_t i = 0; i < places_.size(); ++i) {
        // What was measured there, of the access points the model knows.
        std::vector<HeardAp> measured;
        for (const MeasuredBss& b : places_[i].heard)
            if (std::any_of(aps_.begin(), aps_.end(), [&](const ApEstimate& ap) { return ap.bssid == b.bssid; }))
                measured.push_back(HeardFrom(b));
        const std::optional<double> truth = LayerValue(layer, target, measured, countThreshold);
        const std::optional<double> guess = LayerValue(layer, target, HeardAt(places_[i].at, i), countThreshold);
        if (!truth || !guess) continue;
        sse += (*truth - *guess) * (*truth - *guess);
        ++n;
    }
    if (!n) return std::nullopt;
    return std::sqrt(sse / static_cast<double>(n));
}

std::optional<double> LayerGrid::At(int column, int row) const {
    if (column < 0 || row < 0 || column >= layout.columns || row >= layout.rows) return std::nullopt;
    const float v = values[static_cast<size_t>(row) * layout.columns + column];
    if (std::isnan(v)) return std::nullopt;
    return v;
}

FieldGrids SampleFields(const SiteModel& model, const GridLayout& layout) {
    const size_t cells = static_cast<size_t>(std::max(layout.columns, 0)) * std::max(layout.rows, 0);
    const std::vector<ApEstimate>& aps = model.AccessPoints();
    FieldGrids grids{layout, aps.size(), std::vector<float>(cells * aps.size()),
                     std::vector<float>(cells, std::numeric_limits<float>::infinity())};
    std::vector<Place> marks;
    for (const MeasuredPlace& p : model.Places()) marks.push_back(p.at);
    // Beyond this nothing is painted at any distance a person would set.
    constexpr double kFarthest = 100;
    const PlaceIndex near(marks, kFarthest);
    for (size_t k = 0; k < aps.size(); ++k)
        for (int j = 0; j < layout.rows; ++j)
            for (int i = 0; i < layout.columns; ++i)
                grids.rssi[(static_cast<size_t>(j) * layout.columns + i) * aps.size() + k] = static_cast<float>(
                    Plausible(aps[k].field.At({layout.x0 + i * layout.step, layout.y0 + j * layout.step})));
    for (int j = 0; j < layout.rows; ++j)
        for (int i = 0; i < layout.columns; ++i) {
            double nearest = std::numeric_limits<double>::infinity();
            near.ForEachNear({layout.x0 + i * layout.step, layout.y0 + j * layout.step},
                             [&](size_t, double d2) { nearest = std::min(nearest, d2); });
            grids.nearestPlace[static_cast<size_t>(j) * layout.columns + i] = static_cast<float>(std::sqrt(nearest));
        }
    return grids;
}

LayerGrid SampleLayer(const SiteModel& model, const FieldGrids& fields, const LayerRequest& request) {
    const GridLayout& layout = fields.layout;
    LayerGrid grid{layout, std::vector<float>(fields.nearestPlace.size(), std::numeric_limits<float>::quiet_NaN())};
    const std::vector<ApEstimate>& aps = model.AccessPoints();
    const size_t n = aps.size();
    if (fields.accessPoints != n || fields.rssi.size() != grid.values.size() * n) return grid;
    // LayerValue's rules on the cells' floats, the target worked out once.
    std::vector<uint8_t> targeted(n);
    for (size_t k = 0; k < n; ++k) targeted[k] = Targets(request.target, aps[k].bssid, aps[k].ssid);
    const auto threshold = static_cast<float>(request.countThreshold);
    const auto coChannel = static_cast<float>(kCoChannelThreshold);
    for (size_t cell = 0; cell < grid.values.size(); ++cell) {
        if (!(fields.nearestPlace[cell] <= request.paintDistance)) continue;  // no invented coverage
        const float* rssi = &fields.rssi[cell * n];
        size_t first = n, second = n, above = 0;
        for (size_t k = 0; k < n; ++k) {
            if (!targeted[k]) continue;
            above += rssi[k] >= threshold;
            if (first == n || rssi[k] > rssi[first]) {
                second = first, first = k;
            } else if (second == n || rssi[k] > rssi[second]) {
                second = k;
            }
        }
        float& out = grid.values[cell];
        switch (request.layer) {
            case Layer::Count:
                out = static_cast<float>(above);
                break;
            case Layer::Signal:
                if (first < n) out = rssi[first];
                break;
            case Layer::Second:
                if (second < n) out = rssi[second];
                break;
            case Layer::Channel:
                if (first < n) out = static_cast<float>(aps[first].channel);
                break;
            case Layer::CoChannel:
                if (first < n) {
                    size_t others = 0;
                    for (size_t k = 0; k < n; ++k)
                        others += k != first && aps[k].channel == aps[first].channel && rssi[k] >= coChannel;
                    out = static_cast<float>(others);
                }
                break;
        }
    }
    return grid;
}

LayerGrid SampleLayer(const SiteModel& model, const LayerRequest& request, const GridLayout& layout) {
    return SampleLayer(model, SampleFields(model, layout), request);
}

std::string LayerGridCsv(const LayerGrid& grid) {
    std::string out = "x_m,y_m,value\r\n";
    char line[96];
    for (int j = 0; j < grid.layout.rows; ++j) {
        for (int i = 0; i < grid.layout.columns; ++i) {
            const std::optional<double> v = grid.At(i, j);
            const int n = v
                ? std::snprintf(line, sizeof line, "%.2f,%.2f,%.1f\r\n", grid.layout.x0 + i * grid.layout.step,
                                grid.layout.y0 + j * grid.layout.step, *v)
                : std::snprintf(line, sizeof line, "%.2f,%.2f,\r\n", grid.layout.x0 + i * grid.layout.step,
                                grid.layout.y0 + j * grid.layout.step);
            out.append(line, static_cast<size_t>(std::clamp(n, 0, static_cast<int>(sizeof line) - 1)));
        }
    }
    return out;
}

namespace {

struct Stop {
    double at;
    uint8_t r, g, b;
};
// Strong green through yellow to weak red.
constexpr Stop kSignalStops[] = {
    {-85, 200, 0, 0}, {-75, 255, 128, 0}, {-67, 255, 220, 0}, {-60, 150, 210, 0}, {-50, 0, 170, 0},
};
// Counts of access points heard: none is bad, several is good; co-channel the other way round.
constexpr Stop kCountStops[] = {{0, 200, 0, 0}, {1, 255, 160, 0}, {2, 230, 220, 0}, {3, 0, 170, 0}};
constexpr Stop kCoChannelStops[] = {{0, 0, 170, 0}, {1, 230, 220, 0}, {2, 255, 160, 0}, {3, 200, 0, 0}};
// Channels: distinct colours, 1, 6 and 11 far apart.
constexpr std::array<uint32_t, 12> kChannelColours = {0x1F77B4, 0xFF7F0E, 0x2CA02C, 0xD62728, 0x9467BD, 0x8C564B,
                                                      0xE377C2, 0x7F7F7F, 0xBCBD22, 0x17BECF, 0x393B79, 0xAD494A};

uint32_t Ramp(std::span<const Stop> stops, double v) {
    if (v <= stops.front().at) return uint32_t{stops.front().r} << 16 | stops.front().g << 8 | stops.front().b;
    for (size_t k = 1; k < stops.size(); ++k) {
        if (v > stops[k].at) continue;
        const Stop &a = stops[k - 1], &b = stops[k];
        const double t = (v - a.at) / (b.at - a.at);
        auto mix = [&](uint8_t x, uint8_t y) { return static_cast<uint32_t>(std::lround(x + (y - x) * t)); };
        return mix(a.r, b.r) << 16 | mix(a.g, b.g) << 8 | mix(a.b, b.b);
    }
    return uint32_t{stops.back().r} << 16 | stops.back().g << 8 | stops.back().b;
}

bool Discrete(Layer layer) { return layer != Layer::Signal && layer != Layer::Second; }

}  // namespace

uint32_t LayerColour(Layer layer, double value) {
    switch (layer) {
        case Layer::Signal:
        case Layer::Second:
            return Ramp(kSignalStops, value);
        case Layer::Count:
            return Ramp(kCountStops, std::round(value));
        case Layer::CoChannel:
            return Ramp(kCoChannelStops, std::round(value));
        case Layer::Channel: {
            // 2.4 GHz channels 1, 6 and 11 take the first three colours, every other channel one of the rest.
            const auto channel = static_cast<uint32_t>(std::max(0.0, std::round(value)));
            const uint32_t slot = channel == 1 ? 0 : channel == 6 ? 1 : channel == 11 ? 2 : 3 + channel % 9;
            return kChannelColours[slot];
        }
    }
    return 0;
}

namespace {

// (under * (255 - a) + colour * a) / 255, rounded, per colour lane. A colour comes
// premultiplied by the opacity, its lanes 16 bits apart (blue, green, red, 0) as the
// vector form unpacks a pixel; each lane's sum stays within 255 * 255, and the division
// is the exact shift-and-add form of rounding by 255.
using Premultiplied = uint64_t;
Premultiplied Premultiply(uint32_t colour, uint32_t a) {
    return (colour & 0xFF) * a | uint64_t{(colour >> 8 & 0xFF) * a} << 16 | uint64_t{(colour >> 16 & 0xFF) * a} << 32;
}
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}
inline uint32_t Blend(uint32_t under, Premultiplied c, uint32_t keep) {
    return Div255((under & 0xFF) * keep + static_cast<uint32_t>(c & 0xFFFF)) |
        Div255((under >> 8 & 0xFF) * keep + static_cast<uint32_t>(c >> 16 & 0xFFFF)) << 8 |
        Div255((under >> 16 & 0xFF) * keep + static_cast<uint32_t>(c >> 32 & 0xFFFF)) << 16;
}

// Blends pixels [from, to) of a row with colourOf(x), four at a time where the machine can.
template <typename ColourOf>
inline void BlendRun(uint32_t* row, int from, int to, uint32_t keep, ColourOf&& colourOf) {
    int x = from;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128);
    const __m128i keep16 = _mm_set1_epi16(static_cast<short>(keep));
    const auto divide = [&](__m128i v) {
        v = _mm_add_epi16(v, half);
        return _mm_srli_epi16(_mm_add_epi16(v, _mm_srli_epi16(v, 8)), 8);
    };
    for (; x + 4 <= to; x += 4) {
        const __m128i under = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i preLo = _mm_set_epi64x(static_cast<int64_t>(colourOf(x + 1)), static_cast<int64_t>(colourOf(x)));
        const __m128i preHi =
            _mm_set_epi64x(static_cast<int64_t>(colourOf(x + 3)), static_cast<int64_t>(colourOf(x + 2)));
        const __m128i lo = divide(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(under, zero), keep16), preLo));
        const __m128i hi = divide(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(under, zero), keep16), preHi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; x < to; ++x) row[x] = Blend(row[x] & 0x00FFFFFF, colourOf(x), keep);
}

}  // namespace

void PaintLayer(std::span<uint32_t> picture, int width, int height, double metresPerPixel, const LayerGrid& grid,
                Layer layer, uint8_t opacity) {
    const GridLayout& g = grid.layout;
    if (width <= 0 || height <= 0 || picture.size() < static_cast<size_t>(width) * height || g.columns <= 0 ||
        g.rows <= 0 || !(g.step > 0) || !(metresPerPixel > 0) ||
        grid.values.size() < static_cast<size_t>(g.columns) * g.rows)
        return;
    const uint32_t keep = 255u - opacity;
    // Continuous values are looked up in steps of 1/16 dB over the palette's range,
    // the colours premultiplied by the opacity.
    const bool discrete = Discrete(layer);
    constexpr double kLow = -120, kHigh = 0, kSteps = 16;
    std::vector<Premultiplied> ramp;  // by steps of the value
    if (!discrete)
        for (int k = 0; k <= static_cast<int>((kHigh - kLow) * kSteps); ++k)
            ramp.push_back(Premultiply(LayerColour(layer, kLow + k / kSteps), opacity));

    // Pixel centres in cell units: c = ((pixel + 0.5) * metres per pixel - x0) / step. The
    // columns split into spans over which the same two cell columns apply.
    struct Span {
        int from, to;  // pixels
        int cell;  // the left cell column, -1 left of the grid
        double fx, dfx;  // at the first pixel, and per pixel
    };
    std::vector<Span> spans;
    const double dfx = metresPerPixel / g.step;
    for (int x = 0; x < width;) {
        const double c = ((x + 0.5) * metresPerPixel - g.x0) / g.step;
        const int cell = static_cast<int>(std::floor(c));
        int end = x + 1;
        while (end < width && static_cast<int>(std::floor(((end + 0.5) * metresPerPixel - g.x0) / g.step)) == cell)
            ++end;
        if (cell >= -1 && cell < g.columns) spans.push_back({x, end, cell, c - cell, dfx});
        x = end;
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Neighbouring cells mostly share a discrete value: its colour is kept, not worked out again.
    float lastValue = nan;
    Premultiplied lastColour = 0;
    const auto discreteColour = [&](float v) {
        if (v != lastValue) lastValue = v, lastColour = Premultiply(LayerColour(layer, v), opacity);
        return lastColour;
    };
    for (int y = 0; y < height; ++y) {
        const double r = ((y + 0.5) * metresPerPixel - g.y0) / g.step;
        const int row0 = static_cast<int>(std::floor(r));
        if (row0 < -1 || row0 >= g.rows) continue;
        const float fy = static_cast<float>(r - row0);
        const float* top = row0 >= 0 ? &grid.values[static_cast<size_t>(row0) * g.columns] : nullptr;
        const float* bottom = row0 + 1 < g.rows ? &grid.values[static_cast<size_t>(row0 + 1) * g.columns] : nullptr;
        uint32_t* out = picture.data() + static_cast<size_t>(y) * width;
        for (const Span& s : spans) {
            const int c0 = s.cell;
            const float v00 = top && c0 >= 0 ? top[c0] : nan, v10 = top && c0 + 1 < g.columns ? top[c0 + 1] : nan;
            const float v01 = bottom && c0 >= 0 ? bottom[c0] : nan;
            const float v11 = bottom && c0 + 1 < g.columns ? bottom[c0 + 1] : nan;
            // The nearer cell row, then per pixel the nearer column: a pixel whose nearest
            // cell is unmeasured is not painted; discrete layers take that cell's value.
            const float nearLeft = fy < 0.5f ? v00 : v01, nearRight = fy < 0.5f ? v10 : v11;
            const int split = std::clamp(s.from + static_cast<int>(std::ceil((0.5 - s.fx) / s.dfx)), s.from, s.to);
            if (discrete) {
                if (!std::isnan(nearLeft)) {
                    const Premultiplied c = discreteColour(nearLeft);
                    BlendRun(out, s.from, split, keep, [c](int) { return c; });
                }
                if (!std::isnan(nearRight)) {
                    const Premultiplied c = discreteColour(nearRight);
                    BlendRun(out, split, s.to, keep, [c](int) { return c; });
                }
                continue;
            }
            if (std::isnan(nearLeft) && std::isnan(nearRight)) continue;
            if (!std::isnan(v00) && !std::isnan(v10) && !std::isnan(v01) && !std::isnan(v11)) {
                // All four measured: the value runs linearly along the span, in 16.16 fixed point of ramp steps.
                const double left = v00 + (v01 - v00) * fy, right = v10 + (v11 - v10) * fy;
                const double at = (left + (right - left) * s.fx - kLow) * kSteps, per = (right - left) * s.dfx * kSteps;
                const double last = static_cast<double>(ramp.size() - 1);
                if (at >= 0 && at <= last && at + per * (s.to - s.from) >= 0 && at + per * (s.to - s.from) <= last) {
                    const auto index = static_cast<int64_t>(std::llround(at * 65536));
                    const auto step = static_cast<int64_t>(std::llround(per * 65536));
                    const Premultiplied* colours = ramp.data();
                    BlendRun(out, s.from, s.to, keep, [&](int x) {
                        return colours[static_cast<size_t>((index + step * (x - s.from) + 32768) >> 16)];
                    });
                    continue;
                }
            }
            // At the edge of what was measured: the measured neighbours' weighted mean, pixel by pixel.
            for (int x = s.from; x < s.to; ++x) {
                if (std::isnan(x < split ? nearLeft : nearRight)) continue;
                const float fx = static_cast<float>(s.fx + (x - s.from) * s.dfx);
                const float w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
                const float v[4] = {v00, v10, v01, v11};
                float sum = 0, weights = 0;
                for (int k = 0; k < 4; ++k)
                    if (!std::isnan(v[k])) sum += w[k] * v[k], weights += w[k];
                const double value = std::clamp(static_cast<double>(sum / weights), kLow, kHigh);
                out[x] =
                    Blend(out[x] & 0x00FFFFFF, ramp[static_cast<size_t>(std::lround((value - kLow) * kSteps))], keep);
            }
        }
    }
}

}  // namespace sitesurvey
