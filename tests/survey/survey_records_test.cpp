#include "survey/survey_records.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace {

SurveyRecords Sample() {
    SurveyRecords r;
    r.stamp = {"2026-12-10T17:00:00Z", "Vellumar", "1.6.3.18", 0};
    r.adapters = {{"Wi-Fi Card", "Connected", "b/g/n/ax"}};
    r.networks = {{"Café, \"Bar\"", 70, -65, "RSNA-PSK", "CCMP"}, {"", 9, -96, "802.11 Open", "None"}};
    AccessPointRecord ap;
    ap.bssid = "00:1A:2B:3C:4D:5E";
    ap.ssid = "=cmd|' /C calc'!A0";
    ap.channel = 6;
    ap.frequencyMhz = 2437;
    ap.rssiDbm = -54;
    ap.linkQuality = 92;
    ap.vendor = "Maker, Inc.";
    ap.standard = "Wi-Fi 4";
    ap.widthMhz = 40;
    ap.beaconIntervalTu = 100;
    ap.rateHalves = {2, 4, 11, 22, 108};
    ap.detail = {{"Beacon Period :", "100"}, {"Beacon Period :", "again"}};
    AccessPointRecord bare;  // no known band, no width, no rates
    bare.bssid = "02:00:00:00:00:01";
    bare.frequencyMhz = 900;
    bare.rssiDbm = -90;
    r.accessPoints = {ap, bare};
    return r;
}

TEST(SurveyRecords, CsvTablesHaveOneHeaderAndNumbersAsNumbers) {
    const SurveyRecords r = Sample();
    struct Case {
        std::string csv, expected;
    };
    const Case cases[] = {
        {AdaptersCsv(r), "\xEF\xBB\xBFname,state,phy_types\r\nWi-Fi Card,Connected,b/g/n/ax\r\n"},
        {NetworksCsv(r), "\xEF\xBB\xBF"
                         "ssid,signal_quality_percent,signal_dbm,authentication,cipher\r\n"
                         "\"Café, \"\"Bar\"\"\",70,-65,RSNA-PSK,CCMP\r\n"
                         ",9,-96,802.11 Open,None\r\n"},
        {AccessPointsCsv(r),
         "\xEF\xBB\xBF"
         "bssid,ssid,channel,frequency_mhz,rssi_dbm,link_quality_percent,vendor,standard,width_mhz,"
         "beacon_interval_tu,rates_mbps\r\n"
         // A name that starts like a formula is kept as text.
         "00:1A:2B:3C:4D:5E,'=cmd|' /C calc'!A0,6,2437,-54,92,\"Maker, Inc.\",Wi-Fi 4,40,100,1 2 5.5 11 54\r\n"
         "02:00:00:00:00:01,,,900,-90,0,,,,0,\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.csv, c.expected);
}

TEST(SurveyRecords, JsonIsVersionedWithNumbersAndExactTexts) {
    const SurveyRecords r = Sample();
    for (const std::string& text : {SurveyJson(r), SurveyJsonLine(r, 7)}) {
        const nlohmann::json doc = nlohmann::json::parse(text);
        EXPECT_EQ(doc["format"], "vellumar-export");
        EXPECT_EQ(doc["version"], 1);
        EXPECT_EQ(doc["captured_at"], "2026-12-10T17:00:00Z");
        EXPECT_EQ(doc["program_version"], "1.6.3.18");
        EXPECT_EQ(doc["networks"][0]["ssid"], "Café, \"Bar\"");
        EXPECT_EQ(doc["networks"][1]["signal_dbm"], -96);
        const nlohmann::json& ap = doc["access_points"][0];
        EXPECT_EQ(ap["ssid"], "=cmd|' /C calc'!A0");  // exact: JSON runs nothing
        EXPECT_EQ(ap["rssi_dbm"], -54);
        EXPECT_EQ(ap["width_mhz"], 40);
        EXPECT_EQ(ap["rates_mbps"], nlohmann::json::parse("[1, 2, 5.5, 11, 54]"));
        EXPECT_EQ(ap["detail"][1], nlohmann::json::parse(R"(["Beacon Period :", "again"])"));
        const nlohmann::json& bare = doc["access_points"][1];
        EXPECT_TRUE(bare["channel"].is_null());
        EXPECT_TRUE(bare["width_mhz"].is_null());
        EXPECT_EQ(bare["rates_mbps"], nlohmann::json::array());
        EXPECT_FALSE(bare.contains("detail"));
    }
    const std::string line = SurveyJsonLine(r, 7);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.rfind("{\"format\": \"vellumar-export\", \"version\": 1, \"pass\": 7, ", 0), 0u) << line;
    EXPECT_FALSE(nlohmann::json::parse(SurveyJson(r)).contains("pass"));
    SurveyRecords empty;
    EXPECT_EQ(nlohmann::json::parse(SurveyJson(empty))["access_points"], nlohmann::json::array());
}

TEST(SurveyRecords, RatesKeepTheirHalves) {
    const std::pair<uint16_t, std::string> cases[] = {{0, "0"}, {1, "0.5"}, {11, "5.5"}, {12, "6"}, {65535, "32767.5"}};
    for (const auto& [halves, text] : cases) EXPECT_EQ(RateText(halves), text);
}

TEST(SurveyRecords, ExportsAreToldFromRecordings) {
    const SurveyRecords r = Sample();
    for (const std::string& text :
         {AdaptersCsv(r), NetworksCsv(r), AccessPointsCsv(r), SurveyJson(r), SurveyJsonLine(r, 1),
          std::string("\xEF\xBB\xBFList,Adapter Name,State\r\n"),
          std::string("{\n  \"captured\": \"t\",\n  \"program\": \"Vellumar\",\n  \"version\": \"1\"")})
        EXPECT_TRUE(LooksLikeExport(text)) << text;
    for (const std::string text : {"", "{\"interfaces\": []}", "{\"seed\": 1, \"program\": \"x\"}", "name,other\r\n",
                                   "garbage"})
        EXPECT_FALSE(LooksLikeExport(text)) << text;
}

}  // namespace
