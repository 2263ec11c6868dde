#pragma once
// The Native Wifi calls the program makes, and the release call for the
// buffers they return. Implemented over wlanapi.dll (wireless/win32) and by the
// simulated service (sim/). Result codes are the platform's: 0 on success.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "wireless/records.h"

namespace wlan {

using Handle = void*;  // the client handle, opaque and pointer-sized like the platform's HANDLE

inline constexpr uint32_t kClientVersion = 1;
inline constexpr uint32_t kBssTypeAny = 3;
inline constexpr uint32_t kIncludeAllAdhocProfiles = 1;

// Result codes the callers tell apart.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;  // since Windows 11 24H2 also: location not allowed
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kErrorNotSupported = 50;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorServiceNotActive = 1062;
inline constexpr uint32_t kErrorNotFound = 1168;
inline constexpr uint32_t kErrorRadioOff = 0x80342002;  // ERROR_NDIS_DOT11_POWER_STATE_INVALID

// Notification sources and the ACM codes the program listens to.
inline constexpr uint32_t kNotificationSourceNone = 0;
inline constexpr uint32_t kNotificationSourceAcm = 0x08;
inline constexpr uint32_t kNotificationSourceMsm = 0x10;
inline constexpr uint32_t kAcmScanComplete = 7;
inline constexpr uint32_t kAcmScanFail = 8;
inline constexpr uint32_t kAcmConnectionComplete = 10;
inline constexpr uint32_t kAcmDisconnected = 21;
inline constexpr uint32_t kMsmConnected = 4;
inline constexpr uint32_t kMsmRoamingStart = 5;
inline constexpr uint32_t kMsmRoamingEnd = 6;
inline constexpr uint32_t kMsmDisconnected = 10;
// The connection opcodes' answer when the interface holds no link.
inline constexpr uint32_t kErrorInvalidState = 5023;

// One notification of the service: the header of WLAN_NOTIFICATION_DATA, for a
// failed scan its reason code (0 otherwise), and the bytes of its data (a
// WLAN_MSM_NOTIFICATION_DATA or WLAN_CONNECTION_NOTIFICATION_DATA for the link's).
struct WlanNotification {
    uint32_t source = 0;
    uint32_t code = 0;
    GUID interfaceGuid{};
    uint32_t reason = 0;
    std::vector<uint8_t> data;
    int64_t timeMs = 0;  // when it came, by the receiver's clock; the service leaves it 0
};
// The most of a notification's data that is kept: the connection data with its profile XML cut off.
inline constexpr size_t kMaxNotificationData = 4096;
using NotificationHandler = std::function<void(const WlanNotification&)>;

class WlanApi {
public:
    virtual ~WlanApi() = default;
    virtual uint32_t WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                                    Handle* clientHandle) = 0;
    virtual uint32_t WlanCloseHandle(Handle clientHandle, void* reserved) = 0;
    virtual uint32_t WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) = 0;
    virtual uint32_t WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                                WLAN_INTERFACE_CAPABILITY** capability) = 0;
    virtual uint32_t WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode, void* reserved,
                                        uint32_t* dataSize, void** data, uint32_t* valueType) = 0;
    virtual uint32_t WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t flags,
                                                 void* reserved, WLAN_AVAILABLE_NETWORK_LIST** networkList) = 0;
    virtual uint32_t WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                           uint32_t bssType, bool securityEnabled, void* reserved,
                                           WLAN_BSS_LIST** bssList) = 0;
    // Asks the interface for a fresh scan; returns at once, the scan completes later.
    virtual uint32_t WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                              const WLAN_RAW_DATA* ieData, void* reserved) = 0;
    // Sends the notifications of `sources` to handler, on a thread of the service,
    // until another registration replaces it (kNotificationSourceNone ends them) or
    // the handle closes.
    virtual uint32_t WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) = 0;
    virtual void WlanFreeMemory(void* memory) = 0;
};

// Owns one buffer returned by a WlanApi and hands it back through WlanFreeMemory.
// The api must outlive the owner. out() serves as the call's out-pointer: the
// owner takes what the call stores there and frees its previous buffer, while a
// failing call that leaves the pointer alone leaves the owner as it was.
template <typename T>
class WlanBuffer {
public:
    WlanBuffer() = default;
    explicit WlanBuffer(WlanApi& api, T* buffer = nullptr) : api_(&api), p_(buffer) {}
    WlanBuffer(WlanBuffer&& o) noexcept : api_(o.api_), p_(std::exchange(o.p_, nullptr)) {}
    WlanBuffer& operator=(WlanBuffer&& o) noexcept {
        if (this != &o) {
            reset();
            api_ = o.api_;
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    WlanBuffer(const WlanBuffer&) = delete;
    WlanBuffer& operator=(const WlanBuffer&) = delete;
    ~WlanBuffer() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    WlanApi* api() const { return api_; }

    void reset(T* buffer = nullptr) {
        T* old = std::exchange(p_, buffer);
        if (old && old != buffer && api_) api_->WlanFreeMemory(old);
    }
    T* release() { return std::exchange(p_, nullptr); }

    class OutParam {
    public:
        explicit OutParam(WlanBuffer& owner) : owner_(owner), p_(owner.p_) {}
        ~OutParam() { owner_.reset(p_); }
        OutParam(const OutParam&) = delete;
        OutParam& operator=(const OutParam&) = delete;
        operator T**() { return &p_; }

    private:
        WlanBuffer& owner_;
        T* p_;
    };
    OutParam out() { return OutParam(*this); }

private:
    WlanApi* api_ = nullptr;
    T* p_ = nullptr;
};

// Owns the client handle of a WlanApi and closes it once; what the close returns does
// not matter. The api must outlive the owner.
class ClientHandle {
public:
    explicit ClientHandle(WlanApi& api) : api_(&api) {}
    ClientHandle(ClientHandle&& o) noexcept : api_(o.api_), h_(std::exchange(o.h_, nullptr)) {}
    ClientHandle& operator=(ClientHandle&&) = delete;
    ClientHandle(const ClientHandle&) = delete;
    ClientHandle& operator=(const ClientHandle&) = delete;
    ~ClientHandle() { Close(); }

    // Opens a handle in place of any open one; the call's result, 0 on success.
    uint32_t Open(uint32_t* negotiatedVersion = nullptr) {
        Close();
        Handle opened = nullptr;
        const uint32_t rc = api_->WlanOpenHandle(kClientVersion, nullptr, negotiatedVersion, &opened);
        if (rc == 0) h_ = opened;
        return rc;
    }
    void Close() {
        if (h_) api_->WlanCloseHandle(std::exchange(h_, nullptr), nullptr);
    }
    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    WlanApi* api_;
    Handle h_ = nullptr;
};

}  // namespace wlan
