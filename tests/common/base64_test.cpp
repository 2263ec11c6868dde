#include "common/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, RoundTripsAndRefusesWhatIsNotStrictBase64) {
    struct Case {
        std::string plain, encoded;
    };
    const Case cases[] = {{"", ""},
                          {"f", "Zg=="},
                          {"fo", "Zm8="},
                          {"foo", "Zm9v"},
                          {"foob", "Zm9vYg=="},
                          {"user:secret", "dXNlcjpzZWNyZXQ="},
                          {std::string("\0\xFF\xFE", 3), "AP/+"}};
    for (const Case& c : cases) {
        EXPECT_EQ(Base64Encode(c.plain), c.encoded);
        const auto decoded = Base64Decode(c.encoded);
        ASSERT_TRUE(decoded) << c.encoded;
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), c.plain);
    }
    for (const char* bad : {"Zg=", "Zg", "Z===", "Zm9v\n", "Zm 9", "Zg==Zg==", "=Zg=", "Zm-_", "Zm9v!A=="})
        EXPECT_FALSE(Base64Decode(bad)) << bad;
}

}  // namespace
