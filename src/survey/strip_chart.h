#pragma once
// The signal history strip chart as a portable model. It draws into its own
// off-screen picture (32-bit pixels, top-down rows, each pixel in a 32-bit bitmap's
// own 0x00RRGGBB order); the Windows control copies that picture to the screen as it
// is and runs the timer.
//
// The picture is a window into a longer buffer. Its rows are contiguous, so a step
// scrolls it left by moving the window's start: what moves from the start of each row
// to the end of the row above lands in the strip that is drawn anew. The picture is
// moved back to the buffer's start only when the window reaches the buffer's end.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/colour.h"

enum class TValueUnit { Percent, Absolute };
enum class TDisplayUnits { Pixels, Logical };

// The values a line has drawn. Reading before the start gives the oldest value ever
// appended, reading an empty history gives 0. Values that can no longer be drawn are
// dropped (see TStripChart), so the storage stays flat however long the program runs.
class TLineHistory {
public:
    int64_t Count() const { return count_; }  // every value appended, dropped ones included
    bool Empty() const { return count_ == 0; }
    int32_t At(int64_t i) const;
    // A step appends every pass: inline, and allocating only now and then.
    void Append(int32_t v, int32_t times = 1) {
        if (times <= 0) return;
        if (count_ == 0) oldest_ = v;
        const size_t n = static_cast<size_t>(times);
        if (values_.size() + n > values_.capacity()) Grow(n);
        for (size_t i = 0; i < n; ++i) values_.push_back(v);
        count_ += times;
    }
    void Reserve(size_t values);
    // Drops the oldest stored values down to `keep` once more than keep + keep / 2 are
    // stored, so each value is moved a bounded number of times.
    void Trim(size_t keep) {
        if (values_.size() > keep + keep / 2) DropOldest(keep);
    }

    int64_t FirstStored() const { return first_; }  // index of the oldest value still stored
    size_t Capacity() const { return values_.capacity(); }

private:
    void Grow(size_t n);
    void DropOldest(size_t keep);

    std::vector<int32_t> values_;  // indexes first_ .. count_ - 1
    int64_t first_ = 0;
    int64_t count_ = 0;
    int32_t oldest_ = 0;  // index 0, kept for reads before the start
};

struct TStripChartLine {
    std::string Name;
    Colour Color = RgbColour(0, 255, 0);
    int32_t Position = 50;
    TValueUnit PositionUnit = TValueUnit::Percent;
    TLineHistory History;
};

class TStripChart {
public:
    static constexpr int kMinSize = 20;
    static constexpr int kDefaultWidth = 208;
    static constexpr int kDefaultHeight = 120;

    TStripChart();
    TStripChart(const TStripChart&) = delete;
    TStripChart& operator=(const TStripChart&) = delete;

    // Advances by one update: scrolls the picture, draws the new strip, records every line's Position.
    void Step();
    // Rebuilds the whole picture from the histories.
    void Redraw();
    // Picture row of value v of a line; rounds halves to the even neighbour.
    int64_t ValueToY(const TStripChartLine& line, int64_t v) const {
        if (line.PositionUnit == TValueUnit::Percent && v >= 0 && v < static_cast<int64_t>(percent_rows_.size()))
            return percent_rows_[static_cast<size_t>(v)];
        return ValueToYOutside(line, v);
    }

    // Size: raised to at least 20 x 20; redraws.
    void SetSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Pixels, top-down rows of Width() values, ready for a 32-bit bitmap; valid until the next change.
    std::span<const Pixel> Pixels() const { return {Picture(), static_cast<size_t>(width_) * height_}; }
    Colour PixelAt(int x, int y) const { return ToColour(Picture()[static_cast<size_t>(y) * width_ + x]); }

    // The chart's own timer (run by the Windows control); Interval in units of 10 ms.
    bool Active() const { return active_; }
    void SetActive(bool active);
    int32_t Interval() const { return interval_; }
    void SetInterval(int32_t interval);

    // Drawing properties; each write redraws the picture.
    Colour Color() const { return color_; }
    void SetColor(Colour c);
    Colour GridColor() const { return grid_color_; }
    void SetGridColor(Colour c);
    Colour BaseColor() const { return base_color_; }
    void SetBaseColor(Colour c);
    int32_t BaseLine() const { return base_line_; }
    void SetBaseLine(int32_t v);
    TValueUnit BaseLineUnit() const { return base_line_unit_; }
    void SetBaseLineUnit(TValueUnit u);
    int32_t HorizontalGridSize() const { return h_grid_; }
    void SetHorizontalGridSize(int32_t v);  // <= 0 ignored
    int32_t VerticalGridSize() const { return v_grid_; }
    void SetVerticalGridSize(int32_t v);    // <= 0 ignored
    int32_t GridSize() const;               // -1 when the two sizes differ
    void SetGridSize(int32_t v);            // both at once; <= 0 ignored
    TDisplayUnits DisplayUnits() const { return display_units_; }
    void SetDisplayUnits(TDisplayUnits u);
    // In pixel units these follow the size (0, height, width) and writes are ignored.
    int32_t Minimum() const { return minimum_; }
    void SetMinimum(int32_t v);
    int32_t Maximum() const { return maximum_; }
    void SetMaximum(int32_t v);
    int32_t TotalTimeSteps() const { return total_steps_; }
    void SetTotalTimeSteps(int32_t v);      // <= 0 ignored
    // Raised to 2 when an update would move less than 2 pixels.
    int32_t UpdateTimeSteps() const { return update_steps_; }
    void SetUpdateTimeSteps(int32_t v);     // <= 0 ignored

    // Columns the picture moves by each step (0 before the first).
    int StepColumns() const { return step_columns_ < 0 ? 0 : static_cast<int>(step_columns_); }

    size_t LineCount() const { return lines_.size(); }
    TStripChartLine& Line(size_t i) { return lines_[i]; }
    const TStripChartLine& Line(size_t i) const { return lines_[i]; }
    TStripChartLine& AddLine();  // defaults; references stay valid as lines are added
    // Every line goes, and the picture with them: a survey starting over.
    void ClearLines();
    // The lines at the given indexes go (later lines move down) and the picture is drawn
    // anew. References to lines do not survive it.
    void RemoveLines(std::span<const size_t> indexes);
    // Every line handed over, the chart left without any; and a set taken before put back.
    std::deque<TStripChartLine> TakeLines();
    void PutLines(std::deque<TStripChartLine> lines);
    // Counts the changes that renumber lines (clear, remove, put back), for views that
    // keep something per line index.
    uint64_t LineSetChanges() const { return line_set_changes_; }

    // One line drawn thicker and over the others (the selected network's); kNoLine for none.
    static constexpr size_t kNoLine = SIZE_MAX;
    void SetHighlightedLine(size_t line);
    size_t HighlightedLine() const { return highlighted_; }
    // The visible lines that pass within tolerance rows of picture point (x, y), in line order.
    std::vector<size_t> LinesAt(int x, int y, int tolerance) const;
    // A line's points in the picture, one per update, oldest first, from the last one at or
    // beyond the left edge to its newest at the right: for drawing it another way (dashed,
    // in system colours) and for saying where it ends.
    struct Point {
        int64_t x, y;
    };
    std::vector<Point> LinePoints(size_t line) const;

    // Raised after each step.
    std::function<void()> OnUpdate;
    // The picture changed: the Windows control invalidates itself.
    std::function<void()> OnRepaint;

    // History values a line keeps: enough for the widest chart so far, and at least
    // kKeptHistoryFloor so that widening the window shows the recent past.
    static constexpr size_t kKeptHistoryFloor = 4096;
    size_t KeptHistory() const;
    // Keeps every value of the run; for comparing drawings in tests.
    void KeepWholeHistory(bool keep) { keep_all_ = keep; }

private:
    int64_t ValueToYOutside(const TStripChartLine& line, int64_t v) const;
    void SetLines(std::deque<TStripChartLine> lines, size_t highlighted);
    void RecomputeDerived();
    // In pixel units the value range and the time steps are the picture's size.
    void FollowSizeInPixelUnits();
    void ComputeGridRows();
    void Repaint();

    // Rows of slack after the picture: the steps between two moves of the whole picture.
    static constexpr size_t kScrollRows = 32;
    Pixel* Picture() { return buffer_.data() + origin_; }
    const Pixel* Picture() const { return buffer_.data() + origin_; }
    void Allocate();
    void ScrollLeft(size_t columns);  // columns < width

    void Fill(int x0, int x1, int y0, int y1, Pixel c);  // [x0, x1) x [y0, y1), clipped
    void DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Pixel c);  // end point excluded
    // Three rows wide for the highlighted line.
    void DrawLineOf(size_t line, int64_t x0, int64_t y0, int64_t x1, int64_t y1);
    // The rows a line from (0, y0) to (columns, y1) covers in each of its columns, as
    // DrawLine draws it: column c gets rows [from, to) of spans[c], spans holding columns + 1.
    struct RowSpan {
        int64_t from, to;
    };
    static void SegmentShape(int64_t columns, int64_t y0, int64_t y1, RowSpan* spans);
    // A step's segment of a line from (x0, y0) to (x0 + step_columns_, y1) into band_, as
    // DrawLineOf draws it (three rows wide when thick); without its inner columns when
    // the band has them already.
    void DrawStepSegmentOf(Pixel c, bool thick, int64_t x0, int64_t y0, int64_t y1, bool inner = true);
    // A thin line's step when the band holds its previous segment: that segment's last
    // column and the new segment, straight from the shape table; false when the rows
    // lie outside the table.
    bool DrawStepOf(Pixel c, int64_t y2, int64_t y1, int64_t y0);
    void ComputeSegmentShapes();
    // Every line with its index, the highlighted one last. The deque keeps its elements
    // in place as lines are added, so the pointers stay valid until the lines are cleared.
    struct Drawn {
        size_t index;
        TStripChartLine* line;
    };
    const std::vector<Drawn>& DrawingOrder();
    std::vector<Drawn> order_;
    size_t order_highlighted_ = SIZE_MAX;

    int width_ = kDefaultWidth;
    int height_ = kDefaultHeight;
    std::vector<Pixel> buffer_;  // the picture from origin_, then room to scroll into
    size_t origin_ = 0;

    bool active_ = false;
    int32_t interval_ = 50;
    Colour color_ = RgbColour(0, 0, 0);
    Colour grid_color_ = RgbColour(0, 0x80, 0);
    Colour base_color_ = RgbColour(0xFF, 0, 0);
    int32_t base_line_ = 50;
    TValueUnit base_line_unit_ = TValueUnit::Percent;
    int32_t h_grid_ = 16;
    int32_t v_grid_ = 16;
    TDisplayUnits display_units_ = TDisplayUnits::Pixels;
    int32_t minimum_ = 0;
    int32_t maximum_ = kDefaultHeight;
    int32_t total_steps_ = kDefaultWidth;
    int32_t update_steps_ = 2;
    std::deque<TStripChartLine> lines_;
    uint64_t line_set_changes_ = 0;

    // Derived values.
    double pixels_per_step_ = 1.0;
    int64_t base_row_ = 0;
    std::vector<int> grid_rows_;  // visible rows of the horizontal grid
    std::array<int32_t, 101> percent_rows_{};
    double grid_counter_ = 1.0;
    size_t kept_high_ = 0;
    bool keep_all_ = false;
    size_t highlighted_ = kNoLine;

    // A step draws its segments into a copy of the columns they reach, kept column by
    // column so that each segment is a few contiguous runs: band_ holds columns
    // [band_x0_, width_), pixel (x, y) at band_[(x - band_x0_) * height_ + y]. From one
    // step to the next it moves along with the picture, so only after other drawing is
    // it read back from the picture.
    std::vector<Pixel> band_;
    int band_x0_ = 0;
    // The shapes of a step's segments by their rise, for rises within max_rise_: a segment
    // rising by r has the spans at segment_shapes_[(r + max_rise_) * (step_columns_ + 1)].
    static constexpr int kMaxStepColumns = 64;
    int64_t step_columns_ = -1;
    int64_t max_rise_ = 0;
    std::vector<RowSpan> segment_shapes_;
    std::vector<RowSpan> shape_scratch_;
    // Each line's newest segment as the last step drew it. The next step draws the same
    // segment again, one update further left, where its inner columns are unchanged
    // since: they are skipped when nothing else has drawn since.
    struct DrawnSegment {
        int64_t y0, y1;
        Pixel colour;
        bool operator==(const DrawnSegment&) const = default;
    };
    std::vector<DrawnSegment> last_segments_;
    bool stepped_last_ = false;  // the picture is as the last step left it
};
