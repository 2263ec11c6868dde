#include "common/win32/files.h"

#include <windows.h>

#include "common/product.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/win32/long_path.h"
#include "common/win32/shell.h"
#include "common/win32/system_info_win.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

std::string MakerFolderIn(std::string_view appDataFolder) {
    return WithTrailingSeparator(appDataFolder) + std::string(kMakerName) + "\\";
}

// Calls visit(name, attributes) for each entry of folder matching pattern, without "." and "..".
template <typename Visit>
void ForEachEntry(const std::string& folder, std::string_view pattern, Visit visit) {
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW(Widen(folder + std::string(pattern)).c_str(), &data));
    if (!find) return;
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        visit(Narrow(name), data.dwFileAttributes);
    } while (FindNextFileW(find.get(), &data));
}

// Junctions and links are not followed: some point back up the tree.
bool IsPlainFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

template <typename Match>
void FindFilesIn(const std::string& folder, const Match& match, std::vector<std::string>& list) {
    const std::string dir = WithTrailingSeparator(folder);
    ForEachEntry(dir, "*", [&](const std::string& name, DWORD attributes) {
        if (IsPlainFolder(attributes))
            FindFilesIn(dir + name, match, list);
        else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && match(name))
            list.push_back(dir + name);
    });
}

// The whole search runs in one redirection state, however deep it goes.
template <typename Body>
void WithoutRedirection(Body body) {
    SetFsRedirectionOff(true);
    body();
    SetFsRedirectionOff(false);
}

}  // namespace

std::string DataFolderIn(std::string_view appDataFolder, std::string_view exeName, std::string_view title) {
    const std::string fallback = FileFolder(exeName);
    if (appDataFolder.empty()) return fallback;
    const std::string maker = MakerFolderIn(appDataFolder);
    LongCreateDirectory(maker);  // usually there already
    const std::string folder = maker + std::string(title);
    LongCreateDirectory(folder);
    return LongDirectoryExists(folder) ? WithTrailingSeparator(folder) : fallback;
}

std::string DataFolder(std::string_view exeName, std::string_view title) {
    return DataFolderIn(GetSpecialFolder(CSIDL_APPDATA), exeName, title);
}

void RemoveEmptyMakerFolderIn(std::string_view appDataFolder) {
    if (appDataFolder.empty()) return;
    const std::string maker = MakerFolderIn(appDataFolder);
    std::vector<std::string> subfolders;
    ListSubfolders(maker, subfolders);
    if (subfolders.empty()) RemoveDirectoryW(Widen(maker).c_str());  // refuses a folder that still holds files
}

void RemoveEmptyMakerFolder() { RemoveEmptyMakerFolderIn(GetSpecialFolder(CSIDL_APPDATA)); }

std::string CleanVirtualStoreIn(std::string_view localAppDataFolder, std::string_view programFolder) {
    const auto mirror = VirtualStoreMirror(localAppDataFolder, programFolder);
    if (!mirror || !LongDirectoryExists(*mirror)) return "";
    DeleteTreeByExt(*mirror, "SPK");
    return *mirror;
}

std::string CleanVirtualStore(std::string_view programFolder) {
    return CleanVirtualStoreIn(GetSpecialFolder(CSIDL_LOCAL_APPDATA), programFolder);
}

bool DeleteTreeByExt(std::string_view folder, std::string_view ext) {
    const std::string dir = WithoutTrailingSeparator(folder) + "\\";
    const std::string suffix = "." + std::string(ext);
    ForEachEntry(dir, "*" + suffix, [&](const std::string& name, DWORD attributes) {
        // The pattern also matches 8.3 short names ("a.SPKX" is "A~1.SPK"): check the real name.
        if (!TextEndsWith(name, suffix)) return;
        const std::string path = dir + name;
        if (IsPlainFolder(attributes)) {
            DeleteTreeByExt(path, ext);
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const std::wstring wide = Widen(path);
            if (attributes != FILE_ATTRIBUTE_ARCHIVE) SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            DeleteFileW(wide.c_str());
        }
    });
    RemoveDirectoryW(Widen(dir).c_str());  // only when empty
    return true;
}

std::vector<uint8_t> ReadFileVersionBlock(std::string_view fileName) {
    const bool wide = WidePathMode();
    const std::wstring wideName = Widen(fileName);
    const std::string ansiName = NarrowAnsi(wideName);
    DWORD ignored = 0;
    const DWORD size = wide ? GetFileVersionInfoSizeW(wideName.c_str(), &ignored)
                            : GetFileVersionInfoSizeA(ansiName.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<uint8_t> block(size);
    const BOOL read = wide ? GetFileVersionInfoW(wideName.c_str(), 0, size, block.data())
                           : GetFileVersionInfoA(ansiName.c_str(), 0, size, block.data());
    if (!read) return {};
    return block;
}

std::string FileVersionText(std::string_view fileName) {
    if (!LongFileExists(fileName)) return "File not found";
    std::vector<uint8_t> block = ReadFileVersionBlock(fileName);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length == 0)
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

uint64_t FileSize64(std::string_view fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(Widen(fileName).c_str(), GetFileExInfoStandard, &data))
        return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    const auto entry = FindFirstEntry(fileName);
    return entry ? entry->size : 0;
}

bool FileHasContentWithRedirection(std::string_view fileName) {
    return LongFileExists(fileName) && FileSize64(fileName) > 0;
}

bool FileHasContent(std::string_view fileName) {
    bool content = false;
    WithoutRedirection([&] { content = FileHasContentWithRedirection(fileName); });
    return content;
}

void FindFilesByExt(std::string_view folder, std::string_view ext, std::vector<std::string>& list) {
    WithoutRedirection([&] {
        FindFilesIn(std::string(folder), [&](const std::string& name) { return SameText(FileExtension(name), ext); },
                    list);
    });
}

void FindFilesByName(std::string_view folder, std::string_view name, std::vector<std::string>& list) {
    WithoutRedirection([&] {
        FindFilesIn(std::string(folder), [&](const std::string& found) { return SameText(found, name); }, list);
    });
}

void ListFiles(std::string_view folder, std::vector<std::string>& list) {
    const std::string dir = WithTrailingSeparator(folder);
    WithoutRedirection([&] {
        ForEachEntry(dir, "*", [&](const std::string& name, DWORD attributes) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) list.push_back(dir + name);
        });
    });
}

void ListSubfoldersWithRedirection(std::string_view folder, std::vector<std::string>& list) {
    const std::string dir = WithTrailingSeparator(folder);
    ForEachEntry(dir, "*", [&](const std::string& name, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) list.push_back(dir + name);
    });
}

void ListSubfolders(std::string_view folder, std::vector<std::string>& list) {
    WithoutRedirection([&] { ListSubfoldersWithRedirection(folder, list); });
}
