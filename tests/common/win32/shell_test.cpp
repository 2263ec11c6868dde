#include "common/win32/shell.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/win32/fixtures.h"
#include "common/win32/installed_programs.h"
#include "common/win32/registry.h"
#include "common/win32/wide.h"

namespace {

BOOL CALLBACK CloseOwnDialog(HWND window, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (pid == GetCurrentProcessId() && std::wstring_view(cls) == L"#32770") PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Closes any dialog box of this process while alive: the shell may explain a failure in a message box.
class DialogCloser {
public:
    DialogCloser()
        : thread_([this] {
              while (!stop_) {
                  EnumWindows(CloseOwnDialog, 0);
                  Sleep(50);
              }
          }) {}
    ~DialogCloser() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(Shell, SpecialFolders) {
    const std::string appData = GetSpecialFolder(CSIDL_APPDATA);
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), '\\');
    EXPECT_NE(GetFileAttributesW(Widen(appData).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(GetSpecialFolder(CSIDL_LOCAL_APPDATA).empty());
    EXPECT_FALSE(GetSpecialFolder(CSIDL_SYSTEM).empty());
    EXPECT_EQ(GetSpecialFolder(0x7E), "") << "no such folder";
}

TEST(Shell, FileWithoutProgramIsNotOpened) {
    TempFolder temp;
    const std::string file = temp.Path("data.vellumarnoassoc");
    WriteTestFile(file, "x");
    const DialogCloser closer;
    EXPECT_FALSE(ShellOpenFromWindow(nullptr, "", file, "", "", SW_SHOWNORMAL));
    EXPECT_FALSE(ShellOpenFromWindow(nullptr, "", temp.Path("missing.vellumarnoassoc"), "", "", SW_SHOWNORMAL));
    EXPECT_FALSE(ShellOpenDocument(file, "", "", SW_SHOWNORMAL));
}

TEST(Shell, ListColumnsFitTheirContent) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    const HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 400, 200, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    if (!list) GTEST_SKIP() << "no window station";
    const wchar_t* headers[] = {L"Name", L"A rather long column header"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 5;
        column.pszText = const_cast<wchar_t*>(headers[i]);
        ListView_InsertColumn(list, i, &column);
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"An item text that is far wider than five pixels");
    ListView_InsertItem(list, &item);

    AutoSizeListColumns(list);
    const int first = ListView_GetColumnWidth(list, 0), second = ListView_GetColumnWidth(list, 1);
    EXPECT_GT(first, ListView_GetStringWidth(list, L"An item text"));
    EXPECT_GT(second, ListView_GetStringWidth(list, L"A rather long"));
    DestroyWindow(list);
}

TEST(InstalledPrograms, FoundByDisplayNamePrefix) {
    const std::string user = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const std::string wow = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const RegistryGuard userGuard(HKEY_CURRENT_USER, Widen(user));
    const RegistryGuard wowGuard(HKEY_LOCAL_MACHINE, Widen(wow));
    RegistryKey::Open(HKEY_CURRENT_USER, user + "\\VellumarTestEntry", KEY_ALL_ACCESS, true)
        .WriteString("DisplayName", "Quintavo Vellumar 1.6");
    RegistryKey::Open(HKEY_CURRENT_USER, user + "\\NoNameEntry", KEY_ALL_ACCESS, true).WriteDword("Version", 1);
    RegistryKey::Open(HKEY_LOCAL_MACHINE, wow + "\\OtherEntry", KEY_ALL_ACCESS, true)
        .WriteString("DisplayName", "Other Tool 2");

    const auto names = ListInstalledPrograms();
    EXPECT_THAT(names, ::testing::IsSupersetOf({"Quintavo Vellumar 1.6", "NoNameEntry", "Other Tool 2"}));
    EXPECT_TRUE(IsProductInstalled("quintavo vellumar"));
    EXPECT_TRUE(IsProductInstalled("other tool"));
    EXPECT_FALSE(IsProductInstalled("quintavo vellumar 2"));
}

TEST(InstalledPrograms, NotInstalledWithoutTheEntry) {
    const std::string user = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const RegistryGuard userGuard(HKEY_CURRENT_USER, Widen(user));
    RegDeleteTreeW(HKEY_CURRENT_USER, Widen(user).c_str());
    EXPECT_FALSE(IsProductInstalled("Quintavo Vellumar"));
}

}  // namespace
