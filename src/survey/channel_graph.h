#pragma once
// The channel graph: per band, every access point drawn as a trapezoid over the
// frequencies it occupies, as high as its signal; the per-channel table with its
// load score and best channels; what lies under the mouse; and the translucent
// fills. The Windows control adds the outlines and the texts.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/colour.h"
#include "wireless/records.h"

enum class WifiBand { Ghz24, Ghz5, Ghz6 };
inline constexpr WifiBand kWifiBands[] = {WifiBand::Ghz24, WifiBand::Ghz5, WifiBand::Ghz6};

struct BandPlan {
    WifiBand band;
    std::string_view name;   // the tab's text
    uint32_t firstChannel;   // the axis runs from this channel's centre
    uint32_t lastChannel;    // to this one's
    uint32_t lowMhz, highMhz;  // what the graph shows: the axis channels and a margin
};
const BandPlan& PlanOf(WifiBand band);

// The band of a centre frequency; none outside the three.
std::optional<WifiBand> BandOfKhz(uint32_t frequencyKhz);
// Centre frequency of a channel number of the band; 0 for no channel of it.
uint32_t ChannelMhz(WifiBand band, uint32_t channel);
// The 20 MHz channels of the band, in order: the table's rows and the axis labels.
std::vector<uint32_t> BandChannels(WifiBand band);
// The channels a surveyor may pick: 1, 6 and 11 at 2.4 GHz, every channel elsewhere.
std::vector<uint32_t> CandidateChannels(WifiBand band);

inline constexpr int32_t kFloorDbm = -100;
inline constexpr int32_t kCeilingDbm = -20;

// One access point as the graph sees it.
struct ChannelAp {
    std::string ssid;  // "<Hidden SSID>" for a hidden network
    std::string bssid;
    int32_t rssi = kFloorDbm;
    WifiBand band = WifiBand::Ghz24;
    uint32_t primaryChannel = 0;
    uint32_t widthMhz = 20;  // of each segment; 20 when the elements do not say
    bool eightyPlusEighty = false;
    // Centre frequencies of the occupied segments: one, or two for 80+80.
    std::vector<uint32_t> centreMhz;
    Colour colour = RgbColour(128, 128, 128);
    // The radio it is one BSSID of (its group's key); "": a radio of its own. The load
    // counts a radio's BSSIDs on one channel once: they are one transmitter.
    std::string radio;
    bool operator==(const ChannelAp&) const = default;
};

// The access points of a BSS list that lie in the three bands. colourOf gives a
// network's chart colour by name; none leaves the grey.
std::vector<ChannelAp> ChannelAccessPoints(const wlan::WLAN_BSS_LIST* list,
                                           const std::function<std::optional<Colour>(const std::string&)>& colourOf);
// From one entry and its information elements; none outside the three bands.
std::optional<ChannelAp> ChannelAccessPoint(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements);

// "HomeNet\r\nBSSID 02:00:00:00:00:01\r\nRSSI -55 dBm\r\nWidth 80 MHz\r\nChannel 36 (centre 42)".
std::string ApTipText(const ChannelAp& ap);
std::string ApWidthText(const ChannelAp& ap);
// The primary channel, and where the occupied channel's centre lies elsewhere that too: "6 (centre 4)".
std::string ApChannelText(const ChannelAp& ap);

// The plot area in pixels; right and bottom excluded.
struct PlotRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Frequency (MHz) along x, dBm up the y axis from kFloorDbm to kCeilingDbm.
class GraphScale {
public:
    GraphScale(WifiBand band, PlotRect plot);
    double X(double mhz) const;
    double Y(double dbm) const;
    const PlotRect& Plot() const { return plot_; }
    WifiBand Band() const { return band_; }

private:
    WifiBand band_;
    PlotRect plot_;
    double lowMhz_, pixelsPerMhz_, pixelsPerDb_;
};

// In pixels: the base on the floor line, the top at the signal's height.
struct Trapezoid {
    double baseLeft, baseRight, topLeft, topRight;
    double top, base;
    // The x of the left and right edges at height y.
    double LeftAt(double y) const;
    double RightAt(double y) const;
};
std::vector<Trapezoid> ShapesOf(const ChannelAp& ap, const GraphScale& scale);

// The access points of the band, strongest first: drawn in this order, so the
// weaker ones stay visible on top.
std::vector<size_t> DrawingOrder(const std::vector<ChannelAp>& aps, WifiBand band);

// The access point under pixel (x, y), within tolerance pixels of its edges; of
// several, the weakest, whose shape lies inside the stronger ones. None when none.
std::optional<size_t> AccessPointAt(const std::vector<ChannelAp>& aps, const GraphScale& scale, double x, double y,
                                    double tolerance);

// Axis labels: the band's channels, every one or every n-th so that labels
// minLabelPixels apart fit; and the dBm grid every 10 dB.
std::vector<uint32_t> AxisChannels(const GraphScale& scale, double minLabelPixels);
std::vector<int32_t> DbmGridLines();

struct ChannelRow {
    uint32_t channel = 0;
    int accessPoints = 0;                 // whose primary channel this is
    std::optional<int32_t> strongestRssi;  // of those
    double load = 0;
    bool best = false;
};
// Weight of one access point's signal in the load: 0 at -100 dBm, 1 at -20 dBm and above.
double SignalWeight(int32_t rssi);
// A row per channel of the band, with its load and the best channels marked.
std::vector<ChannelRow> ChannelTable(const std::vector<ChannelAp>& aps, WifiBand band);
// The line above the table: "Best 2.4 GHz channel: 11 (least load: 0.25)", "2.4 GHz: no access points heard".
std::string RecommendationText(const std::vector<ChannelRow>& rows, WifiBand band);
// The "Load" header's tooltip: what the score means.
inline constexpr char kLoadExplanation[] =
    "Load: how much of the channel other access points use, each weighted by its signal "
    "(1.00 = one strong access point squarely on it). The candidate with the least load is best.";
// Columns "Channel", "Access points", "Strongest RSSI", "Load", "Best".
std::vector<std::string> ChannelTableColumns();
std::vector<std::string> ChannelRowCells(const ChannelRow& row);

// The graph's picture: 32-bit pixels, top-down, as the strip chart's.
struct GraphPicture {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
    void Resize(int w, int h);
    Colour At(int x, int y) const { return ToColour(pixels[static_cast<size_t>(y) * width + x]); }
};

struct GraphStyle {
    Colour background = RgbColour(255, 255, 255);
    Colour plotBackground = RgbColour(250, 250, 250);
    Colour grid = RgbColour(224, 224, 224);
    uint8_t fillAlpha = 64;  // of 255
    int lineWidth = 1;       // of the outlines, in pixels
    int highlightWidth = 3;  // of the highlighted access point's
};

// Paints translucent shapes over the picture, cut to the columns from clipLeft up
// to clipRight. A pixel that one shape covers moves towards its colour by alpha;
// where shapes overlap, towards the mean of their colours, more opaque the more
// there are (1 - (1 - alpha)^n, as n layers would be). A partly covered pixel takes
// its covered share of alpha, so edges are smooth. Unlike layer upon layer, the cost
// grows with the rows and the shapes, not with the area they cover.
struct ShapeFill {
    Trapezoid shape;
    Colour colour;
};
void FillShapes(GraphPicture& picture, const std::vector<ShapeFill>& shapes, uint8_t alpha, int clipLeft = 0,
                int clipRight = INT32_MAX);
// Draws the shapes' sloped sides and tops, `width` pixels wide, inside the
// columns from clipLeft up to clipRight.
void StrokeShapes(GraphPicture& picture, const std::vector<ShapeFill>& shapes, int width, int clipLeft = 0,
                  int clipRight = INT32_MAX);
// Background, grid, and the band's access points: translucent fills in their
// colours, outlines in their readable colours, the highlighted one's thicker.
// The first two parts alone: what stays while the size and the band do, and the
// shapes over them, which stay inside the plot.
void RenderGraphBackground(GraphPicture& picture, const GraphScale& scale, const std::vector<uint32_t>& axisChannels,
                           const GraphStyle& style);
void RenderAccessPoints(GraphPicture& picture, const GraphScale& scale, const std::vector<ChannelAp>& aps,
                        const GraphStyle& style, std::optional<size_t> highlighted = std::nullopt);
void RenderGraph(GraphPicture& picture, const GraphScale& scale, const std::vector<ChannelAp>& aps,
                 const std::vector<uint32_t>& axisChannels, const GraphStyle& style,
                 std::optional<size_t> highlighted = std::nullopt);

// The colour darkened until it reads on a light background: for outlines and names.
Colour ReadableColour(Colour colour);

// Labels that do not overlap the ones placed before them: which of the wanted
// rectangles to draw, in order.
struct LabelBox {
    int left, top, right, bottom;
};
std::vector<bool> PlaceLabels(const std::vector<LabelBox>& wanted);
