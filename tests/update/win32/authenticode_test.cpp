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
    EXPECT_EQ(static_cast<uint32_t>(VerifyFileTrust(unsigned_image)), 0x800B0100u);  // TRUST_E_NOSIGNATURE
    EXPECT_NE(VerifyFileTrust(missing), 0);
}
