#include "survey/radio_groups.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "wireless/value_text.h"

namespace {

// Disjoint sets over the entries, each set with the evidence that joined it.
class Sets {
public:
    explicit Sets(size_t n) : parent_(n), evidence_(n) { std::iota(parent_.begin(), parent_.end(), size_t{0}); }
    size_t Find(size_t i) {
        while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    void Join(size_t a, size_t b, unsigned evidence) {
        a = Find(a), b = Find(b);
        if (a != b) parent_[b] = a, evidence_[a] |= evidence_[b];
        evidence_[a] |= evidence;
    }
    unsigned Evidence(size_t i) { return evidence_[Find(i)]; }

private:
    std::vector<size_t> parent_;
    std::vector<unsigned> evidence_;
};

std::string MacText(const MacAddress& m) {
    uint8_t raw[6];
    std::copy(m.begin(), m.end(), raw);
    return MacAddressText(raw);
}

// The nontransmitted BSSID of an index: the low n bits of the transmitted BSSID,
// counted on by the index modulo 2^n, the other bits kept.
MacAddress NontransmittedBssid(const MacAddress& transmitted, uint8_t n, uint8_t index) {
    MacAddress out = transmitted;
    if (n == 0 || n > 8) return out;  // beyond one byte is more BSSIDs than a set may have
    const unsigned mask = (1u << n) - 1;
    out[5] = static_cast<uint8_t>((transmitted[5] & ~mask) | ((transmitted[5] + index) & mask));
    return out;
}

}  // namespace

bool SameAddressBlock(const MacAddress& a, const MacAddress& b) {
    return (a[0] & ~0x02) == (b[0] & ~0x02) && a[1] == b[1] && a[2] == b[2] && a[3] == b[3] && a[4] == b[4] &&
        (a[5] & 0xF0) == (b[5] & 0xF0);
}

std::vector<RadioGroup> GroupRadios(std::span<const BssFacts> entries) {
    const size_t n = entries.size();
    Sets sets(n);
    std::map<MacAddress, size_t> byBssid;
    for (size_t i = 0; i < n; ++i) byBssid.emplace(entries[i].bssid, i);
    auto find = [&](const MacAddress& m) { return byBssid.find(m); };

    std::map<MacAddress, size_t> byMld;
    for (size_t i = 0; i < n; ++i) {
        const InformationElements& ie = entries[i].elements;
        if (ie.mldAddress) {
            const auto [it, fresh] = byMld.emplace(*ie.mldAddress, i);
            if (!fresh) sets.Join(it->second, i, kEvidenceMultiLink);
        }
        if (ie.multipleBssid)
            for (uint8_t index : ie.multipleBssid->indexes) {
                const auto it = find(NontransmittedBssid(entries[i].bssid, ie.multipleBssid->maxIndicator, index));
                if (it != byBssid.end() && it->second != i) sets.Join(i, it->second, kEvidenceMultipleBssid);
            }
        for (const NeighborAp& neighbor : ie.neighbors) {
            if (!neighbor.coLocated) continue;
            const auto it = find(neighbor.bssid);
            if (it != byBssid.end() && it->second != i) sets.Join(i, it->second, kEvidenceNeighborReport);
        }
    }
    // With nothing said, the address pattern on one channel; never across two sets
    // that carry different MLD addresses, which are two devices by their own word.
    std::vector<const MacAddress*> mldOf(n, nullptr);
    for (size_t i = 0; i < n; ++i)
        if (entries[i].elements.mldAddress) mldOf[sets.Find(i)] = &*entries[i].elements.mldAddress;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            if (entries[i].channel != entries[j].channel || !SameAddressBlock(entries[i].bssid, entries[j].bssid))
                continue;
            const size_t a = sets.Find(i), b = sets.Find(j);
            if (a == b) continue;
            if (mldOf[a] && mldOf[b] && *mldOf[a] != *mldOf[b]) continue;
            sets.Join(a, b, kEvidenceAddressPattern);
            const size_t root = sets.Find(a);
            mldOf[root] = mldOf[a] ? mldOf[a] : mldOf[b];
        }

    std::map<size_t, RadioGroup> byRoot;
    for (size_t i = 0; i < n; ++i) byRoot[sets.Find(i)].members.push_back(i);
    std::vector<RadioGroup> groups;
    for (auto& [root, g] : byRoot) {
        std::stable_sort(g.members.begin(), g.members.end(),
                         [&](size_t a, size_t b) { return entries[a].rssi > entries[b].rssi; });
        g.evidence = sets.Evidence(root);
        const MacAddress* key = nullptr;
        for (size_t m : g.members) {
            const auto& mld = entries[m].elements.mldAddress;
            if (mld) key = &*mld;
        }
        if (!key) {
            key = &entries[g.members.front()].bssid;
            for (size_t m : g.members) key = std::min(key, &entries[m].bssid, [](auto* x, auto* y) { return *x < *y; });
        }
        g.key = MacText(*key);
        groups.push_back(std::move(g));
    }
    std::stable_sort(groups.begin(), groups.end(), [&](const RadioGroup& a, const RadioGroup& b) {
        return entries[a.members.front()].rssi > entries[b.members.front()].rssi;
    });
    return groups;
}

std::string EvidenceText(unsigned evidence) {
    struct Named {
        unsigned bit;
        const char* text;
    };
    constexpr Named kNames[] = {{kEvidenceMultiLink, "multi-link address"},
                                {kEvidenceMultipleBssid, "multiple BSSID"},
                                {kEvidenceNeighborReport, "neighbor report"},
                                {kEvidenceAddressPattern, "address pattern"}};
    std::string out;
    for (const auto& [bit, text] : kNames)
        if (evidence & bit) out += (out.empty() ? "" : ", ") + std::string(text);
    return out;
}
