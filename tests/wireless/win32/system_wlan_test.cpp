#include "wireless/win32/system_wlan.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/win32/wide.h"
#include "wireless/value_text.h"

namespace {

using namespace wlan;

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, n);
}

TEST(SystemWlan, LoadsFromTheSystemFolderAndAnswers) {
    SystemWlan api;
    ASSERT_EQ(api.LoadError(), 0u);
    HMODULE module = GetModuleHandleW(L"wlanapi.dll");
    ASSERT_NE(module, nullptr);
    wchar_t system[MAX_PATH];
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    std::wstring folder = ModulePath(module).substr(0, n);
    EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, system, static_cast<int>(n), TRUE), CSTR_EQUAL)
        << Narrow(ModulePath(module));

    Handle h = nullptr;
    uint32_t negotiated = 0;
    ASSERT_EQ(api.WlanOpenHandle(kClientVersion, nullptr, &negotiated, &h), 0u);
    EXPECT_NE(h, nullptr);
    WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
    ASSERT_EQ(api.WlanEnumInterfaces(h, nullptr, list.out()), 0u);
    ASSERT_TRUE(list);
    for (const auto& info : Entries(list.get())) EXPECT_FALSE(InterfaceDescriptionText(info).empty());
    list.reset();
    EXPECT_EQ(api.WlanCloseHandle(h, nullptr), 0u);
}

}  // namespace
