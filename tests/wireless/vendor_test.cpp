#include "wireless/vendor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

using Mac = uint8_t[6];

// Every prefix of the registry listing the build read comes back with its name.
TEST(Vendor, EveryRegisteredPrefixGivesItsName) {
    std::ifstream in(VELLUMAR_TEST_OUI_TXT, std::ios::binary);
    ASSERT_TRUE(in) << VELLUMAR_TEST_OUI_TXT;
    const std::regex line(R"(^([0-9A-F]{2})-([0-9A-F]{2})-([0-9A-F]{2})\s+\(hex\)\s*(.*?)\s*$)");
    std::map<uint32_t, std::string> listed;  // a prefix listed twice keeps its last name, as the build does
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_match(text, m, line)) continue;
        std::istringstream words(m[4].str());
        std::string name, word;
        while (words >> word) name += (name.empty() ? "" : " ") + word;
        listed[static_cast<uint32_t>(std::stoul(m[1].str() + m[2].str() + m[3].str(), nullptr, 16))] = name;
    }
    ASSERT_GT(listed.size(), 30000u);
    EXPECT_EQ(VendorTablePrefixes(), listed.size());
    for (const auto& [prefix, name] : listed) {
        const Mac mac = {static_cast<uint8_t>(prefix >> 16), static_cast<uint8_t>(prefix >> 8),
                         static_cast<uint8_t>(prefix), 0x12, 0x34, 0x56};
        ASSERT_EQ(RegisteredVendor(mac), name) << std::hex << prefix;
    }
}

TEST(Vendor, NamesRandomAndLocallyAdministeredAddresses) {
    struct Case {
        Mac mac;
        const char* text;
    };
    const Case cases[] = {
        {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "Ayecom Technology Co., Ltd."},
        {{0xF4, 0xBD, 0x9E, 0, 0, 1}, "Cisco Systems, Inc"},
        {{0x58, 0xB5, 0x68, 0, 0, 1}, "SECURITAS DIRECT ESPA\xC3\x91" "A, SAU"},
        {{0x00, 0x00, 0x00, 0, 0, 0}, "XEROX CORPORATION"},
        {{0x08, 0x00, 0x00, 0, 0, 0}, ""},                               // not listed
        {{0xFC, 0xFF, 0xFF, 0, 0, 0}, ""},                               // past the last prefix
        {{0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "(locally administered)"},  // derived from a registered address
        {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, "(random)"},
        {{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "(random)"},
    };
    for (const Case& c : cases) EXPECT_EQ(VendorText(c.mac), c.text) << int{c.mac[0]} << ":" << int{c.mac[1]};
    EXPECT_GT(VendorTableBytes(), 100000u);
}

}  // namespace
