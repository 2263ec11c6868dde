#include "sitesurvey/render_command.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "common/json_reader.h"

namespace sitesurvey {
namespace {

bool EndsWith(std::string_view s, std::string_view tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
    return true;
}

std::string TargetText(const Target& t) { return t.kind == Target::Kind::All ? "all" : t.name; }

}  // namespace

std::string RenderUsage() {
    return "Usage: vellumar --render SURVEY --layer signal|second|count|cochannel|channel\n"
           "                [--bssid XX:XX:XX:XX:XX:XX | --ssid NAME] [--plan N] [--threshold DBM] --out FILE\n"
           "FILE ending in .png is the picture, .csv the layer on a 0.5 m grid, .json a summary.\n";
}

RenderParse ParseRenderArguments(const std::vector<std::string>& args) {
    RenderCommand c;
    bool layerGiven = false;
    auto fail = [](std::string message) { return RenderParse{std::nullopt, std::move(message)}; };
    if (args.size() < 2 || args[0] != "--render") return fail("--render needs the survey file");
    c.survey = args[1];
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) return fail(option + " needs a value");
        const std::string& value = args[++i];
        if (option == "--layer") {
            const std::optional<Layer> layer = LayerOfKey(value);
            if (!layer) return fail("unknown layer \"" + value + "\"");
            c.request.layer = *layer;
            layerGiven = true;
        } else if (option == "--bssid" || option == "--ssid") {
            if (c.request.target.kind != Target::Kind::All) return fail("give --bssid or --ssid, not both");
            c.request.target = {option == "--bssid" ? Target::Kind::Bssid : Target::Kind::Ssid, value};
            if (option == "--bssid") {
                uint8_t mac[6];
                if (!json_text::ParseMac(value, mac))
                    return fail("\"" + value + "\" is not a BSSID (XX:XX:XX:XX:XX:XX)");
                std::transform(c.request.target.name.begin(), c.request.target.name.end(),
                               c.request.target.name.begin(), [](unsigned char ch) { return std::toupper(ch); });
            }
        } else if (option == "--plan") {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || n < 0 || n >= static_cast<long>(kMaxPlans))
                return fail("--plan takes a plan number from 0");
            c.plan = static_cast<size_t>(n);
        } else if (option == "--threshold") {
            char* end = nullptr;
            const double dbm = std::strtod(value.c_str(), &end);
            if (value.empty() || *end || !(dbm >= -120 && dbm <= 0))
                return fail("--threshold takes dBm from -120 to 0");
            c.request.countThreshold = dbm;
        } else if (option == "--out") {
            c.out = value;
        } else {
            return fail("unknown option " + option);
        }
    }
    if (!layerGiven) return fail("--layer is needed");
    if (c.out.empty()) return fail("--out is needed");
    if (EndsWith(c.out, ".png"))
        c.output = RenderCommand::Output::Png;
    else if (EndsWith(c.out, ".csv"))
        c.output = RenderCommand::Output::Csv;
    else if (EndsWith(c.out, ".json"))
        c.output = RenderCommand::Output::Json;
    else
        return fail("--out must end in .png, .csv or .json");
    return {std::move(c), {}};
}

RenderInput PrepareRender(const RenderCommand& command, std::string_view surveyText) {
    RenderInput input;
    SurveyLoad load = ParseSurvey(surveyText, command.survey);
    if (!load.survey) {
        input.error = load.error;
        return input;
    }
    if (command.plan >= load.survey->plans.size()) {
        input.error = command.survey + ": has no plan " + std::to_string(command.plan);
        return input;
    }
    input.plan = std::move(load.survey->plans[command.plan]);
    const std::optional<std::vector<MeasuredPlace>> places = MeasuredPlaces(input.plan);
    if (!places) {
        input.error = command.survey + ": plan " + std::to_string(command.plan) + " has no scale set";
        return input;
    }
    input.model.emplace(*places);
    const Target& target = command.request.target;
    if (target.kind != Target::Kind::All) {
        const bool known = std::any_of(input.model->AccessPoints().begin(), input.model->AccessPoints().end(),
                                       [&](const ApEstimate& ap) { return Targets(target, ap.bssid, ap.ssid); });
        if (!known) {
            input.error = command.survey + ": no access point of " +
                (target.kind == Target::Kind::Bssid ? "BSSID " : "SSID ") + target.name +
                " was heard at enough points to map";
            input.model.reset();
        }
    }
    return input;
}

GridLayout PlanGrid(const SurveyPlan& plan, int width, int height, double step) {
    const double m = plan.metresPerPixel.value_or(1);
    GridLayout g;
    g.step = step;
    g.x0 = step / 2, g.y0 = step / 2;
    g.columns = std::max(1, static_cast<int>(std::ceil(width * m / step)));
    g.rows = std::max(1, static_cast<int>(std::ceil(height * m / step)));
    return g;
}

std::string RenderCsv(const RenderInput& input, const RenderCommand& command, int width, int height) {
    if (!input.model) return {};
    return LayerGridCsv(
        SampleLayer(*input.model, command.request, PlanGrid(input.plan, width, height, kGridStepMetres)));
}

std::string RenderJson(const RenderInput& input, const RenderCommand& command) {
    if (!input.model) return {};
    nlohmann::ordered_json out;
    out["layer"] = KeyOf(command.request.layer);
    out["target"] = TargetText(command.request.target);
    out["points"] = input.plan.points.size();
    const std::optional<double> loo =
        input.model->LeaveOneOutRmse(command.request.layer, command.request.target, command.request.countThreshold);
    out["loo_rmse_db"] = loo ? nlohmann::ordered_json(std::round(*loo * 100) / 100) : nlohmann::ordered_json(nullptr);
    out["access_points"] = nlohmann::ordered_json::array();
    for (const ApEstimate& ap : input.model->AccessPoints()) {
        if (!Targets(command.request.target, ap.bssid, ap.ssid)) continue;
        const PathLossModel& m = ap.field.Model();
        out["access_points"].push_back({{"bssid", ap.bssid},
                                        {"ssid", ap.ssid},
                                        {"x_m", std::round(m.position.x * 100) / 100},
                                        {"y_m", std::round(m.position.y * 100) / 100},
                                        {"exponent", std::round(m.exponent * 100) / 100}});
    }
    return out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace sitesurvey
