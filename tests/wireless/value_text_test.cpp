#include "wireless/value_text.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

using namespace wlan;

struct TextCase {
    uint32_t value;
    const char* text;
};

TEST(ValueText, InterfaceStates) {
    const TextCase cases[] = {{0, "Not ready"},    {1, "Connected"},      {2, "ad hoc network"}, {3, "Disconnecting"},
                              {4, "Disconnected"}, {5, "Associating"},    {6, "Discovering"},    {7, "Authenticating"},
                              {8, "Unknown"},      {0xFFFFFFFF, "Unknown"}};
    for (const auto& c : cases) EXPECT_EQ(InterfaceStateText(c.value), c.text) << c.value;
}

TEST(ValueText, PhyTypesDifferInTheirFallback) {
    struct Case {
        uint32_t value;
        const char* adapter;
        const char* bss;
    };
    const Case cases[] = {
        {0, "Unknown", "Unknown (0)"},        {1, "Bluetooth (FHSS)", "Unknown (1)"},
        {2, "DSSS", "Unknown (2)"},           {3, "iR", "Unknown (3)"},
        {4, "802.11a", "802.11a"},            {5, "802.11b", "802.11b"},
        {6, "802.11g", "802.11g"},            {7, "802.11n", "802.11n"},
        {8, "802.11ac", "802.11ac"},          {9, "Unknown", "Unknown (9)"},
        {10, "802.11ax", "802.11ax"},         {11, "802.11be", "802.11be"},
        {12, "Unknown", "Unknown (12)"},      {0x80000000, "Unknown", "Unknown (-2147483648)"},
        {0xFFFFFFFF, "Unknown", "Unknown (-1)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PhyTypeText(c.value), c.adapter) << c.value;
        EXPECT_EQ(BssPhyTypeText(c.value), c.bss) << c.value;
    }
}

TEST(ValueText, PhyListsNameTheKnownTypesInFixedOrder) {
    struct Case {
        std::vector<uint32_t> types;
        const char* text;
    };
    const Case cases[] = {
        {{7, 6, 5, 6}, "b/g/n"},
        {{1, 2}, "None"},
        {{}, "None"},
        {{5}, "b"},
        {{11, 10, 8, 7, 6, 5, 4, 9, 3}, "a/b/g/n/ac/ax/be"},
        {{10}, "ax"},
        {{9}, "None"},
    };
    for (const auto& c : cases) {
        WLAN_INTERFACE_CAPABILITY cap{};
        cap.dwNumberOfSupportedPhys = static_cast<uint32_t>(c.types.size());
        std::copy(c.types.begin(), c.types.end(), cap.dot11PhyTypes);
        EXPECT_EQ(CapabilityPhyListText(cap), c.text);
        if (c.types.size() <= 8) {
            WLAN_AVAILABLE_NETWORK net{};
            net.uNumberOfPhyTypes = static_cast<uint32_t>(c.types.size());
            std::copy(c.types.begin(), c.types.end(), net.dot11PhyTypes);
            EXPECT_EQ(NetworkPhyListText(net), c.text);
        }
    }
}

TEST(ValueText, PhyListsReadOnlyTheCountedEntriesWithinTheRecord) {
    WLAN_AVAILABLE_NETWORK net{};
    net.dot11PhyTypes[0] = 5;
    net.dot11PhyTypes[1] = 7;
    net.uNumberOfPhyTypes = 1;
    EXPECT_EQ(NetworkPhyListText(net), "b");
    // A count past the array stops at its end; the field after it (bMorePhyTypes = 4) is not read.
    net.uNumberOfPhyTypes = 1000;
    net.bMorePhyTypes = 4;
    EXPECT_EQ(NetworkPhyListText(net), "b/n");

    WLAN_INTERFACE_CAPABILITY cap{};
    cap.dot11PhyTypes[63] = 8;
    cap.dwNumberOfSupportedPhys = 0xFFFFFFFF;
    EXPECT_EQ(CapabilityPhyListText(cap), "ac");
    cap.dwNumberOfSupportedPhys = 63;
    EXPECT_EQ(CapabilityPhyListText(cap), "None");
}

TEST(ValueText, BssTypesUseTheLowByte) {
    const TextCase cases[] = {{1, "Infrastructure"}, {2, "Ad Hoc"}, {3, "Unknown (3)"}, {0, "Unknown (0)"},
                              {257, "Infrastructure"}, {0x1FF, "Unknown (255)"}};
    for (const auto& c : cases) EXPECT_EQ(BssTypeText(c.value), c.text) << c.value;
}

TEST(ValueText, AuthenticationAndCipherNamesAndImages) {
    constexpr ListImage G = ListImage::GreenShield, O = ListImage::OrangeShield, R = ListImage::RedShield;
    struct Case {
        uint32_t value;
        const char* text;
        ListImage image;
    };
    const Case auth[] = {
        {0, "Unknown", R},        {1, "802.11 Open", R},  {2, "802.11 Shared Key", O},
        {3, "WPA", G},            {4, "WPA-PSK", G},      {5, "WPA-None", G},
        {6, "RSNA", G},           {7, "RSNA-PSK", G},     {8, "WPA3-Enterprise 192", G},
        {9, "WPA3-SAE", G},       {10, "OWE", G},         {11, "WPA3-Enterprise", G},
        {12, "Unknown", R},       {0x80000001, "Unknown", R},
    };
    for (const auto& c : auth) {
        EXPECT_EQ(AuthAlgorithmText(c.value), c.text) << c.value;
        EXPECT_EQ(AuthImage(c.value), c.image) << c.value;
    }
    const Case cipher[] = {
        {0, "None", R},           {1, "WEP-40", O},        {2, "TKIP", G},           {3, "", R},
        {4, "CCMP", G},           {5, "WEP-104", G},       {6, "BIP", G},            {7, "", R},
        {8, "GCMP", G},           {9, "GCMP-256", G},      {10, "CCMP-256", G},      {11, "BIP-GMAC-128", G},
        {12, "BIP-GMAC-256", G},  {13, "BIP-CMAC-256", G}, {14, "", R},              {255, "", R},
        {256, "WPA_USE_GROUP", G}, {257, "WEP", O},        {258, "", R},             {0x80000000, "", R},
    };
    for (const auto& c : cipher) {
        EXPECT_EQ(CipherAlgorithmText(c.value), c.text) << c.value;
        EXPECT_EQ(CipherImage(c.value), c.image) << c.value;
    }
}

TEST(ValueText, QualityDbmImageAndCell) {
    struct Case {
        uint32_t quality;
        int32_t dbm;
        ListImage image;
    };
    constexpr ListImage S1 = ListImage::Signal1, S2 = ListImage::Signal2, S3 = ListImage::Signal3;
    const Case cases[] = {{0, -100, S1}, {1, -100, S1}, {50, -75, S1}, {51, -75, S2}, {75, -63, S2},
                          {76, -62, S3}, {99, -51, S3}, {100, -50, S3}, {101, -50, S3}, {0xFFFFFFFF, -50, S3}};
    for (const auto& c : cases) {
        EXPECT_EQ(QualityToDbm(c.quality), c.dbm) << c.quality;
        EXPECT_EQ(QualityImage(c.quality), c.image) << c.quality;
    }
    EXPECT_EQ(QualityText(80), "80% / -60dBm");
    EXPECT_EQ(QualityText(100), "100% / -50dBm");
    EXPECT_EQ(RssiText(-67), "-67 dBm");
}

TEST(ValueText, MacAddress) {
    const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    EXPECT_EQ(MacAddressText(mac), "00:1A:2B:3C:4D:5E");
    const uint8_t ff[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xff};
    EXPECT_EQ(MacAddressText(ff), "FF:FF:FF:FF:FF:FF");
}

TEST(ValueText, ChannelsOfEveryBand) {
    struct Case {
        uint32_t khz;
        int32_t channel;
    };
    const Case cases[] = {
        {2412000, 1},   {2417000, 2},   {2437000, 6},   {2472000, 13},  {2411999, 0},  {2473000, 0},
        {2484000, 14},  {2407000, 0},   {4910000, 182}, {4980000, 196}, {4905000, 0},  {5150000, 30},
        {5180000, 36},  {5500000, 100}, {5745000, 149}, {5895000, 179}, {5900000, 0},  {5935000, 2},
        {5925000, 0},   {5940000, 0},   {5955000, 1},   {6115000, 33},  {7115000, 233}, {7125000, 235},
        {7130000, 0},   {58320000, 1},  {60480000, 2},  {70200000, 6},  {70201000, 0}, {0, 0},
        {0xFFFFFFFF, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(FrequencyToChannel(c.khz), c.channel) << c.khz;
}

TEST(ValueText, ChannelCellUsesTheDecimalSeparator) {
    EXPECT_EQ(ChannelText(2437000), "6 (2.437 GHz)");
    EXPECT_EQ(ChannelText(5180000), "36 (5.180 GHz)");
    EXPECT_EQ(ChannelText(2484000), "14 (2.484 GHz)");
    SetDecimalSeparator(",");
    EXPECT_EQ(ChannelText(5955000), "1 (5,955 GHz)");
    SetDecimalSeparator("");
    EXPECT_EQ(DecimalSeparator(), ".");
    EXPECT_EQ(ChannelText(3000000), "0 (3.000 GHz)");
}

TEST(ValueText, CapabilityInformation) {
    struct Case {
        uint16_t value;
        const char* text;
    };
    const Case cases[] = {{0x0000, ""},         {0x0001, "ESS"},         {0x0002, "IBSS"},
                          {0x0011, "ESS| Privacy"}, {0x0431, "ESS| Privacy"}, {0x001F, "ESS| IBSS| Pollable| Poll| Privacy"},
                          {0x000C, "Pollable| Poll"}, {0xFFE0, ""}};
    for (const auto& c : cases) EXPECT_EQ(CapabilityInfoText(c.value), c.text) << c.value;
}

TEST(ValueText, RateSets) {
    WLAN_RATE_SET rates{};
    EXPECT_EQ(RateSetText(rates), "");
    const uint16_t sample[] = {0x8002, 0x8004, 0x800B, 0x8016, 12, 108};
    std::copy(std::begin(sample), std::end(sample), rates.usRateSet);
    rates.uRateSetLength = 8;
    EXPECT_EQ(RateSetText(rates), "1 2 5 11");
    rates.uRateSetLength = 13;  // an odd byte count drops the half entry
    EXPECT_EQ(RateSetText(rates), "1 2 5 11 6 54");
    // A length past the 126 entries stops at the record's end.
    for (auto& r : rates.usRateSet) r = 2;
    rates.uRateSetLength = 0xFFFFFFFF;
    std::string all = RateSetText(rates);
    EXPECT_EQ(std::count(all.begin(), all.end(), '1'), 126);
    EXPECT_EQ(all.size(), 126u * 2 - 1);
}

DOT11_SSID Ssid(std::string_view bytes, uint32_t length) {
    DOT11_SSID ssid{};
    ssid.uSSIDLength = length;
    std::memcpy(ssid.ucSSID, bytes.data(), std::min<size_t>(bytes.size(), 32));
    return ssid;
}

TEST(ValueText, SsidsStopAtTheFirstZeroWithinTheField) {
    EXPECT_EQ(SsidText(Ssid("HomeNet", 7)), "HomeNet");
    EXPECT_EQ(SsidText(Ssid("HomeNet", 3)), "HomeNet");  // the length field is not consulted
    EXPECT_EQ(SsidText(Ssid(std::string_view("\0abc", 4), 4)), "");
    EXPECT_EQ(SsidText(Ssid(std::string_view("ab\0cd", 5), 5)), "ab");
    const std::string full(32, 'x');
    EXPECT_EQ(SsidText(Ssid(full, 32)), full);
    EXPECT_EQ(SsidText(Ssid("Caf\xC3\xA9", 5)), "Caf\xC3\xA9");  // UTF-8 stays
    EXPECT_EQ(SsidText(Ssid("Caf\xE9", 4)), "Caf\xC3\xA9");      // else the ANSI code page (Latin-1 here)
}

TEST(ValueText, AnEmptySsidIsShownAsHidden) {
    EXPECT_EQ(NameOrHidden(Ssid("HomeNet", 7)), "HomeNet");
    EXPECT_EQ(NameOrHidden(Ssid("", 0)), "<Hidden SSID>");
    EXPECT_EQ(NameOrHidden(Ssid(std::string_view("\0abc", 4), 4)), "<Hidden SSID>");
}

TEST(ValueText, Utf16NamesStopAtZeroOrTheFieldEnd) {
    WLAN_INTERFACE_INFO info{};
    const std::u16string desc = u"Wi-Fi 6E Adapter \u00E9";
    std::copy(desc.begin(), desc.end(), info.strInterfaceDescription);
    EXPECT_EQ(InterfaceDescriptionText(info), "Wi-Fi 6E Adapter \xC3\xA9");
    std::fill(std::begin(info.strInterfaceDescription), std::end(info.strInterfaceDescription), u'a');
    info.isState = 0x00620062;  // would read as "bb" if the text ran past the field
    EXPECT_EQ(InterfaceDescriptionText(info), std::string(256, 'a'));

    WLAN_AVAILABLE_NETWORK net{};
    EXPECT_EQ(ProfileNameText(net), "");
    net.strProfileName[0] = u'P';
    EXPECT_EQ(ProfileNameText(net), "P");
}

}  // namespace
