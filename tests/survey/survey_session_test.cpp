#include "survey/survey_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim/simulated_wlan.h"
#include "survey/locate_track.h"
#include "wireless/scan_harness.h"

namespace {

using scantest::LoadInline;
using scantest::TempLog;

class MemorySettings : public SettingsStore {
public:
    std::string Read(std::string_view name) override {
        const auto it = values.find(std::string(name));
        return it == values.end() ? "" : it->second;
    }
    bool Write(std::string_view name, const std::string& value, std::string& error) override {
        if (refuse) {
            error = "Access is denied.";
            return false;
        }
        values[std::string(name)] = value;
        return true;
    }
    std::map<std::string, std::string> values;
    bool refuse = false;
};

// Every write as it came; a failure text makes the writes fail.
class MemoryFiles : public FileWriter {
public:
    FileWriteResult Replace(std::string_view fileName, std::string_view bytes) override {
        if (!failure.empty()) return {false, failure};
        writes.emplace_back(fileName, bytes);
        return {true, ""};
    }
    std::vector<std::pair<std::string, std::string>> writes;
    std::string failure;
};

// Three networks heard on one adapter: two secured, one open; HomeNet also on 5 GHz.
constexpr char kLive[] = R"({"interfaces": [{"description": "Live adapter",
  "networks": [{"ssid": "HomeNet", "quality": 40}, {"ssid": "Cafe", "quality": 90, "auth": 1, "cipher": 0},
               {"ssid": "Office", "quality": 65}],
  "bss": [{"bssid": "00:1a:2b:00:00:01", "ssid": "HomeNet", "frequency_khz": 5180000},
          {"bssid": "00:1a:2b:00:00:02", "ssid": "Cafe", "frequency_khz": 2412000}]}]})";

struct SessionTest : ::testing::Test {
    explicit SessionTest(std::string_view json = kLive) : live(LoadInline(json)), session(live, settings, files, 7) {
        session.SetLog(log.get());
    }
    ~SessionTest() override { session.Close(); }

    // The captions the view shows of a list, after the session presented it.
    std::vector<std::string> Shown(SurveyList list) {
        VectorReportList view;
        session.Rows(list).Present(view);
        std::vector<std::string> captions;
        for (const ReportRow& row : view.rows) captions.push_back(row.caption);
        return captions;
    }
    TickOutcome Tick() { return session.Tick(now += 1000); }
    bool Logged(const std::string& line) const {
        const auto lines = log.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    wlan::sim::SimulatedWlan live;
    MemorySettings settings;
    MemoryFiles files;
    TempLog log;
    SurveySession session;
    uint64_t now = 0;
};

TEST_F(SessionTest, SortOrdersComeFromTheSettingsAndGoBackToThem) {
    settings.values = {{"sort_networks", "1,desc"}, {"sort_aps", "9,asc"}};  // the access points have no column 9
    session.ReadSortOrders();
    EXPECT_EQ(session.Rows(SurveyList::Networks).Sort(), (SortOrder{1, true}));
    EXPECT_EQ(session.Rows(SurveyList::AccessPoints).Sort(), SortOrder{});
    ASSERT_EQ(session.Start({}), 0u);
    Tick();
    EXPECT_EQ(Shown(SurveyList::Networks), (std::vector<std::string>{"Cafe", "Office", "HomeNet"}));

    EXPECT_EQ(session.SortBy(SurveyList::Networks, 1), (SortOrder{1, false}));  // the same column turns round
    EXPECT_EQ(settings.values["sort_networks"], "1,asc");
    EXPECT_EQ(Shown(SurveyList::Networks), (std::vector<std::string>{"HomeNet", "Office", "Cafe"}));
    session.SortBy(SurveyList::AccessPoints, 0);
    EXPECT_EQ(settings.values["sort_aps"], "0,asc");

    // A store that refuses keeps the old text; the list sorts anyway and the log says why.
    settings.refuse = true;
    session.SortBy(SurveyList::Networks, 0);
    EXPECT_EQ(settings.values["sort_networks"], "1,asc");
    EXPECT_EQ(Shown(SurveyList::Networks), (std::vector<std::string>{"Cafe", "HomeNet", "Office"}));
    EXPECT_TRUE(Logged("Error: Access is denied."));
}

// Following one access point asks for scans as often as allowed, whatever the setting says, until it ends.
TEST_F(SessionTest, HurriedScansOutlastASettingsChangeAndEndWithTheHurry) {
    settings.values["scan_interval"] = "20";
    ASSERT_EQ(session.Start({}), 0u);
    EXPECT_EQ(session.Scan().requests.Interval(), 20);
    session.HurryScans(true);
    EXPECT_EQ(session.Scan().requests.Interval(), kShortestScanInterval);
    session.ReadScanInterval();  // the settings dialog closed
    EXPECT_EQ(session.Scan().requests.Interval(), kShortestScanInterval);
    session.HurryScans(false);
    EXPECT_EQ(session.Scan().requests.Interval(), 20);
}

TEST_F(SessionTest, TheLocatedAccessPointIsFoundInThePassByItsAddress) {
    ASSERT_EQ(session.Start({}), 0u);
    Tick();
    const std::optional<LocateSighting> cafe = FindSighting(session.Scan().bssList.get(), {0x00, 0x1a, 0x2b, 0, 0, 2});
    ASSERT_TRUE(cafe.has_value());
    EXPECT_EQ(cafe->facts.ssid, "Cafe");
    EXPECT_EQ(cafe->facts.bssid, "00:1A:2B:00:00:02");
    EXPECT_EQ(cafe->facts.channel, "1");
    EXPECT_FALSE(FindSighting(session.Scan().bssList.get(), {0x00, 0x1a, 0x2b, 0, 0, 3}).has_value());
    EXPECT_FALSE(FindSighting(nullptr, {0x00, 0x1a, 0x2b, 0, 0, 2}).has_value());
}

TEST_F(SessionTest, FilterNarrowsWhatIsShownCountedAndCopied) {
    ASSERT_EQ(session.Start({}), 0u);
    Tick();
    struct Case {
        const char* filter;
        std::vector<std::string> networks, accessPoints;
    };
    const Case cases[] = {
        {"", {"HomeNet", "Cafe", "Office"}, {"00:1A:2B:00:00:01", "00:1A:2B:00:00:02"}},
        {"office", {"Office"}, {}},
        {"5", {"HomeNet"}, {"00:1A:2B:00:00:01"}},  // a network's bands come from its access points
        {"open", {"Cafe"}, {"00:1A:2B:00:00:02"}},  // an access point's security from its network
        {"wpa2 2.4", {}, {}},
    };
    for (const Case& c : cases) {
        session.SetFilter(c.filter);
        EXPECT_EQ(Shown(SurveyList::Networks), c.networks) << c.filter;
        EXPECT_EQ(Shown(SurveyList::AccessPoints), c.accessPoints) << c.filter;
    }
    session.SetFilter("f");
    Shown(SurveyList::Networks);
    Shown(SurveyList::AccessPoints);
    EXPECT_EQ(session.FilterStatus(), "2 of 3 networks\n1 of 2 access points");
    // The rows copied are the shown ones: row 1 is now Office.
    const std::string copied = session.ShownRowsText(SurveyList::Networks, {1, 5});
    EXPECT_EQ(copied.substr(0, copied.find('\t')), "Network Name (SSID)");
    EXPECT_EQ(copied.substr(copied.find("\r\n") + 2, 6), "Office");
    EXPECT_EQ(session.ShownRowsText(SurveyList::Networks, {5}), "");
}

TEST_F(SessionTest, ReplayAndLiveSwitchTheServiceAndStartOver) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vellumar-session-replay";
    std::filesystem::create_directories(dir);
    const std::string replay = (dir / "walk.json").string(), broken = (dir / "broken.json").string();
    std::ofstream(replay) << R"({"interfaces": [{"description": "Recorded adapter",
      "networks": [{"ssid": "Attic", "quality": [20, 30, 40]}]}]})";
    std::ofstream(broken) << R"({"interfaces": [{"networks": [{"ssid": 7}]}]})";

    ASSERT_EQ(session.Start({}), 0u);
    Tick();
    EXPECT_EQ(session.Chart().LineCount(), 3u);
    // Each network row shows its chart line's colour square.
    VectorReportList view;
    session.Rows(SurveyList::Networks).Present(view);
    EXPECT_EQ(view.rows[2].image, kFirstColourSquare + 2);

    std::string problem;
    EXPECT_FALSE(session.Replay(broken, problem));
    EXPECT_NE(problem.find("broken.json"), std::string::npos) << problem;
    EXPECT_EQ(Shown(SurveyList::Networks).size(), 3u) << "the survey goes on as it was";

    ASSERT_TRUE(session.Replay(replay, problem));
    EXPECT_TRUE(session.Started());
    EXPECT_EQ(session.Chart().LineCount(), 0u);
    EXPECT_TRUE(Shown(SurveyList::Networks).empty());
    EXPECT_EQ(session.Source().Caption("V"), "V - Replay of walk.json");
    std::vector<bool> changed;
    for (int pass = 0; pass < 4; ++pass) changed.push_back(Tick().captionChanged);
    EXPECT_EQ(Shown(SurveyList::Networks), std::vector<std::string>{"Attic"});
    EXPECT_EQ(changed, std::vector<bool>(4, true));
    EXPECT_EQ(session.Source().Caption("V"), "V - Replay of walk.json (ended)");
    const auto lines = log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Info: Replay ended"), 1);

    EXPECT_TRUE(session.Live());
    EXPECT_FALSE(session.Live()) << "nothing is replayed any more";
    EXPECT_FALSE(Tick().captionChanged);
    EXPECT_EQ(Shown(SurveyList::Networks), (std::vector<std::string>{"HomeNet", "Cafe", "Office"}));
    EXPECT_EQ(session.Source().Caption("V"), "V");
    std::filesystem::remove_all(dir);
}

TEST_F(SessionTest, RecordingIsWrittenEveryTenSecondsAndWhenItStops) {
    ASSERT_EQ(session.Start({}), 0u);
    std::string message;
    files.failure = "The path is not found.";
    EXPECT_FALSE(session.StartRecording("walk.json", now, message));
    EXPECT_EQ(message, "Could not record to walk.json:\nThe path is not found.");
    EXPECT_FALSE(session.Source().Recording());

    files.failure.clear();
    ASSERT_TRUE(session.StartRecording("walk.json", now, message));
    EXPECT_EQ(files.writes.size(), 1u) << "written at once, so that a file that cannot be is known";
    for (int second = 1; second <= 10; ++second) Tick();
    EXPECT_EQ(files.writes.size(), 2u) << "ten seconds after the first write";

    // A failing write is shown once and logged each time; the schedule goes on.
    files.failure = "The disk is full.";
    std::vector<size_t> shown;
    for (int second = 11; second <= 30; ++second) shown.push_back(Tick().messages.size());
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 1u), 1);
    const auto lines = log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Error: Could not record to walk.json:\nThe disk is full."), 2);

    files.failure.clear();
    ASSERT_TRUE(session.StopRecording(now, message));
    EXPECT_EQ(files.writes.size(), 3u);
    EXPECT_TRUE(Logged("Info: Recorded 30 passes to walk.json"));
    const auto scenario = wlan::sim::LoadScenarioText(files.writes.back().second);
    ASSERT_TRUE(scenario) << scenario.message;
    EXPECT_EQ(scenario.scenario->interfaces.at(0).networks.size(), 3u);
}

// An adapter whose first scan request Windows refuses, then its BSS list; scans are
// asked every two seconds.
constexpr char kWithheld[] = R"({"interfaces": [{"networks": [{"ssid": "HomeNet"}]}],
  "faults": [{"call": "WlanScan", "epochs": [1], "result": 5},
             {"call": "WlanGetNetworkBssList", "epochs": [3], "result": 5}]})";

struct WithheldTest : SessionTest {
    WithheldTest() : SessionTest(kWithheld) { settings.values[std::string(kScanIntervalSetting)] = "2"; }
};

TEST_F(WithheldTest, TickOutcomesCarryMessagesAndTheLocationNotice) {
    struct Passes : SurveyObserver {
        void PassEnded(const SurveySession& s, const TickOutcome& outcome) override {
            results.push_back(*outcome.pass);
            networks.push_back(s.Rows(SurveyList::Networks).RowCount());
        }
        std::vector<uint32_t> results;
        std::vector<int> networks;
    } passes;
    session.Subscribe(passes);
    EXPECT_FALSE(Tick().pass) << "no pass before the start";
    ASSERT_EQ(session.Start({}), 0u);

    std::vector<std::optional<bool>> blocked;
    std::vector<std::vector<std::string>> messages;
    for (int pass = 0; pass < 4; ++pass) {
        const TickOutcome outcome = Tick();
        blocked.push_back(outcome.locationBlocked);
        messages.push_back(outcome.messages);
    }
    // The refused request leaves its pass complete; the notice stays until a request
    // goes through (pass 4; pass 3 ends at its refused list before it asks).
    EXPECT_EQ(blocked, (std::vector<std::optional<bool>>{true, std::nullopt, true, false}));
    EXPECT_EQ(messages[2], std::vector<std::string>{"Error WlanGetNetworkBssList (5)"});
    EXPECT_TRUE(messages[0].empty() && messages[1].empty() && messages[3].empty());
    EXPECT_EQ(passes.results, (std::vector<uint32_t>{0, 0, 5, 0}));
    EXPECT_EQ(passes.networks, (std::vector<int>{1, 1, 1, 1}));
    session.Unsubscribe(passes);
}

TEST(SurveySessionStart, ARefusedHandleIsLoggedAndNeverScans) {
    wlan::sim::SimulatedWlan live(LoadInline(R"({"open_result": 1062, "interfaces": []})"));
    MemorySettings settings;
    MemoryFiles files;
    TempLog log;
    SurveySession session(live, settings, files, 1);
    session.SetLog(log.get());
    EXPECT_EQ(session.Start({}), 1062u);
    EXPECT_FALSE(session.Started());
    EXPECT_FALSE(session.Tick(1000).pass);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: " + StartFailureText(1062)});
    EXPECT_EQ(StartFailureText(1062), "Error WlanOpenHandle (1062)");
}

}  // namespace
