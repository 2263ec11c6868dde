#pragma once
// Authenticode facts of a program file, for pinning updates to the running program's publisher.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The SubjectPublicKeyInfo (DER) of the certificate that signed the file's embedded
// Authenticode signature; nullopt when the file carries none or it cannot be read.
std::optional<std::vector<uint8_t>> SignerPublicKey(const std::string& fileName);

struct FileTrust {
    int32_t result = 0;  // WinVerifyTrust's, 0 when accepted
    // The signer's SubjectPublicKeyInfo (DER) from the state WinVerifyTrust verified, not
    // from another reading of the file; nullopt when it names no signer.
    std::optional<std::vector<uint8_t>> signerKey;
    // No revocation server answered in time about the signer's chain (the result stands).
    bool revocationUnchecked = false;
};

// WinVerifyTrust with the Authenticode policy and no user interface, then the revocation of
// the verified signer's chain but its root, with a short time-out: a revoked certificate
// makes the result CERT_E_REVOKED, one whose status cannot be learnt in time is accepted.
FileTrust VerifyFileTrust(const std::string& fileName);

// The next signing key's SubjectPublicKeyInfo (DER) that a release carries in its signed
// resources (RCDATA "NEXTSIGNERKEY"), accepted as a second pin; nullopt without one.
std::optional<std::vector<uint8_t>> NextSignerKey(const std::string& programFile);
