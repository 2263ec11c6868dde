#pragma once
// A floor plan drawn in code: a small office of 40 x 30 m, for the demonstration and
// the tests, so that no picture needs to ship as a file.
#include <cstdint>
#include <vector>

#include "sitesurvey/survey_file.h"

namespace sitesurvey {

struct SamplePlan {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top-down
    double metresPerPixel = 0;
};

// Offices above and below a corridor, with doors onto it, and a meeting room.
SamplePlan DrawSampleOffice();

// The picture as a BMP file's bytes (24 bits, rows bottom-up).
std::vector<uint8_t> BmpBytes(const SamplePlan& plan);

// A survey of that office: its plan, scale and a walk of points hearing three access
// points (log-distance with a fixed shadowing, the same on every run).
SurveyFile SampleSurvey();

}  // namespace sitesurvey
