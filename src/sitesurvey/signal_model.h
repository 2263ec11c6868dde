#pragma once
// Signal over a floor from the RSSIs measured at surveyed places: each access
// point's log-distance model, fitted by least squares, plus what the measurements
// say the model misses (their residuals), spread between the places. Near an access
// point the field is steep; interpolating raw dBm would smear it, the model does not.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace sitesurvey {

// A place on the floor in metres: x to the right, y down, as on the plan.
struct Place {
    double x = 0, y = 0;
};
double Distance(Place a, Place b);

struct Measurement {
    Place at;
    double rssi = 0;  // dBm
};

// Places by square cells `radius` wide, so that what lies within radius of a place is
// found in the nine cells around it.
class PlaceIndex {
public:
    PlaceIndex(std::span<const Place> places, double radius);
    // Calls visit(index) for each place within the radius of p.
    template <typename F>
    void ForEachNear(Place p, F&& visit) const {
        const double fx = std::floor((p.x - x0_) / radius_), fy = std::floor((p.y - y0_) / radius_);
        if (cells_.empty() || fx < -1 || fy < -1 || fx > columns_ || fy > rows_) return;
        const int cx = static_cast<int>(fx), cy = static_cast<int>(fy);
        for (int y = std::max(cy - 1, 0); y <= std::min(cy + 1, rows_ - 1); ++y)
            for (int x = std::max(cx - 1, 0); x <= std::min(cx + 1, columns_ - 1); ++x)
                for (size_t i : cells_[static_cast<size_t>(y) * columns_ + x]) {
                    const double dx = p.x - places_[i].x, dy = p.y - places_[i].y;
                    if (dx * dx + dy * dy <= radius_ * radius_) visit(i, dx * dx + dy * dy);
                }
    }

private:
    std::vector<Place> places_;
    double radius_;
    double x0_ = 0, y0_ = 0;
    int columns_ = 0, rows_ = 0;
    std::vector<std::vector<size_t>> cells_;
};

// rssi(d) = referenceDbm - 10 * exponent * log10(d / 1 m), d at least kNearMetres.
inline constexpr double kNearMetres = 1.0;
inline constexpr double kMinExponent = 1.5, kMaxExponent = 6.0;
struct PathLossModel {
    Place position;
    double referenceDbm = -40;
    double exponent = 2;
    double rmse = 0;  // of the fit over its measurements, dB
    double Predict(Place p) const;
};

// The model that fits the measurements best. The position is searched over the
// measured area and half as much again around it (an access point may hang outside
// what was walked); the exponent is kept within [kMinExponent, kMaxExponent]. None
// with fewer than three measurements.
std::optional<PathLossModel> FitPathLoss(std::span<const Measurement> measurements);

// The model plus its residuals, spread by inverse distance: each measurement within
// kResidualRadius weighs 1 / (d^2 + kResidualNear^2), and the model itself as a
// measurement of no residual at kResidualReach, so that between distant places the
// field returns to the model instead of carrying one place's shadowing across the floor.
inline constexpr double kResidualNear = 1.0, kResidualReach = 3.0, kResidualRadius = 10.0;
class SignalField {
public:
    SignalField(PathLossModel model, std::vector<Measurement> measurements);
    double At(Place p) const;
    // As if measurement `skip` had not been made (the model kept).
    double AtWithout(Place p, size_t skip) const { return model_.Predict(p) + Residual(p, skip); }
    const PathLossModel& Model() const { return model_; }
    const std::vector<Measurement>& Measurements() const { return measurements_; }
    // Each measurement predicted from all the others (the model kept, its residual
    // left out), as root mean square error in dB; none without two measurements.
    std::optional<double> LeaveOneOutRmse() const;

private:
    double Residual(Place p, size_t skip) const;

    PathLossModel model_;
    std::vector<Measurement> measurements_;
    std::vector<double> residuals_;
    PlaceIndex near_;
};

// Plain inverse-distance weighting (power 2) of the raw dBm: for comparison only.
double InverseDistanceDbm(std::span<const Measurement> measurements, Place p);

// How far the place is from the nearest measurement: the field is shown only near them.
double DistanceToNearest(std::span<const Measurement> measurements, Place p);

}  // namespace sitesurvey
