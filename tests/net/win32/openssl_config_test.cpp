// The TLS library looks for its configuration file in a folder fixed when it was built.
// On Windows a folder path without a drive lands at the root of the current drive, where
// any user may create it: a file planted there must never be read, nor the module it names loaded.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/win32/wide.h"
#include "net/win32/openssl_api.h"
#include "net/win32/openssl_lib.h"

namespace {

constexpr wchar_t kChildVariable[] = L"VELLUMAR_OPENSSL_CHILD";
constexpr wchar_t kMarkerVariable[] = L"VELLUMAR_PLANTED_MARKER";
constexpr uint64_t kInitLoadConfig = 0x00000040;  // OPENSSL_INIT_LOAD_CONFIG
constexpr int kGetMaxProtoVersion = 131;          // SSL_CTRL_GET_MAX_PROTO_VERSION
constexpr long kTls11Version = 0x0302;

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

// The folder the library was built to read its configuration from, as this process
// resolves it: a path without a drive is taken on the current drive.
std::filesystem::path ConfigFolder(const OpenSslApi& api) {
    const std::string text = api.OpenSSL_version(kOpenSslDirText);  // OPENSSLDIR: "<folder>"
    const size_t open = text.find('"');
    const size_t close = text.rfind('"');
    if (open == std::string::npos || close <= open) return {};
    std::wstring folder = Widen(text.substr(open + 1, close - open - 1));
    if (!folder.empty() && (folder[0] == L'/' || folder[0] == L'\\') && folder.rfind(L"\\\\", 0) != 0)
        folder = L"C:" + folder;
    return std::filesystem::path(folder).make_preferred();
}

// Runs this test program again for one child test, in C:\ so that a path without a drive
// means drive C; returns its exit code.
DWORD RunChild(const wchar_t* role) {
    SetEnvironmentVariableW(kChildVariable, role);
    std::wstring line = L"\"" + ThisProgram() + L"\" --gtest_filter=OpenSslConfigChild.*";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    if (!started) return static_cast<DWORD>(-1);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

}  // namespace

TEST(OpenSslConfig, APlantedConfigurationIsNeverRead) {
    const OpenSslApi* api = LoadOpenSsl();
    ASSERT_NE(api, nullptr);
    const std::filesystem::path folder = ConfigFolder(*api);
    ASSERT_FALSE(folder.empty());
    std::error_code ec;
    const bool existed = std::filesystem::exists(folder, ec);
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path config = folder / "openssl.cnf";
    ASSERT_FALSE(std::filesystem::exists(config)) << config << " is there already";
    std::string module = VELLUMAR_PLANTED_MODULE;
    for (char& c : module)
        if (c == '\\') c = '/';  // a backslash escapes in the configuration syntax
    {
        std::ofstream out(config);
        out << "openssl_conf = planted\n[planted]\nproviders = planted_providers\nssl_conf = planted_ssl\n"
               "[planted_providers]\nplanted = planted_provider\n"
               "[planted_provider]\nmodule = "
            << module << "\nactivate = 1\n"
            << "[planted_ssl]\nsystem_default = planted_defaults\n[planted_defaults]\nMaxProtocol = TLSv1.1\n";
    }
    const std::filesystem::path marker = std::filesystem::temp_directory_path() / "vellumar-planted-marker";
    std::filesystem::remove(marker, ec);
    SetEnvironmentVariableW(kMarkerVariable, marker.c_str());
    SetEnvironmentVariableW(L"OPENSSL_CONF", nullptr);

    // The library, asked to read its configuration, finds the planted file (and loads the
    // module, where the build can load modules at all).
    EXPECT_EQ(RunChild(L"control"), 0u);
    EXPECT_TRUE(std::filesystem::exists(marker)) << "the planted file is not where the library looks: " << config;
    std::filesystem::remove(marker, ec);
    // As the program loads it, with a connection's context made: nothing of it is read.
    EXPECT_EQ(RunChild(L"program"), 0u);
    EXPECT_FALSE(std::filesystem::exists(marker));

    SetEnvironmentVariableW(kMarkerVariable, nullptr);
    std::filesystem::remove(marker, ec);
    std::filesystem::remove(config, ec);
    if (!existed) std::filesystem::remove_all(folder, ec);
}

// The child side of the test above; skipped unless started by it. It leaves the marker
// when the planted file took effect.
TEST(OpenSslConfigChild, LoadTheLibrary) {
    wchar_t role[16] = {};
    if (GetEnvironmentVariableW(kChildVariable, role, 16) == 0) GTEST_SKIP() << "run by OpenSslConfig only";
    if (std::wstring(role) == L"control") {
        // The library's own default: read the configuration file.
        const std::wstring crypto = ThisProgram().substr(0, ThisProgram().find_last_of(L'\\')) + L"\\libcrypto-3-x64.dll";
        HMODULE lib = LoadLibraryExW(crypto.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        ASSERT_NE(lib, nullptr);
        auto init = reinterpret_cast<int (*)(uint64_t, const void*)>(
            reinterpret_cast<void*>(GetProcAddress(lib, "OPENSSL_init_crypto")));
        ASSERT_NE(init, nullptr);
        init(kInitLoadConfig, nullptr);
    }
    const OpenSslApi* api = LoadOpenSsl();
    ASSERT_NE(api, nullptr);
    // Read, the file either leaves no provider to make a context with (when the module
    // cannot be one) or caps the version.
    ssl_ctx_st* ctx = api->SSL_CTX_new(api->TLS_client_method());
    const long maxVersion = ctx ? api->SSL_CTX_ctrl(ctx, kGetMaxProtoVersion, 0, nullptr) : 0;
    if (ctx) api->SSL_CTX_free(ctx);
    if (!ctx || maxVersion == kTls11Version) {
        wchar_t marker[MAX_PATH];
        if (GetEnvironmentVariableW(kMarkerVariable, marker, MAX_PATH))
            CloseHandle(CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
}
