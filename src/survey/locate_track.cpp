#include "survey/locate_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "survey/channel_graph.h"
#include "wireless/information_elements.h"
#include "wireless/scan_pass.h"
#include "wireless/value_text.h"
#include "wireless/vendor.h"

std::optional<LocateSighting> FindSighting(const wlan::WLAN_BSS_LIST* list, const std::array<uint8_t, 6>& bssid) {
    const auto entries = BssEntries(list);
    std::optional<LocateSighting> best;
    for (size_t i = 0; i < entries.size(); ++i) {
        const wlan::WLAN_BSS_ENTRY& entry = entries[i];
        if (std::memcmp(entry.dot11Bssid, bssid.data(), bssid.size()) != 0) continue;
        if (best && best->rssi >= entry.lRssi) continue;
        LocateSighting s;
        s.rssi = entry.lRssi;
        s.facts.bssid = MacAddressText(entry.dot11Bssid);
        s.facts.vendor = VendorText(entry.dot11Bssid);
        const std::optional<ChannelAp> ap = ChannelAccessPoint(entry, BssEntryElementBytes(list, i));
        s.facts.ssid = ap ? ap->ssid : "";
        s.facts.channel = ap ? ApChannelText(*ap) : "";
        best = std::move(s);
    }
    return best;
}

void LocateTrack::Pass(std::optional<int32_t> rssiDbm, uint64_t nowMs) {
    history_.push_back(rssiDbm);
    if (history_.size() > kLocateHistoryPasses) history_.pop_front();
    if (!rssiDbm) return;
    recent_.push_back(*rssiDbm);
    if (recent_.size() > kLocateAveragePasses) recent_.pop_front();
    min_ = std::min(min_.value_or(*rssiDbm), *rssiDbm);
    max_ = std::max(max_.value_or(*rssiDbm), *rssiDbm);
    lastHeard_ = nowMs;
}

std::optional<int32_t> LocateTrack::Change() const {
    if (history_.size() < 2 || !history_.back() || !history_[history_.size() - 2]) return std::nullopt;
    return *history_.back() - *history_[history_.size() - 2];
}

std::optional<int32_t> LocateTrack::Average() const {
    if (recent_.empty()) return std::nullopt;
    const double sum = std::accumulate(recent_.begin(), recent_.end(), 0.0);
    return static_cast<int32_t>(std::lround(sum / static_cast<double>(recent_.size())));
}

std::string LocateRssiText(std::optional<int32_t> rssiDbm) { return rssiDbm ? RssiText(*rssiDbm) : "Not heard"; }

std::string LocateChangeText(std::optional<int32_t> changeDb) {
    if (!changeDb) return "";
    if (*changeDb == 0) return "No change";
    const std::string db = std::to_string(std::abs(*changeDb)) + " dB ";
    return *changeDb > 0 ? "\u2191 " + db + "warmer" : "\u2193 " + db + "colder";
}

std::string LocateRangeText(const LocateTrack& track) {
    if (!track.Minimum()) return "";
    return "Min " + RssiText(*track.Minimum()) + "   Max " + RssiText(*track.Maximum()) + "   Average of " +
           std::to_string(kLocateAveragePasses) + " passes " + RssiText(*track.Average());
}

std::string LastHeardText(std::optional<uint64_t> lastHeardMs, uint64_t nowMs) {
    if (!lastHeardMs) return "Not heard since the window opened";
    const uint64_t seconds = nowMs > *lastHeardMs ? (nowMs - *lastHeardMs) / 1000 : 0;
    if (seconds < 2) return "Last heard now";
    if (seconds < 120) return "Last heard " + std::to_string(seconds) + " s ago";
    return "Last heard " + std::to_string(seconds / 60) + " min ago";
}
