#include "wireless/scan_requests.h"

#include <algorithm>
#include <chrono>
#include <string>

using namespace wlan;

namespace {

// A scan still unreported after this long has ended without a word.
constexpr uint64_t kLongestScanMs = 4000;

std::string FailureText(uint32_t code) { return "WlanScan failed (" + std::to_string(code) + ")"; }

}  // namespace

int ScanIntervalFromSetting(std::string_view text) {
    if (text.empty()) return kDefaultScanInterval;
    int seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return kDefaultScanInterval;
        seconds = std::min(seconds * 10 + (c - '0'), kLongestScanInterval + 1);
    }
    return std::min(seconds, kLongestScanInterval);
}

uint64_t MonotonicMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ScanRequests::SetInterval(int seconds) {
    interval_ = seconds <= 0 ? 0 : std::clamp(seconds, kShortestScanInterval, kLongestScanInterval);
}

ScanRequests::Asked* ScanRequests::Find(const GUID& guid) {
    auto it = std::find_if(asked_.begin(), asked_.end(), [&](const Asked& a) { return a.guid == guid; });
    return it == asked_.end() ? nullptr : &*it;
}

void ScanRequests::Request(WlanApi& api, Handle handle, const WLAN_INTERFACE_INFO_LIST* interfaces, TRunLog* log) {
    if (interval_ == 0) return;
    const uint64_t now = clock_();
    const uint64_t interval = static_cast<uint64_t>(interval_) * 1000;
    // Requests old enough to allow the next one need not be remembered.
    std::erase_if(asked_, [&](const Asked& a) { return now >= a.at + std::max(interval, kLongestScanMs); });
    for (const WLAN_INTERFACE_INFO& info : Entries(interfaces)) {
        Asked* previous = Find(info.InterfaceGuid);
        if (previous) {
            if (now < previous->at + interval) continue;
            if (serviceReports_ && previous->running && now < previous->at + kLongestScanMs) continue;
        } else {
            previous = &asked_.emplace_back(Asked{info.InterfaceGuid, 0, false});
        }
        previous->at = now;
        const uint32_t rc = api.WlanScan(handle, &info.InterfaceGuid, nullptr, nullptr, nullptr);
        previous->running = rc == 0;
        accessDenied_ = rc == kErrorAccessDenied;
        if (rc == 0) continue;
        LogAdd(log, FailureText(rc), LogLevel::Verbose);
        if (rc == kErrorAccessDenied && onAccessDenied) onAccessDenied();
    }
}

void ScanRequests::Notified(const WlanNotification& notification, TRunLog* log) {
    if (notification.source != kNotificationSourceAcm) return;
    if (notification.code != kAcmScanComplete && notification.code != kAcmScanFail) return;
    serviceReports_ = true;
    Asked* asked = Find(notification.interfaceGuid);
    if (!asked || !asked->running) return;  // a scan the system ran on its own
    asked->running = false;
    if (notification.code == kAcmScanFail) LogAdd(log, FailureText(notification.reason), LogLevel::Verbose);
}

void NotificationQueue::Push(const WlanNotification& notification) {
    std::lock_guard lock(mutex_);
    queued_.push_back(notification);
}

std::vector<WlanNotification> NotificationQueue::TakeAll() {
    std::lock_guard lock(mutex_);
    return std::exchange(queued_, {});
}
