#pragma once
// The laptop's own link over the survey: reads the connection opcodes after each
// pass for the interface whose access points the lists show, turns the service's
// link notifications into events (LinkTracker), and keeps each BSSID's signal
// history. Runs on the session's thread.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/run_log.h"
#include "survey/link_events.h"
#include "survey/signal_history.h"
#include "wireless/scan_pass.h"
#include "wireless/wlan_api.h"

// The link as the last pass read it.
struct LinkStatus {
    bool connected = false;
    wlan::GUID interfaceGuid{};
    std::string ssid, bssid, vendor, profile;
    uint32_t channel = 0;
    std::string width, generation;  // from the serving entry's elements, "" when not heard
    std::optional<int32_t> rssi;
    uint32_t quality = 0;
    uint32_t rxKbps = 0, txKbps = 0;
    uint32_t phyType = 0, auth = 0, cipher = 0;
};

// The link notifications the survey listens to: MSM connected, roaming start and end, disconnected.
bool IsLinkNotification(const wlan::WlanNotification& n);
// A link notification as the tracker takes it; none for another or unreadable one.
std::optional<LinkNotice> LinkNoticeOf(const wlan::WlanNotification& n);

// "Campus · 3C:5A:B4:10:20:01 (Vendor) · ch 36, 80 MHz · -55 dBm · 866.7/780 Mbit/s · Wi-Fi 5",
// or "Not connected".
std::string LinkSummaryText(const LinkStatus& status);
// "866.7" for 866700 kbit/s.
std::string MbitText(uint32_t kbps);

// The Link window's rows of the current link: caption and value.
std::vector<std::pair<std::string, std::string>> LinkDetailRows(const LinkStatus& status);
// Its event list, and the events' table in the survey's export.
inline constexpr const char* kLinkEventColumns[] = {"Time", "Event", "From", "To", "Gap", "Late by"};
// time is the event's time as the caller shows it (the export: ISO 8601, UTC).
std::vector<std::string> LinkEventCells(const LinkEvent& event, std::string time);

class LinkMonitor {
public:
    // A notification taken over on the session's thread.
    void Notified(const wlan::WlanNotification& n);
    // After a pass that completed: reads the link and what the pass heard. timeMs: wall clock.
    void PassCompleted(ScanState& scan, int64_t timeMs);
    // The events completed since the last call, each logged at Info.
    void LogNewEvents(TRunLog* log);
    // Another service (live to replay or back): the link, its events and the history start
    // over, as the lists and the chart do.
    void Restart();

    const LinkStatus& Status() const { return status_; }
    // The roams as the completed passes since each, most recent last: marks on the chart.
    std::vector<uint64_t> RoamMarks() const;
    const LinkTracker& Tracker() const { return tracker_; }
    const SignalHistory& History() const { return history_; }
    SignalHistory& History() { return history_; }

private:
    LinkStatus ReadLink(ScanState& scan, const wlan::GUID& guid) const;

    LinkTracker tracker_;
    LinkStatus status_;
    SignalHistory history_;
    uint64_t passes_ = 0;
    size_t eventsSeen_ = 0;
    std::vector<uint64_t> roamPasses_;  // the pass each roam completed in, the latest kMaxMarks
    static constexpr size_t kMaxMarks = 1000;
};
