// The release installer end to end, in a Wine prefix of its own (tests/release/run-installer-tests
// builds the installers, starts the stand-in maker server and runs these tests in order):
// silent installs, the uninstall entry and the shortcut, the installed program updating itself
// from the server, refused installers, a running copy, and the silent uninstall.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/files.h"
#include "common/win32/registry.h"
#include "common/win32/shell.h"
#include "common/win32/wide.h"

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quintavo Vellumar";
constexpr DWORD kStopped = 2;  // the installer's exit code when it does not install

std::string Env(const char* name) {
    wchar_t value[2048] = {};
    const DWORD n = GetEnvironmentVariableW(Widen(name).c_str(), value, 2048);
    return n && n < 2048 ? Narrow(value) : std::string();
}
std::string Installer(const std::string& name) { return Env("VELLUMAR_INSTALLERS") + "\\" + name; }
std::string OldVersion() { return Env("VELLUMAR_OLD_VERSION"); }
std::string NewVersion() { return Env("VELLUMAR_NEW_VERSION"); }

bool Exists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadText(const std::string& path) {
    std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD waited = 0;; waited += 100) {
        if (done()) return true;
        if (waited >= ms) return false;
        Sleep(100);
    }
}

// Runs a program and waits for it; nullopt when it did not start or end within the time.
std::optional<DWORD> RunAndWait(const std::string& exe, const std::string& arguments, DWORD ms = 120000) {
    std::wstring line = L"\"" + Widen(exe) + L"\" " + Widen(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return std::nullopt;
    CloseHandle(pi.hThread);
    std::optional<DWORD> code;
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) {
        DWORD c = 0;
        GetExitCodeProcess(pi.hProcess, &c);
        code = c;
    }
    CloseHandle(pi.hProcess);
    return code;
}

std::optional<std::string> UninstallValue(const char* name) {
    const auto key = RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ, false);
    if (!key.IsOpen()) return std::nullopt;
    return key.ReadString(name);
}
std::optional<DWORD> UninstallDword(const char* name) {
    const auto key = RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ, false);
    if (!key.IsOpen()) return std::nullopt;
    return key.ReadDword(name);
}

std::string InstallFolder() { return GetSpecialFolder(CSIDL_PROGRAM_FILES) + "\\Quintavo\\Vellumar"; }
std::string InstalledExe() { return InstallFolder() + "\\vellumar.exe"; }
std::string Shortcut() { return GetSpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Vellumar.lnk"; }
std::string DataFolder() { return GetSpecialFolder(CSIDL_APPDATA) + "\\Quintavo\\Vellumar\\"; }
std::string ServerInstaller() { return Env("VELLUMAR_SERVER_FILES") + "\\files\\vellumar.exe"; }

// A running copy of the installed program and its windows.
struct Program {
    HANDLE process = nullptr;
    DWORD pid = 0;
    ~Program() {
        if (process) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
    bool Start() {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        std::wstring line = L"\"" + Widen(InstalledExe()) + L"\"";
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        process = pi.hProcess;
        pid = pi.dwProcessId;
        return true;
    }
    bool Ended(DWORD ms) const { return WaitForSingleObject(process, ms) == WAIT_OBJECT_0; }
    // A visible top-level window of this process with the given class and caption.
    HWND FindWindowOf(const wchar_t* windowClass, const std::string& caption) const {
        struct Search {
            DWORD pid;
            const wchar_t* windowClass;
            std::wstring caption;
            HWND found;
        } search{pid, windowClass, Widen(caption), nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t name[64] = {}, text[256] = {};
                GetClassNameW(window, name, 64);
                GetWindowTextW(window, text, 256);
                if (owner == s->pid && IsWindowVisible(window) && lstrcmpW(name, s->windowClass) == 0 &&
                    (s->caption.empty() || s->caption == text)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitForWindow(const wchar_t* windowClass, const std::string& caption, DWORD ms = 60000) const {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWindowOf(windowClass, caption)) != nullptr; }, ms);
        return found;
    }
};

HWND ChildWithText(HWND parent, const std::string& text) {
    struct Search {
        std::wstring text;
        HWND found;
    } search{Widen(text), nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t t[256] = {};
            GetWindowTextW(child, t, 256);
            if (s->text == t) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND button) {
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void Serve(const std::string& installer) {
    ASSERT_TRUE(CopyFileW(Widen(installer).c_str(), Widen(ServerInstaller()).c_str(), FALSE)) << installer;
}

// Starts the installed program, waits for its update offer and checks that it offers the
// automatic update (it sees itself installed), then clicks it.
void StartAndChooseAutomaticUpdate(Program& program) {
    ASSERT_TRUE(program.Start());
    const HWND offer = program.WaitForWindow(L"VellumarWindow", "Update");
    ASSERT_TRUE(offer) << "no update offer";
    const HWND automatic = ChildWithText(offer, "Automatic Update");
    ASSERT_TRUE(automatic);
    EXPECT_TRUE(IsWindowEnabled(automatic)) << "the installed program must offer the automatic update";
    Click(automatic);
}

// A window that looks like the program's from its caption but is not one of its windows:
// the installer must leave it alone.
class Bystander {
public:
    Bystander() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VellumarInstallerTestBystander";
        RegisterClassW(&wc);
        window_ = CreateWindowW(wc.lpszClassName, L"Vellumar v1.6.3.18", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                100, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~Bystander() { DestroyWindow(window_); }
    bool Alive() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return IsWindow(window_) != FALSE;
    }

private:
    HWND window_ = nullptr;
};

TEST(Installer, SilentInstallWritesFilesUninstallEntryAndNoShortcutWithNoIcons) {
    const std::string log = GetSpecialFolder(CSIDL_APPDATA) + "\\install-first.log";
    ASSERT_EQ(RunAndWait(Installer("current.exe"), "/VERYSILENT /NOICONS /LOG=\"" + log + "\""), 0u);
    for (const char* file : {"vellumar.exe", "libcrypto-3-x64.dll", "libssl-3-x64.dll", "uninstall.exe",
                             "licenses\\OpenSSL-LICENSE.txt", "licenses\\THIRD-PARTY-NOTICES.txt"})
        EXPECT_TRUE(Exists(InstallFolder() + "\\" + file)) << file;
    EXPECT_NE(ReadText(InstallFolder() + "\\licenses\\OpenSSL-LICENSE.txt").find("Apache License"), std::string::npos);
    EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion());
    EXPECT_FALSE(Exists(Shortcut())) << "/NOICONS makes no shortcut";

    const std::string folder = InstallFolder();
    EXPECT_EQ(UninstallValue("DisplayName"), "Quintavo Vellumar");
    EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
    EXPECT_EQ(UninstallValue("Publisher"), "Quintavo");
    EXPECT_EQ(UninstallValue("DisplayIcon"), folder + "\\vellumar.exe,0");
    EXPECT_EQ(UninstallValue("InstallLocation"), folder);
    EXPECT_EQ(UninstallValue("UninstallString"), "\"" + folder + "\\uninstall.exe\"");
    EXPECT_EQ(UninstallValue("QuietUninstallString"), "\"" + folder + "\\uninstall.exe\" /S");
    EXPECT_GT(UninstallDword("EstimatedSize").value_or(0), 1000u);  // KiB: the program and OpenSSL
    EXPECT_EQ(UninstallDword("NoModify"), 1u);
    EXPECT_EQ(UninstallDword("NoRepair"), 1u);

    const std::string text = ReadText(log);
    for (const char* step : {"command line: /VERYSILENT /NOICONS", "Installing into ", "No shortcut (/NOICONS)",
                             "Wrote the uninstall entry Quintavo Vellumar", "Done"})
        EXPECT_NE(text.find(step), std::string::npos) << step << "\n" << text;

    // The installed program and uninstaller, for the signature check after these tests.
    for (const char* file : {"vellumar.exe", "uninstall.exe"})
        EXPECT_TRUE(CopyFileW(Widen(folder + "\\" + file).c_str(), Widen(Installer("installed-") + file).c_str(), FALSE));

    // Installed again without /NOICONS (and with /SILENT): the same folder, now with a shortcut.
    ASSERT_EQ(RunAndWait(Installer("current.exe"), "/SILENT"), 0u);
    EXPECT_TRUE(Exists(Shortcut()));
    EXPECT_EQ(UninstallValue("InstallLocation"), folder);
}

TEST(Installer, RefusesInstallersOfAnotherPublisherOrChangedAfterSigning) {
    ASSERT_TRUE(Exists(InstalledExe()));
    struct C {
        const char* installer;
        const char* refusal;
    };
    const C cases[] = {
        {"other.exe", "Update refused : the installer is not signed by this program's publisher"},
        {"tampered.exe", "Update refused : the installer's signature is not valid (0x80096010)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installer);
        Serve(Installer(c.installer));
        Program program;
        StartAndChooseAutomaticUpdate(program);
        const HWND box = program.WaitForWindow(L"#32770", "");
        ASSERT_TRUE(box) << "no \"Failed\" message";
        EXPECT_TRUE(ChildWithText(box, "Failed"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        // The program goes on; nothing was installed.
        const HWND main = program.WaitForWindow(L"VellumarWindow", "Vellumar v" + OldVersion(), 10000);
        ASSERT_TRUE(main);
        EXPECT_FALSE(program.Ended(2000));
        EXPECT_FALSE(Exists(DataFolder() + "update.exe"));
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.Ended(20000));
        EXPECT_NE(ReadText(DataFolder() + "Vellumar.log").find(c.refusal), std::string::npos);
        EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion());
        EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
    }
}

TEST(Installer, RunningProgramStopsTheInstallUnlessToldToCloseIt) {
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow(L"VellumarWindow", "Vellumar v" + OldVersion()));
    const std::string log = GetSpecialFolder(CSIDL_APPDATA) + "\\install-running.log";
    EXPECT_EQ(RunAndWait(Installer("current.exe"), "/VERYSILENT /NOICONS /LOG=\"" + log + "\""), kStopped);
    EXPECT_FALSE(program.Ended(0)) << "the installer closed the program without being told to";
    EXPECT_NE(ReadText(log).find("Stopped: Vellumar is running"), std::string::npos);

    Bystander bystander;
    EXPECT_EQ(RunAndWait(Installer("current.exe"), "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=\"" + log + "\""),
              0u);
    EXPECT_TRUE(program.Ended(0));
    EXPECT_TRUE(bystander.Alive());
    EXPECT_NE(ReadText(log).find("Vellumar closed"), std::string::npos);
}

TEST(Installer, InstalledProgramUpdatesItselfKeepingSettingsAndLog) {
    ASSERT_TRUE(Exists(InstalledExe()));
    // The user's settings from the runs before, and a mark in them that an update must keep.
    RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Vellumar", KEY_ALL_ACCESS, true)
        .WriteString("installer_test_mark", "kept");
    Serve(Installer("newer.exe"));
    Bystander bystander;
    Program program;
    StartAndChooseAutomaticUpdate(program);
    ASSERT_TRUE(program.Ended(60000)) << "the program did not quit for the update";
    DWORD code = 1;
    GetExitCodeProcess(program.process, &code);
    EXPECT_EQ(code, 0u);
    // The installer runs on after the program has quit.
    const std::string updateLog = DataFolder() + "update.log";
    EXPECT_TRUE(WaitUntil([&] { return ReadText(updateLog).find("Done") != std::string::npos; }, 90000))
        << ReadText(updateLog);
    EXPECT_EQ(FileVersionText(InstalledExe()), NewVersion());
    EXPECT_EQ(UninstallValue("DisplayVersion"), NewVersion());
    EXPECT_NE(ReadText(updateLog).find("command line: /FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG="),
              std::string::npos);
    EXPECT_TRUE(bystander.Alive());
    EXPECT_TRUE(Exists(Shortcut())) << "an update keeps the user's shortcut";
    EXPECT_EQ(RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Vellumar", KEY_READ, false)
                  .ReadString("installer_test_mark"),
              "kept");
    EXPECT_NE(ReadText(DataFolder() + "Vellumar.log").find("Starting update process"), std::string::npos);
}

TEST(Installer, SilentUninstallLeavesOnlyTheUsersData) {
    ASSERT_TRUE(Exists(InstalledExe()));
    const auto quiet = UninstallValue("QuietUninstallString");
    ASSERT_TRUE(quiet);
    const std::string uninstaller = InstallFolder() + "\\uninstall.exe";
    // The uninstaller copies itself away and returns at once; the copy does the work.
    ASSERT_EQ(RunAndWait(uninstaller, "/S"), 0u);
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder()); }, 60000));
    EXPECT_FALSE(Exists(GetSpecialFolder(CSIDL_PROGRAM_FILES) + "\\Quintavo"));
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ, false).IsOpen());
    const auto maker = RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo", KEY_READ, false);
    EXPECT_FALSE(maker.ReadString("Vellumar")) << "the program's path value goes";
    // The user's data stays: settings and the data folder with the log.
    EXPECT_EQ(RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Vellumar", KEY_READ, false)
                  .ReadString("installer_test_mark"),
              "kept");
    EXPECT_TRUE(Exists(DataFolder() + "Vellumar.log"));
}

}  // namespace
