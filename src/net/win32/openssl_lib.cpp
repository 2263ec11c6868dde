#include "net/win32/openssl_lib.h"

#include <windows.h>

#include <memory>
#include <mutex>

#include "common/win32/system_info_win.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "net/win32/openssl_api.h"

namespace {

struct LibraryPair { const wchar_t* crypto; const wchar_t* ssl; unsigned long minVersion; unsigned long maxVersion; };

#ifdef _WIN64
constexpr LibraryPair kLibraries[] = {
    {L"libcrypto-3-x64.dll", L"libssl-3-x64.dll", 0x30000000UL, 0x3FFFFFFFUL},
    {L"libcrypto-1_1-x64.dll", L"libssl-1_1-x64.dll", 0x1010100FUL, 0x10101FFFUL},
};
#else
constexpr LibraryPair kLibraries[] = {
    {L"libcrypto-3.dll", L"libssl-3.dll", 0x30000000UL, 0x3FFFFFFFUL},
    {L"libcrypto-1_1.dll", L"libssl-1_1.dll", 0x1010100FUL, 0x10101FFFUL},
};
#endif

struct Loaded {
    Unique<ModuleTraits> crypto;
    Unique<ModuleTraits> ssl;
    OpenSslApi api{};
    std::string version;
};

std::mutex gMutex;
Loaded* gLoaded = nullptr;  // kept for the life of the process once loaded
std::vector<std::wstring> gFolders;
std::function<bool()> gBeforeVista;

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L"";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring SystemFolder() {
    wchar_t buf[MAX_PATH];
    const UINT n = GetSystemDirectoryW(buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buf, n) : L"";
}

std::vector<std::wstring> SearchFolders() {
    if (!gFolders.empty()) return gFolders;
    std::vector<std::wstring> folders;
    for (auto f : {ProgramFolder(), SystemFolder()})
        if (!f.empty()) folders.push_back(f);
    return folders;
}

// A full path, and the altered search path so that libssl finds its libcrypto beside itself.
HMODULE LoadFrom(const std::wstring& folder, const wchar_t* name) {
    const std::wstring path = folder + L"\\" + name;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

bool BindAll(HMODULE c, HMODULE s, OpenSslApi& a) {
    return Bind(s, "OPENSSL_init_ssl", a.OPENSSL_init_ssl) && Bind(c, "OpenSSL_version_num", a.OpenSSL_version_num) && Bind(c, "OpenSSL_version", a.OpenSSL_version) &&
           Bind(c, "X509_STORE_add_cert", a.X509_STORE_add_cert) && Bind(c, "d2i_X509", a.d2i_X509) &&
           Bind(c, "i2d_X509", a.i2d_X509) && Bind(c, "X509_verify_cert", a.X509_verify_cert) &&
           Bind(c, "X509_STORE_CTX_get0_cert", a.X509_STORE_CTX_get0_cert) &&
           Bind(c, "X509_STORE_CTX_get0_untrusted", a.X509_STORE_CTX_get0_untrusted) &&
           Bind(c, "X509_STORE_CTX_get0_store", a.X509_STORE_CTX_get0_store) &&
           Bind(c, "X509_STORE_CTX_set_error", a.X509_STORE_CTX_set_error) &&
           Bind(c, "OPENSSL_sk_num", a.OPENSSL_sk_num) && Bind(c, "OPENSSL_sk_value", a.OPENSSL_sk_value) &&
           Bind(c, "X509_free", a.X509_free) && Bind(c, "X509_VERIFY_PARAM_set1_ip_asc", a.X509_VERIFY_PARAM_set1_ip_asc) &&
           Bind(c, "X509_verify_cert_error_string", a.X509_verify_cert_error_string) &&
           Bind(c, "ERR_get_error", a.ERR_get_error) && Bind(c, "ERR_error_string_n", a.ERR_error_string_n) &&
           Bind(c, "ERR_clear_error", a.ERR_clear_error) && Bind(s, "TLS_client_method", a.TLS_client_method) &&
           Bind(s, "SSL_CTX_new", a.SSL_CTX_new) && Bind(s, "SSL_CTX_free", a.SSL_CTX_free) &&
           Bind(s, "SSL_CTX_get_cert_store", a.SSL_CTX_get_cert_store) && Bind(s, "SSL_CTX_set_verify", a.SSL_CTX_set_verify) &&
           Bind(s, "SSL_CTX_set_cert_verify_callback", a.SSL_CTX_set_cert_verify_callback) &&
           Bind(s, "SSL_CTX_ctrl", a.SSL_CTX_ctrl) && Bind(s, "SSL_new", a.SSL_new) && Bind(s, "SSL_free", a.SSL_free) &&
           Bind(s, "SSL_set_fd", a.SSL_set_fd) && Bind(s, "SSL_ctrl", a.SSL_ctrl) && Bind(s, "SSL_set1_host", a.SSL_set1_host) &&
           Bind(s, "SSL_get0_param", a.SSL_get0_param) && Bind(s, "SSL_connect", a.SSL_connect) &&
           Bind(s, "SSL_read", a.SSL_read) && Bind(s, "SSL_write", a.SSL_write) && Bind(s, "SSL_get_error", a.SSL_get_error) &&
           Bind(s, "SSL_get_verify_result", a.SSL_get_verify_result) && Bind(s, "SSL_shutdown", a.SSL_shutdown);
}

Loaded* TryLoad() {
    for (const auto& pair : kLibraries) {
        for (const auto& folder : SearchFolders()) {
            auto lib = std::make_unique<Loaded>();
            lib->crypto.reset(LoadFrom(folder, pair.crypto));
            if (!lib->crypto) continue;
            lib->ssl.reset(LoadFrom(folder, pair.ssl));
            if (!lib->ssl || !BindAll(lib->crypto.get(), lib->ssl.get(), lib->api)) continue;
            const unsigned long version = lib->api.OpenSSL_version_num();
            if (version < pair.minVersion || version > pair.maxVersion) continue;
            // Before anything else touches the library: its configuration file lives in a
            // folder fixed when it was built, which on this machine anyone may have created.
            if (lib->api.OPENSSL_init_ssl(kOpenSslInitNoLoadConfig | kOpenSslInitLoadSslStrings |
                                              kOpenSslInitLoadCryptoStrings,
                                          nullptr) != 1)
                continue;
            const char* text = lib->api.OpenSSL_version(0);
            lib->version = text ? text : "";
            return lib.release();
        }
    }
    return nullptr;
}

}  // namespace

const OpenSslApi* LoadOpenSsl() {
    std::lock_guard lock(gMutex);
    if (!gLoaded) gLoaded = TryLoad();
    return gLoaded ? &gLoaded->api : nullptr;
}

const OpenSslApi* LoadedOpenSsl() {
    std::lock_guard lock(gMutex);
    return gLoaded ? &gLoaded->api : nullptr;
}

std::string LoadedOpenSslVersion() {
    std::lock_guard lock(gMutex);
    return gLoaded ? gLoaded->version : "";
}

void SetWindowsBeforeVistaCheck(std::function<bool()> check) { gBeforeVista = std::move(check); }

bool WindowsBeforeVista() { return gBeforeVista ? gBeforeVista() : IsWindowsBeforeVista(); }

void SetOpenSslFoldersForTest(std::vector<std::wstring> folders) {
    std::lock_guard lock(gMutex);
    gFolders = std::move(folders);
}

void UnloadOpenSslForTest() {
    std::lock_guard lock(gMutex);
    delete gLoaded;
    gLoaded = nullptr;
}

bool PatchOpenSslForTest(const std::function<void(OpenSslApi&)>& patch) {
    std::lock_guard lock(gMutex);
    if (!gLoaded) gLoaded = TryLoad();
    if (!gLoaded) return false;
    patch(gLoaded->api);
    return true;
}
