// Adds a test CA certificate to (or removes it from) the current user's Root store of a
// Wine prefix, so that `scripts/run --server` can reach the local stand-in over verified
// HTTPS. Never used by the program itself.
//   trust_ca add|remove CA.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: trust_ca add|remove CA.der\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<unsigned char> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::fprintf(stderr, "trust_ca: cannot read the certificate\n");
        return 1;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store) return 1;
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    bool ok = cert != nullptr;
    if (ok && std::wstring(argv[1]) == L"add") {
        ok = CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else if (ok) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr);
        if (found) ok = CertDeleteCertificateFromStore(found);  // frees found
    }
    if (cert) CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
    return ok ? 0 : 1;
}
