#include "survey/survey_recording.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "common/encoding.h"
#include "sim/scenario_format.h"
#include "survey/recording_entities.h"

// The scenario file of a recording: one object per line, and of each entity only
// what differs from the reader's defaults.
namespace wlan {

using namespace recording;
using namespace sim;

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

// A key of the file's object, on a line of its own.
void TopKey(std::string& out, std::string_view key) {
    out += ' ';
    AppendQuoted(out, key);
    out += ": ";
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

std::string MacText(const uint8_t* b) {
    char mac[18];
    std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4], b[5]);
    return mac;
}

std::string MacText(uint64_t v) {
    uint8_t b[6];
    for (int k = 5; k >= 0; --k, v >>= 8) b[k] = static_cast<uint8_t>(v);
    return MacText(b);
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
    void Present(const Observed<bool>& v, std::string_view name = key::kPresent) {
        if (v.Empty()) return;
        if (v.Constant()) {
            if (!v.First()) Bool(name, false);
            return;
        }
        std::string& out = Key(name);
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
            if (used) Text(key::kSsid, bytes);
        } else {
            Text(key::kSsidHex, HexText({ssid.ucSSID, used}));
        }
        if (used != length) Unsigned(key::kSsidLength, length);
    }

private:
    std::string& out_;
    bool first_ = true;
};


// The link, ever connected: each value by epoch as the opcodes answered it. RSSI
// and channel are always written, since left out they would be the BSS entry's.
void WriteConnection(std::string& out, const SurveyRecording::InterfaceSlot::ConnectionSlot& link) {
    const WLAN_CONNECTION_ATTRIBUTES& a = *link.fixed;
    const WLAN_ASSOCIATION_ATTRIBUTES& assoc = a.wlanAssociationAttributes;
    Fields c(out);
    c.Present(link.connected, key::kConnected);
    if (link.bssid.Constant()) {
        c.Text(key::kBssid, MacText(link.bssid.First()));
    } else {
        std::string& list = c.Key(key::kBssid);
        list += '[';
        const std::vector<uint64_t> macs = link.bssid.ByEpoch();
        for (size_t k = 0; k < macs.size(); ++k) AppendQuoted(list += k ? ", " : "", MacText(macs[k]));
        list += ']';
    }
    c.Ssid(assoc.dot11Ssid);
    if (a.strProfileName[0]) c.Text(key::kProfile, Utf16ToUtf8(a.strProfileName, 256));
    if (a.wlanConnectionMode) c.Unsigned(key::kMode, a.wlanConnectionMode);
    if (assoc.dot11PhyType != defaults::kPhyType) c.Unsigned(key::kPhyType, assoc.dot11PhyType);
    if (assoc.uDot11PhyIndex) c.Unsigned(key::kPhyIndex, assoc.uDot11PhyIndex);
    c.Vary(key::kQuality, link.quality, defaults::kConnectionQuality);
    c.Vary(key::kRxRate, link.rxRate, 0);
    c.Vary(key::kTxRate, link.txRate, 0);
    constexpr int64_t kAlways = INT64_MIN;
    c.Vary(key::kRssi, link.rssi, kAlways, true);
    c.Vary(key::kChannel, link.channel, kAlways);
    const WLAN_SECURITY_ATTRIBUTES& sec = a.wlanSecurityAttributes;
    if (!sec.bSecurityEnabled) c.Bool(key::kSecurity, false);
    if (sec.bOneXEnabled) c.Bool(key::kOneX, true);
    if (sec.dot11AuthAlgorithm != defaults::kAuth) c.Unsigned(key::kAuth, sec.dot11AuthAlgorithm);
    if (sec.dot11CipherAlgorithm != defaults::kCipher) c.Unsigned(key::kCipher, sec.dot11CipherAlgorithm);
}

}  // namespace

std::string SurveyRecording::ScenarioText() const {
    std::string out = "{\n";
    if (openResult_) {
        TopKey(out, key::kOpenResult);
        out += std::to_string(*openResult_) + ",\n";
    }
    TopKey(out, key::kInterfaces);
    out += '[';
    for (size_t i = 0; i < interfaces_.size(); ++i) {
        const InterfaceSlot& f = *interfaces_[i];
        out += i ? ",\n  " : "\n  ";
        {
            Fields o(out);
            o.Text(key::kGuid, GuidText(f.guid));
            o.Text(key::kDescription, Utf16ToUtf8(f.description.c_str(), f.description.size()));
            o.Vary(key::kState, f.state, defaults::kInterfaceState);
            o.Present(f.present);
            if (f.phyTypes) o.Numbers(key::kPhyTypes, *f.phyTypes);
            if (f.statistics) {
                const StatisticsRecord& s = *f.statistics;
                std::string& sub = o.Key(key::kStatistics);
                Fields st(sub);
                st.Unsigned(key::kFourWayFailures, s.fourWay);
                st.Unsigned(key::kTkipCountermeasures, s.tkip);
                st.Numbers(key::kUnicast, s.unicast);
                st.Numbers(key::kMulticast, s.multicast);
                std::string& phys = st.Key(key::kPhys);
                phys += '[';
                for (size_t k = 0; k < s.phys.size(); ++k) {
                    if (k) phys += ", ";
                    phys += '[';
                    for (size_t c = 0; c < 18; ++c) phys += (c ? ", " : "") + std::to_string(s.phys[k][c]);
                    phys += ']';
                }
                phys += ']';
            }
            if (const auto& link = f.connection; link.fixed) WriteConnection(o.Key(key::kConnection), link);
            std::string& nets = o.Key(key::kNetworks);
            nets += '[';
            for (size_t k = 0; k < f.networks.size(); ++k) {
                const auto& slot = f.networks[k];
                const WLAN_AVAILABLE_NETWORK& n = slot.key;
                nets += k ? ",\n    " : "\n    ";
                Fields w(nets);
                w.Ssid(n.dot11Ssid);
                if (n.strProfileName[0]) w.Text(key::kProfile, Utf16ToUtf8(n.strProfileName, 256));
                w.Present(slot.present);
                if (n.dot11BssType != defaults::kBssType) w.Unsigned(key::kBssType, n.dot11BssType);
                w.Vary(key::kBssids, slot.bssids, defaults::kBssids);
                if (!n.bNetworkConnectable) w.Bool(key::kConnectable, false);
                if (n.wlanNotConnectableReason) w.Number(key::kReason, static_cast<int32_t>(n.wlanNotConnectableReason));
                const std::vector<uint32_t> phys(n.dot11PhyTypes, n.dot11PhyTypes + n.uNumberOfPhyTypes);
                if (phys != std::vector<uint32_t>{defaults::kPhyType}) w.Numbers(key::kPhyTypes, phys);
                if (n.bMorePhyTypes) w.Bool(key::kMorePhyTypes, true);
                w.Vary(key::kQuality, slot.quality, defaults::kQuality);
                if (!n.bSecurityEnabled) w.Bool(key::kSecurity, false);
                if (n.dot11DefaultAuthAlgorithm != defaults::kAuth) w.Unsigned(key::kAuth, n.dot11DefaultAuthAlgorithm);
                if (n.dot11DefaultCipherAlgorithm != defaults::kCipher) w.Unsigned(key::kCipher, n.dot11DefaultCipherAlgorithm);
                if (n.dwFlags) w.Unsigned(key::kFlags, n.dwFlags);
            }
            nets += f.networks.empty() ? "]" : "\n   ]";
            std::string& bss = o.Key(key::kBss);
            bss += '[';
            for (size_t k = 0; k < f.bss.size(); ++k) {
                const auto& slot = f.bss[k];
                const WLAN_BSS_ENTRY& b = slot.key.entry;
                bss += k ? ",\n    " : "\n    ";
                Fields w(bss);
                w.Text(key::kBssid, MacText(b.dot11Bssid));
                w.Ssid(b.dot11Ssid);
                w.Present(slot.present);
                if (b.uPhyId) w.Unsigned(key::kPhyId, b.uPhyId);
                if (b.dot11BssType != defaults::kBssType) w.Unsigned(key::kBssType, b.dot11BssType);
                if (b.dot11BssPhyType != defaults::kPhyType) w.Unsigned(key::kPhyType, b.dot11BssPhyType);
                w.Vary(key::kRssi, slot.rssi, defaults::kRssi, true);
                w.Vary(key::kLinkQuality, slot.linkQuality, defaults::kLinkQuality);
                if (!b.bInRegDomain) w.Bool(key::kInRegDomain, false);
                if (b.usBeaconPeriod != defaults::kBeaconPeriod) w.Unsigned(key::kBeaconPeriod, b.usBeaconPeriod);
                if (slot.timestamp) w.Unsigned(key::kTimestamp, slot.timestamp);
                if (slot.hostTimestamp) w.Unsigned(key::kHostTimestamp, slot.hostTimestamp);
                if (b.usCapabilityInformation != defaults::kCapability) w.Unsigned(key::kCapability, b.usCapabilityInformation);
                if (b.ulChCenterFrequency != defaults::kFrequencyKhz) w.Unsigned(key::kFrequencyKhz, b.ulChCenterFrequency);
                const std::span<const uint16_t> rates(b.wlanRateSet.usRateSet, b.wlanRateSet.uRateSetLength / 2);
                if (!std::ranges::equal(rates, defaults::kRates)) w.Numbers(key::kRates, rates);
                if (!slot.key.ies.empty()) w.Text(key::kIes, HexText(slot.key.ies));
            }
            bss += f.bss.empty() ? "]" : "\n   ]";
        }
    }
    out += interfaces_.empty() ? "]" : "\n ]";
    if (!faults_.empty()) {
        out += ",\n";
        TopKey(out, key::kFaults);
        out += '[';
        bool first = true;
        for (const FaultRuns& f : faults_) {
            for (const auto& [from, to] : f.runs) {
                out += first ? "\n  " : ",\n  ";
                first = false;
                Fields w(out);
                w.Text(key::kCall, sim::kCallNames[f.call]);
                if (f.opcode) w.Unsigned(key::kOpcode, *f.opcode);
                if (f.slot) {
                    const auto at = std::find_if(interfaces_.begin(), interfaces_.end(),
                                                 [&](const auto& s) { return s.get() == f.slot; });
                    w.Unsigned(key::kInterface, static_cast<uint64_t>(at - interfaces_.begin()));
                }
                {
                    Fields range(w.Key(key::kEpochs));
                    range.Unsigned(key::kFrom, from);
                    // A fault that lasts to the end lasts while the last pass stands.
                    if (to != committed_) range.Unsigned(key::kTo, to);
                }
                w.Unsigned(key::kResult, f.result);
            }
        }
        out += "\n ]";
    }
    out += "\n}\n";
    return out;
}

}  // namespace wlan
