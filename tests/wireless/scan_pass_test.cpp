#include "wireless/scan_pass.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "scan_harness.h"
#include "survey/scan_chart.h"
#include "survey/strip_chart.h"
#include "wireless/list_image.h"

namespace {

using namespace scantest;
using Rows = std::vector<ReportRow>;

std::string ScenarioPath(const char* name) { return std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/" + name; }

// One adapter; its networks and access points change between the first passes.
constexpr std::string_view kOneAdapter = R"({"interfaces": [{
  "description": "Laptop Wireless", "phy_types": [5, 6, 7],
  "networks": [
    {"ssid": "Alpha", "quality": [80, 76]},
    {"ssid": "Beta", "profile": "Beta", "quality": 60},
    {"ssid": "Gamma", "connectable": false},
    {"ssid": "Delta", "quality": 50, "auth": 1, "cipher": 0, "present": [true, false]},
    {"ssid_hex": "", "quality": 52, "auth": 2, "cipher": 1},
    {"ssid_hex": "0041", "quality": 100, "auth": 99, "cipher": 3}
  ],
  "bss": [
    {"bssid": "00:1a:2b:3c:4d:5e", "ssid": "Alpha", "frequency_khz": 2437000, "rssi": -67},
    {"bssid": "00:1a:2b:3c:4d:5f", "frequency_khz": 5180000, "rssi": [-80, -81], "present": [true, false, true]}
  ]}]})";

// The list pictures by name, as the rows carry them.
constexpr int kAdapter = ImageIndex(ListImage::Adapter), kNet = ImageIndex(ListImage::Network),
              kAp = ImageIndex(ListImage::AccessPoint);
constexpr int G = ImageIndex(ListImage::GreenShield), O = ImageIndex(ListImage::OrangeShield),
              R = ImageIndex(ListImage::RedShield);
constexpr int S3 = ImageIndex(ListImage::Signal3), S2 = ImageIndex(ListImage::Signal2),
              S1 = ImageIndex(ListImage::Signal1);

ReportRow Adapter(std::string caption, std::string state, std::string phys, intptr_t data) {
    return {std::move(caption), {std::move(state), std::move(phys)}, kAdapter, {}, data};
}
// Entries without information elements: the vendor comes from the address alone.
ReportRow Ap(std::string mac, std::string ssid, std::string channel, std::string rssi, intptr_t data,
             std::string vendor = "Ayecom Technology Co., Ltd.") {
    return {std::move(mac), {std::move(ssid), std::move(channel), std::move(rssi), std::move(vendor), "", ""}, kAp, {}, data};
}

TEST(ScanPass, ListsTextsImagesAndRowDataAfterEachPass) {
    Harness h(kOneAdapter);
    h.Tick();
    EXPECT_EQ(h.adapters.rows, Rows{Adapter("Laptop Wireless", "Connected", "b/g/n", 0)});
    // Entries with a profile or not connectable are skipped but still count in the row data.
    const Rows firstNetworks{
        {"Alpha", {"80% / -60dBm", "RSNA-PSK", "CCMP"}, kNet, {S3, G, G}, 0},
        {"Delta", {"50% / -75dBm", "802.11 Open", "None"}, kNet, {S1, R, R}, 3},
        {"<Hidden SSID>", {"52% / -74dBm", "802.11 Shared Key", "WEP-40"}, kNet, {S2, O, O}, 4},
        {"<Hidden SSID>", {"100% / -50dBm", "Unknown", ""}, kNet, {S3, R, R}, 5},
    };
    EXPECT_EQ(h.networks.rows, firstNetworks);
    EXPECT_EQ(h.accessPoints.rows, (Rows{Ap("00:1A:2B:3C:4D:5E", "Alpha", "6 (2.437 GHz)", "-67 dBm", 0),
                                         Ap("00:1A:2B:3C:4D:5F", "<Hidden SSID>", "36 (5.180 GHz)", "-80 dBm", 1)}));
    EXPECT_EQ(h.chart.events, (std::vector<std::string>{"P0", "A Alpha 80", "A Delta 50", "A <Hidden SSID> 52",
                                                        "A <Hidden SSID> 100",
                                                        "B Alpha|Delta|<Hidden SSID>|<Hidden SSID>", "C"}));
    EXPECT_EQ(h.LogLines(), (std::vector<std::string>{"Info: New AP found : 00:1A:2B:3C:4D:5E (for :Alpha)",
                                                       "Info: New AP found : 00:1A:2B:3C:4D:5F (for :<Hidden SSID>)"}));
    EXPECT_TRUE(h.state.scanIdle);
    EXPECT_TRUE(h.messages.shown.empty());

    // Delta and the second access point are gone: later entries move up, the lists shrink.
    h.chart.events.clear();
    h.Tick();
    Rows second{{"Alpha", {"76% / -62dBm", "RSNA-PSK", "CCMP"}, kNet, {S3, G, G}, 0}, firstNetworks[2], firstNetworks[3]};
    second[1].data = 3;
    second[2].data = 4;
    EXPECT_EQ(h.networks.rows, second);
    EXPECT_EQ(h.accessPoints.rows, (Rows{Ap("00:1A:2B:3C:4D:5E", "Alpha", "6 (2.437 GHz)", "-67 dBm", 0)}));
    EXPECT_EQ(h.adapters.rows.size(), 1u);
    EXPECT_EQ(h.chart.events.front(), "P0");
    EXPECT_EQ(h.chart.events.back(), "C");

    // The access point is back: listed again, not logged again.
    h.Tick();
    EXPECT_EQ(h.accessPoints.rows.size(), 2u);
    EXPECT_EQ(h.LogLines().size(), 2u);
}

// A list that records what is done to it.
class OpList : public VectorReportList {
public:
    void AppendRow() override { ops.push_back("append"); VectorReportList::AppendRow(); }
    void SetRow(int row, const ReportRow& content) override {
        ops.push_back("set " + std::to_string(row));
        VectorReportList::SetRow(row, content);
    }
    void DeleteLastRow() override { ops.push_back("delete"); VectorReportList::DeleteLastRow(); }
    void Clear() override { ops.push_back("clear"); VectorReportList::Clear(); }
    std::vector<std::string> ops;
};

TEST(ScanPass, RowsAreRewrittenInPlaceAppendedOneAtATimeAndTrimmedFromTheEnd) {
    Harness h(R"({"interfaces": [{"networks": [
        {"ssid": "A", "present": [true, true, true, false]},
        {"ssid": "B", "present": [false, true, true, true]},
        {"ssid": "C", "present": [false, true, true, false]}]}]})");
    OpList networks;
    ScanLists lists{h.adapters, networks, h.accessPoints};
    std::vector<std::vector<std::string>> opsByPass;
    for (int pass = 0; pass < 4; ++pass) {
        networks.ops.clear();
        ScanTimerTick(h.state, lists, h.chart, h.messages, h.Log());
        opsByPass.push_back(networks.ops);
    }
    EXPECT_EQ(opsByPass, (std::vector<std::vector<std::string>>{
                             {"append", "set 0"},
                             {"set 0", "append", "set 1", "append", "set 2"},
                             {"set 0", "set 1", "set 2"},
                             {"set 0", "delete", "delete"},
                         }));
    EXPECT_EQ(networks.rows[0].caption, "B");  // another network moved into row 0, the row stayed
}

// The error table: a pass that fills the lists, then a second pass that fails.
struct FailureCase {
    const char* name;
    const char* fault;  // the Fault object, in epoch 2
    const char* state;  // the interface's state by epoch
    std::vector<std::string> log;
    std::vector<std::string> boxes;
    bool networksKept;
    bool idle;
    std::vector<std::string> chart;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ScanPassFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ScanPassFailure, LogsShowsClearsAndEndsThePass) {
    const FailureCase& c = GetParam();
    Harness h(std::string(R"({"interfaces": [{"description": "Laptop Wireless", "state": )") + c.state +
              R"(, "networks": [{"ssid": "Alpha"}], "bss": [{"bssid": "00:00:00:00:00:01"}]}],
                 "faults": [)" + c.fault + "]}");
    h.Tick();
    ASSERT_EQ(h.networks.rows.size(), 1u);
    const size_t before = h.log->Count();
    h.chart.events.clear();
    h.Tick();

    EXPECT_EQ(h.log->LinesSince(before), c.log);
    EXPECT_EQ(h.messages.Texts(), c.boxes);
    for (const ShownBox& box : h.messages.shown) {
        EXPECT_EQ(box.logLines, h.log->Count()) << "the log line comes before the box";
        EXPECT_EQ(box.networkRows, 1) << "the lists are cleared after the box";
        EXPECT_EQ(box.apRows, 1);
    }
    EXPECT_EQ(h.networks.rows.size(), c.networksKept ? 1u : 0u);
    EXPECT_TRUE(h.accessPoints.rows.empty());
    ASSERT_EQ(h.adapters.rows.size(), 1u) << "the adapter list is never cleared";
    EXPECT_EQ(h.adapters.rows[0].caption, "Laptop Wireless");
    EXPECT_EQ(h.state.scanIdle, c.idle);
    EXPECT_EQ(h.chart.events, c.chart);
}

const std::vector<std::string> kNone;
const std::vector<std::string> kListed{"P0", "A Alpha 50", "B Alpha"};

INSTANTIATE_TEST_SUITE_P(
    ErrorTable, ScanPassFailure,
    ::testing::Values(
        FailureCase{"Enumeration", R"({"call": "WlanEnumInterfaces", "epochs": [2], "result": 2147500037})", "1",
                    {"Error: Error WlanEnumInterfaces (2147500037)"}, {"Error WlanEnumInterfaces (2147500037)"}, false,
                    false, {}},
        FailureCase{"CapabilityNotSupported",
                    R"({"call": "WlanGetInterfaceCapability", "interface": 0, "epochs": [2], "result": 50})", "1",
                    {"Verbose: WlanGetInterfaceCapability failed - Not supported command. Likely radio switched off"},
                    {}, false, true, {"P0"}},
        FailureCase{"Capability", R"({"call": "WlanGetInterfaceCapability", "epochs": [2], "result": 5})", "1",
                    {"Error: Error WlanGetInterfaceCapability (5)"}, {"Error WlanGetInterfaceCapability (5)"}, false,
                    true, {"P0"}},
        FailureCase{"NetworksRadioOff",
                    R"({"call": "WlanGetAvailableNetworkList", "epochs": [2], "result": 2150899714})", "1", {}, {},
                    false, true, {"P0"}},
        FailureCase{"Networks", R"({"call": "WlanGetAvailableNetworkList", "epochs": [2], "result": 1167})", "1",
                    {"Error: Error WlanGetAvailableNetworkList (1167)", "Verbose: Laptop Wireless / Connected"},
                    {"Error WlanGetAvailableNetworkList (1167)"}, false, true, {"P0"}},
        FailureCase{"NetworksDisconnecting",
                    R"({"call": "WlanGetAvailableNetworkList", "epochs": [2], "result": 1167})", "[1, 3]",
                    {"Error: Error WlanGetAvailableNetworkList (1167)", "Verbose: Laptop Wireless / Disconnecting"},
                    {}, false, true, {"P0"}},
        FailureCase{"NetworksDisconnected",
                    R"({"call": "WlanGetAvailableNetworkList", "epochs": [2], "result": 1167})", "[1, 4]",
                    {"Error: Error WlanGetAvailableNetworkList (1167)", "Verbose: Laptop Wireless / Disconnected"},
                    {}, false, true, {"P0"}},
        FailureCase{"Bss", R"({"call": "WlanGetNetworkBssList", "epochs": [2], "result": 4294967295})", "1",
                    {"Error: Error WlanGetNetworkBssList (4294967295)"}, {"Error WlanGetNetworkBssList (4294967295)"},
                    true, true, kListed}),
    [](const auto& param) { return std::string(param.param.name); });

// The window reads the code that ended a pass (access denied shows the location notice).
TEST(ScanPass, ResultNamesTheCodeThatEndedThePass) {
    struct Case {
        const char* fault;
        uint32_t result;
    };
    const Case cases[] = {
        {"", 0},
        {R"({"call": "WlanGetNetworkBssList", "result": 5})", 5},
        {R"({"call": "WlanGetAvailableNetworkList", "result": 5})", 5},
        {R"({"call": "WlanGetAvailableNetworkList", "result": 2150899714})", 2150899714},
        {R"({"call": "WlanGetInterfaceCapability", "result": 50})", 50},
        {R"({"call": "WlanEnumInterfaces", "result": 1234})", 1234},
    };
    for (const Case& c : cases) {
        Harness h(std::string(R"({"interfaces": [{"networks": [{"ssid": "A"}]}], "faults": [)") + c.fault + "]}");
        EXPECT_EQ(h.Tick(), std::optional<uint32_t>(c.result)) << c.fault;
    }
    Harness busy(R"({"interfaces": []})");
    busy.state.scanIdle = false;  // a pass is running: the tick does nothing
    EXPECT_EQ(busy.Tick(), std::nullopt);
}

TEST(ScanPass, FailedEnumerationStopsScanningForTheRun) {
    Harness h(R"({"interfaces": [{"networks": [{"ssid": "Alpha"}]}],
                  "faults": [{"call": "WlanEnumInterfaces", "epochs": [2], "result": 5}]})");
    h.Tick();
    h.Tick();
    ASSERT_EQ(h.messages.Texts(), std::vector<std::string>{"Error WlanEnumInterfaces (5)"});
    const uint64_t epoch = h.api.Epoch();
    for (int k = 0; k < 3; ++k) h.Tick();
    EXPECT_EQ(h.api.Epoch(), epoch) << "no later tick asks the service";
    EXPECT_EQ(h.messages.shown.size(), 1u);
    EXPECT_FALSE(h.state.scanIdle);
    EXPECT_EQ(h.adapters.rows.size(), 1u);
}

TEST(ScanPass, TicksDuringAPassDoNothingAndTheFlagComesBackAfterward) {
    Harness h(R"({"interfaces": [{"networks": [{"ssid": "Alpha"}]}],
                  "faults": [{"call": "WlanGetInterfaceCapability", "epochs": [1], "result": 5}]})");
    h.state.scanIdle = false;  // before start-up opened the handle
    h.Tick();
    EXPECT_EQ(h.api.Epoch(), 0u);
    h.state.scanIdle = true;

    int nestedTicks = 0;
    h.messages.whileShown = [&] {
        EXPECT_FALSE(h.state.scanIdle);
        h.Tick();  // the box's message loop delivers timer ticks
        h.Tick();
        nestedTicks += 2;
    };
    h.Tick();
    EXPECT_EQ(nestedTicks, 2);
    EXPECT_EQ(h.api.Epoch(), 1u) << "no pass started inside the box";
    EXPECT_EQ(h.messages.shown.size(), 1u);
    EXPECT_TRUE(h.state.scanIdle);

    h.Tick();  // the next tick scans again
    EXPECT_EQ(h.api.Epoch(), 2u);
    EXPECT_EQ(h.networks.rows.size(), 1u);
    EXPECT_EQ(h.chart.events.back(), "C");
}

TEST(ScanPass, NoInterfaceChangesNoRowAndCompletesThePass) {
    Harness h(R"({"interfaces": [{"networks": [{"ssid": "Alpha"}], "bss": [{"bssid": "00:00:00:00:00:01"}],
                                  "present": [true, false]}]})");
    h.Tick();
    const Rows adapters = h.adapters.rows, networks = h.networks.rows, aps = h.accessPoints.rows;
    h.chart.events.clear();
    h.Tick();
    EXPECT_EQ(h.chart.events, (std::vector<std::string>{"P0", "C"}));
    EXPECT_EQ(h.adapters.rows, adapters);
    EXPECT_EQ(h.networks.rows, networks);
    EXPECT_EQ(h.accessPoints.rows, aps);
    EXPECT_TRUE(h.state.scanIdle);
}

constexpr std::string_view kTwoAdapters = R"({"interfaces": [
  {"description": "First", "state": 4, "phy_types": [4, 8],
   "networks": [{"ssid": "OnlyFirst", "quality": 90}, {"ssid": "Shared", "quality": 40}],
   "bss": [{"bssid": "aa:bb:cc:00:00:01", "ssid": "Shared", "present": [true, false, true]},
           {"bssid": "AA:BB:CC:00:00:02", "ssid": "OnlyFirst"}]},
  {"description": "Second", "networks": [{"ssid": "SHARED", "quality": 60}, {"ssid": "Other", "quality": 70}],
   "bss": [{"bssid": "AA:BB:CC:00:00:01", "ssid": "SHARED", "frequency_khz": 2412000, "rssi": -50}]}]})";

TEST(ScanPass, TwoInterfacesLeaveTheSecondsRowsAndOneAdapterRowEach) {
    Harness h(kTwoAdapters);
    h.Tick();
    EXPECT_EQ(h.adapters.rows, (Rows{Adapter("First", "Disconnected", "a/ac", 0), Adapter("Second", "Connected", "b/g/n", 1)}));
    EXPECT_EQ(h.networks.rows, (Rows{{"SHARED", {"60% / -70dBm", "RSNA-PSK", "CCMP"}, kNet, {S2, G, G}, 100},
                                     {"Other", {"70% / -65dBm", "RSNA-PSK", "CCMP"}, kNet, {S2, G, G}, 101}}));
    EXPECT_EQ(h.accessPoints.rows, (Rows{Ap("AA:BB:CC:00:00:01", "SHARED", "1 (2.412 GHz)", "-50 dBm", 0, "(random)")}));
    EXPECT_EQ(h.chart.events, (std::vector<std::string>{"P0", "A OnlyFirst 90", "A Shared 40", "B OnlyFirst|Shared",
                                                        "A SHARED 60", "A Other 70", "B SHARED|Other", "C"}));
    // bssList is the last interface's, which the access-point rows index into.
    ASSERT_EQ(BssEntries(h.state.bssList.get()).size(), 1u);
    EXPECT_EQ(BssEntries(h.state.bssList.get())[0].lRssi, -50);

    // Each access point is logged once per run, across interfaces and absences.
    h.Tick();
    h.Tick();
    EXPECT_EQ(h.LogLines(), (std::vector<std::string>{"Info: New AP found : AA:BB:CC:00:00:01 (for :Shared)",
                                                       "Info: New AP found : AA:BB:CC:00:00:02 (for :OnlyFirst)"}));
}

TEST(ScanPass, NamesThatDifferInCaseShareOneChartLineAndOneLogLine) {
    Harness h(kTwoAdapters);
    TStripChart strip;
    strip.SetSize(505, 145);
    TNetworkChart networks(strip, h.Log(), 7);
    StripScanChart chart(strip, networks);
    for (int pass = 0; pass < 3; ++pass) ScanTimerTick(h.state, h.lists, chart, h.messages, h.Log());

    ASSERT_EQ(strip.LineCount(), 3);
    EXPECT_EQ(strip.Line(0).Name, "OnlyFirst");
    EXPECT_EQ(strip.Line(1).Name, "Shared");
    EXPECT_EQ(strip.Line(2).Name, "Other");
    // The second interface does not list OnlyFirst: down to 0 in the same pass.
    EXPECT_EQ(strip.Line(0).Position, 0);
    EXPECT_EQ(strip.Line(1).Position, 60);
    EXPECT_EQ(strip.Line(2).Position, 70);
    int found = 0;
    for (const std::string& line : h.LogLines()) found += line.starts_with("Info: New network found : ");
    EXPECT_EQ(found, 3);
    const auto lines = h.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Info: New network found : Shared"), lines.end());
}

TEST(KnownAccessPoints, AFullSetAddsNoMoreAndSaysSoOnce) {
    KnownAccessPoints known;
    for (size_t i = 0; i < KnownAccessPoints::kMaxCount; ++i) ASSERT_TRUE(known.Add("ap-" + std::to_string(i)));
    EXPECT_FALSE(known.TakeFullNotice());
    EXPECT_FALSE(known.Add("AP-7"));  // known already: not a sign of a full set
    EXPECT_FALSE(known.TakeFullNotice());
    EXPECT_FALSE(known.Add("one-too-many"));
    EXPECT_TRUE(known.TakeFullNotice());
    EXPECT_FALSE(known.Add("yet-another"));
    EXPECT_FALSE(known.TakeFullNotice());
    EXPECT_EQ(known.Count(), KnownAccessPoints::kMaxCount);
    EXPECT_TRUE(known.Contains("ap-65535"));
}

TEST(NetworkRowData, EncodesEveryEntryWithoutAmbiguity) {
    struct Case { uint32_t i, j; intptr_t data; };
    for (const Case& c : {Case{0, 7, 7}, Case{2, 5, 205}, Case{1, 99, 199}, Case{0, 0, 0}}) {
        EXPECT_EQ(NetworkRowData(c.i, c.j), c.data);
        EXPECT_EQ(DecodeNetworkRowData(c.data), (NetworkRowRef{c.i, c.j}));
    }
    for (const auto& [i, j] : {std::pair<uint32_t, uint32_t>{1, 105}, {0, 100}, {2, 65535}, {300, 1000}}) {
        const intptr_t data = NetworkRowData(i, j);
        EXPECT_LT(data, 0);
        EXPECT_EQ(DecodeNetworkRowData(data), (NetworkRowRef{i, j})) << i << " " << j;
    }
    EXPECT_NE(DecodeNetworkRowData(NetworkRowData(1, 105)), (NetworkRowRef{2, 5}));
    // Beyond what the codes hold, and codes that no row carries.
    EXPECT_EQ(NetworkRowData(0, 70000), kNoNetworkRow);
    EXPECT_EQ(NetworkRowData(30000000, 1), kNoNetworkRow);
    for (intptr_t data : {kNoNetworkRow, intptr_t{-1}, intptr_t{-1 - 5}, intptr_t{-1 - (1 << 16 | 99)}})
        EXPECT_EQ(DecodeNetworkRowData(data), std::nullopt) << data;
}

std::string ManyNetworks(int count) {
    std::string json = R"({"interfaces": [{"networks": [{"ssid": "x"}]}, {"networks": [)";
    for (int k = 0; k < count; ++k) json += (k ? "," : "") + ("{\"ssid\": \"N" + std::to_string(k) + "\"}");
    return json + "]}]}";
}

TEST(ScanPass, EntriesFromIndex100OnKeepTheirOwnInterfaceAndEntry) {
    Harness h(ManyNetworks(106));
    h.Tick();
    ASSERT_EQ(h.networks.rows.size(), 106u);
    for (size_t row = 0; row < h.networks.rows.size(); ++row) {
        const auto ref = DecodeNetworkRowData(h.networks.rows[row].data);
        ASSERT_TRUE(ref) << row;
        EXPECT_EQ(*ref, (NetworkRowRef{1, static_cast<uint32_t>(row)}));
    }
}

TEST(ScanPass, AccessPointRowsNameVendorStandardAndWidth) {
    Harness h(R"({"interfaces": [{"bss": [
        {"bssid": "3C:84:6A:00:00:01", "frequency_khz": 6135000,
         "ies": [{"ext": 35, "hex": "00"}, {"ext": 36, "hex": "040002 2a fcff 25 03 27 2f 06"}]},
        {"bssid": "3E:84:6A:00:00:01", "frequency_khz": 5180000,
         "ies": "2d00 3d16 24 05 0000000000000000000000000000000000000000 bf00 c005 01 2a 00 faff"},
        {"bssid": "08:00:00:00:00:01", "frequency_khz": 2412000, "ies": "01 04 82848b96"},
        {"bssid": "12:34:56:78:9A:BC", "frequency_khz": 2412000, "ies": "2d 00"}]}]})");
    h.Tick();
    std::vector<std::vector<std::string>> cells;
    for (const ReportRow& row : h.accessPoints.rows)
        cells.emplace_back(row.subItems.begin() + 3, row.subItems.end());
    EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"TP-LINK TECHNOLOGIES CO.,LTD.", "Wi-Fi 6E", "160 MHz"},
                                                            {"(locally administered)", "Wi-Fi 5", "80 MHz"},
                                                            {"", "802.11b", ""},
                                                            {"(random)", "Wi-Fi 4", ""}}));  // no operation element
}

TEST(ScanPass, ShippedScenariosScanWithoutErrors) {
    Harness demo(wlan::sim::LoadScenarioFile(ScenarioPath("demo.json")).scenario);
    for (int pass = 0; pass < 5; ++pass) demo.Tick();
    EXPECT_TRUE(demo.messages.shown.empty());
    EXPECT_GE(demo.adapters.rows.size(), 1u);
    EXPECT_FALSE(demo.networks.rows.empty());
    EXPECT_FALSE(demo.accessPoints.rows.empty());
    EXPECT_EQ(std::count(demo.chart.events.begin(), demo.chart.events.end(), "C"), 5);
    // A newcomer sees every generation and width the access-point list can show.
    std::set<std::string> standards, widths;
    for (const ReportRow& row : demo.accessPoints.rows) {
        standards.insert(row.subItems.at(4));
        widths.insert(row.subItems.at(5));
    }
    for (const char* s : {"802.11b", "802.11g", "Wi-Fi 4", "Wi-Fi 5", "Wi-Fi 6", "Wi-Fi 6E", "Wi-Fi 7"})
        EXPECT_TRUE(standards.contains(s)) << s;
    EXPECT_EQ(widths, (std::set<std::string>{"", "20 MHz", "40 MHz", "80 MHz", "160 MHz", "320 MHz"}));
}

TEST(ScanPass, RadioSwitchedOffLogsOnceATickAndRecovers) {
    Harness h(wlan::sim::LoadScenarioFile(ScenarioPath("radio-off.json")).scenario);
    const std::string off = "Verbose: WlanGetInterfaceCapability failed - Not supported command. Likely radio switched off";
    for (int pass = 1; pass <= 6; ++pass) {
        const size_t before = h.log->Count();
        h.chart.events.clear();
        h.Tick();
        const bool radioOff = pass >= 3 && pass <= 5;
        EXPECT_EQ(h.log->LinesSince(before) == std::vector<std::string>{off}, radioOff) << pass;
        EXPECT_EQ(h.networks.rows.empty(), radioOff) << pass;
        EXPECT_EQ(h.accessPoints.rows.empty(), radioOff) << pass;
        EXPECT_EQ(h.chart.events.back() == "C", !radioOff) << pass;
        EXPECT_TRUE(h.state.scanIdle);
    }
    EXPECT_TRUE(h.messages.shown.empty());
}

// Every buffer the service hands out goes back, also on the error paths: only
// interfaceList and bssList stay, until they are replaced.
TEST(ScanPass, TenThousandPassesKeepOnlyTheLastTwoLists) {
    Harness h(R"({"interfaces": [
        {"networks": [{"ssid": "A"}, {"ssid": "B", "present": [true, false]}], "bss": [{"bssid": "00:00:00:00:00:01"}]},
        {"networks": [{"ssid": "C"}], "bss": [{"bssid": "00:00:00:00:00:02"}, {"bssid": "00:00:00:00:00:03"}]}],
      "faults": [
        {"call": "WlanGetInterfaceCapability", "interface": 1, "epochs": [3, 50, 51], "result": 50},
        {"call": "WlanGetAvailableNetworkList", "interface": 0, "epochs": [7, 300], "result": 2150899714},
        {"call": "WlanGetNetworkBssList", "interface": 1, "epochs": [9, 9001], "result": 5}]})", false);
    for (int pass = 0; pass < 10000; ++pass) {
        h.Tick();
        ASSERT_EQ(h.api.LiveBuffers(), (h.state.interfaceList ? 1u : 0u) + (h.state.bssList ? 1u : 0u)) << pass;
    }
    EXPECT_EQ(h.api.LiveBuffers(), 2u);
    EXPECT_EQ(h.messages.shown.size(), 2u);
}

}  // namespace
