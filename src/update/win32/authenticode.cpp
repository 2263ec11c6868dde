// The chain parameters' time-out for revocation servers.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "update/win32/authenticode.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "net/win32/windows_trust.h"

namespace {

struct CryptMsgTraits {
    using Handle = HCRYPTMSG;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CryptMsgClose(h); }
};

std::optional<std::vector<uint8_t>> EncodedKey(const CERT_PUBLIC_KEY_INFO* keyInfo) {
    DWORD keySize = 0;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo, nullptr, &keySize) || keySize == 0)
        return std::nullopt;
    std::vector<uint8_t> key(keySize);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo, key.data(), &keySize))
        return std::nullopt;
    key.resize(keySize);
    return key;
}

}  // namespace

std::optional<std::vector<uint8_t>> SignerPublicKey(const std::string& fileName) {
    const std::wstring path = Widen(fileName);
    DWORD encoding = 0, contentType = 0, formatType = 0;
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMsg = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, &rawStore, &rawMsg,
                          nullptr))
        return std::nullopt;
    const UniqueCertStore store(rawStore);
    const Unique<CryptMsgTraits> msg(rawMsg);

    DWORD size = 0;
    if (!CryptMsgGetParam(msg.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0) return std::nullopt;
    std::vector<uint8_t> signerBytes(size);
    if (!CryptMsgGetParam(msg.get(), CMSG_SIGNER_INFO_PARAM, 0, signerBytes.data(), &size)) return std::nullopt;
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(signerBytes.data());

    // The signer is the certificate named by the signer info's issuer and serial number.
    CERT_INFO wanted{};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    const UniqueCertContext cert(
        CertFindCertificateInStore(store.get(), encoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!cert) return std::nullopt;

    return EncodedKey(&cert->pCertInfo->SubjectPublicKeyInfo);
}

namespace {

// The first signer's certificate in the provider's verified state.
PCCERT_CONTEXT VerifiedSigner(HANDLE state, CRYPT_PROVIDER_DATA*& provider) {
    provider = WTHelperProvDataFromStateData(state);
    if (!provider) return nullptr;
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer) return nullptr;
    CRYPT_PROVIDER_CERT* cert = WTHelperGetProvCertFromChain(signer, 0);
    return cert ? cert->pCert : nullptr;
}

// The chain status bits of the signer's chain built again with revocation checking, the
// signature's own certificates helping; 0 when it cannot be built.
DWORD SignerRevocationStatus(PCCERT_CONTEXT signer, const CRYPT_PROVIDER_DATA& provider) {
    const UniqueCertStore extra(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!extra) return 0;
    for (DWORD i = 0; i < provider.chStores; ++i) CertAddStoreToCollection(extra.get(), provider.pahStores[i], 0, 0);
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.dwUrlRetrievalTimeout = kRevocationTimeoutMs;
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    if (!CertGetCertificateChain(nullptr, signer, nullptr, extra.get(), &para, kRevocationChainFlags, nullptr, &raw))
        return 0;
    const UniqueCertChain chain(raw);
    return chain->TrustStatus.dwErrorStatus;
}

}  // namespace

std::optional<std::vector<uint8_t>> NextSignerKey(const std::string& programFile) {
    const UniqueModule module(LoadLibraryExW(Widen(programFile).c_str(), nullptr,
                                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) return std::nullopt;
    HRSRC found = FindResourceW(module.get(), L"NEXTSIGNERKEY", MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return std::nullopt;
    const DWORD size = SizeofResource(module.get(), found);
    HGLOBAL loaded = LoadResource(module.get(), found);
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes || size == 0) return std::nullopt;
    return std::vector<uint8_t>(bytes, bytes + size);
}

FileTrust VerifyFileTrust(const std::string& fileName) {
    const std::wstring path = Widen(fileName);
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    // Revocation is checked below with a time-out of our own; WinVerifyTrust has none to set.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    FileTrust trust;
    trust.result = static_cast<int32_t>(WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data));
    // The key of the very signer that was verified: a second parse could pick another.
    CRYPT_PROVIDER_DATA* provider = nullptr;
    if (trust.result == 0 && data.hWVTStateData) {
        if (PCCERT_CONTEXT signer = VerifiedSigner(data.hWVTStateData, provider)) {
            trust.signerKey = EncodedKey(&signer->pCertInfo->SubjectPublicKeyInfo);
            const DWORD status = SignerRevocationStatus(signer, *provider);
            if (status & CERT_TRUST_IS_REVOKED) trust.result = static_cast<int32_t>(CERT_E_REVOKED);
            trust.revocationUnchecked = (status & kRevocationUnknownStatus) != 0;
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
    return trust;
}
