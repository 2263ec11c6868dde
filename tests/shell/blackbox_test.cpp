// The real program, started as a user starts it: a scenario, debug mode on, a few
// seconds of scanning, a normal close, then its log file. It also keeps a
// screenshot at 96 and at 144 DPI in build/win64/screenshots.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/encoding.h"
#include "common/win32/files.h"
#include "common/win32/fixtures.h"
#include "common/win32/registry.h"
#include "common/win32/shell.h"
#include "common/win32/wide.h"
#include "shell/app_fixture.h"

namespace {

struct Running {
    HANDLE process = nullptr;
    DWORD pid = 0;
    HWND main = nullptr;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
    auto* run = reinterpret_cast<Running*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (pid == run->pid && lstrcmpW(name, L"VellumarWindow") == 0 && !GetWindow(window, GW_OWNER) &&
        IsWindowVisible(window)) {
        run->main = window;
        return FALSE;
    }
    return TRUE;
}

Running Launch(const std::string& exe) {
    Running run;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + Widen(exe) + L"\" /from-test";
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
    CloseHandle(pi.hThread);
    run.process = pi.hProcess;
    run.pid = pi.dwProcessId;
    for (int i = 0; i < 300 && !run.main; ++i) {
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&run));
        if (!run.main) Sleep(100);
    }
    return run;
}

// The access-point list: of the main window's report lists, the one farthest right.
HWND AccessPointList(HWND main) {
    HWND found = nullptr;
    LONG right = -1;
    for (HWND child = FindWindowExW(main, nullptr, L"SysListView32", nullptr); child;
         child = FindWindowExW(main, child, L"SysListView32", nullptr)) {
        RECT r;
        GetWindowRect(child, &r);
        if (r.left > right) right = r.left, found = child;
    }
    return found;
}

class BlackBox : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = folder_.Path("vellumar.exe");
        ASSERT_TRUE(CopyFileW(Widen(std::string(VELLUMAR_TEST_BINARY_DIR) + "/vellumar.exe").c_str(),
                              Widen(program_).c_str(), FALSE));
        SetEnvironmentVariableW(L"VELLUMAR_WLAN_SCENARIO",
                                Widen(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/demo.json").c_str());
        // Nothing listens on port 1: the hint download fails at once, and never leaves the machine.
        SetEnvironmentVariableW(L"VELLUMAR_SERVER", L"127.0.0.1:1");
        RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Vellumar", KEY_ALL_ACCESS, true)
            .WriteString("debug_mode", "1");
        CreateDirectoryW(Widen(std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots").c_str(), nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"VELLUMAR_WLAN_SCENARIO", nullptr);
        SetEnvironmentVariableW(L"VELLUMAR_SERVER", nullptr);
        const std::string data = GetSpecialFolder(CSIDL_APPDATA) + "\\Quintavo\\Vellumar\\";
        DeleteFileW(Widen(data + "Vellumar.log").c_str());
        RemoveDirectoryW(Widen(data).c_str());
        RemoveEmptyMakerFolder();
    }

    // Runs the program for a few seconds and closes it normally; returns its client width.
    // listShot: the access-point list scrolled to its last columns.
    int RunAndClose(const std::string& screenshot, const std::string& listShot) {
        Running run = Launch(program_);
        EXPECT_TRUE(run.main) << "the main window did not appear";
        if (!run.main) {
            if (run.process) TerminateProcess(run.process, 1), CloseHandle(run.process);
            return 0;
        }
        Sleep(4000);  // a few one-second scan passes
        SaveScreenshot(run.main, std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/" + screenshot);
        if (HWND aps = AccessPointList(run.main)) {
            SendMessageW(aps, LVM_SCROLL, 2000, 0);
            Sleep(300);
            SaveScreenshot(aps, std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/" + listShot);
        }
        RECT client;
        GetClientRect(run.main, &client);
        PostMessageW(run.main, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(run.process, 15000), WAIT_OBJECT_0) << "the program did not end";
        DWORD code = 1;
        GetExitCodeProcess(run.process, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(run.process);
        return client.right;
    }

    std::string LogText() const {
        return AnsiToUtf8(ReadTestFile(GetSpecialFolder(CSIDL_APPDATA) + "\\Quintavo\\Vellumar\\Vellumar.log"));
    }

    RegistryGuard maker_{HKEY_CURRENT_USER, L"SOFTWARE\\Quintavo"};
    RegistryGuard desktop_{HKEY_CURRENT_USER, L"Control Panel\\Desktop"};
    TempFolder folder_;
    std::string program_;
};

TEST_F(BlackBox, ScansAndWritesItsLogOnClose) {
    const int width96 = RunAndClose("main-96dpi.bmp", "ap-list-96dpi.bmp");
    EXPECT_GE(width96, 1031);
    const std::string log = LogText();
    for (const char* line : {"\tStarting\r\n", "\tDebug mode\r\n", "\tVellumar v1.6.3.18\r\n", "\t/from-test\r\n",
                             "\tNew network found : HomeNet\r\n", "\tNew AP found : 00:1A:2B:3C:4D:5E (for :HomeNet)\r\n",
                             "\tClosing wLan handles...\r\n", "\tClosing Vellumar...\r\n", "\tOpenSSL : "})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(log.rfind("Info\t[", 0), 0u);
    EXPECT_NE(log.find("Verbose\t["), std::string::npos);
    EXPECT_LT(log.find("Closing Vellumar..."), log.find("\tStarting\r\n"));  // newest first
    // A portable copy took its settings along.
    EXPECT_NE(ReadTestFile(folder_.Path("settings.ini")).find("debug_mode=1"), std::string::npos);

    // The same program at 144 DPI lays itself out one and a half times as large.
    RegistryKey::Open(HKEY_CURRENT_USER, "Control Panel\\Desktop", KEY_ALL_ACCESS, true).WriteDword("LogPixels", 144);
    const int width144 = RunAndClose("main-144dpi.bmp", "ap-list-144dpi.bmp");
    EXPECT_NEAR(width144, width96 * 3 / 2, 8);
}

}  // namespace

// The loader looks for the program's own imports (version.dll and the like) in the system
// folder only, never beside a copy of the program in a downloads folder.
TEST(ProgramImage, ImportsComeFromTheSystemFolderOnly) {
    std::ifstream in(std::string(VELLUMAR_TEST_BINARY_DIR) + "/vellumar.exe", std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(bytes.size(), 0x200u);
    auto at = [&](size_t offset, auto value) {
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    };
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + at(0x3C, DWORD{}));
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    ASSERT_NE(entry.VirtualAddress, 0u) << "no load configuration";
    const auto* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (entry.VirtualAddress < section->VirtualAddress ||
            entry.VirtualAddress >= section->VirtualAddress + section->SizeOfRawData)
            continue;
        const size_t offset = section->PointerToRawData + entry.VirtualAddress - section->VirtualAddress;
        const auto config = at(offset, IMAGE_LOAD_CONFIG_DIRECTORY{});
        EXPECT_GE(config.Size, offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, EditList));
        EXPECT_EQ(config.Reserved1, LOAD_LIBRARY_SEARCH_SYSTEM32);  // DependentLoadFlags
        return;
    }
    ADD_FAILURE() << "the load configuration is in no section";
}
