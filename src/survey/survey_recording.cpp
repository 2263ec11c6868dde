#include "survey/survey_recording.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <span>
#include <string_view>

#include "survey/recording_entities.h"

namespace wlan {

using namespace recording;

namespace {

constexpr uint32_t kLinkOpcodes[] = {kWlanIntfOpcodeCurrentConnection, kWlanIntfOpcodeChannelNumber,
                                     kWlanIntfOpcodeRssi};

// A network as the file fixes it: the varying numbers (BSSID count and quality)
// are cleared, the profile name ends at its terminator.
WLAN_AVAILABLE_NETWORK NetworkKey(const WLAN_AVAILABLE_NETWORK& n) {
    WLAN_AVAILABLE_NETWORK k;
    std::memset(&k, 0, sizeof k);
    for (size_t i = 0; i < 255 && n.strProfileName[i]; ++i) k.strProfileName[i] = n.strProfileName[i];
    k.dot11Ssid = n.dot11Ssid;
    k.dot11BssType = n.dot11BssType;
    k.bNetworkConnectable = n.bNetworkConnectable;
    k.wlanNotConnectableReason = n.wlanNotConnectableReason;
    k.uNumberOfPhyTypes = std::min<uint32_t>(n.uNumberOfPhyTypes, 8);
    std::copy_n(n.dot11PhyTypes, k.uNumberOfPhyTypes, k.dot11PhyTypes);
    k.bMorePhyTypes = n.bMorePhyTypes;
    k.bSecurityEnabled = n.bSecurityEnabled;
    k.dot11DefaultAuthAlgorithm = n.dot11DefaultAuthAlgorithm;
    k.dot11DefaultCipherAlgorithm = n.dot11DefaultCipherAlgorithm;
    k.dwFlags = n.dwFlags;
    return k;
}

BssKey MakeBssKey(const WLAN_BSS_LIST* list, size_t index) {
    const WLAN_BSS_ENTRY& e = list->wlanBssEntries[index];
    BssKey k;
    std::memset(&k.entry, 0, sizeof k.entry);
    k.entry.dot11Ssid = e.dot11Ssid;
    k.entry.uPhyId = e.uPhyId;
    std::copy_n(e.dot11Bssid, 6, k.entry.dot11Bssid);
    k.entry.dot11BssType = e.dot11BssType;
    k.entry.dot11BssPhyType = e.dot11BssPhyType;
    k.entry.bInRegDomain = e.bInRegDomain;
    k.entry.usBeaconPeriod = e.usBeaconPeriod;
    k.entry.usCapabilityInformation = e.usCapabilityInformation;
    k.entry.ulChCenterFrequency = e.ulChCenterFrequency;
    const uint32_t rates = std::min<uint32_t>(e.wlanRateSet.uRateSetLength / 2, 126);
    k.entry.wlanRateSet.uRateSetLength = 2 * rates;
    std::copy_n(e.wlanRateSet.usRateSet, rates, k.entry.wlanRateSet.usRateSet);
    // Elements that lie outside the buffer are not the service's to give.
    const size_t entryStart = BssListSize(index);
    const uint64_t start = uint64_t{entryStart} + e.ulIeOffset, end = start + e.ulIeSize;
    if (e.ulIeSize && end <= list->dwTotalSize) {
        const auto* base = reinterpret_cast<const uint8_t*>(list);
        k.ies.assign(base + start, base + end);
    }
    return k;
}

}  // namespace

struct SurveyRecording::PendingInterface {
    std::optional<uint32_t> results[6];  // the first result of each call
    std::optional<std::vector<uint32_t>> phyTypes;
    std::optional<StatisticsRecord> statistics;
    std::vector<WLAN_AVAILABLE_NETWORK> networks;
    std::vector<BssKey> bss;
    std::vector<std::array<uint64_t, 2>> timestamps;
    std::vector<std::array<uint32_t, 2>> signal;  // rssi, link quality
    // The link's opcodes, in the order of kLinkOpcodes: the first result of each, and the answers.
    std::optional<uint32_t> linkResults[3];
    std::optional<WLAN_CONNECTION_ATTRIBUTES> connection;
    std::optional<uint32_t> channel, rssi;
};

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

struct SurveyRecording::Pending {
    std::optional<uint32_t> enumResult;
    std::vector<WLAN_INTERFACE_INFO> interfaces;
    std::map<GUID, PendingInterface, GuidLess> calls;
    bool committed = false;
};

struct SurveyRecording::Known {
    struct Facts {
        std::optional<std::vector<uint32_t>> phyTypes;
        std::optional<StatisticsRecord> statistics;
        InterfaceSlot* slot = nullptr;  // the entry that answered for it last
    };
    std::map<GUID, Facts, GuidLess> byGuid;
};

SurveyRecording::SurveyRecording() : known_(std::make_unique<Known>()) {}
SurveyRecording::~SurveyRecording() = default;

void SurveyRecording::OpenHandle(uint32_t rc) {
    if (epoch_ == 0 && rc != 0) openResult_ = rc;
}

void SurveyRecording::EnumInterfaces(uint32_t rc, const WLAN_INTERFACE_INFO_LIST* list) {
    if (pending_ && !pending_->committed) Commit();
    ++epoch_;
    pending_ = std::make_unique<Pending>();
    pending_->enumResult = rc;
    if (rc == 0)
        for (const WLAN_INTERFACE_INFO& info : Entries(list)) pending_->interfaces.push_back(info);
}

#define VELLUMAR_PENDING(call)                                                              \
    if (!pending_ || pending_->committed) return;                                          \
    PendingInterface& p = pending_->calls[guid];                                            \
    if (p.results[call]) return; /* the pass's own answer counts, later ones in it do not */ \
    p.results[call] = rc;                                                                   \
    if (rc != 0) return

void SurveyRecording::Capability(const GUID& guid, uint32_t rc, const WLAN_INTERFACE_CAPABILITY* capability) {
    VELLUMAR_PENDING(kCapability);
    if (!capability) return;
    const uint32_t n = std::min<uint32_t>(capability->dwNumberOfSupportedPhys, 64);
    p.phyTypes.emplace(capability->dot11PhyTypes, capability->dot11PhyTypes + n);
}

void SurveyRecording::Statistics(const GUID& guid, uint32_t rc, const WLAN_STATISTICS* stats, uint32_t dataSize) {
    VELLUMAR_PENDING(kQuery);
    if (!stats || dataSize < offsetof(WLAN_STATISTICS, PhyCounters)) return;
    StatisticsRecord s;
    s.fourWay = stats->ullFourWayHandshakeFailures;
    s.tkip = stats->ullTKIPCounterMeasuresInvoked;
    static_assert(sizeof(WLAN_MAC_FRAME_STATISTICS) == sizeof s.unicast);
    std::memcpy(s.unicast.data(), &stats->MacUcastCounters, sizeof s.unicast);
    std::memcpy(s.multicast.data(), &stats->MacMcastCounters, sizeof s.multicast);
    const size_t room = (dataSize - offsetof(WLAN_STATISTICS, PhyCounters)) / sizeof(WLAN_PHY_FRAME_STATISTICS);
    const size_t phys = std::min<size_t>({stats->dwNumberOfPhys, room, 64});
    s.phys.resize(phys);
    static_assert(sizeof(WLAN_PHY_FRAME_STATISTICS) == sizeof s.phys[0]);
    for (size_t k = 0; k < phys; ++k) std::memcpy(s.phys[k].data(), &stats->PhyCounters[k], sizeof s.phys[k]);
    p.statistics = std::move(s);
}

void SurveyRecording::Networks(const GUID& guid, uint32_t rc, const WLAN_AVAILABLE_NETWORK_LIST* list) {
    VELLUMAR_PENDING(kNetworks);
    for (const WLAN_AVAILABLE_NETWORK& n : Entries(list)) p.networks.push_back(n);
}

void SurveyRecording::BssList(const GUID& guid, uint32_t rc, const WLAN_BSS_LIST* list) {
    VELLUMAR_PENDING(kBss);
    if (!list) return;
    for (size_t k = 0; k < list->dwNumberOfItems && BssListSize(k + 1) <= list->dwTotalSize; ++k) {
        const WLAN_BSS_ENTRY& e = list->wlanBssEntries[k];
        p.bss.push_back(MakeBssKey(list, k));
        p.timestamps.push_back({e.ullTimestamp, e.ullHostTimestamp});
        p.signal.push_back({static_cast<uint32_t>(e.lRssi), e.uLinkQuality});
    }
}

void SurveyRecording::Scan(const GUID& guid, uint32_t rc) { VELLUMAR_PENDING(kScan); }

void SurveyRecording::Link(const GUID& guid, uint32_t opcode, uint32_t rc, const void* data, uint32_t dataSize) {
    const auto at = std::find(std::begin(kLinkOpcodes), std::end(kLinkOpcodes), opcode);
    if (at == std::end(kLinkOpcodes) || !pending_ || pending_->committed) return;
    PendingInterface& p = pending_->calls[guid];
    auto& result = p.linkResults[at - std::begin(kLinkOpcodes)];
    if (result) return;
    result = rc;
    if (rc != 0 || !data) return;
    if (opcode == kWlanIntfOpcodeCurrentConnection) {
        if (dataSize < sizeof(WLAN_CONNECTION_ATTRIBUTES)) return;
        WLAN_CONNECTION_ATTRIBUTES a;
        std::memcpy(&a, data, sizeof a);
        p.connection = a;
    } else if (dataSize >= sizeof(uint32_t)) {
        uint32_t v = 0;
        std::memcpy(&v, data, sizeof v);
        (opcode == kWlanIntfOpcodeRssi ? p.rssi : p.channel) = v;
    }
}

#undef VELLUMAR_PENDING

void SurveyRecording::Finish() {
    if (pending_ && !pending_->committed) Commit();
}

void SurveyRecording::AddFault(int call, const InterfaceSlot* slot, uint32_t result, uint32_t epoch,
                               std::optional<uint32_t> opcode) {
    auto it = std::find_if(faults_.begin(), faults_.end(), [&](const FaultRuns& f) {
        return f.call == call && f.opcode == opcode && f.slot == slot && f.result == result;
    });
    if (it == faults_.end()) it = faults_.insert(faults_.end(), FaultRuns{call, opcode, slot, result, {}});
    if (!it->runs.empty() && it->runs.back().second + 1 == epoch)
        it->runs.back().second = epoch;
    else
        it->runs.emplace_back(epoch, epoch);
}

namespace {

// Matches a pass's list to the entries of the file in order: each item takes the
// next entry with its identity and fixed values, or a new entry inserted where
// it stands, so that every pass's list is the file's list less the absent ones.
// Returns the entry of each item.
template <typename Slot, typename Item, typename Same, typename Make>
std::vector<size_t> MatchInOrder(std::vector<Slot>& slots, const std::vector<Item>& items, Same same, Make make) {
    std::vector<size_t> at;
    size_t cursor = 0;
    for (const Item& item : items) {
        size_t k = cursor;
        while (k < slots.size() && !same(slots[k], item)) ++k;
        if (k == slots.size()) {
            k = cursor;
            slots.insert(slots.begin() + static_cast<ptrdiff_t>(k), make(item));
        }
        at.push_back(k);
        cursor = k + 1;
    }
    return at;
}

// Every entry of a list answered in this epoch is heard or not; one that is new
// was absent from every list answered before.
template <typename Slot>
void ObservePresence(std::vector<Slot>& slots, const std::vector<size_t>& heard, uint32_t first, uint32_t epoch) {
    std::vector<bool> in(slots.size(), false);
    for (size_t k : heard) in[k] = true;
    for (size_t k = 0; k < slots.size(); ++k) {
        if (slots[k].present.Empty() && first < epoch) slots[k].present.At(first, false);
        slots[k].present.At(epoch, in[k]);
    }
}

}  // namespace

void SurveyRecording::Commit() {
    Pending& p = *pending_;
    p.committed = true;
    const uint32_t e = committed_ = epoch_;
    for (auto& [guid, calls] : p.calls) {
        auto& facts = known_->byGuid[guid];
        if (calls.phyTypes) facts.phyTypes = calls.phyTypes;
        if (calls.statistics) facts.statistics = calls.statistics;
    }
    if (*p.enumResult != 0) {
        AddFault(kEnum, nullptr, *p.enumResult, e);
    } else {
        if (firstListed_ == 0) firstListed_ = e;
        struct Item {
            const WLAN_INTERFACE_INFO* info;
            std::u16string description;
            const Known::Facts* facts;
        };
        std::vector<Item> items;
        for (const WLAN_INTERFACE_INFO& info : p.interfaces) {
            std::u16string description;
            for (size_t i = 0; i < 255 && info.strInterfaceDescription[i]; ++i)
                description.push_back(info.strInterfaceDescription[i]);
            items.push_back({&info, std::move(description), &known_->byGuid[info.InterfaceGuid]});
        }
        // The slots are held by pointer (faults and facts refer to them); matched as a list of indexes.
        std::vector<InterfaceSlot*> order;
        for (auto& slot : interfaces_) order.push_back(slot.get());
        const auto at = MatchInOrder(
            order, items,
            [](const InterfaceSlot* s, const Item& i) {
                // What was never asked of an entry may still be learnt: no pass saw it.
                return s->guid == i.info->InterfaceGuid && s->description == i.description &&
                       (!s->phyTypes || s->phyTypes == i.facts->phyTypes) &&
                       (!s->statistics || s->statistics == i.facts->statistics);
            },
            [&](const Item& i) {
                auto slot = std::make_unique<InterfaceSlot>();
                slot->guid = i.info->InterfaceGuid;
                slot->description = i.description;
                slot->phyTypes = i.facts->phyTypes;
                slot->statistics = i.facts->statistics;
                InterfaceSlot* raw = slot.get();
                interfaces_.push_back(std::move(slot));
                return raw;
            });
        // Put the owners in the new order.
        std::vector<std::unique_ptr<InterfaceSlot>> owners(order.size());
        for (auto& slot : interfaces_)
            owners[static_cast<size_t>(std::find(order.begin(), order.end(), slot.get()) - order.begin())] = std::move(slot);
        interfaces_ = std::move(owners);
        std::vector<bool> in(interfaces_.size(), false);
        for (size_t k = 0; k < at.size(); ++k) {
            in[at[k]] = true;
            InterfaceSlot& slot = *interfaces_[at[k]];
            if (!slot.phyTypes) slot.phyTypes = items[k].facts->phyTypes;
            if (!slot.statistics) slot.statistics = items[k].facts->statistics;
            slot.state.At(e, items[k].info->isState);
            known_->byGuid[items[k].info->InterfaceGuid].slot = interfaces_[at[k]].get();
        }
        for (size_t k = 0; k < interfaces_.size(); ++k) {
            auto& present = interfaces_[k]->present;
            if (present.Empty() && firstListed_ < e) present.At(firstListed_, false);
            present.At(e, in[k]);
        }
    }

    // The other calls answer for the entry listed with their GUID (or listed last).
    for (auto& [guid, calls] : p.calls) {
        InterfaceSlot* slot = known_->byGuid[guid].slot;
        if (!slot) continue;
        for (int call : {kCapability, kQuery, kNetworks, kBss, kScan})
            if (calls.results[call] && *calls.results[call] != 0)
                AddFault(call, slot, *calls.results[call], e,
                         call == kQuery ? std::optional<uint32_t>(kWlanIntfOpcodeStatistics) : std::nullopt);
        CommitLink(*slot, calls, e);
        if (calls.results[kNetworks] == 0u) {
            if (slot->firstNetworks == 0) slot->firstNetworks = e;
            const auto at = MatchInOrder(
                slot->networks, calls.networks,
                [](const InterfaceSlot::NetworkSlot& s, const WLAN_AVAILABLE_NETWORK& n) {
                    const WLAN_AVAILABLE_NETWORK key = NetworkKey(n);
                    return std::memcmp(&s.key, &key, sizeof key) == 0;
                },
                [](const WLAN_AVAILABLE_NETWORK& n) { return InterfaceSlot::NetworkSlot{NetworkKey(n), {}, {}, {}}; });
            for (size_t k = 0; k < at.size(); ++k) {
                slot->networks[at[k]].bssids.At(e, calls.networks[k].uNumberOfBssids);
                slot->networks[at[k]].quality.At(e, calls.networks[k].wlanSignalQuality);
            }
            ObservePresence(slot->networks, at, slot->firstNetworks, e);
        }
        if (calls.results[kBss] == 0u) {
            if (slot->firstBss == 0) slot->firstBss = e;
            const auto at = MatchInOrder(
                slot->bss, calls.bss, [](const InterfaceSlot::BssSlot& s, const BssKey& k) { return s.key == k; },
                [](const BssKey& k) { return InterfaceSlot::BssSlot{k, 0, 0, {}, {}, {}}; });
            for (size_t k = 0; k < at.size(); ++k) {
                auto& b = slot->bss[at[k]];
                if (b.rssi.Empty()) {
                    b.timestamp = calls.timestamps[k][0];
                    b.hostTimestamp = calls.timestamps[k][1];
                }
                b.rssi.At(e, calls.signal[k][0]);
                b.linkQuality.At(e, calls.signal[k][1]);
            }
            ObservePresence(slot->bss, at, slot->firstBss, e);
        }
    }
}

void SurveyRecording::CommitLink(InterfaceSlot& slot, const PendingInterface& calls, uint32_t e) {
    // Without a link the opcodes answer "invalid state": that is the link's absence, not a fault.
    for (size_t k = 0; k < std::size(kLinkOpcodes); ++k)
        if (calls.linkResults[k] && *calls.linkResults[k] != 0 && *calls.linkResults[k] != kErrorInvalidState)
            AddFault(kQuery, &slot, *calls.linkResults[k], e, kLinkOpcodes[k]);
    auto& link = slot.connection;
    if (calls.linkResults[0] == kErrorInvalidState) link.connected.At(e, false);
    if (calls.connection) {
        const WLAN_CONNECTION_ATTRIBUTES& a = *calls.connection;
        if (!link.fixed) link.fixed = a;
        link.connected.At(e, true);
        uint64_t mac = 0;
        for (uint8_t b : a.wlanAssociationAttributes.dot11Bssid) mac = mac << 8 | b;
        link.bssid.At(e, mac);
        link.quality.At(e, a.wlanAssociationAttributes.wlanSignalQuality);
        link.rxRate.At(e, a.wlanAssociationAttributes.ulRxRate);
        link.txRate.At(e, a.wlanAssociationAttributes.ulTxRate);
    }
    if (calls.rssi) link.rssi.At(e, *calls.rssi);
    if (calls.channel) link.channel.At(e, *calls.channel);
}

size_t SurveyRecording::MemoryUse() const {
    size_t bytes = sizeof *this;
    for (const auto& f : interfaces_) {
        bytes += sizeof *f + f->state.Bytes() + f->present.Bytes();
        const auto& c = f->connection;
        bytes += c.connected.Bytes() + c.bssid.Bytes() + c.quality.Bytes() + c.rxRate.Bytes() + c.txRate.Bytes() +
                 c.rssi.Bytes() + c.channel.Bytes();
        for (const auto& n : f->networks) bytes += sizeof n + n.bssids.Bytes() + n.quality.Bytes() + n.present.Bytes();
        for (const auto& b : f->bss)
            bytes += sizeof b + b.key.ies.capacity() + b.rssi.Bytes() + b.linkQuality.Bytes() + b.present.Bytes();
    }
    for (const auto& f : faults_) bytes += sizeof f + f.runs.capacity() * sizeof f.runs[0];
    return bytes;
}

}  // namespace wlan
