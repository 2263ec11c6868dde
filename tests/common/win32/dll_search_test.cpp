#include "common/win32/dll_search.h"

#include <gtest/gtest.h>
#include <windows.h>

// planted_module.dll lies beside the test program, as a planted DLL would beside the
// program: found by name before the restriction, not after it.
TEST(DllSearch, LaterLoadsLookInTheSystemFolderOnly) {
    HMODULE beside = LoadLibraryW(L"planted_module.dll");
    ASSERT_NE(beside, nullptr) << "the test needs planted_module.dll beside it";
    FreeLibrary(beside);

    ASSERT_TRUE(RestrictDllSearchToSystem());
    EXPECT_EQ(LoadLibraryW(L"planted_module.dll"), nullptr);
    HMODULE system = LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system) FreeLibrary(system);

    // The other tests keep the usual search.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    set(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}
