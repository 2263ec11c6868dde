#pragma once
// The Native Wifi service as the survey talks to it: every call passes on to the
// live or the replayed service, and every answer goes to the recording while one runs.
#include <cstdint>

#include "survey/survey_recording.h"
#include "wireless/wlan_api.h"

namespace wlan {

// A Native Wifi service in front of another: passes every call on and, while a
// recording is attached, shows it every answer. The service behind can be
// swapped when no handle or buffer of it is held.
class RecordingWlan : public WlanApi {
public:
    explicit RecordingWlan(WlanApi& service) : service_(&service) {}
    void Use(WlanApi& service) { service_ = &service; }
    WlanApi& Service() const { return *service_; }
    void Attach(SurveyRecording* recording) { recording_ = recording; }
    SurveyRecording* Recording() const { return recording_; }

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
    uint32_t WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                      const WLAN_RAW_DATA* ieData, void* reserved) override;
    uint32_t WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) override;
    void WlanFreeMemory(void* memory) override;

private:
    WlanApi* service_;
    SurveyRecording* recording_ = nullptr;
};

}  // namespace wlan
