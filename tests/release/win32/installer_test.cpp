// The release setup end to end, in a Wine prefix of its own (tests/release/run-installer-tests
// builds the setups, starts the stand-in maker server and runs these tests in order): silent
// installs, the uninstall entry and the shortcut, damaged setups, help, the log and links, the
// installed program updating itself, refused installers and downgrades, a running copy, moving
// with /D=, the uninstaller's result and what it leaves, and the wizards on screen at 96 and
// 144 DPI (screenshots in VELLUMAR_SCREENSHOTS).
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/win32/files.h"
#include "common/win32/fixtures.h"
#include "common/win32/registry.h"
#include "common/win32/shell.h"
#include "common/win32/wide.h"
#include "update/win32/file_product.h"

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quintavo Vellumar";
constexpr char kProductKey[] = "SOFTWARE\\Quintavo\\Vellumar";
// The setup's exit codes (README).
constexpr DWORD kStopped = 2, kNewer = 3, kDamaged = 4, kFolderRefused = 5;

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
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD waited = 0;; waited += 100) {
        if (done()) return true;
        if (waited >= ms) return false;
        Sleep(100);
    }
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
bool UninstallEntryExists() { return RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ, false).IsOpen(); }

std::optional<std::string> SettingsMark() {
    return RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_READ, false).ReadString("installer_test_mark");
}
void MarkSettings() {
    RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_ALL_ACCESS, true).WriteString("installer_test_mark", "kept");
}

std::string ProgramFiles() { return GetSpecialFolder(CSIDL_PROGRAM_FILES); }
std::string InstallFolder() { return ProgramFiles() + "\\Quintavo\\Vellumar"; }
std::string InstalledExe() { return InstallFolder() + "\\vellumar.exe"; }
std::string Uninstaller() { return InstallFolder() + "\\uninstall.exe"; }
std::string Shortcut() { return GetSpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Vellumar.lnk"; }
std::string DataFolder() { return GetSpecialFolder(CSIDL_APPDATA) + "\\Quintavo\\Vellumar\\"; }
std::string LogFile(const std::string& name) { return GetSpecialFolder(CSIDL_APPDATA) + "\\" + name; }
std::string ServerInstaller() { return Env("VELLUMAR_SERVER_FILES") + "\\files\\vellumar.exe"; }
// What the stand-in server's update check answers.
void AnswerUpdateCheck(const std::string& version) {
    WriteTestFile(Env("VELLUMAR_SERVER_FILES") + "\\check-answer", version);
}

// The names in a folder, to see what a run leaves behind.
std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = Narrow(data.cFileName);
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}
std::string TemporaryFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, path);
    return Narrow(std::wstring(path, n > 0 ? n - 1 : 0));  // without its closing backslash
}
// The temporary folder and Program Files, where the setup makes its working folders.
struct Leftovers {
    std::set<std::string> temp = Entries(TemporaryFolder());
    std::set<std::string> programFiles = Entries(ProgramFiles());
    bool operator==(const Leftovers&) const = default;
};
std::string Join(const std::set<std::string>& names) {
    std::string all;
    for (const auto& n : names) all += n + " ";
    return all;
}

// Visible top-level windows of the session, with their processes.
std::vector<HWND> VisibleTopWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}
std::string Describe(HWND window) {
    wchar_t name[64] = {}, text[256] = {};
    GetClassNameW(window, name, 64);
    GetWindowTextW(window, text, 256);
    return Narrow(name) + " \"" + Narrow(text) + "\"";
}
DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// A program the tests start; ended with the test when it still runs.
struct Process {
    HANDLE handle = nullptr;
    DWORD pid = 0;
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (handle) {
            if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) TerminateProcess(handle, 1);
            CloseHandle(handle);
        }
    }
    bool Start(const std::string& exe, const std::string& arguments = "") {
        std::wstring line = L"\"" + Widen(exe) + L"\" " + Widen(arguments);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
        CloseHandle(pi.hThread);
        handle = pi.hProcess;
        pid = pi.dwProcessId;
        return true;
    }
    bool Ended(DWORD ms) const { return WaitForSingleObject(handle, ms) == WAIT_OBJECT_0; }
    std::optional<DWORD> ExitCode(DWORD ms = 120000) const {
        if (!Ended(ms)) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(handle, &code);
        return code;
    }
};

// Runs a setup or uninstaller that must show no window and waits for its exit code. Any visible
// top-level window that appears meanwhile fails the test (and is closed, so the run ends);
// windows of the processes in `others` (a running Vellumar) do not count.
std::optional<DWORD> RunSilently(const std::string& exe, const std::string& arguments,
                                 const std::set<DWORD>& others = {}) {
    const std::vector<HWND> before = VisibleTopWindows();
    Process run;
    if (!run.Start(exe, arguments)) {
        ADD_FAILURE() << "could not start " << exe << " (error " << GetLastError() << ")";
        return std::nullopt;
    }
    std::set<HWND> seen(before.begin(), before.end());
    for (DWORD waited = 0; !run.Ended(50); waited += 50) {
        for (HWND window : VisibleTopWindows()) {
            if (!seen.insert(window).second || others.count(ProcessOf(window))) continue;
            ADD_FAILURE() << "a window appeared during \"" << arguments << "\": " << Describe(window);
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        if (waited > 180000) return std::nullopt;
    }
    return run.ExitCode(0);
}

std::string SilentLog(const std::string& name) { return " /LOG=\"" + LogFile(name) + "\""; }

// A running copy of the installed program and its windows.
struct Program : Process {
    bool Start() { return Process::Start(InstalledExe()); }
    // A visible top-level window of this process with the given class and caption.
    HWND FindWindowOf(const wchar_t* windowClass, const std::string& caption) const {
        for (HWND window : VisibleTopWindows()) {
            wchar_t name[64] = {}, text[256] = {};
            GetClassNameW(window, name, 64);
            GetWindowTextW(window, text, 256);
            if (ProcessOf(window) == pid && lstrcmpW(name, windowClass) == 0 && (caption.empty() || caption == Narrow(text)))
                return window;
        }
        return nullptr;
    }
    HWND WaitForWindow(const wchar_t* windowClass, const std::string& caption, DWORD ms = 60000) const {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWindowOf(windowClass, caption)) != nullptr; }, ms);
        return found;
    }
};

// The main window of any running Vellumar of the given version (started by the shell, say).
HWND ProgramMainWindow(const std::string& version) {
    for (HWND window : VisibleTopWindows()) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (lstrcmpW(name, L"VellumarWindow") == 0 && Describe(window) == "VellumarWindow \"Vellumar v" + version + "\"")
            return window;
    }
    return nullptr;
}

// Every descendant window's text (asked with WM_GETTEXT: GetWindowText does not read another
// process's edit controls), with a callback per window.
void ForEachDescendant(HWND parent, const std::function<void(HWND, const std::string&)>& visit) {
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t text[8192] = {};
            SendMessageTimeoutW(child, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
            (*reinterpret_cast<const std::function<void(HWND, const std::string&)>*>(param))(child, Narrow(text));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visit));
}

HWND ChildWithText(HWND parent, const std::string& text) {
    HWND found = nullptr;
    ForEachDescendant(parent, [&](HWND child, const std::string& t) {
        if (!found && t == text && IsWindowVisible(child)) found = child;
    });
    return found;
}
std::string TextContaining(HWND parent, const std::string& part) {
    std::string found;
    ForEachDescendant(parent, [&](HWND child, const std::string& t) {
        if (found.empty() && Contains(t, part) && IsWindowVisible(child)) found = t;
    });
    return found;
}

void Click(HWND button) {
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// A message box (a dialog without a wizard's Back button) with the given caption.
HWND WaitForMessageBox(const std::string& caption, DWORD ms = 60000) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : VisibleTopWindows())
                if (Describe(window) == "#32770 \"" + caption + "\"" && !GetDlgItem(window, 3)) return (found = window) != nullptr;
            return false;
        },
        ms);
    return found;
}

// The wizard of the setup or of the uninstaller: NSIS's dialog with Back (3), Next (1) and Cancel (2).
struct Wizard {
    HWND frame = nullptr;
    int dpi = 96;

    static Wizard WaitFor(const std::string& caption, int dpi) {
        Wizard w{nullptr, dpi};
        WaitUntil(
            [&] {
                for (HWND window : VisibleTopWindows())
                    if (Describe(window).starts_with("#32770 \"" + caption) && GetDlgItem(window, 3))
                        return (w.frame = window) != nullptr;
                return false;
            },
            60000);
        return w;
    }
    bool WaitForPage(const std::string& title) const {
        return WaitUntil([&] { return ChildWithText(frame, title) != nullptr; }, 60000);
    }
    std::string Text(const std::string& part) const { return TextContaining(frame, part); }
    void Next() const { Click(GetDlgItem(frame, 1)); }
    bool ClickText(const std::string& text) const {
        HWND button = ChildWithText(frame, text);
        if (button) Click(button);
        return button != nullptr;
    }
    void Shot(const std::string& name) const {
        Sleep(300);  // painted
        SaveScreenshot(frame, Env("VELLUMAR_SCREENSHOTS") + "\\" + name + "-" + std::to_string(dpi) + "dpi.bmp");
    }
};

// A window that looks like the program's from its caption but is not one of its windows:
// the setup must leave it alone.
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

void Serve(const std::string& installer) {
    ASSERT_TRUE(CopyFileW(Widen(installer).c_str(), Widen(ServerInstaller()).c_str(), FALSE)) << installer;
}

// Installs the given setup silently into the default folder (after whatever is there).
void InstallSilently(const std::string& setup, const std::string& extra = "") {
    ASSERT_EQ(RunSilently(Installer(setup), "/VERYSILENT /NOICONS " + extra), 0u) << setup;
    ASSERT_TRUE(Exists(InstalledExe()));
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

// ---- tests, in order: each starts from where the one before left the prefix ----------------

TEST(Installer, SilentInstallWritesFilesUninstallEntryAndNoShortcutWithNoIcons) {
    const Leftovers before;
    const std::string log = LogFile("install-first.log");
    ASSERT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT /NOICONS /LOG=\"" + log + "\""), 0u);
    for (const char* file : {"vellumar.exe", "libcrypto-3-x64.dll", "libssl-3-x64.dll", "uninstall.exe",
                             "licenses\\OpenSSL-LICENSE.txt", "licenses\\THIRD-PARTY-NOTICES.txt", "licenses\\LICENSE.txt"})
        EXPECT_TRUE(Exists(InstallFolder() + "\\" + file)) << file;
    EXPECT_TRUE(Contains(ReadText(InstallFolder() + "\\licenses\\OpenSSL-LICENSE.txt"), "Apache License"));
    EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion());
    EXPECT_EQ(ReadVersionInfo(Installer("current.exe")).FileDescription, "Vellumar installer");
    EXPECT_EQ(ReadVersionInfo(InstallFolder() + "\\uninstall.exe").FileDescription, "Vellumar uninstaller");
    EXPECT_FALSE(Exists(Shortcut())) << "/NOICONS makes no shortcut";

    const std::string folder = InstallFolder();
    EXPECT_EQ(UninstallValue("DisplayName"), "Quintavo Vellumar");
    EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
    EXPECT_EQ(UninstallValue("Publisher"), "Quintavo");
    EXPECT_EQ(UninstallValue("DisplayIcon"), folder + "\\vellumar.exe,0");
    EXPECT_EQ(UninstallValue("InstallLocation"), folder);
    EXPECT_EQ(UninstallValue("UninstallString"), "\"" + folder + "\\uninstall.exe\"");
    EXPECT_EQ(UninstallValue("QuietUninstallString"), "\"" + folder + "\\uninstall.exe\" /S");
    EXPECT_EQ(UninstallValue("URLInfoAbout"), "https://www.quintavo.example/");
    EXPECT_EQ(UninstallValue("HelpLink"), "https://www.quintavo.example/forum");
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    snprintf(today, sizeof today, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(UninstallValue("InstallDate"), today);
    EXPECT_GT(UninstallDword("EstimatedSize").value_or(0), 1000u);  // KiB: the program and OpenSSL
    EXPECT_EQ(UninstallDword("NoModify"), 1u);
    EXPECT_EQ(UninstallDword("NoRepair"), 1u);

    const std::string text = ReadText(log);
    for (const char* step : {"command line: /VERYSILENT /NOICONS", "Installing into ", "No shortcut (/NOICONS)",
                             "Wrote the uninstall entry Quintavo Vellumar", "Done", "Exit code 0"})
        EXPECT_TRUE(Contains(text, step)) << step << "\n" << text;
    // The working folder in Program Files goes with the run; nothing is left in the temporary folder.
    const Leftovers after;
    EXPECT_EQ(after.temp, before.temp) << Join(after.temp);
    std::set<std::string> programFiles = after.programFiles;
    programFiles.erase("Quintavo");
    EXPECT_EQ(programFiles, before.programFiles) << Join(after.programFiles);

    // The installed program and uninstaller, for the signature check after these tests.
    for (const char* file : {"vellumar.exe", "uninstall.exe"})
        EXPECT_TRUE(CopyFileW(Widen(folder + "\\" + file).c_str(), Widen(Installer("installed-") + file).c_str(), FALSE));

    // Installed again without /NOICONS (and with /SILENT): the same folder, now with a shortcut.
    ASSERT_EQ(RunSilently(Installer("current.exe"), "/SILENT"), 0u);
    EXPECT_TRUE(Exists(Shortcut()));
    EXPECT_EQ(UninstallValue("InstallLocation"), folder);
}

TEST(Installer, HelpListsTheSwitchesAndInstallsNothing) {
    ASSERT_EQ(UninstallValue("DisplayVersion"), OldVersion());
    struct C {
        std::string program, arguments;
        std::vector<std::string> lines;
    };
    const std::string log = LogFile("help.log");
    const C cases[] = {
        {Installer("newer.exe"), "/VERYSILENT /?" + SilentLog("help.log"),
         {"Switches:", "/VERYSILENT, /SILENT or /S: no window at all", "/NOICONS: ", "/LOG=\"file\": ",
          "/FORCECLOSEAPPLICATIONS: ", "/ALLOWDOWNGRADE: ", "/D=folder: ", "/? or /HELP: ", "Exit codes:\r\n0  done",
          "1  cancelled", "2  stopped", "3  a newer version is installed", "4  this setup file is damaged",
          "5  the folder is refused"}},
        {Installer("newer.exe"), "/HELP /SILENT" + SilentLog("help.log"), {"Switches:", "/ALLOWDOWNGRADE: "}},
        {Uninstaller(), "/S /?" + SilentLog("help.log"),
         {"Switches:", "/S: no window; a running Vellumar is closed", "/PURGE: ", "0  removed", "2  stopped"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(RunSilently(c.program, c.arguments), 0u);
        const std::string text = ReadText(log);
        for (const auto& line : c.lines) EXPECT_TRUE(Contains(text, line)) << line << "\n" << text;
        EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion()) << "help installed or removed something";
        EXPECT_TRUE(Exists(InstalledExe()));
    }

    // Interactive: a message box with the switches; OK ends the setup with 0.
    Process setup;
    ASSERT_TRUE(setup.Start(Installer("newer.exe"), "/?"));
    const HWND box = WaitForMessageBox("Vellumar " + NewVersion() + " Setup");
    ASSERT_TRUE(box) << "no help box";
    EXPECT_FALSE(TextContaining(box, "/FORCECLOSEAPPLICATIONS").empty());
    EXPECT_FALSE(TextContaining(box, "4  this setup file is damaged").empty());
    SaveScreenshot(box, Env("VELLUMAR_SCREENSHOTS") + "\\installer-help-96dpi.bmp");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.ExitCode(), 0u);
    EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
}

TEST(Installer, DamagedSetupEndsWithItsExitCodeAndALogLineAndNoWindow) {
    // A byte changed after signing (tampered.exe), and the first part of a download.
    const std::string truncated = Installer("truncated.exe");
    const std::string whole = ReadText(Installer("newer.exe"));
    WriteTestFile(truncated, whole.substr(0, whole.size() * 3 / 5));
    struct C {
        std::string setup, switches, reason;
    };
    const C cases[] = {
        {"tampered.exe", "/VERYSILENT", "(its content does not match its digest)"},
        {"truncated.exe", "/SILENT", "(no digest: the file is incomplete)"},
        {"tampered.exe", "/S /FORCECLOSEAPPLICATIONS", "(its content does not match its digest)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setup + " " + c.switches);
        const Leftovers before;
        EXPECT_EQ(RunSilently(Installer(c.setup), c.switches + SilentLog("damaged.log")), kDamaged);
        const std::string text = ReadText(LogFile("damaged.log"));
        EXPECT_TRUE(Contains(text, "Stopped: this setup file is damaged " + c.reason + "; please download it again"))
            << text;
        EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
        EXPECT_TRUE(Leftovers() == before);
    }
}

TEST(Installer, LogIsNeverWrittenThroughALink) {
    // tests/release/run-installer-tests made C:\linktest: victim.txt, symlink.log (a link to it)
    // and dirlink (a link to the folder elsewhere), as a user could before an elevated run.
    const std::string dir = "C:\\linktest\\";
    ASSERT_EQ(ReadText(dir + "victim.txt"), "victim");
    ASSERT_TRUE(CreateHardLinkW(Widen(dir + "hard.log").c_str(), Widen(dir + "victim.txt").c_str(), nullptr));
    for (const char* path : {"symlink.log", "hard.log", "dirlink\\setup.log"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT /? /LOG=\"" + dir + path + "\""), 0u);
        EXPECT_EQ(ReadText(dir + "victim.txt"), "victim");
    }
    EXPECT_FALSE(Exists(dir + "elsewhere\\setup.log"));
    // A plain file is written, and the uninstaller takes the same care.
    EXPECT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT /? /LOG=\"" + dir + "plain.log\""), 0u);
    EXPECT_TRUE(Contains(ReadText(dir + "plain.log"), "Switches:"));
    EXPECT_EQ(RunSilently(Uninstaller(), "/S /? /LOG=\"" + dir + "symlink.log\""), 0u);
    EXPECT_EQ(ReadText(dir + "victim.txt"), "victim");
}

TEST(Installer, RefusesInstallersOfAnotherPublisherOrChangedAfterSigning) {
    ASSERT_TRUE(Exists(InstalledExe()));
    struct C {
        const char* installer;
        std::string refusal;
    };
    const C cases[] = {
        {"other.exe", "Update refused : the installer is not signed by this program's publisher"},
        {"tampered.exe", "Update refused : the installer's signature is not valid (0x80096010)"},
        // Our own publisher's signature on a build that is not newer: no rollback.
        {"current.exe", "Update refused : installer version " + OldVersion() + " is not above the running " +
                            OldVersion()},
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
        EXPECT_TRUE(Contains(ReadText(DataFolder() + "Vellumar.log"), c.refusal));
        EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion());
        EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
    }
}

TEST(Installer, RunningProgramStopsTheInstallUnlessToldToCloseIt) {
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow(L"VellumarWindow", "Vellumar v" + OldVersion()));
    const std::string log = LogFile("install-running.log");
    EXPECT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT /NOICONS /LOG=\"" + log + "\"", {program.pid}),
              kStopped);
    EXPECT_FALSE(program.Ended(0)) << "the installer closed the program without being told to";
    EXPECT_TRUE(Contains(ReadText(log), "Stopped: Vellumar is running"));

    Bystander bystander;
    EXPECT_EQ(RunSilently(Installer("current.exe"), "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=\"" + log + "\"",
                          {program.pid}),
              0u);
    EXPECT_TRUE(program.Ended(0));
    EXPECT_TRUE(bystander.Alive());
    EXPECT_TRUE(Contains(ReadText(log), "Vellumar closed"));
}

TEST(Installer, FileInUseStopsTheInstallBeforeAnythingChanges) {
    ASSERT_EQ(FileVersionText(InstalledExe()), OldVersion());
    const std::string dll = InstallFolder() + "\\libssl-3-x64.dll";
    HANDLE held = CreateFileW(Widen(dll).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunSilently(Installer("newer.exe"), "/VERYSILENT /NOICONS" + SilentLog("in-use.log")), kStopped);
    CloseHandle(held);
    EXPECT_TRUE(Contains(ReadText(LogFile("in-use.log")), "Stopped: " + dll + " is in use"));
    EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion()) << "half an upgrade";
    EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
}

TEST(Installer, InstalledProgramUpdatesItselfKeepingSettingsAndLog) {
    ASSERT_TRUE(Exists(InstalledExe()));
    // The user's settings from the runs before, and a mark in them that an update must keep.
    MarkSettings();
    Serve(Installer("newer.exe"));
    Bystander bystander;
    Program program;
    StartAndChooseAutomaticUpdate(program);
    ASSERT_TRUE(program.Ended(60000)) << "the program did not quit for the update";
    DWORD code = 1;
    GetExitCodeProcess(program.handle, &code);
    EXPECT_EQ(code, 0u);
    // The installer runs on after the program has quit.
    const std::string updateLog = DataFolder() + "update.log";
    EXPECT_TRUE(WaitUntil([&] { return Contains(ReadText(updateLog), "Exit code 0"); }, 90000)) << ReadText(updateLog);
    EXPECT_EQ(FileVersionText(InstalledExe()), NewVersion());
    EXPECT_EQ(UninstallValue("DisplayVersion"), NewVersion());
    EXPECT_TRUE(Contains(ReadText(updateLog), "command line: /FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG="));
    EXPECT_TRUE(bystander.Alive());
    EXPECT_TRUE(Exists(Shortcut())) << "an update keeps the user's shortcut";
    EXPECT_EQ(SettingsMark(), "kept");
    EXPECT_TRUE(Contains(ReadText(DataFolder() + "Vellumar.log"), "Starting update process"));
}

TEST(Installer, OlderVersionIsRefusedOverANewerOneUnlessAllowed) {
    ASSERT_EQ(UninstallValue("DisplayVersion"), NewVersion());
    const std::string log = LogFile("downgrade.log");
    EXPECT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT" + SilentLog("downgrade.log")), kNewer);
    EXPECT_TRUE(Contains(ReadText(log), "Stopped: version " + NewVersion() + " is installed, newer than " + OldVersion()))
        << ReadText(log);
    EXPECT_EQ(FileVersionText(InstalledExe()), NewVersion());

    // Interactive: a message says so, and the exit code is the same.
    Process setup;
    ASSERT_TRUE(setup.Start(Installer("current.exe")));
    const HWND box = WaitForMessageBox("Vellumar " + OldVersion() + " Setup");
    ASSERT_TRUE(box) << "no message about the newer version";
    EXPECT_FALSE(TextContaining(box, "A newer version of Vellumar, " + NewVersion() + ", is installed.").empty());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.ExitCode(), kNewer);
    EXPECT_EQ(FileVersionText(InstalledExe()), NewVersion());

    EXPECT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT /ALLOWDOWNGRADE" + SilentLog("downgrade.log")), 0u);
    EXPECT_TRUE(Contains(ReadText(log), "Replacing the newer version " + NewVersion() + " with " + OldVersion()));
    EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion());
    EXPECT_EQ(UninstallValue("DisplayVersion"), OldVersion());
    EXPECT_EQ(SettingsMark(), "kept");
}

TEST(Installer, SilentFolderGivenWithDMovesTheInstalledCopy) {
    ASSERT_EQ(UninstallValue("InstallLocation"), InstallFolder());
    const std::string moved = "C:\\Apps\\Vellumar";
    const std::string log = LogFile("move.log");
    ASSERT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT" + SilentLog("move.log") + " /D=" + moved), 0u);
    const std::string text = ReadText(log);
    for (const std::string& line : {"Folder given: " + moved + " (/D=)",
                                    "Moving Vellumar from " + InstallFolder() + " to " + moved,
                                    "Secured " + moved + ": administrators and SYSTEM full control, users read and execute",
                                    std::string("Done")})
        EXPECT_TRUE(Contains(text, line)) << line << "\n" << text;
    EXPECT_TRUE(Exists(moved + "\\vellumar.exe"));
    EXPECT_EQ(UninstallValue("InstallLocation"), moved);
    EXPECT_EQ(UninstallValue("UninstallString"), "\"" + moved + "\\uninstall.exe\"");
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder()); }, 30000)) << "the old copy stayed";
    EXPECT_EQ(SettingsMark(), "kept");

    // Folders that are refused: nothing changes.
    CreateDirectoryW(L"C:\\Busy", nullptr);
    WriteTestFile("C:\\Busy\\notes.txt", "someone's");
    for (const std::string& folder : {std::string("C:\\Busy"), std::string("C:\\")}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT" + SilentLog("move.log") + " /D=" + folder),
                  kFolderRefused);
        EXPECT_TRUE(Contains(ReadText(log), "Stopped: " + folder)) << ReadText(log);
        EXPECT_EQ(UninstallValue("InstallLocation"), moved);
    }
    EXPECT_EQ(ReadText("C:\\Busy\\notes.txt"), "someone's");

    // And back into Program Files, which keeps its own permissions.
    ASSERT_EQ(RunSilently(Installer("current.exe"), "/VERYSILENT" + SilentLog("move.log") + " /D=" + InstallFolder()), 0u);
    EXPECT_FALSE(Contains(ReadText(log), "Secured "));
    EXPECT_EQ(UninstallValue("InstallLocation"), InstallFolder());
    EXPECT_TRUE(WaitUntil([&] { return !Exists(moved); }, 30000));
}

TEST(Installer, SilentUninstallWaitsForItsWorkAndLeavesOnlyTheUsersData) {
    ASSERT_TRUE(Exists(InstalledExe()));
    MarkSettings();
    const auto quiet = UninstallValue("QuietUninstallString");
    ASSERT_TRUE(quiet);
    const Leftovers before;
    const std::string log = LogFile("uninstall.log");
    ASSERT_EQ(RunSilently(Uninstaller(), "/S" + SilentLog("uninstall.log")), 0u);
    // Done when it returns: only uninstall.exe itself goes a moment later.
    for (const char* file : {"vellumar.exe", "libcrypto-3-x64.dll", "libssl-3-x64.dll", "licenses"})
        EXPECT_FALSE(Exists(InstallFolder() + "\\" + file)) << file;
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_TRUE(Contains(ReadText(log), "uninstall.exe " + OldVersion() + " (x64), command line: /S")) << ReadText(log);
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder()); }, 30000));
    EXPECT_FALSE(Exists(ProgramFiles() + "\\Quintavo"));
    const auto maker = RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo", KEY_READ, false);
    EXPECT_FALSE(maker.ReadString("Vellumar")) << "the program's path value goes";
    // The user's data stays: settings and the data folder with the log.
    EXPECT_EQ(SettingsMark(), "kept");
    EXPECT_TRUE(Exists(DataFolder() + "Vellumar.log"));
    const Leftovers after;
    EXPECT_EQ(after.temp, before.temp) << Join(after.temp);
    std::set<std::string> programFiles = before.programFiles;
    programFiles.erase("Quintavo");
    EXPECT_EQ(after.programFiles, programFiles) << Join(after.programFiles);
}

TEST(Installer, UninstallClosesARunningCopyOnlyWhenToldAndOrphansNothing) {
    struct C {
        const char* switches;
    };
    for (const C c : {C{"/S"}, C{"/VERYSILENT /FORCECLOSEAPPLICATIONS"}}) {
        SCOPED_TRACE(c.switches);
        InstallSilently("current.exe");
        MarkSettings();
        Program program;
        ASSERT_TRUE(program.Start());
        ASSERT_TRUE(program.WaitForWindow(L"VellumarWindow", "Vellumar v" + OldVersion()));
        const std::string log = LogFile("uninstall-running.log");

        EXPECT_EQ(RunSilently(Uninstaller(), "/VERYSILENT" + SilentLog("uninstall-running.log"), {program.pid}), kStopped);
        EXPECT_TRUE(Contains(ReadText(log), "Stopped: Vellumar is running")) << ReadText(log);
        EXPECT_FALSE(program.Ended(0));
        EXPECT_TRUE(Exists(InstalledExe()));
        EXPECT_TRUE(UninstallEntryExists()) << "a stopped uninstall keeps the entry";

        EXPECT_EQ(RunSilently(Uninstaller(), std::string(c.switches) + SilentLog("uninstall-running.log"), {program.pid}),
                  0u);
        EXPECT_TRUE(program.Ended(0)) << "the program was not closed first";
        EXPECT_TRUE(Contains(ReadText(log), "Vellumar closed"));
        EXPECT_FALSE(UninstallEntryExists());
        EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder()); }, 30000)) << "files orphaned";
        // The closing program saw itself installed: its settings stayed in the registry.
        EXPECT_EQ(SettingsMark(), "kept");
    }
}

TEST(Installer, PurgeRemovesTheUsersSettingsAndLog) {
    InstallSilently("current.exe");
    MarkSettings();
    WriteTestFile(DataFolder() + "Vellumar.log", "a log");
    ASSERT_EQ(RunSilently(Uninstaller(), "/S /PURGE"), 0u);
    EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_READ, false).IsOpen());
    EXPECT_FALSE(Exists(DataFolder() + "Vellumar.log"));
    EXPECT_FALSE(Exists(DataFolder()));
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder()); }, 30000));
}

// The upgrade wizard over a running copy, then the uninstall wizard over the copy it started;
// a screenshot of every page.
void RunBothWizards(int dpi) {
    RegistryGuard desktop(HKEY_CURRENT_USER, L"Control Panel\\Desktop");
    RegistryKey::Open(HKEY_CURRENT_USER, "Control Panel\\Desktop", KEY_ALL_ACCESS, true).WriteDword("LogPixels", dpi);
    InstallSilently("current.exe");
    MarkSettings();
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow(L"VellumarWindow", "Vellumar v" + OldVersion()));

    if (dpi == 96) {
        // Cancel, confirmed: exit code 1, nothing changed.
        Process cancelled;
        ASSERT_TRUE(cancelled.Start(Installer("newer.exe")));
        const Wizard c = Wizard::WaitFor("Vellumar " + NewVersion() + " Setup", dpi);
        ASSERT_TRUE(c.frame && c.WaitForPage("Welcome to Vellumar " + NewVersion() + " Setup"));
        Click(GetDlgItem(c.frame, IDCANCEL));
        const HWND sure = WaitForMessageBox("Vellumar " + NewVersion() + " Setup");
        ASSERT_TRUE(sure);
        PostMessageW(sure, WM_COMMAND, IDYES, 0);
        EXPECT_EQ(cancelled.ExitCode(), 1u);
        EXPECT_EQ(FileVersionText(InstalledExe()), OldVersion());
    }

    Process setup;
    ASSERT_TRUE(setup.Start(Installer("newer.exe")));
    const Wizard w = Wizard::WaitFor("Vellumar " + NewVersion() + " Setup", dpi);
    ASSERT_TRUE(w.frame) << "no setup wizard";
    ASSERT_TRUE(w.WaitForPage("Welcome to Vellumar " + NewVersion() + " Setup"));
    EXPECT_FALSE(w.Text("Setup will upgrade it: " + OldVersion() + " → " + NewVersion()).empty());
    w.Shot("installer-welcome");
    w.Next();
    ASSERT_TRUE(w.WaitForPage("License Agreement"));
    EXPECT_FALSE(w.Text("Vellumar is proprietary software of Quintavo").empty());
    EXPECT_FALSE(w.Text("The OpenSSL Project Authors").empty());
    w.Shot("installer-licence");
    w.Next();
    ASSERT_TRUE(w.WaitForPage("Choose Install Location"));
    EXPECT_FALSE(w.Text("Setup upgrades it there").empty());
    w.Shot("installer-folder");
    w.Next();
    ASSERT_TRUE(w.WaitForPage("Vellumar is running"));
    w.Shot("installer-running");
    w.Next();  // Retry: it still runs
    EXPECT_TRUE(WaitUntil([&] { return !w.Text("Vellumar is still running.").empty(); }, 10000));
    EXPECT_FALSE(program.Ended(0));
    ASSERT_TRUE(w.ClickText("Close &it"));
    EXPECT_TRUE(program.Ended(20000)) << "Close it did not close the program";
    ASSERT_TRUE(w.WaitForPage("Installation Complete"));
    w.Shot("installer-progress");
    w.Next();
    ASSERT_TRUE(w.WaitForPage("Vellumar " + NewVersion() + " is installed"));
    const HWND run = ChildWithText(w.frame, "Run Vellumar");
    ASSERT_TRUE(run);
    EXPECT_EQ(SendMessageW(run, BM_GETCHECK, 0, 0), BST_CHECKED);
    w.Shot("installer-finish");
    w.Next();
    EXPECT_EQ(setup.ExitCode(), 0u);
    EXPECT_EQ(FileVersionText(InstalledExe()), NewVersion());
    EXPECT_TRUE(WaitUntil([] { return ProgramMainWindow(NewVersion()) != nullptr; }, 60000)) << "Run Vellumar started nothing";

    Process uninstall;
    ASSERT_TRUE(uninstall.Start(Uninstaller()));
    const Wizard u = Wizard::WaitFor("Vellumar " + NewVersion() + " Uninstall", dpi);
    ASSERT_TRUE(u.frame) << "no uninstall wizard";
    ASSERT_TRUE(u.WaitForPage("Uninstall Vellumar"));
    const HWND purge = ChildWithText(u.frame, "Also remove my &settings and log");
    ASSERT_TRUE(purge);
    EXPECT_EQ(SendMessageW(purge, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    u.Shot("uninstaller-confirm");
    u.Next();
    ASSERT_TRUE(u.WaitForPage("Vellumar is running"));
    u.Shot("uninstaller-running");
    ASSERT_TRUE(u.ClickText("Close &it"));
    ASSERT_TRUE(u.WaitForPage("Removed"));
    u.Shot("uninstaller-progress");
    u.Next();
    ASSERT_TRUE(u.WaitForPage("Vellumar has been removed"));
    u.Shot("uninstaller-finish");
    u.Next();
    EXPECT_EQ(uninstall.ExitCode(), 0u);
    EXPECT_FALSE(ProgramMainWindow(NewVersion()));
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder()); }, 30000));
    EXPECT_EQ(SettingsMark(), "kept");
}

TEST(Installer, WizardsAt96And144Dpi) {
    AnswerUpdateCheck(OldVersion());  // no update offer over the pages
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        RunBothWizards(dpi);
        if (HasFatalFailure()) break;
    }
    AnswerUpdateCheck(NewVersion());
}

}  // namespace
