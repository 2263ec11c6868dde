#include "sitesurvey/win32/render_run.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/lab_survey.h"

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

// The lab survey over a grey plan, written where the program can read it.
std::filesystem::path WriteSurveyFile() {
    PlanPicture grey{200, 100, std::vector<uint32_t>(200 * 100, 0xC0C0C0)};
    std::string error;
    const auto png = Folder() / "plan.png";
    EXPECT_TRUE(WritePng(grey, png.string(), error)) << error;
    const auto survey = Folder() / "lab survey.json";
    std::ofstream(survey, std::ios::binary) << WriteSurvey(LabSurvey(ReadBytes(png)));
    return survey;
}

TEST(RenderRun, WritesThePictureTheGridAndTheSummary) {
    const std::string survey = WriteSurveyFile().string();
    for (const char* name : {"map.png", "map.csv", "map.json"}) {
        const auto out = Folder() / name;
        std::filesystem::remove(out);
        std::string error;
        EXPECT_EQ(RunRenderCommand({"--render", survey, "--layer", "signal", "--out", out.string()}, error), 0)
            << error;
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
