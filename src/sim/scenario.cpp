#include "sim/scenario.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "common/encoding.h"
#include "wireless/wlan_api.h"

namespace wlan::sim {
namespace {

using json = nlohmann::json;

struct PathPart {
    std::string key;  // empty for an array index
    size_t index = 0;
};
using Path = std::vector<PathPart>;

Path Sub(const Path& p, std::string_view key) {
    Path out = p;
    out.push_back({std::string(key), 0});
    return out;
}
Path Sub(const Path& p, size_t index) {
    Path out = p;
    out.push_back({"", index});
    return out;
}

std::string PathText(const Path& p) {
    std::string out;
    for (const auto& part : p) {
        if (part.key.empty()) {
            out += "[" + std::to_string(part.index) + "]";
        } else {
            if (!out.empty()) out += '.';
            out += part.key;
        }
    }
    return out;
}

// --- Where a value stands in the text, for messages -------------------------
// The text is known to be valid JSON here, so the scanner can be simple.

class Locator {
public:
    explicit Locator(std::string_view text) : s_(text) {}

    // The byte offset of the value at p, or of the deepest part of it that exists.
    size_t Find(const Path& p) {
        Blanks();
        for (const auto& part : p) {
            size_t here = i_;
            if (!(part.key.empty() ? EnterIndex(part.index) : EnterKey(part.key))) return here;
        }
        return i_;
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool At(char c) const { return i_ < s_.size() && s_[i_] == c; }

    std::string_view StringToken() {
        size_t start = i_++;
        while (i_ < s_.size() && s_[i_] != '"') i_ += s_[i_] == '\\' ? 2 : 1;
        ++i_;
        return s_.substr(start, std::min(i_, s_.size()) - start);
    }

    void SkipValue() {
        if (At('"')) {
            StringToken();
        } else if (At('{') || At('[')) {
            int depth = 0;
            do {
                if (At('"')) {
                    StringToken();
                    continue;
                }
                if (At('{') || At('[')) ++depth;
                if (At('}') || At(']')) --depth;
                ++i_;
            } while (depth > 0 && i_ < s_.size());
        } else {
            while (i_ < s_.size() && !At(',') && !At('}') && !At(']') && !At(' ') && !At('\n') && !At('\r') &&
                   !At('\t'))
                ++i_;
        }
        Blanks();
    }

    bool EnterKey(const std::string& key) {
        if (!At('{')) return false;
        ++i_;
        for (Blanks(); At('"'); Blanks()) {
            json name = json::parse(StringToken(), nullptr, false);
            Blanks();
            if (At(':')) ++i_;
            Blanks();
            if (name.is_string() && name.get<std::string>() == key) return true;
            SkipValue();
            if (At(',')) ++i_;
        }
        return false;
    }

    bool EnterIndex(size_t index) {
        if (!At('[')) return false;
        ++i_;
        Blanks();
        for (size_t k = 0; k < index; ++k) {
            if (At(']')) return false;
            SkipValue();
            if (At(',')) ++i_;
            Blanks();
        }
        return !At(']');
    }

    std::string_view s_;
    size_t i_ = 0;
};

std::string Position(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    size_t lineStart = text.rfind('\n', offset == 0 ? std::string_view::npos : offset - 1);
    size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    return std::to_string(line) + ":" + std::to_string(column);
}

std::string Shown(const json& v) {
    std::string text = v.dump();
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

// --- Reading the values ------------------------------------------------------
// The first problem is kept; reading goes on with defaults, so that the
// readers need not test for failure after every value.

class Reader {
public:
    bool failed() const { return failed_; }
    const Path& path() const { return path_; }
    const std::string& problem() const { return problem_; }

    void Fail(const Path& p, std::string problem) {
        if (failed_) return;
        failed_ = true;
        path_ = p;
        problem_ = std::move(problem);
    }

    bool Object(const json& v, const Path& p, std::initializer_list<std::string_view> keys) {
        if (!v.is_object()) {
            Fail(p, "must be an object, not " + Shown(v));
            return false;
        }
        for (const auto& [key, value] : v.items())
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) Fail(Sub(p, key), "unknown key \"" + key + "\"");
        return !failed_;
    }

    // Calls read(value, path) when the object has the key.
    template <typename F>
    void Optional(const json& obj, const Path& p, std::string_view key, F read) {
        if (auto it = obj.find(key); it != obj.end()) read(*it, Sub(p, key));
    }

    int64_t Int(const json& v, const Path& p, int64_t lo, int64_t hi) {
        if (v.is_number_unsigned()) {
            uint64_t u = v.get<uint64_t>();
            if (hi >= 0 && u <= static_cast<uint64_t>(hi) && static_cast<int64_t>(u) >= lo) return static_cast<int64_t>(u);
        } else if (v.is_number_integer()) {
            int64_t n = v.get<int64_t>();
            if (n >= lo && n <= hi) return n;
        } else {
            Fail(p, (v.is_number() ? "must be a whole number, not " : "must be a number, not ") + Shown(v));
            return std::max<int64_t>(lo, 0);
        }
        Fail(p, Shown(v) + " is out of range (" + std::to_string(lo) + ".." + std::to_string(hi) + ")");
        return std::max<int64_t>(lo, 0);
    }

    uint32_t U32(const json& v, const Path& p) { return static_cast<uint32_t>(Int(v, p, 0, 0xFFFFFFFF)); }

    uint64_t U64(const json& v, const Path& p) {
        if (v.is_number_unsigned()) return v.get<uint64_t>();
        if (v.is_number_integer())
            Fail(p, Shown(v) + " is out of range (0.." + std::to_string(std::numeric_limits<uint64_t>::max()) + ")");
        else
            Fail(p, (v.is_number() ? "must be a whole number, not " : "must be a number, not ") + Shown(v));
        return 0;
    }

    bool Bool(const json& v, const Path& p) {
        if (v.is_boolean()) return v.get<bool>();
        Fail(p, "must be true or false, not " + Shown(v));
        return false;
    }

    std::string Text(const json& v, const Path& p) {
        if (v.is_string()) return v.get<std::string>();
        Fail(p, "must be a text, not " + Shown(v));
        return {};
    }

    // A list of at most max elements.
    const json* List(const json& v, const Path& p, size_t max, bool allowEmpty = true) {
        if (!v.is_array()) {
            Fail(p, "must be a list, not " + Shown(v));
            return nullptr;
        }
        if (v.size() > max) {
            Fail(p, "has " + std::to_string(v.size()) + " elements, at most " + std::to_string(max) + " are allowed");
            return nullptr;
        }
        if (!allowEmpty && v.empty()) {
            Fail(p, "must not be empty");
            return nullptr;
        }
        return &v;
    }

    Varying Vary(const json& v, const Path& p, int64_t lo, int64_t hi) {
        Varying out;
        if (v.is_array()) {
            if (!List(v, p, std::numeric_limits<size_t>::max(), false)) return Varying::Constant(lo);
            out.kind = Varying::Kind::List;
            for (size_t k = 0; k < v.size(); ++k) out.values.push_back(Int(v[k], Sub(p, k), lo, hi));
        } else if (v.is_object()) {
            if (!Object(v, p, {"walk", "step"})) return Varying::Constant(lo);
            out.kind = Varying::Kind::Walk;
            auto it = v.find("walk");
            if (it == v.end()) {
                Fail(p, "a varying value given as an object needs \"walk\": [low, high]");
                return Varying::Constant(lo);
            }
            Path wp = Sub(p, "walk");
            if (!it->is_array() || it->size() != 2) {
                Fail(wp, "must be a list of two limits, not " + Shown(*it));
                return Varying::Constant(lo);
            }
            int64_t a = Int((*it)[0], Sub(wp, 0), lo, hi), b = Int((*it)[1], Sub(wp, 1), lo, hi);
            out.low = std::min(a, b);
            out.high = std::max(a, b);
            Optional(v, p, "step", [&](const json& s, const Path& sp) { out.step = Int(s, sp, 0, 0xFFFFFFFF); });
            const std::string where = PathText(p);
            uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
            for (unsigned char c : where) h = (h ^ c) * 0x100000001b3ull;
            out.entity = h;
        } else {
            out.values.push_back(Int(v, p, lo, hi));
        }
        return out;
    }

    Presence Present(const json& v, const Path& p) {
        Presence out;
        if (v.is_array()) {
            if (!List(v, p, std::numeric_limits<size_t>::max(), false)) return out;
            out.byEpoch.clear();
            for (size_t k = 0; k < v.size(); ++k) out.byEpoch.push_back(Bool(v[k], Sub(p, k)));
        } else {
            out.byEpoch = {Bool(v, p)};
        }
        return out;
    }

    std::u16string Utf16Text(const json& v, const Path& p, size_t maxUnits) {
        std::u16string text = Utf8ToUtf16(Text(v, p));
        if (text.size() > maxUnits)
            Fail(p, "is " + std::to_string(text.size()) + " UTF-16 units long, at most " + std::to_string(maxUnits) +
                        " are allowed");
        return text;
    }

    std::vector<uint32_t> U32List(const json& v, const Path& p, size_t max) {
        std::vector<uint32_t> out;
        if (const json* list = List(v, p, max))
            for (size_t k = 0; k < list->size(); ++k) out.push_back(U32((*list)[k], Sub(p, k)));
        return out;
    }

    template <size_t N>
    std::array<uint64_t, N> Counters(const json& v, const Path& p) {
        std::array<uint64_t, N> out{};
        if (!v.is_array() || v.size() != N) {
            Fail(p, "must be a list of " + std::to_string(N) + " numbers");
            return out;
        }
        for (size_t k = 0; k < N; ++k) out[k] = U64(v[k], Sub(p, k));
        return out;
    }

private:
    bool failed_ = false;
    Path path_;
    std::string problem_;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits in pairs, no separators.
std::optional<std::vector<uint8_t>> HexBytes(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::vector<uint8_t> out;
    for (size_t k = 0; k < hex.size(); k += 2) {
        int hi = HexDigit(hex[k]), lo = HexDigit(hex[k + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

std::optional<GUID> ParseGuid(std::string_view t) {
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' || t[24] != '-')
        return std::nullopt;
    std::string hex;
    for (size_t k = 1; k < 37; ++k)
        if (k != 9 && k != 14 && k != 19 && k != 24) hex += t[k];
    auto bytes = HexBytes(hex);
    if (!bytes) return std::nullopt;
    const auto& b = *bytes;
    GUID g{};
    g.Data1 = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    g.Data2 = static_cast<uint16_t>((b[4] << 8) | b[5]);
    g.Data3 = static_cast<uint16_t>((b[6] << 8) | b[7]);
    std::copy(b.begin() + 8, b.end(), g.Data4);
    return g;
}

bool ParseBssid(std::string_view t, uint8_t (&out)[6]) {
    if (t.size() != 17) return false;
    std::string hex;
    for (size_t k = 0; k < 17; ++k) {
        if (k % 3 == 2) {
            if (t[k] != ':') return false;
        } else {
            hex += t[k];
        }
    }
    auto bytes = HexBytes(hex);
    if (!bytes) return false;
    std::copy(bytes->begin(), bytes->end(), out);
    return true;
}

DOT11_SSID ReadSsid(Reader& r, const json& obj, const Path& p) {
    DOT11_SSID ssid{};
    std::vector<uint8_t> bytes;
    if (obj.contains("ssid") && obj.contains("ssid_hex")) r.Fail(Sub(p, "ssid_hex"), "give \"ssid\" or \"ssid_hex\", not both");
    r.Optional(obj, p, "ssid", [&](const json& v, const Path& vp) {
        std::string text = r.Text(v, vp);
        if (text.size() > 32) r.Fail(vp, "is " + std::to_string(text.size()) + " bytes long, at most 32 are allowed");
        bytes.assign(text.begin(), text.end());
    });
    r.Optional(obj, p, "ssid_hex", [&](const json& v, const Path& vp) {
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
    r.Optional(obj, p, "ssid_length",
               [&](const json& v, const Path& vp) { ssid.uSSIDLength = static_cast<uint32_t>(r.Int(v, vp, 0, 32)); });
    return ssid;
}

Network ReadNetwork(Reader& r, const json& v, const Path& p) {
    Network n;
    if (!r.Object(v, p, {"ssid", "ssid_hex", "ssid_length", "profile", "present", "bss_type", "bssids", "connectable",
                         "reason", "phy_types", "more_phy_types", "quality", "security", "auth", "cipher", "flags"}))
        return n;
    n.ssid = ReadSsid(r, v, p);
    r.Optional(v, p, "profile", [&](const json& x, const Path& xp) { n.profile = r.Utf16Text(x, xp, 255); });
    r.Optional(v, p, "present", [&](const json& x, const Path& xp) { n.present = r.Present(x, xp); });
    r.Optional(v, p, "bss_type", [&](const json& x, const Path& xp) { n.bssType = r.U32(x, xp); });
    r.Optional(v, p, "bssids", [&](const json& x, const Path& xp) { n.bssids = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, "connectable", [&](const json& x, const Path& xp) { n.connectable = r.Bool(x, xp); });
    r.Optional(v, p, "reason", [&](const json& x, const Path& xp) {
        n.reason = static_cast<int32_t>(r.Int(x, xp, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    });
    r.Optional(v, p, "phy_types", [&](const json& x, const Path& xp) { n.phyTypes = r.U32List(x, xp, 8); });
    r.Optional(v, p, "more_phy_types", [&](const json& x, const Path& xp) { n.morePhyTypes = r.Bool(x, xp); });
    r.Optional(v, p, "quality", [&](const json& x, const Path& xp) { n.quality = r.Vary(x, xp, 0, 100); });
    r.Optional(v, p, "security", [&](const json& x, const Path& xp) { n.security = r.Bool(x, xp); });
    r.Optional(v, p, "auth", [&](const json& x, const Path& xp) { n.auth = r.U32(x, xp); });
    r.Optional(v, p, "cipher", [&](const json& x, const Path& xp) { n.cipher = r.U32(x, xp); });
    r.Optional(v, p, "flags", [&](const json& x, const Path& xp) { n.flags = r.U32(x, xp); });
    return n;
}

Bss ReadBss(Reader& r, const json& v, const Path& p) {
    Bss b;
    if (!r.Object(v, p, {"bssid", "ssid", "ssid_hex", "ssid_length", "present", "phy_id", "bss_type", "phy_type", "rssi",
                         "link_quality", "in_reg_domain", "beacon_period", "timestamp", "host_timestamp", "capability",
                         "frequency_khz", "rates"}))
        return b;
    if (!v.contains("bssid")) r.Fail(p, "needs a \"bssid\"");
    r.Optional(v, p, "bssid", [&](const json& x, const Path& xp) {
        if (!ParseBssid(r.Text(x, xp), b.bssid)) r.Fail(xp, Shown(x) + " is not a BSSID (XX:XX:XX:XX:XX:XX)");
    });
    b.ssid = ReadSsid(r, v, p);
    r.Optional(v, p, "present", [&](const json& x, const Path& xp) { b.present = r.Present(x, xp); });
    r.Optional(v, p, "phy_id", [&](const json& x, const Path& xp) { b.phyId = r.U32(x, xp); });
    r.Optional(v, p, "bss_type", [&](const json& x, const Path& xp) { b.bssType = r.U32(x, xp); });
    r.Optional(v, p, "phy_type", [&](const json& x, const Path& xp) { b.phyType = r.U32(x, xp); });
    r.Optional(v, p, "rssi", [&](const json& x, const Path& xp) {
        b.rssi = r.Vary(x, xp, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    });
    r.Optional(v, p, "link_quality", [&](const json& x, const Path& xp) { b.linkQuality = r.Vary(x, xp, 0, 100); });
    r.Optional(v, p, "in_reg_domain", [&](const json& x, const Path& xp) { b.inRegDomain = r.Bool(x, xp); });
    r.Optional(v, p, "beacon_period",
               [&](const json& x, const Path& xp) { b.beaconPeriod = static_cast<uint16_t>(r.Int(x, xp, 0, 0xFFFF)); });
    r.Optional(v, p, "timestamp", [&](const json& x, const Path& xp) { b.timestamp = r.U64(x, xp); });
    r.Optional(v, p, "host_timestamp", [&](const json& x, const Path& xp) { b.hostTimestamp = r.U64(x, xp); });
    r.Optional(v, p, "capability",
               [&](const json& x, const Path& xp) { b.capability = static_cast<uint16_t>(r.Int(x, xp, 0, 0xFFFF)); });
    r.Optional(v, p, "frequency_khz", [&](const json& x, const Path& xp) { b.frequencyKhz = r.U32(x, xp); });
    r.Optional(v, p, "rates", [&](const json& x, const Path& xp) {
        b.rates.clear();
        if (const json* list = r.List(x, xp, 126))
            for (size_t k = 0; k < list->size(); ++k)
                b.rates.push_back(static_cast<uint16_t>(r.Int((*list)[k], Sub(xp, k), 0, 0xFFFF)));
    });
    return b;
}

Statistics ReadStatistics(Reader& r, const json& v, const Path& p, size_t defaultPhys) {
    Statistics s;
    s.phys.resize(defaultPhys);
    if (!r.Object(v, p, {"four_way_handshake_failures", "tkip_countermeasures_invoked", "unicast", "multicast", "phys"}))
        return s;
    r.Optional(v, p, "four_way_handshake_failures",
               [&](const json& x, const Path& xp) { s.fourWayHandshakeFailures = r.U64(x, xp); });
    r.Optional(v, p, "tkip_countermeasures_invoked",
               [&](const json& x, const Path& xp) { s.tkipCountermeasuresInvoked = r.U64(x, xp); });
    r.Optional(v, p, "unicast", [&](const json& x, const Path& xp) { s.unicast = r.Counters<12>(x, xp); });
    r.Optional(v, p, "multicast", [&](const json& x, const Path& xp) { s.multicast = r.Counters<12>(x, xp); });
    r.Optional(v, p, "phys", [&](const json& x, const Path& xp) {
        s.phys.clear();
        if (const json* list = r.List(x, xp, 64))
            for (size_t k = 0; k < list->size(); ++k) s.phys.push_back(r.Counters<18>((*list)[k], Sub(xp, k)));
    });
    return s;
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
                  {"guid", "description", "state", "present", "phy_types", "networks", "bss", "statistics", "scan_cache"}))
        return f;
    r.Optional(v, p, "guid", [&](const json& x, const Path& xp) {
        auto g = ParseGuid(r.Text(x, xp));
        if (!g)
            r.Fail(xp, Shown(x) + " is not a GUID ({xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx})");
        else
            f.guid = *g;
    });
    r.Optional(v, p, "description", [&](const json& x, const Path& xp) { f.description = r.Utf16Text(x, xp, 255); });
    r.Optional(v, p, "state", [&](const json& x, const Path& xp) { f.state = r.Vary(x, xp, 0, 0xFFFFFFFF); });
    r.Optional(v, p, "present", [&](const json& x, const Path& xp) { f.present = r.Present(x, xp); });
    r.Optional(v, p, "phy_types", [&](const json& x, const Path& xp) { f.phyTypes = r.U32List(x, xp, 64); });
    r.Optional(v, p, "networks", [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, std::numeric_limits<size_t>::max()))
            for (size_t k = 0; k < list->size(); ++k) f.networks.push_back(ReadNetwork(r, (*list)[k], Sub(xp, k)));
    });
    r.Optional(v, p, "bss", [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, std::numeric_limits<size_t>::max()))
            for (size_t k = 0; k < list->size(); ++k) f.bss.push_back(ReadBss(r, (*list)[k], Sub(xp, k)));
    });
    f.statistics.phys.resize(f.phyTypes.size());
    r.Optional(v, p, "statistics",
               [&](const json& x, const Path& xp) { f.statistics = ReadStatistics(r, x, xp, f.phyTypes.size()); });
    r.Optional(v, p, "scan_cache", [&](const json& x, const Path& xp) { f.scanCache = r.Bool(x, xp); });
    return f;
}

constexpr std::pair<std::string_view, Call> kCalls[] = {
    {"WlanEnumInterfaces", Call::EnumInterfaces},
    {"WlanGetInterfaceCapability", Call::GetInterfaceCapability},
    {"WlanQueryInterface", Call::QueryInterface},
    {"WlanGetAvailableNetworkList", Call::GetAvailableNetworkList},
    {"WlanGetNetworkBssList", Call::GetNetworkBssList},
    {"WlanScan", Call::Scan},
};

Fault ReadFault(Reader& r, const json& v, const Path& p, size_t interfaceCount) {
    Fault f;
    if (!r.Object(v, p, {"call", "interface", "epochs", "result"})) return f;
    if (!v.contains("call")) r.Fail(p, "needs a \"call\"");
    if (!v.contains("result")) r.Fail(p, "needs a \"result\"");
    r.Optional(v, p, "call", [&](const json& x, const Path& xp) {
        std::string name = r.Text(x, xp);
        auto it = std::find_if(std::begin(kCalls), std::end(kCalls), [&](const auto& c) { return c.first == name; });
        if (it == std::end(kCalls))
            r.Fail(xp, Shown(x) + " is not a call that can fail (WlanEnumInterfaces, WlanGetInterfaceCapability, "
                                  "WlanQueryInterface, WlanGetAvailableNetworkList, WlanGetNetworkBssList, WlanScan)");
        else
            f.call = it->second;
    });
    r.Optional(v, p, "interface", [&](const json& x, const Path& xp) {
        int64_t hi = static_cast<int64_t>(interfaceCount) - 1;
        if (hi < 0)
            r.Fail(xp, "names an interface, but the scenario has none");
        else
            f.interfaceIndex = static_cast<size_t>(r.Int(x, xp, 0, hi));
    });
    r.Optional(v, p, "epochs", [&](const json& x, const Path& xp) {
        if (x.is_array()) {
            f.epochs.emplace();
            for (size_t k = 0; k < x.size(); ++k)
                f.epochs->push_back(static_cast<uint64_t>(r.Int(x[k], Sub(xp, k), 0, std::numeric_limits<int64_t>::max())));
        } else if (x.is_object()) {
            if (!r.Object(x, xp, {"from", "to"})) return;
            if (!x.contains("from")) r.Fail(xp, "needs \"from\" (and may have \"to\")");
            r.Optional(x, xp, "from", [&](const json& y, const Path& yp) {
                f.from = static_cast<uint64_t>(r.Int(y, yp, 0, std::numeric_limits<int64_t>::max()));
            });
            r.Optional(x, xp, "to", [&](const json& y, const Path& yp) {
                f.to = static_cast<uint64_t>(r.Int(y, yp, 0, std::numeric_limits<int64_t>::max()));
                if (*f.to < f.from) r.Fail(yp, "is before \"from\"");
            });
        } else {
            r.Fail(xp, "must be a list of epochs or {\"from\": A, \"to\": B}, not " + Shown(x));
        }
    });
    // A fault that "succeeds" would leave the caller without its out-pointer.
    r.Optional(v, p, "result", [&](const json& x, const Path& xp) {
        f.result = static_cast<uint32_t>(r.Int(x, xp, 1, 0xFFFFFFFF));
    });
    return f;
}

LoadResult Invalid(std::string message) { return {nullptr, kErrorInvalidData, std::move(message)}; }

// nlohmann's messages begin with the exception id and the position, which we give ourselves.
std::string ParseProblem(const std::string& what) {
    size_t column = what.find("column ");
    size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

uint64_t Mix(uint64_t x) {  // splitmix64
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

uint64_t Draw(uint64_t seed, uint64_t entity, uint64_t epoch) { return Mix(Mix(Mix(seed) ^ entity) ^ epoch); }

}  // namespace

bool Presence::At(uint64_t epoch) const {
    if (byEpoch.empty()) return true;
    size_t k = epoch == 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(epoch - 1, byEpoch.size() - 1));
    return byEpoch[k];
}

bool Fault::Matches(Call c, std::optional<size_t> iface, uint64_t epoch) const {
    if (c != call) return false;
    if (interfaceIndex && c != Call::EnumInterfaces && iface != interfaceIndex) return false;
    if (epochs) return std::find(epochs->begin(), epochs->end(), epoch) != epochs->end();
    return epoch >= from && (!to || epoch <= *to);
}

int64_t VaryingValues::At(const Varying& v, uint64_t epoch) {
    if (v.kind != Varying::Kind::Walk) {
        if (v.values.empty()) return 0;
        size_t k = epoch == 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(epoch - 1, v.values.size() - 1));
        return v.values[k];
    }
    const uint64_t span = static_cast<uint64_t>(v.high - v.low) + 1;
    auto [it, fresh] = walks_.try_emplace(&v, Walked{0, 0});
    Walked& w = it->second;
    if (fresh || w.epoch > epoch) w = {0, v.low + static_cast<int64_t>(span ? Draw(seed_, v.entity, 0) % span : 0)};
    const uint64_t moves = 2 * static_cast<uint64_t>(v.step) + 1;
    while (w.epoch < epoch) {
        ++w.epoch;
        int64_t delta = static_cast<int64_t>(Draw(seed_, v.entity, w.epoch) % moves) - v.step;
        w.value = std::clamp(w.value + delta, v.low, v.high);
    }
    return w.value;
}

LoadResult LoadScenarioText(std::string_view text, std::string_view name) {
    const std::string file(name);
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        size_t offset = e.byte > 0 ? e.byte - 1 : 0;
        return Invalid(file + ":" + Position(text, offset) + ": not valid JSON: " + ParseProblem(e.what()));
    }

    Reader r;
    auto scenario = std::make_shared<Scenario>();
    const Path top;
    if (r.Object(root, top, {"seed", "open_result", "interfaces", "faults"})) {
        if (!root.contains("interfaces")) r.Fail(top, "needs \"interfaces\" (a list, which may be empty)");
        r.Optional(root, top, "seed", [&](const json& x, const Path& xp) { scenario->seed = r.U64(x, xp); });
        r.Optional(root, top, "open_result", [&](const json& x, const Path& xp) { scenario->openResult = r.U32(x, xp); });
        r.Optional(root, top, "interfaces", [&](const json& x, const Path& xp) {
            if (const json* list = r.List(x, xp, std::numeric_limits<size_t>::max()))
                for (size_t k = 0; k < list->size(); ++k)
                    scenario->interfaces.push_back(ReadInterface(r, (*list)[k], Sub(xp, k), k));
        });
        r.Optional(root, top, "faults", [&](const json& x, const Path& xp) {
            if (const json* list = r.List(x, xp, std::numeric_limits<size_t>::max()))
                for (size_t k = 0; k < list->size(); ++k)
                    scenario->faults.push_back(ReadFault(r, (*list)[k], Sub(xp, k), scenario->interfaces.size()));
        });
    }
    if (r.failed()) {
        std::string where = PathText(r.path());
        return Invalid(file + ":" + Position(text, Locator(text).Find(r.path())) + ": " +
                       (where.empty() ? "" : where + ": ") + r.problem());
    }
    return {std::move(scenario), 0, {}};
}

LoadResult LoadScenarioFile(const std::string& path) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(file, ec)) in.open(file, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in.is_open() || in.bad()) return {nullptr, kErrorFileNotFound, path + ": cannot read the scenario file"};
    return LoadScenarioText(content.str(), path);
}

}  // namespace wlan::sim
