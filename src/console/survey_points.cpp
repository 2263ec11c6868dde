#include "console/survey_points.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "common/air_text.h"
#include "common/json_reader.h"
#include "survey/survey_export.h"
#include "survey/survey_records.h"
#include "wireless/pcapng.h"
#include "wireless/value_text.h"

namespace console {

namespace {

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

// The place of a point in metres, when the plan has a scale.
struct PointPlace {
    std::string x, y;  // "" without a scale
};
PointPlace PlaceOf(const sitesurvey::SurveyPlan& plan, const sitesurvey::SurveyPoint& point) {
    if (!plan.metresPerPixel) return {};
    return {Number(point.x * *plan.metresPerPixel), Number(point.y * *plan.metresPerPixel)};
}

template <typename F>
void EachPoint(const sitesurvey::SurveyFile& survey, F&& f) {
    for (const sitesurvey::SurveyPlan& plan : survey.plans)
        for (size_t i = 0; i < plan.points.size(); ++i) f(plan, i + 1, plan.points[i]);
}

}  // namespace

uint64_t UtcTimeMicros(std::string_view t) {
    if (!sitesurvey::IsUtcTime(t)) return 0;
    const auto digits = [&](size_t at, size_t n) {
        int v = 0;
        for (size_t k = 0; k < n; ++k) v = v * 10 + (t[at + k] - '0');
        return v;
    };
    using namespace std::chrono;
    const year_month_day date{year{digits(0, 4)}, month{static_cast<unsigned>(digits(5, 2))},
                              day{static_cast<unsigned>(digits(8, 2))}};
    if (!date.ok()) return 0;
    const auto at = sys_days{date} + hours{digits(11, 2)} + minutes{digits(14, 2)} + seconds{digits(17, 2)};
    int64_t micros = duration_cast<microseconds>(at.time_since_epoch()).count();
    if (t.size() > 20 && t[19] == '.') {
        int64_t scale = 100000;
        for (size_t k = 20; k < t.size() - 1 && scale > 0; ++k, scale /= 10) micros += (t[k] - '0') * scale;
    }
    return micros > 0 ? static_cast<uint64_t>(micros) : 0;
}

std::string SurveyPointsJsonLines(const sitesurvey::SurveyFile& survey) {
    std::string out;
    EachPoint(survey, [&](const sitesurvey::SurveyPlan& plan, size_t number, const sitesurvey::SurveyPoint& point) {
        const PointPlace place = PlaceOf(plan, point);
        out += "{\"format\": " + JsonString(kExportFormatName) + ", \"version\": " + std::to_string(kSurveyFormatVersion) +
               ", \"plan\": " + JsonString(plan.name) + ", \"point\": " + std::to_string(number) +
               ", \"x_m\": " + (place.x.empty() ? "null" : place.x) + ", \"y_m\": " + (place.y.empty() ? "null" : place.y) +
               ", \"x_px\": " + Number(point.x) + ", \"y_px\": " + Number(point.y) + ", \"time\": " + JsonString(point.time) +
               ", \"access_points\": [";
        for (size_t k = 0; k < point.bss.size(); ++k) {
            const sitesurvey::SurveyBss& bss = point.bss[k];
            out += std::string(k ? ", " : "") + "{\"bssid\": " + JsonString(bss.bssid) + ", \"ssid\": " + JsonString(bss.ssid) +
                   ", \"rssi_dbm\": " + std::to_string(bss.rssi) + ", \"frequency_mhz\": " +
                   Number(bss.frequencyKhz / 1000.0) + ", \"channel\": " +
                   std::to_string(FrequencyToChannel(bss.frequencyKhz)) + "}";
        }
        out += "]}\n";
    });
    return out;
}

std::string SurveyPointsCsv(const sitesurvey::SurveyFile& survey) {
    // UTF-8 marked, as the other CSV exports, so that a spreadsheet reads the names right.
    std::string out = "\xEF\xBB\xBFplan,point,x_m,y_m,time,bssid,ssid,rssi_dbm,frequency_mhz,channel\r\n";
    EachPoint(survey, [&](const sitesurvey::SurveyPlan& plan, size_t number, const sitesurvey::SurveyPoint& point) {
        const PointPlace place = PlaceOf(plan, point);
        for (const sitesurvey::SurveyBss& bss : point.bss)
            out += CsvField(SpreadsheetSafe(plan.name)) + "," + std::to_string(number) + "," + place.x + "," + place.y +
                   "," + point.time + "," + bss.bssid + "," + CsvField(SpreadsheetSafe(bss.ssid)) + "," +
                   std::to_string(bss.rssi) + "," + Number(bss.frequencyKhz / 1000.0) + "," +
                   std::to_string(FrequencyToChannel(bss.frequencyKhz)) + "\r\n";
    });
    return out;
}

std::vector<uint8_t> SurveyPointsPcapng(const sitesurvey::SurveyFile& survey, std::string_view application) {
    pcapng::Writer writer(application);
    for (const sitesurvey::SurveyPlan& plan : survey.plans) {
        const uint32_t interfaceId = writer.AddInterface(plan.name);
        for (const sitesurvey::SurveyPoint& point : plan.points) {
            const uint64_t micros = UtcTimeMicros(point.time);
            for (const sitesurvey::SurveyBss& bss : point.bss) {
                wlan::WLAN_BSS_ENTRY entry{};
                json_text::ParseMac(bss.bssid, entry.dot11Bssid);
                entry.dot11Ssid.uSSIDLength = static_cast<uint32_t>(std::min<size_t>(bss.ssid.size(), 32));
                std::memcpy(entry.dot11Ssid.ucSSID, bss.ssid.data(), entry.dot11Ssid.uSSIDLength);
                entry.lRssi = bss.rssi;
                entry.ulChCenterFrequency = bss.frequencyKhz;
                entry.usBeaconPeriod = 100;  // not kept in the survey: the usual interval
                const std::vector<uint8_t> none;
                writer.AddFrame(interfaceId, micros, pcapng::BeaconFrame(entry, bss.ies ? *bss.ies : none));
            }
        }
    }
    return writer.Bytes();
}

}  // namespace console
