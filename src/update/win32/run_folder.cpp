#include "update/win32/run_folder.h"

#include <windows.h>

#include "common/paths.h"
#include "common/text.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "update/update_check.h"

namespace {

struct Entry {
    std::string name;
    DWORD attributes;
};

std::vector<Entry> Entries(const std::string& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW(Widen(folder + "*").c_str(), &data));
    if (!find) return entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") entries.push_back({Narrow(name), data.dwFileAttributes});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

bool IsLinked(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

}  // namespace

std::string NewRunFolder(const std::string& dataFolder) {
    const DWORD seed = GetCurrentProcessId() ^ static_cast<DWORD>(GetTickCount64());
    for (DWORD i = 0; i < 100; ++i) {
        const std::string folder = dataFolder + RunFolderName(seed + i * 7919) + "\\";
        if (CreateDirectoryW(Widen(folder).c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return "";
    }
    return "";
}

bool RemoveRunFolder(const std::string& folder) {
    const std::string dir = WithTrailingSeparator(folder);
    for (const Entry& e : Entries(dir)) {
        if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;  // the installer makes none; what else is there stays
        DeleteFileW(Widen(dir + e.name).c_str());
    }
    return RemoveDirectoryW(Widen(dir).c_str()) != 0;
}

std::vector<std::string> RemoveStaleRunFolders(const std::string& dataFolder, const std::string& keep) {
    std::vector<std::string> removed;
    const std::string dir = WithTrailingSeparator(dataFolder);
    for (const Entry& e : Entries(dir)) {
        if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsRunFolderName(e.name)) continue;
        const std::string folder = dir + e.name + "\\";
        if (SameText(folder, WithTrailingSeparator(keep))) continue;
        // A link is removed as a link: nothing it points to is touched.
        const bool gone = IsLinked(e.attributes) ? RemoveDirectoryW(Widen(folder).c_str()) != 0 : RemoveRunFolder(folder);
        if (gone) removed.push_back(folder);
    }
    return removed;
}
