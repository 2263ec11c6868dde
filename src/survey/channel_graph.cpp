#include "survey/channel_graph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/air_text.h"
#include "survey/list_view_model.h"
#include "survey/radio_groups.h"
#include "wireless/information_elements.h"
#include "wireless/scan_pass.h"
#include "wireless/value_text.h"

namespace {

// Shown beyond the first and last channel's centre, so that their 20 MHz fit.
constexpr uint32_t kAxisMarginMhz = 15;

constexpr BandPlan kPlans[] = {
    {WifiBand::Ghz24, "2.4 GHz", 1, 14, 2412 - kAxisMarginMhz, 2484 + kAxisMarginMhz},
    {WifiBand::Ghz5, "5 GHz", 36, 177, 5180 - kAxisMarginMhz, 5885 + kAxisMarginMhz},
    {WifiBand::Ghz6, "6 GHz", 1, 233, 5955 - kAxisMarginMhz, 7115 + kAxisMarginMhz},
};

// Channel n of a plan lies at baseMhz + 5 n; a few sit off that grid.
struct ChannelPlan {
    WifiBand band;
    uint32_t first, last;
    uint32_t baseMhz;
};
constexpr ChannelPlan kChannelPlans[] = {
    {WifiBand::Ghz24, 1, 13, 2407},
    {WifiBand::Ghz24, 14, 14, 2414},  // 2484 MHz
    {WifiBand::Ghz5, 32, 177, 5000},
    {WifiBand::Ghz6, 2, 2, 5925},  // 5935 MHz
    {WifiBand::Ghz6, 1, 233, 5950},
};

// The band's 20 MHz channels as runs of equal steps.
struct ChannelRun {
    WifiBand band;
    uint32_t first, last, step;
};
constexpr ChannelRun kChannelRuns[] = {
    {WifiBand::Ghz24, 1, 14, 1},  {WifiBand::Ghz5, 36, 64, 4}, {WifiBand::Ghz5, 100, 144, 4},
    {WifiBand::Ghz5, 149, 177, 4}, {WifiBand::Ghz6, 1, 233, 4},
};

// At 2.4 GHz only these three do not overlap each other.
constexpr uint32_t kNonOverlapping24[] = {1, 6, 11};

constexpr double kChannelMhz = 20;
// Each side of a shape slopes over this part of its width.
constexpr double kSlopeShare = 1.0 / 8;

// Loads are compared and shown in hundredths, halves rounded up.
long long Hundredths(double load) { return std::llround(load * 100); }

std::string LoadText(double load) {
    const long long h = Hundredths(load);
    char cents[4];
    std::snprintf(cents, sizeof cents, "%02lld", h % 100);
    return std::to_string(h / 100) + DecimalSeparator() + cents;
}

uint32_t ChannelOfMhz(uint32_t mhz) { return static_cast<uint32_t>(FrequencyToChannel(mhz * 1000)); }

// A trapezoid's sides as x = base x + (base - y) * slope, worked out once per shape.
struct Sides {
    double top, base, left, leftSlope, right, rightSlope;
    explicit Sides(const Trapezoid& t)
        : top(t.top), base(t.base), left(t.baseLeft), right(t.baseRight) {
        const double height = t.base - t.top;
        leftSlope = height > 0 ? (t.topLeft - t.baseLeft) / height : 0;
        rightSlope = height > 0 ? (t.topRight - t.baseRight) / height : 0;
    }
    double LeftAt(double y) const { return left + (base - std::clamp(y, top, base)) * leftSlope; }
    double RightAt(double y) const { return right + (base - std::clamp(y, top, base)) * rightSlope; }
};

// std::lround for pixel coordinates, without the library call.
int Nearest(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

void FillRect(GraphPicture& picture, int x0, int y0, int x1, int y1, Pixel p) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, picture.width), y1 = std::min(y1, picture.height);
    for (int y = y0; y < y1; ++y)
        std::fill_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width + x0, std::max(x1 - x0, 0),
                    p);
}

}  // namespace

const BandPlan& PlanOf(WifiBand band) {
    for (const BandPlan& plan : kPlans)
        if (plan.band == band) return plan;
    return kPlans[0];
}

std::optional<WifiBand> BandOfKhz(uint32_t frequencyKhz) {
    switch (BandOfFrequency(frequencyKhz)) {
        case kBand24: return WifiBand::Ghz24;
        case kBand5: return WifiBand::Ghz5;
        case kBand6: return WifiBand::Ghz6;
        default: return std::nullopt;
    }
}

uint32_t ChannelMhz(WifiBand band, uint32_t channel) {
    for (const ChannelPlan& plan : kChannelPlans)
        if (plan.band == band && channel >= plan.first && channel <= plan.last) return plan.baseMhz + 5 * channel;
    return 0;
}

std::vector<uint32_t> BandChannels(WifiBand band) {
    std::vector<uint32_t> channels;
    for (const ChannelRun& run : kChannelRuns)
        if (run.band == band)
            for (uint32_t c = run.first; c <= run.last; c += run.step) channels.push_back(c);
    return channels;
}

std::vector<uint32_t> CandidateChannels(WifiBand band) {
    if (band == WifiBand::Ghz24) return {std::begin(kNonOverlapping24), std::end(kNonOverlapping24)};
    return BandChannels(band);
}

std::optional<ChannelAp> ChannelAccessPoint(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) {
    const std::optional<WifiBand> band = BandOfKhz(entry.ulChCenterFrequency);
    if (!band) return std::nullopt;
    ChannelAp ap;
    ap.ssid = NameOrHidden(entry.dot11Ssid);
    ap.bssid = MacAddressText(entry.dot11Bssid);
    ap.rssi = entry.lRssi;
    ap.band = *band;
    ap.primaryChannel = static_cast<uint32_t>(FrequencyToChannel(entry.ulChCenterFrequency));
    const uint32_t primaryMhz = entry.ulChCenterFrequency / 1000;

    const InformationElements ie = ParseInformationElements(elements);
    const ChannelWidth width = Width(ie);
    const ChannelCentre centre = Centre(ie);
    ap.widthMhz = width.mhz ? (width.eightyPlusEighty ? 80 : width.mhz) : 20;
    ap.eightyPlusEighty = width.eightyPlusEighty;
    for (uint32_t channel : {centre.centre, width.eightyPlusEighty ? centre.secondCentre : 0u})
        if (channel) ap.centreMhz.push_back(ChannelMhz(*band, channel));
    // Elements that place the channel away from the frequency the entry is heard on are not believed.
    const auto holdsPrimary = [&](uint32_t mhz) {
        return mhz && primaryMhz + ap.widthMhz / 2 >= mhz && primaryMhz <= mhz + ap.widthMhz / 2;
    };
    const bool believable = !ap.centreMhz.empty() &&
                            std::all_of(ap.centreMhz.begin(), ap.centreMhz.end(), [](uint32_t m) { return m != 0; }) &&
                            std::any_of(ap.centreMhz.begin(), ap.centreMhz.end(), holdsPrimary) &&
                            ap.centreMhz.size() == (ap.eightyPlusEighty ? 2u : 1u);
    if (!believable) {
        ap.widthMhz = 20;
        ap.eightyPlusEighty = false;
        ap.centreMhz = {primaryMhz};
    }
    return ap;
}

std::vector<ChannelAp> ChannelAccessPoints(const wlan::WLAN_BSS_LIST* list,
                                           const std::function<std::optional<Colour>(const std::string&)>& colourOf) {
    std::vector<ChannelAp> aps;
    std::vector<BssFacts> facts;
    size_t index = 0;
    for (const wlan::WLAN_BSS_ENTRY& entry : BssEntries(list)) {
        const auto elements = BssEntryElementBytes(list, index++);
        std::optional<ChannelAp> ap = ChannelAccessPoint(entry, elements);
        if (!ap) continue;
        if (colourOf)
            if (const std::optional<Colour> colour = colourOf(ap->ssid)) ap->colour = *colour;
        BssFacts f;
        std::copy(std::begin(entry.dot11Bssid), std::end(entry.dot11Bssid), f.bssid.begin());
        f.ssid = ap->ssid;
        f.channel = ap->primaryChannel;
        f.rssi = ap->rssi;
        f.elements = ParseInformationElements(elements);
        facts.push_back(std::move(f));
        aps.push_back(std::move(*ap));
    }
    // Radios of several BSSIDs carry their group's key.
    for (const RadioGroup& g : GroupRadios(facts))
        if (g.members.size() > 1)
            for (size_t m : g.members) aps[m].radio = g.key;
    return aps;
}

std::string ApWidthText(const ChannelAp& ap) {
    return ap.eightyPlusEighty ? "80+80 MHz" : std::to_string(ap.widthMhz) + " MHz";
}

std::string ApChannelText(const ChannelAp& ap) {
    std::string centres;
    for (uint32_t mhz : ap.centreMhz) centres += (centres.empty() ? "" : "+") + std::to_string(ChannelOfMhz(mhz));
    if (ap.primaryChannel == 0) return centres;
    const std::string primary = std::to_string(ap.primaryChannel);
    return centres.empty() || centres == primary ? primary : primary + " (centre " + centres + ")";
}

std::string ApTipText(const ChannelAp& ap) {
    return AirTextForDisplay(ap.ssid) + "\r\nBSSID " + ap.bssid + "\r\nRSSI " + RssiText(ap.rssi) + "\r\nWidth " + ApWidthText(ap) +
           "\r\nChannel " + ApChannelText(ap);
}

GraphScale::GraphScale(WifiBand band, PlotRect plot) : band_(band), plot_(plot) {
    const BandPlan& p = PlanOf(band);
    lowMhz_ = p.lowMhz;
    pixelsPerMhz_ = static_cast<double>(plot.Width()) / (p.highMhz - p.lowMhz);
    pixelsPerDb_ = static_cast<double>(plot.Height()) / (kCeilingDbm - kFloorDbm);
}

double GraphScale::X(double mhz) const { return plot_.left + (mhz - lowMhz_) * pixelsPerMhz_; }
double GraphScale::Y(double dbm) const { return plot_.top + (kCeilingDbm - dbm) * pixelsPerDb_; }

double Trapezoid::LeftAt(double y) const {
    if (base <= top) return topLeft;
    const double t = std::clamp((base - y) / (base - top), 0.0, 1.0);
    return baseLeft + (topLeft - baseLeft) * t;
}

double Trapezoid::RightAt(double y) const {
    if (base <= top) return topRight;
    const double t = std::clamp((base - y) / (base - top), 0.0, 1.0);
    return baseRight + (topRight - baseRight) * t;
}

std::vector<Trapezoid> ShapesOf(const ChannelAp& ap, const GraphScale& scale) {
    std::vector<Trapezoid> shapes;
    const double half = ap.widthMhz / 2.0;
    const double slope = ap.widthMhz * kSlopeShare;
    const double top = scale.Y(std::clamp(ap.rssi, kFloorDbm, kCeilingDbm));
    const double base = scale.Y(kFloorDbm);
    for (uint32_t mhz : ap.centreMhz)
        shapes.push_back({scale.X(mhz - half), scale.X(mhz + half), scale.X(mhz - half + slope),
                          scale.X(mhz + half - slope), top, base});
    return shapes;
}

std::vector<size_t> DrawingOrder(const std::vector<ChannelAp>& aps, WifiBand band) {
    std::vector<size_t> order;
    for (size_t i = 0; i < aps.size(); ++i)
        if (aps[i].band == band) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return aps[a].rssi > aps[b].rssi; });
    return order;
}

std::optional<size_t> AccessPointAt(const std::vector<ChannelAp>& aps, const GraphScale& scale, double x, double y,
                                    double tolerance) {
    const std::vector<size_t> order = DrawingOrder(aps, scale.Band());
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        for (const Trapezoid& t : ShapesOf(aps[*it], scale)) {
            if (y < t.top - tolerance || y > t.base + tolerance) continue;
            if (x >= t.LeftAt(y) - tolerance && x <= t.RightAt(y) + tolerance) return *it;
        }
    }
    return std::nullopt;
}

std::vector<uint32_t> AxisChannels(const GraphScale& scale, double minLabelPixels) {
    const std::vector<uint32_t> all = BandChannels(scale.Band());
    for (size_t step = 1; step < all.size(); step *= 2) {
        std::vector<uint32_t> picked;
        for (size_t i = 0; i < all.size(); i += step) picked.push_back(all[i]);
        bool fits = true;
        for (size_t i = 1; i < picked.size() && fits; ++i)
            fits = scale.X(ChannelMhz(scale.Band(), picked[i])) - scale.X(ChannelMhz(scale.Band(), picked[i - 1])) >=
                   minLabelPixels;
        if (fits) return picked;
    }
    return {all.front()};
}

std::vector<int32_t> DbmGridLines() {
    std::vector<int32_t> lines;
    for (int32_t dbm = kFloorDbm; dbm <= kCeilingDbm; dbm += 10) lines.push_back(dbm);
    return lines;
}

double SignalWeight(int32_t rssi) {
    return std::clamp(static_cast<double>(rssi - kFloorDbm) / (kCeilingDbm - kFloorDbm), 0.0, 1.0);
}

// The load of a channel: the sum over every access point of the band of its
// signal weight (SignalWeight: 0 at -100 dBm rising evenly to 1 at -20 dBm)
// times the share of the channel's 20 MHz that its occupied channel covers.
// One strong access point squarely on the channel scores 1; one on the next
// 2.4 GHz channel (5 MHz away) covers 15 of the 20 MHz and scores 0.75 of its
// weight; a quiet channel scores 0. The lowest load among the candidates wins.
std::vector<ChannelRow> ChannelTable(const std::vector<ChannelAp>& aps, WifiBand band) {
    std::vector<ChannelRow> rows;
    // The transmitters: of a radio's BSSIDs on one channel the strongest stands for them all.
    std::vector<const ChannelAp*> transmitters;
    for (const ChannelAp& ap : aps) {
        if (ap.band != band) continue;
        const auto same = std::find_if(transmitters.begin(), transmitters.end(), [&](const ChannelAp* t) {
            return !ap.radio.empty() && t->radio == ap.radio && t->primaryChannel == ap.primaryChannel;
        });
        if (same == transmitters.end())
            transmitters.push_back(&ap);
        else if (ap.rssi > (*same)->rssi)
            *same = &ap;
    }
    for (uint32_t channel : BandChannels(band)) {
        ChannelRow row;
        row.channel = channel;
        const double low = ChannelMhz(band, channel) - kChannelMhz / 2, high = low + kChannelMhz;
        for (const ChannelAp& ap : aps) {
            if (ap.band != band || ap.primaryChannel != channel) continue;
            ++row.accessPoints;
            row.strongestRssi = std::max(row.strongestRssi.value_or(ap.rssi), ap.rssi);
        }
        for (const ChannelAp* t : transmitters) {
            const ChannelAp& ap = *t;
            for (uint32_t mhz : ap.centreMhz) {
                const double shared = std::min(high, mhz + ap.widthMhz / 2.0) - std::max(low, mhz - ap.widthMhz / 2.0);
                if (shared > 0) row.load += SignalWeight(ap.rssi) * shared / kChannelMhz;
            }
        }
        rows.push_back(row);
    }
    // Compared as shown, so that two channels that read the same are both best.
    const auto shown = Hundredths;
    const std::vector<uint32_t> candidates = CandidateChannels(band);
    const auto candidate = [&](const ChannelRow& r) {
        return std::find(candidates.begin(), candidates.end(), r.channel) != candidates.end();
    };
    // With nothing heard there is nothing to go by: no channel is recommended.
    if (std::none_of(aps.begin(), aps.end(), [band](const ChannelAp& ap) { return ap.band == band; })) return rows;
    std::optional<long long> lowest;
    for (const ChannelRow& r : rows)
        if (candidate(r)) lowest = std::min(lowest.value_or(shown(r.load)), shown(r.load));
    for (ChannelRow& r : rows) r.best = candidate(r) && shown(r.load) == lowest;
    return rows;
}

std::string RecommendationText(const std::vector<ChannelRow>& rows, WifiBand band) {
    const std::string name(PlanOf(band).name);
    std::string channels;
    double load = 0;
    int count = 0;
    for (const ChannelRow& r : rows) {
        if (!r.best) continue;
        channels += (channels.empty() ? "" : ", ") + std::to_string(r.channel);
        load = r.load;
        ++count;
    }
    if (count == 0) return name + ": no access points heard";
    return "Best " + name + (count == 1 ? " channel: " : " channels: ") + channels + " (least load: " + LoadText(load) +
           ")";
}

std::vector<std::string> ChannelTableColumns() { return {"Channel", "Access points", "Strongest RSSI", "Load", "Best"}; }

std::vector<std::string> ChannelRowCells(const ChannelRow& row) {
    return {std::to_string(row.channel), std::to_string(row.accessPoints),
            row.strongestRssi ? RssiText(*row.strongestRssi) : "", LoadText(row.load), row.best ? "Yes" : ""};
}

void GraphPicture::Resize(int w, int h) {
    width = std::max(w, 1);
    height = std::max(h, 1);
    pixels.assign(static_cast<size_t>(width) * height, 0);
}

void FillShapes(GraphPicture& picture, const std::vector<ShapeFill>& shapes, uint8_t alpha, int clipLeft,
                int clipRight) {
    const int left = std::max(clipLeft, 0), right = std::min(clipRight, picture.width);
    if (shapes.empty() || right <= left) return;
    // Opacity of a pixel covered `cover` times: 1 - (1 - a)^cover, tabled in 32nds of a
    // cover; below one cover (an edge) in proportion, as a partly covered pixel is.
    constexpr int kSteps = 32, kTable = kSteps * 256;
    // With each opacity its share per unit of cover, which takes the covering colours' mean.
    static thread_local std::vector<float> opacity, perCover;
    static thread_local uint8_t tabled = 0;
    if (opacity.empty() || tabled != alpha) {
        opacity.resize(kTable + 1);
        perCover.resize(kTable + 1);
        const double step = std::pow(1.0 - alpha / 255.0, 1.0 / kSteps);
        double clear = 1;
        for (int k = 0; k <= kTable; ++k, clear *= step) {
            const double a = k < kSteps ? alpha / 255.0 * k / kSteps : 1 - clear;
            opacity[static_cast<size_t>(k)] = static_cast<float>(a);
            perCover[static_cast<size_t>(k)] = static_cast<float>(k ? a * kSteps / k : alpha / 255.0);
        }
        tabled = alpha;
    }
    // Plain pointers: thread-local storage can cost a call per access (emulated on MinGW).
    const float* opacityOf = opacity.data();
    const float* perCoverOf = perCover.data();
    std::vector<Sides> sides;
    sides.reserve(shapes.size());
    for (const ShapeFill& fill : shapes) sides.emplace_back(fill.shape);
    // Per row, the changes of cover and of the covered colour sums from one column to the next.
    struct Sums {
        float cover, red, green, blue;
    };
    const size_t columns = static_cast<size_t>(right - left) + 2;
    std::vector<Sums> changes(columns, Sums{0, 0, 0, 0});
    std::vector<Sums> colours;  // of each shape, as floats
    colours.reserve(shapes.size());
    for (const ShapeFill& fill : shapes)
        colours.push_back({1, static_cast<float>(fill.colour & 0xFF), static_cast<float>(fill.colour >> 8 & 0xFF),
                           static_cast<float>(fill.colour >> 16 & 0xFF)});
    for (int y = 0; y < picture.height; ++y) {
        size_t lowest = columns, highest = 0;
        const double mid = y + 0.5;
        for (size_t n = 0; n < shapes.size(); ++n) {
            const Sides& t = sides[n];
            if (y + 1 <= t.top || y >= t.base) continue;
            const double rowCover = std::min(y + 1.0, t.base) - std::max(static_cast<double>(y), t.top);
            const double l = std::max(t.LeftAt(mid), static_cast<double>(left)) - left;
            const double r = std::min(t.RightAt(mid), static_cast<double>(right)) - left;
            if (r <= l || rowCover <= 0) continue;
            const auto xl = static_cast<size_t>(l), xr = static_cast<size_t>(r);
            // Coverage of column x: the part of [x, x + 1) inside [l, r).
            const double steps[][2] = {{static_cast<double>(xl), xl == xr ? r - l : xl + 1 - l},
                                       {xl + 1.0, xl == xr ? -(r - l) : 1 - (xl + 1 - l)},
                                       {static_cast<double>(xr), xl == xr ? 0 : -(1 - (r - xr))},
                                       {xr + 1.0, xl == xr ? 0 : -(r - xr)}};
            const Sums& c = colours[n];
            for (const auto& [at, change] : steps) {
                const auto x = static_cast<size_t>(at);
                if (x >= columns || change == 0) continue;
                const auto w = static_cast<float>(change * rowCover);
                Sums& d = changes[x];
                d.cover += w, d.red += w * c.red, d.green += w * c.green, d.blue += w * c.blue;
            }
            lowest = std::min(lowest, xl);
            highest = std::max(highest, std::min(xr + 1, columns - 1));
        }
        if (lowest > highest) continue;
        Pixel* row = picture.pixels.data() + static_cast<size_t>(y) * picture.width + left;
        float cover = 0, red = 0, green = 0, blue = 0;
        // Between the shapes' edges the sums hold, and so does the blend of an unchanged pixel under them.
        bool changed = true;
        Pixel below = 0, blended = 0;
        for (size_t x = lowest; x <= highest; ++x) {
            Sums& d = changes[x];
            if (d.cover != 0 || d.red != 0 || d.green != 0 || d.blue != 0) {
                cover += d.cover, red += d.red, green += d.green, blue += d.blue;
                d = {0, 0, 0, 0};
                changed = true;
            }
            if (cover < 1e-3f || x >= columns - 2) continue;
            if (!changed && row[x] == below) {
                row[x] = blended;
                continue;
            }
            // The covering colours' mean, as opaque as their number makes it.
            const auto step = static_cast<size_t>(std::min(cover * kSteps + 0.5f, static_cast<float>(kTable)));
            const float a = opacityOf[step], k = perCoverOf[step];
            const Pixel p = row[x];
            const auto mix = [&](uint32_t under, float sum) {
                return static_cast<uint32_t>(under + (sum * k - under * a) + 0.5f) & 0xFF;
            };
            row[x] = blended = mix(p >> 16 & 0xFF, red) << 16 | mix(p >> 8 & 0xFF, green) << 8 | mix(p & 0xFF, blue);
            below = p;
            changed = false;
        }
    }
}

void StrokeShapes(GraphPicture& picture, const std::vector<ShapeFill>& shapes, int width, int clipLeft,
                  int clipRight) {
    const int left = std::max(clipLeft, 0), right = std::min(clipRight, picture.width);
    const auto span = [&](int y, int x0, int x1, Pixel p) {  // [x0, x1] of row y
        if (y < 0 || y >= picture.height) return;
        x0 = std::max(x0, left), x1 = std::min(x1, right - 1);
        if (x0 <= x1) std::fill_n(picture.pixels.data() + static_cast<std::ptrdiff_t>(y) * picture.width + x0, x1 - x0 + 1, p);
    };
    for (const auto& [shape, colour] : shapes) {
        const Pixel p = ToPixel(colour);
        const Trapezoid& t = shape;
        const Sides sides(shape);
        const int top = Nearest(t.top), base = Nearest(t.base);
        for (int k = 0; k < width; ++k) span(top + k, Nearest(t.topLeft), Nearest(t.topRight), p);
        // Each row takes the part of a side that crosses it, so steep and flat sides stay unbroken.
        double l0 = sides.LeftAt(top), r0 = sides.RightAt(top);
        for (int y = top; y < base; ++y) {
            const double l1 = sides.LeftAt(y + 1), r1 = sides.RightAt(y + 1);
            span(y, Nearest(std::min(l0, l1)), Nearest(std::max(l0, l1)) + width - 1, p);
            span(y, Nearest(std::min(r0, r1)) - width + 1, Nearest(std::max(r0, r1)), p);
            l0 = l1, r0 = r1;
        }
    }
}

void RenderGraphBackground(GraphPicture& picture, const GraphScale& scale, const std::vector<uint32_t>& axisChannels,
                           const GraphStyle& style) {
    std::fill(picture.pixels.begin(), picture.pixels.end(), ToPixel(style.background));
    const PlotRect& plot = scale.Plot();
    FillRect(picture, plot.left, plot.top, plot.right, plot.bottom, ToPixel(style.plotBackground));
    const Pixel grid = ToPixel(style.grid);
    for (int32_t dbm : DbmGridLines()) {
        const int y = std::min(static_cast<int>(std::lround(scale.Y(dbm))), plot.bottom - 1);
        FillRect(picture, plot.left, y, plot.right, y + 1, grid);
    }
    for (uint32_t channel : axisChannels) {
        const int x = static_cast<int>(std::lround(scale.X(ChannelMhz(scale.Band(), channel))));
        FillRect(picture, x, plot.top, x + 1, plot.bottom, grid);
    }
}

void RenderAccessPoints(GraphPicture& picture, const GraphScale& scale, const std::vector<ChannelAp>& aps,
                        const GraphStyle& style, std::optional<size_t> highlighted) {
    const PlotRect& plot = scale.Plot();
    std::vector<ShapeFill> fills, lines, highlight;
    for (size_t i : DrawingOrder(aps, scale.Band())) {
        for (const Trapezoid& t : ShapesOf(aps[i], scale)) {
            fills.push_back({t, aps[i].colour});
            (highlighted == i ? highlight : lines).push_back({t, ReadableColour(aps[i].colour)});
        }
    }
    FillShapes(picture, fills, style.fillAlpha, plot.left, plot.right);  // cut at the plot's edges
    StrokeShapes(picture, lines, style.lineWidth, plot.left, plot.right);
    StrokeShapes(picture, highlight, style.highlightWidth, plot.left, plot.right);
}

void RenderGraph(GraphPicture& picture, const GraphScale& scale, const std::vector<ChannelAp>& aps,
                 const std::vector<uint32_t>& axisChannels, const GraphStyle& style,
                 std::optional<size_t> highlighted) {
    RenderGraphBackground(picture, scale, axisChannels, style);
    RenderAccessPoints(picture, scale, aps, style, highlighted);
}

Colour ReadableColour(Colour colour) {
    constexpr double kBrightest = 140;  // of 255
    const double r = colour & 0xFF, g = colour >> 8 & 0xFF, b = colour >> 16 & 0xFF;
    const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
    if (luma <= kBrightest) return colour;
    const double f = kBrightest / luma;
    return RgbColour(static_cast<uint8_t>(r * f), static_cast<uint8_t>(g * f), static_cast<uint8_t>(b * f));
}

std::vector<bool> PlaceLabels(const std::vector<LabelBox>& wanted) {
    std::vector<bool> placed(wanted.size());
    std::vector<LabelBox> taken;
    for (size_t i = 0; i < wanted.size(); ++i) {
        const LabelBox& w = wanted[i];
        const bool free = std::none_of(taken.begin(), taken.end(), [&](const LabelBox& t) {
            return w.left < t.right && t.left < w.right && w.top < t.bottom && t.top < w.bottom;
        });
        if (free) taken.push_back(w);
        placed[i] = free;
    }
    return placed;
}
