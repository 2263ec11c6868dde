#include "console/survey_points.h"

#include <gtest/gtest.h>

#include <string>

#include "wireless/pcapng.h"

namespace {

using namespace sitesurvey;
using namespace console;

// Two points on a plan with a scale, the first heard with its elements; a second plan without a scale.
SurveyFile TwoPlans() {
    SurveyFile survey;
    SurveyPlan hall;
    hall.name = "Hall, east";
    hall.metresPerPixel = 0.05;
    hall.points.push_back({100, 40.5, "2026-12-11T09:30:00Z",
                           {{"02:00:00:00:00:0A", "=Office", -54, 5180000, std::vector<uint8_t>{0, 2, 'O', 'f'}, {}},
                            {"02:00:00:00:00:0B", "Guest", -70, 2437000, std::nullopt, {}}},
                           {}});
    hall.points.push_back({300, 40.5, "2026-12-11T09:30:07.25Z", {}, {}});
    SurveyPlan attic;
    attic.name = "Attic";
    attic.points.push_back({10, 20, "2026-12-11T10:00:00Z", {{"02:00:00:00:00:0C", "Attic", -80, 2412000, {}, {}}}, {}});
    survey.plans = {hall, attic};
    return survey;
}

TEST(SurveyPoints, EachPointIsAPassInJsonLinesAndCsvRows) {
    const SurveyFile survey = TwoPlans();
    EXPECT_EQ(SurveyPointsJsonLines(survey),
              "{\"format\": \"vellumar-export\", \"version\": 1, \"plan\": \"Hall, east\", \"point\": 1, \"x_m\": 5, "
              "\"y_m\": 2.025, \"x_px\": 100, \"y_px\": 40.5, \"time\": \"2026-12-11T09:30:00Z\", \"access_points\": "
              "[{\"bssid\": \"02:00:00:00:00:0A\", \"ssid\": \"=Office\", \"rssi_dbm\": -54, \"frequency_mhz\": 5180, "
              "\"channel\": 36}, {\"bssid\": \"02:00:00:00:00:0B\", \"ssid\": \"Guest\", \"rssi_dbm\": -70, "
              "\"frequency_mhz\": 2437, \"channel\": 6}]}\n"
              "{\"format\": \"vellumar-export\", \"version\": 1, \"plan\": \"Hall, east\", \"point\": 2, \"x_m\": 15, "
              "\"y_m\": 2.025, \"x_px\": 300, \"y_px\": 40.5, \"time\": \"2026-12-11T09:30:07.25Z\", \"access_points\": "
              "[]}\n"
              "{\"format\": \"vellumar-export\", \"version\": 1, \"plan\": \"Attic\", \"point\": 1, \"x_m\": null, "
              "\"y_m\": null, \"x_px\": 10, \"y_px\": 20, \"time\": \"2026-12-11T10:00:00Z\", \"access_points\": "
              "[{\"bssid\": \"02:00:00:00:00:0C\", \"ssid\": \"Attic\", \"rssi_dbm\": -80, \"frequency_mhz\": 2412, "
              "\"channel\": 1}]}\n");
    EXPECT_EQ(SurveyPointsCsv(survey),
              "\xEF\xBB\xBFplan,point,x_m,y_m,time,bssid,ssid,rssi_dbm,frequency_mhz,channel\r\n"
              "\"Hall, east\",1,5,2.025,2026-12-11T09:30:00Z,02:00:00:00:00:0A,'=Office,-54,5180,36\r\n"
              "\"Hall, east\",1,5,2.025,2026-12-11T09:30:00Z,02:00:00:00:00:0B,Guest,-70,2437,6\r\n"
              "Attic,1,,,2026-12-11T10:00:00Z,02:00:00:00:00:0C,Attic,-80,2412,1\r\n");
}

TEST(SurveyPoints, BeaconsCarryTheKeptElementsAtThePointsTime) {
    const std::vector<uint8_t> bytes = SurveyPointsPcapng(TwoPlans(), "test");
    pcapng::Writer expected("test");
    expected.AddInterface("Hall, east");
    wlan::WLAN_BSS_ENTRY a{};
    const uint8_t bssid[] = {2, 0, 0, 0, 0, 0x0A};
    std::copy(std::begin(bssid), std::end(bssid), a.dot11Bssid);
    a.dot11Ssid.uSSIDLength = 7;
    std::copy_n("=Office", 7, a.dot11Ssid.ucSSID);
    a.lRssi = -54;
    a.ulChCenterFrequency = 5180000;
    a.usBeaconPeriod = 100;
    const std::vector<uint8_t> elements = {0, 2, 'O', 'f'};
    expected.AddFrame(0, 1796981400000000, pcapng::BeaconFrame(a, elements));
    // The first frame of the capture is exactly that beacon, elements as kept.
    const auto& want = expected.Bytes();
    ASSERT_GE(bytes.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), bytes.begin()));
}

TEST(SurveyPoints, UtcTimes) {
    EXPECT_EQ(console::UtcTimeMicros("1970-01-01T00:00:01Z"), 1000000u);
    EXPECT_EQ(console::UtcTimeMicros("2026-12-11T09:30:07.25Z"), 1796981407250000u);
    EXPECT_EQ(console::UtcTimeMicros("2026-02-30T00:00:00Z"), 0u);
    EXPECT_EQ(console::UtcTimeMicros("yesterday"), 0u);
}

}  // namespace
