#include "sitesurvey/render_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/lab_survey.h"

namespace {

using namespace sitesurvey;
using ::testing::HasSubstr;

TEST(RenderCommand, ArgumentsAndTheirMistakes) {
    const RenderParse good = ParseRenderArguments({"--render", "s.json", "--layer", "count", "--ssid", "Office",
                                                   "--plan", "1", "--threshold", "-70", "--out", "m.CSV"});
    ASSERT_TRUE(good.command) << good.error;
    EXPECT_EQ(good.command->survey, "s.json");
    EXPECT_EQ(good.command->request.layer, Layer::Count);
    EXPECT_EQ(good.command->request.target.kind, Target::Kind::Ssid);
    EXPECT_EQ(good.command->plan, 1u);
    EXPECT_EQ(good.command->request.countThreshold, -70);
    EXPECT_EQ(good.command->output, RenderCommand::Output::Csv);
    const RenderParse bssid =
        ParseRenderArguments({"--render", "s", "--layer", "signal", "--bssid", "02:00:00:00:00:0a", "--out", "a.png"});
    ASSERT_TRUE(bssid.command);
    EXPECT_EQ(bssid.command->request.target.name, "02:00:00:00:00:0A");

    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--render"}, "needs the survey file"},
        {{"--render", "s", "--out", "a.png"}, "--layer is needed"},
        {{"--render", "s", "--layer", "signal"}, "--out is needed"},
        {{"--render", "s", "--layer", "heat", "--out", "a.png"}, "unknown layer \"heat\""},
        {{"--render", "s", "--layer", "signal", "--out", "a.bmp"}, "must end in .png, .csv or .json"},
        {{"--render", "s", "--layer", "signal", "--bssid", "02:00", "--out", "a.png"}, "is not a BSSID"},
        {{"--render", "s", "--layer", "signal", "--bssid", "02:00:00:00:00:01", "--ssid", "x", "--out", "a.png"},
         "not both"},
        {{"--render", "s", "--layer", "signal", "--plan", "x", "--out", "a.png"}, "--plan takes"},
        {{"--render", "s", "--layer", "count", "--threshold", "5", "--out", "a.png"}, "--threshold takes"},
        {{"--render", "s", "--layer", "signal", "--out"}, "--out needs a value"},
        {{"--render", "s", "--layer", "signal", "--size", "2", "--out", "a.png"}, "unknown option --size"},
    };
    for (const Case& c : cases) {
        const RenderParse r = ParseRenderArguments(c.args);
        EXPECT_FALSE(r.command) << c.error;
        EXPECT_THAT(r.error, HasSubstr(c.error));
    }
}

std::string Survey(bool withScale) { return WriteSurvey(LabSurvey({0x89, 'P', 'N', 'G'}, withScale)); }

TEST(RenderCommand, SummaryAndGridOfASurvey) {
    RenderCommand c = *ParseRenderArguments({"--render", "lab.json", "--layer", "signal", "--out", "x.json"}).command;
    const RenderInput input = PrepareRender(c, Survey(true));
    ASSERT_TRUE(input.model) << input.error;
    const nlohmann::json summary = nlohmann::json::parse(RenderJson(input, c));
    EXPECT_EQ(summary["layer"], "signal");
    EXPECT_EQ(summary["target"], "all");
    EXPECT_EQ(summary["points"], 15);
    EXPECT_LT(summary["loo_rmse_db"].get<double>(), 1.0);  // whole dBm in the file: a little rounding
    ASSERT_EQ(summary["access_points"].size(), 1u);
    EXPECT_NEAR(summary["access_points"][0]["x_m"].get<double>(), 6, 0.5);
    EXPECT_NEAR(summary["access_points"][0]["y_m"].get<double>(), 4, 0.5);
    EXPECT_NEAR(summary["access_points"][0]["exponent"].get<double>(), 3, 0.2);

    const std::string csv = RenderCsv(input, c, 200, 100);
    EXPECT_EQ(csv.substr(0, 15), "x_m,y_m,value\r\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 40 * 20);  // 0.5 m cells over 20 x 10 m

    EXPECT_THAT(PrepareRender(c, Survey(false)).error, HasSubstr("lab.json: plan 0 has no scale set"));
    EXPECT_THAT(PrepareRender(c, "{").error, HasSubstr("lab.json:1:2: not valid JSON"));
    c.plan = 3;
    EXPECT_THAT(PrepareRender(c, Survey(true)).error, HasSubstr("lab.json: has no plan 3"));
    c.plan = 0;
    c.request.target = {Target::Kind::Bssid, "02:00:00:00:00:0B"};
    EXPECT_THAT(PrepareRender(c, Survey(true)).error, HasSubstr("no access point of BSSID 02:00:00:00:00:0B"));
}

}  // namespace
