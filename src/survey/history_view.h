#pragma once
// What the signal-history window draws: the chosen BSSIDs' RSSI over the chosen span
// of the kept passes, each in its network's chart colour, the serving BSSID marked,
// and the roams; and the CSV of exactly that.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/colour.h"
#include "survey/link_events.h"
#include "survey/signal_history.h"

enum class HistorySpan { FiveMinutes, OneHour, All };
inline constexpr const char* kHistorySpanNames[] = {"5 min", "1 h", "All"};

struct HistorySeries {
    std::string bssid;
    Colour colour = RgbColour(128, 128, 128);
    bool serving = false;  // drawn thicker
    std::vector<std::optional<int32_t>> rssi;  // one per shown pass; none where not heard
};

struct HistoryView {
    size_t firstPass = 0;  // of the history, the oldest shown
    std::vector<int64_t> times;  // ms since 1970 (UTC), one per shown pass
    std::vector<HistorySeries> series;
    std::vector<int64_t> roams;  // the times of the roams within the shown span
};

struct HistoryPick {
    std::string bssid;
    Colour colour = RgbColour(128, 128, 128);
};

// The passes of the span: those no older than its length before the newest pass.
size_t FirstPassOf(const SignalHistory& history, HistorySpan span);
HistoryView MakeHistoryView(const SignalHistory& history, std::span<const HistoryPick> picks, HistorySpan span,
                            const std::string& servingBssid, std::span<const LinkEvent> events);
// The shown series as CSV: time, a column per BSSID, empty where not heard.
std::string HistoryCsv(const SignalHistory& history, const HistoryView& view);
