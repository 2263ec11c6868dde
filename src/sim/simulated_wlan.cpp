#include "sim/simulated_wlan.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "wireless/value_text.h"

namespace wlan::sim {
namespace {

void CopyText(const std::u16string& text, char16_t (&field)[256]) {
    std::copy_n(text.begin(), std::min<size_t>(text.size(), 255), field);
}

}  // namespace

void ReportToStandardError(const std::string& reason) { std::cerr << reason << std::endl; }

SimulatedWlan::SimulatedWlan(std::string scenarioPath, Reporter report)
    : path_(std::move(scenarioPath)), report_(std::move(report)) {}

SimulatedWlan::SimulatedWlan(std::shared_ptr<const Scenario> scenario) : loaded_(true) {
    if (scenario)
        Use(std::move(scenario));
    else
        loadError_ = kErrorInvalidData;
}

void SimulatedWlan::Use(std::shared_ptr<const Scenario> scenario) {
    scenario_ = std::move(scenario);
    values_.emplace(scenario_->seed);
    scans_.assign(scenario_->interfaces.size(), ScanCache{});
}

// Buffers still held are the caller's to release; a real service would keep them too.
SimulatedWlan::~SimulatedWlan() = default;

uint32_t SimulatedWlan::WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                                       Handle* clientHandle) {
    if (reserved || !clientHandle) return kErrorInvalidParameter;
    if (!loaded_) {
        loaded_ = true;
        LoadResult load = LoadScenarioFile(path_);
        if (!load) {
            loadError_ = load.error;
            if (report_) report_(load.message);
        } else {
            Use(std::move(load.scenario));
        }
    }
    if (!scenario_) return loadError_;
    if (scenario_->openResult != 0) return scenario_->openResult;
    if (clientVersion != 1 && clientVersion != 2) return kErrorInvalidParameter;
    if (negotiatedVersion) *negotiatedVersion = clientVersion;
    handles_.insert(++nextHandle_);
    *clientHandle = reinterpret_cast<Handle>(nextHandle_);
    return 0;
}

uint32_t SimulatedWlan::WlanCloseHandle(Handle clientHandle, void* reserved) {
    if (reserved) return kErrorInvalidParameter;
    listeners_.erase(reinterpret_cast<uintptr_t>(clientHandle));
    return handles_.erase(reinterpret_cast<uintptr_t>(clientHandle)) ? 0 : kErrorInvalidHandle;
}

std::optional<size_t> SimulatedWlan::Find(const GUID* guid) const {
    const auto& list = scenario_->interfaces;
    for (size_t k = 0; k < list.size(); ++k)
        if (list[k].guid == *guid && list[k].present.At(epoch_)) return k;
    return std::nullopt;
}

uint32_t SimulatedWlan::FaultFor(Call call, std::optional<size_t> index) const {
    for (const Fault& fault : scenario_->faults)
        if (fault.Matches(call, index, epoch_)) return fault.result;
    return 0;
}

uint32_t SimulatedWlan::Check(Handle h, const GUID* guid, const void* reserved, const void* out, Call call,
                              std::optional<size_t>& index) const {
    if (!handles_.contains(reinterpret_cast<uintptr_t>(h))) return kErrorInvalidHandle;
    if (reserved || !out || !guid) return kErrorInvalidParameter;
    index = Find(guid);
    if (!index) return kErrorNotFound;
    return FaultFor(call, index);
}

void* SimulatedWlan::Allocate(size_t size) {
    void* p = std::calloc(1, size);
    if (p) buffers_.insert(p);
    return p;
}

void SimulatedWlan::WlanFreeMemory(void* memory) {
    // Only our own buffers; anything else would corrupt the heap.
    if (memory && buffers_.erase(memory)) std::free(memory);
}

uint32_t SimulatedWlan::Value(const Varying& v, uint64_t epoch) { return static_cast<uint32_t>(values_->At(v, epoch)); }

uint64_t SimulatedWlan::ListEpoch(size_t index) {
    if (!scenario_->interfaces[index].scanCache) return epoch_;
    ScanCache& scan = scans_[index];
    // A request made in epoch E has completed from epoch E + 1 on.
    if (scan.pending && epoch_ > *scan.pending) {
        scan.completed = *scan.pending + 1;
        scan.pending.reset();
    }
    return scan.completed;
}

uint32_t SimulatedWlan::WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) {
    if (!handles_.contains(reinterpret_cast<uintptr_t>(clientHandle))) return kErrorInvalidHandle;
    if (reserved || !interfaceList) return kErrorInvalidParameter;
    ++epoch_;  // a failing enumeration is a pass too
    Notify();
    if (uint32_t fault = FaultFor(Call::EnumInterfaces, std::nullopt)) return fault;

    std::vector<const Interface*> listed;
    for (const Interface& f : scenario_->interfaces)
        if (f.present.At(epoch_)) listed.push_back(&f);
    auto* list = static_cast<WLAN_INTERFACE_INFO_LIST*>(Allocate(InterfaceListSize(listed.size())));
    if (!list) return 8;  // ERROR_NOT_ENOUGH_MEMORY
    list->dwNumberOfItems = static_cast<uint32_t>(listed.size());
    for (size_t k = 0; k < listed.size(); ++k) {
        WLAN_INTERFACE_INFO& info = list->InterfaceInfo[k];
        info.InterfaceGuid = listed[k]->guid;
        CopyText(listed[k]->description, info.strInterfaceDescription);
        info.isState = Value(listed[k]->state, epoch_);
    }
    *interfaceList = list;
    return 0;
}

uint32_t SimulatedWlan::WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                                   WLAN_INTERFACE_CAPABILITY** capability) {
    std::optional<size_t> index;
    if (uint32_t rc = Check(clientHandle, interfaceGuid, reserved, capability, Call::GetInterfaceCapability, index))
        return rc;
    const Interface& f = scenario_->interfaces[*index];
    auto* cap = static_cast<WLAN_INTERFACE_CAPABILITY*>(Allocate(sizeof(WLAN_INTERFACE_CAPABILITY)));
    if (!cap) return 8;
    cap->interfaceType = 1;  // native 802.11
    cap->bDot11DSupported = 1;
    cap->dwMaxDesiredSsidListSize = 1;
    cap->dwMaxDesiredBssidListSize = 1;
    cap->dwNumberOfSupportedPhys = static_cast<uint32_t>(f.phyTypes.size());
    std::copy(f.phyTypes.begin(), f.phyTypes.end(), cap->dot11PhyTypes);
    *capability = cap;
    return 0;
}

uint32_t SimulatedWlan::WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode,
                                           void* reserved, uint32_t* dataSize, void** data, uint32_t* valueType) {
    std::optional<size_t> index;
    if (!dataSize) return kErrorInvalidParameter;
    if (!handles_.contains(reinterpret_cast<uintptr_t>(clientHandle))) return kErrorInvalidHandle;
    if (reserved || !data || !interfaceGuid) return kErrorInvalidParameter;
    index = Find(interfaceGuid);
    if (!index) return kErrorNotFound;
    for (const Fault& fault : scenario_->faults)
        if (fault.Matches(Call::QueryInterface, index, epoch_, opCode)) return fault.result;
    if (opCode == kWlanIntfOpcodeCurrentConnection || opCode == kWlanIntfOpcodeChannelNumber ||
        opCode == kWlanIntfOpcodeRssi) {
        const uint32_t rc = QueryConnection(scenario_->interfaces[*index], opCode, dataSize, data);
        if (rc == 0 && valueType) *valueType = 0;  // wlan_opcode_value_type_query_only
        return rc;
    }
    if (opCode != kWlanIntfOpcodeStatistics) return kErrorNotSupported;
    const Statistics& s = scenario_->interfaces[*index].statistics;
    const size_t size = StatisticsSize(s.phys.size());
    auto* stats = static_cast<WLAN_STATISTICS*>(Allocate(size));
    if (!stats) return 8;
    stats->ullFourWayHandshakeFailures = s.fourWayHandshakeFailures;
    stats->ullTKIPCounterMeasuresInvoked = s.tkipCountermeasuresInvoked;
    // The counter records are runs of 64-bit counters in the file's order.
    static_assert(sizeof(WLAN_MAC_FRAME_STATISTICS) == sizeof(s.unicast));
    static_assert(sizeof(WLAN_PHY_FRAME_STATISTICS) == sizeof(s.phys[0]));
    std::memcpy(&stats->MacUcastCounters, s.unicast.data(), sizeof s.unicast);
    std::memcpy(&stats->MacMcastCounters, s.multicast.data(), sizeof s.multicast);
    stats->dwNumberOfPhys = static_cast<uint32_t>(s.phys.size());
    auto* phys = reinterpret_cast<unsigned char*>(stats) + offsetof(WLAN_STATISTICS, PhyCounters);
    for (size_t k = 0; k < s.phys.size(); ++k)
        std::memcpy(phys + k * sizeof(WLAN_PHY_FRAME_STATISTICS), s.phys[k].data(), sizeof s.phys[k]);
    *dataSize = static_cast<uint32_t>(size);
    *data = stats;
    if (valueType) *valueType = 0;  // wlan_opcode_value_type_query_only
    return 0;
}

uint32_t SimulatedWlan::WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t /*flags*/,
                                                    void* reserved, WLAN_AVAILABLE_NETWORK_LIST** networkList) {
    std::optional<size_t> index;
    if (uint32_t rc = Check(clientHandle, interfaceGuid, reserved, networkList, Call::GetAvailableNetworkList, index))
        return rc;
    const uint64_t epoch = ListEpoch(*index);
    std::vector<const Network*> listed;
    for (const Network& n : scenario_->interfaces[*index].networks)
        if (n.present.At(epoch)) listed.push_back(&n);
    auto* list = static_cast<WLAN_AVAILABLE_NETWORK_LIST*>(Allocate(NetworkListSize(listed.size())));
    if (!list) return 8;
    list->dwNumberOfItems = static_cast<uint32_t>(listed.size());
    for (size_t k = 0; k < listed.size(); ++k) {
        const Network& n = *listed[k];
        WLAN_AVAILABLE_NETWORK& e = list->Network[k];
        CopyText(n.profile, e.strProfileName);
        e.dot11Ssid = n.ssid;
        e.dot11BssType = n.bssType;
        e.uNumberOfBssids = Value(n.bssids, epoch);
        e.bNetworkConnectable = n.connectable;
        e.wlanNotConnectableReason = static_cast<uint32_t>(n.reason);
        e.uNumberOfPhyTypes = static_cast<uint32_t>(n.phyTypes.size());
        std::copy(n.phyTypes.begin(), n.phyTypes.end(), e.dot11PhyTypes);
        e.bMorePhyTypes = n.morePhyTypes;
        e.wlanSignalQuality = Value(n.quality, epoch);
        e.bSecurityEnabled = n.security;
        e.dot11DefaultAuthAlgorithm = n.auth;
        e.dot11DefaultCipherAlgorithm = n.cipher;
        e.dwFlags = n.flags;
    }
    *networkList = list;
    return 0;
}

uint32_t SimulatedWlan::WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                              uint32_t bssType, bool /*securityEnabled*/, void* reserved,
                                              WLAN_BSS_LIST** bssList) {
    std::optional<size_t> index;
    if (uint32_t rc = Check(clientHandle, interfaceGuid, reserved, bssList, Call::GetNetworkBssList, index)) return rc;
    if (ssid && ssid->uSSIDLength > 32) return kErrorInvalidParameter;
    const uint64_t epoch = ListEpoch(*index);
    auto matches = [&](const Bss& b) {
        if (!b.present.At(epoch)) return false;
        if (bssType != kBssTypeAny && b.bssType != bssType) return false;
        return !ssid || (b.ssid.uSSIDLength == ssid->uSSIDLength &&
                         std::equal(ssid->ucSSID, ssid->ucSSID + ssid->uSSIDLength, b.ssid.ucSSID));
    };
    std::vector<const Bss*> listed;
    for (const Bss& b : scenario_->interfaces[*index].bss)
        if (matches(b)) listed.push_back(&b);
    // The elements follow the entries, each entry's block on an 8-byte boundary.
    std::vector<size_t> blockStart(listed.size(), 0);
    size_t size = BssListSize(listed.size());
    for (size_t k = 0; k < listed.size(); ++k) {
        if (listed[k]->ies.empty()) continue;
        size = (size + 7) & ~size_t{7};
        blockStart[k] = size;
        size += listed[k]->ies.size();
    }
    if (size > UINT32_MAX) return 8;
    auto* list = static_cast<WLAN_BSS_LIST*>(Allocate(size));
    if (!list) return 8;
    list->dwTotalSize = static_cast<uint32_t>(size);
    list->dwNumberOfItems = static_cast<uint32_t>(listed.size());
    for (size_t k = 0; k < listed.size(); ++k) {
        const Bss& b = *listed[k];
        WLAN_BSS_ENTRY& e = list->wlanBssEntries[k];
        e.dot11Ssid = b.ssid;
        e.uPhyId = b.phyId;
        std::copy(std::begin(b.bssid), std::end(b.bssid), e.dot11Bssid);
        e.dot11BssType = b.bssType;
        e.dot11BssPhyType = b.phyType;
        e.lRssi = static_cast<int32_t>(values_->At(b.rssi, epoch));
        e.uLinkQuality = Value(b.linkQuality, epoch);
        e.bInRegDomain = b.inRegDomain;
        e.usBeaconPeriod = b.beaconPeriod;
        e.ullTimestamp = b.timestamp;
        e.ullHostTimestamp = b.hostTimestamp;
        e.usCapabilityInformation = b.capability;
        e.ulChCenterFrequency = b.frequencyKhz;
        e.wlanRateSet.uRateSetLength = static_cast<uint32_t>(2 * b.rates.size());
        std::copy(b.rates.begin(), b.rates.end(), e.wlanRateSet.usRateSet);
        if (!b.ies.empty()) {
            const size_t entryStart = BssListSize(k);
            e.ulIeOffset = static_cast<uint32_t>(blockStart[k] - entryStart);
            e.ulIeSize = static_cast<uint32_t>(b.ies.size());
            std::memcpy(reinterpret_cast<unsigned char*>(list) + blockStart[k], b.ies.data(), b.ies.size());
        }
    }
    *bssList = list;
    return 0;
}

uint32_t SimulatedWlan::WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                 const WLAN_RAW_DATA* /*ieData*/, void* reserved) {
    std::optional<size_t> index;
    // A scan request has no out-pointer: the GUID stands in for it in the check.
    if (uint32_t rc = Check(clientHandle, interfaceGuid, reserved, interfaceGuid, Call::Scan, index)) return rc;
    if (ssid && ssid->uSSIDLength > 32) return kErrorInvalidParameter;
    if (!scenario_->interfaces[*index].scanCache) return 0;
    ListEpoch(*index);  // settles an earlier request first
    scans_[*index].pending = epoch_;
    return 0;
}

uint32_t SimulatedWlan::WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) {
    const auto h = reinterpret_cast<uintptr_t>(clientHandle);
    if (!handles_.contains(h)) return kErrorInvalidHandle;
    if (sources == kNotificationSourceNone || !handler)
        listeners_.erase(h);
    else
        listeners_[h] = {sources, std::move(handler)};
    return 0;
}

const std::array<uint8_t, 6>* SimulatedWlan::LinkAt(const Interface& f, uint64_t epoch) const {
    if (!f.connection || !f.connection->connected.At(epoch)) return nullptr;
    return &f.connection->BssidAt(epoch);
}

namespace {

template <typename Record>
void FillLink(Record& r, const Connection& c) {
    r.wlanConnectionMode = c.mode;
    CopyText(c.profile, r.strProfileName);
    r.dot11Ssid = c.ssid;
    r.dot11BssType = 1;  // the link is to an access point
    r.bSecurityEnabled = c.security;
}

template <typename Record>
std::vector<uint8_t> Bytes(const Record& r) {
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    return {p, p + sizeof r};
}

std::vector<uint8_t> MsmData(const Connection& c, const std::array<uint8_t, 6>& bssid) {
    WLAN_MSM_NOTIFICATION_DATA d;
    std::memset(&d, 0, sizeof d);
    FillLink(d, c);
    std::copy(bssid.begin(), bssid.end(), d.dot11MacAddr);
    d.bFirstPeer = 1;
    return Bytes(d);
}

std::vector<uint8_t> AcmData(const Connection& c) {
    WLAN_CONNECTION_NOTIFICATION_DATA d;
    std::memset(&d, 0, sizeof d);
    FillLink(d, c);
    return Bytes(d);
}

}  // namespace

void SimulatedWlan::Notify() {
    if (!scenario_) return;
    std::vector<WlanNotification> out;
    for (size_t k = 0; k < scenario_->interfaces.size(); ++k) {
        const Interface& f = scenario_->interfaces[k];
        auto notice = [&](uint32_t source, uint32_t code, std::vector<uint8_t> data) {
            out.push_back({source, code, f.guid, 0, std::move(data), 0});
        };
        const auto* before = LinkAt(f, epoch_ - 1);
        const auto* now = LinkAt(f, epoch_);
        if (before && now && *before != *now) {
            notice(kNotificationSourceMsm, kMsmRoamingStart, MsmData(*f.connection, *before));
            notice(kNotificationSourceMsm, kMsmRoamingEnd, MsmData(*f.connection, *now));
        } else if (!before && now) {
            notice(kNotificationSourceAcm, kAcmConnectionComplete, AcmData(*f.connection));
            notice(kNotificationSourceMsm, kMsmConnected, MsmData(*f.connection, *now));
        } else if (before && !now) {
            notice(kNotificationSourceMsm, kMsmDisconnected, MsmData(*f.connection, *before));
            notice(kNotificationSourceAcm, kAcmDisconnected, AcmData(*f.connection));
        }
        if (f.scanCache && scans_[k].pending && epoch_ > *scans_[k].pending) {
            ListEpoch(k);
            notice(kNotificationSourceAcm, kAcmScanComplete, {});
        }
    }
    // A handler may register again while it runs: call copies.
    std::vector<Listener> listeners;
    for (const auto& [handle, listener] : listeners_) listeners.push_back(listener);
    for (const WlanNotification& n : out)
        for (const Listener& l : listeners)
            if (l.sources & n.source) l.handler(n);
}

uint32_t SimulatedWlan::QueryConnection(const Interface& f, uint32_t opCode, uint32_t* dataSize, void** data) {
    const auto* bssid = LinkAt(f, epoch_);
    if (!bssid) return kErrorInvalidState;
    const Connection& c = *f.connection;
    // The BSS entry of the BSSID, as this epoch's list has it, lends its RSSI and channel.
    const Bss* entry = nullptr;
    for (const Bss& b : f.bss)
        if (b.present.At(epoch_) && std::equal(bssid->begin(), bssid->end(), b.bssid)) {
            entry = &b;
            break;
        }
    auto answer = [&](size_t size) {
        void* p = Allocate(size);
        if (p) {
            *dataSize = static_cast<uint32_t>(size);
            *data = p;
        }
        return p;
    };
    if (opCode == kWlanIntfOpcodeRssi) {
        const int64_t rssi = c.rssi ? values_->At(*c.rssi, epoch_) : entry ? values_->At(entry->rssi, epoch_) : -60;
        auto* p = static_cast<int32_t*>(answer(sizeof(int32_t)));
        if (!p) return 8;
        *p = static_cast<int32_t>(rssi);
        return 0;
    }
    if (opCode == kWlanIntfOpcodeChannelNumber) {
        const uint32_t channel = c.channel ? Value(*c.channel, epoch_)
                                 : entry   ? static_cast<uint32_t>(std::max(0, FrequencyToChannel(entry->frequencyKhz)))
                                           : 0;
        auto* p = static_cast<uint32_t*>(answer(sizeof(uint32_t)));
        if (!p) return 8;
        *p = channel;
        return 0;
    }
    auto* a = static_cast<WLAN_CONNECTION_ATTRIBUTES*>(answer(sizeof(WLAN_CONNECTION_ATTRIBUTES)));
    if (!a) return 8;
    a->isState = Value(f.state, epoch_);
    a->wlanConnectionMode = c.mode;
    CopyText(c.profile, a->strProfileName);
    WLAN_ASSOCIATION_ATTRIBUTES& assoc = a->wlanAssociationAttributes;
    assoc.dot11Ssid = c.ssid;
    assoc.dot11BssType = 1;
    std::copy(bssid->begin(), bssid->end(), assoc.dot11Bssid);
    assoc.dot11PhyType = c.phyType;
    assoc.uDot11PhyIndex = c.phyIndex;
    assoc.wlanSignalQuality = Value(c.quality, epoch_);
    assoc.ulRxRate = Value(c.rxRate, epoch_);
    assoc.ulTxRate = Value(c.txRate, epoch_);
    a->wlanSecurityAttributes = {c.security, c.oneX, c.auth, c.cipher};
    return 0;
}

}  // namespace wlan::sim
