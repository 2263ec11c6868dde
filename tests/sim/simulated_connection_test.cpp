// The link of the simulated service: the connection opcodes and the notifications
// of its changes, byte for byte.
#include <cstring>

#include <gtest/gtest.h>

#include "sim/simulated_wlan.h"

namespace {

using namespace wlan;
using namespace wlan::sim;

constexpr uint8_t kA[6] = {0x3c, 0x5a, 0xb4, 0x10, 0x20, 0x01};
constexpr uint8_t kB[6] = {0x3c, 0x5a, 0xb4, 0x10, 0x20, 0x02};

struct Link {
    explicit Link(std::string_view json) : api([&] {
        LoadResult r = LoadScenarioText(json, "link.json");
        EXPECT_TRUE(r) << r.message;
        return r.scenario;
    }()) {
        EXPECT_EQ(api.WlanOpenHandle(kClientVersion, nullptr, nullptr, &handle), 0u);
    }
    ~Link() { api.WlanCloseHandle(handle, nullptr); }

    GUID Enum(Handle h = nullptr) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        EXPECT_EQ(api.WlanEnumInterfaces(h ? h : handle, nullptr, list.out()), 0u);
        return list->dwNumberOfItems ? list->InterfaceInfo[0].InterfaceGuid : GUID{};
    }
    // The opcode's answer as bytes; empty with its result code in rc on failure.
    std::vector<uint8_t> Query(const GUID& g, uint32_t opcode, uint32_t* rc = nullptr) {
        uint32_t size = 0, valueType = 99;
        void* data = nullptr;
        const uint32_t r = api.WlanQueryInterface(handle, &g, opcode, nullptr, &size, &data, &valueType);
        if (rc) *rc = r; else EXPECT_EQ(r, 0u) << opcode;
        if (r != 0) return {};
        EXPECT_EQ(valueType, 0u);
        std::vector<uint8_t> bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        api.WlanFreeMemory(data);
        return bytes;
    }
    // A 4-byte answer: the RSSI (LONG) or the channel (ULONG).
    template <typename T>
    T Number(const GUID& g, uint32_t opcode) {
        auto b = Query(g, opcode);
        EXPECT_EQ(b.size(), 4u);
        T v = 0;
        std::memcpy(&v, b.data(), std::min<size_t>(4, b.size()));
        return v;
    }
    int32_t Rssi(const GUID& g) { return Number<int32_t>(g, kWlanIntfOpcodeRssi); }
    uint32_t Channel(const GUID& g) { return Number<uint32_t>(g, kWlanIntfOpcodeChannelNumber); }

    SimulatedWlan api;
    Handle handle = nullptr;
};

const char* const kRoaming = R"({"interfaces": [{
    "connection": {"ssid": "Campus", "profile": "Campus profile", "mode": 1, "security": true,
                   "connected": [false, true, true, true, false],
                   "bssid": ["3C:5A:B4:10:20:01", "3C:5A:B4:10:20:01", "3C:5A:B4:10:20:01", "3c:5a:b4:10:20:02"]},
    "scan_cache": true,
    "bss": [{"bssid": "3C:5A:B4:10:20:01", "ssid": "Campus", "rssi": [-50, -55, -60, -65], "frequency_khz": 5180000},
            {"bssid": "3C:5A:B4:10:20:02", "ssid": "Campus", "rssi": -48, "frequency_khz": 2412000}]}]})";

TEST(SimulatedConnection, CurrentConnectionIsTheRecordOfTheLinkInThatEpoch) {
    Link s(R"({"interfaces": [{"state": [1, 5], "connection": {
        "bssid": ["0a:0b:0c:0d:0e:0f", "0a:0b:0c:0d:0e:10"], "ssid": "Office", "profile": "Office WPA3", "mode": 2,
        "phy_type": 9, "phy_index": 1, "quality": [70, 65], "rx_rate": [866700, 1201000], "tx_rate": 780000,
        "security": false, "onex": true, "auth": 9, "cipher": 8}}]})");
    const GUID g = s.Enum();
    for (uint32_t epoch : {1u, 2u}) {
        if (epoch == 2) s.Enum();
        const std::vector<uint8_t> bytes = s.Query(g, kWlanIntfOpcodeCurrentConnection);
        ASSERT_EQ(bytes.size(), sizeof(WLAN_CONNECTION_ATTRIBUTES));
        WLAN_CONNECTION_ATTRIBUTES want;
        std::memset(&want, 0, sizeof want);
        want.isState = epoch == 1 ? 1 : 5;
        want.wlanConnectionMode = 2;
        const std::u16string profile = u"Office WPA3";
        std::copy(profile.begin(), profile.end(), want.strProfileName);
        WLAN_ASSOCIATION_ATTRIBUTES& a = want.wlanAssociationAttributes;
        a.dot11Ssid.uSSIDLength = 6;
        std::memcpy(a.dot11Ssid.ucSSID, "Office", 6);
        a.dot11BssType = 1;
        const uint8_t bssid[6] = {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, static_cast<uint8_t>(epoch == 1 ? 0x0f : 0x10)};
        std::memcpy(a.dot11Bssid, bssid, 6);
        a.dot11PhyType = 9;
        a.uDot11PhyIndex = 1;
        a.wlanSignalQuality = epoch == 1 ? 70 : 65;
        a.ulRxRate = epoch == 1 ? 866700 : 1201000;
        a.ulTxRate = 780000;
        want.wlanSecurityAttributes = {0, 1, 9, 8};
        EXPECT_EQ(std::memcmp(bytes.data(), &want, sizeof want), 0) << "epoch " << epoch;
    }
    EXPECT_EQ(s.api.LiveBuffers(), 0u);
}

TEST(SimulatedConnection, RssiAndChannelComeFromTheServingEntryUnlessGiven) {
    Link s(kRoaming);
    const GUID g = s.Enum();  // epoch 1: not connected
    uint32_t rc = 0;
    for (uint32_t opcode : {kWlanIntfOpcodeCurrentConnection, kWlanIntfOpcodeChannelNumber, kWlanIntfOpcodeRssi}) {
        EXPECT_TRUE(s.Query(g, opcode, &rc).empty());
        EXPECT_EQ(rc, kErrorInvalidState) << opcode;
    }
    s.Enum();  // epoch 2: on A
    EXPECT_EQ(s.Rssi(g), -55);
    EXPECT_EQ(s.Channel(g), 36u);
    s.Enum();
    s.Enum();  // epoch 4: on B
    EXPECT_EQ(s.Rssi(g), -48);
    EXPECT_EQ(s.Channel(g), 1u);

    Link given(R"({"interfaces": [{"connection": {"bssid": "02:00:00:00:00:01", "rssi": [-40, -45], "channel": 149}},
                   {"connection": {"bssid": "02:00:00:00:00:02"}}]})");
    const GUID first = given.Enum();
    given.Enum();
    EXPECT_EQ(given.Rssi(first), -45);
    EXPECT_EQ(given.Channel(first), 149u);
    const GUID second = {0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
    EXPECT_EQ(given.Rssi(second), -60) << "no BSS entry to lend its RSSI";
    EXPECT_EQ(given.Channel(second), 0u);
}

TEST(SimulatedConnection, AFaultMayNameTheOpcodeItFails) {
    Link s(R"({"interfaces": [{"connection": {"bssid": "02:00:00:00:00:01"}}],
               "faults": [{"call": "WlanQueryInterface", "opcode": 268435714, "result": 50}]})");
    const GUID g = s.Enum();
    uint32_t rc = 0;
    s.Query(g, kWlanIntfOpcodeRssi, &rc);
    EXPECT_EQ(rc, 50u);
    EXPECT_EQ(s.Channel(g), 0u);
    s.Query(g, kWlanIntfOpcodeCurrentConnection);

    for (const char* bad : {R"({"interfaces": [], "faults": [{"call": "WlanScan", "opcode": 7, "result": 5}]})",
                            R"({"interfaces": [{"connection": {}}]})",
                            R"({"interfaces": [{"connection": {"bssid": []}}]})",
                            R"({"interfaces": [{"connection": {"bssid": "02:00:00:00:00:01", "colour": 1}}]})",
                            R"({"interfaces": [{"connection": {"bssid": ["02:00:00:00:00:01", "nope"]}}]})"})
        EXPECT_FALSE(LoadScenarioText(bad)) << bad;
}

struct Heard {
    uint32_t source, code;
    std::vector<uint8_t> data;
};

// The fields both notification records share, as the scenario's Campus link fills them.
template <typename Data>
Data CampusLink() {
    Data d;
    std::memset(&d, 0, sizeof d);
    d.wlanConnectionMode = 1;
    const std::u16string profile = u"Campus profile";
    std::copy(profile.begin(), profile.end(), d.strProfileName);
    d.dot11Ssid.uSSIDLength = 6;
    std::memcpy(d.dot11Ssid.ucSSID, "Campus", 6);
    d.dot11BssType = 1;
    d.bSecurityEnabled = 1;
    return d;
}

template <typename Data>
std::vector<uint8_t> BytesOf(const Data& d) {
    const auto* p = reinterpret_cast<const uint8_t*>(&d);
    return {p, p + sizeof d};
}

std::vector<uint8_t> MsmBytes(const uint8_t (&bssid)[6]) {
    auto d = CampusLink<WLAN_MSM_NOTIFICATION_DATA>();
    std::memcpy(d.dot11MacAddr, bssid, 6);
    d.bFirstPeer = 1;
    return BytesOf(d);
}

std::vector<uint8_t> AcmBytes() { return BytesOf(CampusLink<WLAN_CONNECTION_NOTIFICATION_DATA>()); }

TEST(SimulatedConnection, LinkChangesAreNotifiedInTheContractsOrderWithinTheEnumeration) {
    Link s(kRoaming);
    std::vector<Heard> heard;
    const GUID want{0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    ASSERT_EQ(s.api.WlanRegisterNotification(s.handle, kNotificationSourceAcm | kNotificationSourceMsm,
                                             [&](const WlanNotification& n) {
                                                 EXPECT_EQ(n.interfaceGuid, want);
                                                 heard.push_back({n.source, n.code, n.data});
                                             }),
              0u);
    const GUID g = s.Enum();
    EXPECT_TRUE(heard.empty()) << "not connected in epochs 0 and 1";
    EXPECT_EQ(s.api.WlanScan(s.handle, &g, nullptr, nullptr, nullptr), 0u);

    struct Step {
        std::vector<Heard> want;
    };
    const Step steps[] = {
        // epoch 2: connected to A, and the scan asked in epoch 1 completes.
        {{{kNotificationSourceAcm, kAcmConnectionComplete, AcmBytes()},
          {kNotificationSourceMsm, kMsmConnected, MsmBytes(kA)},
          {kNotificationSourceAcm, kAcmScanComplete, {}}}},
        {{}},  // epoch 3: still on A
        {{{kNotificationSourceMsm, kMsmRoamingStart, MsmBytes(kA)},
          {kNotificationSourceMsm, kMsmRoamingEnd, MsmBytes(kB)}}},  // epoch 4: A to B
        {{{kNotificationSourceMsm, kMsmDisconnected, MsmBytes(kB)},
          {kNotificationSourceAcm, kAcmDisconnected, AcmBytes()}}},  // epoch 5: gone
        {{}},
    };
    for (size_t k = 0; k < std::size(steps); ++k) {
        heard.clear();
        s.Enum();
        ASSERT_EQ(heard.size(), steps[k].want.size()) << "epoch " << k + 2;
        for (size_t i = 0; i < heard.size(); ++i) {
            EXPECT_EQ(heard[i].source, steps[k].want[i].source) << "epoch " << k + 2 << " #" << i;
            EXPECT_EQ(heard[i].code, steps[k].want[i].code) << "epoch " << k + 2 << " #" << i;
            EXPECT_EQ(heard[i].data, steps[k].want[i].data) << "epoch " << k + 2 << " #" << i;
        }
    }
}

TEST(SimulatedConnection, RegistrationsFilterBySourceAndEndWithNoneOrTheHandle) {
    Link s(kRoaming);
    std::vector<uint32_t> codes, other;
    ASSERT_EQ(s.api.WlanRegisterNotification(s.handle, kNotificationSourceAcm,
                                             [&](const WlanNotification& n) { codes.push_back(n.code); }),
              0u);
    Handle second = nullptr;
    ASSERT_EQ(s.api.WlanOpenHandle(kClientVersion, nullptr, nullptr, &second), 0u);
    ASSERT_EQ(s.api.WlanRegisterNotification(second, kNotificationSourceMsm,
                                             [&](const WlanNotification& n) { other.push_back(n.code); }),
              0u);
    s.Enum();
    s.Enum();  // connect
    EXPECT_EQ(codes, std::vector<uint32_t>{kAcmConnectionComplete});
    EXPECT_EQ(other, std::vector<uint32_t>{kMsmConnected});
    // Registering again replaces the handler; none ends it, and so does closing the handle.
    std::vector<uint32_t> replaced;
    s.api.WlanRegisterNotification(s.handle, kNotificationSourceMsm,
                                   [&](const WlanNotification& n) { replaced.push_back(n.code); });
    EXPECT_EQ(s.api.WlanCloseHandle(second, nullptr), 0u);
    s.Enum();
    s.Enum();  // roam
    EXPECT_EQ(codes.size(), 1u);
    EXPECT_EQ(other.size(), 1u);
    EXPECT_EQ(replaced, (std::vector<uint32_t>{kMsmRoamingStart, kMsmRoamingEnd}));
    EXPECT_EQ(s.api.WlanRegisterNotification(s.handle, kNotificationSourceNone, nullptr), 0u);
    s.Enum();  // disconnect
    EXPECT_EQ(replaced.size(), 2u);
    EXPECT_EQ(s.api.WlanRegisterNotification(reinterpret_cast<Handle>(99), kNotificationSourceAcm,
                                             [](const WlanNotification&) {}),
              kErrorInvalidHandle);
}

TEST(SimulatedConnection, TheSharedRoamingScenarioRoamsTwiceAndReconnects) {
    LoadResult r = LoadScenarioFile(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/roaming.json");
    ASSERT_TRUE(r) << r.message;
    SimulatedWlan api(r.scenario);
    Handle h = nullptr;
    ASSERT_EQ(api.WlanOpenHandle(kClientVersion, nullptr, nullptr, &h), 0u);
    std::vector<uint32_t> codes;
    api.WlanRegisterNotification(h, kNotificationSourceAcm | kNotificationSourceMsm,
                                 [&](const WlanNotification& n) { codes.push_back(n.code); });
    for (int k = 0; k < 30; ++k) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        api.WlanEnumInterfaces(h, nullptr, list.out());
    }
    EXPECT_EQ(codes, (std::vector<uint32_t>{kMsmRoamingStart, kMsmRoamingEnd, kMsmRoamingStart, kMsmRoamingEnd,
                                            kMsmDisconnected, kAcmDisconnected, kAcmConnectionComplete, kMsmConnected}));
    api.WlanCloseHandle(h, nullptr);
}

}  // namespace
