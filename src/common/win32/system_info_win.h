#pragma once
// Questions about the running Windows: version text, 64-bit, administrator rights, WOW64 redirection.
#include <windows.h>

#include <string>

#include "common/system_info.h"  // the pure version decision

// The version text of the log header, e.g. "10.0.19045 (Windows10)"; "Unknown" when unreadable.
std::string WindowsVersionText();
// The NT-family text for a build number, with the workstation version read from the system.
std::string NtVersionText(int32_t build);
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion "CurrentBuildNumber", read-only; "" when unreadable.
std::string WindowsBuildNumber();

// True on 64-bit Windows: always in the 64-bit build, under WOW64 in the 32-bit one.
// Raises PlatformError when IsWow64Process fails.
bool IsWindows64();
// True when the workstation information cannot be read or reports a major version below 6.
bool IsWindowsBeforeVista();
// Switches WOW64 file-system redirection off (true) or back on (false) for the calling thread.
// Acts only in a 32-bit process under WOW64; the switch does not count nesting.
void SetFsRedirectionOff(bool off);

// True when the process token holds an enabled (not deny-only) membership of BUILTIN\Administrators.
// Raises PlatformError when the token's groups cannot be read.
bool RunsAsAdministrator();
// The group walk of RunsAsAdministrator: the first Administrators entry decides.
bool AdministratorsGroupGrants(const SID_AND_ATTRIBUTES* groups, DWORD count);

// Registry rights for reading shared keys: KEY_READ, plus the 64-bit view on 64-bit Windows.
REGSAM RegistryReadRights();
