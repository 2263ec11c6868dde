#include "survey/scan_chart.h"

#include <algorithm>
#include <chrono>

#include "common/air_text.h"
#include "common/run_log.h"
#include "common/text.h"
#include "survey/chart_colours.h"

void StripScanChart::NetworkListed(const std::string& name, uint32_t quality) {
    networks_.UpdateNetworkLine(name, static_cast<int32_t>(std::min<uint32_t>(quality, 100)));
}

void StripScanChart::InterfaceNetworks(const std::vector<std::string>& names) { networks_.RetireLines(names); }

void StripScanChart::PassCompleted() {
    if (!held_) chart_.Step();
}

TNetworkChart::TNetworkChart(TStripChart& chart, TRunLog* log, uint64_t seed)
    : chart_(chart), log_(log), random_(seed) {}

uint64_t TNetworkChart::HighResolutionSeed() {
    return static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

Colour TNetworkChart::ColourOf(std::string_view name) {
    const std::string key = AsciiLowerCase(name);
    if (const auto it = colours_.find(key); it != colours_.end()) return it->second;
    // Apart from every colour of the run, so a network that comes back finds its own still unlike the others.
    std::vector<Colour> used;
    used.reserve(colours_.size());
    for (const auto& [known, colour] : colours_) used.push_back(colour);
    const Colour colour = ChooseChartColour(random_, used);
    colours_.emplace(key, colour);
    return colour;
}

size_t TNetworkChart::LineOf(std::string_view name) const {
    for (size_t i = 0; i < chart_.LineCount(); ++i)
        if (SameText(chart_.Line(i).Name, name)) return i;
    return TStripChart::kNoLine;
}

void TNetworkChart::UpdateNetworkLine(std::string_view name, int32_t quality) {
    if (const size_t known = LineOf(name); known != TStripChart::kNoLine) {
        chart_.Line(known).Position = quality;
        return;
    }
    TStripChartLine& line = chart_.AddLine();
    line.Color = ColourOf(name);
    line.Name = std::string(name);
    line.Position = quality;
    LogAdd(log_, "New network found : " + AirTextForLog(name), LogLevel::Info);
}

void TNetworkChart::RetireLines(std::span<const std::string> names) {
    for (size_t i = 0; i < chart_.LineCount(); ++i) {
        TStripChartLine& line = chart_.Line(i);
        const bool listed = std::any_of(names.begin(), names.end(),
                                        [&](const std::string& n) { return SameText(line.Name, n); });
        if (!listed) line.Position = 0;
    }
}

TColourSquare GetBitmap(Colour colour) {
    TColourSquare square;
    for (size_t i = 0; i < square.bytes.size(); i += 3) {
        square.bytes[i] = static_cast<uint8_t>(colour >> 16);     // blue
        square.bytes[i + 1] = static_cast<uint8_t>(colour >> 8);  // green
        square.bytes[i + 2] = static_cast<uint8_t>(colour);       // red
    }
    return square;
}

std::vector<size_t> LinesNeedingSquares(size_t line_count, size_t image_count, size_t first_square) {
    std::vector<size_t> lines;
    for (size_t i = image_count > first_square ? image_count - first_square : 0; i < line_count; ++i)
        lines.push_back(i);
    return lines;
}
