// Recording a survey in the program and replaying it: what the user sees pass
// by pass, the log and the chart are the same as in the run recorded.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>

#include "common/win32/fixtures.h"
#include "common/win32/replace_file.h"
#include "shell/app_fixture.h"
#include "shell/menu.h"
#include "survey/chart_colours.h"
#include "survey/survey_source.h"
#include "wireless/scan_requests.h"

namespace {

// Walking and listed values, entities that come and go, a network whose BSS
// entry changes its elements, refused calls and elements of several kinds.
constexpr char kSurvey[] = R"({"seed": 3, "interfaces": [
  {"guid": "{01234567-89ab-cdef-0123-456789abcdef}", "description": "Wi-Fi B", "present": [true, true, false, true],
   "networks": [{"ssid": "Attic", "quality": [10, 20, 30, 40, 50]}],
   "bss": [{"bssid": "aa:bb:cc:dd:ee:ff", "ssid": "Attic", "rssi": {"walk": [-95, -60]}}]},
  {"description": "Wi-Fi A", "state": [1, 1, 1, 4, 4, 1], "phy_types": [5, 6, 7, 8],
   "networks": [
    {"ssid": "HomeNet", "quality": {"walk": [50, 95], "step": 5}, "bssids": [1, 2]},
    {"ssid": "Office", "profile": "Office", "quality": [60, 55, 50, 45], "auth": 1, "cipher": 0},
    {"ssid": "", "quality": {"walk": [20, 60]}},
    {"ssid": "Passing", "present": [false, true, true, false, false, true], "quality": 30}],
   "bss": [
    {"bssid": "00:1a:2b:3c:4d:5e", "ssid": "HomeNet", "frequency_khz": 5180000,
     "rssi": {"walk": [-85, -45], "step": 4}, "link_quality": {"walk": [30, 90]},
     "ies": [{"id": 0, "hex": "486f6d654e6574"}, {"id": 45, "hex": "ef0117ffff000000000000000000000000000000000000000000"},
             {"id": 61, "hex": "24050400000000000000000000000000000000000000"}]},
    {"bssid": "00:1a:2b:3c:4d:5f", "ssid": "Office", "rssi": [-70, -72, -74], "present": [true, true, false, true]},
    {"bssid": "02:00:00:00:00:01", "ssid": "Passing", "frequency_khz": 2462000, "present": [false, true, true, false],
     "ies": "dd0800904c0408bf0c00"}]}],
  "faults": [
    {"call": "WlanGetInterfaceCapability", "interface": 1, "epochs": [3], "result": 50},
    {"call": "WlanGetAvailableNetworkList", "interface": 0, "epochs": [5], "result": 1168},
    {"call": "WlanGetNetworkBssList", "interface": 1, "epochs": {"from": 7, "to": 8}, "result": 21}]})";

constexpr int kPasses = 14;

// What the window shows after a pass: every cell of the three lists.
using Snapshot = std::vector<std::vector<std::vector<std::string>>>;
Snapshot Lists(TMainDlg& main) {
    Snapshot out;
    for (ListView* list : {&main.adapt_lst, &main.net_lst, &main.ap_lst}) {
        auto& rows = out.emplace_back();
        for (int r = 0; r < list->RowCount(); ++r) {
            auto& cells = rows.emplace_back();
            for (int c = 0; c < list->ColumnCount(); ++c) cells.push_back(list->Cell(r, c));
        }
    }
    return out;
}

// Each chart line's name and every value it has drawn.
std::vector<std::pair<std::string, std::vector<int32_t>>> ChartValues(TMainDlg& main) {
    std::vector<std::pair<std::string, std::vector<int32_t>>> out;
    const TStripChart& chart = main.scope.chart();
    for (size_t k = 0; k < chart.LineCount(); ++k) {
        const TStripChartLine& line = chart.Line(k);
        auto& [name, values] = out.emplace_back(line.Name, std::vector<int32_t>{});
        for (int64_t i = line.History.FirstStored(); i < line.History.Count(); ++i) values.push_back(line.History.At(i));
    }
    return out;
}

std::map<std::string, Colour> ChartColours(TMainDlg& main) {
    std::map<std::string, Colour> out;
    const TStripChart& chart = main.scope.chart();
    for (size_t k = 0; k < chart.LineCount(); ++k) out[chart.Line(k).Name] = chart.Line(k).Color;
    return out;
}

std::string MenuText(TMainDlg& main, UINT command) {
    wchar_t text[100] = {};
    GetMenuStringW(GetMenu(main.hwnd()), command, text, 100, MF_BYCOMMAND);
    return Narrow(text);
}

class Recording : public AppTest {
protected:
    struct Run {
        std::vector<Snapshot> passes;
        std::vector<std::string> log;  // the lines the passes wrote
        std::vector<std::string> messages;
    };
    Run Passes(TMainDlg& main, int count) {
        Run run;
        const size_t logged = LogLines().size();
        const size_t shown = messages.size();
        for (int k = 0; k < count; ++k) {
            Tick();
            run.passes.push_back(Lists(main));
        }
        const auto lines = LogLines();
        run.log.assign(lines.begin() + static_cast<ptrdiff_t>(logged), lines.end());
        std::erase(run.log, "Replay ended");
        run.messages.assign(messages.begin() + static_cast<ptrdiff_t>(shown), messages.end());
        return run;
    }
    TempFolder folder;
};

TEST_F(Recording, AReplayShowsWhatTheRecordedRunShowed) {
    auto& main = Start(kSurvey).main;
    main.scope.chart().KeepWholeHistory(true);
    const std::string file = folder.Path("survey.json");
    main.ask.recordingFile = [&](std::string& name) {
        name = file;
        return true;
    };
    EXPECT_EQ(main.source_lbl.Text(), "Live");
    main.Record1Click();
    ASSERT_TRUE(main.session().Source().Recording());
    EXPECT_EQ(MenuText(main, kCmdRecord), "Stop &Recording\tCtrl+R");
    const Run live = Passes(main, kPasses);
    EXPECT_NE(main.Text().find("Recording survey.json (14 passes)"), std::string::npos) << main.Text();
    EXPECT_EQ(main.source_lbl.Text(), "Recording survey.json (14 passes)");
    const auto liveChart = ChartValues(main);
    const auto liveColours = ChartColours(main);
    // Every line bright on the black chart and plainly unlike the others.
    for (const auto& [name, colour] : liveColours) {
        EXPECT_GE(ToLab(colour).l, kMinChartLightness) << name;
        for (const auto& [other, otherColour] : liveColours)
            if (other != name) {
                EXPECT_GE(LabDistance(ToLab(colour), ToLab(otherColour)), kMinChartDistance) << name;
            }
    }
    main.Record1Click();
    EXPECT_FALSE(main.session().Source().Recording());
    EXPECT_EQ(main.Text().find("Recording"), std::string::npos);
    EXPECT_EQ(MenuText(main, kCmdRecord), "&Record...\tCtrl+R");
    EXPECT_TRUE(Logged("Recorded 14 passes to " + file));
    ASSERT_FALSE(live.messages.empty());  // the refused calls were shown
    ASSERT_GT(liveChart.size(), 3u);

    main.ask.replayFile = [&](std::string& name) {
        name = file;
        return true;
    };
    main.OpenRecording1Click();
    ASSERT_TRUE(main.session().Source().Replaying());
    EXPECT_TRUE(main.session().Started());
    EXPECT_EQ(main.net_lst.RowCount(), 0);  // the survey starts over
    EXPECT_EQ(main.scope.chart().LineCount(), 0u);
    EXPECT_NE(main.Text().find("Replay of survey.json"), std::string::npos) << main.Text();
    EXPECT_EQ(main.source_lbl.Text().rfind("Replay survey.json 0 of ", 0), 0u) << main.source_lbl.Text();
    const Run replay = Passes(main, kPasses);
    ASSERT_EQ(replay.passes.size(), live.passes.size());
    for (size_t k = 0; k < live.passes.size(); ++k) EXPECT_EQ(replay.passes[k], live.passes[k]) << "pass " << k + 1;
    EXPECT_EQ(replay.log, live.log);
    EXPECT_EQ(replay.messages, live.messages);
    EXPECT_EQ(ChartValues(main), liveChart);
    EXPECT_EQ(ChartColours(main), liveColours);  // each network in its colour of the live run

    // Played through, the last pass stands and the chart stops.
    EXPECT_NE(main.Text().find("Replay of survey.json (ended)"), std::string::npos) << main.Text();
    EXPECT_EQ(main.source_lbl.Text(), "Replay ended");
    const Snapshot last = Lists(main);
    Tick(3);
    EXPECT_EQ(Lists(main), last);
    EXPECT_EQ(ChartValues(main), liveChart);

    main.Live1Click();
    EXPECT_FALSE(main.session().Source().Replaying());
    EXPECT_EQ(main.Text().find("Replay"), std::string::npos);
    EXPECT_EQ(main.source_lbl.Text(), "Live");
    Tick();
    EXPECT_EQ(main.adapt_lst.RowCount(), 2);
    for (const auto& [name, colour] : ChartColours(main)) EXPECT_EQ(colour, liveColours.at(name)) << name;
}

TEST_F(Recording, AFileThatBreaksTheRulesIsShownAndTheSurveyGoesOn) {
    auto& main = Start(kSurvey).main;
    Tick();
    const std::string file = folder.Path("broken.json");
    WriteTestFile(file, "{\"interfaces\": [{\"networks\": [{\"ssid\": \"A\", \"qualty\": 5}]}]}");
    messages.clear();
    main.Replay(file);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], file + ":1:55: interfaces[0].networks[0].qualty: unknown key \"qualty\"");
    EXPECT_FALSE(main.session().Source().Replaying());
    Tick();
    EXPECT_EQ(main.adapt_lst.RowCount(), 2);  // still the live survey
}

TEST_F(Recording, TheCommandLineStartsAReplay) {
    const std::string file = folder.Path("short.json");
    WriteTestFile(file, R"({"interfaces": [{"description": "Recorded", "networks": [{"ssid": "Then", "quality": [40, 50]}]}]})");
    auto& main = Start(kSurvey, {"--replay", file}).main;
    ASSERT_TRUE(main.session().Source().Replaying());
    Tick();
    ASSERT_EQ(main.adapt_lst.RowCount(), 1);
    EXPECT_EQ(main.adapt_lst.Cell(0, 0), "Recorded");
    EXPECT_EQ(main.Text().find("(ended)"), std::string::npos);
    Tick();
    EXPECT_NE(main.Text().find("Replay of short.json (ended)"), std::string::npos) << main.Text();
    EXPECT_TRUE(Logged("Replaying " + file));
}

TEST_F(Recording, AFileDroppedOnTheWindowIsReplayed) {
    auto& main = Start(kSurvey).main;
    const std::string file = folder.Path("dropped.json");
    WriteTestFile(file, R"({"interfaces": [{"description": "Dropped"}]})");
    // What the shell hands over: a DROPFILES header and the names, each ending in a zero, one more at the end.
    const std::wstring name = Widen(file);
    const size_t bytes = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(name.begin(), name.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    SendMessageW(main.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // DragFinish frees it
    ASSERT_TRUE(main.session().Source().Replaying());
    EXPECT_EQ(main.session().Source().ReplayFile(), file);
    Tick();
    ASSERT_EQ(main.adapt_lst.RowCount(), 1);
    EXPECT_EQ(main.adapt_lst.Cell(0, 0), "Dropped");
}

TEST(RecordingFile, IsACompleteScenarioAfterEveryWrite) {
    TempFolder folder;
    const std::string file = folder.Path("rec.json");
    auto loaded = wlan::sim::LoadScenarioText(R"({"interfaces": [{"networks": [{"ssid": "A", "quality": [10, 20, 30, 40]}]}]})");
    wlan::sim::SimulatedWlan service(loaded.scenario);
    ReplacingFileWriter files;
    SurveySource source(service, files);
    std::string error;
    const uint64_t start = MonotonicMilliseconds();
    ASSERT_TRUE(source.StartRecording(file, start, error)) << error;
    auto interfacesInFile = [&] {
        auto reread = wlan::sim::LoadScenarioFile(file);
        EXPECT_TRUE(reread) << reread.message;
        return reread ? reread.scenario->interfaces.size() : size_t{99};
    };
    EXPECT_EQ(interfacesInFile(), 0u);  // written at once, before any pass: a valid, empty survey
    wlan::Handle h = nullptr;
    ASSERT_EQ(source.Api().WlanOpenHandle(wlan::kClientVersion, nullptr, nullptr, &h), 0u);
    auto pass = [&] {
        wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> list(source.Api());
        source.Api().WlanEnumInterfaces(h, nullptr, list.out());
        wlan::WlanBuffer<wlan::WLAN_AVAILABLE_NETWORK_LIST> nets(source.Api());
        source.Api().WlanGetAvailableNetworkList(h, &list->InterfaceInfo[0].InterfaceGuid, 0, nullptr, nets.out());
    };
    pass();
    pass();
    ASSERT_TRUE(source.SaveIfDue(start + 5000, error));
    EXPECT_EQ(interfacesInFile(), 0u);  // not due yet
    ASSERT_TRUE(source.SaveIfDue(start + 60000, error));
    EXPECT_EQ(interfacesInFile(), 1u);
    pass();
    ASSERT_TRUE(source.StopRecording(start + 61000, error)) << error;
    const auto done = wlan::sim::LoadScenarioFile(file);
    ASSERT_TRUE(done) << done.message;
    EXPECT_EQ(done.scenario->interfaces[0].networks[0].quality.values, (std::vector<int64_t>{10, 20, 30}));
    source.Api().WlanCloseHandle(h, nullptr);
}

}  // namespace
