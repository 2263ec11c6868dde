#include "sitesurvey/survey_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using namespace sitesurvey;
using ::testing::HasSubstr;

// A small survey as another program might write it: two points, one with elements.
const char kSurvey[] = R"({
  "format": "vellumar-survey",
  "version": 1,
  "plans": [{
    "name": "Ground floor",
    "image": {"media_type": "image/png", "data": "iVBORw0KGgo="},
    "metres_per_pixel": 0.05,
    "points": [
      {"x": 100, "y": 40.5, "time": "2026-12-11T09:30:00Z",
       "bss": [{"bssid": "02:00:00:00:00:0a", "ssid": "Office", "rssi": -54, "frequency_khz": 5180000,
                "ies": "00064f6666696365"}]},
      {"x": 300, "y": 40.5, "time": "2026-12-11T09:30:07.250Z",
       "bss": [{"bssid": "02:00:00:00:00:0A", "ssid": "Office", "rssi": -61, "frequency_khz": 5180000}]}
    ]
  }]
}
)";

TEST(SurveyFile, ReadsWritesAndReadsBackTheSame) {
    const SurveyLoad load = ParseSurvey(kSurvey, "office.json");
    ASSERT_TRUE(load.survey) << load.error;
    const SurveyPlan& plan = load.survey->plans.at(0);
    EXPECT_EQ(plan.name, "Ground floor");
    EXPECT_EQ(plan.image, (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(plan.metresPerPixel, 0.05);
    ASSERT_EQ(plan.points.size(), 2u);
    EXPECT_EQ(plan.points[0].bss[0].bssid, "02:00:00:00:00:0A");
    EXPECT_EQ(plan.points[0].bss[0].ies, (std::vector<uint8_t>{0x00, 0x06, 'O', 'f', 'f', 'i', 'c', 'e'}));
    EXPECT_FALSE(plan.points[1].bss[0].ies);

    const std::string written = WriteSurvey(*load.survey);
    const SurveyLoad again = ParseSurvey(written, "saved.json");
    ASSERT_TRUE(again.survey) << again.error;
    EXPECT_EQ(WriteSurvey(*again.survey), written);

    const auto places = MeasuredPlaces(plan);
    ASSERT_TRUE(places);
    EXPECT_DOUBLE_EQ((*places)[1].at.x, 15.0);
    EXPECT_DOUBLE_EQ((*places)[1].heard[0].rssi, -61);
}

TEST(SurveyFile, KeysOfANewerMinorVersionAreKeptOnSave) {
    std::string newer = kSurvey;
    newer.replace(newer.find("\"version\": 1,"), 13,
                  "\"version\": 1, \"minor_version\": 3, \"site\": {\"floors\": 2},");
    newer.replace(newer.find("\"x\": 100,"), 9, "\"x\": 100, \"heading\": 90,");
    const SurveyLoad load = ParseSurvey(newer, "newer.json");
    ASSERT_TRUE(load.survey) << load.error;
    const std::string written = WriteSurvey(*load.survey);
    EXPECT_THAT(written, HasSubstr("\"minor_version\": 3"));
    EXPECT_THAT(written, HasSubstr("\"floors\": 2"));
    EXPECT_THAT(written, HasSubstr("\"heading\": 90"));
    // The same key in a file of this minor version is a mistake, and said so.
    std::string same = kSurvey;
    same.replace(same.find("\"x\": 100,"), 9, "\"x\": 100, \"heading\": 90,");
    EXPECT_THAT(ParseSurvey(same, "same.json").error,
                HasSubstr("same.json:9:29: plans[0].points[0].heading: unknown key \"heading\""));
}

TEST(SurveyFile, BrokenFilesAreNamedWithTheirPlace) {
    struct Case {
        std::string from, to, message;
    };
    const Case cases[] = {
        {"\"vellumar-survey\"", "\"vellumar-scenario\"", "bad.json:2:13: format: is not a survey file"},
        {"\"version\": 1", "\"version\": 2", "bad.json:3:14: version: is version 2; this program reads version 1"},
        {"\"image/png\"", "\"image/webp\"", "plans[0].image.media_type: \"image/webp\" is not image/png"},
        {"iVBORw0KGgo=", "iVBORw0KGgo", "plans[0].image.data: is not base64 text"},
        {"0.05", "-1", "plans[0].metres_per_pixel: -1 is out of range"},
        {"\"x\": 100", "\"x\": 9000", "plans[0].points[0].x: 9000 is out of range"},
        {"2026-12-11T09:30:00Z", "2026-12-11 09:30:00", "points[0].time: \"2026-12-11 09:30:00\" is not a UTC time"},
        {"02:00:00:00:00:0a", "02:00:00:00:0a", "points[0].bss[0].bssid: \"02:00:00:00:0a\" is not a BSSID"},
        {"\"rssi\": -54", "\"rssi\": -254", "bss[0].rssi: -254 is out of range (-128..127)"},
        {"\"ies\": \"00064f6666696365\"", "\"ies\": \"0006zz\"", "bss[0].ies: is not hexadecimal text"},
        {"\"rssi\": -61, \"frequency_khz\": 5180000}", "\"rssi\": -61}",
         "plans[0].points[1].bss[0]: needs \"frequency_khz\""},
        {"\"plans\": [{", "\"plans\": [[{", "not valid JSON"},
    };
    for (const Case& c : cases) {
        std::string text = kSurvey;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        const SurveyLoad load = ParseSurvey(text, "bad.json");
        EXPECT_FALSE(load.survey) << c.to;
        EXPECT_THAT(load.error, HasSubstr(c.message)) << c.to;
    }
    EXPECT_THAT(ParseSurvey(std::string(100, '[') + std::string(100, ']'), "deep.json").error,
                HasSubstr("deep.json:1:17: lists and objects nest deeper than 16 levels"));
}

TEST(SurveyFile, UtcTimes) {
    for (const char* good : {"2026-12-11T09:30:00Z", "2026-01-31T23:59:60Z", "2026-12-11T09:30:00.5Z"})
        EXPECT_TRUE(IsUtcTime(good)) << good;
    for (const char* bad : {"2026-12-11T09:30:00", "2026-12-11T09:30:00+01:00", "2026-13-11T09:30:00Z",
                            "2026-12-11T24:00:00Z", "2026-12-11T09:30:00.Z", "26-12-11T09:30:00Z", ""})
        EXPECT_FALSE(IsUtcTime(bad)) << bad;
}

}  // namespace
