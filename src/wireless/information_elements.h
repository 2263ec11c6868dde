#pragma once
// The information elements that follow each BSS entry in a WLAN_BSS_LIST
// (beacon and probe-response contents): bounded reading of the raw bytes,
// decoding into a plain record, and the values derived from it (Wi-Fi
// generation, channel width, centre channel) with their texts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wireless/records.h"

// The bytes of entry `index`'s elements inside the list's buffer: ulIeOffset
// and ulIeSize taken from the entry, cut to the list's dwTotalSize. Empty when
// the entry has none or its offset points outside the buffer.
std::span<const uint8_t> BssEntryElementBytes(const wlan::WLAN_BSS_LIST* list, size_t index);

// A cipher or AKM suite selector: OUI in the top 24 bits, the type in the low 8.
using SuiteSelector = uint32_t;

struct RsnInfo {
    std::optional<SuiteSelector> groupCipher;
    std::vector<SuiteSelector> pairwiseCiphers;
    std::vector<SuiteSelector> akmSuites;
};

struct CountryInfo {
    char code[2] = {};
    uint8_t environment = 0;  // ' ' any, 'I' indoor, 'O' outdoor, 'X' non-country
};

struct BssLoadInfo {
    uint16_t stationCount = 0;
    uint8_t channelUtilization = 0;  // of 255
};

struct HtOperationInfo {
    uint8_t primaryChannel = 0;
    uint8_t secondaryOffset = 0;  // 0 none, 1 above, 3 below
    bool anyWidth = false;        // STA channel width: 40 MHz allowed
};

// A channel as the VHT, HE (6 GHz) and EHT operation elements give it.
struct OperatingChannel {
    uint8_t width = 0;  // the element's own width code
    uint8_t ccfs0 = 0;  // channel centre frequency segments
    uint8_t ccfs1 = 0;
};

struct HeSixGhzInfo {
    uint8_t primaryChannel = 0;
    OperatingChannel channel;  // width 0..3: 20, 40, 80, 160 or 80+80
};

using MacAddress = std::array<uint8_t, 6>;

// What a Multiple BSSID element says: the transmitted BSSID's low maxIndicator bits
// count the set's BSSIDs, and each profile names one by its index.
struct MultipleBssidInfo {
    uint8_t maxIndicator = 0;
    std::vector<uint8_t> indexes;
};

// An access point of the Reduced Neighbor Report that gives its BSSID.
struct NeighborAp {
    MacAddress bssid{};
    uint8_t channel = 0;
    bool coLocated = false;  // a radio of the same device as the reporting one
};
inline constexpr size_t kMaxNeighbors = 256;

struct InformationElements {
    size_t count = 0;       // elements read
    size_t bytes = 0;       // bytes they take, headers included
    bool truncated = false; // the last element ran past the end

    std::optional<std::vector<uint8_t>> ssid;
    std::vector<uint8_t> rates;  // supported and extended, 0.5 Mbit/s units, bit 7 basic
    std::optional<uint8_t> dsChannel;
    std::optional<CountryInfo> country;
    std::optional<BssLoadInfo> bssLoad;
    bool htCapabilities = false;
    std::optional<HtOperationInfo> htOperation;
    std::optional<RsnInfo> rsn;
    std::optional<RsnInfo> wpa;  // the vendor element of WPA before RSN
    bool mobilityDomain = false;      // 802.11r
    bool neighborReport = false;      // 802.11k
    bool bssTransition = false;       // 802.11v
    bool vhtCapabilities = false;
    std::optional<OperatingChannel> vhtOperation;
    bool wps = false;
    bool wmm = false;
    bool heCapabilities = false;
    bool heOperation = false;
    std::optional<OperatingChannel> heVhtOperation;  // VHT operation carried in the HE one
    std::optional<HeSixGhzInfo> heSixGhz;
    bool ehtCapabilities = false;
    bool ehtOperation = false;
    std::optional<OperatingChannel> ehtChannel;  // width 0..4: 20, 40, 80, 160, 320
    bool multiLink = false;
    std::optional<MacAddress> mldAddress;  // of the AP MLD, from a basic Multi-Link element
    std::optional<MultipleBssidInfo> multipleBssid;
    std::vector<NeighborAp> neighbors;  // at most kMaxNeighbors
};

// Reads type-length-value records up to the end of `bytes`; a record that runs
// past the end stops the walk and keeps what was read. Never reads outside.
InformationElements ParseInformationElements(std::span<const uint8_t> bytes);

enum class WifiGeneration { Unknown, Legacy, Wifi4, Wifi5, Wifi6, Wifi6E, Wifi7 };

// frequencyKhz: the entry's centre frequency, which tells 6 GHz and the legacy PHY apart.
WifiGeneration Generation(const InformationElements& ie, uint32_t frequencyKhz);

struct ChannelWidth {
    uint32_t mhz = 0;  // 0: no operation element says
    bool eightyPlusEighty = false;
};
ChannelWidth Width(const InformationElements& ie);

// The primary channel, and the centre channel of the widest announced channel
// (two for 80+80). 0 when not known.
struct ChannelCentre {
    uint32_t primary = 0;
    uint32_t centre = 0;
    uint32_t secondCentre = 0;
};
ChannelCentre Centre(const InformationElements& ie);

// Texts for the lists and the details window; "" when the elements do not say.
std::string GenerationShortText(const InformationElements& ie, uint32_t frequencyKhz);  // "Wi-Fi 6E"
std::string GenerationLongText(const InformationElements& ie, uint32_t frequencyKhz);   // "Wi-Fi 6E (802.11ax)"
std::string WidthText(const InformationElements& ie);                                  // "80 MHz", "80+80 MHz"
std::string CentreChannelText(const InformationElements& ie);                           // "42", "42+106"
std::string StationsText(const InformationElements& ie);
std::string ChannelUtilizationText(const InformationElements& ie);  // "25%"
std::string CountryText(const InformationElements& ie);             // "DE", "US (indoor)"
std::string SecurityText(const InformationElements& ie);            // "SAE, PSK / CCMP"
std::string FastRoamingText(const InformationElements& ie);         // "802.11k, 802.11r" or "None"
std::string ElementsSummaryText(const InformationElements& ie);     // "12 (345 bytes)"
std::string CipherSuiteText(SuiteSelector suite);
std::string AkmSuiteText(SuiteSelector suite);
