#include "sitesurvey/win32/render_run.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace sitesurvey;

std::filesystem::path Folder() {
    const auto folder = std::filesystem::temp_directory_path() / "vellumar-render-test";
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 200 x 100 pixel grey plan at 0.1 m a pixel, measured on a grid, one access point at (6, 4) m.
std::filesystem::path WriteSurveyFile() {
    PlanPicture grey{200, 100, std::vector<uint32_t>(200 * 100, 0xC0C0C0)};
    std::string error;
    const auto png = Folder() / "plan.png";
    EXPECT_TRUE(WritePng(grey, png.string(), error)) << error;
    SurveyFile file;
    SurveyPlan plan;
    plan.name = "Lab";
    plan.image = ReadBytes(png);
    plan.metresPerPixel = 0.1;
    const PathLossModel truth{{6, 4}, -35, 3.0, 0};
    for (int x = 10; x < 200; x += 40)
        for (int y = 10; y < 100; y += 30)
            plan.points.push_back({static_cast<double>(x), static_cast<double>(y), "2026-12-11T09:30:00Z",
                                   {{"02:00:00:00:00:0A", "Office",
                                     static_cast<int32_t>(std::lround(truth.Predict({x * 0.1, y * 0.1}))), 5180000, {}, {}}},
                                   {}});
    file.plans.push_back(plan);
    const auto survey = Folder() / "lab survey.json";
    std::ofstream(survey, std::ios::binary) << WriteSurvey(file);
    return survey;
}

TEST(RenderRun, WritesThePictureTheGridAndTheSummary) {
    const std::string survey = WriteSurveyFile().string();
    for (const char* name : {"map.png", "map.csv", "map.json"}) {
        const auto out = Folder() / name;
        std::filesystem::remove(out);
        std::string error;
        EXPECT_EQ(RunRenderCommand({"--render", survey, "--layer", "signal", "--out", out.string()}, error), 0) << error;
        EXPECT_TRUE(error.empty()) << error;
        ASSERT_TRUE(std::filesystem::exists(out)) << name;
        EXPECT_FALSE(std::filesystem::exists(out.string() + ".tmp"));
    }
    std::string error;
    const std::optional<PlanPicture> map = DecodePlanImage(ReadBytes(Folder() / "map.png"), error);
    ASSERT_TRUE(map) << error;
    EXPECT_EQ(map->width, 200);
    EXPECT_EQ(map->height, 100);
    // Near the access point the plan's grey has turned green; the legend's white box is drawn.
    const uint32_t byAp = map->pixels[35 * 200 + 75];
    EXPECT_GT(byAp >> 8 & 0xFF, byAp >> 16 & 0xFF) << std::hex << byAp;
    EXPECT_NE(byAp, 0xC0C0C0u);
}

TEST(RenderRun, MistakesWriteNothingAndExitTwo) {
    const std::string survey = WriteSurveyFile().string();
    const auto out = Folder() / "never.png";
    std::filesystem::remove(out);
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--render", survey, "--layer", "signal", "--bssid", "02:00:00:00:00:0B", "--out", out.string()},
         "no access point of BSSID 02:00:00:00:00:0B"},
        {{"--render", (Folder() / "missing.json").string(), "--layer", "signal", "--out", out.string()},
         "cannot read the survey file"},
        {{"--render", survey, "--layer", "heat", "--out", out.string()}, "unknown layer"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(RunRenderCommand(c.args, error), 2);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    std::string error;
    EXPECT_FALSE(DecodePlanImage(std::vector<uint8_t>{'n', 'o', 't'}, error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

}  // namespace
