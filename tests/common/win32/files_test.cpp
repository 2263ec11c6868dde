#include "common/win32/files.h"

#include <windows.h>

#include <winioctl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/win32/fixtures.h"
#include "common/win32/long_path.h"
#include "common/win32/shell.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

bool Exists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }
void MakeFolder(const std::string& path) { ASSERT_TRUE(CreateDirectoryW(Widen(path).c_str(), nullptr)) << path; }

std::string ThisProgram() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Narrow(path);
}

// Restores the wide-path mode that the process probed.
struct EightBitMode {
    EightBitMode() { OverrideWidePathMode(false); }
    ~EightBitMode() { OverrideWidePathMode(std::nullopt); }
};

TEST(DataFolder, MadeUnderTheApplicationDataFolder) {
    const std::string appData = GetSpecialFolder(CSIDL_APPDATA);
    ASSERT_FALSE(appData.empty());
    const std::string maker = appData + "\\Quintavo";
    const bool makerExisted = Exists(maker);

    const std::string folder = DataFolder("Z:\\portable\\vellumar.exe", "VellumarDataTest");
    EXPECT_EQ(folder, maker + "\\VellumarDataTest\\");
    EXPECT_TRUE(LongDirectoryExists(folder));

    // Another program's data folder keeps the maker folder; without one it goes.
    RemoveEmptyMakerFolder();
    EXPECT_TRUE(Exists(maker));
    RemoveDirectoryW(Widen(folder).c_str());
    RemoveEmptyMakerFolder();
    EXPECT_EQ(Exists(maker), makerExisted);
}

TEST(DataFolder, FallsBackToTheProgramFolder) {
    const std::string appData = GetSpecialFolder(CSIDL_APPDATA);
    const std::string maker = appData + "\\Quintavo";
    const bool makerExisted = Exists(maker);
    if (!makerExisted) MakeFolder(maker);
    // A file where the data folder should be stops it from being made.
    const std::string blocker = maker + "\\VellumarBlocked";
    WriteTestFile(blocker, "x");

    EXPECT_EQ(DataFolder("Z:\\portable\\vellumar.exe", "VellumarBlocked"), "Z:\\portable\\");

    DeleteFileW(Widen(blocker).c_str());
    if (!makerExisted) RemoveDirectoryW(Widen(maker).c_str());

    // No application-data folder at all.
    EXPECT_EQ(DataFolderIn("", "C:\\Program Files\\Vellumar\\vellumar.exe", "Vellumar"),
              "C:\\Program Files\\Vellumar\\");
    TempFolder temp;
    RemoveEmptyMakerFolderIn("");  // nothing to do, nothing to fail
    EXPECT_EQ(DataFolderIn(temp.Path(), "C:\\p\\v.exe", "Vellumar"), temp.Path("Quintavo\\Vellumar\\"));
}

TEST(VirtualStore, DeletesOnlyTheProgramsSpkFiles) {
    const std::string local = GetSpecialFolder(CSIDL_LOCAL_APPDATA);
    ASSERT_FALSE(local.empty());
    const std::string programFolder = "C:\\VellumarStoreTest\\";
    const std::string store = local + "\\VirtualStore";
    const bool storeExisted = Exists(store);
    EXPECT_EQ(CleanVirtualStore(programFolder), "") << "no mirror, nothing to clean";

    if (!storeExisted) MakeFolder(store);
    const std::string mirror = store + "\\VellumarStoreTest\\";
    MakeFolder(mirror);
    WriteTestFile(mirror + "a.SPK", "1");
    SetFileAttributesW(Widen(mirror + "a.SPK").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    WriteTestFile(mirror + "b.txt", "2");
    WriteTestFile(mirror + "c.SPKX", "3");

    EXPECT_EQ(CleanVirtualStore(programFolder), mirror);
    EXPECT_FALSE(Exists(mirror + "a.SPK"));
    EXPECT_TRUE(Exists(mirror + "b.txt"));
    EXPECT_TRUE(Exists(mirror + "c.SPKX"));

    // With only its own files left, the mirror goes too.
    DeleteFileW(Widen(mirror + "b.txt").c_str());
    DeleteFileW(Widen(mirror + "c.SPKX").c_str());
    WriteTestFile(mirror + "d.spk", "4");
    EXPECT_EQ(CleanVirtualStore(programFolder), mirror);
    EXPECT_FALSE(Exists(mirror));
    if (!storeExisted) RemoveDirectoryW(Widen(store).c_str());
}

TEST(VirtualStore, TreeDeletionFollowsFoldersNamedLikeTheFiles) {
    TempFolder temp;
    MakeFolder(temp.Path("x.SPK"));
    WriteTestFile(temp.Path("x.SPK\\inner.SPK"), "1");
    MakeFolder(temp.Path("keep"));
    WriteTestFile(temp.Path("keep\\inner.SPK"), "2");
    WriteTestFile(temp.Path("top.SPK"), "3");

    EXPECT_TRUE(DeleteTreeByExt(temp.Path(), "SPK"));
    EXPECT_FALSE(Exists(temp.Path("x.SPK")));
    EXPECT_FALSE(Exists(temp.Path("top.SPK")));
    EXPECT_TRUE(Exists(temp.Path("keep\\inner.SPK"))) << "only folders named *.SPK are searched";
    EXPECT_TRUE(Exists(temp.Path()));
}

TEST(FileVersion, FromTheVersionResource) {
    TempFolder temp;
    WriteTestFile(temp.Path("plain.txt"), "no resource here");
    EXPECT_EQ(FileVersionText(ThisProgram()), "1.6.3.18");
    EXPECT_EQ(FileVersionText(temp.Path("missing.exe")), "File not found");
    EXPECT_EQ(FileVersionText(temp.Path("plain.txt")), "");
    EXPECT_EQ(FileVersionText(temp.Path()), "File not found") << "a folder is no file";

    const EightBitMode narrow;
    EXPECT_EQ(FileVersionText(ThisProgram()), "1.6.3.18");
}

TEST(FileSize, LargeSparseFileThroughBothLookups) {
    TempFolder temp;
    const std::string big = temp.Path("big.bin");
    const uint64_t size = (uint64_t{5} << 30) + 3;  // past 4 GiB, so the high part counts
    {
        const UniqueFile file(CreateFileW(Widen(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    EXPECT_EQ(FileSize64(big), size);
    // A wildcard defeats the attribute call; the search finds the file instead.
    EXPECT_EQ(FileSize64(temp.Path("big.b?n")), size);
    EXPECT_EQ(FileSize64(temp.Path("none.bin")), 0u);
    EXPECT_TRUE(FileHasContent(big));
}

TEST(FileSize, ContentNeedsANonEmptyFile) {
    TempFolder temp;
    WriteTestFile(temp.Path("empty.txt"), "");
    WriteTestFile(temp.Path("one.txt"), "1");
    // Outside WOW64 both answer alike.
    for (const auto hasContent : {&FileHasContent, &FileHasContentWithRedirection}) {
        EXPECT_FALSE(hasContent(temp.Path("empty.txt")));
        EXPECT_TRUE(hasContent(temp.Path("one.txt")));
        EXPECT_FALSE(hasContent(temp.Path()));
        EXPECT_FALSE(hasContent(temp.Path("missing.txt")));
    }
}

TEST(LongPath, ExistenceAndCreation) {
    TempFolder temp;
    WriteTestFile(temp.Path("f.txt"), "1");
    MakeFolder(temp.Path("d"));
    DWORD drives = GetLogicalDrives();
    char missingDrive = 0;
    for (char letter = 'Y'; letter >= 'D' && !missingDrive; --letter)
        if (!(drives & (1u << (letter - 'A')))) missingDrive = letter;

    for (const bool wide : {true, false}) {
        OverrideWidePathMode(wide);
        SCOPED_TRACE(wide ? "wide" : "8-bit");
        EXPECT_TRUE(LongFileExists(temp.Path("f.txt")));
        EXPECT_TRUE(LongFileExists(temp.Path("f.*"))) << "wildcards match";
        EXPECT_FALSE(LongFileExists(temp.Path("d")));
        EXPECT_FALSE(LongFileExists(temp.Path("g.txt")));
        EXPECT_TRUE(LongDirectoryExists(temp.Path("d")));
        EXPECT_TRUE(LongDirectoryExists(temp.Path("d") + "\\"));
        EXPECT_FALSE(LongDirectoryExists(temp.Path("f.txt")));
        EXPECT_FALSE(LongDirectoryExists(temp.Path("e")));
        EXPECT_TRUE(LongDirectoryExists("C:"));
        EXPECT_TRUE(LongDirectoryExists("c:\\"));
        if (missingDrive) {
            EXPECT_FALSE(LongDirectoryExists(std::string(1, missingDrive) + ":"));
        }
        const std::string made = temp.Path(wide ? "made_wide" : "made_ansi");
        EXPECT_TRUE(LongCreateDirectory(made));
        EXPECT_TRUE(LongDirectoryExists(made));
        EXPECT_FALSE(LongCreateDirectory(made)) << "already there";
    }
    OverrideWidePathMode(std::nullopt);

    // Past the classic limit of 260 characters.
    std::string deep = temp.Path();
    while (deep.size() < 400) {
        deep += "\\" + std::string(40, 'n');
        ASSERT_TRUE(LongCreateDirectory(deep)) << deep.size();
    }
}

TEST(FolderSearch, FindsFilesInTheWholeTree) {
    TempFolder temp;
    MakeFolder(temp.Path("a"));
    MakeFolder(temp.Path("a\\deeper"));
    MakeFolder(temp.Path("b.exe"));  // a folder, whatever its name
    WriteTestFile(temp.Path("a\\SETUP.EXE"), "1");
    WriteTestFile(temp.Path("a\\deeper\\tool.Exe"), "2");
    WriteTestFile(temp.Path("top.exe"), "3");
    WriteTestFile(temp.Path("notes.txt"), "4");
    WriteTestFile(temp.Path("setup.exe.txt"), "5");

    std::vector<std::string> found{"kept"};
    FindFilesByExt(temp.Path(), ".exe", found);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front(), "kept") << "entries already in the list stay";
    EXPECT_THAT(std::vector<std::string>(found.begin() + 1, found.end()),
                UnorderedElementsAre(temp.Path("a\\SETUP.EXE"), temp.Path("a\\deeper\\tool.Exe"),
                                     temp.Path("top.exe")));

    std::vector<std::string> named;
    FindFilesByName(temp.Path() + "\\", "setup.exe", named);
    EXPECT_THAT(named, ElementsAre(temp.Path("a\\SETUP.EXE")));

    std::vector<std::string> files, folders;
    ListFiles(temp.Path(), files);
    ListSubfolders(temp.Path(), folders);
    EXPECT_THAT(files, UnorderedElementsAre(temp.Path("top.exe"), temp.Path("notes.txt"),
                                            temp.Path("setup.exe.txt")));
    EXPECT_THAT(folders, UnorderedElementsAre(temp.Path("a"), temp.Path("b.exe")));
    std::vector<std::string> asSeen;
    ListSubfoldersWithRedirection(temp.Path(), asSeen);
    EXPECT_THAT(asSeen, UnorderedElementsAreArray(folders));

    std::vector<std::string> none;
    FindFilesByExt(temp.Path("missing"), ".exe", none);
    ListFiles(temp.Path("missing"), none);
    EXPECT_TRUE(none.empty());
}

}  // namespace
