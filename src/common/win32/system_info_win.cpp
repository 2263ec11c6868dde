#include "common/win32/system_info_win.h"

#include <lm.h>

#include <optional>
#include <vector>

#include "common/win32/platform_error.h"
#include "common/win32/registry.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

std::optional<WorkstationVersion> ReadWorkstationVersion() {
    WKSTA_INFO_100* info = nullptr;
    if (NetWkstaGetInfo(nullptr, 100, reinterpret_cast<BYTE**>(&info)) != NERR_Success || !info) return std::nullopt;
    const WorkstationVersion version{info->wki100_ver_major, info->wki100_ver_minor};
    NetApiBufferFree(info);
    return version;
}

std::optional<OsVersionFacts> ReadOsVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info)) return std::nullopt;
    return OsVersionFacts{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, Narrow(info.szCSDVersion)};
}

template <typename Fn>
Fn Kernel32Function(const char* name) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

struct SidTraits {
    using Handle = PSID;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { FreeSid(h); }
};
using UniqueSid = Unique<SidTraits>;

UniqueSid AdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &sid))
        ThrowLastPlatformError();
    return UniqueSid(sid);
}

}  // namespace

std::string WindowsBuildNumber() {
    const auto key =
        RegistryKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", RegistryReadRights(),
                          false);
    if (!key.IsOpen()) return "";
    try {
        return key.ReadString("CurrentBuildNumber").value_or("");
    } catch (const RegistryError&) {
        return "";
    }
}

std::string NtVersionText(int32_t build) { return NtVersionTextFor(ReadWorkstationVersion(), build); }

std::string WindowsVersionText() {
    const auto os = ReadOsVersion();
    if (!os || os->platformId != VER_PLATFORM_WIN32_NT) return WindowsVersionTextFor(os, std::nullopt, "");
    return WindowsVersionTextFor(os, ReadWorkstationVersion(), WindowsBuildNumber());
}

bool IsWindows64() {
#ifdef _WIN64
    return true;
#else
    if (!GetModuleHandleW(L"kernel32.dll")) ThrowLastPlatformError();
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
    if (!isWow64) return false;
    BOOL flag = FALSE;
    if (!isWow64(GetCurrentProcess(), &flag)) ThrowLastPlatformError();
    return flag != FALSE;
#endif
}

bool IsWindowsBeforeVista() {
    const auto version = ReadWorkstationVersion();
    return !version || version->major < 6;
}

void SetFsRedirectionOff([[maybe_unused]] bool off) {
#ifndef _WIN64
    // A 64-bit process sees the real system folder; only WOW64 redirects.
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    using EnableFn = BOOLEAN(WINAPI*)(BOOLEAN);
    const auto disable = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection");
    const auto enable = Kernel32Function<EnableFn>("Wow64EnableWow64FsRedirection");
    if (!disable || !enable) return;
    if (off) {
        PVOID previous = nullptr;
        disable(&previous);
    } else {
        enable(TRUE);
    }
#endif
}

bool AdministratorsGroupGrants(const SID_AND_ATTRIBUTES* groups, DWORD count) {
    const UniqueSid admins = AdministratorsSid();
    for (DWORD i = 0; i < count; ++i)
        if (EqualSid(groups[i].Sid, admins.get())) return (groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
    return false;
}

bool RunsAsAdministrator() {
    HANDLE raw = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &raw)) {
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
            return false;
    }
    const UniqueHandle token(raw);
    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        ThrowLastPlatformError();
    // Whole pointers: TOKEN_GROUPS holds SID pointers and must be aligned for them.
    std::vector<void*> buffer(size / sizeof(void*) + 1);
    if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) ThrowLastPlatformError();
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    return AdministratorsGroupGrants(groups->Groups, groups->GroupCount);
}

REGSAM RegistryReadRights() { return KEY_READ | (IsWindows64() ? KEY_WOW64_64KEY : 0); }
