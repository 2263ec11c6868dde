// libFuzzer target: the survey file reader on arbitrary text. Whatever it accepts must
// write out and read back to the same document, and its points must make a site model
// (kept small so that a run spends its time in the reader, not in fitting).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sitesurvey/survey_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sitesurvey;
    const SurveyLoad load = ParseSurvey(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    if (!load.survey) {
        if (load.error.empty()) __builtin_trap();
        return 0;
    }
    const std::string written = WriteSurvey(*load.survey);
    const SurveyLoad again = ParseSurvey(written, "written");
    if (!again.survey || WriteSurvey(*again.survey) != written) __builtin_trap();
    for (const SurveyPlan& plan : load.survey->plans) {
        auto places = MeasuredPlaces(plan);
        if (!places || places->size() > 64) continue;
        const SiteModel model(std::move(*places));
        volatile double sink = model.DistanceToNearestPlace({1.0, 1.0});
        (void)sink;
    }
    return 0;
}
