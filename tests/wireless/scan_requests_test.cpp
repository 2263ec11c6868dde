#include "wireless/scan_requests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scan_harness.h"
#include "wireless/value_text.h"

namespace {

using namespace scantest;
using namespace wlan;

// One cached adapter whose air changes every epoch: the network's quality is
// 10 x the epoch and the access point's RSSI minus that.
constexpr std::string_view kCachedAdapter = R"({"interfaces": [{"scan_cache": true,
  "networks": [{"ssid": "N", "quality": [10, 20, 30, 40, 50, 60, 70, 80, 90, 100]}],
  "bss": [{"bssid": "00:00:00:00:00:01", "rssi": [-10, -20, -30, -40, -50, -60, -70, -80, -90, -100]}]}]})";

// The epoch the lists showed after each pass, read from the rows.
std::vector<int> ShownEpochs(Harness& h, int passes) {
    std::vector<int> epochs;
    for (int pass = 0; pass < passes; ++pass) {
        h.Tick();
        int epoch = 0;
        for (int e = 1; e <= 10; ++e)
            if (h.networks.rows.at(0).subItems.at(0) == QualityText(10 * e)) epoch = e;
        EXPECT_EQ(h.accessPoints.rows.at(0).subItems.at(2), RssiText(-10 * epoch)) << "pass " << pass + 1;
        epochs.push_back(epoch);
    }
    return epochs;
}

TEST(ScanRequests, ListsFollowTheAirAtTheIntervalsPace) {
    struct Case {
        int interval;
        std::vector<int> epochs;
    };
    // A scan asked in one pass shows in the next; one pass a second.
    const Case cases[] = {
        {4, {1, 2, 2, 2, 2, 6, 6, 6, 6, 10}},
        {2, {1, 2, 2, 4, 4, 6, 6, 8, 8, 10}},
        {1, {1, 2, 2, 4, 4, 6, 6, 8, 8, 10}},  // counts as 2
        {3, {1, 2, 2, 2, 5, 5, 5, 8, 8, 8}},
        {0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},  // never asks: the adapter's first results stay
    };
    for (const Case& c : cases) {
        Harness h(kCachedAdapter);
        h.state.requests.SetInterval(c.interval);
        EXPECT_EQ(ShownEpochs(h, 10), c.epochs) << "interval " << c.interval;
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

TEST(ScanRequests, AFailedRequestTouchesNoListAndNoBoxAndWaitsForTheNextInterval) {
    const std::string scenario = R"({"interfaces": [{"scan_cache": true,
      "networks": [{"ssid": "N", "quality": [10, 20, 30, 40, 50, 60, 70, 80, 90, 100]}],
      "bss": [{"bssid": "00:00:00:00:00:01", "rssi": [-10, -20, -30, -40, -50, -60, -70, -80, -90, -100]}]}],
      "faults": [{"call": "WlanScan", "epochs": [1], "result": 5}, {"call": "WlanScan", "epochs": [5], "result": 1234}]})";
    Harness h(scenario);
    int consentNotices = 0;
    h.state.requests.onAccessDenied = [&] { ++consentNotices; };

    Harness clean(kCachedAdapter);
    clean.Tick();
    h.Tick();
    std::vector<std::string> expectedLog = clean.LogLines();
    expectedLog.push_back("Verbose: WlanScan failed (5)");
    EXPECT_EQ(h.LogLines(), expectedLog);
    EXPECT_EQ(h.networks.rows, clean.networks.rows);
    EXPECT_EQ(h.accessPoints.rows, clean.accessPoints.rows);
    EXPECT_EQ(h.chart.events, clean.chart.events);
    EXPECT_TRUE(h.state.scanIdle);
    EXPECT_EQ(consentNotices, 1);
    EXPECT_TRUE(h.state.requests.AccessDenied());

    // No request before the interval is over; the one of pass 5 fails too, the one of pass 9 is heard.
    EXPECT_EQ(ShownEpochs(h, 9), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 10}));
    expectedLog.push_back("Verbose: WlanScan failed (1234)");
    EXPECT_EQ(h.LogLines(), expectedLog);
    EXPECT_EQ(consentNotices, 1) << "only a refusal asks for consent";
    EXPECT_FALSE(h.state.requests.AccessDenied());
    EXPECT_TRUE(h.messages.shown.empty());
}

// Counts the scan requests that reach the service.
class CountingWlan : public sim::SimulatedWlan {
public:
    using SimulatedWlan::SimulatedWlan;
    uint32_t WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid, const WLAN_RAW_DATA* ieData,
                      void* reserved) override {
        ++scans;
        return SimulatedWlan::WlanScan(clientHandle, interfaceGuid, ssid, ieData, reserved);
    }
    int scans = 0;
};

TEST(ScanRequests, OnceTheServiceReportsScansARunningOneIsNotAskedAgain) {
    BasicHarness<CountingWlan> h(R"({"interfaces": [{}, {"present": [true, false]}]})");
    h.state.requests.SetInterval(2);
    const GUID first = {0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    const GUID second = {0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
    auto notify = [&](uint32_t code, const GUID& guid, uint32_t reason = 0) {
        h.state.requests.Notified({kNotificationSourceAcm, code, guid, reason, {}, 0}, h.Log());
    };
    // Without reports the interval alone decides: passes 1 and 3 ask; the second interface is gone from pass 2 on.
    std::vector<int> counts;
    for (int pass = 1; pass <= 3; ++pass) {
        h.Tick();
        counts.push_back(h.api.scans);
    }
    EXPECT_EQ(counts, (std::vector<int>{2, 2, 3}));

    // A report for the gone interface shows that the service reports. The scan
    // of pass 3 is not reported: passes 5 and 6 wait, pass 7 (4 s on) asks.
    notify(kAcmScanComplete, second);
    counts.clear();
    for (int pass = 4; pass <= 7; ++pass) {
        h.Tick();
        counts.push_back(h.api.scans);
    }
    EXPECT_EQ(counts, (std::vector<int>{3, 3, 3, 4}));

    // Reported finished, the next is asked at the interval; a failed scan is logged like a refused request.
    notify(kAcmScanFail, first, 0x38001);
    notify(kAcmScanFail, first, 7);  // not running any more: nothing to say
    notify(0, first);                // other codes pass by
    h.Tick();
    h.Tick();
    EXPECT_EQ(h.api.scans, 5);
    std::vector<std::string> lines = h.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Verbose: WlanScan failed (229377)"), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("WlanScan") != l.npos; }),
              1);
}

TEST(ScanRequests, IntervalSettingText) {
    struct Case {
        const char* text;
        int seconds;
    };
    const Case cases[] = {{"", 4},   {"0", 0},   {"1", 1},  {"7", 7},   {"60", 60}, {"61", 60},
                          {"99999999999", 60}, {"-1", 4}, {"4s", 4}, {" 5", 4}, {"x", 4}};
    for (const Case& c : cases) EXPECT_EQ(ScanIntervalFromSetting(c.text), c.seconds) << '"' << c.text << '"';

    ScanRequests requests;
    EXPECT_EQ(requests.Interval(), 4);
    const std::pair<int, int> set[] = {{0, 0}, {1, 2}, {2, 2}, {30, 30}, {60, 60}, {61, 60}, {-3, 0}};
    for (auto [given, kept] : set) {
        requests.SetInterval(given);
        EXPECT_EQ(requests.Interval(), kept) << given;
    }
}

}  // namespace
