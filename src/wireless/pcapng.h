#pragma once
// BSS lists as a packet capture (pcapng) that packet analysers open: each entry
// becomes the beacon it was heard as, behind a radiotap header with its channel
// and signal. Frames of one pass share its time; one interface block per adapter.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wireless/records.h"
#include "wireless/wlan_api.h"

namespace pcapng {

inline constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
inline constexpr uint32_t kInterfaceDescription = 1;
inline constexpr uint32_t kEnhancedPacket = 6;
inline constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;
inline constexpr uint16_t kLinkTypeRadiotap = 127;  // LINKTYPE_IEEE802_11_RADIOTAP

// The radiotap header this writer puts before each frame: version 0, its length,
// and the fields it carries (channel; antenna signal in dBm).
inline constexpr uint32_t kRadiotapChannel = 1u << 3;
inline constexpr uint32_t kRadiotapAntennaSignal = 1u << 5;
inline constexpr size_t kRadiotapLength = 13;  // 8 bytes of header, 4 of channel, 1 of signal
inline constexpr uint16_t kChannel2Ghz = 0x0080, kChannel5Ghz = 0x0100, kChannelOfdm = 0x0040, kChannelCck = 0x0020;

// Radiotap header and 802.11 beacon of one entry: broadcast destination, the entry's
// BSSID as source and BSSID, its timestamp, beacon interval and capability, then its
// element bytes as received (an SSID element built from the record when it has none).
std::vector<uint8_t> BeaconFrame(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements);

class Writer {
public:
    // Starts the section; application names the writer in the section's options.
    explicit Writer(std::string_view application);

    // An interface block for one adapter; returns its number for AddPass.
    uint32_t AddInterface(std::string_view name);
    // One pass of an adapter: a frame per entry, all at the pass's time (microseconds
    // since 1970-01-01 UTC).
    void AddPass(uint32_t interfaceId, uint64_t timeMicros, const wlan::WLAN_BSS_LIST* list);
    void AddFrame(uint32_t interfaceId, uint64_t timeMicros, std::span<const uint8_t> frame);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    uint32_t Interfaces() const { return interfaces_; }
    size_t Frames() const { return frames_; }

private:
    void Block(uint32_t type, std::span<const uint8_t> body);

    std::vector<uint8_t> bytes_;
    uint32_t interfaces_ = 0;
    size_t frames_ = 0;
};

// Passes over every adapter of a service, each adapter with its interface block the
// first time it is seen; the capture for a console's export and the window's.
class PassCapture {
public:
    explicit PassCapture(std::string_view application) : writer_(application) {}
    // Which entries go in (every one without it), e.g. the access points a filter shows.
    std::function<bool(const wlan::WLAN_BSS_ENTRY&)> keep;

    // One pass: the interfaces, then each one's BSS list. Its time is the latest host
    // timestamp among the entries (the time the service heard them), else fallbackMicros.
    // The call that failed and its result; code 0 when the pass was read.
    struct Result {
        uint32_t code = 0;
        std::string_view call;
    };
    Result AddPass(wlan::WlanApi& api, wlan::Handle client, uint64_t fallbackMicros);

    const Writer& Capture() const { return writer_; }

private:
    Writer writer_;
    std::vector<std::pair<wlan::GUID, uint32_t>> interfaces_;
};

// Microseconds since 1970 of a host timestamp (100 ns since 1601); 0 before 1970.
uint64_t HostTimestampMicros(uint64_t fileTime);

}  // namespace pcapng
