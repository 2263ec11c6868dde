#include "wireless/detail_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scan_harness.h"
#include "wireless/value_text.h"

namespace {

using namespace scantest;
using Strings = std::vector<std::string>;

// A main-window list as the commands see it.
class FixedList : public SelectableList {
public:
    FixedList(std::vector<intptr_t> rowData, int selectedRow) : data(std::move(rowData)), selected(selectedRow) {}
    int RowCount() const override { return static_cast<int>(data.size()); }
    int SelectedRow() const override { return selected; }
    void SelectRow(int row) override { selected = row; }
    intptr_t RowData(int row) const override { return data.at(static_cast<size_t>(row)); }
    std::vector<intptr_t> data;
    int selected;
};

struct StatsView : AdapterStatsView {
    void ShowStatistics(const AdapterStatsTables& tables) override { shown.push_back(tables); }
    std::vector<AdapterStatsTables> shown;
};
struct NetView : NetworkView {
    void ShowNetwork(const wlan::WLAN_AVAILABLE_NETWORK& network) override { shown.push_back(NetworkDetailRows(network)); }
    std::vector<DetailRows> shown;
};
struct ApView : AccessPointView {
    void ShowAccessPoint(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) override {
        if (whileShown) whileShown();  // the modal loop: passes go on behind the window
        shown.push_back(AccessPointDetailRows(entry, elements));
    }
    std::vector<DetailRows> shown;
    std::function<void()> whileShown;
};

std::string Counters(uint64_t first, int count) {
    std::string s = "[";
    for (int k = 0; k < count; ++k) s += (k ? ", " : "") + std::to_string(first + static_cast<uint64_t>(k));
    return s + "]";
}

// Adapters 0 connected (two PHYs, large counters), 1 disconnected, 2 with three
// PHY blocks for two PHY types, 3 with no PHY block and the networks and access points.
std::string Details(const std::string& faults = "") {
    return R"({"interfaces": [
      {"description": "Zero", "phy_types": [7, 8],
       "statistics": {"four_way_handshake_failures": 5000000000, "tkip_countermeasures_invoked": 2,
                      "unicast": )" + Counters(1, 12) + R"(, "multicast": )" + Counters(101, 12) + R"(,
                      "phys": [)" + Counters(1, 18) + ", " + Counters(4294967296, 18) + R"(]}},
      {"description": "Disconnected", "state": 4, "phy_types": [5, 6]},
      {"description": "Three", "phy_types": [5, 6], "statistics": {"phys": [)" +
           Counters(0, 18) + ", " + Counters(0, 18) + ", " + Counters(7, 18) + R"(]}},
      {"description": "NoPhys", "phy_types": [7], "statistics": {"phys": []},
       "networks": [
         {"ssid": "Alpha", "quality": 80},
         {"ssid": "Home", "profile": "Home", "connectable": false, "reason": -5, "bss_type": 2, "bssids": 3,
          "phy_types": [6, 7], "more_phy_types": true, "quality": 0, "auth": 1, "cipher": 0},
         {"ssid_hex": "", "quality": 100}],
       "bss": [
         {"bssid": "00:1a:2b:3c:4d:5e", "ssid": "HomeNet", "phy_id": 1, "phy_type": 7, "rssi": [-67, -70],
          "link_quality": 81, "in_reg_domain": false, "beacon_period": 100, "timestamp": 5000000000,
          "host_timestamp": 133000000000000000, "capability": 17, "frequency_khz": 2437000,
          "rates": [32770, 32772, 12, 108],
          "ies": [{"id": 0, "hex": "486f6d654e6574"}, {"id": 3, "hex": "06"}, {"id": 7, "hex": "444520 010d14"},
                  {"id": 11, "hex": "0c00 40 0000"}, {"id": 45, "hex": "ef011bffff000000000000000000000000000000000000000000"},
                  {"id": 61, "hex": "06 07 0000000000000000000000000000000000000000"},
                  {"id": 48, "hex": "0100 000fac04 0100 000fac04 0200 000fac08 000fac02 8c00"},
                  {"id": 54, "hex": "341201"}, {"ext": 35, "hex": "010203"}, {"ext": 36, "hex": "040000 2a fcff"},
                  {"id": 221, "hex": "0050f204 10"}]},
         {"bssid": "00:00:00:00:00:09"}]}],
     "faults": [)" + faults + "]}";
}

// After one pass, as the detail commands find the main window.
struct DetailHarness : Harness {
    explicit DetailHarness(const std::string& json) : Harness(json) { Tick(); }
    DetailContext context{state, messages, Log()};
    // The lines and boxes of one command.
    template <typename F>
    std::pair<Strings, Strings> Run(F command) {
        const size_t lines = log->Count(), boxes = messages.shown.size();
        command();
        const Strings texts = messages.Texts();
        return {log->LinesSince(lines), Strings(texts.begin() + static_cast<std::ptrdiff_t>(boxes), texts.end())};
    }
};

constexpr const char* kUnspecifiedError = "2147500037";  // 0x80004005, shown signed

// --- adapter statistics ---

TEST(MoreAdapterCommand, TheOnlyRowIsSelectedAndItsStatisticsShown) {
    DetailHarness h(Details());
    FixedList adapters({0}, -1);
    StatsView view;
    const auto [lines, boxes] = h.Run([&] { MoreAdapterCommand(h.context, adapters, view); });
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(adapters.selected, 0);
    ASSERT_EQ(view.shown.size(), 1u);
    const AdapterStatsTables& t = view.shown[0];
    EXPECT_EQ(t.general, (std::vector<Strings>{{"Four Way Handshake Failures", "5000000000"},
                                               {"TKIP Counter Measures Invoked", "2"}}));
    ASSERT_EQ(t.mac.size(), 12u);
    EXPECT_EQ(t.mac.front(), (Strings{"Transmitted Frame Count", "1", "101"}));
    EXPECT_EQ(t.mac[1], (Strings{"ReceivedFrameCount", "2", "102"}));
    EXPECT_EQ(t.mac.back(), (Strings{"Decrypt Failure Count", "12", "112"}));
    EXPECT_EQ(t.phyColumns, (Strings{"802.11n", "802.11ac"}));
    ASSERT_EQ(t.phy.size(), 18u);
    EXPECT_EQ(t.phy.front(), (Strings{"Transmitted Frame Count", "1", "4294967296"}));
    EXPECT_EQ(t.phy[9], (Strings{"ACK Failure Count", "10", "4294967305"}));
    EXPECT_EQ(t.phy.back(), (Strings{"FCS Error Count", "18", "4294967313"}));
}

struct AdapterCase {
    const char* name;
    std::string faults;
    std::vector<intptr_t> rows;
    int selected;
    Strings lines, boxes;
};
void PrintTo(const AdapterCase& c, std::ostream* os) { *os << c.name; }

class AdapterMessages : public ::testing::TestWithParam<AdapterCase> {};

TEST_P(AdapterMessages, ReportAndShowNothing) {
    const AdapterCase& c = GetParam();
    DetailHarness h(Details(c.faults));
    FixedList adapters(c.rows, c.selected);
    StatsView view;
    const size_t before = h.log->Count();
    const auto [lines, boxes] = h.Run([&] { MoreAdapterCommand(h.context, adapters, view); });
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(boxes, c.boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(h.messages.shown.back().logLines, before + 1) << "the line comes before the box";
    EXPECT_TRUE(view.shown.empty());
}

const Strings kNoAdapter{"Verbose: No network adapter selected"};
const Strings kSelectAdapter{"Please select a network adapter."};
const std::string kCapabilityFault =
    std::string(R"({"call": "WlanGetInterfaceCapability", "interface": 1, "epochs": [1], "result": )") +
    kUnspecifiedError + "}";

INSTANTIATE_TEST_SUITE_P(
    Failures, AdapterMessages,
    ::testing::Values(
        AdapterCase{"EmptyList", "", {}, -1, kNoAdapter, kSelectAdapter},
        AdapterCase{"NothingSelected", "", {0, 1}, -1, kNoAdapter, kSelectAdapter},
        AdapterCase{"InterfaceGone", "", {0, 1, 2, 3, 4}, 4, kNoAdapter, kSelectAdapter},
        AdapterCase{"NotConnected", "", {0, 1}, 1, {"Error: Selected Network Adapter is not connected"},
                    {"Please select a connected network adapter"}},
        // The capability query comes before the connected check.
        AdapterCase{"CapabilityFails", kCapabilityFault, {0, 1}, 1,
                    {"Error: Error WlanGetInterfaceCapability (-2147467259)"},
                    {"Error WlanGetInterfaceCapability (-2147467259)"}},
        AdapterCase{"StatisticsFail",
                    std::string(R"({"call": "WlanQueryInterface", "result": )") + kUnspecifiedError + "}",
                    {0, 1}, 0, {"Error: Error WlanQueryInterface (-2147467259)"},
                    {"Error WlanQueryInterface (-2147467259)"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(MoreAdapterCommand, PhyColumnsFollowTheStatisticsAndAreRebuiltPerAdapter) {
    DetailHarness h(Details());
    StatsView view;
    for (int adapter : {0, 2, 3}) {
        FixedList adapters({0, 1, 2, 3}, adapter);
        MoreAdapterCommand(h.context, adapters, view);
    }
    ASSERT_EQ(view.shown.size(), 3u);
    EXPECT_EQ(view.shown[0].phyColumns.size(), 2u);
    // Two PHY types, three PHY blocks: the columns cannot be named.
    EXPECT_EQ(view.shown[1].phyColumns, (Strings{"Unknown (PHY0)", "Unknown (PHY1)", "Unknown (PHY2)"}));
    EXPECT_EQ(view.shown[1].phy.back(), (Strings{"FCS Error Count", "17", "17", "24"}));
    // No PHY block: the caption column alone, with its eighteen captions.
    EXPECT_TRUE(view.shown[2].phyColumns.empty());
    ASSERT_EQ(view.shown[2].phy.size(), 18u);
    for (const Strings& row : view.shown[2].phy) EXPECT_EQ(row.size(), 1u);
}

// A statistics record that claims more PHY blocks than its buffer holds.
TEST(FormatAdapterStatistics, ReadsNoPhyBlockPastTheRecord) {
    std::vector<uint64_t> buffer(wlan::StatisticsSize(100) / sizeof(uint64_t) + 1);
    auto* stats = reinterpret_cast<wlan::WLAN_STATISTICS*>(buffer.data());
    wlan::WLAN_INTERFACE_CAPABILITY capability{};
    capability.dwNumberOfSupportedPhys = 1000;  // clamped to the 64 of the record
    for (auto& type : capability.dot11PhyTypes) type = 7;

    stats->dwNumberOfPhys = 1000;
    const auto two = FormatAdapterStatistics(*stats, static_cast<uint32_t>(wlan::StatisticsSize(2) + 100), capability);
    EXPECT_EQ(two.phyColumns, (Strings{"Unknown (PHY0)", "Unknown (PHY1)"}));
    EXPECT_EQ(two.phy[0].size(), 3u);

    stats->dwNumberOfPhys = 100;
    const auto many = FormatAdapterStatistics(*stats, static_cast<uint32_t>(wlan::StatisticsSize(100)), capability);
    EXPECT_EQ(many.phyColumns, Strings(64, "802.11n"));
    EXPECT_EQ(StatisticsPhyCount(*stats, 10), 0u);
}

// A service whose statistics record is shorter than its fixed counters.
class ShortStatistics : public wlan::sim::SimulatedWlan {
public:
    using SimulatedWlan::SimulatedWlan;
    uint32_t WlanQueryInterface(wlan::Handle h, const wlan::GUID* guid, uint32_t opCode, void* reserved,
                                uint32_t* dataSize, void** data, uint32_t* valueType) override {
        const uint32_t rc = SimulatedWlan::WlanQueryInterface(h, guid, opCode, reserved, dataSize, data, valueType);
        if (rc == 0) *dataSize = 16;
        return rc;
    }
};

TEST(MoreAdapterCommand, AStatisticsRecordTooShortIsInvalidData) {
    BasicHarness<ShortStatistics> h(LoadInline(Details()));
    h.Tick();
    DetailContext context{h.state, h.messages, h.Log()};
    FixedList adapters({0}, 0);
    StatsView view;
    MoreAdapterCommand(context, adapters, view);
    EXPECT_EQ(h.messages.Texts(), Strings{"Error WlanQueryInterface (13)"});
    EXPECT_TRUE(view.shown.empty());
    EXPECT_EQ(h.api.LiveBuffers(), 2u) << "the short record was released";
}

// --- network details ---

TEST(MoreNetworkCommand, ShowsTheEntryAtTheRowsIndex) {
    DetailHarness h(Details());
    NetView view;
    // Rows as the pass wrote them, and the profile entry that the pass skips.
    for (intptr_t data : {h.networks.rows.at(0).data, intptr_t{301}, h.networks.rows.at(1).data}) {
        FixedList networks({data}, 0);
        MoreNetworkCommand(h.context, networks, view);
    }
    EXPECT_TRUE(h.messages.shown.empty());
    ASSERT_EQ(view.shown.size(), 3u);
    EXPECT_EQ(view.shown[0], (DetailRows{{"Profile Name", ""}, {"SSID", "Alpha"}, {"Type", "Infrastructure"},
                                         {"# of APs", "1"}, {"Connectable", "Yes"}, {"Reason", "0"},
                                         {"802.11 Capabilities", "n"}, {"More 802.11 Capabilities", "No"},
                                         {"Signal Quality", "80% / -60dBm"}, {"Authentication", "RSNA-PSK"},
                                         {"Cipher", "CCMP"}}));
    EXPECT_EQ(view.shown[1], (DetailRows{{"Profile Name", "Home"}, {"SSID", "Home"}, {"Type", "Ad Hoc"},
                                         {"# of APs", "3"}, {"Connectable", "No"}, {"Reason", "-5"},
                                         {"802.11 Capabilities", "g/n"}, {"More 802.11 Capabilities", "Yes"},
                                         {"Signal Quality", "0% / -100dBm"}, {"Authentication", "802.11 Open"},
                                         {"Cipher", "None"}}));
    EXPECT_EQ(view.shown[2][1], (std::pair<std::string, std::string>{"SSID", "<Hidden SSID>"}));
    EXPECT_EQ(view.shown[2][8], (std::pair<std::string, std::string>{"Signal Quality", "100% / -50dBm"}));
    EXPECT_EQ(h.api.LiveBuffers(), 2u) << "the fetched lists were released";
}

TEST(MoreNetworkCommand, EntriesFrom100OnGetTheirDetails) {
    std::string json = R"({"interfaces": [{}, {"networks": [)";
    for (int k = 0; k < 106; ++k) json += (k ? "," : "") + ("{\"ssid\": \"N" + std::to_string(k) + "\"}");
    DetailHarness h(json + "]}]}");
    NetView view;
    FixedList networks({h.networks.rows.at(105).data}, 0);
    MoreNetworkCommand(h.context, networks, view);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0][1].second, "N105");
}

TEST(MoreNetworkCommand, NoUsableRowAsksForASelection) {
    DetailHarness h(Details());
    NetView view;
    // No selection, an entry past the end of the fresh list, an interface that is
    // not there, and data that no network row carries.
    for (const FixedList& rows : {FixedList({0}, -1), FixedList({307}, 0), FixedList({900}, 0),
                                  FixedList({kNoNetworkRow}, 0), FixedList({-1}, 0)}) {
        FixedList networks = rows;
        const size_t before = h.log->Count();
        const auto [lines, boxes] = h.Run([&] { MoreNetworkCommand(h.context, networks, view); });
        EXPECT_EQ(lines, Strings{"Verbose: No network selected"});
        EXPECT_EQ(boxes, Strings{"Please select a network."});
        EXPECT_EQ(h.messages.shown.back().logLines, before + 1) << "the line comes before the box";
    }
    EXPECT_TRUE(view.shown.empty());
}

TEST(MoreNetworkCommand, AFailedQueryIsLoggedAndShownSigned) {
    DetailHarness h(Details(std::string(R"({"call": "WlanGetAvailableNetworkList", "epochs": [1], "result": )") +
                            kUnspecifiedError + "}"));
    NetView view;
    FixedList networks({300}, 0);
    const size_t before = h.log->Count();
    const auto [lines, boxes] = h.Run([&] { MoreNetworkCommand(h.context, networks, view); });
    EXPECT_EQ(lines, Strings{"Error: Error WlanGetAvailableNetworkList (-2147467259)"});
    EXPECT_EQ(boxes, Strings{"Error WlanGetAvailableNetworkList (-2147467259)"});
    EXPECT_EQ(h.messages.shown.back().logLines, before + 1);
    EXPECT_TRUE(view.shown.empty());
}

// --- access point details ---

TEST(MoreAccessPointCommand, ShowsACopyOfTheEntry) {
    DetailHarness h(Details());
    ApView view;
    int passes = 0;
    view.whileShown = [&] {
        h.Tick();  // replaces bssList while the window is open
        ++passes;
    };
    FixedList aps({0, 1}, 0);
    MoreAccessPointCommand(h.context, aps, view);
    ASSERT_EQ(passes, 1);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0], (DetailRows{{"SSID", "HomeNet"}, {"PHY id", "1"}, {"MAC", "00:1A:2B:3C:4D:5E"},
                                         {"Type", "Infrastructure"}, {"802.11 Phy", "802.11n"}, {"RSSi", "-67 dBm"},
                                         {"Link Quality", "81"}, {"In reg. domain", "No"}, {"Beacon Period", "102 ms"},
                                         {"Time Stamp", "5000000000"}, {"Host Time Stamp", "133000000000000000"},
                                         {"Capabilities", "ESS| Privacy"}, {"Channel / Frequency", "6 / 2.437 GHz"},
                                         {"Rates", "1 2 6 54"}, {"Vendor", "Ayecom Technology Co., Ltd."},
                                         {"Standard", "Wi-Fi 6 (802.11ax)"}, {"Channel Width", "40 MHz"},
                                         {"Center Channel", "4"}, {"Stations", "12"}, {"Channel Utilization", "25%"},
                                         {"Country", "DE"}, {"Security", "SAE, PSK / CCMP"}, {"Fast Roaming", "802.11r"},
                                         {"WPS", "Yes"}, {"MLO", "No"}, {"Information Elements", "11 (132 bytes)"}}));
    EXPECT_EQ(BssEntries(h.state.bssList.get())[0].lRssi, -70);
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST(MoreAccessPointCommand, NoUsableRowAsksForASelection) {
    DetailHarness h(Details());
    ApView view;
    for (const FixedList& rows : {FixedList({0, 1}, -1), FixedList({0, 1, 2}, 2), FixedList({-3}, 0)}) {
        FixedList aps = rows;
        const size_t before = h.log->Count();
        const auto [lines, boxes] = h.Run([&] { MoreAccessPointCommand(h.context, aps, view); });
        EXPECT_EQ(lines, Strings{"Verbose: No access point selected"});
        EXPECT_EQ(boxes, Strings{"Please select an access point."});
        EXPECT_EQ(h.messages.shown.back().logLines, before + 1) << "the line comes before the box";
    }
    EXPECT_TRUE(view.shown.empty());
}

TEST(AccessPointDetailRows, FrequencyUsesTheDecimalSeparatorAndBeaconRoundsDown) {
    wlan::WLAN_BSS_ENTRY entry{};
    entry.ulChCenterFrequency = 5955000;
    entry.usBeaconPeriod = 0xFFFF;
    SetDecimalSeparator(",");
    const DetailRows rows = AccessPointDetailRows(entry);
    SetDecimalSeparator("");
    EXPECT_EQ(rows[12].second, "1 / 5,955 GHz");
    EXPECT_EQ(rows[8].second, "67107 ms");  // 65535 x 1024 / 1000
    EXPECT_EQ(rows[0].second, "<Hidden SSID>");
    // Without elements the rows that come from them stay empty; the vendor comes from the address.
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows[14], (std::pair<std::string, std::string>{"Vendor", "XEROX CORPORATION"}));
    for (size_t k = 15; k < 25; ++k) EXPECT_EQ(rows[k].second, "") << rows[k].first;
    EXPECT_EQ(rows[25], (std::pair<std::string, std::string>{"Information Elements", "None"}));
}

}  // namespace
