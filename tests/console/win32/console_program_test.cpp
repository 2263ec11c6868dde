// The console program itself, started as a script starts it, over scenarios:
// what it prints, its exit codes, and that a mistake writes nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/version_number.h"
#include "common/win32/fixtures.h"
#include "common/win32/replace_file.h"
#include "common/win32/settings.h"
#include "common/win32/wide.h"
#include "sim/simulated_wlan.h"
#include "survey/survey_session.h"

namespace {

const std::string kDemo = std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/demo.json";
const std::string kRecording = std::string(VELLUMAR_TEST_SOURCE_DIR) + "/tests/console/recording.json";

struct Result {
    DWORD exit = 99;
    std::string out, err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ConsoleProgram : public ::testing::Test {
protected:
    // Runs vellumar.com with args, its streams into files; scenario: VELLUMAR_WLAN_SCENARIO for it.
    Result Run(const std::string& args, const std::string& scenario = kDemo) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const std::string outPath = folder.Path("out-" + std::to_string(runs_) + ".txt");
        const std::string errPath = folder.Path("err-" + std::to_string(runs_++) + ".txt");
        HANDLE out = CreateFileW(Widen(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        HANDLE err = CreateFileW(Widen(errPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = err;
        SetEnvironmentVariableW(L"VELLUMAR_WLAN_SCENARIO", Widen(scenario).c_str());
        std::wstring command = L"\"" + Widen(VELLUMAR_CONSOLE_PROGRAM) + L"\" " + Widen(args);
        PROCESS_INFORMATION pi{};
        Result result;
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                           &pi)) {
            WaitForSingleObject(pi.hProcess, 60000);
            GetExitCodeProcess(pi.hProcess, &result.exit);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        SetEnvironmentVariableW(L"VELLUMAR_WLAN_SCENARIO", nullptr);
        CloseHandle(out);
        CloseHandle(err);
        result.out = ReadAll(outPath);
        result.err = ReadAll(errPath);
        return result;
    }

    TempFolder folder;

private:
    int runs_ = 0;
};

// What the window's "Survey (JSON)" export writes after its first pass over the same scenario.
nlohmann::json WindowExport(const std::string& scenario, const std::string& file) {
    wlan::sim::SimulatedWlan api(scenario);
    RegistrySettings settings;  // the window's sort orders, as the console reads them
    ReplacingFileWriter files;
    SurveySession session(api, settings, files);
    session.ReadSortOrders();
    EXPECT_EQ(session.Start(nullptr), 0u);
    EXPECT_EQ(session.Tick(1000).pass.value_or(99), 0u);
    std::string message;
    EXPECT_TRUE(session.Export(file, ExportFormat::SurveyJson, {"t", "Vellumar", VELLUMAR_VERSION_STRING, 0}, message))
        << message;
    return nlohmann::json::parse(ReadAll(file));
}

TEST_F(ConsoleProgram, ScanJsonIsTheWindowsExportOfThePass) {
    const Result scan = Run("scan --json");
    ASSERT_EQ(scan.exit, 0u) << scan.err;
    nlohmann::json printed = nlohmann::json::parse(scan.out);
    nlohmann::json exported = WindowExport(kDemo, folder.Path("window.json"));
    EXPECT_EQ(printed["format"], "vellumar-export");
    EXPECT_FALSE(printed["access_points"].empty());
    printed.erase("captured_at");
    exported.erase("captured_at");
    EXPECT_EQ(printed, exported);

    const Result table = Run("scan");
    ASSERT_EQ(table.exit, 0u) << table.err;
    EXPECT_EQ(table.out.rfind("Adapters\nAdapter Name", 0), 0u) << table.out;
    EXPECT_NE(table.out.find("\nAccess points\nAP Name / MAC"), std::string::npos);
}

TEST_F(ConsoleProgram, WatchPrintsALinePerPassAndCountsThem) {
    const Result watch = Run("watch --count 3 --interval 1 --filter 5");
    ASSERT_EQ(watch.exit, 0u) << watch.err;
    std::vector<nlohmann::json> lines;
    std::istringstream in(watch.out);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(lines.size(), 3u) << watch.out;
    for (size_t k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k]["pass"], k + 1);
        for (const auto& ap : lines[k]["access_points"]) EXPECT_GT(ap["frequency_mhz"].get<int>(), 5000) << ap;
    }
    EXPECT_EQ(watch.err, "vellumar: 3 lines\n");
}

TEST_F(ConsoleProgram, ExportConvertsARecording) {
    const std::string json = folder.Path("passes.json"), csv = folder.Path("aps.csv"), capture = folder.Path("x.pcapng");
    ASSERT_EQ(Run("export \"" + kRecording + "\" --format json --out \"" + json + "\"").exit, 0u);
    std::vector<nlohmann::json> passes;
    std::istringstream in(ReadAll(json));
    for (std::string line; std::getline(in, line);) passes.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(passes.size(), 3u);
    EXPECT_EQ(passes[1]["access_points"].size(), 1u);  // the second one is away in that pass
    EXPECT_EQ(passes[2]["access_points"][0]["rssi_dbm"], -70);

    ASSERT_EQ(Run("export \"" + kRecording + "\" --format csv --out \"" + csv + "\"").exit, 0u);
    const std::string table = ReadAll(csv);
    EXPECT_EQ(table.rfind("\xEF\xBB\xBFpass,bssid,ssid,channel,frequency_mhz,rssi_dbm,", 0), 0u) << table;
    EXPECT_NE(table.find("\r\n3,02:00:00:00:10:01,Orchard,6,2437,-70,"), std::string::npos) << table;

    const Result written = Run("export \"" + kRecording + "\" --format pcapng --out \"" + capture + "\"");
    ASSERT_EQ(written.exit, 0u) << written.err;
    const std::string bytes = ReadAll(capture);
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));
}

// A site survey file: each measured point a pass; a broken one gets the reader's place and problem.
TEST_F(ConsoleProgram, ExportConvertsASiteSurvey) {
    const std::string survey = std::string(VELLUMAR_TEST_SOURCE_DIR) + "/tests/console/survey.json";
    const std::string json = folder.Path("points.json"), csv = folder.Path("points.csv");
    ASSERT_EQ(Run("export \"" + survey + "\" --format json --out \"" + json + "\"").exit, 0u);
    std::vector<nlohmann::json> points;
    std::istringstream in(ReadAll(json));
    for (std::string line; std::getline(in, line);) points.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1]["x_m"], 15);
    EXPECT_EQ(points[1]["access_points"][0]["rssi_dbm"], -61);
    ASSERT_EQ(Run("export \"" + survey + "\" --format csv --out \"" + csv + "\"").exit, 0u);
    EXPECT_NE(ReadAll(csv).find("\r\nGround floor,2,15,2.025,2026-12-11T09:30:07.250Z,02:00:00:00:00:0A,Office,-61,5180,36\r\n"),
              std::string::npos)
        << ReadAll(csv);

    const std::string broken = folder.Path("broken.json"), out = folder.Path("never.csv");
    WriteTestFile(broken, "{\"format\": \"vellumar-survey\", \"version\": 1, \"plans\": 7}");
    const Result bad = Run("export \"" + broken + "\" --format csv --out \"" + out + "\"");
    EXPECT_EQ(bad.exit, 2u);
    EXPECT_NE(bad.err.find("broken.json:1:"), std::string::npos) << bad.err;
    EXPECT_EQ(GetFileAttributesW(Widen(out).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ConsoleProgram, MistakesExitTwoAndWriteNothing) {
    const std::string out = folder.Path("never.json");
    struct Case {
        std::string args, message;
    };
    const Case cases[] = {
        {"", "vellumar: no command given\n"},
        {"scan --count 3", "vellumar: scan does not take --count\n"},
        {"watch --interval", "vellumar: --interval needs a value\n"},
        {"export \"" + kRecording + "\" --format xml --out \"" + out + "\"",
         "vellumar: --format is json, csv or pcapng, not xml\n"},
        {"export \"" + kRecording + "\" --out \"" + out + "\"", "vellumar: export needs --format json, csv or pcapng\n"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.exit, 2u) << c.args;
        EXPECT_EQ(r.err, c.message + "Try 'vellumar --help'.\n") << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    // A file that is no recording: the loader's message, and still nothing written.
    const Result bad = Run("export \"" + kDemo + ".missing\" --format json --out \"" + out + "\"");
    EXPECT_EQ(bad.exit, 2u);
    EXPECT_NE(bad.err.find("cannot read the scenario file"), std::string::npos) << bad.err;
    const Result badScenario = Run("scan --json", kDemo + ".missing");
    EXPECT_EQ(badScenario.exit, 2u);
    EXPECT_NE(badScenario.err.find("cannot read the scenario file"), std::string::npos) << badScenario.err;
    EXPECT_EQ(badScenario.out, "");
    // An export opened as a recording is named for what it is.
    const std::string exported = folder.Path("export.json");
    WindowExport(kDemo, exported);
    const Result notRecording = Run("export \"" + exported + "\" --format json --out \"" + out + "\"");
    EXPECT_EQ(notRecording.exit, 2u);
    EXPECT_NE(notRecording.err.find("This is an export, not a recording"), std::string::npos) << notRecording.err;
    EXPECT_EQ(GetFileAttributesW(Widen(out).c_str()), INVALID_FILE_ATTRIBUTES);

    const Result help = Run("--help");
    EXPECT_EQ(help.exit, 0u);
    EXPECT_NE(help.out.find("vellumar watch [--interval S]"), std::string::npos);
    const Result version = Run("--version");
    EXPECT_EQ(version.out, "Vellumar " VELLUMAR_VERSION_STRING "\n");
}

}  // namespace
