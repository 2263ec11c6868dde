#pragma once
// A small survey for the site survey's tests: a 200 x 100 pixel plan at 0.1 m a pixel,
// measured on a grid of 15 points, one access point ("Office", 02:00:00:00:00:0A) at
// (6, 4) m, exponent 3, its RSSIs rounded to whole dBm as the service reports them.
#include <cmath>
#include <cstdint>
#include <vector>

#include "sitesurvey/survey_file.h"

inline sitesurvey::SurveyFile LabSurvey(std::vector<uint8_t> image, bool withScale = true) {
    using namespace sitesurvey;
    SurveyFile file;
    SurveyPlan plan;
    plan.name = "Lab";
    plan.image = std::move(image);
    if (withScale) plan.metresPerPixel = 0.1;
    const PathLossModel truth{{6, 4}, -35, 3.0, 0};
    for (int x = 10; x < 200; x += 40)
        for (int y = 10; y < 100; y += 30)
            plan.points.push_back({static_cast<double>(x),
                                   static_cast<double>(y),
                                   "2026-12-11T09:30:00Z",
                                   {{"02:00:00:00:00:0A",
                                     "Office",
                                     static_cast<int32_t>(std::lround(truth.Predict({x * 0.1, y * 0.1}))),
                                     5180000,
                                     {},
                                     {}}},
                                   {}});
    file.plans.push_back(plan);
    return file;
}
