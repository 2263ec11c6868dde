#include "survey/radio_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "wireless/value_text.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Element(uint8_t id, const Bytes& body) {
    Bytes out{id, static_cast<uint8_t>(body.size())};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes MultiLink(const MacAddress& mld) {
    Bytes body{107, 0xB0, 0x01, 0x07};
    body.insert(body.end(), mld.begin(), mld.end());
    return Element(255, body);
}
// A Multiple BSSID element of 2^n BSSIDs with a profile for each index.
Bytes MultipleBssid(uint8_t n, std::initializer_list<std::pair<uint8_t, std::string>> profiles) {
    Bytes body{n};
    for (const auto& [index, ssid] : profiles) {
        const Bytes profile =
            Join({Element(83, {0x11, 0x04}), Element(0, Bytes(ssid.begin(), ssid.end())), Element(85, {index})});
        body.push_back(0);
        body.push_back(static_cast<uint8_t>(profile.size()));
        body.insert(body.end(), profile.begin(), profile.end());
    }
    return Element(71, body);
}
// A Reduced Neighbor Report with one 12-byte TBTT field: BSSID, short SSID, BSS parameters.
Bytes NeighborReport(const MacAddress& bssid, uint8_t channel, bool coLocated) {
    Bytes body{0x00, 0x0C, 81, channel, 0xFF};
    body.insert(body.end(), bssid.begin(), bssid.end());
    body.insert(body.end(), {0, 0, 0, 0, static_cast<uint8_t>(coLocated ? 0x40 : 0x00)});
    return Element(201, body);
}

MacAddress Mac(const char* text) {
    MacAddress m{};
    unsigned v[6];
    std::sscanf(text, "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    for (int i = 0; i < 6; ++i) m[static_cast<size_t>(i)] = static_cast<uint8_t>(v[i]);
    return m;
}

BssFacts Bss(const char* bssid, const char* ssid, uint32_t channel, int32_t rssi, const Bytes& elements = {}) {
    return {Mac(bssid), ssid, channel, rssi, ParseInformationElements(elements)};
}

std::string Text(const MacAddress& m) {
    uint8_t raw[6];
    std::copy(m.begin(), m.end(), raw);
    return MacAddressText(raw);
}

TEST(RadioGroups, ElementsThatTieBssidsTogetherAreRead) {
    const InformationElements ie = ParseInformationElements(
        Join({MultiLink(Mac("02:aa:00:00:00:01")), MultipleBssid(3, {{1, "Guest"}, {2, "IoT"}}),
              NeighborReport(Mac("00:11:22:33:44:60"), 6, true), NeighborReport(Mac("00:99:00:00:00:01"), 11, false)}));
    ASSERT_TRUE(ie.mldAddress);
    EXPECT_EQ(Text(*ie.mldAddress), "02:AA:00:00:00:01");
    ASSERT_TRUE(ie.multipleBssid);
    EXPECT_EQ(ie.multipleBssid->maxIndicator, 3);
    EXPECT_EQ(ie.multipleBssid->indexes, (std::vector<uint8_t>{1, 2}));
    ASSERT_EQ(ie.neighbors.size(), 2u);
    EXPECT_EQ(Text(ie.neighbors[0].bssid), "00:11:22:33:44:60");
    EXPECT_TRUE(ie.neighbors[0].coLocated);
    EXPECT_EQ(ie.neighbors[1].channel, 11);
    EXPECT_FALSE(ie.neighbors[1].coLocated);
    EXPECT_FALSE(ie.truncated);
}

// A labelled office: three multi-SSID access points (told by Multiple BSSID and a
// co-located report, by address pattern alone, and with locally administered
// addresses), two Wi-Fi 7 ones tied by their MLD address, and neighbours that look
// alike but are not.
TEST(RadioGroups, ALabelledOfficeGroupsEveryBssidCorrectly) {
    const std::vector<BssFacts> entries = {
        Bss("00:11:22:33:44:50", "Corp", 36, -50,
            Join({MultipleBssid(3, {{1, "Guest"}, {2, "IoT"}, {3, "Lab"}}),
                  NeighborReport(Mac("00:11:22:33:44:60"), 6, true)})),
        Bss("00:11:22:33:44:51", "Guest", 36, -51),
        Bss("00:11:22:33:44:52", "IoT", 36, -52),
        Bss("00:11:22:33:44:53", "Lab", 36, -53),
        Bss("00:11:22:33:44:60", "Corp", 6, -45),
        Bss("3c:84:6a:10:20:30", "Cafe", 11, -60),
        Bss("3c:84:6a:10:20:31", "Cafe Guest", 11, -61),
        Bss("3c:84:6a:10:20:32", "Cafe Staff", 11, -62),
        Bss("f2:9f:c2:aa:bb:c1", "Home", 1, -70),
        Bss("f0:9f:c2:aa:bb:c0", "Home Guest", 1, -71),
        Bss("00:0d:0e:01:02:10", "Seven", 36, -55, MultiLink(Mac("02:aa:00:00:00:01"))),
        Bss("00:0d:0e:01:02:20", "Seven", 37, -58, MultiLink(Mac("02:aa:00:00:00:01"))),
        Bss("00:0d:0e:01:02:30", "Seven", 6, -48, MultiLink(Mac("02:aa:00:00:00:01"))),
        Bss("00:0d:0e:01:03:10", "Eight", 149, -66, MultiLink(Mac("02:aa:00:00:00:02"))),
        Bss("00:0d:0e:01:03:20", "Eight", 69, -69, MultiLink(Mac("02:aa:00:00:00:02"))),
        // Neighbours: same vendor, another block; same block, another nibble; same block,
        // another channel; same block and channel as a Wi-Fi 7 link but its own MLD.
        Bss("00:11:22:99:88:77", "Other", 36, -80),
        Bss("3c:84:6a:10:20:45", "Shop", 11, -82),
        Bss("3c:84:6a:10:20:3f", "Shop2", 6, -83),
        Bss("00:0d:0e:01:02:11", "Nine", 36, -84, MultiLink(Mac("02:aa:00:00:00:03"))),
    };
    const std::set<std::set<std::string>> expected = {
        {"00:11:22:33:44:50", "00:11:22:33:44:51", "00:11:22:33:44:52", "00:11:22:33:44:53", "00:11:22:33:44:60"},
        {"3C:84:6A:10:20:30", "3C:84:6A:10:20:31", "3C:84:6A:10:20:32"},
        {"F2:9F:C2:AA:BB:C1", "F0:9F:C2:AA:BB:C0"},
        {"00:0D:0E:01:02:10", "00:0D:0E:01:02:20", "00:0D:0E:01:02:30"},
        {"00:0D:0E:01:03:10", "00:0D:0E:01:03:20"},
        {"00:11:22:99:88:77"},
        {"3C:84:6A:10:20:45"},
        {"3C:84:6A:10:20:3F"},
        {"00:0D:0E:01:02:11"},
    };
    const std::vector<RadioGroup> groups = GroupRadios(entries);
    std::set<std::set<std::string>> found;
    size_t members = 0;
    for (const RadioGroup& g : groups) {
        std::set<std::string> bssids;
        for (size_t m : g.members) bssids.insert(Text(entries[m].bssid));
        found.insert(bssids);
        members += g.members.size();
        // No group mixes vendors: one OUI, the locally administered bit aside.
        for (size_t m : g.members)
            EXPECT_EQ(entries[m].bssid[0] & ~0x02, entries[g.members[0]].bssid[0] & ~0x02) << g.key;
        for (size_t k = 1; k < g.members.size(); ++k)
            EXPECT_GE(entries[g.members[k - 1]].rssi, entries[g.members[k]].rssi) << g.key;
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(members, entries.size());

    auto groupOf = [&](const char* bssid) {
        for (const RadioGroup& g : groups)
            for (size_t m : g.members)
                if (Text(entries[m].bssid) == bssid) return g;
        return RadioGroup{};
    };
    EXPECT_EQ(EvidenceText(groupOf("00:11:22:33:44:50").evidence), "multiple BSSID, neighbor report");
    EXPECT_EQ(EvidenceText(groupOf("3C:84:6A:10:20:30").evidence), "address pattern");
    EXPECT_EQ(EvidenceText(groupOf("00:0D:0E:01:02:10").evidence), "multi-link address");
    EXPECT_EQ(groupOf("00:0D:0E:01:02:10").key, "02:AA:00:00:00:01");  // the MLD address
    EXPECT_EQ(groupOf("3C:84:6A:10:20:32").key, "3C:84:6A:10:20:30");  // the lowest BSSID
    EXPECT_EQ(groupOf("00:11:22:99:88:77").evidence, 0u);
    EXPECT_EQ(Text(entries[groups.front().members.front()].bssid), "00:11:22:33:44:60");  // the strongest first
}

}  // namespace
