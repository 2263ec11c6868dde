#include "survey/history_view.h"

#include <algorithm>

namespace {

constexpr int64_t kSpanMs[] = {5 * 60'000, 60 * 60'000, 0};

}  // namespace

size_t FirstPassOf(const SignalHistory& history, HistorySpan span) {
    const size_t passes = history.Passes();
    const int64_t length = kSpanMs[static_cast<int>(span)];
    if (passes == 0 || length == 0) return 0;
    const int64_t from = history.PassTime(passes - 1) - length;
    size_t first = passes - 1;
    while (first > 0 && history.PassTime(first - 1) >= from) --first;
    return first;
}

HistoryView MakeHistoryView(const SignalHistory& history, std::span<const HistoryPick> picks, HistorySpan span,
                            const std::string& servingBssid, std::span<const LinkEvent> events) {
    HistoryView view;
    view.firstPass = FirstPassOf(history, span);
    for (size_t p = view.firstPass; p < history.Passes(); ++p) view.times.push_back(history.PassTime(p));
    for (const HistoryPick& pick : picks) {
        HistorySeries s{pick.bssid, pick.colour, pick.bssid == servingBssid, {}};
        for (size_t p = view.firstPass; p < history.Passes(); ++p) s.rssi.push_back(history.Rssi(pick.bssid, p));
        view.series.push_back(std::move(s));
    }
    if (!view.times.empty())
        for (const LinkEvent& e : events)
            if (e.kind == LinkEvent::Kind::Roamed && e.timeMs >= view.times.front() && e.timeMs <= view.times.back())
                view.roams.push_back(e.timeMs);
    return view;
}

std::string HistoryCsv(const SignalHistory& history, const HistoryView& view) {
    std::vector<std::string> bssids;
    for (const HistorySeries& s : view.series) bssids.push_back(s.bssid);
    return history.Csv(bssids, view.firstPass);
}
