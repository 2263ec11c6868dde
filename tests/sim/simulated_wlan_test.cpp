#include "sim/simulated_wlan.h"

#include <cstring>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/scenario_json.h"
#include "wireless/value_text.h"

namespace {

using namespace wlan;
using namespace wlan::sim;
using ::testing::HasSubstr;

std::string ScenarioPath(const char* name) { return std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/" + name; }

std::shared_ptr<const Scenario> Load(std::string_view json) {
    LoadResult r = LoadScenarioText(json, "inline.json");
    EXPECT_TRUE(r) << r.message;
    return r.scenario;
}

// A simulated service with an open handle; buffers are owned, so the sanitizer run sees any leak.
struct Service {
    explicit Service(std::string_view json) : Service(Load(json)) {}
    explicit Service(std::shared_ptr<const Scenario> scenario) : api(std::move(scenario)) {
        uint32_t negotiated = 0;
        EXPECT_EQ(api.WlanOpenHandle(kClientVersion, nullptr, &negotiated, &handle), 0u);
        EXPECT_EQ(negotiated, kClientVersion);
    }
    ~Service() { api.WlanCloseHandle(handle, nullptr); }

    // Advances the epoch: one scan pass.
    WlanBuffer<WLAN_INTERFACE_INFO_LIST> Enum(uint32_t* rc = nullptr) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        uint32_t r = api.WlanEnumInterfaces(handle, nullptr, list.out());
        if (rc) *rc = r; else EXPECT_EQ(r, 0u);
        return list;
    }
    WlanBuffer<WLAN_INTERFACE_CAPABILITY> Capability(const GUID& g, uint32_t* rc = nullptr) {
        WlanBuffer<WLAN_INTERFACE_CAPABILITY> cap(api);
        uint32_t r = api.WlanGetInterfaceCapability(handle, &g, nullptr, cap.out());
        if (rc) *rc = r; else EXPECT_EQ(r, 0u);
        return cap;
    }
    WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> Networks(const GUID& g, uint32_t* rc = nullptr) {
        WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> list(api);
        uint32_t r = api.WlanGetAvailableNetworkList(handle, &g, kIncludeAllAdhocProfiles, nullptr, list.out());
        if (rc) *rc = r; else EXPECT_EQ(r, 0u);
        return list;
    }
    WlanBuffer<WLAN_BSS_LIST> Bss(const GUID& g, uint32_t* rc = nullptr) {
        WlanBuffer<WLAN_BSS_LIST> list(api);
        uint32_t r = api.WlanGetNetworkBssList(handle, &g, nullptr, kBssTypeAny, false, nullptr, list.out());
        if (rc) *rc = r; else EXPECT_EQ(r, 0u);
        return list;
    }
    uint32_t Scan(const GUID& g) { return api.WlanScan(handle, &g, nullptr, nullptr, nullptr); }
    WlanBuffer<WLAN_STATISTICS> Stats(const GUID& g, uint32_t* size, uint32_t* rc = nullptr) {
        void* data = nullptr;
        uint32_t valueType = 99;
        uint32_t r = api.WlanQueryInterface(handle, &g, kWlanIntfOpcodeStatistics, nullptr, size, &data, &valueType);
        if (rc) *rc = r; else EXPECT_EQ(r, 0u);
        return WlanBuffer<WLAN_STATISTICS>(api, static_cast<WLAN_STATISTICS*>(data));
    }

    SimulatedWlan api;
    Handle handle = nullptr;
};

GUID FirstGuid(Service& s) {
    auto list = s.Enum();
    EXPECT_GE(list->dwNumberOfItems, 1u);
    return list->InterfaceInfo[0].InterfaceGuid;
}

std::vector<std::string> SsidsOf(const WLAN_AVAILABLE_NETWORK_LIST* list) {
    std::vector<std::string> out;
    for (const auto& n : Entries(list)) out.push_back(SsidText(n.dot11Ssid));
    return out;
}

TEST(SimulatedWlan, DefaultsFillEveryRecord) {
    Service s(R"({"interfaces": [{"networks": [{}], "bss": [{"bssid": "00:1a:2B:3c:4D:5e"}]}, {}]})");
    auto list = s.Enum();
    ASSERT_EQ(list->dwNumberOfItems, 2u);
    const WLAN_INTERFACE_INFO& info = list->InterfaceInfo[0];
    EXPECT_EQ(info.InterfaceGuid, (GUID{0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}}));
    EXPECT_EQ(list->InterfaceInfo[1].InterfaceGuid, (GUID{0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}}));
    EXPECT_EQ(InterfaceDescriptionText(info), "Simulated Wireless Adapter 1");
    EXPECT_EQ(InterfaceDescriptionText(list->InterfaceInfo[1]), "Simulated Wireless Adapter 2");
    EXPECT_EQ(info.isState, 1u);

    auto cap = s.Capability(info.InterfaceGuid);
    EXPECT_EQ(cap->dwNumberOfSupportedPhys, 3u);
    EXPECT_EQ(CapabilityPhyListText(*cap), "b/g/n");

    auto nets = s.Networks(info.InterfaceGuid);
    ASSERT_EQ(nets->dwNumberOfItems, 1u);
    const WLAN_AVAILABLE_NETWORK& n = nets->Network[0];
    EXPECT_EQ(ProfileNameText(n), "");
    EXPECT_EQ(n.dot11Ssid.uSSIDLength, 0u);
    EXPECT_EQ(SsidText(n.dot11Ssid), "");
    EXPECT_EQ(n.dot11BssType, 1u);
    EXPECT_EQ(n.uNumberOfBssids, 1u);
    EXPECT_EQ(n.bNetworkConnectable, 1);
    EXPECT_EQ(n.wlanNotConnectableReason, 0u);
    EXPECT_EQ(n.uNumberOfPhyTypes, 1u);
    EXPECT_EQ(n.dot11PhyTypes[0], 7u);
    EXPECT_EQ(n.bMorePhyTypes, 0);
    EXPECT_EQ(n.wlanSignalQuality, 50u);
    EXPECT_EQ(n.bSecurityEnabled, 1);
    EXPECT_EQ(n.dot11DefaultAuthAlgorithm, 7u);
    EXPECT_EQ(n.dot11DefaultCipherAlgorithm, 4u);
    EXPECT_EQ(n.dwFlags, 0u);

    auto bss = s.Bss(info.InterfaceGuid);
    ASSERT_EQ(bss->dwNumberOfItems, 1u);
    EXPECT_EQ(bss->dwTotalSize, 8u + 360u);
    const WLAN_BSS_ENTRY& e = bss->wlanBssEntries[0];
    EXPECT_EQ(MacAddressText(e.dot11Bssid), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(SsidText(e.dot11Ssid), "");
    EXPECT_EQ(e.uPhyId, 0u);
    EXPECT_EQ(e.dot11BssType, 1u);
    EXPECT_EQ(e.dot11BssPhyType, 7u);
    EXPECT_EQ(e.lRssi, -60);
    EXPECT_EQ(e.uLinkQuality, 80u);
    EXPECT_EQ(e.bInRegDomain, 1);
    EXPECT_EQ(e.usBeaconPeriod, 100);
    EXPECT_EQ(e.ullTimestamp, 0u);
    EXPECT_EQ(e.ullHostTimestamp, 0u);
    EXPECT_EQ(e.usCapabilityInformation, 0x0011);
    EXPECT_EQ(e.ulChCenterFrequency, 2437000u);
    EXPECT_EQ(RateSetText(e.wlanRateSet), "1 2 5 11 6 9 12 18 24 36 48 54");
    EXPECT_EQ(e.wlanRateSet.uRateSetLength, 24u);
    EXPECT_EQ(e.ulIeOffset, 0u);
    EXPECT_EQ(e.ulIeSize, 0u);

    uint32_t size = 0;
    auto stats = s.Stats(info.InterfaceGuid, &size);
    EXPECT_EQ(size, 224u + 3 * 144);
    EXPECT_EQ(stats->dwNumberOfPhys, 3u);
    EXPECT_EQ(stats->ullFourWayHandshakeFailures, 0u);
    for (const auto& phy : Entries(stats.get())) EXPECT_EQ(phy.ullFCSErrorCount, 0u);
}

TEST(SimulatedWlan, EveryKeyReachesItsField) {
    Service s(R"({
      "seed": 5, "open_result": 0,
      "interfaces": [{
        "guid": "{01234567-89ab-CDEF-0123-456789abcdef}", "description": "Caf\u00e9 adapter", "state": 4,
        "present": true, "phy_types": [4, 8, 10, 11],
        "networks": [{
          "ssid_hex": "48690061", "ssid_length": 2, "profile": "Home", "present": [true], "bss_type": 2,
          "bssids": 3, "connectable": false, "reason": -5, "phy_types": [4, 5, 6, 7, 8, 10, 11, 9],
          "more_phy_types": true, "quality": 100, "security": false, "auth": 9, "cipher": 8, "flags": 3
        }],
        "bss": [{
          "bssid": "A4:2B:B0:11:22:33", "ssid": "Caf\u00e9", "present": true, "phy_id": 2, "bss_type": 2,
          "phy_type": 10, "rssi": -71, "link_quality": 33, "in_reg_domain": false, "beacon_period": 200,
          "timestamp": 18446744073709551615, "host_timestamp": 133500000000000000, "capability": 1073,
          "frequency_khz": 5955000, "rates": [32780, 18]
        }],
        "statistics": {
          "four_way_handshake_failures": 2, "tkip_countermeasures_invoked": 3,
          "unicast": [1,2,3,4,5,6,7,8,9,10,11,12], "multicast": [13,14,15,16,17,18,19,20,21,22,23,24],
          "phys": [[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18]]
        }
      }],
      "faults": []
    })");
    auto list = s.Enum();
    const WLAN_INTERFACE_INFO& info = list->InterfaceInfo[0];
    EXPECT_EQ(info.InterfaceGuid, (GUID{0x01234567, 0x89ab, 0xcdef, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}}));
    EXPECT_EQ(InterfaceDescriptionText(info), "Caf\xC3\xA9 adapter");
    EXPECT_EQ(info.isState, 4u);
    EXPECT_EQ(CapabilityPhyListText(*s.Capability(info.InterfaceGuid)), "a/ac/ax/be");

    auto nets = s.Networks(info.InterfaceGuid);
    const WLAN_AVAILABLE_NETWORK& n = nets->Network[0];
    EXPECT_EQ(n.dot11Ssid.uSSIDLength, 2u);
    EXPECT_EQ(std::memcmp(n.dot11Ssid.ucSSID, "Hi\0a", 4), 0);
    EXPECT_EQ(ProfileNameText(n), "Home");
    EXPECT_EQ(n.dot11BssType, 2u);
    EXPECT_EQ(n.uNumberOfBssids, 3u);
    EXPECT_EQ(n.bNetworkConnectable, 0);
    EXPECT_EQ(static_cast<int32_t>(n.wlanNotConnectableReason), -5);
    EXPECT_EQ(n.uNumberOfPhyTypes, 8u);
    EXPECT_EQ(NetworkPhyListText(n), "a/b/g/n/ac/ax/be");
    EXPECT_EQ(n.bMorePhyTypes, 1);
    EXPECT_EQ(n.wlanSignalQuality, 100u);
    EXPECT_EQ(n.bSecurityEnabled, 0);
    EXPECT_EQ(AuthAlgorithmText(n.dot11DefaultAuthAlgorithm), "WPA3-SAE");
    EXPECT_EQ(CipherAlgorithmText(n.dot11DefaultCipherAlgorithm), "GCMP");
    EXPECT_EQ(n.dwFlags, 3u);

    auto bss = s.Bss(info.InterfaceGuid);
    const WLAN_BSS_ENTRY& e = bss->wlanBssEntries[0];
    EXPECT_EQ(MacAddressText(e.dot11Bssid), "A4:2B:B0:11:22:33");
    EXPECT_EQ(SsidText(e.dot11Ssid), "Caf\xC3\xA9");
    EXPECT_EQ(e.dot11Ssid.uSSIDLength, 5u);
    EXPECT_EQ(e.uPhyId, 2u);
    EXPECT_EQ(BssTypeText(e.dot11BssType), "Ad Hoc");
    EXPECT_EQ(BssPhyTypeText(e.dot11BssPhyType), "802.11ax");
    EXPECT_EQ(e.lRssi, -71);
    EXPECT_EQ(e.uLinkQuality, 33u);
    EXPECT_EQ(e.bInRegDomain, 0);
    EXPECT_EQ(e.usBeaconPeriod, 200);
    EXPECT_EQ(e.ullTimestamp, UINT64_MAX);
    EXPECT_EQ(e.ullHostTimestamp, 133500000000000000u);
    EXPECT_EQ(CapabilityInfoText(e.usCapabilityInformation), "ESS| Privacy");
    EXPECT_EQ(ChannelText(e.ulChCenterFrequency), "1 (5.955 GHz)");
    EXPECT_EQ(RateSetText(e.wlanRateSet), "6 9");

    uint32_t size = 0;
    auto stats = s.Stats(info.InterfaceGuid, &size);
    EXPECT_EQ(size, 224u + 144);
    EXPECT_EQ(stats->ullFourWayHandshakeFailures, 2u);
    EXPECT_EQ(stats->ullTKIPCounterMeasuresInvoked, 3u);
    EXPECT_EQ(stats->MacUcastCounters.ullTransmittedFrameCount, 1u);
    EXPECT_EQ(stats->MacUcastCounters.ullDecryptFailureCount, 12u);
    EXPECT_EQ(stats->MacMcastCounters.ullTransmittedFrameCount, 13u);
    EXPECT_EQ(stats->MacMcastCounters.ullDecryptFailureCount, 24u);
    EXPECT_EQ(stats->PhyCounters[0].ullTransmittedFrameCount, 1u);
    EXPECT_EQ(stats->PhyCounters[0].ullFCSErrorCount, 18u);
}

TEST(SimulatedWlan, ListsHoldByEpochAndTheLastValueRepeats) {
    Service s(R"({"interfaces": [{"state": [4, 1, 3], "networks": [{"quality": [80, 75, 70]}]}]})");
    // Epoch 0, before the first enumeration, takes the first element.
    const GUID g = {0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(s.Networks(g)->Network[0].wlanSignalQuality, 80u);
    const uint32_t states[] = {4, 1, 3, 3, 3};
    const uint32_t qualities[] = {80, 75, 70, 70, 70};
    for (int epoch = 1; epoch <= 5; ++epoch) {
        auto list = s.Enum();
        EXPECT_EQ(s.api.Epoch(), static_cast<uint64_t>(epoch));
        EXPECT_EQ(list->InterfaceInfo[0].isState, states[epoch - 1]);
        EXPECT_EQ(s.Networks(g)->Network[0].wlanSignalQuality, qualities[epoch - 1]);
        EXPECT_EQ(s.Networks(g)->Network[0].wlanSignalQuality, qualities[epoch - 1]) << "same epoch, same answer";
    }
}

TEST(SimulatedWlan, WalksStayWithinTheirLimitsAndStepAndRepeatExactly) {
    const char* json = R"({"seed": 9, "interfaces": [{"networks": [
        {"quality": {"walk": [30, 90], "step": 4}}, {"quality": {"walk": [90, 30]}}]}]})";
    auto scenario = Load(json);
    const Varying& a = scenario->interfaces[0].networks[0].quality;
    const Varying& b = scenario->interfaces[0].networks[1].quality;
    EXPECT_EQ(b.low, 30);
    EXPECT_EQ(b.high, 90);
    EXPECT_EQ(b.step, 3);

    VaryingValues values(scenario->seed);
    std::vector<int64_t> seq;
    for (uint64_t e = 0; e <= 300; ++e) seq.push_back(values.At(a, e));
    for (size_t e = 0; e < seq.size(); ++e) {
        EXPECT_GE(seq[e], 30);
        EXPECT_LE(seq[e], 90);
        if (e) {
            EXPECT_LE(std::abs(seq[e] - seq[e - 1]), 4);
        }
    }
    EXPECT_GT(*std::max_element(seq.begin(), seq.end()) - *std::min_element(seq.begin(), seq.end()), 4) << "it moves";

    // The same seed, entity and epoch give the same value, however they are reached.
    VaryingValues again(scenario->seed);
    EXPECT_EQ(again.At(a, 250), seq[250]);
    EXPECT_EQ(again.At(a, 17), seq[17]);
    auto reloaded = Load(json);
    VaryingValues other(reloaded->seed);
    EXPECT_EQ(other.At(reloaded->interfaces[0].networks[0].quality, 100), seq[100]);

    // Two entities, or two seeds, walk their own ways.
    std::vector<int64_t> seqB, seqSeed;
    VaryingValues reseeded(10);
    for (uint64_t e = 0; e <= 50; ++e) {
        seqB.push_back(values.At(b, e));
        seqSeed.push_back(reseeded.At(a, e));
    }
    EXPECT_NE(seqB, std::vector<int64_t>(seq.begin(), seq.begin() + 51));
    EXPECT_NE(seqSeed, std::vector<int64_t>(seq.begin(), seq.begin() + 51));
}

TEST(SimulatedWlan, AbsentEntitiesAreLeftOutAndLaterOnesMoveUp) {
    Service s(R"({"interfaces": [
        {"present": [true, false, true],
         "networks": [{"ssid": "A", "present": [false, true]}, {"ssid": "B"}, {"ssid": "C", "present": false}],
         "bss": [{"bssid": "00:00:00:00:00:01", "present": [true, false]}, {"bssid": "00:00:00:00:00:02"}]},
        {"description": "second"}]})");
    auto first = s.Enum();
    ASSERT_EQ(first->dwNumberOfItems, 2u);
    const GUID g = first->InterfaceInfo[0].InterfaceGuid;
    EXPECT_EQ(SsidsOf(s.Networks(g).get()), (std::vector<std::string>{"B"}));
    EXPECT_EQ(s.Bss(g)->dwNumberOfItems, 2u);

    auto second = s.Enum();
    ASSERT_EQ(second->dwNumberOfItems, 1u);
    EXPECT_EQ(InterfaceDescriptionText(second->InterfaceInfo[0]), "second");
    uint32_t rc = 0;
    s.Networks(g, &rc);
    EXPECT_EQ(rc, kErrorNotFound) << "an absent interface is not found";

    s.Enum();
    EXPECT_EQ(SsidsOf(s.Networks(g).get()), (std::vector<std::string>{"A", "B"}));
    auto bss = s.Bss(g);
    ASSERT_EQ(bss->dwNumberOfItems, 1u);
    EXPECT_EQ(bss->dwTotalSize, 8u + 360u);
    EXPECT_EQ(bss->wlanBssEntries[0].dot11Bssid[5], 2);
}

TEST(SimulatedWlan, FaultsFailTheirCallsInTheirEpochs) {
    Service s(R"({"interfaces": [{}, {}], "faults": [
        {"call": "WlanGetInterfaceCapability", "interface": 1, "epochs": [2, 4], "result": 50},
        {"call": "WlanGetAvailableNetworkList", "epochs": {"from": 3, "to": 3}, "result": 2150899714},
        {"call": "WlanGetNetworkBssList", "epochs": {"from": 5}, "result": 1234},
        {"call": "WlanQueryInterface", "interface": 0, "result": 7}]})");
    for (uint64_t epoch = 1; epoch <= 6; ++epoch) {
        auto list = s.Enum();
        const GUID g0 = list->InterfaceInfo[0].InterfaceGuid, g1 = list->InterfaceInfo[1].InterfaceGuid;
        uint32_t rc0 = 0, rc1 = 0;
        s.Capability(g0, &rc0);
        s.Capability(g1, &rc1);
        EXPECT_EQ(rc0, 0u);
        EXPECT_EQ(rc1, epoch == 2 || epoch == 4 ? 50u : 0u) << epoch;
        s.Networks(g1, &rc1);
        EXPECT_EQ(rc1, epoch == 3 ? kErrorRadioOff : 0u) << epoch;
        s.Bss(g0, &rc0);
        EXPECT_EQ(rc0, epoch >= 5 ? 1234u : 0u) << epoch;
        uint32_t size = 0;
        s.Stats(g0, &size, &rc0);
        s.Stats(g1, &size, &rc1);
        EXPECT_EQ(rc0, 7u);
        EXPECT_EQ(rc1, 0u);
    }
    EXPECT_EQ(s.api.LiveBuffers(), 0u);
}

TEST(SimulatedWlan, ScanCacheListsAnswerFromTheLastCompletedScan) {
    Service s(R"({"interfaces": [
        {"scan_cache": true, "state": [1, 2, 3, 4, 5, 6, 7, 8],
         "networks": [{"ssid": "N", "quality": [10, 20, 30, 40, 50, 60, 70, 80]},
                      {"ssid": "Late", "present": [false, false, false, true]}],
         "bss": [{"bssid": "00:00:00:00:00:01", "rssi": [-10, -20, -30, -40, -50, -60, -70, -80]}]},
        {"networks": [{"quality": [10, 20, 30, 40, 50, 60, 70, 80]}]}],
        "faults": [{"call": "WlanScan", "interface": 0, "epochs": [5], "result": 5}]})");
    struct Step {
        uint64_t listEpoch;  // the epoch the cached lists answer from
        bool scan;           // a WlanScan after the lists were read
        uint32_t scanResult;
    };
    const Step steps[] = {
        {1, true, 0},  {2, false, 0}, {2, true, 0},  {4, false, 0},
        {4, true, 5},  {4, false, 0}, {4, true, 0},  {8, false, 0},
    };
    uint64_t epoch = 0;
    for (const Step& step : steps) {
        auto list = s.Enum();
        ++epoch;
        const GUID cached = list->InterfaceInfo[0].InterfaceGuid, live = list->InterfaceInfo[1].InterfaceGuid;
        EXPECT_EQ(list->InterfaceInfo[0].isState, epoch) << "the interface itself is never cached";
        const auto expectedSsids = step.listEpoch >= 4 ? std::vector<std::string>{"N", "Late"} : std::vector<std::string>{"N"};
        for (int read = 0; read < 2; ++read) {  // a request completes only in the next epoch
            auto networks = s.Networks(cached);
            EXPECT_EQ(SsidsOf(networks.get()), expectedSsids) << epoch;
            EXPECT_EQ(networks->Network[0].wlanSignalQuality, 10 * step.listEpoch) << epoch;
            EXPECT_EQ(s.Bss(cached)->wlanBssEntries[0].lRssi, -10 * static_cast<int64_t>(step.listEpoch)) << epoch;
            EXPECT_EQ(s.Networks(live)->Network[0].wlanSignalQuality, 10 * epoch) << epoch;
            if (read == 0 && step.scan) {
                EXPECT_EQ(s.Scan(cached), step.scanResult) << epoch;
                EXPECT_EQ(s.Scan(live), 0u) << "without a cache a scan changes nothing";
            }
        }
    }

    // Requests are checked like every other call.
    const GUID g = {0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}}, unknown = {1, 2, 3, {}};
    int reserved = 0;
    EXPECT_EQ(s.api.WlanScan(nullptr, &g, nullptr, nullptr, nullptr), kErrorInvalidHandle);
    EXPECT_EQ(s.api.WlanScan(s.handle, nullptr, nullptr, nullptr, nullptr), kErrorInvalidParameter);
    EXPECT_EQ(s.api.WlanScan(s.handle, &g, nullptr, nullptr, &reserved), kErrorInvalidParameter);
    EXPECT_EQ(s.api.WlanScan(s.handle, &unknown, nullptr, nullptr, nullptr), kErrorNotFound);
    EXPECT_EQ(s.api.WlanRegisterNotification(s.handle, kNotificationSourceAcm, [](const WlanNotification&) {}), 0u);
    EXPECT_EQ(s.api.LiveBuffers(), 0u);
}

TEST(SimulatedWlan, AFailingEnumerationLeavesItsOutPointerAndStillAdvancesTheEpoch) {
    Service s(R"({"interfaces": [{"state": [1, 2, 3, 4]}],
                  "faults": [{"call": "WlanEnumInterfaces", "epochs": [2, 3], "result": 1168}]})");
    WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(s.api);
    ASSERT_EQ(s.api.WlanEnumInterfaces(s.handle, nullptr, list.out()), 0u);
    WLAN_INTERFACE_INFO_LIST* kept = list.get();
    EXPECT_EQ(s.api.WlanEnumInterfaces(s.handle, nullptr, list.out()), 1168u);
    EXPECT_EQ(s.api.WlanEnumInterfaces(s.handle, nullptr, list.out()), 1168u);
    EXPECT_EQ(list.get(), kept);
    EXPECT_EQ(s.api.LiveBuffers(), 1u);
    ASSERT_EQ(s.api.WlanEnumInterfaces(s.handle, nullptr, list.out()), 0u);
    EXPECT_EQ(s.api.Epoch(), 4u);
    EXPECT_EQ(list->InterfaceInfo[0].isState, 4u);
    EXPECT_EQ(s.api.LiveBuffers(), 1u) << "the replaced list was released";
}

TEST(SimulatedWlan, OpenResultAndLoadFailuresComeFromWlanOpenHandle) {
    struct Case {
        std::string path;
        uint32_t rc;
    };
    const std::string missing = std::string(VELLUMAR_TEST_BINARY_DIR) + "/no-such-scenario.json";
    const std::string invalid = std::string(VELLUMAR_TEST_BINARY_DIR) + "/invalid-scenario.json";
    std::ofstream(invalid) << "{\n  \"interfaces\": [],\n  \"colour\": 1\n}\n";
    const Case cases[] = {{ScenarioPath("service-stopped.json"), kErrorServiceNotActive},
                          {missing, kErrorFileNotFound},
                          {std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios", kErrorFileNotFound},
                          {invalid, kErrorInvalidData}};
    for (const auto& c : cases) {
        std::vector<std::string> reasons;
        SimulatedWlan api(c.path, [&](const std::string& reason) { reasons.push_back(reason); });
        Handle h = reinterpret_cast<Handle>(0x1234);
        EXPECT_EQ(api.WlanOpenHandle(1, nullptr, nullptr, &h), c.rc) << c.path;
        EXPECT_EQ(h, reinterpret_cast<Handle>(0x1234)) << "no handle on failure";
        EXPECT_EQ(api.WlanOpenHandle(1, nullptr, nullptr, &h), c.rc) << "the file is read once";
        if (c.rc == kErrorServiceNotActive) {
            EXPECT_TRUE(reasons.empty());
        } else {
            ASSERT_EQ(reasons.size(), 1u);
            EXPECT_THAT(reasons[0], HasSubstr(c.path));
        }
        if (c.rc == kErrorInvalidData) {
            EXPECT_THAT(reasons[0], HasSubstr(":3:13: colour: unknown key \"colour\""));
        }
    }
    std::remove(invalid.c_str());
}

TEST(SimulatedWlan, HandlesAndArgumentsAreChecked) {
    Service s(R"({"interfaces": [{}]})");
    const GUID g = FirstGuid(s);
    WLAN_INTERFACE_CAPABILITY* cap = nullptr;
    EXPECT_EQ(s.api.WlanGetInterfaceCapability(reinterpret_cast<Handle>(77), &g, nullptr, &cap), kErrorInvalidHandle);
    EXPECT_EQ(s.api.WlanGetInterfaceCapability(s.handle, &g, nullptr, nullptr), kErrorInvalidParameter);
    EXPECT_EQ(s.api.WlanGetInterfaceCapability(s.handle, nullptr, nullptr, &cap), kErrorInvalidParameter);
    const GUID unknown{1, 2, 3, {}};
    EXPECT_EQ(s.api.WlanGetInterfaceCapability(s.handle, &unknown, nullptr, &cap), kErrorNotFound);
    uint32_t size = 0;
    void* data = nullptr;
    EXPECT_EQ(s.api.WlanQueryInterface(s.handle, &g, 12, nullptr, &size, &data, nullptr), kErrorNotSupported);
    EXPECT_EQ(s.api.WlanQueryInterface(s.handle, &g, kWlanIntfOpcodeCurrentConnection, nullptr, &size, &data, nullptr),
              kErrorInvalidState) << "no link without a connection";
    EXPECT_EQ(cap, nullptr);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(s.api.WlanCloseHandle(reinterpret_cast<Handle>(77), nullptr), kErrorInvalidHandle);
    SimulatedWlan none(std::shared_ptr<const Scenario>{});
    Handle h = nullptr;
    EXPECT_EQ(none.WlanOpenHandle(1, nullptr, nullptr, &h), kErrorInvalidData);
    s.api.WlanFreeMemory(nullptr);
    EXPECT_EQ(s.api.LiveBuffers(), 0u);
}

TEST(SimulatedWlan, BssListCanBeNarrowedBySsidAndType) {
    Service s(R"({"interfaces": [{"bss": [
        {"bssid": "00:00:00:00:00:01", "ssid": "A"}, {"bssid": "00:00:00:00:00:02", "ssid": "B"},
        {"bssid": "00:00:00:00:00:03", "ssid": "A", "bss_type": 2}]}]})");
    const GUID g = FirstGuid(s);
    DOT11_SSID a{1, {'A'}};
    WlanBuffer<WLAN_BSS_LIST> list(s.api);
    ASSERT_EQ(s.api.WlanGetNetworkBssList(s.handle, &g, &a, kBssTypeAny, false, nullptr, list.out()), 0u);
    EXPECT_EQ(list->dwNumberOfItems, 2u);
    ASSERT_EQ(s.api.WlanGetNetworkBssList(s.handle, &g, &a, 1, false, nullptr, list.out()), 0u);
    EXPECT_EQ(list->dwNumberOfItems, 1u);
    EXPECT_EQ(s.api.LiveBuffers(), 1u);
}

// Builds a body of n bytes as hex text.
std::string HexOf(size_t n, const char* pair = "ab") {
    std::string hex;
    for (size_t k = 0; k < n; ++k) hex += pair;
    return hex;
}

TEST(SimulatedWlan, ElementsFollowTheEntriesOnEightByteBoundaries) {
    Service s(R"({"interfaces": [{"bss": [
        {"bssid": "00:00:00:00:00:01", "ies": "00:04:41:42:43:44 03 01 06"},
        {"bssid": "00:00:00:00:00:02"},
        {"bssid": "00:00:00:00:00:03", "present": [false, true]},
        {"bssid": "00:00:00:00:00:04", "ies": [{"id": 0, "hex": ""}, {"ext": 35, "hex": "01 02"},
                                               {"id": 221, "hex": ")" + HexOf(255) + R"("}, {"ext": 108, "hex": ")" + HexOf(254) + R"("}]},
        {"bssid": "00:00:00:00:00:05", "ies": []}]}]})");
    const GUID g = FirstGuid(s);
    for (int epoch = 1; epoch <= 2; ++epoch) {
        auto list = s.Bss(g);
        const size_t n = list->dwNumberOfItems;
        ASSERT_EQ(n, epoch == 1 ? 4u : 5u);
        const auto* base = reinterpret_cast<const uint8_t*>(list.get());
        const WLAN_BSS_ENTRY& first = list->wlanBssEntries[0];
        const WLAN_BSS_ENTRY& withBig = list->wlanBssEntries[n - 2];
        // The first block starts right after the entries; the next on the following 8-byte boundary.
        EXPECT_EQ(8 + first.ulIeOffset, BssListSize(n));
        EXPECT_EQ(first.ulIeSize, 9u);
        EXPECT_EQ(std::vector<uint8_t>(base + 8 + first.ulIeOffset, base + 8 + first.ulIeOffset + 9),
                  (std::vector<uint8_t>{0, 4, 'A', 'B', 'C', 'D', 3, 1, 6}));
        const size_t bigStart = BssListSize(n - 2) + withBig.ulIeOffset;
        EXPECT_EQ(bigStart, BssListSize(n) + 16);  // 9 bytes, then padding to 16
        EXPECT_EQ(withBig.ulIeSize, 2u + 5u + 257u + 257u);
        EXPECT_EQ(std::vector<uint8_t>(base + bigStart, base + bigStart + 9),
                  (std::vector<uint8_t>{0, 0, 255, 3, 35, 1, 2, 221, 255}));
        const size_t ext = bigStart + 7 + 257;  // the extension element: ID 255, length 1 + 254, its ID
        EXPECT_EQ(std::vector<uint8_t>(base + ext, base + ext + 4), (std::vector<uint8_t>{255, 255, 108, 0xAB}));
        EXPECT_EQ(list->dwTotalSize, bigStart + withBig.ulIeSize);
        for (size_t k : {size_t{1}, n - 1}) {  // without "ies" and with an empty list
            EXPECT_EQ(list->wlanBssEntries[k].ulIeOffset, 0u);
            EXPECT_EQ(list->wlanBssEntries[k].ulIeSize, 0u);
        }
        for (size_t pad = BssListSize(n) + 9; pad < bigStart; ++pad) EXPECT_EQ(base[pad], 0) << pad;
        s.Enum();
    }
}

TEST(SimulatedWlan, ElementsOverLengthAreRefused) {
    for (const std::string& ies : {R"([{"id": 221, "hex": ")" + HexOf(256) + R"("}])",
                                   R"([{"ext": 108, "hex": ")" + HexOf(255) + R"("}])"}) {
        LoadResult r = LoadScenarioText(R"({"interfaces": [{"bss": [{"bssid": "00:00:00:00:00:01", "ies": )" + ies + "}]}]}",
                                        "inline.json");
        EXPECT_FALSE(r);
        EXPECT_THAT(r.message, HasSubstr("ies[0]: is 256 bytes long, at most 255 fit in an element"));
    }
}

// --- The project's example scenarios -----------------------------------------

TEST(SimulatedWlan, ElementsScenarioGivesBothFormsTheSameBytes) {
    SimulatedWlan api(ScenarioPath("elements.json"), [](const std::string& reason) { ADD_FAILURE() << reason; });
    Handle h = nullptr;
    ASSERT_EQ(api.WlanOpenHandle(1, nullptr, nullptr, &h), 0u);
    WlanBuffer<WLAN_INTERFACE_INFO_LIST> interfaces(api);
    ASSERT_EQ(api.WlanEnumInterfaces(h, nullptr, interfaces.out()), 0u);
    WlanBuffer<WLAN_BSS_LIST> list(api);
    ASSERT_EQ(api.WlanGetNetworkBssList(h, &interfaces->InterfaceInfo[0].InterfaceGuid, nullptr, 3, false, nullptr,
                                        list.out()),
              0u);
    ASSERT_EQ(list->dwNumberOfItems, 2u);
    const auto* base = reinterpret_cast<const uint8_t*>(list.get());
    auto block = [&](size_t k) {
        const WLAN_BSS_ENTRY& e = list->wlanBssEntries[k];
        const uint8_t* start = base + BssListSize(k) + e.ulIeOffset;
        return std::vector<uint8_t>(start, start + e.ulIeSize);
    };
    const std::vector<uint8_t> ssid{0, 7, 'O', 'r', 'c', 'h', 'a', 'r', 'd', 3, 1, 6};
    std::vector<uint8_t> first = ssid;
    first.insert(first.end(), {11, 5, 3, 0, 0x40, 0, 0});
    EXPECT_EQ(block(0), first);
    EXPECT_EQ(block(1), ssid);
    EXPECT_EQ(list->dwTotalSize, 8u + 2 * 360 + 24 + 12);
    list.reset();
    interfaces.reset();
    api.WlanCloseHandle(h, nullptr);
}


TEST(SimulatedWlan, DemoScenarioRuns) {
    SimulatedWlan api(ScenarioPath("demo.json"), [](const std::string& reason) { ADD_FAILURE() << reason; });
    Handle h = nullptr;
    ASSERT_EQ(api.WlanOpenHandle(1, nullptr, nullptr, &h), 0u);
    for (int pass = 1; pass <= 40; ++pass) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        ASSERT_EQ(api.WlanEnumInterfaces(h, nullptr, list.out()), 0u);
        ASSERT_EQ(list->dwNumberOfItems, 1u);
        const WLAN_INTERFACE_INFO& info = list->InterfaceInfo[0];
        EXPECT_EQ(InterfaceDescriptionText(info), "Simulated Dual-Band Wi-Fi 6E Adapter");
        WlanBuffer<WLAN_INTERFACE_CAPABILITY> cap(api);
        ASSERT_EQ(api.WlanGetInterfaceCapability(h, &info.InterfaceGuid, nullptr, cap.out()), 0u);
        EXPECT_EQ(CapabilityPhyListText(*cap), "a/b/g/n/ac/ax");
        WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> nets(api);
        ASSERT_EQ(api.WlanGetAvailableNetworkList(h, &info.InterfaceGuid, 1, nullptr, nets.out()), 0u);
        const bool hotspot = (pass >= 6 && pass <= 25) || pass >= 36;
        EXPECT_EQ(nets->dwNumberOfItems, hotspot ? 13u : 12u) << pass;
        for (const auto& n : Entries(nets.get())) EXPECT_LE(n.wlanSignalQuality, 100u);
        EXPECT_EQ(SsidText(nets->Network[8].dot11Ssid), "Caf\xC3\xA9 Ol\xC3\xA9");
        WlanBuffer<WLAN_BSS_LIST> bss(api);
        ASSERT_EQ(api.WlanGetNetworkBssList(h, &info.InterfaceGuid, nullptr, 3, false, nullptr, bss.out()), 0u);
        EXPECT_EQ(bss->dwNumberOfItems, hotspot ? 16u : 15u);
        // Every entry brings its elements, whole, after the entries.
        size_t end = BssListSize(bss->dwNumberOfItems);
        for (size_t k = 0; k < bss->dwNumberOfItems; ++k) {
            const WLAN_BSS_ENTRY& e = bss->wlanBssEntries[k];
            const size_t start = BssListSize(k) + e.ulIeOffset;
            EXPECT_EQ(start, (end + 7) & ~size_t{7}) << k;
            EXPECT_GT(e.ulIeSize, 0u) << k;
            end = start + e.ulIeSize;
        }
        EXPECT_EQ(bss->dwTotalSize, end);
        for (const auto& e : Entries(bss.get())) {
            EXPECT_LE(e.lRssi, -35);
            EXPECT_GE(e.lRssi, -92);
        }
        uint32_t size = 0;
        void* data = nullptr;
        ASSERT_EQ(api.WlanQueryInterface(h, &info.InterfaceGuid, kWlanIntfOpcodeStatistics, nullptr, &size, &data, nullptr), 0u);
        WlanBuffer<WLAN_STATISTICS> stats(api, static_cast<WLAN_STATISTICS*>(data));
        EXPECT_EQ(size, 224u + 6 * 144);
        EXPECT_EQ(stats->PhyCounters[5].ullReceivedFrameCount, 4294967296u);
    }
    EXPECT_EQ(api.LiveBuffers(), 0u);
    EXPECT_EQ(api.WlanCloseHandle(h, nullptr), 0u);
}

TEST(SimulatedWlan, RadioOffScenarioFailsTheCapabilityInPassesThreeToFive) {
    SimulatedWlan api(ScenarioPath("radio-off.json"));
    Handle h = nullptr;
    ASSERT_EQ(api.WlanOpenHandle(1, nullptr, nullptr, &h), 0u);
    for (int pass = 1; pass <= 7; ++pass) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        ASSERT_EQ(api.WlanEnumInterfaces(h, nullptr, list.out()), 0u);
        WlanBuffer<WLAN_INTERFACE_CAPABILITY> cap(api);
        uint32_t rc = api.WlanGetInterfaceCapability(h, &list->InterfaceInfo[0].InterfaceGuid, nullptr, cap.out());
        EXPECT_EQ(rc, pass >= 3 && pass <= 5 ? kErrorNotSupported : 0u) << pass;
        EXPECT_EQ(cap.get() == nullptr, rc != 0);
        WlanBuffer<WLAN_BSS_LIST> bss(api);
        ASSERT_EQ(api.WlanGetNetworkBssList(h, &list->InterfaceInfo[0].InterfaceGuid, nullptr, 3, false, nullptr, bss.out()), 0u);
        EXPECT_EQ(ChannelText(bss->wlanBssEntries[0].ulChCenterFrequency), "6 (2.437 GHz)");
        EXPECT_EQ(RssiText(bss->wlanBssEntries[0].lRssi), "-67 dBm");
    }
    api.WlanCloseHandle(h, nullptr);
}

// --- Files that break the rules ----------------------------------------------

TEST(ScenarioLoad, ProblemsAreNamedWithTheirPlace) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {"{\"interfaces\": [], \"seeds\": 1}", "inline.json:1:29: seeds: unknown key \"seeds\""},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:1A:2B:3C:4D\"}]}]}",
         "inline.json:1:36: interfaces[0].bss[0].bssid: \"00:1A:2B:3C:4D\" is not a BSSID (XX:XX:XX:XX:XX:XX)"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:1A:2B:3C:4D:5G\"}]}]}", "is not a BSSID"},
        {"{\"interfaces\": [{\"bss\": [{}]}]}", "interfaces[0].bss[0]: needs a \"bssid\""},
        {"{\"interfaces\": [{\"networks\": [{\"ssid\": \"123456789012345678901234567890123\"}]}]}",
         "interfaces[0].networks[0].ssid: is 33 bytes long, at most 32 are allowed"},
        {"{\"interfaces\": [{\"networks\": [{\"ssid\": \"Caf\u00e9-Caf\u00e9-Caf\u00e9-Caf\u00e9-Caf\u00e9-Caf\"}]}]}",
         "is 33 bytes long"},
        {"{\"interfaces\": [{\"networks\": [{\"ssid_hex\": \"4G\"}]}]}", "ssid_hex: \"4G\" is not hexadecimal text"},
        {"{\"interfaces\": [{\"networks\": [{\"ssid_hex\": \"414\"}]}]}", "is not hexadecimal text"},
        {"{\"interfaces\": [{\"networks\": [{\"ssid_hex\": \"" "0000000000000000000000000000000000000000000000000000000000000000" "00\"}]}]}",
         "holds 33 bytes, at most 32"},
        {"{\"interfaces\": [{\"networks\": [{\"ssid\": \"a\", \"ssid_hex\": \"41\"}]}]}", "not both"},
        {"{\"interfaces\": [{\"networks\": [{\"ssid_length\": 33}]}]}", "ssid_length: 33 is out of range (0..32)"},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": 101}]}]}", "quality: 101 is out of range (0..100)"},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": [50, -1]}]}]}", "quality[1]: -1 is out of range"},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": {\"walk\": [0, 120]}}]}]}", "quality.walk[1]: 120 is out"},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": {\"walk\": [0]}}]}]}", "must be a list of two limits"},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": {\"step\": 2}}]}]}", "needs \"walk\""},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": {\"walk\": [1, 2], \"stride\": 1}}]}]}", "unknown key \"stride\""},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": []}]}]}", "quality: must not be empty"},
        {"{\"interfaces\": [{\"networks\": [{\"quality\": 50.5}]}]}", "quality: must be a whole number, not 50.5"},
        {"{\"interfaces\": [{\"networks\": [{\"auth\": \"7\"}]}]}", "auth: must be a number, not \"7\""},
        {"{\"interfaces\": [{\"networks\": [{\"reason\": 2147483648}]}]}", "reason: 2147483648 is out of range"},
        {"{\"interfaces\": [{\"networks\": [{\"connectable\": 1}]}]}", "connectable: must be true or false"},
        {"{\"interfaces\": [{\"networks\": [{\"present\": [true, 0]}]}]}", "present[1]: must be true or false"},
        {"{\"interfaces\": [{\"networks\": [{\"phy_types\": [1,2,3,4,5,6,7,8,9]}]}]}",
         "phy_types: has 9 elements, at most 8 are allowed"},
        {"{\"interfaces\": [{\"guid\": \"5649414d-0000-0000-0000-000000000001\"}]}", "guid: \"5649414d-0000-0000-0000-000000000001\" is not a GUID"},
        {"{\"interfaces\": [{\"guid\": \"{5649414d-0000-0000-0000-00000000000x}\"}]}", "is not a GUID"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:00\", \"rates\": [65536]}]}]}", "rates[0]: 65536 is out"},
        {"{\"interfaces\": [{\"statistics\": {\"unicast\": [1, 2]}}]}", "unicast: must be a list of 12 numbers"},
        {"{\"interfaces\": [{\"statistics\": {\"phys\": [[1]]}}]}", "phys[0]: must be a list of 18 numbers"},
        {"{\"interfaces\": [{\"statistics\": {\"four_way_handshake_failures\": -1}}]}", "-1 is out of range"},
        {"{\"interfaces\": []}, ", "not valid JSON"},
        {"{\"interfaces\": [], \"open_result\": 1e999}", "inline.json: not valid JSON: a number is out of range"},
        {"{}", "inline.json:1:1: needs \"interfaces\""},
        {"[]", "must be an object"},
        {"{\"interfaces\": [{}], \"faults\": [{\"call\": \"WlanConnect\", \"result\": 1}]}", "is not a call that can fail"},
        {"{\"interfaces\": [{}], \"faults\": [{\"call\": \"WlanEnumInterfaces\"}]}", "needs a \"result\""},
        {"{\"interfaces\": [{}], \"faults\": [{\"call\": \"WlanEnumInterfaces\", \"result\": 0}]}", "result: 0 is out of range (1..4294967295)"},
        {"{\"interfaces\": [{}], \"faults\": [{\"call\": \"WlanQueryInterface\", \"interface\": 1, \"result\": 5}]}",
         "interface: 1 is out of range (0..0)"},
        {"{\"interfaces\": [{}], \"faults\": [{\"call\": \"WlanQueryInterface\", \"epochs\": {\"to\": 3}, \"result\": 5}]}",
         "needs \"from\""},
        {"{\"interfaces\": [{}], \"faults\": [{\"call\": \"WlanQueryInterface\", \"epochs\": {\"from\": 4, \"to\": 3}, \"result\": 5}]}",
         "is before \"from\""},
        {"{\"interfaces\": [{}], \"open_result\": -1}", "open_result: -1 is out of range"},
        {"{\"interfaces\": [{\"scan_cache\": 1}]}", "interfaces[0].scan_cache: must be true or false"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": \"00 0\"}]}]}",
         "ies: \"00 0\" is not hexadecimal text"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": \"0 00\"}]}]}", "is not hexadecimal text"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"id\": 0, \"hex\": \"zz\"}]}]}]}",
         "ies[0].hex: \"zz\" is not hexadecimal text"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"id\": 256, \"hex\": \"\"}]}]}]}",
         "ies[0].id: 256 is out of range (0..255)"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"ext\": -1, \"hex\": \"\"}]}]}]}",
         "ies[0].ext: -1 is out of range (0..255)"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"hex\": \"00\"}]}]}]}",
         "ies[0]: needs either \"id\" or \"ext\""},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"id\": 1, \"ext\": 2, \"hex\": \"\"}]}]}]}",
         "needs either"},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"id\": 1}]}]}]}", "needs \"hex\""},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": [{\"id\": 1, \"hex\": \"\", \"len\": 1}]}]}]}",
         "unknown key \"len\""},
        {"{\"interfaces\": [{\"bss\": [{\"bssid\": \"00:00:00:00:00:01\", \"ies\": 5}]}]}", "must be hex text or a list"},
    };
    for (const auto& c : cases) {
        LoadResult r = LoadScenarioText(c.json, "inline.json");
        EXPECT_FALSE(r) << c.json;
        EXPECT_EQ(r.error, kErrorInvalidData);
        EXPECT_THAT(r.message, HasSubstr(c.message)) << c.json;
    }
}

TEST(ScenarioLoad, InvalidJsonNamesLineAndColumn) {
    LoadResult r = LoadScenarioText("{\n  \"interfaces\": [\n    {\"state\": 1,}\n  ]\n}\n", "x.json");
    EXPECT_EQ(r.error, kErrorInvalidData);
    EXPECT_THAT(r.message, HasSubstr("x.json:3:17: not valid JSON: "));
    r = LoadScenarioText("{\n  \"interfaces\": [\n    {\"networks\": [{\"ssid\": \"A\"},\n      {\"sid\": 1}]}]}", "y.json");
    EXPECT_THAT(r.message, HasSubstr("y.json:4:15: interfaces[0].networks[1].sid: unknown key \"sid\""));
    r = LoadScenarioText("", "empty.json");
    EXPECT_THAT(r.message, HasSubstr("empty.json:1:1: not valid JSON"));
}

// A hostile file costs bounded stack and memory: nesting, lists and size are capped,
// and a wrong list or object is named by its kind, never printed whole.
TEST(ScenarioLoad, HostileFilesAreRefusedWithTheirPlace) {
    std::string deep = "{\"interfaces\": [{\"networks\": [{\"quality\": ";
    deep += std::string(100000, '[') + std::string(100000, ']') + "}]}]}";
    LoadResult r = LoadScenarioText(deep, "deep.json");
    EXPECT_EQ(r.error, kErrorInvalidData);
    EXPECT_THAT(r.message, HasSubstr("deep.json:1:102: lists and objects nest deeper than 64 levels"));
    // Brackets inside texts do not count.
    EXPECT_TRUE(LoadScenarioText("{\"interfaces\": [{\"description\": \"" + std::string(200, '[') + "\"}]}"));

    std::string many = "{\"interfaces\": [{\"bss\": [{}";
    for (size_t k = 0; k < kMaxEntities; ++k) many += ",{}";
    r = LoadScenarioText(many + "]}]}", "many.json");
    EXPECT_THAT(r.message, HasSubstr("interfaces[0].bss: has 65537 elements, at most 65536 are allowed"));

    r = LoadScenarioText("{\"interfaces\": [{\"bss\": [{\"bssid\": [[1, 2], {\"a\": [3]}]}]}]}", "kind.json");
    EXPECT_THAT(r.message, HasSubstr("bssid: must be a text, not a list"));

    const std::string huge(kMaxScenarioBytes + 1, ' ');
    r = LoadScenarioText(huge, "huge.json");
    EXPECT_EQ(r.error, kErrorInvalidData);
    EXPECT_THAT(r.message, HasSubstr("huge.json: the file has 67108865 bytes, more than the 64 MiB"));
}

TEST(ScenarioLoad, LongDescriptionsAreRefused) {
    std::string ok(255, 'd'), tooLong(256, 'd');
    EXPECT_TRUE(LoadScenarioText(R"({"interfaces": [{"description": ")" + ok + R"("}]})"));
    LoadResult r = LoadScenarioText(R"({"interfaces": [{"networks": [{"profile": ")" + tooLong + R"("}]}]})");
    EXPECT_THAT(r.message, HasSubstr("profile: is 256 UTF-16 units long, at most 255"));
    // A character outside the BMP takes two units.
    std::string emoji;
    for (int k = 0; k < 128; ++k) emoji += "\xF0\x9F\x93\xB6";
    r = LoadScenarioText(R"({"interfaces": [{"description": ")" + emoji + R"("}]})");
    EXPECT_THAT(r.message, HasSubstr("is 256 UTF-16 units long"));
}

}  // namespace
