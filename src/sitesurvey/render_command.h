#pragma once
// Rendering a survey from the command line, without a window:
//   --render SURVEY --layer signal|second|count|cochannel|channel [--bssid B | --ssid S]
//            [--plan N] [--threshold dBm] --out FILE
// FILE ending in .csv is the layer on a 0.5 m grid, .json a summary of the fit, .png
// the picture (drawn by the Windows layer). Any problem means nothing is written.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sitesurvey/survey_file.h"

namespace sitesurvey {

struct RenderCommand {
    std::string survey, out;
    LayerRequest request;
    size_t plan = 0;
    enum class Output { Png, Csv, Json } output = Output::Png;
};

struct RenderParse {
    std::optional<RenderCommand> command;
    std::string error;  // a usage message when there is no command
};
// The arguments after the program's name, "--render" first.
RenderParse ParseRenderArguments(const std::vector<std::string>& args);

inline constexpr double kGridStepMetres = 0.5;

// The plan and its model, ready to render: the loader's message, a missing plan or
// scale, or a target no point heard, as an error.
struct RenderInput {
    SurveyPlan plan;
    std::optional<SiteModel> model;
    std::string error;
};
RenderInput PrepareRender(const RenderCommand& command, std::string_view surveyText);

// The grid over the whole plan whose image is width x height pixels.
GridLayout PlanGrid(const SurveyPlan& plan, int width, int height, double step);

// The .csv and .json outputs; the image's size in pixels sets the grid's extent.
std::string RenderCsv(const RenderInput& input, const RenderCommand& command, int width, int height);
std::string RenderJson(const RenderInput& input, const RenderCommand& command);

// "Usage: ..." lines for --help and for mistakes.
std::string RenderUsage();

}  // namespace sitesurvey
