#include "sitesurvey/signal_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sitesurvey {
namespace {

// -10 log10(d): the model's slope variable.
double LogTerm(Place a, Place b) { return -10.0 * std::log10(std::max(Distance(a, b), kNearMetres)); }

// For a position the reference and the exponent follow by linear least squares
// (rssi = reference + exponent * LogTerm); the exponent is clamped into its range and
// the reference refitted then. Returns the model with its squared error sum in rmse.
PathLossModel FitAt(std::span<const Measurement> m, Place at) {
    double su = 0, sr = 0, suu = 0, sur = 0;
    for (const Measurement& s : m) {
        const double u = LogTerm(s.at, at);
        su += u, sr += s.rssi, suu += u * u, sur += u * s.rssi;
    }
    const double n = static_cast<double>(m.size());
    const double varU = suu - su * su / n;
    double exponent = varU > 1e-12 ? (sur - su * sr / n) / varU : 2.0;
    exponent = std::clamp(exponent, kMinExponent, kMaxExponent);
    PathLossModel model{at, (sr - exponent * su) / n, exponent, 0};
    double sse = 0;
    for (const Measurement& s : m) {
        const double e = s.rssi - model.Predict(s.at);
        sse += e * e;
    }
    model.rmse = sse;
    return model;
}

}  // namespace

double Distance(Place a, Place b) { return std::hypot(a.x - b.x, a.y - b.y); }

double PathLossModel::Predict(Place p) const { return referenceDbm + exponent * LogTerm(p, position); }

std::optional<PathLossModel> FitPathLoss(std::span<const Measurement> measurements) {
    if (measurements.size() < 3) return std::nullopt;
    double x0 = std::numeric_limits<double>::max(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const Measurement& s : measurements) {
        x0 = std::min(x0, s.at.x), x1 = std::max(x1, s.at.x);
        y0 = std::min(y0, s.at.y), y1 = std::max(y1, s.at.y);
    }
    const double span = std::max({x1 - x0, y1 - y0, 2.0});
    x0 -= span / 2, x1 += span / 2, y0 -= span / 2, y1 += span / 2;

    // A coarse grid finds the basins; the best few are refined by a pattern search that
    // halves its step, since the error over the position has no derivative at the
    // near-field floor and may have more than one valley.
    constexpr int kGrid = 24, kSeeds = 3;
    std::vector<PathLossModel> coarse;
    coarse.reserve(kGrid * kGrid);
    for (int i = 0; i < kGrid; ++i)
        for (int j = 0; j < kGrid; ++j)
            coarse.push_back(
                FitAt(measurements, {x0 + (x1 - x0) * (i + 0.5) / kGrid, y0 + (y1 - y0) * (j + 0.5) / kGrid}));
    std::partial_sort(coarse.begin(), coarse.begin() + kSeeds, coarse.end(),
                      [](const PathLossModel& a, const PathLossModel& b) { return a.rmse < b.rmse; });
    PathLossModel best = coarse.front();
    for (int seed = 0; seed < kSeeds; ++seed) {
        PathLossModel m = coarse[static_cast<size_t>(seed)];
        // Down to a tenth of a millimetre: far below what a floor plan can show.
        for (double step = std::max(x1 - x0, y1 - y0) / kGrid; step > 1e-4;) {
            bool moved = false;
            for (const auto& [dx, dy] :
                 {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}}) {
                const PathLossModel t = FitAt(measurements, {m.position.x + dx * step, m.position.y + dy * step});
                if (t.rmse < m.rmse) m = t, moved = true;
            }
            if (!moved) step /= 2;
        }
        if (m.rmse < best.rmse) best = m;
    }
    best.rmse = std::sqrt(best.rmse / static_cast<double>(measurements.size()));
    return best;
}

PlaceIndex::PlaceIndex(std::span<const Place> places, double radius)
    : places_(places.begin(), places.end()), radius_(radius) {
    if (places_.empty()) return;
    double x1 = places_[0].x, y1 = places_[0].y;
    x0_ = x1, y0_ = y1;
    for (const Place& p : places_) {
        x0_ = std::min(x0_, p.x), x1 = std::max(x1, p.x);
        y0_ = std::min(y0_, p.y), y1 = std::max(y1, p.y);
    }
    // Far-flung places (a mistyped coordinate) must not make the index huge; the
    // distance test keeps the answers right, the cells only make them quick.
    columns_ = static_cast<int>(std::min(1024.0, (x1 - x0_) / radius_ + 1));
    rows_ = static_cast<int>(std::min(1024.0, (y1 - y0_) / radius_ + 1));
    cells_.resize(static_cast<size_t>(columns_) * rows_);
    for (size_t i = 0; i < places_.size(); ++i) {
        const int cx = std::min(static_cast<int>((places_[i].x - x0_) / radius_), columns_ - 1);
        const int cy = std::min(static_cast<int>((places_[i].y - y0_) / radius_), rows_ - 1);
        cells_[static_cast<size_t>(cy) * columns_ + cx].push_back(i);
    }
}

namespace {
std::vector<Place> PlacesOf(std::span<const Measurement> m) {
    std::vector<Place> places;
    places.reserve(m.size());
    for (const Measurement& s : m) places.push_back(s.at);
    return places;
}
}  // namespace

SignalField::SignalField(PathLossModel model, std::vector<Measurement> measurements)
    : model_(model), measurements_(std::move(measurements)), near_(PlacesOf(measurements_), kResidualRadius) {
    residuals_.reserve(measurements_.size());
    for (const Measurement& s : measurements_) residuals_.push_back(s.rssi - model_.Predict(s.at));
}

double SignalField::Residual(Place p, size_t skip) const {
    double weights = 1.0 / (kResidualReach * kResidualReach), sum = 0;
    near_.ForEachNear(p, [&](size_t i, double d2) {
        if (i == skip) return;
        const double w = 1.0 / (d2 + kResidualNear * kResidualNear);
        weights += w, sum += w * residuals_[i];
    });
    return sum / weights;
}

double SignalField::At(Place p) const { return model_.Predict(p) + Residual(p, SIZE_MAX); }

std::optional<double> SignalField::LeaveOneOutRmse() const {
    if (measurements_.size() < 2) return std::nullopt;
    double sse = 0;
    for (size_t i = 0; i < measurements_.size(); ++i) {
        const Place at = measurements_[i].at;
        const double e = measurements_[i].rssi - (model_.Predict(at) + Residual(at, i));
        sse += e * e;
    }
    return std::sqrt(sse / static_cast<double>(measurements_.size()));
}

double InverseDistanceDbm(std::span<const Measurement> measurements, Place p) {
    double weights = 0, sum = 0;
    for (const Measurement& s : measurements) {
        const double d2 = std::pow(Distance(p, s.at), 2);
        if (d2 < 1e-12) return s.rssi;
        weights += 1 / d2, sum += s.rssi / d2;
    }
    return weights > 0 ? sum / weights : 0;
}

double DistanceToNearest(std::span<const Measurement> measurements, Place p) {
    double nearest = std::numeric_limits<double>::infinity();
    for (const Measurement& s : measurements) nearest = std::min(nearest, Distance(p, s.at));
    return nearest;
}

}  // namespace sitesurvey
