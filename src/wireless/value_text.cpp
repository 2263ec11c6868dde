#include "wireless/value_text.h"

#include <algorithm>
#include <cstdio>

#include "common/encoding.h"

namespace {

struct NamedValue {
    uint32_t value;
    std::string_view text;
};

struct ImageValue {
    uint32_t value;
    ListImage image;
};

constexpr NamedValue kInterfaceStates[] = {
    {0, "Not ready"},   {1, "Connected"},   {2, "ad hoc network"}, {3, "Disconnecting"},
    {4, "Disconnected"}, {5, "Associating"}, {6, "Discovering"},    {7, "Authenticating"},
};

constexpr NamedValue kPhyTypes[] = {
    {1, "Bluetooth (FHSS)"}, {2, "DSSS"},     {3, "iR"},       {4, "802.11a"},  {5, "802.11b"},
    {6, "802.11g"},          {7, "802.11n"},  {8, "802.11ac"}, {10, "802.11ax"}, {11, "802.11be"},
};

constexpr NamedValue kBssPhyTypes[] = {
    {4, "802.11a"}, {5, "802.11b"}, {6, "802.11g"}, {7, "802.11n"}, {8, "802.11ac"}, {10, "802.11ax"}, {11, "802.11be"},
};

// In the order the PHY list names them.
constexpr NamedValue kPhyListParts[] = {
    {4, "/a"}, {5, "/b"}, {6, "/g"}, {7, "/n"}, {8, "/ac"}, {10, "/ax"}, {11, "/be"},
};

constexpr NamedValue kBssTypes[] = {{1, "Infrastructure"}, {2, "Ad Hoc"}};

constexpr NamedValue kAuthAlgorithms[] = {
    {1, "802.11 Open"}, {2, "802.11 Shared Key"}, {3, "WPA"},      {4, "WPA-PSK"},
    {5, "WPA-None"},    {6, "RSNA"},              {7, "RSNA-PSK"}, {8, "WPA3-Enterprise 192"},
    {9, "WPA3-SAE"},    {10, "OWE"},              {11, "WPA3-Enterprise"},
};

constexpr NamedValue kCipherAlgorithms[] = {
    {0, "None"},          {1, "WEP-40"},        {2, "TKIP"},          {4, "CCMP"},          {5, "WEP-104"},
    {6, "BIP"},           {8, "GCMP"},          {9, "GCMP-256"},      {10, "CCMP-256"},     {11, "BIP-GMAC-128"},
    {12, "BIP-GMAC-256"}, {13, "BIP-CMAC-256"}, {256, "WPA_USE_GROUP"}, {257, "WEP"},
};

constexpr NamedValue kCapabilityBits[] = {
    {0x0001, "| ESS"}, {0x0002, "| IBSS"}, {0x0004, "| Pollable"}, {0x0008, "| Poll"}, {0x0010, "| Privacy"},
};

constexpr ListImage G = ListImage::GreenShield, O = ListImage::OrangeShield, R = ListImage::RedShield;

// WPA3 and OWE are as safe as WPA2, so they get the green shield too.
constexpr ImageValue kAuthImages[] = {
    {1, R}, {2, O}, {3, G}, {4, G}, {5, G}, {6, G}, {7, G}, {8, G}, {9, G}, {10, G}, {11, G},
};

constexpr ImageValue kCipherImages[] = {
    {0, R}, {1, O}, {2, G}, {4, G}, {5, G}, {6, G}, {8, G}, {9, G}, {10, G}, {11, G}, {12, G}, {13, G},
    {256, G}, {257, O},
};

struct Band {
    uint32_t firstMhz, lastMhz;
    uint32_t baseMhz, spacingMhz;
};

// The 5, 4.9, 6 and 60 GHz channel plans; 2.4 GHz is handled before these.
constexpr Band kBands[] = {
    {4910, 4980, 4000, 5},
    {5150, 5895, 5000, 5},
    {5950, 7125, 5950, 5},
    {58320, 70200, 56160, 2160},
};

template <size_t N>
const std::string_view* Find(const NamedValue (&table)[N], uint32_t value) {
    for (const auto& entry : table)
        if (entry.value == value) return &entry.text;
    return nullptr;
}

template <size_t N>
std::string TextOr(const NamedValue (&table)[N], uint32_t value, std::string_view fallback) {
    const std::string_view* text = Find(table, value);
    return std::string(text ? *text : fallback);
}

template <size_t N>
ListImage ImageOr(const ImageValue (&table)[N], uint32_t value, ListImage fallback) {
    for (const auto& entry : table)
        if (entry.value == value) return entry.image;
    return fallback;
}

std::string UnknownText(int32_t value) { return "Unknown (" + std::to_string(value) + ")"; }

std::string PhyListText(const uint32_t* types, uint32_t count, uint32_t limit) {
    const uint32_t n = std::min(count, limit);
    std::string text;
    for (const auto& [value, part] : kPhyListParts)
        if (std::find(types, types + n, value) != types + n) text += part;
    return text.empty() ? "None" : text.substr(1);
}

std::string& Separator() {
    static std::string separator = ".";
    return separator;
}

}  // namespace

std::string InterfaceStateText(uint32_t state) { return TextOr(kInterfaceStates, state, "Unknown"); }

std::string CapabilityPhyListText(const wlan::WLAN_INTERFACE_CAPABILITY& capability) {
    return PhyListText(capability.dot11PhyTypes, capability.dwNumberOfSupportedPhys, 64);
}

std::string NetworkPhyListText(const wlan::WLAN_AVAILABLE_NETWORK& network) {
    return PhyListText(network.dot11PhyTypes, network.uNumberOfPhyTypes, 8);
}

std::string PhyTypeText(uint32_t phyType) { return TextOr(kPhyTypes, phyType, "Unknown"); }

std::string BssPhyTypeText(uint32_t phyType) {
    const std::string_view* text = Find(kBssPhyTypes, phyType);
    return text ? std::string(*text) : UnknownText(static_cast<int32_t>(phyType));
}

std::string BssTypeText(uint32_t bssType) {
    const uint32_t low = bssType & 0xFF;
    const std::string_view* text = Find(kBssTypes, low);
    return text ? std::string(*text) : UnknownText(static_cast<int32_t>(low));
}

std::string AuthAlgorithmText(uint32_t algorithm) { return TextOr(kAuthAlgorithms, algorithm, "Unknown"); }

std::string CipherAlgorithmText(uint32_t algorithm) { return TextOr(kCipherAlgorithms, algorithm, ""); }

int32_t QualityToDbm(uint32_t quality) {
    return quality >= 100 ? -50 : static_cast<int32_t>(quality / 2) - 100;
}

std::string MacAddressText(const uint8_t (&mac)[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

int32_t FrequencyToChannel(uint32_t frequencyKhz) {
    if (frequencyKhz >= 2412000 && frequencyKhz <= 2472000)
        return static_cast<int32_t>((frequencyKhz - 2412000) / 5000 + 1);
    const uint32_t mhz = frequencyKhz / 1000;
    if (mhz == 2484) return 14;
    if (mhz == 5935) return 2;  // the 6 GHz band's one channel off its 5 MHz grid
    for (const Band& band : kBands)
        if (mhz >= band.firstMhz && mhz <= band.lastMhz)
            return static_cast<int32_t>((mhz - band.baseMhz) / band.spacingMhz);
    return 0;
}

std::string CapabilityInfoText(uint16_t capability) {
    std::string text;
    for (const auto& [bit, part] : kCapabilityBits)
        if (capability & bit) text += part;
    return text.starts_with("| ") ? text.substr(2) : text;
}

std::string RateSetText(const wlan::WLAN_RATE_SET& rates) {
    const uint32_t n = std::min<uint32_t>(rates.uRateSetLength / 2, 126);
    std::string text;
    for (uint32_t i = 0; i < n; ++i) {
        if (i) text += ' ';
        text += std::to_string((rates.usRateSet[i] & 0x7FFF) >> 1);
    }
    return text;
}

std::string SsidText(const wlan::DOT11_SSID& ssid) {
    const auto* bytes = reinterpret_cast<const char*>(ssid.ucSSID);
    const size_t n = std::find(bytes, bytes + sizeof ssid.ucSSID, '\0') - bytes;
    return BytesToUtf8(std::string_view(bytes, n));
}

std::string NameOrHidden(const wlan::DOT11_SSID& ssid) {
    std::string name = SsidText(ssid);
    return name.empty() ? std::string(kHiddenSsid) : name;
}

std::string InterfaceDescriptionText(const wlan::WLAN_INTERFACE_INFO& info) {
    return Utf16ToUtf8(info.strInterfaceDescription, std::size(info.strInterfaceDescription));
}

std::string ProfileNameText(const wlan::WLAN_AVAILABLE_NETWORK& network) {
    return Utf16ToUtf8(network.strProfileName, std::size(network.strProfileName));
}

std::string QualityText(uint32_t quality) {
    return std::to_string(quality) + "% / " + std::to_string(QualityToDbm(quality)) + "dBm";
}

std::string GigahertzText(uint32_t frequencyKhz) {
    char ghz[32];
    std::snprintf(ghz, sizeof ghz, "%.3f", frequencyKhz / 1000000.0);
    std::string number = ghz;
    if (size_t dot = number.find('.'); dot != std::string::npos) number.replace(dot, 1, Separator());
    return number;
}

std::string ChannelText(uint32_t frequencyKhz) {
    return std::to_string(static_cast<uint32_t>(FrequencyToChannel(frequencyKhz))) + " (" +
           GigahertzText(frequencyKhz) + " GHz)";
}

std::string RssiText(int32_t rssi) { return std::to_string(rssi) + " dBm"; }

void SetDecimalSeparator(std::string_view separator) { Separator() = separator.empty() ? "." : std::string(separator); }

std::string DecimalSeparator() { return Separator(); }

ListImage QualityImage(uint32_t quality) {
    return quality > 75 ? ListImage::Signal3 : quality > 50 ? ListImage::Signal2 : ListImage::Signal1;
}

ListImage AuthImage(uint32_t algorithm) { return ImageOr(kAuthImages, algorithm, R); }

ListImage CipherImage(uint32_t algorithm) { return ImageOr(kCipherImages, algorithm, R); }
