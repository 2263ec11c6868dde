#include "wireless/pcapng.h"

#include <algorithm>

#include "wireless/information_elements.h"
#include "wireless/scan_pass.h"
#include "wireless/value_text.h"

namespace pcapng {
namespace {

// pcapng is written in the writer's byte order, which the section's magic announces;
// radiotap and 802.11 fields are little-endian whatever the machine: both are written
// byte by byte, little-endian.
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
void Put64(std::vector<uint8_t>& out, uint64_t v) {
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
}
void PadTo4(std::vector<uint8_t>& out) {
    while (out.size() % 4) out.push_back(0);
}

constexpr uint16_t kOptionEnd = 0, kShbUserApplication = 4, kIfName = 2, kIfTimestampResolution = 9;

// An option: code, length, value padded to 32 bits. Values are cut at the 16-bit length.
void Option(std::vector<uint8_t>& out, uint16_t code, std::span<const uint8_t> value) {
    const size_t n = std::min<size_t>(value.size(), 0xFFFC);
    Put16(out, code);
    Put16(out, static_cast<uint16_t>(n));
    out.insert(out.end(), value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n));
    PadTo4(out);
}
void Option(std::vector<uint8_t>& out, uint16_t code, std::string_view text) {
    Option(out, code, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}
void EndOfOptions(std::vector<uint8_t>& out) {
    Put16(out, kOptionEnd);
    Put16(out, 0);
}

uint16_t ChannelFlags(uint32_t mhz) {
    if (mhz >= 2400 && mhz < 2500) return kChannel2Ghz | (mhz == 2484 ? kChannelCck : kChannelOfdm);
    if (mhz >= 4900 && mhz < 5900) return kChannel5Ghz | kChannelOfdm;
    return kChannelOfdm;  // 6 GHz has no band flag of its own
}

}  // namespace

std::vector<uint8_t> BeaconFrame(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) {
    std::vector<uint8_t> f;
    f.reserve(kRadiotapLength + 36 + elements.size() + 34);
    // Radiotap: version, pad, length, present; the channel is 2-byte aligned at offset 8.
    f.push_back(0);
    f.push_back(0);
    Put16(f, static_cast<uint16_t>(kRadiotapLength));
    Put32(f, kRadiotapChannel | kRadiotapAntennaSignal);
    const uint32_t mhz = entry.ulChCenterFrequency / 1000;
    Put16(f, static_cast<uint16_t>(std::min<uint32_t>(mhz, 0xFFFF)));
    Put16(f, ChannelFlags(mhz));
    f.push_back(static_cast<uint8_t>(static_cast<int8_t>(std::clamp<int32_t>(entry.lRssi, -128, 127))));

    // 802.11 management frame, subtype beacon.
    f.push_back(0x80);
    f.push_back(0x00);
    Put16(f, 0);  // duration
    f.insert(f.end(), 6, 0xFF);
    for (int k = 0; k < 2; ++k) f.insert(f.end(), entry.dot11Bssid, entry.dot11Bssid + 6);
    Put16(f, 0);  // sequence control
    Put64(f, entry.ullTimestamp);
    Put16(f, entry.usBeaconPeriod);
    Put16(f, entry.usCapabilityInformation);
    if (!elements.empty()) {
        f.insert(f.end(), elements.begin(), elements.end());
    } else {
        const uint8_t length = static_cast<uint8_t>(std::min<uint32_t>(entry.dot11Ssid.uSSIDLength, 32));
        f.push_back(0);  // SSID element
        f.push_back(length);
        f.insert(f.end(), entry.dot11Ssid.ucSSID, entry.dot11Ssid.ucSSID + length);
    }
    return f;
}

Writer::Writer(std::string_view application) {
    std::vector<uint8_t> body;
    Put32(body, kByteOrderMagic);
    Put16(body, 1);  // version 1.0
    Put16(body, 0);
    Put64(body, ~uint64_t{0});  // section length not given
    Option(body, kShbUserApplication, application);
    EndOfOptions(body);
    Block(kSectionHeader, body);
}

uint32_t Writer::AddInterface(std::string_view name) {
    std::vector<uint8_t> body;
    Put16(body, kLinkTypeRadiotap);
    Put16(body, 0);
    Put32(body, 0);  // no snapshot length limit
    Option(body, kIfName, name);
    const uint8_t microseconds = 6;
    Option(body, kIfTimestampResolution, std::span(&microseconds, 1));
    EndOfOptions(body);
    Block(kInterfaceDescription, body);
    return interfaces_++;
}

void Writer::AddPass(uint32_t interfaceId, uint64_t timeMicros, const wlan::WLAN_BSS_LIST* list) {
    size_t index = 0;
    for (const wlan::WLAN_BSS_ENTRY& entry : BssEntries(list))
        AddFrame(interfaceId, timeMicros, BeaconFrame(entry, BssEntryElementBytes(list, index++)));
}

void Writer::AddFrame(uint32_t interfaceId, uint64_t timeMicros, std::span<const uint8_t> frame) {
    std::vector<uint8_t> body;
    body.reserve(20 + frame.size() + 3);
    Put32(body, interfaceId);
    Put32(body, static_cast<uint32_t>(timeMicros >> 32));
    Put32(body, static_cast<uint32_t>(timeMicros));
    Put32(body, static_cast<uint32_t>(frame.size()));
    Put32(body, static_cast<uint32_t>(frame.size()));
    body.insert(body.end(), frame.begin(), frame.end());
    PadTo4(body);
    Block(kEnhancedPacket, body);
    ++frames_;
}

void Writer::Block(uint32_t type, std::span<const uint8_t> body) {
    const uint32_t total = static_cast<uint32_t>(12 + body.size());
    Put32(bytes_, type);
    Put32(bytes_, total);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    Put32(bytes_, total);
}

uint64_t HostTimestampMicros(uint64_t fileTime) {
    constexpr uint64_t k1970 = 116444736000000000;  // 1970-01-01 in 100 ns since 1601
    return fileTime > k1970 ? (fileTime - k1970) / 10 : 0;
}

PassCapture::Result PassCapture::AddPass(wlan::WlanApi& api, wlan::Handle client, uint64_t fallbackMicros) {
    wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> interfaces(api);
    if (const uint32_t rc = api.WlanEnumInterfaces(client, nullptr, interfaces.out())) return {rc, "WlanEnumInterfaces"};
    struct Heard {
        uint32_t id;
        wlan::WlanBuffer<wlan::WLAN_BSS_LIST> list;
    };
    std::vector<Heard> heard;
    uint64_t latest = 0;
    for (const wlan::WLAN_INTERFACE_INFO& info : wlan::Entries(interfaces.get())) {
        wlan::WlanBuffer<wlan::WLAN_BSS_LIST> list(api);
        if (const uint32_t rc = api.WlanGetNetworkBssList(client, &info.InterfaceGuid, nullptr, wlan::kBssTypeAny,
                                                          false, nullptr, list.out()))
            return {rc, "WlanGetNetworkBssList"};
        const auto known = std::find_if(interfaces_.begin(), interfaces_.end(),
                                        [&](const auto& i) { return i.first == info.InterfaceGuid; });
        uint32_t id = 0;
        if (known != interfaces_.end()) {
            id = known->second;
        } else {
            id = writer_.AddInterface(InterfaceDescriptionText(info));
            interfaces_.emplace_back(info.InterfaceGuid, id);
        }
        for (const wlan::WLAN_BSS_ENTRY& entry : BssEntries(list.get()))
            latest = std::max(latest, HostTimestampMicros(entry.ullHostTimestamp));
        heard.push_back({id, std::move(list)});
    }
    const uint64_t time = latest ? latest : fallbackMicros;
    for (const Heard& h : heard) {
        size_t index = 0;
        for (const wlan::WLAN_BSS_ENTRY& entry : BssEntries(h.list.get())) {
            const size_t k = index++;
            if (keep && !keep(entry)) continue;
            writer_.AddFrame(h.id, time, BeaconFrame(entry, BssEntryElementBytes(h.list.get(), k)));
        }
    }
    return {};
}

}  // namespace pcapng
