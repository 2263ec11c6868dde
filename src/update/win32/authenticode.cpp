#include "update/win32/authenticode.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

struct CryptMsgTraits {
    using Handle = HCRYPTMSG;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CryptMsgClose(h); }
};

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

    DWORD keySize = 0;
    const auto* keyInfo = &cert->pCertInfo->SubjectPublicKeyInfo;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo, nullptr, &keySize) || keySize == 0)
        return std::nullopt;
    std::vector<uint8_t> key(keySize);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo, key.data(), &keySize))
        return std::nullopt;
    key.resize(keySize);
    return key;
}

int32_t VerifyFileTrust(const std::string& fileName) {
    const std::wstring path = Widen(fileName);
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
    return static_cast<int32_t>(result);
}
