#include "support/win32/net_test_server.h"

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include <gtest/gtest.h>

namespace net_test {

std::string ServerFolder() { return std::string(VELLUMAR_TEST_BINARY_DIR) + "/net-server"; }

int Port(const std::string& kind) {
    std::ifstream in(ServerFolder() + "/ports.txt");
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line.substr(0, eq) == kind) return std::stoi(line.substr(eq + 1));
    }
    ADD_FAILURE() << "test server not running (ctest starts it; by hand: python3 tests/support/http_test_server.py start "
                  << ServerFolder() << ")";
    return 1;
}

std::string Url(const std::string& kind, const std::string& path) {
    const std::string scheme = kind.rfind("https", 0) == 0 ? "https" : "http";
    return scheme + "://127.0.0.1:" + std::to_string(Port(kind)) + path;
}

int ClosedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    return ntohs(a.sin_port);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start > ms; }, ms + 1000);
}

TrustedTestCa::TrustedTestCa() {
    std::ifstream in(ServerFolder() + "/ca.der", std::ios::binary);
    const std::vector<char> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) return;
    // The registry store: Wine's system view of the root store cannot be added to.
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store) return;
    PCCERT_CONTEXT added = nullptr;
    if (CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                         static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, &added))
        added_ = added;
    CertCloseStore(store, 0);
}

TrustedTestCa::~TrustedTestCa() {
    // Deleting frees the context too.
    if (added_) CertDeleteCertificateFromStore(static_cast<PCCERT_CONTEXT>(added_));
}

}  // namespace net_test
