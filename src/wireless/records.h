#pragma once
// The records that the Native Wifi service returns, laid out byte for byte as
// the platform's headers lay them out (the Windows binding hands the system's
// buffers over as these types). Field names are the platform's.
#include <cstddef>
#include <cstdint>
#include <span>

namespace wlan {

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};

struct DOT11_SSID {
    uint32_t uSSIDLength;
    uint8_t ucSSID[32];
};

// Information elements a scan request may carry.
struct WLAN_RAW_DATA {
    uint32_t dwDataSize;
    uint8_t DataBlob[1];  // dwDataSize bytes
};

struct WLAN_INTERFACE_INFO {
    GUID InterfaceGuid;
    char16_t strInterfaceDescription[256];
    uint32_t isState;
};

struct WLAN_INTERFACE_INFO_LIST {
    uint32_t dwNumberOfItems;
    uint32_t dwIndex;
    WLAN_INTERFACE_INFO InterfaceInfo[1];  // dwNumberOfItems entries follow
};

struct WLAN_INTERFACE_CAPABILITY {
    uint32_t interfaceType;
    int32_t bDot11DSupported;
    uint32_t dwMaxDesiredSsidListSize;
    uint32_t dwMaxDesiredBssidListSize;
    uint32_t dwNumberOfSupportedPhys;
    uint32_t dot11PhyTypes[64];
};

struct WLAN_AVAILABLE_NETWORK {
    char16_t strProfileName[256];
    DOT11_SSID dot11Ssid;
    uint32_t dot11BssType;
    uint32_t uNumberOfBssids;
    int32_t bNetworkConnectable;
    uint32_t wlanNotConnectableReason;
    uint32_t uNumberOfPhyTypes;
    uint32_t dot11PhyTypes[8];
    int32_t bMorePhyTypes;
    uint32_t wlanSignalQuality;
    int32_t bSecurityEnabled;
    uint32_t dot11DefaultAuthAlgorithm;
    uint32_t dot11DefaultCipherAlgorithm;
    uint32_t dwFlags;
    uint32_t dwReserved;
};

struct WLAN_AVAILABLE_NETWORK_LIST {
    uint32_t dwNumberOfItems;
    uint32_t dwIndex;
    WLAN_AVAILABLE_NETWORK Network[1];  // dwNumberOfItems entries follow
};

struct WLAN_RATE_SET {
    uint32_t uRateSetLength;  // in bytes
    uint16_t usRateSet[126];
};

// The 64-bit fields carry alignas(8) so that a 32-bit build lays them out as the
// platform's compiler does.
struct WLAN_BSS_ENTRY {
    DOT11_SSID dot11Ssid;
    uint32_t uPhyId;
    uint8_t dot11Bssid[6];
    uint32_t dot11BssType;
    uint32_t dot11BssPhyType;
    int32_t lRssi;
    uint32_t uLinkQuality;
    uint8_t bInRegDomain;
    uint16_t usBeaconPeriod;
    alignas(8) uint64_t ullTimestamp;
    alignas(8) uint64_t ullHostTimestamp;
    uint16_t usCapabilityInformation;
    uint32_t ulChCenterFrequency;
    WLAN_RATE_SET wlanRateSet;
    uint32_t ulIeOffset;
    uint32_t ulIeSize;
};

struct WLAN_BSS_LIST {
    uint32_t dwTotalSize;
    uint32_t dwNumberOfItems;
    WLAN_BSS_ENTRY wlanBssEntries[1];  // dwNumberOfItems entries follow
};

struct WLAN_MAC_FRAME_STATISTICS {
    alignas(8) uint64_t ullTransmittedFrameCount;
    alignas(8) uint64_t ullReceivedFrameCount;
    alignas(8) uint64_t ullWEPExcludedCount;
    alignas(8) uint64_t ullTKIPLocalMICFailures;
    alignas(8) uint64_t ullTKIPReplays;
    alignas(8) uint64_t ullTKIPICVErrorCount;
    alignas(8) uint64_t ullCCMPReplays;
    alignas(8) uint64_t ullCCMPDecryptErrors;
    alignas(8) uint64_t ullWEPUndecryptableCount;
    alignas(8) uint64_t ullWEPICVErrorCount;
    alignas(8) uint64_t ullDecryptSuccessCount;
    alignas(8) uint64_t ullDecryptFailureCount;
};

struct WLAN_PHY_FRAME_STATISTICS {
    alignas(8) uint64_t ullTransmittedFrameCount;
    alignas(8) uint64_t ullMulticastTransmittedFrameCount;
    alignas(8) uint64_t ullFailedCount;
    alignas(8) uint64_t ullRetryCount;
    alignas(8) uint64_t ullMultipleRetryCount;
    alignas(8) uint64_t ullMaxTXLifetimeExceededCount;
    alignas(8) uint64_t ullTransmittedFragmentCount;
    alignas(8) uint64_t ullRTSSuccessCount;
    alignas(8) uint64_t ullRTSFailureCount;
    alignas(8) uint64_t ullACKFailureCount;
    alignas(8) uint64_t ullReceivedFrameCount;
    alignas(8) uint64_t ullMulticastReceivedFrameCount;
    alignas(8) uint64_t ullPromiscuousReceivedFrameCount;
    alignas(8) uint64_t ullMaxRXLifetimeExceededCount;
    alignas(8) uint64_t ullFrameDuplicateCount;
    alignas(8) uint64_t ullReceivedFragmentCount;
    alignas(8) uint64_t ullPromiscuousReceivedFragmentCount;
    alignas(8) uint64_t ullFCSErrorCount;
};

struct WLAN_STATISTICS {
    alignas(8) uint64_t ullFourWayHandshakeFailures;
    alignas(8) uint64_t ullTKIPCounterMeasuresInvoked;
    alignas(8) uint64_t ullReserved;
    WLAN_MAC_FRAME_STATISTICS MacUcastCounters;
    WLAN_MAC_FRAME_STATISTICS MacMcastCounters;
    uint32_t dwNumberOfPhys;
    WLAN_PHY_FRAME_STATISTICS PhyCounters[1];  // dwNumberOfPhys entries follow
};

// The opcode of WlanQueryInterface that returns a WLAN_STATISTICS.
inline constexpr uint32_t kWlanIntfOpcodeStatistics = 0x10000101;
// The link's opcodes: a WLAN_CONNECTION_ATTRIBUTES, a ULONG channel and a LONG RSSI in dBm.
inline constexpr uint32_t kWlanIntfOpcodeCurrentConnection = 7;
inline constexpr uint32_t kWlanIntfOpcodeChannelNumber = 8;
inline constexpr uint32_t kWlanIntfOpcodeRssi = 0x10000102;

struct WLAN_ASSOCIATION_ATTRIBUTES {
    DOT11_SSID dot11Ssid;
    uint32_t dot11BssType;
    uint8_t dot11Bssid[6];
    uint32_t dot11PhyType;
    uint32_t uDot11PhyIndex;
    uint32_t wlanSignalQuality;
    uint32_t ulRxRate;  // kbit/s
    uint32_t ulTxRate;
};

struct WLAN_SECURITY_ATTRIBUTES {
    int32_t bSecurityEnabled;
    int32_t bOneXEnabled;
    uint32_t dot11AuthAlgorithm;
    uint32_t dot11CipherAlgorithm;
};

struct WLAN_CONNECTION_ATTRIBUTES {
    uint32_t isState;
    uint32_t wlanConnectionMode;
    char16_t strProfileName[256];
    WLAN_ASSOCIATION_ATTRIBUTES wlanAssociationAttributes;
    WLAN_SECURITY_ATTRIBUTES wlanSecurityAttributes;
};

// The data of the MSM notifications (connected, roaming, disconnected).
struct WLAN_MSM_NOTIFICATION_DATA {
    uint32_t wlanConnectionMode;
    char16_t strProfileName[256];
    DOT11_SSID dot11Ssid;
    uint32_t dot11BssType;
    uint8_t dot11MacAddr[6];
    int32_t bSecurityEnabled;
    int32_t bFirstPeer;
    int32_t bLastPeer;
    uint32_t wlanReasonCode;
};

// The data of the ACM connection notifications; the profile XML follows when dwFlags says so.
struct WLAN_CONNECTION_NOTIFICATION_DATA {
    uint32_t wlanConnectionMode;
    char16_t strProfileName[256];
    DOT11_SSID dot11Ssid;
    uint32_t dot11BssType;
    int32_t bSecurityEnabled;
    uint32_t wlanReasonCode;
    uint32_t dwFlags;
    char16_t strProfileXml[1];
};

// Sizes of the variable-length records as the service allocates them.
constexpr size_t InterfaceListSize(size_t n) { return offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) + n * sizeof(WLAN_INTERFACE_INFO); }
constexpr size_t NetworkListSize(size_t n) { return offsetof(WLAN_AVAILABLE_NETWORK_LIST, Network) + n * sizeof(WLAN_AVAILABLE_NETWORK); }
constexpr size_t BssListSize(size_t n) { return offsetof(WLAN_BSS_LIST, wlanBssEntries) + n * sizeof(WLAN_BSS_ENTRY); }
constexpr size_t StatisticsSize(size_t phys) { return offsetof(WLAN_STATISTICS, PhyCounters) + phys * sizeof(WLAN_PHY_FRAME_STATISTICS); }

// The entries of a list as a span; an absent list has none.
inline std::span<const WLAN_INTERFACE_INFO> Entries(const WLAN_INTERFACE_INFO_LIST* list) {
    return list ? std::span(list->InterfaceInfo + 0, list->dwNumberOfItems) : std::span<const WLAN_INTERFACE_INFO>();
}
inline std::span<const WLAN_AVAILABLE_NETWORK> Entries(const WLAN_AVAILABLE_NETWORK_LIST* list) {
    return list ? std::span(list->Network + 0, list->dwNumberOfItems) : std::span<const WLAN_AVAILABLE_NETWORK>();
}
inline std::span<const WLAN_BSS_ENTRY> Entries(const WLAN_BSS_LIST* list) {
    return list ? std::span(list->wlanBssEntries + 0, list->dwNumberOfItems) : std::span<const WLAN_BSS_ENTRY>();
}
inline std::span<const WLAN_PHY_FRAME_STATISTICS> Entries(const WLAN_STATISTICS* stats) {
    return stats ? std::span(stats->PhyCounters + 0, stats->dwNumberOfPhys) : std::span<const WLAN_PHY_FRAME_STATISTICS>();
}

// The layouts, for 32- and 64-bit builds alike.
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(DOT11_SSID) == 36 && offsetof(DOT11_SSID, ucSSID) == 4);
static_assert(sizeof(WLAN_RAW_DATA) == 8 && offsetof(WLAN_RAW_DATA, DataBlob) == 4);

static_assert(sizeof(WLAN_INTERFACE_INFO) == 532);
static_assert(offsetof(WLAN_INTERFACE_INFO, strInterfaceDescription) == 16);
static_assert(offsetof(WLAN_INTERFACE_INFO, isState) == 528);
static_assert(offsetof(WLAN_INTERFACE_INFO_LIST, dwIndex) == 4);
static_assert(offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) == 8);

static_assert(sizeof(WLAN_INTERFACE_CAPABILITY) == 276);
static_assert(offsetof(WLAN_INTERFACE_CAPABILITY, bDot11DSupported) == 4);
static_assert(offsetof(WLAN_INTERFACE_CAPABILITY, dwMaxDesiredSsidListSize) == 8);
static_assert(offsetof(WLAN_INTERFACE_CAPABILITY, dwMaxDesiredBssidListSize) == 12);
static_assert(offsetof(WLAN_INTERFACE_CAPABILITY, dwNumberOfSupportedPhys) == 16);
static_assert(offsetof(WLAN_INTERFACE_CAPABILITY, dot11PhyTypes) == 20);

static_assert(sizeof(WLAN_AVAILABLE_NETWORK) == 628);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dot11Ssid) == 512);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dot11BssType) == 548);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, uNumberOfBssids) == 552);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, bNetworkConnectable) == 556);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, wlanNotConnectableReason) == 560);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, uNumberOfPhyTypes) == 564);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dot11PhyTypes) == 568);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, bMorePhyTypes) == 600);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, wlanSignalQuality) == 604);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, bSecurityEnabled) == 608);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dot11DefaultAuthAlgorithm) == 612);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dot11DefaultCipherAlgorithm) == 616);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dwFlags) == 620);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK, dwReserved) == 624);
static_assert(offsetof(WLAN_AVAILABLE_NETWORK_LIST, Network) == 8);

static_assert(sizeof(WLAN_RATE_SET) == 256 && offsetof(WLAN_RATE_SET, usRateSet) == 4);

static_assert(sizeof(WLAN_BSS_ENTRY) == 360);
static_assert(offsetof(WLAN_BSS_ENTRY, uPhyId) == 36);
static_assert(offsetof(WLAN_BSS_ENTRY, dot11Bssid) == 40);
static_assert(offsetof(WLAN_BSS_ENTRY, dot11BssType) == 48);
static_assert(offsetof(WLAN_BSS_ENTRY, dot11BssPhyType) == 52);
static_assert(offsetof(WLAN_BSS_ENTRY, lRssi) == 56);
static_assert(offsetof(WLAN_BSS_ENTRY, uLinkQuality) == 60);
static_assert(offsetof(WLAN_BSS_ENTRY, bInRegDomain) == 64);
static_assert(offsetof(WLAN_BSS_ENTRY, usBeaconPeriod) == 66);
static_assert(offsetof(WLAN_BSS_ENTRY, ullTimestamp) == 72);
static_assert(offsetof(WLAN_BSS_ENTRY, ullHostTimestamp) == 80);
static_assert(offsetof(WLAN_BSS_ENTRY, usCapabilityInformation) == 88);
static_assert(offsetof(WLAN_BSS_ENTRY, ulChCenterFrequency) == 92);
static_assert(offsetof(WLAN_BSS_ENTRY, wlanRateSet) == 96);
static_assert(offsetof(WLAN_BSS_ENTRY, ulIeOffset) == 352);
static_assert(offsetof(WLAN_BSS_ENTRY, ulIeSize) == 356);
static_assert(offsetof(WLAN_BSS_LIST, dwNumberOfItems) == 4);
static_assert(offsetof(WLAN_BSS_LIST, wlanBssEntries) == 8);

static_assert(sizeof(WLAN_MAC_FRAME_STATISTICS) == 96);
static_assert(offsetof(WLAN_MAC_FRAME_STATISTICS, ullDecryptFailureCount) == 88);
static_assert(sizeof(WLAN_PHY_FRAME_STATISTICS) == 144);
static_assert(offsetof(WLAN_PHY_FRAME_STATISTICS, ullFCSErrorCount) == 136);
static_assert(offsetof(WLAN_STATISTICS, ullTKIPCounterMeasuresInvoked) == 8);
static_assert(offsetof(WLAN_STATISTICS, ullReserved) == 16);
static_assert(offsetof(WLAN_STATISTICS, MacUcastCounters) == 24);
static_assert(offsetof(WLAN_STATISTICS, MacMcastCounters) == 120);
static_assert(offsetof(WLAN_STATISTICS, dwNumberOfPhys) == 216);
static_assert(offsetof(WLAN_STATISTICS, PhyCounters) == 224);
static_assert(StatisticsSize(0) == 224 && StatisticsSize(2) == 512);

static_assert(sizeof(WLAN_ASSOCIATION_ATTRIBUTES) == 68);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, dot11BssType) == 36);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, dot11Bssid) == 40);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, dot11PhyType) == 48);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, ulTxRate) == 64);
static_assert(sizeof(WLAN_SECURITY_ATTRIBUTES) == 16);
static_assert(sizeof(WLAN_CONNECTION_ATTRIBUTES) == 604);
static_assert(offsetof(WLAN_CONNECTION_ATTRIBUTES, strProfileName) == 8);
static_assert(offsetof(WLAN_CONNECTION_ATTRIBUTES, wlanAssociationAttributes) == 520);
static_assert(offsetof(WLAN_CONNECTION_ATTRIBUTES, wlanSecurityAttributes) == 588);
static_assert(sizeof(WLAN_MSM_NOTIFICATION_DATA) == 580);
static_assert(offsetof(WLAN_MSM_NOTIFICATION_DATA, dot11Ssid) == 516);
static_assert(offsetof(WLAN_MSM_NOTIFICATION_DATA, dot11MacAddr) == 556);
static_assert(offsetof(WLAN_MSM_NOTIFICATION_DATA, bSecurityEnabled) == 564);
static_assert(offsetof(WLAN_MSM_NOTIFICATION_DATA, wlanReasonCode) == 576);
static_assert(sizeof(WLAN_CONNECTION_NOTIFICATION_DATA) == 572);
static_assert(offsetof(WLAN_CONNECTION_NOTIFICATION_DATA, bSecurityEnabled) == 556);
static_assert(offsetof(WLAN_CONNECTION_NOTIFICATION_DATA, dwFlags) == 564);
static_assert(offsetof(WLAN_CONNECTION_NOTIFICATION_DATA, strProfileXml) == 568);

}  // namespace wlan
