#include "common/text_storage.h"

#include <gtest/gtest.h>

namespace {

TEST(TextStorage, LooksUpByTheLoadedKeys) {
    TTextStorage texts({"About", "Application Name :", "Version :", "Spare"});
    EXPECT_EQ(texts.Lookup("About"), "About");  // nothing loaded yet: the key itself
    texts.Loaded();
    texts.Items = {"A propos", "Nom :", "unused", "X"};
    EXPECT_EQ(texts.Lookup("about"), "A propos");         // keys ignore case
    EXPECT_EQ(texts.Lookup("Application Name :"), "Nom :");
    EXPECT_EQ(texts.Lookup("Version :"), "Version :");    // "unused" keeps the key
    EXPECT_EQ(texts.Lookup("Missing"), "Missing");
    texts.Items.resize(1);                                 // fewer items than keys: never read past them
    EXPECT_EQ(texts.Lookup("Spare"), "Spare");
}

}  // namespace
