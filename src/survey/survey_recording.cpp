#include "survey/survey_recording.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "common/encoding.h"

namespace wlan {

namespace {

void PutVarint(std::vector<uint8_t>& out, uint64_t v) {
    for (; v >= 0x80; v >>= 7) out.push_back(static_cast<uint8_t>(v | 0x80));
    out.push_back(static_cast<uint8_t>(v));
}

uint64_t GetVarint(const std::vector<uint8_t>& in, size_t& at) {
    uint64_t v = 0;
    for (int shift = 0; at < in.size(); shift += 7) {
        const uint8_t b = in[at++];
        v |= uint64_t{b & 0x7Fu} << shift;
        if (!(b & 0x80)) break;
    }
    return v;
}

// Small steps either way in few bytes.
uint64_t ZigZag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
int64_t UnZigZag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

}  // namespace

template <typename T>
void Observed<T>::At(uint32_t epoch, T value) {
    if (changes_ && value == last_) return;
    if (changes_ == 0) first_ = value;
    PutVarint(bytes_, epoch - lastEpoch_);
    PutVarint(bytes_, ZigZag(static_cast<int64_t>(value) - static_cast<int64_t>(changes_ ? last_ : T{})));
    lastEpoch_ = epoch;
    last_ = value;
    ++changes_;
}

template <typename T>
std::vector<T> Observed<T>::ByEpoch() const {
    std::vector<T> out;
    if (changes_ == 0) return out;
    out.reserve(lastEpoch_);
    size_t at = 0;
    uint32_t epoch = 0;
    T value{};
    for (size_t k = 0; k < changes_; ++k) {
        epoch += static_cast<uint32_t>(GetVarint(bytes_, at));
        const T next = static_cast<T>(static_cast<int64_t>(value) + UnZigZag(GetVarint(bytes_, at)));
        // The value before stands up to this change; the first also for the epochs before it was seen.
        while (out.size() + 1 < epoch) out.push_back(k ? value : next);
        value = next;
    }
    out.push_back(value);
    return out;
}

template class Observed<uint32_t>;
template class Observed<bool>;

namespace {

enum CallIndex { kEnum, kCapability, kQuery, kNetworks, kBss, kScan };
constexpr std::string_view kCallNames[] = {"WlanEnumInterfaces",          "WlanGetInterfaceCapability",
                                           "WlanQueryInterface",          "WlanGetAvailableNetworkList",
                                           "WlanGetNetworkBssList",       "WlanScan"};

struct StatisticsRecord {
    uint64_t fourWay = 0, tkip = 0;
    std::array<uint64_t, 12> unicast{}, multicast{};
    std::vector<std::array<uint64_t, 18>> phys;
    bool operator==(const StatisticsRecord&) const = default;
};

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

// A BSS entry as the file fixes it. The file has one value for each time stamp,
// and a real adapter's change with every beacon: they are kept from the entry's
// first answer, not made part of its identity, or each pass would add every
// entry anew.
struct BssKey {
    WLAN_BSS_ENTRY entry;
    std::vector<uint8_t> ies;
    bool operator==(const BssKey& o) const {
        return std::memcmp(&entry, &o.entry, sizeof entry) == 0 && ies == o.ies;
    }
};

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

struct SurveyRecording::InterfaceSlot {
    GUID guid{};
    std::u16string description;
    std::optional<std::vector<uint32_t>> phyTypes;
    std::optional<StatisticsRecord> statistics;
    Observed<uint32_t> state;
    Observed<bool> present;
    struct NetworkSlot {
        WLAN_AVAILABLE_NETWORK key;
        Observed<uint32_t> bssids, quality;
        Observed<bool> present;
    };
    struct BssSlot {
        BssKey key;
        uint64_t timestamp = 0, hostTimestamp = 0;
        Observed<uint32_t> rssi, linkQuality;
        Observed<bool> present;
    };
    std::vector<NetworkSlot> networks;  // in file order
    std::vector<BssSlot> bss;
    uint32_t firstNetworks = 0, firstBss = 0;  // the first epochs these lists were answered
};

struct SurveyRecording::PendingInterface {
    std::optional<uint32_t> results[6];  // the first result of each call
    std::optional<std::vector<uint32_t>> phyTypes;
    std::optional<StatisticsRecord> statistics;
    std::vector<WLAN_AVAILABLE_NETWORK> networks;
    std::vector<BssKey> bss;
    std::vector<std::array<uint64_t, 2>> timestamps;
    std::vector<std::array<uint32_t, 2>> signal;  // rssi, link quality
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

#undef VELLUMAR_PENDING

void SurveyRecording::Finish() {
    if (pending_ && !pending_->committed) Commit();
}

void SurveyRecording::AddFault(int call, const InterfaceSlot* slot, uint32_t result, uint32_t epoch) {
    auto it = std::find_if(faults_.begin(), faults_.end(), [&](const FaultRuns& f) {
        return f.call == call && f.slot == slot && f.result == result;
    });
    if (it == faults_.end()) it = faults_.insert(faults_.end(), FaultRuns{call, slot, result, {}});
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
            if (calls.results[call] && *calls.results[call] != 0) AddFault(call, slot, *calls.results[call], e);
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

size_t SurveyRecording::MemoryUse() const {
    size_t bytes = sizeof *this;
    for (const auto& f : interfaces_) {
        bytes += sizeof *f + f->state.Bytes() + f->present.Bytes();
        for (const auto& n : f->networks) bytes += sizeof n + n.bssids.Bytes() + n.quality.Bytes() + n.present.Bytes();
        for (const auto& b : f->bss)
            bytes += sizeof b + b.key.ies.capacity() + b.rssi.Bytes() + b.linkQuality.Bytes() + b.present.Bytes();
    }
    for (const auto& f : faults_) bytes += sizeof f + f.runs.capacity() * sizeof f.runs[0];
    return bytes;
}

// ---- Writing the scenario file ----

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

std::string HexText(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(2 * bytes.size());
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// One object on one line, keys in the order given.
class Fields {
public:
    explicit Fields(std::string& out) : out_(out) { out_ += '{'; }
    ~Fields() { out_ += '}'; }
    std::string& Key(std::string_view key) {
        if (!first_) out_ += ", ";
        first_ = false;
        AppendQuoted(out_, key);
        out_ += ": ";
        return out_;
    }
    void Number(std::string_view key, int64_t v) { Key(key) += std::to_string(v); }
    void Unsigned(std::string_view key, uint64_t v) { Key(key) += std::to_string(v); }
    void Bool(std::string_view key, bool v) { Key(key) += v ? "true" : "false"; }
    void Text(std::string_view key, std::string_view v) { AppendQuoted(Key(key), v); }
    template <typename List>
    void Numbers(std::string_view key, const List& list) {
        std::string& out = Key(key);
        out += '[';
        for (size_t k = 0; k < list.size(); ++k) {
            if (k) out += ", ";
            out += std::to_string(list[k]);
        }
        out += ']';
    }
    // Written only when it differs from the file's default.
    // The record's 32 bits, read as signed for a signed field.
    void Vary(std::string_view key, const Observed<uint32_t>& v, int64_t fallback, bool isSigned = false) {
        if (v.Empty()) return;
        auto value = [isSigned](uint32_t bits) { return isSigned ? int64_t{static_cast<int32_t>(bits)} : int64_t{bits}; };
        if (v.Constant()) {
            if (value(v.First()) != fallback) Number(key, value(v.First()));
            return;
        }
        std::string& out = Key(key);
        out += '[';
        const std::vector<uint32_t> list = v.ByEpoch();
        for (size_t k = 0; k < list.size(); ++k) {
            if (k) out += ", ";
            out += std::to_string(value(list[k]));
        }
        out += ']';
    }
    void Present(const Observed<bool>& v) {
        if (v.Empty()) return;
        if (v.Constant()) {
            if (!v.First()) Bool("present", false);
            return;
        }
        std::string& out = Key("present");
        out += '[';
        const std::vector<bool> list = v.ByEpoch();
        for (size_t k = 0; k < list.size(); ++k) out += k ? (list[k] ? ", true" : ", false") : (list[k] ? "true" : "false");
        out += ']';
    }
    void Ssid(const DOT11_SSID& ssid) {
        const uint32_t length = std::min<uint32_t>(ssid.uSSIDLength, 32);
        // Bytes past the length are part of the record; written when not zero.
        size_t used = 32;
        while (used > length && ssid.ucSSID[used - 1] == 0) --used;
        const std::string_view bytes(reinterpret_cast<const char*>(ssid.ucSSID), used);
        const bool plain = IsValidUtf8(bytes) &&
                           std::none_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        if (plain) {
            if (used) Text("ssid", bytes);
        } else {
            Text("ssid_hex", HexText({ssid.ucSSID, used}));
        }
        if (used != length) Unsigned("ssid_length", length);
    }

private:
    std::string& out_;
    bool first_ = true;
};

constexpr uint16_t kDefaultRates[] = {32770, 32772, 32779, 32790, 12, 18, 24, 36, 48, 72, 96, 108};

}  // namespace

std::string SurveyRecording::ScenarioText() const {
    std::string out = "{\n";
    if (openResult_) out += " \"open_result\": " + std::to_string(*openResult_) + ",\n";
    out += " \"interfaces\": [";
    for (size_t i = 0; i < interfaces_.size(); ++i) {
        const InterfaceSlot& f = *interfaces_[i];
        out += i ? ",\n  " : "\n  ";
        {
            Fields o(out);
            o.Text("guid", GuidText(f.guid));
            o.Text("description", Utf16ToUtf8(f.description.c_str(), f.description.size()));
            o.Vary("state", f.state, 1);
            o.Present(f.present);
            if (f.phyTypes) o.Numbers("phy_types", *f.phyTypes);
            if (f.statistics) {
                const StatisticsRecord& s = *f.statistics;
                std::string& sub = o.Key("statistics");
                Fields st(sub);
                st.Unsigned("four_way_handshake_failures", s.fourWay);
                st.Unsigned("tkip_countermeasures_invoked", s.tkip);
                st.Numbers("unicast", s.unicast);
                st.Numbers("multicast", s.multicast);
                std::string& phys = st.Key("phys");
                phys += '[';
                for (size_t k = 0; k < s.phys.size(); ++k) {
                    if (k) phys += ", ";
                    phys += '[';
                    for (size_t c = 0; c < 18; ++c) phys += (c ? ", " : "") + std::to_string(s.phys[k][c]);
                    phys += ']';
                }
                phys += ']';
            }
            std::string& nets = o.Key("networks");
            nets += '[';
            for (size_t k = 0; k < f.networks.size(); ++k) {
                const auto& slot = f.networks[k];
                const WLAN_AVAILABLE_NETWORK& n = slot.key;
                nets += k ? ",\n    " : "\n    ";
                Fields w(nets);
                w.Ssid(n.dot11Ssid);
                if (n.strProfileName[0]) w.Text("profile", Utf16ToUtf8(n.strProfileName, 256));
                w.Present(slot.present);
                if (n.dot11BssType != 1) w.Unsigned("bss_type", n.dot11BssType);
                w.Vary("bssids", slot.bssids, 1);
                if (!n.bNetworkConnectable) w.Bool("connectable", false);
                if (n.wlanNotConnectableReason) w.Number("reason", static_cast<int32_t>(n.wlanNotConnectableReason));
                const std::vector<uint32_t> phys(n.dot11PhyTypes, n.dot11PhyTypes + n.uNumberOfPhyTypes);
                if (phys != std::vector<uint32_t>{7}) w.Numbers("phy_types", phys);
                if (n.bMorePhyTypes) w.Bool("more_phy_types", true);
                w.Vary("quality", slot.quality, 50);
                if (!n.bSecurityEnabled) w.Bool("security", false);
                if (n.dot11DefaultAuthAlgorithm != 7) w.Unsigned("auth", n.dot11DefaultAuthAlgorithm);
                if (n.dot11DefaultCipherAlgorithm != 4) w.Unsigned("cipher", n.dot11DefaultCipherAlgorithm);
                if (n.dwFlags) w.Unsigned("flags", n.dwFlags);
            }
            nets += f.networks.empty() ? "]" : "\n   ]";
            std::string& bss = o.Key("bss");
            bss += '[';
            for (size_t k = 0; k < f.bss.size(); ++k) {
                const auto& slot = f.bss[k];
                const WLAN_BSS_ENTRY& b = slot.key.entry;
                bss += k ? ",\n    " : "\n    ";
                Fields w(bss);
                char mac[18];
                std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", b.dot11Bssid[0], b.dot11Bssid[1],
                              b.dot11Bssid[2], b.dot11Bssid[3], b.dot11Bssid[4], b.dot11Bssid[5]);
                w.Text("bssid", mac);
                w.Ssid(b.dot11Ssid);
                w.Present(slot.present);
                if (b.uPhyId) w.Unsigned("phy_id", b.uPhyId);
                if (b.dot11BssType != 1) w.Unsigned("bss_type", b.dot11BssType);
                if (b.dot11BssPhyType != 7) w.Unsigned("phy_type", b.dot11BssPhyType);
                w.Vary("rssi", slot.rssi, -60, true);
                w.Vary("link_quality", slot.linkQuality, 80);
                if (!b.bInRegDomain) w.Bool("in_reg_domain", false);
                if (b.usBeaconPeriod != 100) w.Unsigned("beacon_period", b.usBeaconPeriod);
                if (slot.timestamp) w.Unsigned("timestamp", slot.timestamp);
                if (slot.hostTimestamp) w.Unsigned("host_timestamp", slot.hostTimestamp);
                if (b.usCapabilityInformation != 0x0011) w.Unsigned("capability", b.usCapabilityInformation);
                if (b.ulChCenterFrequency != 2437000) w.Unsigned("frequency_khz", b.ulChCenterFrequency);
                const std::span<const uint16_t> rates(b.wlanRateSet.usRateSet, b.wlanRateSet.uRateSetLength / 2);
                if (!std::ranges::equal(rates, kDefaultRates)) w.Numbers("rates", rates);
                if (!slot.key.ies.empty()) w.Text("ies", HexText(slot.key.ies));
            }
            bss += f.bss.empty() ? "]" : "\n   ]";
        }
    }
    out += interfaces_.empty() ? "]" : "\n ]";
    if (!faults_.empty()) {
        out += ",\n \"faults\": [";
        bool first = true;
        for (const FaultRuns& f : faults_) {
            for (const auto& [from, to] : f.runs) {
                out += first ? "\n  " : ",\n  ";
                first = false;
                Fields w(out);
                w.Text("call", kCallNames[f.call]);
                if (f.slot) {
                    const auto at = std::find_if(interfaces_.begin(), interfaces_.end(),
                                                 [&](const auto& s) { return s.get() == f.slot; });
                    w.Unsigned("interface", static_cast<uint64_t>(at - interfaces_.begin()));
                }
                {
                    Fields range(w.Key("epochs"));
                    range.Unsigned("from", from);
                    // A fault that lasts to the end lasts while the last pass stands.
                    if (to != committed_) range.Unsigned("to", to);
                }
                w.Unsigned("result", f.result);
            }
        }
        out += "\n ]";
    }
    out += "\n}\n";
    return out;
}

// ---- The service in front ----

uint32_t RecordingWlan::WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                                       Handle* clientHandle) {
    const uint32_t rc = service_->WlanOpenHandle(clientVersion, reserved, negotiatedVersion, clientHandle);
    if (recording_) recording_->OpenHandle(rc);
    return rc;
}

uint32_t RecordingWlan::WlanCloseHandle(Handle clientHandle, void* reserved) {
    return service_->WlanCloseHandle(clientHandle, reserved);
}

uint32_t RecordingWlan::WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) {
    const uint32_t rc = service_->WlanEnumInterfaces(clientHandle, reserved, interfaceList);
    if (recording_ && interfaceList) recording_->EnumInterfaces(rc, rc == 0 ? *interfaceList : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                                   WLAN_INTERFACE_CAPABILITY** capability) {
    const uint32_t rc = service_->WlanGetInterfaceCapability(clientHandle, interfaceGuid, reserved, capability);
    if (recording_ && interfaceGuid && capability)
        recording_->Capability(*interfaceGuid, rc, rc == 0 ? *capability : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode,
                                           void* reserved, uint32_t* dataSize, void** data, uint32_t* valueType) {
    const uint32_t rc =
        service_->WlanQueryInterface(clientHandle, interfaceGuid, opCode, reserved, dataSize, data, valueType);
    // The file holds statistics only; other opcodes are not the program's.
    if (recording_ && interfaceGuid && opCode == kWlanIntfOpcodeStatistics && dataSize && data)
        recording_->Statistics(*interfaceGuid, rc, rc == 0 ? static_cast<const WLAN_STATISTICS*>(*data) : nullptr,
                               rc == 0 ? *dataSize : 0);
    return rc;
}

uint32_t RecordingWlan::WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t flags,
                                                    void* reserved, WLAN_AVAILABLE_NETWORK_LIST** networkList) {
    const uint32_t rc = service_->WlanGetAvailableNetworkList(clientHandle, interfaceGuid, flags, reserved, networkList);
    if (recording_ && interfaceGuid && networkList)
        recording_->Networks(*interfaceGuid, rc, rc == 0 ? *networkList : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                              uint32_t bssType, bool securityEnabled, void* reserved,
                                              WLAN_BSS_LIST** bssList) {
    const uint32_t rc =
        service_->WlanGetNetworkBssList(clientHandle, interfaceGuid, ssid, bssType, securityEnabled, reserved, bssList);
    if (recording_ && interfaceGuid && bssList && !ssid && bssType == kBssTypeAny)
        recording_->BssList(*interfaceGuid, rc, rc == 0 ? *bssList : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                 const WLAN_RAW_DATA* ieData, void* reserved) {
    const uint32_t rc = service_->WlanScan(clientHandle, interfaceGuid, ssid, ieData, reserved);
    if (recording_ && interfaceGuid) recording_->Scan(*interfaceGuid, rc);
    return rc;
}

uint32_t RecordingWlan::WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) {
    return service_->WlanRegisterNotification(clientHandle, sources, std::move(handler));
}

void RecordingWlan::WlanFreeMemory(void* memory) { service_->WlanFreeMemory(memory); }

}  // namespace wlan
