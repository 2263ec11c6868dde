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
    Tick();
    EXPECT_EQ(session.Chart().LineCount(), 3u);
    const int64_t liveHistory = session.Chart().Line(0).History.Count();
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
    // The live survey goes on where it was: its lines and their history are back.
    ASSERT_EQ(session.Chart().LineCount(), 3u);
    EXPECT_EQ(session.Chart().Line(0).History.Count(), liveHistory);
    EXPECT_FALSE(Tick().captionChanged);
    EXPECT_GT(session.Chart().Line(0).History.Count(), liveHistory);
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

namespace {

// Not connected in epoch 1; on A from epoch 2, where B of the same network is already
// 10 dB stronger; roams to B in epoch 4; gone from epoch 6.
constexpr char kLink[] = R"({"interfaces": [{"description": "Roaming adapter",
  "connection": {"ssid": "Campus", "profile": "Campus", "connected": [false, true, true, true, true, false],
     "bssid": ["3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:02"],
     "rx_rate": [866700, 866700, 866700, 1201000], "tx_rate": 780000, "quality": [60, 70, 65]},
  "networks": [{"ssid": "Campus"}],
  "bss": [{"bssid": "3c:5a:b4:10:20:01", "ssid": "Campus", "rssi": [-60, -70, -72, -75], "frequency_khz": 5180000},
          {"bssid": "3c:5a:b4:10:20:02", "ssid": "Campus", "rssi": [-65, -60, -58, -55], "frequency_khz": 5500000}]}]})";

struct LinkSessionTest : SessionTest {
    LinkSessionTest() : SessionTest(kLink) {
        session.SetWallClock([this] { return static_cast<int64_t>(now); });
    }
};

TEST_F(LinkSessionTest, NotificationsAndPassesBecomeEventsLogLinesAndTheSummary) {
    ASSERT_EQ(session.Start({}), 0u);
    Tick();
    EXPECT_EQ(LinkSummaryText(session.Link().Status()), "Not connected");
    const size_t before = log.Count();
    for (int pass = 2; pass <= 6; ++pass) {
        Tick();
        if (pass == 5) {
            const std::string summary = LinkSummaryText(session.Link().Status());
            EXPECT_EQ(summary.rfind("Campus \xC2\xB7 3C:5A:B4:10:20:02", 0), 0u) << summary;
            EXPECT_NE(summary.find(" \xC2\xB7 ch 100"), std::string::npos) << summary;
            EXPECT_NE(summary.find(" \xC2\xB7 -55 dBm \xC2\xB7 1201/780 Mbit/s"), std::string::npos) << summary;
        }
    }
    EXPECT_EQ(log.LinesSince(before),
              (std::vector<std::string>{
                  "Info: Connected to 3C:5A:B4:10:20:01 (Campus)",
                  "Info: Roam from 3C:5A:B4:10:20:01 (ch 36, -72 dBm) to 3C:5A:B4:10:20:02 (ch 100, -55 dBm), gap 0 ms",
                  "Info: Disconnected from 3C:5A:B4:10:20:02"}));
    const auto& events = session.Link().Tracker().Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].kind, LinkEvent::Kind::Roamed);
    EXPECT_EQ(events[1].timeMs, 4000);
    EXPECT_EQ(events[1].lateBySeconds, 2.0) << "B was 8 dB stronger from the pass of second 2";
    // The events go with the survey's export, in the Link window's columns.
    const ExportDocument document = session.Document({"2026-01-01T00:00:00Z", "V", "1"});
    ASSERT_EQ(document.tables.size(), 4u);
    EXPECT_EQ(document.tables[3].jsonKey, "link_events");
    EXPECT_EQ(document.tables[3].rows.at(1),
              (std::vector<std::string>{"1970-01-01T00:00:04Z", "Roamed", "3C:5A:B4:10:20:01 (ch 36, -72 dBm)",
                                        "3C:5A:B4:10:20:02 (ch 100, -55 dBm)", "0 ms", "2.0 s"}));
    EXPECT_EQ(document.tables[3].rows.at(2).at(2), "3C:5A:B4:10:20:02 (ch 100, -55 dBm)");
    EXPECT_EQ(LinkDetailRows(session.Link().Status()),
              (std::vector<std::pair<std::string, std::string>>{{"State", "Not connected"}}));
    EXPECT_EQ(session.Link().RoamMarks(), std::vector<uint64_t>{2}) << "the roam came with pass 4 of 6";
    EXPECT_EQ(session.Link().History().Passes(), 6u);
    EXPECT_EQ(session.Link().History().Rssi("3C:5A:B4:10:20:02", 3), -55);
}

TEST_F(LinkSessionTest, ARecordingReplaysTheSameLinkAndRoams) {
    ASSERT_EQ(session.Start({}), 0u);
    std::string message;
    ASSERT_TRUE(session.StartRecording("link.json", now, message));
    for (int pass = 1; pass <= 7; ++pass) Tick();
    ASSERT_TRUE(session.StopRecording(now, message));
    const auto recorded = wlan::sim::LoadScenarioText(files.writes.back().second);
    ASSERT_TRUE(recorded) << recorded.message << "\n" << files.writes.back().second;

    // Both services, pass by pass: the same notifications and the same answers to the link's opcodes.
    struct Seen {
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> notices;
        std::vector<std::vector<uint8_t>> answers;
        bool operator==(const Seen&) const = default;
    };
    auto run = [](std::shared_ptr<const wlan::sim::Scenario> scenario) {
        wlan::sim::SimulatedWlan api(std::move(scenario));
        wlan::Handle h = nullptr;
        EXPECT_EQ(api.WlanOpenHandle(1, nullptr, nullptr, &h), 0u);
        std::vector<Seen> seen;
        api.WlanRegisterNotification(h, wlan::kNotificationSourceAcm | wlan::kNotificationSourceMsm,
                                     [&](const wlan::WlanNotification& n) {
                                         seen.back().notices.emplace_back(n.code, n.data);
                                     });
        for (int pass = 1; pass <= 7; ++pass) {
            seen.emplace_back();
            wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> list(api);
            EXPECT_EQ(api.WlanEnumInterfaces(h, nullptr, list.out()), 0u);
            const wlan::GUID g = list->InterfaceInfo[0].InterfaceGuid;
            for (uint32_t op : {wlan::kWlanIntfOpcodeCurrentConnection, wlan::kWlanIntfOpcodeChannelNumber,
                                wlan::kWlanIntfOpcodeRssi}) {
                uint32_t size = 0;
                void* data = nullptr;
                const uint32_t rc = api.WlanQueryInterface(h, &g, op, nullptr, &size, &data, nullptr);
                std::vector<uint8_t> bytes{static_cast<uint8_t>(rc & 0xFF)};
                if (rc == 0) bytes.insert(bytes.end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
                api.WlanFreeMemory(data);
                seen.back().answers.push_back(bytes);
            }
        }
        api.WlanCloseHandle(h, nullptr);
        return seen;
    };
    const auto original = run(LoadInline(kLink));
    const auto replayed = run(recorded.scenario);
    ASSERT_EQ(original.size(), replayed.size());
    for (size_t k = 0; k < original.size(); ++k) EXPECT_TRUE(original[k] == replayed[k]) << "pass " << k + 1;
    EXPECT_EQ(original[3].notices.size(), 2u) << "the roam";
}

}  // namespace
