// Recording a survey and replaying it through the simulated service: every
// call's answer, pass by pass, byte for byte.
#include "survey/recording_wlan.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "sim/simulated_wlan.h"
#include "survey/observed.h"

namespace {

using namespace wlan;
using namespace wlan::sim;

// One call's result and the bytes of its record.
struct Answer {
    std::string call;
    uint32_t rc = 0;
    std::vector<uint8_t> bytes;
    bool operator==(const Answer&) const = default;
};

template <typename T>
std::vector<uint8_t> Bytes(const T* p, size_t size) {
    if (!p) return {};
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return {b, b + size};
}

// The calls of the program's scan passes, with the adapter window's statistics
// every third pass and a second look at the networks between passes.
std::vector<Answer> Survey(WlanApi& api, int passes) {
    std::vector<Answer> out;
    Handle handle = nullptr;
    uint32_t negotiated = 0;
    out.push_back({"open", api.WlanOpenHandle(kClientVersion, nullptr, &negotiated, &handle), {}});
    if (out.back().rc != 0) return out;
    for (int pass = 1; pass <= passes; ++pass) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        const uint32_t rc = api.WlanEnumInterfaces(handle, nullptr, list.out());
        out.push_back({"enum", rc, rc ? std::vector<uint8_t>{} : Bytes(list.get(), InterfaceListSize(list->dwNumberOfItems))});
        if (rc) continue;
        for (const WLAN_INTERFACE_INFO& info : Entries(list.get())) {
            const GUID& g = info.InterfaceGuid;
            WlanBuffer<WLAN_INTERFACE_CAPABILITY> cap(api);
            uint32_t r = api.WlanGetInterfaceCapability(handle, &g, nullptr, cap.out());
            out.push_back({"capability", r, r ? std::vector<uint8_t>{} : Bytes(cap.get(), sizeof *cap)});
            for (int look = 0; look < 2; ++look) {
                WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> nets(api);
                r = api.WlanGetAvailableNetworkList(handle, &g, kIncludeAllAdhocProfiles, nullptr, nets.out());
                out.push_back({"networks", r, r ? std::vector<uint8_t>{} : Bytes(nets.get(), NetworkListSize(nets->dwNumberOfItems))});
            }
            WlanBuffer<WLAN_BSS_LIST> bss(api);
            r = api.WlanGetNetworkBssList(handle, &g, nullptr, kBssTypeAny, false, nullptr, bss.out());
            out.push_back({"bss", r, r ? std::vector<uint8_t>{} : Bytes(bss.get(), bss->dwTotalSize)});
            if (pass % 3 == 0) {
                uint32_t size = 0, type = 0;
                void* data = nullptr;
                r = api.WlanQueryInterface(handle, &g, kWlanIntfOpcodeStatistics, nullptr, &size, &data, &type);
                WlanBuffer<WLAN_STATISTICS> stats(api, r ? nullptr : static_cast<WLAN_STATISTICS*>(data));
                out.push_back({"statistics", r, Bytes(stats.get(), r ? 0 : size)});
            }
            out.push_back({"scan", api.WlanScan(handle, &g, nullptr, nullptr, nullptr), {}});
        }
    }
    api.WlanCloseHandle(handle, nullptr);
    return out;
}

// Surveys the scenario through a recorder; the answers and the file written.
std::pair<std::vector<Answer>, std::string> Record(std::shared_ptr<const Scenario> scenario, int passes) {
    SimulatedWlan service(std::move(scenario));
    RecordingWlan recorder(service);
    SurveyRecording recording;
    recorder.Attach(&recording);
    auto answers = Survey(recorder, passes);
    recording.Finish();
    EXPECT_EQ(service.LiveBuffers(), 0u);
    return {std::move(answers), recording.ScenarioText()};
}

std::shared_ptr<const Scenario> Load(std::string_view json, std::string_view name) {
    LoadResult r = LoadScenarioText(json, name);
    EXPECT_TRUE(r) << r.message << "\n" << json.substr(0, 4000);
    return r.scenario;
}

// Records, replays the recording, and records the replay again.
void ExpectRoundTrip(std::string_view json, std::string_view name, int passes) {
    SCOPED_TRACE(std::string(name));
    auto [original, file] = Record(Load(json, name), passes);
    auto replayed = Load(file, "recording.json");
    ASSERT_TRUE(replayed);
    auto [again, file2] = Record(replayed, passes);
    ASSERT_EQ(again.size(), original.size());
    for (size_t k = 0; k < original.size(); ++k)
        ASSERT_EQ(again[k], original[k]) << "answer " << k << " (" << original[k].call << ") differs; recording:\n" << file;
    // A replay recorded again gives the same answers, and here even the same file.
    EXPECT_EQ(file2, file);
}

// Values that walk and follow lists, entities that come and go and change
// places, faults of every call, elements, odd SSIDs, statistics, a scan cache.
constexpr char kBusy[] = R"({
  "seed": 5,
  "interfaces": [
    {"description": "Left", "state": [1, 1, 4, 1], "phy_types": [4, 7, 8],
     "statistics": {"four_way_handshake_failures": 3, "unicast": [1,2,3,4,5,6,7,8,9,10,11,12],
                    "multicast": [0,0,0,0,0,0,0,0,0,0,0,99],
                    "phys": [[1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,2], [0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,7]]},
     "networks": [
       {"ssid": "HomeNet", "profile": "HomeNet", "quality": {"walk": [40, 90], "step": 6}, "bssids": [1, 2, 2, 1],
        "flags": 3, "phy_types": [7, 8]},
       {"ssid_hex": "00ff41", "ssid_length": 2, "quality": [10, 20, 30], "present": [true, false, true, true, false],
        "connectable": false, "reason": -5, "security": false, "auth": 1, "cipher": 0, "more_phy_types": true},
       {"ssid": "Café ☕", "bss_type": 2, "quality": 77}
     ],
     "bss": [
       {"bssid": "00:11:22:33:44:55", "ssid": "HomeNet", "rssi": {"walk": [-90, -40], "step": 7},
        "link_quality": [50, 60, 70], "present": [true, true, false],
        "ies": [{"id": 0, "hex": "486f6d654e6574"}, {"ext": 35, "hex": "01 02 03"}], "timestamp": 123456789,
        "host_timestamp": 18446744073709551615, "frequency_khz": 5180000, "capability": 1041, "phy_id": 1},
       {"bssid": "00:11:22:33:44:66", "ssid": "HomeNet", "rssi": -70, "rates": [12, 24, 48], "beacon_period": 200,
        "in_reg_domain": false, "phy_type": 8, "bss_type": 2},
       {"bssid": "00:11:22:33:44:55", "ssid": "HomeNet", "rssi": -55, "present": [false, false, true],
        "ies": "dd0400904c04", "timestamp": 99}
     ]},
    {"guid": "{01234567-89ab-cdef-0123-456789abcdef}", "description": "Right", "present": [false, true, true, false, true],
     "scan_cache": true,
     "networks": [{"ssid": "Cached", "quality": [5, 15, 25, 35, 45, 55]}],
     "bss": [{"bssid": "aa:bb:cc:dd:ee:ff", "ssid_hex": "", "rssi": [-80, -75, -70, -65, -60, -55, -50]}]},
    {"guid": "{00000000-0000-0000-0000-0000000000aa}", "description": "Counting", "present": [true, true, true, false],
     "statistics": {"four_way_handshake_failures": 1}, "networks": [{"ssid": "N", "quality": [1, 2, 3, 4, 5]}]},
    {"guid": "{00000000-0000-0000-0000-0000000000aa}", "description": "Counting", "present": [false, false, false, true],
     "statistics": {"four_way_handshake_failures": 2}, "networks": [{"ssid": "N", "quality": [1, 2, 3, 4, 5]}]}
  ],
  "faults": [
    {"call": "WlanEnumInterfaces", "epochs": [4], "result": 1062},
    {"call": "WlanGetInterfaceCapability", "interface": 0, "epochs": {"from": 6, "to": 7}, "result": 50},
    {"call": "WlanGetAvailableNetworkList", "interface": 1, "epochs": [5], "result": 2150899714},
    {"call": "WlanGetNetworkBssList", "epochs": {"from": 9}, "result": 21},
    {"call": "WlanQueryInterface", "interface": 0, "epochs": [6], "result": 5},
    {"call": "WlanScan", "interface": 1, "epochs": [2, 3], "result": 5}
  ]
})";

TEST(SurveyRecording, ReplaysEveryAnswerOfABusyScenario) {
    for (int passes : {1, 2, 12}) ExpectRoundTrip(kBusy, "busy.json", passes);
}

TEST(SurveyRecording, ReplaysTheExampleScenarios) {
    // VELLUMAR_SCENARIO_DIR names another folder of scenarios to try.
    const char* other = std::getenv("VELLUMAR_SCENARIO_DIR");
    const std::filesystem::path dir = other ? other : std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".json") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ExpectRoundTrip(text.str(), entry.path().filename().string(), 40);
        ++files;
    }
    EXPECT_GE(files, 4);
}

TEST(SurveyRecording, FileGrowsWithChangeNotWithTime) {
    // Still values and still entities: a long recording is the same file as a short one.
    constexpr char kStill[] = R"({"interfaces": [{"networks": [{"ssid": "A", "quality": 60}],
        "bss": [{"bssid": "00:00:00:00:00:01", "ssid": "A", "rssi": -50}]}],
        "faults": [{"call": "WlanGetNetworkBssList", "epochs": {"from": 3}, "result": 50}]})";
    const std::string shortFile = Record(Load(kStill, "still.json"), 5).second;
    EXPECT_EQ(Record(Load(kStill, "still.json"), 2000).second, shortFile);
    // A value that changes once costs a list up to that change, and then no more.
    constexpr char kOnce[] = R"({"interfaces": [{"networks": [{"ssid": "A", "quality": [60, 60, 60, 70]}]}]})";
    const std::string once = Record(Load(kOnce, "once.json"), 2000).second;
    EXPECT_NE(once.find("\"quality\": [60, 60, 60, 70]"), std::string::npos) << once;
}

TEST(SurveyRecording, StartsWithTheNextPassAndKeepsThePassOwnAnswer) {
    SimulatedWlan service(Load(R"({"interfaces": [{"networks": [{"ssid": "A", "quality": [10, 20, 30]}]}]})", "a.json"));
    RecordingWlan recorder(service);
    Handle handle = nullptr;
    uint32_t negotiated = 0;
    ASSERT_EQ(recorder.WlanOpenHandle(kClientVersion, nullptr, &negotiated, &handle), 0u);
    auto pass = [&] {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(recorder);
        ASSERT_EQ(recorder.WlanEnumInterfaces(handle, nullptr, list.out()), 0u);
        WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> nets(recorder);
        ASSERT_EQ(recorder.WlanGetAvailableNetworkList(handle, &list->InterfaceInfo[0].InterfaceGuid, 0, nullptr,
                                                       nets.out()), 0u);
    };
    pass();  // before the recording: quality 10
    SurveyRecording recording;
    recorder.Attach(&recording);
    pass();
    pass();
    EXPECT_EQ(recording.Passes(), 2u);
    recording.Finish();
    const std::string text = recording.ScenarioText();
    EXPECT_NE(text.find("\"quality\": [20, 30]"), std::string::npos) << text;
    recorder.WlanCloseHandle(handle, nullptr);
}

TEST(SurveyRecording, ObservedValuesByEpoch) {
    struct Case {
        std::vector<std::pair<uint32_t, uint32_t>> seen;
        std::vector<uint32_t> byEpoch;
    };
    const Case cases[] = {
        {{{1, 5}}, {}},                                   // one value: a constant, no list
        {{{1, 5}, {2, 5}, {3, 6}}, {5, 5, 6}},            // a repeat is no change
        {{{4, 5}, {6, 7}}, {5, 5, 5, 5, 5, 7}},           // before its first sight the first value stands
        {{{2, 1}, {3, 2}, {9, 2}, {10, 1}}, {1, 1, 2, 2, 2, 2, 2, 2, 2, 1}},
    };
    for (const Case& c : cases) {
        Observed<uint32_t> v;
        for (auto [epoch, value] : c.seen) v.At(epoch, value);
        EXPECT_EQ(v.Constant() ? std::vector<uint32_t>{} : v.ByEpoch(), c.byEpoch);
    }
}

TEST(SurveyRecording, AReplayEndsAtItsLastChange) {
    struct Case {
        const char* json;
        std::optional<uint64_t> last;
    };
    const Case cases[] = {
        {R"({"interfaces": [{"networks": [{"quality": 5}]}]})", 1},
        {R"({"interfaces": [{"networks": [{"quality": [1, 2, 3, 4]}]}]})", 4},
        {R"({"interfaces": [{"bss": [{"bssid": "00:00:00:00:00:01", "present": [true, true, true, true, true, false]}]}]})", 6},
        {R"({"interfaces": [], "faults": [{"call": "WlanScan", "epochs": [9, 2], "result": 5}]})", 10},
        {R"({"interfaces": [], "faults": [{"call": "WlanScan", "epochs": {"from": 3, "to": 7}, "result": 5}]})", 8},
        {R"({"interfaces": [], "faults": [{"call": "WlanScan", "epochs": {"from": 3}, "result": 5}]})", 3},
        {R"({"interfaces": [{"state": {"walk": [0, 5]}}]})", std::nullopt},
        {R"({"interfaces": [{"scan_cache": true}]})", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(LastChangeEpoch(*Load(c.json, "case.json")), c.last) << c.json;
}

}  // namespace
