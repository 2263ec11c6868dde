#pragma once
// The site survey file: one UTF-8 JSON document holding floor plans, each with its
// image, its scale and the points measured on it with the full BSS list of each.
// Others may write it (docs/survey-file.md is its contract): the reader is strict,
// names the file, line and column of the first problem, and keeps the keys of a newer
// minor version so that saving does not lose them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "sitesurvey/site_model.h"

namespace sitesurvey {

inline constexpr std::string_view kSurveyFormat = "vellumar-survey";
inline constexpr int kSurveyVersion = 1;  // a reader refuses another major version
inline constexpr int kSurveyMinorVersion = 0;  // newer minors may add keys, which are kept

inline constexpr size_t kMaxSurveyBytes = size_t{256} << 20;
inline constexpr size_t kMaxSurveyNesting = 16;
inline constexpr size_t kMaxPlans = 64;
inline constexpr size_t kMaxPointsPerPlan = 100000;
inline constexpr size_t kMaxBssPerPoint = 4096;
inline constexpr double kMaxPlanPixels = 8192;

inline constexpr std::string_view kImageTypes[] = {"image/png", "image/jpeg", "image/bmp", "image/gif", "image/tiff"};

struct SurveyBss {
    std::string bssid;  // "XX:XX:XX:XX:XX:XX", upper case once read
    std::string ssid;
    int32_t rssi = -100;
    uint32_t frequencyKhz = 0;
    std::optional<std::vector<uint8_t>> ies;
    nlohmann::json extra = nlohmann::json::object();  // keys of a newer minor version
};

struct SurveyPoint {
    double x = 0, y = 0;  // pixels from the image's top-left corner
    std::string time;  // ISO 8601, UTC
    std::vector<SurveyBss> bss;
    nlohmann::json extra = nlohmann::json::object();
};

struct SurveyPlan {
    std::string name;
    std::string mediaType = "image/png";
    std::vector<uint8_t> image;
    std::optional<double> metresPerPixel;  // none until the scale is set
    std::vector<SurveyPoint> points;
    nlohmann::json extra = nlohmann::json::object();
};

struct SurveyFile {
    int minorVersion = kSurveyMinorVersion;
    std::vector<SurveyPlan> plans;
    nlohmann::json extra = nlohmann::json::object();
};

struct SurveyLoad {
    std::optional<SurveyFile> survey;
    std::string error;  // "file:line:column: path: problem" when there is no survey
};
SurveyLoad ParseSurvey(std::string_view text, std::string_view name);

// The document, two-space indented, keys in a fixed order, the kept keys after ours.
std::string WriteSurvey(const SurveyFile& survey);

// Whether the text is an ISO 8601 UTC time: YYYY-MM-DDTHH:MM:SS, optional fraction, Z.
bool IsUtcTime(std::string_view text);

// The plan's points in metres, for the site model; none without a scale.
std::optional<std::vector<MeasuredPlace>> MeasuredPlaces(const SurveyPlan& plan);

}  // namespace sitesurvey
