#pragma once
// The trust decision for a server's certificates is Windows' own: the chain is built by
// the platform's chain engine (its root store with the user's confirmations, distrusted
// certificates, purpose limits and roots fetched on demand) and checked with the SSL
// policy for the host name.
#include <cstdint>
#include <string>
#include <vector>

using DerCertificate = std::vector<uint8_t>;

struct ChainVerdict {
    bool trusted = false;
    std::string reason;                  // why not, for the user
    int opensslError = 0;                // the matching X509_V_ERR_* for OpenSSL's verify result
    std::vector<DerCertificate> issuers;  // the chain Windows built above the server's certificate
};

// sent: the server's certificate first, then whatever else it sent. host: the name the
// policy checks the certificate against; "" for an address, which not every chain
// engine matches (OpenSSL's own check covers it).
ChainVerdict VerifyServerChain(const std::vector<DerCertificate>& sent, const std::string& host);
