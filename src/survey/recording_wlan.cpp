#include "survey/recording_wlan.h"

namespace wlan {

uint32_t RecordingWlan::WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                                       Handle* clientHandle) {
    const uint32_t rc = service_->WlanOpenHandle(clientVersion, reserved, negotiatedVersion, clientHandle);
    if (recording_) recording_->OpenHandle(rc);
    return rc;
}

uint32_t RecordingWlan::WlanCloseHandle(Handle clientHandle, void* reserved) {
    return service_->WlanCloseHandle(clientHandle, reserved);
}

uint32_t RecordingWlan::WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) {
    const uint32_t rc = service_->WlanEnumInterfaces(clientHandle, reserved, interfaceList);
    if (recording_ && interfaceList) recording_->EnumInterfaces(rc, rc == 0 ? *interfaceList : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                                   WLAN_INTERFACE_CAPABILITY** capability) {
    const uint32_t rc = service_->WlanGetInterfaceCapability(clientHandle, interfaceGuid, reserved, capability);
    if (recording_ && interfaceGuid && capability)
        recording_->Capability(*interfaceGuid, rc, rc == 0 ? *capability : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode,
                                           void* reserved, uint32_t* dataSize, void** data, uint32_t* valueType) {
    const uint32_t rc =
        service_->WlanQueryInterface(clientHandle, interfaceGuid, opCode, reserved, dataSize, data, valueType);
    // The file holds the statistics and the link; other opcodes are not the program's.
    if (!recording_ || !interfaceGuid || !dataSize || !data) return rc;
    if (opCode == kWlanIntfOpcodeStatistics)
        recording_->Statistics(*interfaceGuid, rc, rc == 0 ? static_cast<const WLAN_STATISTICS*>(*data) : nullptr,
                               rc == 0 ? *dataSize : 0);
    else
        recording_->Link(*interfaceGuid, opCode, rc, rc == 0 ? *data : nullptr, rc == 0 ? *dataSize : 0);
    return rc;
}

uint32_t RecordingWlan::WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t flags,
                                                    void* reserved, WLAN_AVAILABLE_NETWORK_LIST** networkList) {
    const uint32_t rc = service_->WlanGetAvailableNetworkList(clientHandle, interfaceGuid, flags, reserved, networkList);
    if (recording_ && interfaceGuid && networkList)
        recording_->Networks(*interfaceGuid, rc, rc == 0 ? *networkList : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                              uint32_t bssType, bool securityEnabled, void* reserved,
                                              WLAN_BSS_LIST** bssList) {
    const uint32_t rc =
        service_->WlanGetNetworkBssList(clientHandle, interfaceGuid, ssid, bssType, securityEnabled, reserved, bssList);
    if (recording_ && interfaceGuid && bssList && !ssid && bssType == kBssTypeAny)
        recording_->BssList(*interfaceGuid, rc, rc == 0 ? *bssList : nullptr);
    return rc;
}

uint32_t RecordingWlan::WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                 const WLAN_RAW_DATA* ieData, void* reserved) {
    const uint32_t rc = service_->WlanScan(clientHandle, interfaceGuid, ssid, ieData, reserved);
    if (recording_ && interfaceGuid) recording_->Scan(*interfaceGuid, rc);
    return rc;
}

uint32_t RecordingWlan::WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) {
    return service_->WlanRegisterNotification(clientHandle, sources, std::move(handler));
}

void RecordingWlan::WlanFreeMemory(void* memory) { service_->WlanFreeMemory(memory); }

}  // namespace wlan
