#pragma once
// The chart points of the scan pass wired to the strip chart: one line per
// network name, the lines of unlisted names down to 0, one step per completed pass;
// and the colour squares that show each line's colour in the network list.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "survey/chart_colours.h"
#include "survey/strip_chart.h"
#include "wireless/scan_pass.h"

// The chart points of the scan pass: one line per network name, ignoring case.
class TNetworkChart {
public:
    // seed: the colour generator's; by default the high-resolution counter, so the
    // colours differ from run to run.
    explicit TNetworkChart(TStripChart& chart, TRunLog* log = nullptr, uint64_t seed = HighResolutionSeed());

    // The log is created after the chart, during start-up.
    void SetLog(TRunLog* log) { log_ = log; }

    // The passes' clock in milliseconds, for retiring lines; without one no line retires.
    void SetClock(std::function<uint64_t()> clock) { clock_ = std::move(clock); }

    // Sets the line of Name to quality, adding it in a random colour and logging
    // "New network found : " + Name the first time.
    void UpdateNetworkLine(std::string_view name, int32_t quality);
    // Lines whose name is not among names drop to 0.
    void RetireLines(std::span<const std::string> names);
    // The line of a network name, ignoring case; TStripChart::kNoLine for none.
    size_t LineOf(std::string_view name) const;

    // An access point that renames itself every beacon must not grow the chart for ever:
    // after each pass the lines of networks unseen for an hour go with their colours, and
    // beyond kMaxLines those unseen the longest, with one log line the first time.
    static constexpr size_t kMaxLines = 512;
    static constexpr uint64_t kUnseenLineMs = 60 * 60 * 1000;
    static constexpr uint64_t kSweepMs = 60 * 1000;
    void PassCompleted();

    // The chart's lines set aside while another survey shows (a replay), and put back
    // when this one continues.
    struct Seen {
        uint64_t ms = 0;    // the clock
        uint64_t pass = 0;  // passes completed before
    };
    struct Lines {
        std::deque<TStripChartLine> lines;
        std::vector<Seen> seen;
    };
    Lines TakeLines();
    void PutLines(Lines lines);

    static uint64_t HighResolutionSeed();

private:
    // The network's colour from before (a survey started over keeps them), else a new one.
    Colour ColourOf(std::string_view name);
    uint64_t Now() const { return clock_ ? clock_() : 0; }
    // The name index follows lines the chart lost or gained behind our back (ClearLines).
    void Sync() const;
    void Reindex() const;

    TStripChart& chart_;
    TRunLog* log_;
    std::mt19937_64 random_;
    std::function<uint64_t()> clock_;
    struct KeptColour {
        Colour colour;
        LabColour lab;
    };
    std::unordered_map<std::string, KeptColour> colours_;  // by lower-case name, for the whole run
    mutable std::unordered_map<std::string, size_t> lineOf_;  // lower-case name to line
    mutable std::vector<Seen> seen_;  // by line: when last listed
    mutable uint64_t indexedChanges_ = 0;  // the chart's LineSetChanges when indexed
    uint64_t passes_ = 0;
    uint64_t lastSweepMs_ = 0;
    // Names whose lines retired: one that comes back is not logged as new again.
    std::unordered_set<std::string> retired_;
    static constexpr size_t kMaxRetiredNames = 65536;
    bool capLogged_ = false;
};

// A 16 x 16 square with 24-bit pixels in the platform's bitmap byte order
// (blue, green, red), top-down rows of 48 bytes.
struct TColourSquare {
    static constexpr int kSize = 16;
    static constexpr int kRowBytes = kSize * 3;
    std::array<uint8_t, kSize * kRowBytes> bytes{};
};
TColourSquare GetBitmap(Colour colour);

// The lines that need a colour square in the shared image list, given its current
// image count, when line n's square lands at image index first_square + n.
std::vector<size_t> LinesNeedingSquares(size_t line_count, size_t image_count, size_t first_square = 0);

class StripScanChart : public ScanChart {
public:
    StripScanChart(TStripChart& chart, TNetworkChart& networks) : chart_(chart), networks_(networks) {}

    void PassStarted() override {}
    void NetworkListed(const std::string& name, uint32_t quality) override;
    void InterfaceNetworks(const std::vector<std::string>& names) override;
    void PassCompleted() override;
    // Held: the passes no longer move the chart (a replay played to its end).
    void Hold(bool held) { held_ = held; }

private:
    TStripChart& chart_;
    TNetworkChart& networks_;
    bool held_ = false;
};
