// The capture of whole passes over a service: an interface block per adapter, once,
// frames at the pass's time, and the entries a filter keeps.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <vector>

#include "sim/simulated_wlan.h"
#include "wireless/pcapng.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

struct Block {
    uint32_t type;
    size_t at;
};
std::vector<Block> Blocks(const std::vector<uint8_t>& b) {
    std::vector<Block> blocks;
    for (size_t at = 0; at + 12 <= b.size(); at += U32(b, at + 4)) blocks.push_back({U32(b, at), at});
    return blocks;
}

// A service over the scenario with its handle open.
struct Service {
    explicit Service(std::string_view json) : scenario(wlan::sim::LoadScenarioText(json)) {
        if (scenario) {
            api.emplace(scenario.scenario);
            client.emplace(*api);
            opened = client->Open();
        }
    }
    wlan::sim::LoadResult scenario;
    std::optional<wlan::sim::SimulatedWlan> api;
    std::optional<wlan::ClientHandle> client;
    uint32_t opened = 1;
};

constexpr char kTwoAdapters[] = R"({"interfaces": [
  {"description": "A", "bss": [{"bssid": "02:00:00:00:00:01", "ssid": "One", "host_timestamp": 133000000000000000},
                               {"bssid": "02:00:00:00:00:02", "ssid": "Two", "present": [true, false]}]},
  {"description": "B", "present": [false, true], "bss": [{"bssid": "02:00:00:00:00:03", "ssid": "Three"}]}]})";

TEST(PassCapture, OneInterfaceBlockPerAdapterAndThePassTime) {
    Service s(kTwoAdapters);
    ASSERT_EQ(s.opened, 0u) << s.scenario.message;
    pcapng::PassCapture capture("test");
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(capture.AddPass(*s.api, s.client->get(), 42).code, 0u);
    const std::vector<uint8_t>& b = capture.Capture().Bytes();
    std::vector<uint32_t> types;
    std::vector<uint32_t> interfaceOfFrame;
    for (const Block& block : Blocks(b)) {
        types.push_back(block.type);
        if (block.type != pcapng::kEnhancedPacket) continue;
        interfaceOfFrame.push_back(U32(b, block.at + 8));
        const uint64_t time = uint64_t{U32(b, block.at + 12)} << 32 | U32(b, block.at + 16);
        // The latest host timestamp of the pass: 133000000000000000 is 2022-06-18 (100 ns since 1601).
        EXPECT_EQ(time, pcapng::HostTimestampMicros(133000000000000000));
    }
    // Pass 1: A with two entries; pass 2: A with one, B appears (its block then); pass 3: both.
    using namespace pcapng;
    EXPECT_EQ(types, (std::vector<uint32_t>{kSectionHeader, kInterfaceDescription, kEnhancedPacket, kEnhancedPacket,
                                            kInterfaceDescription, kEnhancedPacket, kEnhancedPacket, kEnhancedPacket,
                                            kEnhancedPacket}));
    EXPECT_EQ(interfaceOfFrame, (std::vector<uint32_t>{0, 0, 0, 1, 0, 1}));
    EXPECT_EQ(capture.Capture().Interfaces(), 2u);
    EXPECT_EQ(HostTimestampMicros(0), 0u);
    EXPECT_EQ(HostTimestampMicros(116444736000000000 + 10), 1u);
}

TEST(PassCapture, KeepsWhatTheFilterShowsAndSaysWhichCallFailed) {
    Service s(kTwoAdapters);
    ASSERT_EQ(s.opened, 0u) << s.scenario.message;
    pcapng::PassCapture capture("test");
    capture.keep = [](const wlan::WLAN_BSS_ENTRY& e) { return e.dot11Bssid[5] == 2; };
    EXPECT_EQ(capture.AddPass(*s.api, s.client->get(), 7).code, 0u);
    EXPECT_EQ(capture.Capture().Frames(), 1u);

    Service broken(R"({"interfaces": [{"bss": []}], "faults": [{"call": "WlanGetNetworkBssList", "result": 1168}]})");
    ASSERT_EQ(broken.opened, 0u) << broken.scenario.message;
    pcapng::PassCapture failed("test");
    const auto read = failed.AddPass(*broken.api, broken.client->get(), 7);
    EXPECT_EQ(read.code, 1168u);
    EXPECT_EQ(read.call, "WlanGetNetworkBssList");
}

}  // namespace
