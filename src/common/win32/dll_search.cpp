#include "common/win32/dll_search.h"

#include <windows.h>

bool RestrictDllSearchToSystem() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    return set && set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
