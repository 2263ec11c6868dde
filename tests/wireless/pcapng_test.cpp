#include "wireless/pcapng.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32(const Bytes& b, size_t at) {
    return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// A BSS list as the service hands it: the entries, then each one's elements on an 8-byte boundary.
struct Pass {
    struct Bss {
        uint8_t last;  // of the BSSID 02:00:00:00:00:xx
        std::string ssid;
        int32_t rssi;
        uint32_t khz;
        Bytes elements;
    };
    explicit Pass(const std::vector<Bss>& entries) {
        size_t size = wlan::BssListSize(entries.size());
        std::vector<size_t> at;
        for (const Bss& b : entries) {
            size = (size + 7) / 8 * 8;
            at.push_back(size);
            size += b.elements.size();
        }
        buffer.resize(size);
        list()->dwTotalSize = static_cast<uint32_t>(size);
        list()->dwNumberOfItems = static_cast<uint32_t>(entries.size());
        for (size_t k = 0; k < entries.size(); ++k) {
            wlan::WLAN_BSS_ENTRY& e = list()->wlanBssEntries[k];
            const Bss& b = entries[k];
            e.dot11Ssid.uSSIDLength = static_cast<uint32_t>(b.ssid.size());
            std::memcpy(e.dot11Ssid.ucSSID, b.ssid.data(), b.ssid.size());
            const uint8_t bssid[6] = {0x02, 0, 0, 0, 0, b.last};
            std::memcpy(e.dot11Bssid, bssid, 6);
            e.lRssi = b.rssi;
            e.ulChCenterFrequency = b.khz;
            e.usBeaconPeriod = 100;
            e.usCapabilityInformation = 0x0431;
            e.ullTimestamp = 0x0102030405060708u;
            if (!b.elements.empty()) {
                const size_t entryStart = 8 + k * sizeof(wlan::WLAN_BSS_ENTRY);
                e.ulIeOffset = static_cast<uint32_t>(at[k] - entryStart);
                e.ulIeSize = static_cast<uint32_t>(b.elements.size());
                std::memcpy(buffer.data() + at[k], b.elements.data(), b.elements.size());
            }
        }
    }
    wlan::WLAN_BSS_LIST* list() { return reinterpret_cast<wlan::WLAN_BSS_LIST*>(buffer.data()); }
    Bytes buffer;
};

const Bytes kCafeElements = {0, 4, 'C', 'a', 'f', 'e',  1,    4,    0x82, 0x84, 0x8B, 0x96,
                             3, 1, 6,   221, 7,   0x00, 0x50, 0xF2, 0x02, 0x00, 0x01, 0x00};  // WMM information

Pass SamplePass() { return Pass({{0x01, "Cafe", -54, 2437000, kCafeElements}, {0x02, "Lab", -71, 5180000, {}}}); }

TEST(Pcapng, BlocksAreLaidOutAndAligned) {
    pcapng::Writer w("Vellumar 1.2.3.4");
    const uint32_t first = w.AddInterface("Adapter one");
    Pass pass = SamplePass();
    w.AddPass(first, 1'700'000'000'123'456u, pass.list());
    const Bytes& b = w.Bytes();

    // Section header: type, length, byte-order magic, version 1.0, unknown section length.
    EXPECT_EQ(U32(b, 0), pcapng::kSectionHeader);
    EXPECT_EQ(U32(b, 8), pcapng::kByteOrderMagic);
    EXPECT_EQ(U16(b, 12), 1);
    EXPECT_EQ(U16(b, 14), 0);
    // Every block: its length twice, a multiple of four, the blocks back to back to the end.
    std::vector<uint32_t> types;
    size_t at = 0;
    while (at < b.size()) {
        const uint32_t length = U32(b, at + 4);
        ASSERT_EQ(length % 4, 0u) << at;
        ASSERT_LE(at + length, b.size());
        EXPECT_EQ(U32(b, at + length - 4), length) << at;
        types.push_back(U32(b, at));
        if (types.back() == pcapng::kInterfaceDescription) {
            EXPECT_EQ(U16(b, at + 8), pcapng::kLinkTypeRadiotap);
        }
        if (types.back() == pcapng::kEnhancedPacket) {
            EXPECT_EQ(U32(b, at + 8), first);
            const uint64_t time = uint64_t{U32(b, at + 12)} << 32 | U32(b, at + 16);
            EXPECT_EQ(time, 1'700'000'000'123'456u);
            EXPECT_EQ(U32(b, at + 20), U32(b, at + 24));  // nothing cut
        }
        at += length;
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(types,
              (std::vector<uint32_t>{pcapng::kSectionHeader, pcapng::kInterfaceDescription, pcapng::kEnhancedPacket,
                                     pcapng::kEnhancedPacket}));
    EXPECT_EQ(w.Frames(), 2u);
}

TEST(Pcapng, BeaconCarriesTheEntryAndItsElements) {
    struct Case {
        uint32_t khz;
        int32_t rssi;
        uint16_t mhz, flags;
        int8_t signal;
    };
    const Case cases[] = {
        {2412000, -40, 2412, 0x00C0, -40}, {2484000, -90, 2484, 0x00A0, -90},   {5180000, -60, 5180, 0x0140, -60},
        {5955000, -70, 5955, 0x0040, -70}, {2437000, -300, 2437, 0x00C0, -128}, {2437000, 20, 2437, 0x00C0, 20},
    };
    for (const Case& c : cases) {
        Pass pass({{0x09, "X", c.rssi, c.khz, {}}});
        const Bytes f = pcapng::BeaconFrame(pass.list()->wlanBssEntries[0], {});
        ASSERT_GE(f.size(), pcapng::kRadiotapLength + 36u);
        EXPECT_EQ(U16(f, 2), pcapng::kRadiotapLength);
        EXPECT_EQ(U32(f, 4), pcapng::kRadiotapChannel | pcapng::kRadiotapAntennaSignal);
        EXPECT_EQ(U16(f, 8), c.mhz) << c.khz;
        EXPECT_EQ(U16(f, 10), c.flags) << c.khz;
        EXPECT_EQ(static_cast<int8_t>(f[12]), c.signal) << c.rssi;
    }

    Pass pass = SamplePass();
    const Bytes withElements = pcapng::BeaconFrame(pass.list()->wlanBssEntries[0], kCafeElements);
    const size_t mac = pcapng::kRadiotapLength;
    EXPECT_EQ(withElements[mac], 0x80);  // management, beacon
    EXPECT_EQ(Bytes(withElements.begin() + mac + 4, withElements.begin() + mac + 10), Bytes(6, 0xFF));
    const Bytes bssid = {0x02, 0, 0, 0, 0, 0x01};
    EXPECT_EQ(Bytes(withElements.begin() + mac + 10, withElements.begin() + mac + 16), bssid);
    EXPECT_EQ(Bytes(withElements.begin() + mac + 16, withElements.begin() + mac + 22), bssid);
    EXPECT_EQ(U32(withElements, mac + 24), 0x05060708u);  // timestamp, little-endian
    EXPECT_EQ(U16(withElements, mac + 32), 100);
    EXPECT_EQ(U16(withElements, mac + 34), 0x0431);
    EXPECT_EQ(Bytes(withElements.begin() + mac + 36, withElements.end()), kCafeElements);
    // Without element bytes: the SSID element from the record.
    const Bytes bare = pcapng::BeaconFrame(pass.list()->wlanBssEntries[1], {});
    EXPECT_EQ(Bytes(bare.begin() + mac + 36, bare.end()), (Bytes{0, 3, 'L', 'a', 'b'}));
}

#ifndef _WIN32
// The packet analyser's own reading of the file, field by field, and no malformed packet.
std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "(could not run)";
    char chunk[4096];
    while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, n);
    const int status = pclose(pipe);
    return status == 0 ? out : "(exit " + std::to_string(status) + ") " + out;
}

TEST(Pcapng, TsharkReadsEveryField) {
    ASSERT_EQ(Shell("command -v tshark >/dev/null && echo found"), "found\n")
        << "tshark is needed (apt-get install tshark)";
    pcapng::Writer w("Vellumar test");
    Pass pass = SamplePass();
    w.AddPass(w.AddInterface("Adapter one"), 1'700'000'000'000'000u, pass.list());
    w.AddPass(w.AddInterface("Adapter two"), 1'700'000'001'000'000u, pass.list());
    // Of this process alone: the host and sanitizer suites run side by side.
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("vellumar-pcapng-test-" + std::to_string(getpid()) + ".pcapng");
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(w.Bytes().data()), static_cast<std::streamsize>(w.Bytes().size()));
    }
    const std::string fields = Shell("tshark -r '" + file.string() +
                                     "' -T fields -E separator='|' -e frame.interface_id -e wlan.bssid -e wlan.ssid"
                                     " -e radiotap.channel.freq -e radiotap.dbm_antsignal -e wlan.tag.number"
                                     " -e wlan.tag.length 2>/dev/null");
    EXPECT_EQ(fields,
              "0|02:00:00:00:00:01|43616665|2437|-54|0,1,3,221|4,4,1,7\n"  // the SSID's bytes
              "0|02:00:00:00:00:02|4c6162|5180|-71|0|3\n"
              "1|02:00:00:00:00:01|43616665|2437|-54|0,1,3,221|4,4,1,7\n"
              "1|02:00:00:00:00:02|4c6162|5180|-71|0|3\n");
    EXPECT_EQ(Shell("tshark -r '" + file.string() + "' -Y _ws.malformed 2>/dev/null"), "");
    std::filesystem::remove(file);
}
#endif

}  // namespace
