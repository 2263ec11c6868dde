#pragma once
// The trust decision for a server's certificates is Windows' own: the chain is built by
// the platform's chain engine (its root store with the user's confirmations, distrusted
// certificates, purpose limits and roots fetched on demand, revocation of every certificate
// but the root) and checked with the SSL policy for the host name.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

using DerCertificate = std::vector<uint8_t>;

struct ChainVerdict {
    bool trusted = false;
    std::string reason;                  // why not, for the user
    int opensslError = 0;                // the matching X509_V_ERR_* for OpenSSL's verify result
    std::vector<DerCertificate> issuers;  // the chain Windows built above the server's certificate
    // No revocation server answered in time, or the certificates name none: accepted, and said in the log.
    bool revocationUnchecked = false;
};

// The time all revocation servers of one chain get together: a known revocation refuses
// the chain, one that cannot be learnt in time does not hold the transfer.
inline constexpr DWORD kRevocationTimeoutMs = 5000;
inline constexpr DWORD kRevocationChainFlags = 0x40000000 | 0x08000000;  // CHECK_CHAIN_EXCLUDE_ROOT | ACCUMULATIVE_TIMEOUT
// The chain status bits of a revocation that could not be learnt.
inline constexpr DWORD kRevocationUnknownStatus = 0x00000040 | 0x01000000;  // STATUS_UNKNOWN | IS_OFFLINE_REVOCATION

// sent: the server's certificate first, then whatever else it sent. host: the name the
// policy checks the certificate against; "" for an address, which not every chain
// engine matches (OpenSSL's own check covers it).
ChainVerdict VerifyServerChain(const std::vector<DerCertificate>& sent, const std::string& host);
