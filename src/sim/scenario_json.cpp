#include "sim/scenario_json.h"

#include <algorithm>
#include <limits>

#include "common/encoding.h"
#include "common/text.h"

namespace wlan::sim {

Varying Reader::Vary(const json& v, const Path& p, int64_t lo, int64_t hi) {
    Varying out;
    if (v.is_array()) {
        if (!List(v, p, kMaxEpochValues, false)) return Varying::Constant(lo);
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

Presence Reader::Present(const json& v, const Path& p) {
    Presence out;
    if (v.is_array()) {
        if (!List(v, p, kMaxEpochValues, false)) return out;
        out.byEpoch.clear();
        for (size_t k = 0; k < v.size(); ++k) out.byEpoch.push_back(Bool(v[k], Sub(p, k)));
    } else {
        out.byEpoch = {Bool(v, p)};
    }
    return out;
}

std::u16string Reader::Utf16Text(const json& v, const Path& p, size_t maxUnits) {
    std::u16string text = Utf8ToUtf16(Text(v, p));
    if (text.size() > maxUnits)
        Fail(p, "is " + std::to_string(text.size()) + " UTF-16 units long, at most " + std::to_string(maxUnits) +
                    " are allowed");
    return text;
}

std::vector<uint32_t> Reader::U32List(const json& v, const Path& p, size_t max) {
    std::vector<uint32_t> out;
    if (const json* list = List(v, p, max))
        for (size_t k = 0; k < list->size(); ++k) out.push_back(U32((*list)[k], Sub(p, k)));
    return out;
}

std::optional<GUID> ParseGuid(std::string_view t) {
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

bool ParseBssid(std::string_view t, uint8_t (&out)[6]) { return json_text::ParseMac(t, out); }

}  // namespace wlan::sim
