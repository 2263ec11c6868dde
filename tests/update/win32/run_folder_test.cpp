#include "update/win32/run_folder.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "common/win32/fixtures.h"
#include "update/win32/prepared_installer.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void Touch(const std::string& path) {
    std::ofstream(std::filesystem::path(Widen(path)), std::ios::binary) << "MZ";
}

// A folder of the data folder with a file in it; the path with the final backslash.
std::string Folder(const TempFolder& data, const std::string& name, const char* file = "update.exe") {
    const std::string folder = data.Path(name) + "\\";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    if (file) Touch(folder + file);
    return folder;
}

// A program started from a run folder and working there, as the installer is; it waits
// for its input to close.
class RunningInstaller {
public:
    explicit RunningInstaller(const std::string& folder) {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        folder_ = Widen(folder);
        const std::wstring exe = folder_ + L"update.exe";
        ok_ = CopyFileW((std::wstring(system) + L"\\cmd.exe").c_str(), exe.c_str(), FALSE);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr;
        ok_ = ok_ && CreatePipe(&read, &input_, &inherit, 0);
        if (!ok_) return;
        SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = read;
        si.hStdOutput = si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::wstring line = L"\"" + exe + L"\" /q";
        ok_ = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             folder_.c_str(), &si, &pi_);
        CloseHandle(read);
    }
    ~RunningInstaller() { Stop(); }
    bool ok() const { return ok_; }
    // Closes its input and waits for it to end and for its folder to be let go (under Wine
    // the console host started with it holds the folder a moment longer).
    void Stop() {
        if (input_) CloseHandle(input_);
        input_ = nullptr;
        if (pi_.hProcess) {
            WaitForSingleObject(pi_.hProcess, 10000);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
            for (int i = 0; i < 500; ++i) {
                const Unique<FileHandleTraits> exclusive(
                    CreateFileW(folder_.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
                if (exclusive) break;
                Sleep(20);
            }
        }
        pi_ = {};
    }

private:
    std::wstring folder_;
    bool ok_ = false;
    HANDLE input_ = nullptr;
    PROCESS_INFORMATION pi_{};
};

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// The folder's DACL in SDDL, "" when it cannot be read.
std::string FolderDacl(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(Widen(folder).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return "";
    wchar_t* text = nullptr;
    std::string dacl;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)) {
        dacl = Narrow(text);
        LocalFree(text);
    }
    LocalFree(descriptor);
    return dacl;
}

TEST(RunFolder, NewFoldersAreEmptyAndDistinct) {
    TempFolder data;
    const std::string dir = data.Path() + "\\";
    const std::string a = NewRunFolder(dir);
    const std::string b = NewRunFolder(dir);
    ASSERT_NE(a, "");
    ASSERT_NE(b, "");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir + "update-", 0), 0u) << a;
    EXPECT_EQ(a.back(), '\\');
    // Nothing inherited from the data folder: the user, administrators and the system alone.
    // Wine keeps no folder DACL (it shows one made from the Unix mode): Windows alone shows it.
    if (!RunningUnderWine()) {
        const std::string dacl = FolderDacl(a);
        EXPECT_EQ(dacl.rfind("D:P(A;OICI;FA;;;S-1-", 0), 0u) << dacl;
        EXPECT_NE(dacl.find(")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"), std::string::npos) << dacl;
        EXPECT_EQ(std::count(dacl.begin(), dacl.end(), '('), 3) << dacl;
    }
    EXPECT_TRUE(RemoveRunFolder(a));
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(NewRunFolder(data.Path("missing") + "\\"), "");
}

TEST(RunFolder, LeftOversGoTheOneInUseAndOthersStay) {
    TempFolder data;
    const std::string dir = data.Path() + "\\";
    const std::string stale = Folder(data, "update-0000abcd");
    Touch(stale + "installer-args.txt");
    const std::string staleEmpty = Folder(data, "update-12345678", nullptr);
    const std::string kept = Folder(data, "update-0badf00d");
    const std::string held = Folder(data, "update-00000001");
    const std::string running = Folder(data, "update-00000002", nullptr);
    const std::string nested = Folder(data, "update-00000003");
    Folder(data, "update-00000003\\sub");  // not the installer's: the folder stays
    const std::string notOurs[] = {Folder(data, "update-DEADBEEF"), Folder(data, "updates"), Folder(data, "update-1")};
    Touch(dir + "update-00000004");  // a file, not a folder

    // A file open without delete sharing, and an installer still running from its folder.
    const Unique<FileHandleTraits> open(
        CreateFileW(Widen(held + "update.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);
    RunningInstaller installer(running);
    ASSERT_TRUE(installer.ok());

    std::vector<std::string> removed = RemoveStaleRunFolders(dir, kept);
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (std::vector<std::string>{stale, staleEmpty}));
    for (const auto& gone : {stale, staleEmpty}) EXPECT_FALSE(Exists(gone)) << gone;
    for (const auto& stays : {kept + "update.exe", held + "update.exe", running + "update.exe", nested + "sub\\update.exe",
                              dir + "update-00000004"})
        EXPECT_TRUE(Exists(stays)) << stays;
    for (const auto& folder : notOurs) EXPECT_TRUE(Exists(folder + "update.exe")) << folder;

    // Once the installer has ended, its folder goes at the next tidy.
    installer.Stop();
    EXPECT_EQ(RemoveStaleRunFolders(dir, kept), std::vector<std::string>{running});
}

std::string OwnProgram() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Narrow(path);
}

// An image whose version resource is the program's own (1.6.3.18, "Vellumar"), padded
// past one read back; the loader ignores what follows the last section.
std::vector<uint8_t> VersionedImage() {
    std::ifstream in(std::filesystem::path(std::string(VELLUMAR_PRODID_IMAGES) + "/own64.exe"), std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_GT(bytes.size(), 1000u);
    bytes.resize(3u << 20, 0);
    return bytes;
}

const InstallerExpectation kOwnVersion{"Vellumar", TRenselVersion::Create("1.6.3.17"), TRenselVersion::Create("1.6.3.18")};

// The installer saved in a new run folder and held there; the test program is unsigned,
// so the download rules and the version alone apply.
TEST(PrepareInstaller, SavesAndHoldsTheDownloadInANewRunFolder) {
    TempFolder data;
    const std::string dir = data.Path() + "\\";
    const std::string stale = Folder(data, "update-0000abcd");
    const std::vector<uint8_t> bytes = VersionedImage();
    PreparedInstaller ready = PrepareInstaller(dir, bytes, OwnProgram(), kOwnVersion);
    ASSERT_TRUE(ready.Ready()) << ready.refusal;
    EXPECT_FALSE(Exists(stale));
    EXPECT_EQ(ready.file, ready.folder + "update.exe");
    EXPECT_EQ(ready.folder.rfind(dir + "update-", 0), 0u) << ready.folder;
    const Unique<FileHandleTraits> writer(CreateFileW(Widen(ready.file).c_str(), GENERIC_WRITE, FILE_SHARE_READ |
                                                      FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer) << "held against writers";
    ready.held.reset();
    std::ifstream saved(std::filesystem::path(Widen(ready.file)), std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()), bytes);

    const PreparedInstaller nowhere = PrepareInstaller(data.Path("missing") + "\\", bytes, OwnProgram(), kOwnVersion);
    EXPECT_EQ(nowhere.verdict, InstallerReadiness::NotSaved);
    EXPECT_EQ(nowhere.refusal, "cannot save " + data.Path("missing") + "\\update.exe (3)");
    EXPECT_EQ(nowhere.folder, "");
}

// The version is read from the saved file: a rollback, or an image without a version, is
// refused and its run folder removed.
TEST(PrepareInstaller, RefusesAnInstallerThatIsNotTheAnnouncedVersion) {
    TempFolder data;
    const std::string dir = data.Path() + "\\";
    const InstallerExpectation rollback{"Vellumar", TRenselVersion::Create("1.6.3.19"), TRenselVersion::Create("1.6.3.18")};
    const PreparedInstaller older = PrepareInstaller(dir, VersionedImage(), OwnProgram(), rollback);
    EXPECT_EQ(older.verdict, InstallerReadiness::Refused);
    EXPECT_EQ(older.refusal, "installer version 1.6.3.18 is not above the running 1.6.3.19");
    EXPECT_EQ(older.folder, "");
    EXPECT_FALSE(Exists(older.file));

    const PreparedInstaller bare = PrepareInstaller(dir, std::vector<uint8_t>(200000, 0x4D), OwnProgram(), kOwnVersion);
    EXPECT_EQ(bare.refusal, "the installer has no version");
}

}  // namespace
