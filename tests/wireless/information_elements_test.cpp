#include "wireless/information_elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// One element as a frame carries it: ID, length, body. (Sized first: GCC 12
// warns wrongly about inserting into a fresh two-byte vector.)
Bytes Element(uint8_t id, const uint8_t* body, size_t size) {
    Bytes out(2 + size);
    out[0] = id;
    out[1] = static_cast<uint8_t>(size);
    std::copy(body, body + size, out.begin() + 2);
    return out;
}
Bytes E(uint8_t id, std::initializer_list<uint8_t> body) { return Element(id, body.begin(), body.size()); }
// An extension element: ID 255, then the extension ID inside the body.
Bytes X(uint8_t ext, std::initializer_list<uint8_t> body) {
    Bytes inner{ext};
    inner.insert(inner.end(), body);
    return Element(255, inner.data(), inner.size());
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Layouts from the standard, with the fields that matter as arguments.
Bytes Ssid(const std::string& name) {
    return Element(0, reinterpret_cast<const uint8_t*>(name.data()), name.size());
}
const Bytes kOfdmRates = E(1, {0x8C, 0x12, 0x98, 0x24, 0xB0, 0x48, 0x60, 0x6C});       // 6..54, basic 6/12/24
const Bytes kCckRates = E(1, {0x82, 0x84, 0x8B, 0x96});                                // 1, 2, 5.5, 11
const Bytes kErpRates = Join({E(1, {0x82, 0x84, 0x8B, 0x96, 0x0C, 0x12, 0x18, 0x24}), E(50, {0x30, 0x48, 0x60, 0x6C})});
Bytes Ds(uint8_t channel) { return E(3, {channel}); }
Bytes HtCaps() { return E(45, {0xEF, 0x01, 0x1B, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}); }
Bytes HtOp(uint8_t primary, uint8_t offset, bool anyWidth) {
    return E(61, {primary, static_cast<uint8_t>(offset | (anyWidth ? 0x04 : 0)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                  0, 0, 0, 0, 0, 0, 0});
}
Bytes VhtCaps() { return E(191, {0x91, 0x59, 0x82, 0x0F, 0xFA, 0xFF, 0, 0, 0xFA, 0xFF, 0, 0}); }
Bytes VhtOp(uint8_t width, uint8_t ccfs0, uint8_t ccfs1) { return E(192, {width, ccfs0, ccfs1, 0xFA, 0xFF}); }
Bytes HeCaps() { return X(35, {0x09, 0, 0x08, 0x12, 0, 0x10, 0x22, 0x20, 0x02, 0xC0, 0x0F, 0x03, 0x95, 0x18, 0, 0xCC, 0, 0xFA, 0xFF, 0xFA, 0xFF}); }
// HE Operation without optional parts, with the VHT part, or with the 6 GHz part.
Bytes HeOp() { return X(36, {0x04, 0x00, 0x00, 0x2A, 0xFC, 0xFF}); }
Bytes HeOpVht(uint8_t width, uint8_t ccfs0, uint8_t ccfs1) {
    return X(36, {0x04, 0x40, 0x00, 0x2A, 0xFC, 0xFF, width, ccfs0, ccfs1});
}
Bytes HeOp6(uint8_t primary, uint8_t control, uint8_t ccfs0, uint8_t ccfs1) {
    return X(36, {0x04, 0x00, 0x02, 0x2A, 0xFC, 0xFF, primary, control, ccfs0, ccfs1, 0x06});
}
Bytes EhtCaps() { return X(108, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x22, 0x22, 0x22}); }
Bytes EhtOp(uint8_t width, uint8_t ccfs0, uint8_t ccfs1) {
    return X(106, {0x01, 0x44, 0x44, 0x44, 0x44, width, ccfs0, ccfs1});
}
Bytes MultiLink() { return X(107, {0xB0, 0x01, 0x0D, 0x02, 0x00, 0x00, 0x5E, 0x00, 0x53, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00}); }

// RSN: version 1, group cipher, the pairwise and AKM lists (suite types under 00-0F-AC), capabilities.
Bytes Rsn(uint8_t group, std::initializer_list<uint8_t> pairwise, std::initializer_list<uint8_t> akms) {
    Bytes body{1, 0, 0x00, 0x0F, 0xAC, group, static_cast<uint8_t>(pairwise.size()), 0};
    for (uint8_t p : pairwise) body.insert(body.end(), {0x00, 0x0F, 0xAC, p});
    body.push_back(static_cast<uint8_t>(akms.size()));
    body.push_back(0);
    for (uint8_t a : akms) body.insert(body.end(), {0x00, 0x0F, 0xAC, a});
    body.insert(body.end(), {0x8C, 0x00});
    return Element(48, body.data(), body.size());
}

InformationElements Parse(const Bytes& bytes) { return ParseInformationElements(bytes); }

TEST(InformationElements, GenerationWidthAndCentreOfCapturedLookingSets) {
    struct Case {
        const char* what;
        Bytes elements;
        uint32_t frequencyKhz;
        const char *shortText, *longText, *width, *centre;
    };
    const Case cases[] = {
        {"802.11b", Join({Ssid("Old"), kCckRates, Ds(1)}), 2412000, "802.11b", "802.11b", "", "1"},
        {"802.11g", Join({Ssid("Cafe"), kErpRates, Ds(11)}), 2462000, "802.11g", "802.11g", "", "11"},
        {"802.11a", Join({Ssid("Lab"), kOfdmRates}), 5180000, "802.11a", "802.11a", "", ""},
        {"Wi-Fi 4, 20 MHz", Join({kErpRates, Ds(6), HtCaps(), HtOp(6, 0, false)}), 2437000, "Wi-Fi 4",
         "Wi-Fi 4 (802.11n)", "20 MHz", "6"},
        {"Wi-Fi 4, 40 MHz below", Join({kErpRates, Ds(6), HtCaps(), HtOp(6, 3, true)}), 2437000, "Wi-Fi 4",
         "Wi-Fi 4 (802.11n)", "40 MHz", "4"},
        {"Wi-Fi 4, width bit without a secondary channel", Join({HtCaps(), HtOp(6, 0, true)}), 2437000, "Wi-Fi 4",
         "Wi-Fi 4 (802.11n)", "20 MHz", "6"},
        {"Wi-Fi 5, 80 MHz", Join({kOfdmRates, HtCaps(), HtOp(36, 1, true), VhtCaps(), VhtOp(1, 42, 0)}), 5180000,
         "Wi-Fi 5", "Wi-Fi 5 (802.11ac)", "80 MHz", "42"},
        {"Wi-Fi 5, 160 MHz", Join({HtCaps(), HtOp(36, 1, true), VhtCaps(), VhtOp(1, 42, 50)}), 5180000, "Wi-Fi 5",
         "Wi-Fi 5 (802.11ac)", "160 MHz", "50"},
        {"Wi-Fi 5, 160 MHz the older way", Join({HtCaps(), HtOp(36, 1, true), VhtCaps(), VhtOp(2, 50, 0)}), 5180000,
         "Wi-Fi 5", "Wi-Fi 5 (802.11ac)", "160 MHz", "50"},
        {"Wi-Fi 5, 80+80 MHz", Join({HtCaps(), HtOp(36, 1, true), VhtCaps(), VhtOp(1, 42, 106)}), 5180000, "Wi-Fi 5",
         "Wi-Fi 5 (802.11ac)", "80+80 MHz", "42+106"},
        {"Wi-Fi 5, VHT defers to HT", Join({HtCaps(), HtOp(36, 1, true), VhtCaps(), VhtOp(0, 0, 0)}), 5180000,
         "Wi-Fi 5", "Wi-Fi 5 (802.11ac)", "40 MHz", "38"},
        {"Wi-Fi 6 on 2.4 GHz", Join({kErpRates, Ds(1), HtCaps(), HtOp(1, 0, false), HeCaps(), HeOp()}), 2412000,
         "Wi-Fi 6", "Wi-Fi 6 (802.11ax)", "20 MHz", "1"},
        {"Wi-Fi 6, 80 MHz in the HE element", Join({HtCaps(), HtOp(149, 1, true), HeCaps(), HeOpVht(1, 155, 0)}),
         5745000, "Wi-Fi 6", "Wi-Fi 6 (802.11ax)", "80 MHz", "155"},
        {"Wi-Fi 6E, 160 MHz", Join({kOfdmRates, HeCaps(), HeOp6(37, 3, 39, 47)}), 6135000, "Wi-Fi 6E",
         "Wi-Fi 6E (802.11ax)", "160 MHz", "47"},
        {"Wi-Fi 6E by band alone", Join({kOfdmRates, HeCaps()}), 5975000, "Wi-Fi 6E", "Wi-Fi 6E (802.11ax)", "", ""},
        {"Wi-Fi 7, 320 MHz on 6 GHz",
         Join({kOfdmRates, HeCaps(), HeOp6(37, 3, 39, 47), EhtCaps(), EhtOp(4, 47, 63), MultiLink()}), 6135000,
         "Wi-Fi 7", "Wi-Fi 7 (802.11be)", "320 MHz", "63"},
        {"Wi-Fi 7, 160 MHz on 5 GHz",
         Join({HtCaps(), HtOp(36, 1, true), VhtCaps(), VhtOp(1, 42, 50), HeCaps(), HeOp(), EhtCaps(), EhtOp(3, 42, 50)}),
         5180000, "Wi-Fi 7", "Wi-Fi 7 (802.11be)", "160 MHz", "50"},
        {"no elements", {}, 2437000, "", "", "", ""},
    };
    for (const Case& c : cases) {
        const InformationElements ie = Parse(c.elements);
        EXPECT_EQ(GenerationShortText(ie, c.frequencyKhz), c.shortText) << c.what;
        EXPECT_EQ(GenerationLongText(ie, c.frequencyKhz), c.longText) << c.what;
        EXPECT_EQ(WidthText(ie), c.width) << c.what;
        EXPECT_EQ(CentreChannelText(ie), c.centre) << c.what;
        EXPECT_FALSE(ie.truncated) << c.what;
        EXPECT_EQ(ie.bytes, c.elements.size()) << c.what;
    }
}

// The centre of a 40 MHz channel is the primary moved towards the secondary: at the
// band's edges an element may claim a secondary below channel 1, and no number wraps.
TEST(InformationElements, FortyMegahertzCentreAtTheBandEdges) {
    struct Case {
        uint8_t primary, offset;
        const char* centre;
    };
    const Case cases[] = {
        {1, 3, ""}, {2, 3, ""}, {3, 3, "1"}, {5, 3, "3"}, {1, 1, "3"},
        {13, 1, "15"}, {14, 3, "12"}, {36, 1, "38"}, {165, 3, "163"}, {255, 1, "257"},
    };
    for (const Case& c : cases) {
        const InformationElements ie = Parse(Join({HtCaps(), HtOp(c.primary, c.offset, true)}));
        EXPECT_EQ(CentreChannelText(ie), c.centre) << int{c.primary} << "/" << int{c.offset};
        EXPECT_LE(Centre(ie).centre, 257u) << int{c.primary};
    }
}

TEST(InformationElements, SecurityFromRsnAndWpa) {
    const Bytes wpa = E(221, {0x00, 0x50, 0xF2, 0x01, 0x01, 0x00, 0x00, 0x50, 0xF2, 0x02, 0x01, 0x00, 0x00, 0x50, 0xF2,
                              0x02, 0x01, 0x00, 0x00, 0x50, 0xF2, 0x02});
    struct Case {
        const char* what;
        Bytes elements;
        const char* text;
    };
    const Case cases[] = {
        {"WPA2 personal", Rsn(4, {4}, {2}), "PSK / CCMP"},
        {"WPA3 transition mode", Rsn(4, {4}, {8, 2}), "SAE, PSK / CCMP"},
        {"WPA3 with fast transition", Rsn(4, {4}, {8, 9, 24}), "SAE, FT-SAE, SAE-EXT-KEY / CCMP"},
        {"enterprise 192-bit", Rsn(9, {9}, {12}), "802.1X Suite-B-192 / GCMP-256"},
        {"enterprise", Rsn(4, {4, 2}, {1, 3, 5}), "802.1X, FT-802.1X, 802.1X-SHA256 / CCMP, TKIP"},
        {"PSK variants", Rsn(4, {4}, {4, 6}), "FT-PSK, PSK-SHA256 / CCMP"},
        {"OWE", Rsn(4, {4}, {18}), "OWE / CCMP"},
        {"unknown suites", Rsn(4, {99}, {200}), "000FAC-C8 / 000FAC-63"},
        {"WPA vendor element", wpa, "WPA PSK / TKIP"},
        {"RSN wins over WPA", Join({wpa, Rsn(4, {4, 2}, {2})}), "PSK / CCMP, TKIP"},
        {"RSN that ends after the group cipher", E(48, {1, 0, 0x00, 0x0F, 0xAC, 4}), "CCMP"},
        {"RSN whose AKM count promises more than it holds",
         E(48, {1, 0, 0x00, 0x0F, 0xAC, 4, 1, 0, 0x00, 0x0F, 0xAC, 4, 5, 0, 0x00, 0x0F, 0xAC, 8, 0x00, 0x0F}),
         "SAE / CCMP"},
        {"open", Join({Ssid("Open"), kErpRates}), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SecurityText(Parse(c.elements)), c.text) << c.what;
}

TEST(InformationElements, LoadCountryRoamingAndFlags) {
    const Bytes busy = Join({Ssid("Busy"), E(7, {'D', 'E', ' ', 1, 13, 20}), E(11, {0x2A, 0x00, 0xC0, 0x00, 0x00}),
                             E(54, {0x34, 0x12, 0x01}), E(70, {0x72, 0x00, 0x00, 0x00, 0x00}),
                             E(127, {0x04, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x40}),
                             E(221, {0x00, 0x50, 0xF2, 0x02, 0x01, 0x01, 0x80}), E(221, {0x00, 0x50, 0xF2, 0x04, 0x10}),
                             MultiLink()});
    const InformationElements ie = Parse(busy);
    EXPECT_EQ(ie.count, 9u);
    EXPECT_EQ(StationsText(ie), "42");
    EXPECT_EQ(ChannelUtilizationText(ie), "75%");  // 192 of 255
    EXPECT_EQ(CountryText(ie), "DE");
    EXPECT_EQ(FastRoamingText(ie), "802.11k, 802.11r, 802.11v");
    EXPECT_TRUE(ie.wps);
    EXPECT_TRUE(ie.wmm);
    EXPECT_TRUE(ie.multiLink);
    ASSERT_TRUE(ie.ssid);
    EXPECT_EQ(std::string(ie.ssid->begin(), ie.ssid->end()), "Busy");
    EXPECT_EQ(ElementsSummaryText(ie), "9 (" + std::to_string(busy.size()) + " bytes)");

    const InformationElements quiet = Parse(Join({Ssid("Quiet"), E(7, {'U', 'S', 'I'}), E(11, {0, 0, 1, 0, 0}),
                                                  E(70, {0x01, 0, 0, 0, 0}), E(127, {0x04, 0x00, 0x00})}));
    EXPECT_EQ(CountryText(quiet), "US (indoor)");
    EXPECT_EQ(ChannelUtilizationText(quiet), "0%");
    EXPECT_EQ(FastRoamingText(quiet), "None");
    EXPECT_FALSE(quiet.wps);
    EXPECT_FALSE(quiet.multiLink);

    for (auto [byte, percent] : {std::pair{0, "0%"}, {1, "0%"}, {2, "1%"}, {128, "50%"}, {254, "100%"}, {255, "100%"}})
        EXPECT_EQ(ChannelUtilizationText(Parse(E(11, {0, 0, static_cast<uint8_t>(byte), 0, 0}))), percent) << byte;

    const InformationElements none = Parse({});
    for (const std::string& text : {StationsText(none), ChannelUtilizationText(none), CountryText(none),
                                    SecurityText(none), FastRoamingText(none)})
        EXPECT_EQ(text, "");
    EXPECT_EQ(ElementsSummaryText(none), "None");
}

TEST(InformationElements, TruncatedShortAndUnknownRecords) {
    struct Case {
        const char* what;
        Bytes elements;
        size_t count, bytes;
        bool truncated;
        const char* generation;
    };
    const Bytes good = Join({Ssid("A"), HtCaps()});
    Bytes overrun = good;
    overrun.insert(overrun.end(), {192, 5, 1, 42});  // VHT operation cut short by the end
    Bytes lone = good;
    lone.push_back(61);  // an ID without its length byte
    const Case cases[] = {
        {"record past the end keeps what came before", overrun, 2, good.size(), true, "Wi-Fi 4"},
        {"a lone ID byte", lone, 2, good.size(), true, "Wi-Fi 4"},
        {"the first record already too long", Bytes{0, 200, 'x'}, 0, 0, true, ""},
        {"unknown IDs are counted and skipped", Join({E(200, {1, 2, 3}), X(250, {1}), E(221, {0xAA}), HtCaps()}), 4,
         5 + 4 + 3 + 28, false, "Wi-Fi 4"},
        {"bodies too short for their layout", Join({E(61, {6}), E(192, {1}), X(36, {0x04}), X(106, {0x01, 0, 0}),
                                                    E(7, {'D'}), E(11, {1, 0}), E(3, {})}),
         7, 3 + 3 + 4 + 6 + 3 + 4 + 2, false, "Wi-Fi 7"},
        {"longest record", Join({E(0, {}), [] {
              Bytes b{221, 255};
              b.resize(257, 0xEE);
              return b;
          }()}),
         2, 2 + 257, false, ""},  // no rates: nothing tells b from g
        {"zero-length elements", Join({E(0, {}), E(45, {}), E(255, {})}), 3, 6, false, "Wi-Fi 4"},
    };
    for (const Case& c : cases) {
        const InformationElements ie = Parse(c.elements);
        EXPECT_EQ(ie.count, c.count) << c.what;
        EXPECT_EQ(ie.bytes, c.bytes) << c.what;
        EXPECT_EQ(ie.truncated, c.truncated) << c.what;
        EXPECT_EQ(GenerationShortText(ie, 2437000), c.generation) << c.what;
    }
    const InformationElements cut = Parse(overrun);
    EXPECT_FALSE(cut.vhtOperation);
    EXPECT_EQ(ElementsSummaryText(cut), "2 (" + std::to_string(good.size()) + " bytes, truncated)");
    // Too-short bodies announce their element but give no values.
    const InformationElements shortBodies = Parse(cases[4].elements);
    EXPECT_FALSE(shortBodies.htOperation);
    EXPECT_FALSE(shortBodies.vhtOperation);
    EXPECT_FALSE(shortBodies.country);
    EXPECT_FALSE(shortBodies.bssLoad);
    EXPECT_EQ(WidthText(shortBodies), "");
}

// A list buffer as the service lays it out: entries, then each entry's elements.
struct ListBuffer {
    explicit ListBuffer(size_t entries, size_t extra) : bytes(wlan::BssListSize(entries) + extra) {
        list()->dwTotalSize = static_cast<uint32_t>(bytes.size());
        list()->dwNumberOfItems = static_cast<uint32_t>(entries);
    }
    wlan::WLAN_BSS_LIST* list() { return reinterpret_cast<wlan::WLAN_BSS_LIST*>(bytes.data()); }
    wlan::WLAN_BSS_ENTRY& entry(size_t k) { return list()->wlanBssEntries[k]; }
    std::vector<uint8_t, std::allocator<uint8_t>> bytes;
};

TEST(InformationElements, EntryBytesStayInsideTheList) {
    ListBuffer b(2, 16);
    const size_t firstEnd = wlan::BssListSize(2);  // elements start here
    std::memset(b.bytes.data() + firstEnd, 0xAB, 16);
    struct Case {
        const char* what;
        uint32_t offset, size, totalSize;
        size_t expected;
    };
    const uint32_t fromFirst = static_cast<uint32_t>(firstEnd - 8);  // entry 0 starts at 8
    const uint32_t total = static_cast<uint32_t>(b.bytes.size());
    const Case cases[] = {
        {"inside", fromFirst, 16, total, 16},
        {"size past dwTotalSize is cut", fromFirst, 1000, total, 16},
        {"size that wraps around", fromFirst, 0xFFFFFFFF, total, 16},
        {"offset past the end", fromFirst + 16, 4, total, 0},
        {"offset that wraps around", 0xFFFFFFF8, 16, total, 0},
        {"offset into its own entry", 8, 16, total, 0},
        {"no elements", 0, 0, total, 0},
        {"a smaller dwTotalSize wins", fromFirst, 16, total - 6, 10},
        {"dwTotalSize that cuts the entry itself", fromFirst, 16, 100, 0},
    };
    for (const Case& c : cases) {
        b.entry(0).ulIeOffset = c.offset;
        b.entry(0).ulIeSize = c.size;
        b.list()->dwTotalSize = c.totalSize;
        const auto span = BssEntryElementBytes(b.list(), 0);
        EXPECT_EQ(span.size(), c.expected) << c.what;
        if (!span.empty()) {
            EXPECT_EQ(span.data(), b.bytes.data() + firstEnd) << c.what;
        }
    }
    b.list()->dwTotalSize = total;
    b.entry(1).ulIeOffset = static_cast<uint32_t>(firstEnd - 8 - 360);
    b.entry(1).ulIeSize = 8;
    EXPECT_EQ(BssEntryElementBytes(b.list(), 1).data(), b.bytes.data() + firstEnd);
    EXPECT_TRUE(BssEntryElementBytes(b.list(), 2).empty());  // no such entry
    EXPECT_TRUE(BssEntryElementBytes(nullptr, 0).empty());
}

TEST(InformationElements, SuiteNames) {
    EXPECT_EQ(AkmSuiteText(0x000FAC02), "PSK");
    EXPECT_EQ(AkmSuiteText(0x000FAC0C), "802.1X Suite-B-192");
    EXPECT_EQ(AkmSuiteText(0x506F9A01), "506F9A-01");
    EXPECT_EQ(CipherSuiteText(0x000FAC04), "CCMP");
    EXPECT_EQ(CipherSuiteText(0x000FAC00), "000FAC-00");
}

}  // namespace
