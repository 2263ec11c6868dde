#pragma once
// A site survey file given to the console's export: each measured point is a pass
// whose access points are the BSS list kept with it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sitesurvey/survey_file.h"

namespace console {

// One JSON line per point: plan, point number (from 1), place in metres (null
// without a scale) and pixels, time, and its access points.
std::string SurveyPointsJsonLines(const sitesurvey::SurveyFile& survey);
// One row per access point heard at a point, under a header of plain names.
std::string SurveyPointsCsv(const sitesurvey::SurveyFile& survey);
// Each point's BSS list as beacon frames at the point's time, one interface per plan.
std::vector<uint8_t> SurveyPointsPcapng(const sitesurvey::SurveyFile& survey, std::string_view application);

// Microseconds since 1970 of an ISO 8601 UTC time the survey file accepts; 0 when it is not one.
uint64_t UtcTimeMicros(std::string_view text);

}  // namespace console
