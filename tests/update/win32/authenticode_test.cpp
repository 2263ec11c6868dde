#include "update/win32/authenticode.h"

#include <windows.h>

#include <gtest/gtest.h>

// Signed files are made at run time by the installer tests (tests/release); here only what
// needs no signature: unsigned and missing files have no signer and are not trusted.
TEST(Authenticode, UnsignedOrMissingFileHasNoSigner) {
    const std::string unsigned_image = std::string(VELLUMAR_PRODID_IMAGES) + "/own64.exe";
    const std::string missing = std::string(VELLUMAR_PRODID_IMAGES) + "/no-such-file.exe";
    EXPECT_EQ(SignerPublicKey(unsigned_image), std::nullopt);
    EXPECT_EQ(SignerPublicKey(missing), std::nullopt);
    EXPECT_EQ(static_cast<uint32_t>(VerifyFileTrust(unsigned_image).result), 0x800B0100u);  // TRUST_E_NOSIGNATURE
    EXPECT_EQ(VerifyFileTrust(unsigned_image).signerKey, std::nullopt);
    EXPECT_NE(VerifyFileTrust(missing).result, 0);
}

TEST(Authenticode, NextSignerKeyComesFromTheProgramsResource) {
    const std::string images = VELLUMAR_PRODID_IMAGES;
    EXPECT_EQ(NextSignerKey(images + "/tool64.exe"), (std::vector<uint8_t>{0x30, 0x59, 0x01, 0x02}));
    EXPECT_EQ(NextSignerKey(images + "/own64.exe"), std::nullopt);
    EXPECT_EQ(NextSignerKey(images + "/no-such-file.exe"), std::nullopt);
}
