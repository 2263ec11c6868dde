#include "survey/signal_history.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/utc_time.h"

namespace {

constexpr int8_t kNotHeard = INT8_MIN;

std::string IsoTime(int64_t ms) { return UtcIsoText(ms); }

}  // namespace

SignalHistory::SignalHistory(size_t passesKept) : kept_(std::max<size_t>(passesKept, 1)), times_(kept_) {}

void SignalHistory::Clear() {
    total_ = 0;
    series_.clear();
}

SignalHistory::Series& SignalHistory::SeriesOf(std::string_view bssid) {
    if (const auto it = series_.find(bssid); it != series_.end()) return it->second;
    return series_.emplace(std::string(bssid), Series{}).first->second;
}

void SignalHistory::AddPass(int64_t timeMs, std::span<const HeardRssi> heard) {
    const uint64_t pass = total_++;
    times_[pass % kept_] = timeMs;
    const uint64_t block = pass / kBlock;
    const size_t slot = block % Slots();
    for (const HeardRssi& h : heard) {
        Series& s = SeriesOf(h.bssid);
        if (s.blocks.empty()) {
            s.blocks.resize(Slots());
            s.blockNumbers.assign(Slots(), UINT64_MAX);
        }
        if (s.blockNumbers[slot] != block) {
            if (!s.blocks[slot]) s.blocks[slot] = std::make_unique<Block>();
            s.blocks[slot]->fill(kNotHeard);
            s.blockNumbers[slot] = block;
        }
        (*s.blocks[slot])[pass % kBlock] = static_cast<int8_t>(std::clamp<int32_t>(h.rssi, INT8_MIN + 1, INT8_MAX));
        s.lastPass = pass;
    }
    // A BSSID not heard for longer than is kept goes, with its memory.
    if (pass % kBlock == 0)
        std::erase_if(series_, [&](const auto& entry) { return entry.second.lastPass < FirstKept(); });
}

size_t SignalHistory::Passes() const { return static_cast<size_t>(total_ - FirstKept()); }

int64_t SignalHistory::PassTime(size_t pass) const { return times_[(FirstKept() + pass) % kept_]; }

std::optional<int32_t> SignalHistory::Rssi(std::string_view bssid, size_t pass) const {
    if (pass >= Passes()) return std::nullopt;
    const auto it = series_.find(bssid);
    if (it == series_.end()) return std::nullopt;
    const uint64_t p = FirstKept() + pass, block = p / kBlock;
    const size_t slot = block % Slots();
    const Series& s = it->second;
    if (s.blockNumbers[slot] != block || !s.blocks[slot]) return std::nullopt;
    const int8_t v = (*s.blocks[slot])[p % kBlock];
    if (v == kNotHeard) return std::nullopt;
    return v;
}

std::vector<std::string> SignalHistory::Bssids() const {
    std::vector<std::string> out;
    for (const auto& [bssid, s] : series_)
        if (s.lastPass >= FirstKept() && total_ > 0) out.push_back(bssid);
    std::sort(out.begin(), out.end());
    return out;
}

size_t SignalHistory::MemoryBytes() const {
    size_t bytes = times_.capacity() * sizeof(int64_t);
    for (const auto& [bssid, s] : series_) {
        bytes += bssid.capacity() + sizeof(Series) + s.blocks.capacity() * sizeof(void*) +
            s.blockNumbers.capacity() * sizeof(uint64_t);
        for (const auto& b : s.blocks) bytes += b ? sizeof(Block) : 0;
    }
    return bytes;
}

std::string SignalHistory::Csv(std::span<const std::string> bssids, size_t fromPass) const {
    std::string out = "time";
    for (const std::string& b : bssids) out += "," + b;
    out += "\r\n";
    for (size_t pass = fromPass; pass < Passes(); ++pass) {
        out += IsoTime(PassTime(pass));
        for (const std::string& b : bssids) {
            out += ',';
            if (const std::optional<int32_t> v = Rssi(b, pass)) out += std::to_string(*v);
        }
        out += "\r\n";
    }
    return out;
}
