#include "wireless/records.h"

#include <gtest/gtest.h>

namespace {

using namespace wlan;

TEST(Records, VariableLengthSizes) {
    EXPECT_EQ(InterfaceListSize(0), 8u);
    EXPECT_EQ(InterfaceListSize(2), 8u + 2 * 532);
    EXPECT_EQ(NetworkListSize(3), 8u + 3 * 628);
    EXPECT_EQ(BssListSize(1), sizeof(WLAN_BSS_LIST));
    EXPECT_EQ(StatisticsSize(1), sizeof(WLAN_STATISTICS));
    EXPECT_EQ(StatisticsSize(3), 224u + 3 * 144);
}

TEST(Records, EntriesSpanTheCountedItems) {
    EXPECT_TRUE(Entries(static_cast<const WLAN_BSS_LIST*>(nullptr)).empty());
    alignas(8) unsigned char buffer[BssListSize(2)] = {};
    auto* list = reinterpret_cast<WLAN_BSS_LIST*>(buffer);
    list->dwNumberOfItems = 2;
    list->wlanBssEntries[0].lRssi = -40;
    auto entries = Entries(list);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].lRssi, -40);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&entries[1]) - buffer, 8 + 360);
}

TEST(Records, GuidsCompareByValue) {
    GUID a{0x5649414d, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    GUID b = a;
    EXPECT_EQ(a, b);
    b.Data4[7] = 2;
    EXPECT_NE(a, b);
}

}  // namespace
