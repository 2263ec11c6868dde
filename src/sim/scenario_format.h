#pragma once
// The scenario file's keys and the values a key left out stands for: one list for
// the reader here and for the recorder that writes such files.
#include <cstdint>
#include <string_view>

namespace wlan::sim {

namespace key {
// The file.
inline constexpr std::string_view kSeed = "seed", kOpenResult = "open_result", kInterfaces = "interfaces",
                                  kFaults = "faults";
// An interface.
inline constexpr std::string_view kGuid = "guid", kDescription = "description", kState = "state",
                                  kPresent = "present", kPhyTypes = "phy_types", kNetworks = "networks", kBss = "bss",
                                  kStatistics = "statistics", kScanCache = "scan_cache";
// Its statistics.
inline constexpr std::string_view kFourWayFailures = "four_way_handshake_failures",
                                  kTkipCountermeasures = "tkip_countermeasures_invoked", kUnicast = "unicast",
                                  kMulticast = "multicast", kPhys = "phys";
// A network and a BSS entry (the SSID keys and "present" in both).
inline constexpr std::string_view kSsid = "ssid", kSsidHex = "ssid_hex", kSsidLength = "ssid_length",
                                  kProfile = "profile", kBssType = "bss_type", kBssids = "bssids",
                                  kConnectable = "connectable", kReason = "reason", kMorePhyTypes = "more_phy_types",
                                  kQuality = "quality", kSecurity = "security", kAuth = "auth", kCipher = "cipher",
                                  kFlags = "flags";
inline constexpr std::string_view kBssid = "bssid", kPhyId = "phy_id", kPhyType = "phy_type", kRssi = "rssi",
                                  kLinkQuality = "link_quality", kInRegDomain = "in_reg_domain",
                                  kBeaconPeriod = "beacon_period", kTimestamp = "timestamp",
                                  kHostTimestamp = "host_timestamp", kCapability = "capability",
                                  kFrequencyKhz = "frequency_khz", kRates = "rates", kIes = "ies";
// The interface's link (with the SSID keys, "profile", "bssid", "phy_type", "quality",
// "rssi", "security", "auth" and "cipher" of the others).
inline constexpr std::string_view kConnection = "connection", kConnected = "connected", kMode = "mode",
                                  kPhyIndex = "phy_index", kRxRate = "rx_rate", kTxRate = "tx_rate",
                                  kChannel = "channel", kOneX = "onex";
// An information element of "ies".
inline constexpr std::string_view kId = "id", kExt = "ext", kHex = "hex";
// A fault.
inline constexpr std::string_view kCall = "call", kInterface = "interface", kEpochs = "epochs", kFrom = "from",
                                  kTo = "to", kResult = "result", kOpcode = "opcode";
}  // namespace key

// The calls a fault may name, in the order of sim::Call.
inline constexpr std::string_view kCallNames[] = {"WlanEnumInterfaces",          "WlanGetInterfaceCapability",
                                                  "WlanQueryInterface",          "WlanGetAvailableNetworkList",
                                                  "WlanGetNetworkBssList",       "WlanScan"};

namespace defaults {
inline constexpr uint32_t kInterfaceState = 1;  // connected
inline constexpr uint32_t kBssType = 1;         // infrastructure
inline constexpr uint32_t kBssids = 1;
inline constexpr uint32_t kPhyType = 7;  // ERP, 802.11g: a network's one PHY type and a BSS entry's
inline constexpr uint32_t kQuality = 50;
inline constexpr uint32_t kAuth = 7;    // WPA2-Personal
inline constexpr uint32_t kCipher = 4;  // CCMP
inline constexpr int32_t kRssi = -60;
inline constexpr uint32_t kLinkQuality = 80;
inline constexpr uint16_t kBeaconPeriod = 100;
inline constexpr uint16_t kCapability = 0x0011;  // an access point with privacy
inline constexpr uint32_t kFrequencyKhz = 2437000;  // channel 6
inline constexpr uint32_t kConnectionQuality = 80;
inline constexpr uint16_t kRates[] = {32770, 32772, 32779, 32790, 12, 18, 24, 36, 48, 72, 96, 108};
}  // namespace defaults

}  // namespace wlan::sim
