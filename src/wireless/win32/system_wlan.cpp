#include "wireless/win32/system_wlan.h"

#include <wlanapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>

namespace wlan {
namespace {

// The system's buffers are handed over as our records: the layouts must agree.
#define VELLUMAR_SAME_FIELD(ours, theirs, field) \
    static_assert(offsetof(wlan::ours, field) == offsetof(::theirs, field), #ours "." #field)
static_assert(sizeof(wlan::GUID) == sizeof(::GUID));
static_assert(sizeof(wlan::DOT11_SSID) == sizeof(::DOT11_SSID));
VELLUMAR_SAME_FIELD(DOT11_SSID, DOT11_SSID, ucSSID);
static_assert(sizeof(wlan::WLAN_RAW_DATA) == sizeof(::WLAN_RAW_DATA));
VELLUMAR_SAME_FIELD(WLAN_RAW_DATA, WLAN_RAW_DATA, DataBlob);
static_assert(sizeof(wlan::WLAN_INTERFACE_INFO) == sizeof(::WLAN_INTERFACE_INFO));
VELLUMAR_SAME_FIELD(WLAN_INTERFACE_INFO, WLAN_INTERFACE_INFO, strInterfaceDescription);
VELLUMAR_SAME_FIELD(WLAN_INTERFACE_INFO, WLAN_INTERFACE_INFO, isState);
VELLUMAR_SAME_FIELD(WLAN_INTERFACE_INFO_LIST, WLAN_INTERFACE_INFO_LIST, dwIndex);
VELLUMAR_SAME_FIELD(WLAN_INTERFACE_INFO_LIST, WLAN_INTERFACE_INFO_LIST, InterfaceInfo);
static_assert(sizeof(wlan::WLAN_INTERFACE_CAPABILITY) == sizeof(::WLAN_INTERFACE_CAPABILITY));
VELLUMAR_SAME_FIELD(WLAN_INTERFACE_CAPABILITY, WLAN_INTERFACE_CAPABILITY, dwNumberOfSupportedPhys);
VELLUMAR_SAME_FIELD(WLAN_INTERFACE_CAPABILITY, WLAN_INTERFACE_CAPABILITY, dot11PhyTypes);
static_assert(sizeof(wlan::WLAN_AVAILABLE_NETWORK) == sizeof(::WLAN_AVAILABLE_NETWORK));
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dot11Ssid);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dot11BssType);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, uNumberOfBssids);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, bNetworkConnectable);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, wlanNotConnectableReason);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, uNumberOfPhyTypes);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dot11PhyTypes);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, bMorePhyTypes);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, wlanSignalQuality);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, bSecurityEnabled);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dot11DefaultAuthAlgorithm);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dot11DefaultCipherAlgorithm);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dwFlags);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK, WLAN_AVAILABLE_NETWORK, dwReserved);
VELLUMAR_SAME_FIELD(WLAN_AVAILABLE_NETWORK_LIST, WLAN_AVAILABLE_NETWORK_LIST, Network);
static_assert(sizeof(wlan::WLAN_RATE_SET) == sizeof(::WLAN_RATE_SET));
VELLUMAR_SAME_FIELD(WLAN_RATE_SET, WLAN_RATE_SET, usRateSet);
static_assert(sizeof(wlan::WLAN_BSS_ENTRY) == sizeof(::WLAN_BSS_ENTRY));
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, uPhyId);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, dot11Bssid);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, dot11BssType);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, dot11BssPhyType);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, lRssi);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, uLinkQuality);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, bInRegDomain);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, usBeaconPeriod);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, ullTimestamp);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, ullHostTimestamp);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, usCapabilityInformation);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, ulChCenterFrequency);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, wlanRateSet);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, ulIeOffset);
VELLUMAR_SAME_FIELD(WLAN_BSS_ENTRY, WLAN_BSS_ENTRY, ulIeSize);
VELLUMAR_SAME_FIELD(WLAN_BSS_LIST, WLAN_BSS_LIST, dwNumberOfItems);
VELLUMAR_SAME_FIELD(WLAN_BSS_LIST, WLAN_BSS_LIST, wlanBssEntries);
static_assert(sizeof(wlan::WLAN_MAC_FRAME_STATISTICS) == sizeof(::WLAN_MAC_FRAME_STATISTICS));
static_assert(sizeof(wlan::WLAN_PHY_FRAME_STATISTICS) == sizeof(::WLAN_PHY_FRAME_STATISTICS));
VELLUMAR_SAME_FIELD(WLAN_PHY_FRAME_STATISTICS, WLAN_PHY_FRAME_STATISTICS, ullFCSErrorCount);
static_assert(sizeof(wlan::WLAN_STATISTICS) == sizeof(::WLAN_STATISTICS));
VELLUMAR_SAME_FIELD(WLAN_STATISTICS, WLAN_STATISTICS, MacUcastCounters);
VELLUMAR_SAME_FIELD(WLAN_STATISTICS, WLAN_STATISTICS, MacMcastCounters);
VELLUMAR_SAME_FIELD(WLAN_STATISTICS, WLAN_STATISTICS, dwNumberOfPhys);
VELLUMAR_SAME_FIELD(WLAN_STATISTICS, WLAN_STATISTICS, PhyCounters);
#undef VELLUMAR_SAME_FIELD

enum Proc {
    kOpen, kClose, kEnum, kCapability, kQuery, kNetworks, kBss, kFree, kRequired,
    kScan = kRequired, kRegister, kProcCount,
};
constexpr const char* kProcNames[] = {
    "WlanOpenHandle",        "WlanCloseHandle",     "WlanEnumInterfaces", "WlanGetInterfaceCapability",
    "WlanQueryInterface",    "WlanGetAvailableNetworkList", "WlanGetNetworkBssList", "WlanFreeMemory",
    "WlanScan",              "WlanRegisterNotification",
};
static_assert(std::size(kProcNames) == kProcCount);
static_assert(WLAN_NOTIFICATION_SOURCE_ACM == kNotificationSourceAcm);
static_assert(wlan_notification_acm_scan_complete == kAcmScanComplete);
static_assert(wlan_notification_acm_scan_fail == kAcmScanFail);
static_assert(WLAN_NOTIFICATION_SOURCE_MSM == kNotificationSourceMsm);
static_assert(wlan_notification_acm_connection_complete == kAcmConnectionComplete);
static_assert(wlan_notification_acm_disconnected == kAcmDisconnected);
// The MSM codes (WLAN_NOTIFICATION_MSM) are not in this toolchain's header; wlan_api.h has them.
static_assert(wlan_intf_opcode_current_connection == kWlanIntfOpcodeCurrentConnection);
static_assert(wlan_intf_opcode_channel_number == kWlanIntfOpcodeChannelNumber);
static_assert(wlan_intf_opcode_rssi == kWlanIntfOpcodeRssi);
static_assert(ERROR_INVALID_STATE == kErrorInvalidState);
// The link's records are handed over as our own types.
static_assert(sizeof(::WLAN_CONNECTION_ATTRIBUTES) == sizeof(wlan::WLAN_CONNECTION_ATTRIBUTES));
static_assert(offsetof(::WLAN_CONNECTION_ATTRIBUTES, wlanSecurityAttributes) ==
              offsetof(wlan::WLAN_CONNECTION_ATTRIBUTES, wlanSecurityAttributes));
static_assert(sizeof(::WLAN_MSM_NOTIFICATION_DATA) == sizeof(wlan::WLAN_MSM_NOTIFICATION_DATA));
static_assert(offsetof(::WLAN_MSM_NOTIFICATION_DATA, dot11MacAddr) ==
              offsetof(wlan::WLAN_MSM_NOTIFICATION_DATA, dot11MacAddr));
static_assert(sizeof(::WLAN_CONNECTION_NOTIFICATION_DATA) == sizeof(wlan::WLAN_CONNECTION_NOTIFICATION_DATA));

// Runs on a thread of the service; the context is the registered handler.
VOID CALLBACK ForwardNotification(PWLAN_NOTIFICATION_DATA data, PVOID context) {
    if (!data || !context) return;
    WlanNotification notification;
    notification.source = data->NotificationSource;
    notification.code = data->NotificationCode;
    std::memcpy(&notification.interfaceGuid, &data->InterfaceGuid, sizeof notification.interfaceGuid);
    // A failed scan carries its WLAN_REASON_CODE.
    if (notification.source == WLAN_NOTIFICATION_SOURCE_ACM && notification.code == wlan_notification_acm_scan_fail &&
        data->pData && data->dwDataSize >= sizeof(DWORD))
        std::memcpy(&notification.reason, data->pData, sizeof(DWORD));
    // The data is the service's until the callback returns: kept as bytes.
    if (data->pData && data->dwDataSize) {
        const auto* bytes = static_cast<const uint8_t*>(data->pData);
        notification.data.assign(bytes, bytes + std::min<size_t>(data->dwDataSize, kMaxNotificationData));
    }
    (*static_cast<NotificationHandler*>(context))(notification);
}

// Never the program's or the current folder: a wlanapi.dll planted there must not be loaded.
HMODULE LoadFromSystemFolder(DWORD& error) {
    HMODULE module = LoadLibraryExW(L"wlanapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems without the search flags: name the file in the system folder in full.
        wchar_t folder[MAX_PATH];
        UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            module = LoadLibraryExW((std::wstring(folder, n) + L"\\wlanapi.dll").c_str(), nullptr,
                                    LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    error = module ? 0 : GetLastError();
    if (!module && error == 0) error = ERROR_MOD_NOT_FOUND;
    return module;
}

template <typename F>
F As(FARPROC proc) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}

}  // namespace

SystemWlan::SystemWlan() {
    DWORD error = 0;
    module_.reset(LoadFromSystemFolder(error));
    loadError_ = error;
    if (!module_) return;
    for (int k = 0; k < kProcCount; ++k) {
        procs_[k] = GetProcAddress(module_.get(), kProcNames[k]);
        if (!procs_[k] && k < kRequired) {
            loadError_ = ERROR_PROC_NOT_FOUND;
            module_.reset();
            return;
        }
    }
}

uint32_t SystemWlan::WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                                    Handle* clientHandle) {
    if (loadError_) return loadError_;
    if (!clientHandle) return ERROR_INVALID_PARAMETER;  // a handle opened for nobody could never be closed
    DWORD negotiated = 0;
    HANDLE h = nullptr;
    DWORD rc = As<decltype(&::WlanOpenHandle)>(procs_[kOpen])(clientVersion, reserved, &negotiated, &h);
    if (rc == 0) {
        if (negotiatedVersion) *negotiatedVersion = negotiated;
        *clientHandle = h;
    }
    return rc;
}

uint32_t SystemWlan::WlanCloseHandle(Handle clientHandle, void* reserved) {
    if (loadError_) return loadError_;
    return As<decltype(&::WlanCloseHandle)>(procs_[kClose])(clientHandle, reserved);
}

uint32_t SystemWlan::WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) {
    if (loadError_) return loadError_;
    return As<decltype(&::WlanEnumInterfaces)>(procs_[kEnum])(
        clientHandle, reserved, reinterpret_cast<::PWLAN_INTERFACE_INFO_LIST*>(interfaceList));
}

uint32_t SystemWlan::WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                                WLAN_INTERFACE_CAPABILITY** capability) {
    if (loadError_) return loadError_;
    return As<decltype(&::WlanGetInterfaceCapability)>(procs_[kCapability])(
        clientHandle, reinterpret_cast<const ::GUID*>(interfaceGuid), reserved,
        reinterpret_cast<::PWLAN_INTERFACE_CAPABILITY*>(capability));
}

uint32_t SystemWlan::WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode, void* reserved,
                                        uint32_t* dataSize, void** data, uint32_t* valueType) {
    if (loadError_) return loadError_;
    DWORD size = 0;
    ::WLAN_OPCODE_VALUE_TYPE type{};
    DWORD rc = As<decltype(&::WlanQueryInterface)>(procs_[kQuery])(
        clientHandle, reinterpret_cast<const ::GUID*>(interfaceGuid), static_cast<::WLAN_INTF_OPCODE>(opCode), reserved,
        &size, data, valueType ? &type : nullptr);
    if (rc == 0) {
        if (dataSize) *dataSize = size;
        if (valueType) *valueType = static_cast<uint32_t>(type);
    }
    return rc;
}

uint32_t SystemWlan::WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t flags,
                                                 void* reserved, WLAN_AVAILABLE_NETWORK_LIST** networkList) {
    if (loadError_) return loadError_;
    return As<decltype(&::WlanGetAvailableNetworkList)>(procs_[kNetworks])(
        clientHandle, reinterpret_cast<const ::GUID*>(interfaceGuid), flags, reserved,
        reinterpret_cast<::PWLAN_AVAILABLE_NETWORK_LIST*>(networkList));
}

uint32_t SystemWlan::WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                           uint32_t bssType, bool securityEnabled, void* reserved,
                                           WLAN_BSS_LIST** bssList) {
    if (loadError_) return loadError_;
    // The header declares the SSID as a const pointer to a mutable record; the service does not write it.
    return As<decltype(&::WlanGetNetworkBssList)>(procs_[kBss])(
        clientHandle, reinterpret_cast<const ::GUID*>(interfaceGuid),
        reinterpret_cast<::PDOT11_SSID>(const_cast<DOT11_SSID*>(ssid)), static_cast<::DOT11_BSS_TYPE>(bssType),
        securityEnabled ? TRUE : FALSE, reserved, reinterpret_cast<::PWLAN_BSS_LIST*>(bssList));
}

uint32_t SystemWlan::WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                              const WLAN_RAW_DATA* ieData, void* reserved) {
    if (loadError_) return loadError_;
    if (!procs_[kScan]) return ERROR_PROC_NOT_FOUND;
    // As for the BSS list, the header's pointers are to mutable records the service only reads.
    return As<decltype(&::WlanScan)>(procs_[kScan])(
        clientHandle, reinterpret_cast<const ::GUID*>(interfaceGuid),
        reinterpret_cast<::PDOT11_SSID>(const_cast<DOT11_SSID*>(ssid)),
        reinterpret_cast<::PWLAN_RAW_DATA>(const_cast<WLAN_RAW_DATA*>(ieData)), reserved);
}

uint32_t SystemWlan::WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) {
    if (loadError_) return loadError_;
    if (!procs_[kRegister]) return ERROR_PROC_NOT_FOUND;
    const auto registerWith = As<decltype(&::WlanRegisterNotification)>(procs_[kRegister]);
    if (sources == kNotificationSourceNone || !handler)
        return registerWith(clientHandle, WLAN_NOTIFICATION_SOURCE_NONE, TRUE, nullptr, nullptr, nullptr, nullptr);
    auto kept = std::make_unique<NotificationHandler>(std::move(handler));
    const DWORD rc = registerWith(clientHandle, sources, TRUE, ForwardNotification, kept.get(), nullptr, nullptr);
    if (rc == 0) handlers_.push_back(std::move(kept));
    return rc;
}

void SystemWlan::WlanFreeMemory(void* memory) {
    if (loadError_ || !memory) return;
    As<decltype(&::WlanFreeMemory)>(procs_[kFree])(memory);
}

}  // namespace wlan
