#pragma once
// Fresh scans. The network and BSS lists are the adapter's cached scan results,
// which it refreshes on its own schedule (a connected adapter may wait a minute
// or more). So every few seconds the program asks each interface for a scan of
// its own; the following passes read what it found.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <vector>

#include "common/run_log.h"
#include "wireless/wlan_api.h"

// The setting, in whole seconds as decimal text.
inline constexpr std::string_view kScanIntervalSetting = "scan_interval";
inline constexpr int kDefaultScanInterval = 4;  // the longest a driver may take to complete a scan
inline constexpr int kShortestScanInterval = 2;
inline constexpr int kLongestScanInterval = 60;

// The setting's value: empty or unreadable text gives the default, numbers above
// the longest interval give the longest.
int ScanIntervalFromSetting(std::string_view text);

// Milliseconds of a clock that never goes back.
uint64_t MonotonicMilliseconds();

class ScanRequests {
public:
    using Clock = std::function<uint64_t()>;
    explicit ScanRequests(Clock clock = MonotonicMilliseconds) : clock_(std::move(clock)) {}

    // Seconds between two requests for one interface: 0 never asks, values
    // below the shortest interval count as the shortest.
    void SetInterval(int seconds);
    int Interval() const { return interval_; }

    // After a pass has read the lists: one WlanScan for each listed interface
    // whose previous request is at least the interval old. A refused request
    // is logged at level 0 only; the pass and the lists are not touched.
    void Request(wlan::WlanApi& api, wlan::Handle handle, const wlan::WLAN_INTERFACE_INFO_LIST* interfaces, TRunLog* log);

    // A notification of the service, on the GUI thread. Once the service has
    // reported finished scans, an interface whose scan still runs is not asked
    // again until it finishes or could no longer be running.
    void Notified(const wlan::WlanNotification& notification, TRunLog* log);

    // A request refused with error 5: the system withholds Wi-Fi scans from
    // programs without location consent.
    std::function<void()> onAccessDenied;
    // The latest request was refused so.
    bool AccessDenied() const { return accessDenied_; }

private:
    struct Asked {
        wlan::GUID guid;
        uint64_t at;   // when the last request was made
        bool running;  // made, and not yet reported finished
    };
    Asked* Find(const wlan::GUID& guid);

    Clock clock_;
    int interval_ = kDefaultScanInterval;
    bool serviceReports_ = false;
    bool accessDenied_ = false;
    std::vector<Asked> asked_;
};

// Notifications arrive on threads of the service; the window takes them over
// on its own thread.
class NotificationQueue {
public:
    void Push(const wlan::WlanNotification& notification);
    std::vector<wlan::WlanNotification> TakeAll();

private:
    std::mutex mutex_;
    std::vector<wlan::WlanNotification> queued_;
};
