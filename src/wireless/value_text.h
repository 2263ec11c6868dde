#pragma once
// The wireless vocabulary: the texts and list images of record values. All pure
// functions of their arguments (but for the decimal separator of ChannelText);
// texts are UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

#include "wireless/list_image.h"
#include "wireless/records.h"

// Shown by every list and window for an empty SSID.
inline constexpr std::string_view kHiddenSsid = "<Hidden SSID>";

std::string InterfaceStateText(uint32_t state);
std::string CapabilityPhyListText(const wlan::WLAN_INTERFACE_CAPABILITY& capability);  // such as "b/g/n"
std::string NetworkPhyListText(const wlan::WLAN_AVAILABLE_NETWORK& network);
std::string PhyTypeText(uint32_t phyType);     // the adapter statistics' names, "Unknown" otherwise
std::string BssPhyTypeText(uint32_t phyType);  // the access point's names, "Unknown (n)" otherwise
std::string BssTypeText(uint32_t bssType);     // of its low 8 bits
std::string AuthAlgorithmText(uint32_t algorithm);
std::string CipherAlgorithmText(uint32_t algorithm);
int32_t QualityToDbm(uint32_t quality);
std::string MacAddressText(const uint8_t (&mac)[6]);
int32_t FrequencyToChannel(uint32_t frequencyKhz);  // 0 for a frequency of no known band
std::string CapabilityInfoText(uint16_t capability);
std::string RateSetText(const wlan::WLAN_RATE_SET& rates);  // whole Mbit/s joined by blanks
std::string SsidText(const wlan::DOT11_SSID& ssid);        // empty for a hidden network
std::string NameOrHidden(const wlan::DOT11_SSID& ssid);    // SsidText, or kHiddenSsid when empty

// UTF-16 names of the records, up to the first zero unit.
std::string InterfaceDescriptionText(const wlan::WLAN_INTERFACE_INFO& info);
std::string ProfileNameText(const wlan::WLAN_AVAILABLE_NETWORK& network);

// List cells: "80% / -60dBm", "6 (2.437 GHz)", "-67 dBm".
std::string QualityText(uint32_t quality);
std::string ChannelText(uint32_t frequencyKhz);
// The frequency in GHz with three decimals and the decimal separator below: "2.437".
std::string GigahertzText(uint32_t frequencyKhz);
std::string RssiText(int32_t rssi);

// The decimal separator of ChannelText: "." until the Windows layer installs the
// user's locale one; an empty text restores ".".
void SetDecimalSeparator(std::string_view separator);
std::string DecimalSeparator();

// The list pictures of a quality, an authentication and a cipher algorithm.
ListImage QualityImage(uint32_t quality);
ListImage AuthImage(uint32_t algorithm);
ListImage CipherImage(uint32_t algorithm);
