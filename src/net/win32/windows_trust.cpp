// The chain parameters' time-out for revocation servers.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "net/win32/windows_trust.h"

#include <windows.h>
#include <wincrypt.h>

#include <string_view>

#include "common/win32/platform_error.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "net/win32/openssl_api.h"

namespace {

// Reasons for the user, and the matching OpenSSL verify result, of the chain's own
// error flags and of the policy's errors; anything else is "not trusted".
struct StatusReason { DWORD flag; std::string_view text; int opensslError; };
constexpr StatusReason kStatusReasons[] = {
    {CERT_TRUST_IS_NOT_TIME_VALID, "certificate expired or not yet valid", kX509VerifyCertHasExpired},
    {CERT_TRUST_IS_REVOKED, "certificate revoked", kX509VerifyCertUntrusted},
    {CERT_TRUST_IS_UNTRUSTED_ROOT, "untrusted root", kX509VerifyCertUntrusted},
    {CERT_TRUST_IS_PARTIAL_CHAIN, "unknown issuer", kX509VerifyCertUntrusted},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, "not valid for server authentication", kX509VerifyCertUntrusted},
};
struct PolicyReason { LONG code; std::string_view text; int opensslError; };
constexpr PolicyReason kPolicyReasons[] = {
    {CERT_E_CN_NO_MATCH, "host name mismatch", kX509VerifyHostnameMismatch},
    {CERT_E_EXPIRED, "certificate expired or not yet valid", kX509VerifyCertHasExpired},
    {CERT_E_UNTRUSTEDROOT, "untrusted root", kX509VerifyCertUntrusted},
    {CERT_E_CHAINING, "unknown issuer", kX509VerifyCertUntrusted},
    {CERT_E_REVOKED, "certificate revoked", kX509VerifyCertUntrusted},
    {CRYPT_E_REVOKED, "certificate revoked", kX509VerifyCertUntrusted},
    {CERT_E_WRONG_USAGE, "not valid for server authentication", kX509VerifyCertUntrusted},
};

ChainVerdict Refused(std::string reason, int opensslError = kX509VerifyCertUntrusted) {
    ChainVerdict v;
    v.reason = std::move(reason);
    v.opensslError = opensslError;
    return v;
}

std::string Hex(DWORD value) {
    char buf[16];
    wsprintfA(buf, "0x%lX", static_cast<unsigned long>(value));
    return buf;
}

}  // namespace

ChainVerdict VerifyServerChain(const std::vector<DerCertificate>& sent, const std::string& host) {
    if (sent.empty()) return Refused("no certificate");
    // The server's other certificates help build the chain; they are never trusted for it.
    const UniqueCertStore extra(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!extra) return Refused(PlatformErrorText(GetLastError()));
    UniqueCertContext leaf;
    for (size_t i = 0; i < sent.size(); ++i) {
        PCCERT_CONTEXT added = nullptr;
        if (!CertAddEncodedCertificateToStore(extra.get(), X509_ASN_ENCODING, sent[i].data(),
                                              static_cast<DWORD>(sent[i].size()), CERT_STORE_ADD_ALWAYS,
                                              i == 0 ? &added : nullptr)) {
            if (i == 0) return Refused("unreadable certificate");
            continue;
        }
        if (i == 0) leaf.reset(added);
    }

    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    para.dwUrlRetrievalTimeout = kRevocationTimeoutMs;
    static_assert(kRevocationChainFlags == (CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                                            CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT));
    static_assert(kRevocationUnknownStatus == (CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION));
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    if (!CertGetCertificateChain(nullptr, leaf.get(), nullptr, extra.get(), &para, kRevocationChainFlags, nullptr, &raw))
        return Refused("no chain: " + PlatformErrorText(GetLastError()));
    const UniqueCertChain chain(raw);

    std::wstring wideHost = Widen(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = wideHost.empty() ? nullptr : wideHost.data();
    // A revocation that could not be learnt is judged below, from the chain's own status.
    constexpr DWORD kIgnoreRevocationUnknown = 0x00000080;  // SECURITY_FLAG_IGNORE_REVOCATION
    ssl.fdwChecks = kIgnoreRevocationUnknown;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status))
        return Refused("policy check failed: " + PlatformErrorText(GetLastError()));
    if (status.dwError != 0) {
        for (const auto& [code, text, error] : kPolicyReasons)
            if (status.dwError == static_cast<DWORD>(code)) return Refused(std::string(text), error);
        return Refused("not trusted (" + Hex(status.dwError) + ")");
    }
    // The policy alone is not enough: some chain engines pass a chain that ends at an
    // unknown issuer. The chain's own status must be clean too, but for a revocation
    // that could not be learnt; a revoked certificate is refused here whatever the policy said.
    const DWORD chainStatus = chain->TrustStatus.dwErrorStatus & ~kRevocationUnknownStatus;
    if (chainStatus != CERT_TRUST_NO_ERROR) {
        for (const auto& [flag, text, error] : kStatusReasons)
            if (chainStatus & flag) return Refused(std::string(text) + " (" + Hex(chainStatus) + ")", error);
        return Refused("not trusted (" + Hex(chainStatus) + ")");
    }

    ChainVerdict v;
    v.trusted = true;
    v.revocationUnchecked = (chain->TrustStatus.dwErrorStatus & kRevocationUnknownStatus) != 0;
    if (chain->cChain > 0) {
        const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
        for (DWORD i = 1; i < simple->cElement; ++i) {
            const CERT_CONTEXT* c = simple->rgpElement[i]->pCertContext;
            v.issuers.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
        }
    }
    return v;
}
