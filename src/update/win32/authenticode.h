#pragma once
// Authenticode facts of a program file, for pinning updates to the running program's publisher.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The SubjectPublicKeyInfo (DER) of the certificate that signed the file's embedded
// Authenticode signature; nullopt when the file carries none or it cannot be read.
std::optional<std::vector<uint8_t>> SignerPublicKey(const std::string& fileName);

// WinVerifyTrust with the Authenticode policy, no user interface and no revocation check
// (an update must not hang on an unreachable revocation server); 0 when accepted.
int32_t VerifyFileTrust(const std::string& fileName);
