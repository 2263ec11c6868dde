#pragma once
// A site survey's measurements turned into maps: every access point heard at enough
// places gets its fitted signal field; a layer is sampled on a grid of the floor and
// painted over the plan, nowhere farther from a measured place than the limit.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sitesurvey/layers.h"
#include "sitesurvey/signal_model.h"

namespace sitesurvey {

// One BSS entry of the scan taken at a place.
struct MeasuredBss {
    std::string bssid, ssid;
    double rssi = -100;
    uint32_t frequencyKhz = 0;
};
struct MeasuredPlace {
    Place at;  // metres
    std::vector<MeasuredBss> heard;
};

inline constexpr size_t kMinPlacesForFit = 3;
inline constexpr double kDefaultPaintDistance = 10.0;  // metres from the nearest measured place

struct ApEstimate {
    std::string bssid, ssid;
    uint32_t channel = 0;
    SignalField field;
    std::vector<size_t> places;  // the measured places of field's measurements, in order
};

class SiteModel {
public:
    explicit SiteModel(std::vector<MeasuredPlace> places);
    const std::vector<MeasuredPlace>& Places() const { return places_; }
    const std::vector<ApEstimate>& AccessPoints() const { return aps_; }
    // Every fitted access point's signal at a place; with skipPlace, as if that place
    // had not been measured.
    std::vector<HeardAp> HeardAt(Place p, std::optional<size_t> skipPlace = std::nullopt) const;
    double DistanceToNearestPlace(Place p) const;
    // Each measured place's layer value predicted without it, against what was measured
    // there; root mean square over the places where both exist. None without any.
    std::optional<double> LeaveOneOutRmse(Layer layer, const Target& target,
                                          double countThreshold = kDefaultCountThreshold) const;

private:
    std::vector<MeasuredPlace> places_;
    std::vector<ApEstimate> aps_;
    std::vector<Measurement> placeMarks_;  // the places alone, for the distance limit
};

// Cell centres at (x0 + i * step, y0 + j * step) metres.
struct GridLayout {
    double x0 = 0, y0 = 0, step = 0.5;
    int columns = 0, rows = 0;
};
struct LayerGrid {
    GridLayout layout;
    std::vector<float> values;  // row by row; NaN where nothing is painted
    std::optional<double> At(int column, int row) const;
};

// Every fitted access point's signal sampled on one grid, and each cell's distance to
// the nearest measured place: worked out with the fit, off the window's thread, so
// that switching layers or targets only combines them.
struct FieldGrids {
    GridLayout layout;
    size_t accessPoints = 0;
    std::vector<float> rssi;  // cell by cell, each cell's access points as the model lists them
    std::vector<float> nearestPlace;  // metres, cell by cell
};
FieldGrids SampleFields(const SiteModel& model, const GridLayout& layout);

struct LayerRequest {
    Layer layer = Layer::Signal;
    Target target;
    double countThreshold = kDefaultCountThreshold;
    double paintDistance = kDefaultPaintDistance;
};
// The layer on the fields' grid: the same values LayerValue gives for HeardAt at each
// cell centre, none farther than the paint distance from every measured place.
LayerGrid SampleLayer(const SiteModel& model, const FieldGrids& fields, const LayerRequest& request);
LayerGrid SampleLayer(const SiteModel& model, const LayerRequest& request, const GridLayout& layout);

// "x_m,y_m,value" and a line per cell, the value empty where nothing is painted; CRLF
// line ends as RFC 4180 has them.
std::string LayerGridCsv(const LayerGrid& grid);

// Colour of a layer value, 0x00RRGGBB: signal in the conventional palette (strong
// green through yellow to weak red), counts from red (none) to green, co-channel from
// green (none) to red, channels from a discrete palette.
uint32_t LayerColour(Layer layer, double value);

// Paints the grid's layer over a picture of the plan (32-bit 0x00RRGGBB pixels, rows
// top-down), metresPerPixel on the plan, at opacity 0..255: each pixel takes the
// nearest cells' values blended, discrete layers their nearest cell's.
void PaintLayer(std::span<uint32_t> picture, int width, int height, double metresPerPixel, const LayerGrid& grid,
                Layer layer, uint8_t opacity);

}  // namespace sitesurvey
