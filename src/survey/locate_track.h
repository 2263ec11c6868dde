#pragma once
// One access point followed pass by pass while the surveyor walks towards it:
// what it is, its signal now, the change since the last pass, the range and the
// recent average, a short history and when it was last heard.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "wireless/records.h"

// What the window names the access point by; taken from the pass that heard it last.
struct LocateFacts {
    std::string ssid, bssid, vendor, channel;
};

// The access point in a BSS list: its facts and signal; none when the list does not hold it.
struct LocateSighting {
    LocateFacts facts;
    int32_t rssi = 0;
};
// Of several entries for the address (one per adapter), the strongest.
std::optional<LocateSighting> FindSighting(const wlan::WLAN_BSS_LIST* list, const std::array<uint8_t, 6>& bssid);

inline constexpr size_t kLocateAveragePasses = 5;
inline constexpr size_t kLocateHistoryPasses = 60;

class LocateTrack {
public:
    // A completed pass: the signal, none when the pass did not hear the access point.
    void Pass(std::optional<int32_t> rssiDbm, uint64_t nowMs);

    std::optional<int32_t> Rssi() const { return history_.empty() ? std::nullopt : history_.back(); }
    // This pass against the one before, when both heard it.
    std::optional<int32_t> Change() const;
    std::optional<int32_t> Minimum() const { return min_; }
    std::optional<int32_t> Maximum() const { return max_; }
    // Of the last kLocateAveragePasses passes that heard it, rounded.
    std::optional<int32_t> Average() const;
    // Oldest first, at most kLocateHistoryPasses; none for a pass that did not hear it.
    const std::deque<std::optional<int32_t>>& History() const { return history_; }
    std::optional<uint64_t> LastHeardMs() const { return lastHeard_; }

private:
    std::deque<std::optional<int32_t>> history_;
    std::deque<int32_t> recent_;  // the heard readings the average takes
    std::optional<int32_t> min_, max_;
    std::optional<uint64_t> lastHeard_;
};

// "-55 dBm", or "Not heard".
std::string LocateRssiText(std::optional<int32_t> rssiDbm);
// "↑ 3 dB warmer", "↓ 2 dB colder", "No change", "" without two readings.
std::string LocateChangeText(std::optional<int32_t> changeDb);
// "Min -70 dBm   Max -40 dBm   Average of 5 passes -55 dBm"; "" before the first reading.
std::string LocateRangeText(const LocateTrack& track);
// "Last heard now", "Last heard 12 s ago", "Last heard 3 min ago", "Not heard since the window opened".
std::string LastHeardText(std::optional<uint64_t> lastHeardMs, uint64_t nowMs);
