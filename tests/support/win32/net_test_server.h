#pragma once
// The local test server (tests/support/http_test_server.py), started by ctest before
// the Windows tests, and the helpers that tests of asynchronous transfers share.
#include <windows.h>

#include <functional>
#include <string>

namespace net_test {

// Port of one of the server's listeners: "http", "https", "https_self", "proxy".
// Fails the calling test when the server is not running.
int Port(const std::string& kind);
// "http://127.0.0.1:<port>" + path, with the scheme and port of `kind`.
std::string Url(const std::string& kind, const std::string& path);
// The folder of the server's state (ports, certificates), as a Windows path.
std::string ServerFolder();
// A port on which nothing listens.
int ClosedPort();

// Runs this thread's message loop until done() holds or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);
// Runs the message loop for a while (to show that no event arrives).
void PumpFor(DWORD ms);

// The byte the server sends at position i of every sized body.
inline uint8_t PatternByte(size_t i) { return static_cast<uint8_t>(i % 251); }

// Trusts the server's test CA in the current user's root store while it lives.
class TrustedTestCa {
public:
    TrustedTestCa();
    ~TrustedTestCa();
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;
    bool ok() const { return added_ != nullptr; }

private:
    const void* added_ = nullptr;
};

}  // namespace net_test
