#include "sitesurvey/point_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "sim/scenario.h"
#include "sim/simulated_wlan.h"
#include "sitesurvey/model_worker.h"
#include "sitesurvey/sample_plan.h"

using namespace sitesurvey;

namespace {

// The BSS list a simulated service answers for its first interface.
struct ServiceList {
    explicit ServiceList(std::string_view json) : api(wlan::sim::LoadScenarioText(json, "inline.json").scenario) {
        uint32_t negotiated = 0;
        EXPECT_EQ(api.WlanOpenHandle(wlan::kClientVersion, nullptr, &negotiated, &handle), 0u);
        wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> interfaces(api);
        EXPECT_EQ(api.WlanEnumInterfaces(handle, nullptr, interfaces.out()), 0u);
        EXPECT_EQ(api.WlanGetNetworkBssList(handle, &interfaces.get()->InterfaceInfo[0].InterfaceGuid, nullptr,
                                            wlan::kBssTypeAny, false, nullptr, list.out()),
                  0u);
    }
    ~ServiceList() {
        list.reset();
        api.WlanCloseHandle(handle, nullptr);
    }
    wlan::sim::SimulatedWlan api;
    wlan::Handle handle = nullptr;
    wlan::WlanBuffer<wlan::WLAN_BSS_LIST> list{api};
};

constexpr char kTwoAps[] = R"({"interfaces": [{"description": "Wi-Fi A", "bss": [
    {"bssid": "02:00:00:00:00:0a", "ssid": "Office", "frequency_khz": 5180000, "rssi": -54,
     "ies": [{"id": 61, "hex": "24 05 00000000000000000000000000000000000000"}]},
    {"bssid": "02:00:00:00:00:0B", "ssid": "Guest", "frequency_khz": 2437000, "rssi": -71}]}]})";

}  // namespace

TEST(PointCapture, TakesTheWholeBssListWithItsElementsAndTheFileKeepsIt) {
    ServiceList service(kTwoAps);
    const std::vector<SurveyBss> bss = BssOfList(service.list.get());
    ASSERT_EQ(bss.size(), 2u);
    EXPECT_EQ(bss[0].bssid, "02:00:00:00:00:0A");
    EXPECT_EQ(bss[0].ssid, "Office");
    EXPECT_EQ(bss[0].rssi, -54);
    EXPECT_EQ(bss[0].frequencyKhz, 5180000u);
    ASSERT_TRUE(bss[0].ies.has_value());
    ASSERT_GE(bss[0].ies->size(), 2u);
    EXPECT_EQ((*bss[0].ies)[0], 61);
    EXPECT_EQ(bss[1].bssid, "02:00:00:00:00:0B");
    EXPECT_FALSE(bss[1].ies.has_value());

    // A point of that list survives the file.
    SurveyFile survey;
    survey.plans.push_back({});
    SurveyPoint& point = survey.plans[0].points.emplace_back();
    point.x = 12.5, point.y = 30, point.time = UtcTimeText(1765445400123), point.bss = bss;
    const SurveyLoad back = ParseSurvey(WriteSurvey(survey), "s.json");
    ASSERT_TRUE(back.survey) << back.error;
    const SurveyPoint& p = back.survey->plans[0].points[0];
    EXPECT_EQ(p.time, "2025-12-11T09:30:00.123Z");
    ASSERT_EQ(p.bss.size(), 2u);
    EXPECT_EQ(p.bss[0].ies, bss[0].ies);
}

TEST(PointCapture, AnSsidThatIsNotUtf8StaysReadableWithinItsLength) {
    std::vector<uint64_t> storage(wlan::BssListSize(1) / 8 + 1);
    auto* list = reinterpret_cast<wlan::WLAN_BSS_LIST*>(storage.data());
    list->dwTotalSize = static_cast<uint32_t>(wlan::BssListSize(1));
    list->dwNumberOfItems = 1;
    wlan::WLAN_BSS_ENTRY& e = list->wlanBssEntries[0];
    const char raw[] = "Caf\xC3\xA9\xFF\xFE" "abcdefghijklmnopqrstuvwxy";  // 32 bytes: é, then two stray bytes
    e.dot11Ssid.uSSIDLength = 32;
    std::memcpy(e.dot11Ssid.ucSSID, raw, 32);
    e.lRssi = -60;
    e.ulChCenterFrequency = 2412000;
    const std::vector<SurveyBss> bss = BssOfList(list);
    ASSERT_EQ(bss.size(), 1u);
    EXPECT_EQ(bss[0].ssid, "Caf\xC3\xA9??abcdefghijklmnopqrstuvwxy");
    SurveyFile survey;
    survey.plans.push_back({});
    SurveyPoint& point = survey.plans[0].points.emplace_back();
    point.x = 1, point.y = 1, point.time = "2026-01-01T00:00:00Z", point.bss = bss;
    EXPECT_TRUE(ParseSurvey(WriteSurvey(survey), "s.json").survey);
}

// When a click becomes a point: after the first scan that completes after it.
TEST(PointCapture, WaitsForTheFirstScanAfterTheClick) {
    ServiceList service(kTwoAps);
    const wlan::WLAN_BSS_LIST* list = service.list.get();
    const wlan::WlanNotification done{wlan::kNotificationSourceAcm, wlan::kAcmScanComplete, {}, 0, {}, 0};
    const wlan::WlanNotification other{wlan::kNotificationSourceAcm, 10, {}, 0, {}, 0};

    PointCapture silent;  // a service that never reports scans: the next pass
    EXPECT_FALSE(silent.PassEnded(list, 1000, "t"));
    silent.Click(5, 6, 1000);
    EXPECT_TRUE(silent.Waiting());
    const std::optional<SurveyPoint> p = silent.PassEnded(list, 1500, "t1");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 5);
    EXPECT_EQ(p->y, 6);
    EXPECT_EQ(p->time, "t1");
    EXPECT_EQ(p->bss.size(), 2u);
    EXPECT_FALSE(silent.Waiting());

    PointCapture reporting;
    reporting.Notified(done);  // a scan before the click counts for nothing
    reporting.Click(1, 1, 2000);
    EXPECT_FALSE(reporting.PassEnded(list, 2500, "t"));
    reporting.Notified(other);
    EXPECT_FALSE(reporting.PassEnded(list, 3000, "t"));
    reporting.Notified(done);
    EXPECT_TRUE(reporting.PassEnded(list, 3500, "t"));
    // A scan that never reports ends the wait after the longest a scan takes.
    reporting.Click(2, 2, 10000);
    EXPECT_FALSE(reporting.PassEnded(list, 10000 + kLongestScanWaitMs - 1, "t"));
    EXPECT_TRUE(reporting.PassEnded(list, 10000 + kLongestScanWaitMs, "t"));
    reporting.Click(3, 3, 20000);
    reporting.Cancel();
    reporting.Notified(done);
    EXPECT_FALSE(reporting.PassEnded(list, 20500, "t"));
}

TEST(PointCapture, WalkPassesLieAlongTheSegmentByTime) {
    struct Case {
        uint64_t ms;
        double x, y;
    };
    const Case cases[] = {{1000, 0, 100}, {1500, 50, 100}, {1750, 75, 100}, {2000, 100, 100},
                          {500, 0, 100},  {2600, 100, 100}};  // outside the span: the nearer end
    std::vector<WalkPass> passes;
    for (const Case& c : cases) passes.push_back({c.ms, "t" + std::to_string(c.ms), {}});
    const std::vector<SurveyPoint> points = SpreadAlong({0, 100, 1000}, {100, 100, 2000}, passes);
    ASSERT_EQ(points.size(), std::size(cases));
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_DOUBLE_EQ(points[i].x, cases[i].x) << cases[i].ms;
        EXPECT_DOUBLE_EQ(points[i].y, cases[i].y) << cases[i].ms;
        EXPECT_EQ(points[i].time, "t" + std::to_string(cases[i].ms));
    }
    // Two clicks at the same moment: every pass at the later one.
    const std::vector<SurveyPoint> same = SpreadAlong({0, 0, 1000}, {10, 20, 1000}, {{1000, "t", {}}});
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].x, 10);
    EXPECT_EQ(same[0].y, 20);
}

TEST(ModelWorker, FitsOffTheCallersThreadAndReusesTheFitForAnotherLayer) {
    // One access point at (5, 5), log-distance exponent 3, measured on a grid.
    std::vector<MeasuredPlace> places;
    for (int x = 0; x <= 10; x += 2)
        for (int y = 0; y <= 10; y += 2) {
            const double d = std::max(1.0, std::hypot(x - 5.0, y - 5.0));
            places.push_back({{double(x), double(y)}, {{"02:00:00:00:00:01", "A", -40 - 30 * std::log10(d), 5180000}}});
        }
    std::mutex mutex;
    std::condition_variable cv;
    int ready = 0;
    ModelWorker worker([&] {
        std::lock_guard lock(mutex);
        ++ready;
        cv.notify_all();
    });
    const auto wait = [&](int count) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(30), [&] { return ready >= count; });
    };
    worker.Fit(7, places, GridLayout{0.25, 0.25, 0.5, 20, 20}, LayerRequest{});
    ASSERT_TRUE(wait(1));
    const std::optional<FittedSurvey> fit = worker.Take();
    ASSERT_TRUE(fit);
    EXPECT_FALSE(worker.Take());  // once
    EXPECT_EQ(fit->generation, 7u);
    ASSERT_EQ(fit->model->AccessPoints().size(), 1u);
    EXPECT_NEAR(fit->model->AccessPoints()[0].field.Model().position.x, 5, 0.1);
    EXPECT_EQ(fit->fields->layout.columns, 20);
    ASSERT_TRUE(fit->looRmse);
    EXPECT_LT(*fit->looRmse, 0.5);

    LayerRequest count;
    count.layer = Layer::Count;
    worker.Error(*fit, count);
    ASSERT_TRUE(wait(2));
    const std::optional<FittedSurvey> again = worker.Take();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->model, fit->model);  // the same fit, not made again
    EXPECT_EQ(again->request.layer, Layer::Count);
    EXPECT_TRUE(again->looRmse);
}

// The demonstration's survey is a valid file whose access points the model finds.
TEST(SampleSurvey, IsAValidSurveyWhoseAccessPointsAreFound) {
    const SurveyFile sample = SampleSurvey();
    const SurveyLoad back = ParseSurvey(WriteSurvey(sample), "sample.json");
    ASSERT_TRUE(back.survey) << back.error;
    const SurveyPlan& plan = back.survey->plans.at(0);
    EXPECT_EQ(plan.mediaType, "image/bmp");
    EXPECT_EQ(std::string(plan.image.begin(), plan.image.begin() + 2), "BM");
    EXPECT_EQ(plan.image.size(), 14u + 40u + 800u * 3 * 600);
    const SiteModel model(*MeasuredPlaces(plan));
    ASSERT_EQ(model.AccessPoints().size(), 3u);
    for (const ApEstimate& ap : model.AccessPoints())
        if (ap.bssid == "02:5E:00:00:00:03") {
            EXPECT_NEAR(ap.field.Model().position.x, 20, 2);  // (400, 300) pixels at 5 cm
            EXPECT_NEAR(ap.field.Model().position.y, 15, 2);
        }
}

// A recording made without a plan, laid along a walk drawn afterwards.
TEST(PointCapture, ARecordingIsLaidEvenlyAlongTheDrawnWalk) {
    std::string error;
    const auto passes = RecordingPasses(
        wlan::sim::LoadScenarioText(R"({"interfaces": [{"description": "Wi-Fi A", "bss": [
            {"bssid": "02:00:00:00:00:01", "ssid": "A", "frequency_khz": 2412000, "rssi": [-50, -55, -60, -65, -70]}]}]})")
            .scenario,
        error);
    ASSERT_TRUE(passes) << error;
    ASSERT_EQ(passes->size(), 5u);
    for (size_t k = 0; k < passes->size(); ++k) {
        ASSERT_EQ((*passes)[k].size(), 1u);
        EXPECT_EQ((*passes)[k][0].rssi, -50 - 5 * static_cast<int>(k));
    }
    // An L of 200 pixels: the passes every 50, the corner among them.
    const std::vector<SurveyPoint> laid = LayAlongWalk({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}}, *passes, "T");
    const double expected[][2] = {{0, 0}, {50, 0}, {100, 0}, {100, 50}, {100, 100}};
    ASSERT_EQ(laid.size(), 5u);
    for (size_t k = 0; k < laid.size(); ++k) {
        EXPECT_NEAR(laid[k].x, expected[k][0], 1e-9) << k;
        EXPECT_NEAR(laid[k].y, expected[k][1], 1e-9) << k;
        EXPECT_EQ(laid[k].bss[0].rssi, (*passes)[k][0].rssi);
        EXPECT_EQ(laid[k].time, "T");
    }
    EXPECT_EQ(LayAlongWalk({{7, 8, 0}}, *passes, "T").back().x, 7);  // a walk of one mark: all there

    // A scenario that changes for ever is no recording.
    EXPECT_FALSE(RecordingPasses(
        wlan::sim::LoadScenarioText(R"({"interfaces": [{"description": "Wi-Fi A", "bss": [
            {"bssid": "02:00:00:00:00:01", "frequency_khz": 2412000, "rssi": {"walk": [-80, -40]}}]}]})")
            .scenario,
        error));
    EXPECT_NE(error.find("not a recording"), std::string::npos) << error;
}
