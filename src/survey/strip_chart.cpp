#include "survey/strip_chart.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Rounds halves to the even neighbour (the FPU's default mode).
double RoundEven(double v) { return std::nearbyint(v); }

// n / d rounded to the nearest integer, halves to the even neighbour; d != 0.
int64_t DivRoundEven(int64_t n, int64_t d) {
    if (d < 0) n = -n, d = -d;
    int64_t q = n / d;
    int64_t r = n % d;
    if (r < 0) q -= 1, r += d;  // floor
    if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
    return q;
}

// n > 0 pixels from at. The runs of a step are short and of every length: the first
// and the last four are stored overlapping whatever lies between, so that runs of up
// to eight take no loop, and runs under four three plain stores.
[[gnu::always_inline]] inline void FillRun(Pixel* at, int64_t n, Pixel c) {
    if (n < 4) {
        at[0] = c, at[n >> 1] = c, at[n - 1] = c;
        return;
    }
    const Pixel four[4] = {c, c, c, c};
    std::memcpy(at, four, sizeof four);
    std::memcpy(at + n - 4, four, sizeof four);
    for (int64_t i = 4; i < n - 4; i += 4) std::memcpy(at + i, four, sizeof four);
}

// Points further off the picture than this are drawn as if at this distance: far
// outside, the visible pixels stay the same, and the arithmetic stays in 64 bits.
constexpr int64_t kCoordinateLimit = int64_t{1} << 24;

int64_t ClampCoordinate(int64_t v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

// A double that may be huge or not a number, as a pixel coordinate.
int64_t ToCoordinate(double v) {
    if (!(v > -static_cast<double>(kCoordinateLimit))) return -kCoordinateLimit;
    if (v > static_cast<double>(kCoordinateLimit)) return kCoordinateLimit;
    return static_cast<int64_t>(RoundEven(v));
}

}  // namespace

// --- TLineHistory ---------------------------------------------------------

int32_t TLineHistory::At(int64_t i) const {
    if (count_ == 0) return 0;
    if (i <= 0) return oldest_;
    if (i >= count_) return 0;
    if (i < first_) return values_.front();  // dropped: never drawn
    return values_[static_cast<size_t>(i - first_)];
}

void TLineHistory::Grow(size_t n) {
    // Grow in blocks so that appends rarely allocate.
    values_.reserve(values_.capacity() + std::max<size_t>(128, n));
}

void TLineHistory::Reserve(size_t values) {
    if (values > values_.capacity()) values_.reserve(values);
}

void TLineHistory::DropOldest(size_t keep) {
    const size_t drop = values_.size() - keep;
    values_.erase(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(drop));
    first_ += static_cast<int64_t>(drop);
}

// --- TStripChart ----------------------------------------------------------

TStripChart::TStripChart() {
    Allocate();
    Redraw();
}

void TStripChart::Allocate() {
    buffer_.assign(static_cast<size_t>(width_) * (height_ + kScrollRows), ToPixel(color_));
    origin_ = 0;
}

void TStripChart::ScrollLeft(size_t columns) {
    const size_t picture = static_cast<size_t>(width_) * height_;
    if (origin_ + columns + picture > buffer_.size()) {
        std::memmove(buffer_.data(), Picture(), picture * sizeof(Pixel));
        origin_ = 0;
    }
    origin_ += columns;
}

void TStripChart::SetSize(int width, int height) {
    width_ = std::max(width, kMinSize);
    height_ = std::max(height, kMinSize);
    Allocate();
    FollowSizeInPixelUnits();
    Redraw();
}

void TStripChart::FollowSizeInPixelUnits() {
    if (display_units_ != TDisplayUnits::Pixels) return;
    minimum_ = 0;
    maximum_ = height_;
    total_steps_ = width_;
}

void TStripChart::SetActive(bool active) {
    active_ = active;
    RecomputeDerived();
}

void TStripChart::SetInterval(int32_t interval) {
    interval_ = interval;
    RecomputeDerived();
}

void TStripChart::SetColor(Colour c) { color_ = c; Redraw(); }
void TStripChart::SetGridColor(Colour c) { grid_color_ = c; Redraw(); }
void TStripChart::SetBaseColor(Colour c) { base_color_ = c; Redraw(); }
void TStripChart::SetBaseLine(int32_t v) { base_line_ = v; Redraw(); }
void TStripChart::SetBaseLineUnit(TValueUnit u) { base_line_unit_ = u; Redraw(); }

void TStripChart::SetHorizontalGridSize(int32_t v) {
    if (v <= 0) return;
    h_grid_ = v;
    Redraw();
}

void TStripChart::SetVerticalGridSize(int32_t v) {
    if (v <= 0) return;
    v_grid_ = v;
    Redraw();
}

int32_t TStripChart::GridSize() const { return h_grid_ == v_grid_ ? h_grid_ : -1; }

void TStripChart::SetGridSize(int32_t v) {
    if (v <= 0) return;
    h_grid_ = v_grid_ = v;
    Redraw();
}

void TStripChart::SetDisplayUnits(TDisplayUnits u) {
    display_units_ = u;
    FollowSizeInPixelUnits();
    Redraw();
}

void TStripChart::SetMinimum(int32_t v) {
    if (display_units_ == TDisplayUnits::Pixels) return;
    minimum_ = v;
    Redraw();
}

void TStripChart::SetMaximum(int32_t v) {
    if (display_units_ == TDisplayUnits::Pixels) return;
    maximum_ = v;
    Redraw();
}

void TStripChart::SetTotalTimeSteps(int32_t v) {
    if (display_units_ == TDisplayUnits::Pixels || v <= 0) return;
    total_steps_ = v;
    Redraw();
}

void TStripChart::SetUpdateTimeSteps(int32_t v) {
    if (v <= 0) return;
    update_steps_ = v;
    Redraw();
}

TStripChartLine& TStripChart::AddLine() {
    TStripChartLine& line = lines_.emplace_back();
    line.History.Reserve(std::min<size_t>(static_cast<size_t>(total_steps_), KeptHistory()));
    return line;
}

void TStripChart::ClearLines() { PutLines({}); }

void TStripChart::RemoveLines(std::span<const size_t> indexes) {
    std::vector<bool> gone(lines_.size());
    for (size_t i : indexes)
        if (i < gone.size()) gone[i] = true;
    std::deque<TStripChartLine> kept;
    size_t highlighted = kNoLine;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (gone[i]) continue;
        if (i == highlighted_) highlighted = kept.size();
        kept.push_back(std::move(lines_[i]));
    }
    SetLines(std::move(kept), highlighted);
}

std::deque<TStripChartLine> TStripChart::TakeLines() {
    std::deque<TStripChartLine> taken = std::move(lines_);
    PutLines({});
    return taken;
}

void TStripChart::PutLines(std::deque<TStripChartLine> lines) { SetLines(std::move(lines), kNoLine); }

void TStripChart::SetLines(std::deque<TStripChartLine> lines, size_t highlighted) {
    lines_ = std::move(lines);
    // The drawing order and the last step's segments point at the lines that were.
    order_.clear();
    last_segments_.clear();
    highlighted_ = highlighted;
    ++line_set_changes_;
    Redraw();
}

int64_t TStripChart::ValueToYOutside(const TStripChartLine& line, int64_t v) const {
    // Signal qualities are percentages: ValueToY looks their rows up.
    if (line.PositionUnit == TValueUnit::Percent) return height_ - DivRoundEven(int64_t{height_} * v, 100);
    const int64_t range = int64_t{maximum_} - minimum_;
    if (range == 0) return height_;  // no range to place the value in: below the picture
    return height_ - DivRoundEven((v - minimum_) * height_, range);
}

size_t TStripChart::KeptHistory() const { return std::max(kept_high_, kKeptHistoryFloor); }

void TStripChart::RecomputeDerived() {
    pixels_per_step_ = static_cast<double>(width_) / total_steps_;
    if (update_steps_ * pixels_per_step_ < 2) update_steps_ = 2;

    if (base_line_unit_ == TValueUnit::Percent) {
        base_row_ = height_ - DivRoundEven(int64_t{height_} * base_line_, 100);
    } else {
        const int64_t range = int64_t{maximum_} - minimum_;
        base_row_ = range == 0 ? height_
                               : height_ - DivRoundEven((int64_t{base_line_} - minimum_) * height_, range);
    }
    ComputeGridRows();
    // Signal qualities are percentages: their rows are looked up, not divided out at every step.
    for (size_t v = 0; v < percent_rows_.size(); ++v)
        percent_rows_[v] = static_cast<int32_t>(height_ - DivRoundEven(int64_t{height_} * static_cast<int64_t>(v), 100));

    // What a redraw can reach: the last TotalTimeSteps values, the segment that enters
    // from the left edge, and the two updates that a step reads back.
    const double lead = std::ceil(0.5 / pixels_per_step_);
    const size_t needed = static_cast<size_t>(total_steps_) + static_cast<size_t>(std::min(lead, 1e9)) +
                          3 * static_cast<size_t>(update_steps_) + 2;
    kept_high_ = std::max(kept_high_, needed);
    ComputeSegmentShapes();
}

void TStripChart::ComputeGridRows() {
    grid_rows_.clear();
    const int64_t range = int64_t{maximum_} - minimum_;
    if (range <= 0) return;
    const double h = static_cast<double>(h_grid_) * height_ / static_cast<double>(range);
    if (!(h > 0) || !std::isfinite(h)) return;

    std::vector<bool> marked(static_cast<size_t>(height_), false);
    auto mark = [&](double y) {
        const int64_t row = ToCoordinate(y);
        if (row >= 0 && row < height_) marked[static_cast<size_t>(row)] = true;
    };
    const double base = static_cast<double>(base_row_);
    if (h < 1) {
        // Steps under a pixel touch every row they pass.
        const int64_t up_from = ToCoordinate(base + h);
        const int64_t down_to = ToCoordinate(base - h);
        for (int64_t row = 0; row < height_; ++row)
            if ((base < height_ && row >= up_from) || (base > 0 && row <= down_to)) marked[static_cast<size_t>(row)] = true;
    } else {
        // From the base row outwards by h, one row past each edge; a base row far
        // outside the picture starts near the edge instead of walking there.
        double y = base;
        if (y < -h) y += std::floor((-h - y) / h) * h;
        while (height_ > y) {
            y += h;
            mark(y);
        }
        y = base;
        if (y > height_ + h) y -= std::floor((y - height_ - h) / h) * h;
        while (y > 0) {
            y -= h;
            mark(y);
        }
    }
    for (int row = 0; row < height_; ++row)
        if (marked[static_cast<size_t>(row)]) grid_rows_.push_back(row);
}

void TStripChart::Fill(int x0, int x1, int y0, int y1, Pixel c) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, width_), y1 = std::min(y1, height_);
    if (x0 >= x1) return;
    for (int y = y0; y < y1; ++y) {
        Pixel* row = Picture() + static_cast<size_t>(y) * width_;
        std::fill(row + x0, row + x1, c);
    }
}

// A 1-pixel pen from (x0, y0) towards (x1, y1), the end point itself not drawn. Only the
// part of the major axis inside the picture is walked.
void TStripChart::DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Pixel c) {
    x0 = ClampCoordinate(x0), y0 = ClampCoordinate(y0);
    x1 = ClampCoordinate(x1), y1 = ClampCoordinate(y1);
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const bool x_major = std::abs(dx) >= std::abs(dy);
    const int64_t n = x_major ? std::abs(dx) : std::abs(dy);  // pixels drawn
    if (n == 0) return;
    const int64_t a0 = x_major ? x0 : y0, b0 = x_major ? y0 : x0;
    const int64_t sa = (x_major ? dx : dy) > 0 ? 1 : -1;
    const int64_t db = x_major ? dy : dx;
    const int64_t sb = db < 0 ? -1 : 1, adb = std::abs(db);
    const int64_t a_size = x_major ? width_ : height_, b_size = x_major ? height_ : width_;

    // Steps i in [lo, hi) keep the major coordinate a0 + sa * i inside [0, a_size).
    int64_t lo, hi;
    if (sa > 0) {
        lo = std::max<int64_t>(0, -a0);
        hi = std::min<int64_t>(n, a_size - a0);
    } else {
        lo = std::max<int64_t>(0, a0 - (a_size - 1));
        hi = std::min<int64_t>(n, a0 + 1);
    }
    if (lo >= hi) return;
    // Minor offset of step i: (2 * i * adb + n) / (2 * n), the nearest, halves away from
    // the start; kept as quotient and remainder so each step only adds.
    const int64_t den = 2 * n;
    int64_t q = 0, r = n;
    if (lo > 0) {
        const int64_t num = 2 * lo * adb + n;
        q = num / den, r = num % den;
    }
    const int64_t a_stride = x_major ? sa : sa * width_;
    const int64_t b_stride = x_major ? sb * width_ : sb;
    int64_t b = b0 + sb * q;
    const int64_t a_start = a0 + sa * lo;
    int64_t at = x_major ? b * width_ + a_start : a_start * width_ + b;  // may lie outside while b does
    Pixel* const picture = Picture();
    for (int64_t i = lo; i < hi; ++i) {
        if (b >= 0 && b < b_size) picture[at] = c;
        at += a_stride;
        r += 2 * adb;
        if (r >= den) {
            r -= den;
            b += sb;
            at += b_stride;
        }
    }
}

void TStripChart::SegmentShape(int64_t columns, int64_t y0, int64_t y1, RowSpan* spans) {
    y0 = ClampCoordinate(y0), y1 = ClampCoordinate(y1);
    const int64_t p = columns, rise = y1 - y0, ady = std::abs(rise);
    const int64_t n = std::max(p, ady);  // pixels drawn
    std::fill_n(spans, p + 1, RowSpan{0, 0});
    if (n == 0) return;
    if (p >= ady) {
        // One pixel in each column but the last, at the nearest row, halves away from the start.
        for (int64_t x = 0; x < p; ++x) {
            const int64_t row = y0 + (rise < 0 ? -1 : 1) * ((2 * x * ady + n) / (2 * n));
            spans[x] = {row, row + 1};
        }
        return;
    }
    // Steep: step i lands in column (2 * i * p + n) / (2 * n), so column c >= 1 starts at
    // step ceil((2c - 1) * n / (2 * p)).
    auto start = [&](int64_t c) { return c == 0 ? 0 : std::min(n, ((2 * c - 1) * n + 2 * p - 1) / (2 * p)); };
    for (int64_t c = 0; c <= p; ++c) {
        const int64_t first = start(c), last = p == 0 ? n : start(c + 1);  // steps [first, last)
        if (first >= last) continue;
        spans[c] = rise > 0 ? RowSpan{y0 + first, y0 + last} : RowSpan{y0 - last + 1, y0 - first + 1};
    }
}

void TStripChart::ComputeSegmentShapes() {
    const int64_t p = ToCoordinate(update_steps_ * pixels_per_step_);
    segment_shapes_.clear();
    step_columns_ = p;
    stepped_last_ = false;
    if (p < 0) return;
    shape_scratch_.resize(static_cast<size_t>(p) + 1);
    if (p > kMaxStepColumns) return;  // such wide steps work their shapes out segment by segment
    // Rises up to the picture's height and a row either side: every pair of values inside it.
    max_rise_ = height_ + 2;
    const size_t columns = static_cast<size_t>(p) + 1;
    segment_shapes_.resize(static_cast<size_t>(2 * max_rise_ + 1) * columns);
    for (int64_t rise = -max_rise_; rise <= max_rise_; ++rise)
        SegmentShape(p, 0, rise, &segment_shapes_[static_cast<size_t>(rise + max_rise_) * columns]);
}

void TStripChart::DrawStepSegmentOf(Pixel c, bool thick, int64_t x0, int64_t y0, int64_t y1, bool inner) {
    const int64_t p = step_columns_, h = height_;
    inner = inner || p < 2;
    // The segment's columns inside the band, and the band's column of its first column.
    const int64_t first = std::max<int64_t>(0, band_x0_ - x0), last = std::min<int64_t>(p, width_ - 1 - x0);
    if (first > last) return;
    Pixel* const band = band_.data() + (x0 - band_x0_) * h;
    // Without its inner columns only the last one is drawn: the others, the first
    // included, are in the band as the last step left them, in the same order.
    const int64_t from_col = inner ? first : last, to_col = inner || last == p ? last : last - 1;
    if (from_col > to_col) return;
    const size_t columns = static_cast<size_t>(p + 1);
    constexpr int64_t kNear = kCoordinateLimit / 2;  // no clamping on the way
    for (int64_t offset = thick ? -1 : 0; offset <= (thick ? 1 : 0); ++offset) {
        const int64_t from_row = y0 + offset, rise = y1 - y0;
        const RowSpan* shape;
        int64_t shift = 0;
        if (!segment_shapes_.empty() && rise >= -max_rise_ && rise <= max_rise_ && from_row >= -kNear &&
            from_row <= kNear) {
            shape = &segment_shapes_[static_cast<size_t>(rise + max_rise_) * columns];
            shift = from_row;
        } else {
            SegmentShape(p, from_row, from_row + rise, shape_scratch_.data());
            shape = shape_scratch_.data();
        }
        for (int64_t col = from_col; col <= to_col; ++col) {
            const int64_t from = std::max<int64_t>(0, shift + shape[col].from);
            const int64_t to = std::min(h, shift + shape[col].to);
            if (from < to) FillRun(band + col * h + from, to - from, c);
        }
    }
}

bool TStripChart::DrawStepOf(Pixel c, int64_t y2, int64_t y1, int64_t y0) {
    const int64_t p = step_columns_, h = height_;
    const int64_t old_rise = y1 - y2, new_rise = y0 - y1;
    constexpr int64_t kNear = kCoordinateLimit / 2;
    if (old_rise < -max_rise_ || old_rise > max_rise_ || new_rise < -max_rise_ || new_rise > max_rise_ ||
        y2 < -kNear || y2 > kNear || y1 < -kNear || y1 > kNear)
        return false;
    const size_t columns = static_cast<size_t>(p + 1);
    const RowSpan* const old_shape = &segment_shapes_[static_cast<size_t>(old_rise + max_rise_) * columns];
    const RowSpan* const new_shape = &segment_shapes_[static_cast<size_t>(new_rise + max_rise_) * columns];
    Pixel* const strip = band_.data() + p * h;  // the band's column w - p
    auto run = [&](Pixel* column, int64_t shift, RowSpan span) {
        const int64_t from = std::max<int64_t>(0, shift + span.from), to = std::min(h, shift + span.to);
        if (from < to) FillRun(column + from, to - from, c);
    };
    // The previous segment's last column, then the new segment but its last column (past
    // the edge). The first two meet at y1 in one column, in one colour: one run when they touch.
    const RowSpan a{y2 + old_shape[p].from, y2 + old_shape[p].to}, b{y1 + new_shape[0].from, y1 + new_shape[0].to};
    if (a.from >= a.to || b.from >= b.to || a.to < b.from || b.to < a.from) {
        run(strip, 0, a);
        run(strip, 0, b);
    } else {
        run(strip, 0, {std::min(a.from, b.from), std::max(a.to, b.to)});
    }
    for (int64_t col = 1; col < p; ++col) run(strip + col * h, y1, new_shape[col]);
    return true;
}

void TStripChart::Step() {
    const int64_t p = ToCoordinate(update_steps_ * pixels_per_step_);
    const int w = width_, h = height_;

    if (p < w) ScrollLeft(static_cast<size_t>(p));
    if (p != step_columns_) ComputeSegmentShapes();
    const int strip = static_cast<int>(std::max<int64_t>(0, w - std::min<int64_t>(p, w)));

    // The segments reach two updates back: they are drawn into a copy of those columns.
    // Left of the new strip it is the last step's copy moved along with the picture;
    // after any other drawing it is read from the picture.
    band_x0_ = static_cast<int>(std::max<int64_t>(0, w - 2 * std::min<int64_t>(p, w)));
    const size_t band_width = static_cast<size_t>(w - band_x0_), rows = static_cast<size_t>(h);
    const size_t kept = static_cast<size_t>(strip - band_x0_);
    band_.resize(band_width * rows);
    Pixel* const picture = Picture();
    if (stepped_last_ && p < w) {
        std::memmove(band_.data(), band_.data() + static_cast<size_t>(p) * rows, kept * rows * sizeof(Pixel));
    } else {
        for (size_t y = 0; y < rows; ++y)
            for (size_t x = 0; x < kept; ++x) band_[x * rows + y] = picture[y * w + band_x0_ + x];
    }

    // The new strip: background, the grid column when it comes round, grid rows, base line.
    const Pixel background = ToPixel(color_), grid = ToPixel(grid_color_), base = ToPixel(base_color_);
    const bool base_shown = base_row_ >= 0 && base_row_ < h;
    // With no strip to draw in, the grid never comes round.
    const double g = p > 0 ? RoundEven(v_grid_ * pixels_per_step_ / static_cast<double>(p)) : INFINITY;
    const bool grid_column = grid_counter_ >= g;
    if (grid_column) grid_counter_ = 0;
    grid_counter_ += 1;
    for (int x = strip; x < w; ++x) {
        Pixel* const column = band_.data() + static_cast<size_t>(x - band_x0_) * rows;
        std::fill_n(column, rows, grid_column && x == w - 1 ? grid : background);
        for (int row : grid_rows_) column[row] = grid;
        if (base_shown) column[base_row_] = base;
    }

    // The same lines in the same order as in the last step, which was the last drawing and
    // whose picture was scrolled, not wiped.
    const bool same_lines = stepped_last_ && p < w && last_segments_.size() == lines_.size();
    last_segments_.resize(lines_.size());
    const size_t keep = KeptHistory();
    // The usual step: both segments from the shape table, the band two updates wide.
    const bool fast = !segment_shapes_.empty() && p >= 1 && band_x0_ == w - 2 * p;
    // Whether anything was drawn left of the new strip, into the columns kept from the last step.
    bool band_kept_drawn = !(stepped_last_ && p < w);
    for (const auto& [index, line] : DrawingOrder()) {
        TLineHistory& history = line->History;
        const int64_t y0 = ValueToY(*line, line->Position);
        const int64_t y1 = ValueToY(*line, history.At(history.Count() - update_steps_));
        const int64_t y2 = ValueToY(*line, history.At(history.Count() - 2 * int64_t{update_steps_}));
        const Pixel colour = ToPixel(line->Color);
        const bool thick = index == highlighted_;
        const bool drawn = same_lines && last_segments_[index] == DrawnSegment{y2, y1, colour};
        if (!(drawn && !thick && fast && DrawStepOf(colour, y2, y1, y0))) {
            band_kept_drawn = true;
            DrawStepSegmentOf(colour, thick, w - 2 * p, y2, y1, !drawn);
            DrawStepSegmentOf(colour, thick, w - p, y1, y0);
        }
        last_segments_[index] = {y1, y0, colour};
        history.Append(line->Position, update_steps_);
        if (!keep_all_) history.Trim(keep);
    }
    const size_t copied = band_kept_drawn ? 0 : kept;  // the picture has the kept columns already
    for (size_t y = 0; y < rows; ++y) {
        Pixel* const row = picture + y * w + band_x0_;
        const Pixel* from = band_.data() + copied * rows + y;
        for (size_t x = copied; x < band_width; ++x, from += rows) row[x] = *from;
    }
    stepped_last_ = true;

    Repaint();
    if (OnUpdate) OnUpdate();
}

void TStripChart::Redraw() {
    RecomputeDerived();
    const int w = width_, h = height_;
    origin_ = 0;
    stepped_last_ = false;
    std::fill_n(Picture(), static_cast<size_t>(w) * h, ToPixel(color_));

    const Pixel grid = ToPixel(grid_color_);
    const double v_step = v_grid_ * pixels_per_step_;
    if (v_step < 1) {
        Fill(0, w, 0, h, grid);  // columns closer than a pixel cover every column
    } else {
        for (int64_t j = 0;; ++j) {
            const double x = w - static_cast<double>(j) * v_step;
            if (!(x > 0)) break;
            const int64_t col = ToCoordinate(x - 1);
            if (col >= 0 && col < w) Fill(static_cast<int>(col), static_cast<int>(col) + 1, 0, h, grid);
        }
    }
    for (int row : grid_rows_) Fill(0, w, row, row + 1, grid);
    if (base_row_ >= 0 && base_row_ < h)
        Fill(0, w, static_cast<int>(base_row_), static_cast<int>(base_row_) + 1, ToPixel(base_color_));

    const int64_t uts = update_steps_;
    const double pps = pixels_per_step_;
    for (const auto& [index, line_ptr] : DrawingOrder()) {
        TStripChartLine& line = *line_ptr;
        TLineHistory& history = line.History;
        if (history.Empty()) {
            history.Append(0);
            history.Append(0);
            continue;
        }
        const int64_t count = history.Count();
        // Point k sits at x = (TotalTimeSteps - count + k * uts) * pps and shows value 0 for
        // k = 0, value k * uts - 1 after that. Points wholly left of the picture draw
        // nothing, so start at the last of them.
        auto x_of = [&](int64_t k) { return static_cast<double>(total_steps_ - count + k * uts) * pps; };
        const int64_t last_k = (count - 1) / uts;  // the last point with k * uts - 1 < count - 1
        int64_t k = 0;
        const double skip = std::floor((static_cast<double>(count - total_steps_) - 0.5 / pps) / uts) - 1;
        if (skip > 0) k = std::min<int64_t>(static_cast<int64_t>(std::min(skip, 9e15)), last_k);
        while (k > 0 && ToCoordinate(x_of(k)) >= 0) --k;
        // A chart grown wider than the history kept for it: start at the oldest value still stored.
        const int64_t first = history.FirstStored();
        if (first > 0 && (k == 0 || k * uts - 1 < first)) k = std::min((first + uts) / uts, last_k);

        int64_t px = ToCoordinate(x_of(k));
        int64_t py = ValueToY(line, history.At(k == 0 ? 0 : k * uts - 1));
        for (++k; k <= last_k; ++k) {
            const int64_t nx = ToCoordinate(x_of(k));
            const int64_t ny = ValueToY(line, history.At(k * uts - 1));
            DrawLineOf(index, px, py, nx, ny);
            px = nx, py = ny;
        }
    }

    grid_counter_ = 1;
    Repaint();
}

void TStripChart::DrawLineOf(size_t line, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    const Pixel c = ToPixel(lines_[line].Color);
    DrawLine(x0, y0, x1, y1, c);
    if (line != highlighted_) return;
    DrawLine(x0, y0 - 1, x1, y1 - 1, c);
    DrawLine(x0, y0 + 1, x1, y1 + 1, c);
}

const std::vector<TStripChart::Drawn>& TStripChart::DrawingOrder() {
    // It follows from the lines and the highlighted one alone.
    if (order_.size() == lines_.size() && order_highlighted_ == highlighted_) return order_;
    order_highlighted_ = highlighted_;
    order_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
        if (i != highlighted_) order_.push_back({i, &lines_[i]});
    if (highlighted_ < lines_.size()) order_.push_back({highlighted_, &lines_[highlighted_]});
    return order_;
}

void TStripChart::SetHighlightedLine(size_t line) {
    if (line >= lines_.size()) line = kNoLine;
    if (line == highlighted_) return;
    highlighted_ = line;
    Redraw();
}

std::vector<size_t> TStripChart::LinesAt(int x, int y, int tolerance) const {
    std::vector<size_t> found;
    if (pixels_per_step_ <= 0) return found;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const TStripChartLine& line = lines_[i];
        const TLineHistory& history = line.History;
        if (history.Empty()) continue;
        // Value index v is drawn at x = (TotalTimeSteps - count + v + 1) * pixels per step.
        const double at = (x + 0.5) / pixels_per_step_ - total_steps_ + static_cast<double>(history.Count()) - 1;
        const auto v = static_cast<int64_t>(std::llround(std::min(at, static_cast<double>(history.Count() - 1))));
        if (v < history.FirstStored()) continue;
        const int64_t row = ValueToY(line, history.At(v));
        if (row >= 0 && row < height_ && std::abs(row - y) <= tolerance) found.push_back(i);
    }
    return found;
}

std::vector<TStripChart::Point> TStripChart::LinePoints(size_t index) const {
    std::vector<Point> points;
    if (index >= lines_.size() || pixels_per_step_ <= 0) return points;
    const TStripChartLine& line = lines_[index];
    const TLineHistory& history = line.History;
    const int64_t count = history.Count();
    if (count == 0) return points;
    const int64_t uts = std::max<int64_t>(1, update_steps_);
    // Value index v is drawn at x = (TotalTimeSteps - count + v + 1) * pixels per step.
    const auto x_of = [&](int64_t v) { return static_cast<double>(total_steps_ - count + v + 1) * pixels_per_step_; };
    int64_t v = count - 1;
    while (v - uts >= history.FirstStored() && x_of(v) >= 0) v -= uts;
    for (; v < count; v += uts) points.push_back({ToCoordinate(x_of(v)), ValueToY(line, history.At(v))});
    return points;
}

void TStripChart::Repaint() {
    if (OnRepaint) OnRepaint();
}
