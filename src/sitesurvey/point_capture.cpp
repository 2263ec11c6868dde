#include "sitesurvey/point_capture.h"

#include <algorithm>
#include <cmath>

#include "common/encoding.h"
#include "common/utc_time.h"
#include "sim/simulated_wlan.h"
#include "wireless/information_elements.h"
#include "wireless/scan_pass.h"
#include "wireless/value_text.h"

namespace sitesurvey {

namespace {

// Keeps the valid UTF-8 sequences; every other byte becomes "?".
std::string SsidText(const wlan::DOT11_SSID& ssid) {
    const std::string raw(reinterpret_cast<const char*>(ssid.ucSSID), std::min<uint32_t>(ssid.uSSIDLength, 32));
    if (IsValidUtf8(raw)) return raw;
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        const auto lead = static_cast<unsigned char>(raw[i]);
        const size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (n > 0 && i + n <= raw.size() && IsValidUtf8(std::string_view(raw).substr(i, n))) {
            out.append(raw, i, n);
            i += n;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

}  // namespace

std::vector<SurveyBss> BssOfList(const wlan::WLAN_BSS_LIST* list) {
    std::vector<SurveyBss> out;
    size_t index = 0;
    for (const wlan::WLAN_BSS_ENTRY& entry : BssEntries(list)) {
        SurveyBss b;
        b.bssid = MacAddressText(entry.dot11Bssid);
        b.ssid = SsidText(entry.dot11Ssid);
        b.rssi = std::clamp<int32_t>(entry.lRssi, -128, 127);
        b.frequencyKhz = entry.ulChCenterFrequency;
        const std::span<const uint8_t> ies = BssEntryElementBytes(list, index++);
        if (!ies.empty()) b.ies.emplace(ies.begin(), ies.end());
        // The file needs a frequency; an entry without one is no measurement of a channel.
        if (b.frequencyKhz >= 1 && b.frequencyKhz <= 100000000) out.push_back(std::move(b));
    }
    return out;
}

std::string UtcTimeText(int64_t unixMs) { return UtcIsoText(unixMs, true); }

void PointCapture::Click(double x, double y, uint64_t nowMs) { pending_ = Pending{x, y, nowMs, false}; }

void PointCapture::Notified(const wlan::WlanNotification& notification) {
    if (notification.source != wlan::kNotificationSourceAcm) return;
    if (notification.code != wlan::kAcmScanComplete && notification.code != wlan::kAcmScanFail) return;
    serviceReports_ = true;
    if (pending_) pending_->scanned = true;
}

std::optional<SurveyPoint> PointCapture::PassEnded(const wlan::WLAN_BSS_LIST* list, uint64_t nowMs,
                                                  const std::string& utcTime) {
    if (!pending_) return std::nullopt;
    if (serviceReports_ && !pending_->scanned && nowMs < pending_->at + kLongestScanWaitMs) return std::nullopt;
    SurveyPoint point;
    point.x = pending_->x;
    point.y = pending_->y;
    point.time = utcTime;
    point.bss = BssOfList(list);
    pending_.reset();
    return point;
}

std::vector<SurveyPoint> SpreadAlong(const WalkMark& from, const WalkMark& to, std::vector<WalkPass> passes) {
    std::vector<SurveyPoint> out;
    const double span = to.ms > from.ms ? static_cast<double>(to.ms - from.ms) : 0;
    for (WalkPass& pass : passes) {
        double t = span > 0 ? (static_cast<double>(pass.ms) - static_cast<double>(from.ms)) / span : 1;
        t = std::clamp(t, 0.0, 1.0);
        SurveyPoint point;
        point.x = from.x + (to.x - from.x) * t;
        point.y = from.y + (to.y - from.y) * t;
        point.time = std::move(pass.time);
        point.bss = std::move(pass.bss);
        out.push_back(std::move(point));
    }
    return out;
}

std::optional<std::vector<std::vector<SurveyBss>>> RecordingPasses(std::shared_ptr<const wlan::sim::Scenario> scenario,
                                                                    std::string& error) {
    const std::optional<uint64_t> last = scenario ? wlan::sim::LastChangeEpoch(*scenario) : std::nullopt;
    if (!last) {
        error = "the file is not a recording: what it reports changes for ever";
        return std::nullopt;
    }
    if (*last > kMaxPointsPerPlan) {
        error = "the recording has " + std::to_string(*last) + " passes, more than the " +
            std::to_string(kMaxPointsPerPlan) + " points a plan may hold";
        return std::nullopt;
    }
    wlan::sim::SimulatedWlan api(std::move(scenario));
    uint32_t negotiated = 0;
    wlan::Handle handle = nullptr;
    if (api.WlanOpenHandle(wlan::kClientVersion, nullptr, &negotiated, &handle) != 0) {
        error = "the recording cannot be replayed";
        return std::nullopt;
    }
    std::vector<std::vector<SurveyBss>> passes;
    for (uint64_t epoch = 1; epoch <= std::max<uint64_t>(*last, 1); ++epoch) {
        wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> interfaces(api);
        if (api.WlanEnumInterfaces(handle, nullptr, interfaces.out()) != 0) continue;
        const auto listed = wlan::Entries(interfaces.get());
        if (listed.empty()) continue;
        wlan::WlanBuffer<wlan::WLAN_BSS_LIST> bss(api);
        if (api.WlanGetNetworkBssList(handle, &listed[0].InterfaceGuid, nullptr, wlan::kBssTypeAny, false, nullptr,
                                      bss.out()) != 0)
            continue;
        passes.push_back(BssOfList(bss.get()));
    }
    api.WlanCloseHandle(handle, nullptr);
    return passes;
}

std::vector<SurveyPoint> LayAlongWalk(const std::vector<WalkMark>& walk, std::vector<std::vector<SurveyBss>> passes,
                                      const std::string& time) {
    std::vector<SurveyPoint> out;
    if (walk.empty()) return out;
    std::vector<double> along{0};  // the path's length up to each mark
    for (size_t i = 1; i < walk.size(); ++i)
        along.push_back(along.back() + std::hypot(walk[i].x - walk[i - 1].x, walk[i].y - walk[i - 1].y));
    size_t segment = 1;
    for (size_t k = 0; k < passes.size(); ++k) {
        const double at = passes.size() > 1 ? along.back() * static_cast<double>(k) / (passes.size() - 1) : 0;
        while (segment + 1 < walk.size() && along[segment] < at) ++segment;
        SurveyPoint p;
        if (walk.size() == 1 || along[segment] <= along[segment - 1]) {
            p.x = walk[segment < walk.size() ? segment : 0].x, p.y = walk[segment < walk.size() ? segment : 0].y;
        } else {
            const double t = std::clamp((at - along[segment - 1]) / (along[segment] - along[segment - 1]), 0.0, 1.0);
            p.x = walk[segment - 1].x + (walk[segment].x - walk[segment - 1].x) * t;
            p.y = walk[segment - 1].y + (walk[segment].y - walk[segment - 1].y) * t;
        }
        p.time = time;
        p.bss = std::move(passes[k]);
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace sitesurvey
