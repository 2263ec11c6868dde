#pragma once
// The system's Native Wifi service: wlanapi.dll, loaded from the system folder only.
#include <windows.h>

#include <memory>
#include <vector>

#include "common/win32/unique.h"
#include "wireless/wlan_api.h"

namespace wlan {

class SystemWlan : public WlanApi {
public:
    SystemWlan();
    // 0 when wlanapi.dll and all its functions were found; else the system's error,
    // which every call then returns.
    uint32_t LoadError() const { return loadError_; }

    uint32_t WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                            Handle* clientHandle) override;
    uint32_t WlanCloseHandle(Handle clientHandle, void* reserved) override;
    uint32_t WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) override;
    uint32_t WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                        WLAN_INTERFACE_CAPABILITY** capability) override;
    uint32_t WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode, void* reserved,
                                uint32_t* dataSize, void** data, uint32_t* valueType) override;
    uint32_t WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t flags, void* reserved,
                                         WLAN_AVAILABLE_NETWORK_LIST** networkList) override;
    uint32_t WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                   uint32_t bssType, bool securityEnabled, void* reserved,
                                   WLAN_BSS_LIST** bssList) override;
    // These two are optional: without them the service still answers and the
    // requests return ERROR_PROC_NOT_FOUND.
    uint32_t WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                      const WLAN_RAW_DATA* ieData, void* reserved) override;
    uint32_t WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) override;
    void WlanFreeMemory(void* memory) override;

private:
    UniqueModule module_;
    uint32_t loadError_ = 0;
    FARPROC procs_[10] = {};
    // Every handler ever registered: a service thread may still be inside one
    // while it is replaced, so they live as long as the binding.
    std::vector<std::unique_ptr<NotificationHandler>> handlers_;
};

}  // namespace wlan
