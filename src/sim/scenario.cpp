#include "sim/scenario.h"

// The schema: which keys each object takes, their ranges and defaults.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "common/encoding.h"
#include "sim/scenario_json.h"
#include "wireless/wlan_api.h"

namespace wlan::sim {
namespace {

DOT11_SSID ReadSsid(Reader& r, const json& obj, const Path& p) {
    DOT11_SSID ssid{};
    std::vector<uint8_t> bytes;
    if (obj.contains(key::kSsid) && obj.contains(key::kSsidHex))
        r.Fail(Sub(p, key::kSsidHex), "give \"ssid\" or \"ssid_hex\", not both");
    r.Optional(obj, p, key::kSsid, [&](const json& v, const Path& vp) {
        std::string text = r.Text(v, vp);
        if (text.size() > 32) r.Fail(vp, "is " + std::to_string(text.size()) + " bytes long, at most 32 are allowed");
        bytes.assign(text.begin(), text.end());
    });
    r.Optional(obj, p, key::kSsidHex, [&](const json& v, const Path& vp) {
        std::string text = r.Text(v, vp);
        auto parsed = HexBytes(text);
        if (!parsed)
            r.Fail(vp, Shown(v) + " is not hexadecimal text (pairs of hex digits)");
        else if (parsed->size() > 32)
            r.Fail(vp, "holds " + std::to_string(parsed->size()) + " bytes, at most 32 are allowed");
        else
            bytes = *parsed;
    });
    bytes.resize(std::min<size_t>(bytes.size(), 32));
    std::copy(bytes.begin(), bytes.end(), ssid.ucSSID);
    ssid.uSSIDLength = static_cast<uint32_t>(bytes.size());
    r.Optional(obj, p, key::kSsidLength,
               [&](const json& v, const Path& vp) { ssid.uSSIDLength = static_cast<uint32_t>(r.Int(v, vp, 0, 32)); });
    return ssid;
}

Network ReadNetwork(Reader& r, const json& v, const Path& p) {
    Network n;
    if (!r.Object(v, p,
                  {key::kSsid, key::kSsidHex, key::kSsidLength, key::kProfile, key::kPresent, key::kBssType,
                   key::kBssids, key::kConnectable, key::kReason, key::kPhyTypes, key::kMorePhyTypes, key::kQuality,
                   key::kSecurity, key::kAuth, key::kCipher, key::kFlags}))
        return n;
    n.ssid = ReadSsid(r, v, p);
    r.Optional(v, p, key::kProfile, [&](const json& x, const Path& xp) { n.profile = r.Utf16Text(x, xp, 255); });
    r.Optional(v, p, key::kPresent, [&](const json& x, const Path& xp) { n.present = r.Present(x, xp); });
    r.Optional(v, p, key::kBssType, [&](const json& x, const Path& xp) { n.bssType = r.U32(x, xp); });
    r.Optional(v, p, key::kBssids, [&](const json& x, const Path& xp) { n.bssids = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, key::kConnectable, [&](const json& x, const Path& xp) { n.connectable = r.Bool(x, xp); });
    r.Optional(v, p, key::kReason, [&](const json& x, const Path& xp) {
        n.reason = static_cast<int32_t>(r.Int(x, xp, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    });
    r.Optional(v, p, key::kPhyTypes, [&](const json& x, const Path& xp) { n.phyTypes = r.U32List(x, xp, 8); });
    r.Optional(v, p, key::kMorePhyTypes, [&](const json& x, const Path& xp) { n.morePhyTypes = r.Bool(x, xp); });
    r.Optional(v, p, key::kQuality, [&](const json& x, const Path& xp) { n.quality = r.Vary(x, xp, 0, 100); });
    r.Optional(v, p, key::kSecurity, [&](const json& x, const Path& xp) { n.security = r.Bool(x, xp); });
    r.Optional(v, p, key::kAuth, [&](const json& x, const Path& xp) { n.auth = r.U32(x, xp); });
    r.Optional(v, p, key::kCipher, [&](const json& x, const Path& xp) { n.cipher = r.U32(x, xp); });
    r.Optional(v, p, key::kFlags, [&](const json& x, const Path& xp) { n.flags = r.U32(x, xp); });
    return n;
}

// "ies": raw hex, or a list of elements whose ID and length the service writes.
std::vector<uint8_t> ReadElements(Reader& r, const json& v, const Path& p) {
    auto bytesOf = [&](const json& x, const Path& xp) {
        auto bytes = SeparatedHexBytes(r.Text(x, xp));
        if (!bytes) r.Fail(xp, Shown(x) + " is not hexadecimal text (pairs of hex digits)");
        return bytes.value_or(std::vector<uint8_t>{});
    };
    if (v.is_string()) return bytesOf(v, p);
    std::vector<uint8_t> out;
    const json* list = v.is_array() ? &v : nullptr;
    if (!list) r.Fail(p, "must be hex text or a list of elements, not " + Shown(v));
    for (size_t k = 0; list && k < list->size(); ++k) {
        const json& e = (*list)[k];
        const Path ep = Sub(p, k);
        if (!r.Object(e, ep, {key::kId, key::kExt, key::kHex})) break;
        if (e.contains(key::kId) == e.contains(key::kExt)) r.Fail(ep, "needs either \"id\" or \"ext\"");
        if (!e.contains(key::kHex)) r.Fail(ep, "needs \"hex\"");
        std::vector<uint8_t> body;
        r.Optional(e, ep, key::kHex, [&](const json& x, const Path& xp) { body = bytesOf(x, xp); });
        r.Optional(e, ep, key::kExt, [&](const json& x, const Path& xp) {
            body.insert(body.begin(), static_cast<uint8_t>(r.Int(x, xp, 0, 255)));
            out.push_back(255);
        });
        r.Optional(e, ep, key::kId,
                   [&](const json& x, const Path& xp) { out.push_back(static_cast<uint8_t>(r.Int(x, xp, 0, 255))); });
        if (body.size() > 255) r.Fail(ep, "is " + std::to_string(body.size()) + " bytes long, at most 255 fit in an element");
        out.push_back(static_cast<uint8_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

Bss ReadBss(Reader& r, const json& v, const Path& p) {
    Bss b;
    if (!r.Object(v, p,
                  {key::kBssid, key::kSsid, key::kSsidHex, key::kSsidLength, key::kPresent, key::kPhyId, key::kBssType,
                   key::kPhyType, key::kRssi, key::kLinkQuality, key::kInRegDomain, key::kBeaconPeriod, key::kTimestamp,
                   key::kHostTimestamp, key::kCapability, key::kFrequencyKhz, key::kRates, key::kIes}))
        return b;
    if (!v.contains(key::kBssid)) r.Fail(p, "needs a \"bssid\"");
    r.Optional(v, p, key::kBssid, [&](const json& x, const Path& xp) {
        if (!ParseBssid(r.Text(x, xp), b.bssid)) r.Fail(xp, Shown(x) + " is not a BSSID (XX:XX:XX:XX:XX:XX)");
    });
    b.ssid = ReadSsid(r, v, p);
    r.Optional(v, p, key::kPresent, [&](const json& x, const Path& xp) { b.present = r.Present(x, xp); });
    r.Optional(v, p, key::kPhyId, [&](const json& x, const Path& xp) { b.phyId = r.U32(x, xp); });
    r.Optional(v, p, key::kBssType, [&](const json& x, const Path& xp) { b.bssType = r.U32(x, xp); });
    r.Optional(v, p, key::kPhyType, [&](const json& x, const Path& xp) { b.phyType = r.U32(x, xp); });
    r.Optional(v, p, key::kRssi, [&](const json& x, const Path& xp) {
        b.rssi = r.Vary(x, xp, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    });
    r.Optional(v, p, key::kLinkQuality, [&](const json& x, const Path& xp) { b.linkQuality = r.Vary(x, xp, 0, 100); });
    r.Optional(v, p, key::kInRegDomain, [&](const json& x, const Path& xp) { b.inRegDomain = r.Bool(x, xp); });
    r.Optional(v, p, key::kBeaconPeriod,
               [&](const json& x, const Path& xp) { b.beaconPeriod = static_cast<uint16_t>(r.Int(x, xp, 0, 0xFFFF)); });
    r.Optional(v, p, key::kTimestamp, [&](const json& x, const Path& xp) { b.timestamp = r.U64(x, xp); });
    r.Optional(v, p, key::kHostTimestamp, [&](const json& x, const Path& xp) { b.hostTimestamp = r.U64(x, xp); });
    r.Optional(v, p, key::kCapability,
               [&](const json& x, const Path& xp) { b.capability = static_cast<uint16_t>(r.Int(x, xp, 0, 0xFFFF)); });
    r.Optional(v, p, key::kFrequencyKhz, [&](const json& x, const Path& xp) { b.frequencyKhz = r.U32(x, xp); });
    r.Optional(v, p, key::kRates, [&](const json& x, const Path& xp) {
        b.rates.clear();
        if (const json* list = r.List(x, xp, 126))
            for (size_t k = 0; k < list->size(); ++k)
                b.rates.push_back(static_cast<uint16_t>(r.Int((*list)[k], Sub(xp, k), 0, 0xFFFF)));
    });
    r.Optional(v, p, key::kIes, [&](const json& x, const Path& xp) { b.ies = ReadElements(r, x, xp); });
    return b;
}

Statistics ReadStatistics(Reader& r, const json& v, const Path& p, size_t defaultPhys) {
    Statistics s;
    s.phys.resize(defaultPhys);
    if (!r.Object(v, p, {key::kFourWayFailures, key::kTkipCountermeasures, key::kUnicast, key::kMulticast, key::kPhys}))
        return s;
    r.Optional(v, p, key::kFourWayFailures,
               [&](const json& x, const Path& xp) { s.fourWayHandshakeFailures = r.U64(x, xp); });
    r.Optional(v, p, key::kTkipCountermeasures,
               [&](const json& x, const Path& xp) { s.tkipCountermeasuresInvoked = r.U64(x, xp); });
    r.Optional(v, p, key::kUnicast, [&](const json& x, const Path& xp) { s.unicast = r.Counters<12>(x, xp); });
    r.Optional(v, p, key::kMulticast, [&](const json& x, const Path& xp) { s.multicast = r.Counters<12>(x, xp); });
    r.Optional(v, p, key::kPhys, [&](const json& x, const Path& xp) {
        s.phys.clear();
        if (const json* list = r.List(x, xp, 64))
            for (size_t k = 0; k < list->size(); ++k) s.phys.push_back(r.Counters<18>((*list)[k], Sub(xp, k)));
    });
    return s;
}

Connection ReadConnection(Reader& r, const json& v, const Path& p) {
    Connection c;
    if (!r.Object(v, p,
                  {key::kConnected, key::kBssid, key::kSsid, key::kSsidHex, key::kSsidLength, key::kProfile,
                   key::kMode, key::kPhyType, key::kPhyIndex, key::kQuality, key::kRxRate, key::kTxRate, key::kRssi,
                   key::kChannel, key::kSecurity, key::kOneX, key::kAuth, key::kCipher}))
        return c;
    if (!v.contains(key::kBssid)) r.Fail(p, "needs a \"bssid\"");
    r.Optional(v, p, key::kConnected, [&](const json& x, const Path& xp) { c.connected = r.Present(x, xp); });
    r.Optional(v, p, key::kBssid, [&](const json& x, const Path& xp) {
        auto one = [&](const json& y, const Path& yp) {
            std::array<uint8_t, 6> mac{};
            uint8_t raw[6];
            if (!ParseBssid(r.Text(y, yp), raw))
                r.Fail(yp, Shown(y) + " is not a BSSID (XX:XX:XX:XX:XX:XX)");
            else
                std::copy(std::begin(raw), std::end(raw), mac.begin());
            c.bssids.push_back(mac);
        };
        if (!x.is_array()) return one(x, xp);
        if (const json* list = r.List(x, xp, kMaxEpochValues, false))
            for (size_t k = 0; k < list->size(); ++k) one((*list)[k], Sub(xp, k));
    });
    c.ssid = ReadSsid(r, v, p);
    r.Optional(v, p, key::kProfile, [&](const json& x, const Path& xp) { c.profile = r.Utf16Text(x, xp, 255); });
    r.Optional(v, p, key::kMode, [&](const json& x, const Path& xp) { c.mode = r.U32(x, xp); });
    r.Optional(v, p, key::kPhyType, [&](const json& x, const Path& xp) { c.phyType = r.U32(x, xp); });
    r.Optional(v, p, key::kPhyIndex, [&](const json& x, const Path& xp) { c.phyIndex = r.U32(x, xp); });
    r.Optional(v, p, key::kQuality, [&](const json& x, const Path& xp) { c.quality = r.Vary(x, xp, 0, 100); });
    r.Optional(v, p, key::kRxRate, [&](const json& x, const Path& xp) { c.rxRate = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, key::kTxRate, [&](const json& x, const Path& xp) { c.txRate = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, key::kRssi, [&](const json& x, const Path& xp) {
        c.rssi = r.Vary(x, xp, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    });
    r.Optional(v, p, key::kChannel, [&](const json& x, const Path& xp) { c.channel = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, key::kSecurity, [&](const json& x, const Path& xp) { c.security = r.Bool(x, xp); });
    r.Optional(v, p, key::kOneX, [&](const json& x, const Path& xp) { c.oneX = r.Bool(x, xp); });
    r.Optional(v, p, key::kAuth, [&](const json& x, const Path& xp) { c.auth = r.U32(x, xp); });
    r.Optional(v, p, key::kCipher, [&](const json& x, const Path& xp) { c.cipher = r.U32(x, xp); });
    if (c.bssids.empty()) c.bssids.emplace_back();
    return c;
}

GUID DefaultGuid(size_t index) {
    GUID g{0x5649414d, 0, 0, {}};
    uint64_t n = index + 1;
    for (int k = 7; k >= 2; --k, n >>= 8) g.Data4[k] = static_cast<uint8_t>(n & 0xFF);
    return g;
}

Interface ReadInterface(Reader& r, const json& v, const Path& p, size_t index) {
    Interface f;
    f.guid = DefaultGuid(index);
    f.description = Utf8ToUtf16("Simulated Wireless Adapter " + std::to_string(index + 1));
    if (!r.Object(v, p,
                  {key::kGuid, key::kDescription, key::kState, key::kPresent, key::kPhyTypes, key::kNetworks, key::kBss,
                   key::kStatistics, key::kScanCache, key::kConnection}))
        return f;
    r.Optional(v, p, key::kGuid, [&](const json& x, const Path& xp) {
        auto g = ParseGuid(r.Text(x, xp));
        if (!g)
            r.Fail(xp, Shown(x) + " is not a GUID ({xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx})");
        else
            f.guid = *g;
    });
    r.Optional(v, p, key::kDescription,
               [&](const json& x, const Path& xp) { f.description = r.Utf16Text(x, xp, 255); });
    r.Optional(v, p, key::kState, [&](const json& x, const Path& xp) { f.state = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, key::kPresent, [&](const json& x, const Path& xp) { f.present = r.Present(x, xp); });
    r.Optional(v, p, key::kPhyTypes, [&](const json& x, const Path& xp) { f.phyTypes = r.U32List(x, xp, 64); });
    r.Optional(v, p, key::kNetworks, [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, kMaxEntities))
            for (size_t k = 0; k < list->size(); ++k) f.networks.push_back(ReadNetwork(r, (*list)[k], Sub(xp, k)));
    });
    r.Optional(v, p, key::kBss, [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, kMaxEntities))
            for (size_t k = 0; k < list->size(); ++k) f.bss.push_back(ReadBss(r, (*list)[k], Sub(xp, k)));
    });
    f.statistics.phys.resize(f.phyTypes.size());
    r.Optional(v, p, key::kStatistics,
               [&](const json& x, const Path& xp) { f.statistics = ReadStatistics(r, x, xp, f.phyTypes.size()); });
    r.Optional(v, p, key::kScanCache, [&](const json& x, const Path& xp) { f.scanCache = r.Bool(x, xp); });
    r.Optional(v, p, key::kConnection, [&](const json& x, const Path& xp) { f.connection = ReadConnection(r, x, xp); });
    return f;
}

Fault ReadFault(Reader& r, const json& v, const Path& p, size_t interfaceCount) {
    Fault f;
    if (!r.Object(v, p, {key::kCall, key::kInterface, key::kEpochs, key::kResult, key::kOpcode})) return f;
    if (!v.contains(key::kCall)) r.Fail(p, "needs a \"call\"");
    if (!v.contains(key::kResult)) r.Fail(p, "needs a \"result\"");
    r.Optional(v, p, key::kCall, [&](const json& x, const Path& xp) {
        std::string name = r.Text(x, xp);
        auto it = std::find(std::begin(kCallNames), std::end(kCallNames), name);
        if (it == std::end(kCallNames))
            r.Fail(xp, Shown(x) + " is not a call that can fail (WlanEnumInterfaces, WlanGetInterfaceCapability, "
                                  "WlanQueryInterface, WlanGetAvailableNetworkList, WlanGetNetworkBssList, WlanScan)");
        else
            f.call = static_cast<Call>(it - std::begin(kCallNames));
    });
    r.Optional(v, p, key::kInterface, [&](const json& x, const Path& xp) {
        int64_t hi = static_cast<int64_t>(interfaceCount) - 1;
        if (hi < 0)
            r.Fail(xp, "names an interface, but the scenario has none");
        else
            f.interfaceIndex = static_cast<size_t>(r.Int(x, xp, 0, hi));
    });
    r.Optional(v, p, key::kEpochs, [&](const json& x, const Path& xp) {
        if (x.is_array()) {
            f.epochs.emplace();
            for (size_t k = 0; k < x.size(); ++k)
                f.epochs->push_back(static_cast<uint64_t>(r.Int(x[k], Sub(xp, k), 0, std::numeric_limits<int64_t>::max())));
        } else if (x.is_object()) {
            if (!r.Object(x, xp, {key::kFrom, key::kTo})) return;
            if (!x.contains(key::kFrom)) r.Fail(xp, "needs \"from\" (and may have \"to\")");
            r.Optional(x, xp, key::kFrom, [&](const json& y, const Path& yp) {
                f.from = static_cast<uint64_t>(r.Int(y, yp, 0, std::numeric_limits<int64_t>::max()));
            });
            r.Optional(x, xp, key::kTo, [&](const json& y, const Path& yp) {
                f.to = static_cast<uint64_t>(r.Int(y, yp, 0, std::numeric_limits<int64_t>::max()));
                if (*f.to < f.from) r.Fail(yp, "is before \"from\"");
            });
        } else {
            r.Fail(xp, "must be a list of epochs or {\"from\": A, \"to\": B}, not " + Shown(x));
        }
    });
    r.Optional(v, p, key::kOpcode, [&](const json& x, const Path& xp) {
        f.opcode = r.U32(x, xp);
        if (f.call != Call::QueryInterface) r.Fail(xp, "is for a \"WlanQueryInterface\" fault only");
    });
    // A fault that "succeeds" would leave the caller without its out-pointer.
    r.Optional(v, p, key::kResult, [&](const json& x, const Path& xp) {
        f.result = static_cast<uint32_t>(r.Int(x, xp, 1, 0xFFFFFFFF));
    });
    return f;
}

LoadResult Invalid(std::string message) { return {nullptr, kErrorInvalidData, std::move(message)}; }

}  // namespace

bool Presence::At(uint64_t epoch) const {
    if (byEpoch.empty()) return true;
    size_t k = epoch == 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(epoch - 1, byEpoch.size() - 1));
    return byEpoch[k];
}

const std::array<uint8_t, 6>& Connection::BssidAt(uint64_t epoch) const {
    const size_t k = epoch == 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(epoch - 1, bssids.size() - 1));
    return bssids[k];
}

bool Fault::Matches(Call c, std::optional<size_t> iface, uint64_t epoch, std::optional<uint32_t> op) const {
    if (c != call) return false;
    if (opcode && op && *op != *opcode) return false;
    if (interfaceIndex && c != Call::EnumInterfaces && iface != interfaceIndex) return false;
    if (epochs) return std::find(epochs->begin(), epochs->end(), epoch) != epochs->end();
    return epoch >= from && (!to || epoch <= *to);
}

std::optional<uint64_t> LastChangeEpoch(const Scenario& scenario) {
    uint64_t last = 1;
    bool forever = false;
    auto vary = [&](const Varying& v) {
        if (v.kind == Varying::Kind::Walk) forever = true;
        if (v.kind == Varying::Kind::List) last = std::max<uint64_t>(last, v.values.size());
    };
    auto present = [&](const Presence& p) { last = std::max<uint64_t>(last, p.byEpoch.size()); };
    for (const Interface& f : scenario.interfaces) {
        vary(f.state);
        present(f.present);
        // A scan cache answers from the epoch after its last request: it moves while scans are asked.
        if (f.scanCache) forever = true;
        for (const Network& n : f.networks) {
            vary(n.bssids);
            vary(n.quality);
            present(n.present);
        }
        for (const Bss& b : f.bss) {
            vary(b.rssi);
            vary(b.linkQuality);
            present(b.present);
        }
        if (const auto& c = f.connection) {
            present(c->connected);
            last = std::max<uint64_t>(last, c->bssids.size());
            for (const Varying* v : {&c->quality, &c->rxRate, &c->txRate}) vary(*v);
            if (c->rssi) vary(*c->rssi);
            if (c->channel) vary(*c->channel);
        }
    }
    for (const Fault& f : scenario.faults) {
        if (f.epochs) {
            for (uint64_t e : *f.epochs) last = std::max(last, e + 1);  // the epoch after it no longer fails
        } else if (f.to) {
            last = std::max(last, *f.to + 1);
        } else {
            last = std::max(last, f.from);  // failing from then on
        }
    }
    if (forever) return std::nullopt;
    return last;
}

LoadResult LoadScenarioText(std::string_view text, std::string_view name) {
    const std::string file(name);
    json_text::ParsedJson parsed = json_text::ParseCapped(text, file, kMaxScenarioBytes, kMaxNesting);
    if (!parsed.error.empty()) return Invalid(parsed.error);
    const json root = std::move(parsed.value);

    Reader r;
    auto scenario = std::make_shared<Scenario>();
    const Path top;
    if (r.Object(root, top, {key::kSeed, key::kOpenResult, key::kInterfaces, key::kFaults})) {
        if (!root.contains(key::kInterfaces)) r.Fail(top, "needs \"interfaces\" (a list, which may be empty)");
        r.Optional(root, top, key::kSeed, [&](const json& x, const Path& xp) { scenario->seed = r.U64(x, xp); });
        r.Optional(root, top, key::kOpenResult,
                   [&](const json& x, const Path& xp) { scenario->openResult = r.U32(x, xp); });
        r.Optional(root, top, key::kInterfaces, [&](const json& x, const Path& xp) {
            if (const json* list = r.List(x, xp, kMaxInterfaces))
                for (size_t k = 0; k < list->size(); ++k)
                    scenario->interfaces.push_back(ReadInterface(r, (*list)[k], Sub(xp, k), k));
        });
        r.Optional(root, top, key::kFaults, [&](const json& x, const Path& xp) {
            if (const json* list = r.List(x, xp, kMaxEntities))
                for (size_t k = 0; k < list->size(); ++k)
                    scenario->faults.push_back(ReadFault(r, (*list)[k], Sub(xp, k), scenario->interfaces.size()));
        });
    }
    if (r.failed()) {
        std::string where = PathText(r.path());
        return Invalid(file + ":" + PathPosition(text, r.path()) + ": " +
                       (where.empty() ? "" : where + ": ") + r.problem());
    }
    return {std::move(scenario), 0, {}};
}

LoadResult LoadScenarioFile(const std::string& path) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(file, ec)) in.open(file, std::ios::binary);
    // Not read at all when too large: the cap is on memory, not only on parsing.
    if (const uintmax_t size = std::filesystem::file_size(file, ec); !ec && in.is_open() && size > kMaxScenarioBytes)
        return Invalid(path + ": the file has " + std::to_string(size) + " bytes, more than the " +
                       std::to_string(kMaxScenarioBytes >> 20) + " MiB it may have");
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in.is_open() || in.bad()) return {nullptr, kErrorFileNotFound, path + ": cannot read the scenario file"};
    return LoadScenarioText(content.str(), path);
}

}  // namespace wlan::sim
