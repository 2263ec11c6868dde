#include "wireless/information_elements.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <string_view>

using namespace wlan;

namespace {

// Element IDs.
constexpr uint8_t kSsid = 0, kSupportedRates = 1, kDsParameterSet = 3, kCountry = 7, kBssLoad = 11,
                  kHtCapabilities = 45, kRsn = 48, kExtendedRates = 50, kMobilityDomain = 54, kHtOperation = 61,
                  kRmEnabledCapabilities = 70, kMultipleBssid = 71, kExtendedCapabilities = 127,
                  kVhtCapabilities = 191, kVhtOperation = 192, kReducedNeighborReport = 201, kVendorSpecific = 221,
                  kExtension = 255;
constexpr uint8_t kNontransmittedProfile = 0, kMultipleBssidIndex = 85;  // a profile's subelement and its element
// Extension element IDs.
constexpr uint8_t kHeCapabilities = 35, kHeOperation = 36, kEhtOperation = 106, kMultiLink = 107,
                  kEhtCapabilities = 108;

constexpr uint32_t kOuiIeee = 0x000FAC;
constexpr uint32_t kOuiMicrosoft = 0x0050F2;  // WPA, WMM and WPS live under it

// Reads little-endian fields from one element's body, never past its end.
class Body {
public:
    explicit Body(std::span<const uint8_t> bytes) : b_(bytes) {}
    size_t Left() const { return b_.size() - at_; }
    bool Has(size_t n) const { return Left() >= n; }
    uint8_t U8() { return b_[at_++]; }
    uint16_t U16() {
        const uint16_t v = static_cast<uint16_t>(b_[at_] | b_[at_ + 1] << 8);
        at_ += 2;
        return v;
    }
    // A suite selector is stored OUI first, then the type.
    SuiteSelector Suite() {
        const SuiteSelector v = uint32_t{b_[at_]} << 24 | uint32_t{b_[at_ + 1]} << 16 | uint32_t{b_[at_ + 2]} << 8 | b_[at_ + 3];
        at_ += 4;
        return v;
    }
    void Skip(size_t n) { at_ += std::min(n, Left()); }

private:
    std::span<const uint8_t> b_;
    size_t at_ = 0;
};

// RSN and WPA share the suite lists; each part is optional from the end on.
RsnInfo ReadSuites(Body body) {
    RsnInfo rsn;
    if (!body.Has(2)) return rsn;
    body.U16();  // version
    if (!body.Has(4)) return rsn;
    rsn.groupCipher = body.Suite();
    for (std::vector<SuiteSelector>* list : {&rsn.pairwiseCiphers, &rsn.akmSuites}) {
        if (!body.Has(2)) return rsn;
        const size_t count = body.U16();
        for (size_t k = 0; k < count && body.Has(4); ++k) list->push_back(body.Suite());
    }
    return rsn;
}

OperatingChannel ReadChannel(Body& body) {
    OperatingChannel c;
    c.width = body.U8();
    c.ccfs0 = body.U8();
    c.ccfs1 = body.U8();
    return c;
}

void ReadHeOperation(InformationElements& ie, Body body) {
    ie.heOperation = true;
    if (!body.Has(6)) return;
    const uint32_t params = body.U8() | uint32_t{body.U8()} << 8 | uint32_t{body.U8()} << 16;
    body.Skip(3);  // BSS colour, basic HE-MCS and NSS set
    if (params & (1u << 14)) {  // VHT Operation Information present
        if (!body.Has(3)) return;
        ie.heVhtOperation = ReadChannel(body);
    }
    if (params & (1u << 15)) body.Skip(1);  // max co-hosted BSSID indicator
    if (params & (1u << 17)) {              // 6 GHz Operation Information present
        if (!body.Has(5)) return;
        HeSixGhzInfo six;
        six.primaryChannel = body.U8();
        const uint8_t control = body.U8();
        six.channel.width = control & 0x03;
        six.channel.ccfs0 = body.U8();
        six.channel.ccfs1 = body.U8();
        ie.heSixGhz = six;
    }
}

void ReadEhtOperation(InformationElements& ie, Body body) {
    ie.ehtOperation = true;
    if (!body.Has(5)) return;
    const uint8_t params = body.U8();
    body.Skip(4);  // basic EHT-MCS and NSS set
    if (!(params & 0x01) || !body.Has(3)) return;  // EHT Operation Information present
    OperatingChannel c = ReadChannel(body);
    c.width &= 0x07;
    ie.ehtChannel = c;
}

void ReadVendor(InformationElements& ie, std::span<const uint8_t> body) {
    if (body.size() < 4) return;
    const uint32_t oui = uint32_t{body[0]} << 16 | uint32_t{body[1]} << 8 | body[2];
    if (oui != kOuiMicrosoft) return;
    switch (body[3]) {
        case 1: ie.wpa = ReadSuites(Body(body.subspan(4))); break;
        case 2: ie.wmm = true; break;
        case 4: ie.wps = true; break;
        default: break;
    }
}

// Basic variant (type 0): control, common info length, then the MLD's MAC address.
void ReadMultiLink(InformationElements& ie, std::span<const uint8_t> body) {
    if (body.size() < 9 || (body[0] & 0x07) != 0 || body[2] < 7) return;
    MacAddress mld;
    std::copy(body.begin() + 3, body.begin() + 9, mld.begin());
    ie.mldAddress = mld;
}

// The indicator, then subelements; a nontransmitted BSSID profile holds elements, among
// them the Multiple BSSID-Index one whose first byte is the BSSID's index.
void ReadMultipleBssid(InformationElements& ie, std::span<const uint8_t> body) {
    if (body.empty()) return;
    MultipleBssidInfo info = ie.multipleBssid.value_or(MultipleBssidInfo{});
    info.maxIndicator = body[0];
    for (size_t at = 1; at + 2 <= body.size();) {
        const uint8_t id = body[at], length = body[at + 1];
        if (body.size() - at - 2 < length) break;
        const std::span<const uint8_t> profile = body.subspan(at + 2, length);
        if (id == kNontransmittedProfile)
            for (size_t e = 0; e + 2 <= profile.size();) {
                const uint8_t eid = profile[e], elength = profile[e + 1];
                if (profile.size() - e - 2 < elength) break;
                if (eid == kMultipleBssidIndex && elength >= 1) info.indexes.push_back(profile[e + 2]);
                e += 2 + size_t{elength};
            }
        at += 2 + size_t{length};
    }
    ie.multipleBssid = std::move(info);
}

// Neighbor AP Information fields: a header (type, count - 1 in bits 4..7, the length
// of each TBTT information field in bits 8..15), operating class, channel, then the
// fields. From 7 bytes on a field holds the BSSID after the TBTT offset; its BSS
// parameters, whose bit 6 says co-located, follow it at 8 or 9 bytes and after the
// short SSID from 12 bytes on.
void ReadReducedNeighborReport(InformationElements& ie, std::span<const uint8_t> body) {
    for (size_t at = 0; at + 4 <= body.size();) {
        const uint16_t header = static_cast<uint16_t>(body[at] | body[at + 1] << 8);
        const size_t count = (header >> 4 & 0x0F) + 1u, length = header >> 8;
        const uint8_t channel = body[at + 3];
        at += 4;
        if (length == 0 || count * length > body.size() - at) break;
        for (size_t k = 0; k < count; ++k, at += length) {
            if (length < 7 || ie.neighbors.size() >= kMaxNeighbors) continue;
            NeighborAp n;
            std::copy(body.begin() + static_cast<std::ptrdiff_t>(at + 1),
                      body.begin() + static_cast<std::ptrdiff_t>(at + 7), n.bssid.begin());
            n.channel = channel;
            const size_t params = length >= 12 ? 11 : length >= 8 && length <= 10 ? 7 : 0;
            n.coLocated = params && (body[at + params] & 0x40) != 0;
            ie.neighbors.push_back(n);
        }
    }
}

void ReadExtension(InformationElements& ie, std::span<const uint8_t> body) {
    if (body.empty()) return;
    const std::span<const uint8_t> rest = body.subspan(1);
    switch (body[0]) {
        case kHeCapabilities: ie.heCapabilities = true; break;
        case kHeOperation: ReadHeOperation(ie, Body(rest)); break;
        case kEhtCapabilities: ie.ehtCapabilities = true; break;
        case kEhtOperation: ReadEhtOperation(ie, Body(rest)); break;
        case kMultiLink:
            ie.multiLink = true;
            ReadMultiLink(ie, rest);
            break;
        default: break;
    }
}

void ReadElement(InformationElements& ie, uint8_t id, std::span<const uint8_t> body) {
    switch (id) {
        case kSsid: ie.ssid.emplace(body.begin(), body.end()); break;
        case kSupportedRates:
        case kExtendedRates: ie.rates.insert(ie.rates.end(), body.begin(), body.end()); break;
        case kDsParameterSet:
            if (!body.empty()) ie.dsChannel = body[0];
            break;
        case kCountry:
            if (body.size() >= 3) {
                CountryInfo c;
                c.code[0] = static_cast<char>(body[0]);
                c.code[1] = static_cast<char>(body[1]);
                c.environment = body[2];
                ie.country = c;
            }
            break;
        case kBssLoad:
            if (body.size() >= 3) ie.bssLoad = BssLoadInfo{static_cast<uint16_t>(body[0] | body[1] << 8), body[2]};
            break;
        case kHtCapabilities: ie.htCapabilities = true; break;
        case kHtOperation:
            if (body.size() >= 2) {
                HtOperationInfo ht;
                ht.primaryChannel = body[0];
                ht.secondaryOffset = body[1] & 0x03;
                ht.anyWidth = (body[1] & 0x04) != 0;
                ie.htOperation = ht;
            }
            break;
        case kRsn: ie.rsn = ReadSuites(Body(body)); break;
        case kMobilityDomain: ie.mobilityDomain = true; break;
        case kRmEnabledCapabilities:
            if (!body.empty() && (body[0] & 0x02)) ie.neighborReport = true;
            break;
        case kExtendedCapabilities:
            if (body.size() >= 3 && (body[2] & 0x08)) ie.bssTransition = true;  // bit 19
            break;
        case kVhtCapabilities: ie.vhtCapabilities = true; break;
        case kVhtOperation:
            if (body.size() >= 3) {
                Body b(body);
                ie.vhtOperation = ReadChannel(b);
            }
            break;
        case kVendorSpecific: ReadVendor(ie, body); break;
        case kMultipleBssid: ReadMultipleBssid(ie, body); break;
        case kReducedNeighborReport: ReadReducedNeighborReport(ie, body); break;
        case kExtension: ReadExtension(ie, body); break;
        default: break;
    }
}

// The width that a VHT operation channel gives; 0 when it defers to HT.
ChannelWidth VhtWidth(const OperatingChannel& c) {
    switch (c.width) {
        case 1:
            if (c.ccfs1 == 0) return {80, false};
            return std::abs(int{c.ccfs1} - int{c.ccfs0}) == 8 ? ChannelWidth{160, false} : ChannelWidth{80, true};
        case 2: return {160, false};  // the older way of saying 160
        case 3: return {80, true};
        default: return {0, false};
    }
}

// The HE 6 GHz control field: 0..3 for 20, 40, 80, and 160 or 80+80.
ChannelWidth SixGhzWidth(const OperatingChannel& c) {
    switch (c.width) {
        case 0: return {20, false};
        case 1: return {40, false};
        case 2: return {80, false};
        default:
            if (c.ccfs1 == 0 || std::abs(int{c.ccfs1} - int{c.ccfs0}) == 8) return {160, false};
            return {80, true};
    }
}

ChannelWidth EhtWidth(const OperatingChannel& c) {
    constexpr uint32_t kWidths[] = {20, 40, 80, 160, 320};
    return {c.width < std::size(kWidths) ? kWidths[c.width] : 0, false};
}

bool Wider(const ChannelWidth& a, const ChannelWidth& b) {
    return a.mhz > b.mhz || (a.mhz == b.mhz && b.eightyPlusEighty && !a.eightyPlusEighty);
}

bool SixGigahertz(uint32_t frequencyKhz) { return frequencyKhz >= 5925000 && frequencyKhz <= 7125000; }

struct NamedSuite {
    SuiteSelector suite;
    std::string_view text;
};

constexpr SuiteSelector Ieee(uint8_t type) { return kOuiIeee << 8 | type; }
constexpr SuiteSelector Wpa(uint8_t type) { return kOuiMicrosoft << 8 | type; }

constexpr NamedSuite kCiphers[] = {
    {Ieee(1), "WEP-40"},         {Ieee(2), "TKIP"},          {Ieee(4), "CCMP"},         {Ieee(5), "WEP-104"},
    {Ieee(6), "BIP-CMAC-128"},   {Ieee(7), "No group traffic"}, {Ieee(8), "GCMP"},     {Ieee(9), "GCMP-256"},
    {Ieee(10), "CCMP-256"},      {Ieee(11), "BIP-GMAC-128"}, {Ieee(12), "BIP-GMAC-256"}, {Ieee(13), "BIP-CMAC-256"},
    {Wpa(1), "WEP-40"},          {Wpa(2), "TKIP"},           {Wpa(4), "CCMP"},          {Wpa(5), "WEP-104"},
};

constexpr NamedSuite kAkms[] = {
    {Ieee(1), "802.1X"},           {Ieee(2), "PSK"},               {Ieee(3), "FT-802.1X"},
    {Ieee(4), "FT-PSK"},           {Ieee(5), "802.1X-SHA256"},     {Ieee(6), "PSK-SHA256"},
    {Ieee(7), "TDLS"},             {Ieee(8), "SAE"},               {Ieee(9), "FT-SAE"},
    {Ieee(11), "802.1X Suite-B"},  {Ieee(12), "802.1X Suite-B-192"}, {Ieee(13), "FT-802.1X-SHA384"},
    {Ieee(14), "FILS-SHA256"},     {Ieee(15), "FILS-SHA384"},      {Ieee(16), "FT-FILS-SHA256"},
    {Ieee(17), "FT-FILS-SHA384"},  {Ieee(18), "OWE"},              {Ieee(19), "FT-PSK-SHA384"},
    {Ieee(20), "PSK-SHA384"},      {Ieee(24), "SAE-EXT-KEY"},      {Ieee(25), "FT-SAE-EXT-KEY"},
    {Wpa(1), "802.1X"},            {Wpa(2), "PSK"},
};

template <size_t N>
std::string SuiteText(const NamedSuite (&table)[N], SuiteSelector suite) {
    for (const auto& [s, text] : table)
        if (s == suite) return std::string(text);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%06X-%02X", suite >> 8, suite & 0xFF);
    return hex;
}

std::string Joined(const std::vector<SuiteSelector>& suites, std::string (*name)(SuiteSelector), std::string_view prefix) {
    std::string text;
    for (SuiteSelector s : suites) text += (text.empty() ? "" : ", ") + std::string(prefix) + name(s);
    return text;
}

struct GenerationName {
    WifiGeneration generation;
    std::string_view shortText, longText;
};

constexpr GenerationName kGenerations[] = {
    {WifiGeneration::Wifi4, "Wi-Fi 4", "Wi-Fi 4 (802.11n)"},   {WifiGeneration::Wifi5, "Wi-Fi 5", "Wi-Fi 5 (802.11ac)"},
    {WifiGeneration::Wifi6, "Wi-Fi 6", "Wi-Fi 6 (802.11ax)"},  {WifiGeneration::Wifi6E, "Wi-Fi 6E", "Wi-Fi 6E (802.11ax)"},
    {WifiGeneration::Wifi7, "Wi-Fi 7", "Wi-Fi 7 (802.11be)"},
};

// Without HT or later: the rates and the band tell 802.11a, b and g apart.
std::string LegacyPhyText(const InformationElements& ie, uint32_t frequencyKhz) {
    if (frequencyKhz >= 4900000) return "802.11a";
    if (ie.rates.empty()) return "";
    const bool ofdm = std::any_of(ie.rates.begin(), ie.rates.end(), [](uint8_t r) {
        const uint8_t rate = r & 0x7F;
        return rate != 2 && rate != 4 && rate != 11 && rate != 22;  // 1, 2, 5.5 and 11 Mbit/s are DSSS
    });
    return ofdm ? "802.11g" : "802.11b";
}

std::string GenerationText(const InformationElements& ie, uint32_t frequencyKhz, bool longForm) {
    const WifiGeneration g = Generation(ie, frequencyKhz);
    if (g == WifiGeneration::Unknown) return "";
    if (g == WifiGeneration::Legacy) return LegacyPhyText(ie, frequencyKhz);
    for (const auto& name : kGenerations)
        if (name.generation == g) return std::string(longForm ? name.longText : name.shortText);
    return "";
}

}  // namespace

std::span<const uint8_t> BssEntryElementBytes(const WLAN_BSS_LIST* list, size_t index) {
    if (!list || index >= list->dwNumberOfItems) return {};
    const uint64_t total = list->dwTotalSize;
    const uint64_t entryStart = offsetof(WLAN_BSS_LIST, wlanBssEntries) + uint64_t{index} * sizeof(WLAN_BSS_ENTRY);
    if (entryStart + sizeof(WLAN_BSS_ENTRY) > total) return {};
    const WLAN_BSS_ENTRY& entry = list->wlanBssEntries[index];
    // The elements never overlap their own entry's fixed part.
    if (entry.ulIeSize == 0 || entry.ulIeOffset < sizeof(WLAN_BSS_ENTRY)) return {};
    const uint64_t start = entryStart + entry.ulIeOffset;
    if (start >= total) return {};
    const uint64_t size = std::min<uint64_t>(entry.ulIeSize, total - start);
    return {reinterpret_cast<const uint8_t*>(list) + start, static_cast<size_t>(size)};
}

InformationElements ParseInformationElements(std::span<const uint8_t> bytes) {
    InformationElements ie;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 2 || bytes.size() - at - 2 < bytes[at + 1]) {
            ie.truncated = true;
            break;
        }
        const uint8_t id = bytes[at], length = bytes[at + 1];
        ReadElement(ie, id, bytes.subspan(at + 2, length));
        at += 2 + size_t{length};
        ++ie.count;
    }
    ie.bytes = at;
    return ie;
}

WifiGeneration Generation(const InformationElements& ie, uint32_t frequencyKhz) {
    if (ie.ehtCapabilities || ie.ehtOperation) return WifiGeneration::Wifi7;
    if (ie.heCapabilities || ie.heOperation)
        return SixGigahertz(frequencyKhz) || ie.heSixGhz ? WifiGeneration::Wifi6E : WifiGeneration::Wifi6;
    if (ie.vhtCapabilities || ie.vhtOperation) return WifiGeneration::Wifi5;
    if (ie.htCapabilities || ie.htOperation) return WifiGeneration::Wifi4;
    return ie.count ? WifiGeneration::Legacy : WifiGeneration::Unknown;
}

ChannelWidth Width(const InformationElements& ie) {
    ChannelWidth widest;
    auto consider = [&](ChannelWidth w) {
        if (Wider(w, widest)) widest = w;
    };
    if (ie.htOperation)
        consider({ie.htOperation->anyWidth && (ie.htOperation->secondaryOffset == 1 || ie.htOperation->secondaryOffset == 3)
                      ? 40u
                      : 20u,
                  false});
    if (ie.vhtOperation) consider(VhtWidth(*ie.vhtOperation));
    if (ie.heVhtOperation) consider(VhtWidth(*ie.heVhtOperation));
    if (ie.heSixGhz) consider(SixGhzWidth(ie.heSixGhz->channel));
    if (ie.ehtChannel) consider(EhtWidth(*ie.ehtChannel));
    return widest;
}

ChannelCentre Centre(const InformationElements& ie) {
    ChannelCentre c;
    if (ie.dsChannel) c.primary = *ie.dsChannel;
    if (ie.htOperation) c.primary = ie.htOperation->primaryChannel;
    if (ie.heSixGhz) c.primary = ie.heSixGhz->primaryChannel;
    if (!c.primary) return c;

    const ChannelWidth w = Width(ie);
    c.centre = c.primary;
    // A secondary below channel 1 or 2 has no centre: claimed by the air, not possible.
    if (w.mhz == 40 && ie.htOperation)
        c.centre = ie.htOperation->secondaryOffset == 1 ? c.primary + 2 : c.primary > 2 ? c.primary - 2 : 0;
    // The widest channel's own element names its centre: segment 1 for 160 and
    // 320 where the element gives both, segment 0 otherwise.
    auto fromChannel = [&](const OperatingChannel& ch, ChannelWidth chWidth) {
        if (chWidth.mhz != w.mhz || chWidth.eightyPlusEighty != w.eightyPlusEighty) return false;
        if (w.eightyPlusEighty) {
            c.centre = ch.ccfs0;
            c.secondCentre = ch.ccfs1;
        } else {
            c.centre = w.mhz >= 160 && ch.ccfs1 ? ch.ccfs1 : ch.ccfs0;
        }
        return true;
    };
    if (w.mhz < 40) return c;
    const std::pair<const std::optional<OperatingChannel>*, ChannelWidth (*)(const OperatingChannel&)> sources[] = {
        {&ie.ehtChannel, EhtWidth}, {&ie.vhtOperation, VhtWidth}, {&ie.heVhtOperation, VhtWidth}};
    if (ie.heSixGhz && fromChannel(ie.heSixGhz->channel, SixGhzWidth(ie.heSixGhz->channel))) return c;
    for (const auto& [channel, width] : sources)
        if (*channel && fromChannel(**channel, width(**channel))) break;
    return c;
}

std::string GenerationShortText(const InformationElements& ie, uint32_t frequencyKhz) {
    return GenerationText(ie, frequencyKhz, false);
}

std::string GenerationLongText(const InformationElements& ie, uint32_t frequencyKhz) {
    return GenerationText(ie, frequencyKhz, true);
}

std::string WidthText(const InformationElements& ie) {
    const ChannelWidth w = Width(ie);
    if (!w.mhz) return "";
    return w.eightyPlusEighty ? "80+80 MHz" : std::to_string(w.mhz) + " MHz";
}

std::string CentreChannelText(const InformationElements& ie) {
    const ChannelCentre c = Centre(ie);
    if (!c.centre) return "";
    return std::to_string(c.centre) + (c.secondCentre ? "+" + std::to_string(c.secondCentre) : "");
}

std::string StationsText(const InformationElements& ie) {
    return ie.bssLoad ? std::to_string(ie.bssLoad->stationCount) : "";
}

std::string ChannelUtilizationText(const InformationElements& ie) {
    if (!ie.bssLoad) return "";
    return std::to_string((ie.bssLoad->channelUtilization * 100 + 127) / 255) + "%";
}

std::string CountryText(const InformationElements& ie) {
    if (!ie.country) return "";
    std::string text;
    for (char ch : ie.country->code) text += ch >= 0x20 && ch < 0x7F ? ch : '?';
    switch (ie.country->environment) {
        case 'I': return text + " (indoor)";
        case 'O': return text + " (outdoor)";
        default: return text;
    }
}

std::string SecurityText(const InformationElements& ie) {
    const RsnInfo* suites = ie.rsn ? &*ie.rsn : ie.wpa ? &*ie.wpa : nullptr;
    if (!suites) return "";
    const std::string_view prefix = ie.rsn ? "" : "WPA ";
    const std::string akms = Joined(suites->akmSuites, AkmSuiteText, prefix);
    std::string ciphers = Joined(suites->pairwiseCiphers, CipherSuiteText, "");
    if (ciphers.empty() && suites->groupCipher) ciphers = CipherSuiteText(*suites->groupCipher);
    if (akms.empty()) return ciphers;
    return ciphers.empty() ? akms : akms + " / " + ciphers;
}

std::string FastRoamingText(const InformationElements& ie) {
    if (!ie.count) return "";
    std::string text;
    if (ie.neighborReport) text += "802.11k";
    if (ie.mobilityDomain) text += (text.empty() ? "" : ", ") + std::string("802.11r");
    if (ie.bssTransition) text += (text.empty() ? "" : ", ") + std::string("802.11v");
    return text.empty() ? "None" : text;
}

std::string ElementsSummaryText(const InformationElements& ie) {
    if (!ie.count && !ie.truncated) return "None";
    return std::to_string(ie.count) + " (" + std::to_string(ie.bytes) + " bytes" + (ie.truncated ? ", truncated)" : ")");
}

std::string CipherSuiteText(SuiteSelector suite) { return SuiteText(kCiphers, suite); }

std::string AkmSuiteText(SuiteSelector suite) { return SuiteText(kAkms, suite); }
