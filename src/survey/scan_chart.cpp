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
    networks_.PassCompleted();
    if (!held_) chart_.Step();
}

TNetworkChart::TNetworkChart(TStripChart& chart, TRunLog* log, uint64_t seed)
    : chart_(chart), log_(log), random_(seed) {}

uint64_t TNetworkChart::HighResolutionSeed() {
    return static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

Colour TNetworkChart::ColourOf(std::string_view key) {
    if (const auto it = colours_.find(std::string(key)); it != colours_.end()) return it->second.colour;
    // Colours kept for networks without a line (a survey started over) stay bounded.
    if (colours_.size() >= 4 * kMaxLines) {
        Sync();
        std::erase_if(colours_, [this](const auto& entry) { return !lineOf_.contains(entry.first); });
    }
    // Apart from every colour of the run, so a network that comes back finds its own still unlike the others.
    std::vector<LabColour> used;
    used.reserve(colours_.size());
    for (const auto& [known, kept] : colours_) used.push_back(kept.lab);
    const Colour colour = ChooseChartColour(random_, used);
    colours_.emplace(key, KeptColour{colour, ToLab(colour)});
    return colour;
}

void TNetworkChart::Reindex() const {
    lineOf_.clear();
    for (size_t i = 0; i < chart_.LineCount(); ++i) lineOf_.emplace(AsciiLowerCase(chart_.Line(i).Name), i);
    seen_.resize(chart_.LineCount(), Seen{Now(), passes_});
    indexedChanges_ = chart_.LineSetChanges();
}

void TNetworkChart::Sync() const {
    if (indexedChanges_ != chart_.LineSetChanges() || seen_.size() != chart_.LineCount()) Reindex();
}

size_t TNetworkChart::LineOf(std::string_view name) const {
    Sync();
    const auto it = lineOf_.find(AsciiLowerCase(name));
    return it == lineOf_.end() ? TStripChart::kNoLine : it->second;
}

void TNetworkChart::UpdateNetworkLine(std::string_view name, int32_t quality) {
    Sync();
    std::string key = AsciiLowerCase(name);
    if (const auto it = lineOf_.find(key); it != lineOf_.end()) {
        chart_.Line(it->second).Position = quality;
        seen_[it->second] = {Now(), passes_};
        return;
    }
    // More than this in one pass wait for lines the pass's end retires.
    if (chart_.LineCount() >= 2 * kMaxLines) return;
    TStripChartLine& line = chart_.AddLine();
    line.Color = ColourOf(key);
    line.Name = std::string(name);
    line.Position = quality;
    seen_.push_back({Now(), passes_});
    if (retired_.erase(key) == 0) LogAdd(log_, "New network found : " + AirTextForLog(name), LogLevel::Info);
    lineOf_.emplace(std::move(key), chart_.LineCount() - 1);
}

void TNetworkChart::RetireLines(std::span<const std::string> names) {
    Sync();
    std::vector<bool> listed(chart_.LineCount());
    for (const std::string& n : names)
        if (const auto it = lineOf_.find(AsciiLowerCase(n)); it != lineOf_.end()) listed[it->second] = true;
    for (size_t i = 0; i < listed.size(); ++i)
        if (!listed[i]) chart_.Line(i).Position = 0;
}

void TNetworkChart::PassCompleted() {
    Sync();
    const uint64_t now = Now();
    const size_t count = chart_.LineCount();
    std::vector<size_t> gone;
    // Lines go in batches, each a redraw: the hour's sweep once a minute, and past the
    // cap down to seven eighths of it.
    if (clock_ && now - lastSweepMs_ >= kSweepMs) {
        lastSweepMs_ = now;
        for (size_t i = 0; i < count; ++i)
            if (now - seen_[i].ms >= kUnseenLineMs) gone.push_back(i);
    }
    if (count - gone.size() > kMaxLines) {
        if (!capLogged_)
            LogAdd(log_,
                   "More than " + std::to_string(kMaxLines) +
                       " networks: the chart drops the lines of those unseen the longest",
                   LogLevel::Info);
        capLogged_ = true;
        // Unseen the longest first; the lines of this pass stay.
        std::vector<size_t> order;
        for (size_t i = 0; i < count; ++i)
            if (!std::binary_search(gone.begin(), gone.end(), i) && seen_[i].pass < passes_) order.push_back(i);
        std::stable_sort(order.begin(), order.end(),
                         [this](size_t a, size_t b) { return seen_[a].pass < seen_[b].pass; });
        order.resize(std::min(order.size(), count - gone.size() - kMaxLines * 7 / 8));
        gone.insert(gone.end(), order.begin(), order.end());
        std::sort(gone.begin(), gone.end());
    }
    ++passes_;
    if (gone.empty()) return;
    for (size_t i : gone) {
        std::string key = AsciiLowerCase(chart_.Line(i).Name);
        colours_.erase(key);
        if (retired_.size() < kMaxRetiredNames) retired_.insert(std::move(key));
    }
    std::vector<Seen> kept;
    for (size_t i = 0, g = 0; i < count; ++i) {
        if (g < gone.size() && gone[g] == i) {
            ++g;
            continue;
        }
        kept.push_back(seen_[i]);
    }
    chart_.RemoveLines(gone);
    seen_ = std::move(kept);
    Reindex();
}

TNetworkChart::Lines TNetworkChart::TakeLines() {
    Sync();
    Lines taken{chart_.TakeLines(), std::move(seen_)};
    seen_.clear();
    Reindex();
    return taken;
}

void TNetworkChart::PutLines(Lines lines) {
    // Unseen while set aside does not count against them.
    for (Seen& s : lines.seen) s = {Now(), passes_};
    seen_ = std::move(lines.seen);
    seen_.resize(lines.lines.size(), Seen{Now(), passes_});
    chart_.PutLines(std::move(lines.lines));
    Reindex();
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
