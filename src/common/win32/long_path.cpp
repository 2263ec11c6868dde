#include "common/win32/long_path.h"

#include "common/paths.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

bool ProbeWideSearch() {
    wchar_t folder[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const std::wstring pattern = std::wstring(folder, n) + (folder[n - 1] == L'\\' ? L"*.*" : L"\\*.*");
    WIN32_FIND_DATAW data;
    return UniqueFind(FindFirstFileW(pattern.c_str(), &data)).operator bool();
}

std::optional<bool>& Override() {
    static std::optional<bool> forced;
    return forced;
}

std::string AnsiPath(std::string_view utf8) { return NarrowAnsi(Widen(utf8)); }

}  // namespace

bool WidePathMode() {
    static const bool probed = ProbeWideSearch();
    return Override().value_or(probed);
}

void OverrideWidePathMode(std::optional<bool> wide) { Override() = wide; }

std::optional<FoundEntry> FindFirstEntry(std::string_view path) {
    DWORD attributes = 0, high = 0, low = 0;
    if (WidePathMode()) {
        WIN32_FIND_DATAW data;
        const UniqueFind find(FindFirstFileW(Widen(path).c_str(), &data));
        if (!find) return std::nullopt;
        attributes = data.dwFileAttributes, high = data.nFileSizeHigh, low = data.nFileSizeLow;
    } else {
        WIN32_FIND_DATAA data;
        const UniqueFind find(FindFirstFileA(AnsiPath(path).c_str(), &data));
        if (!find) return std::nullopt;
        attributes = data.dwFileAttributes, high = data.nFileSizeHigh, low = data.nFileSizeLow;
    }
    return FoundEntry{attributes, (uint64_t{high} << 32) | low};
}

bool LongFileExists(std::string_view path) {
    const auto entry = FindFirstEntry(path);
    return entry && !(entry->attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LongDirectoryExists(std::string_view path) {
    if (const auto letter = DriveRootLetter(path)) {
        const wchar_t root[] = {static_cast<wchar_t>(*letter), L':', L'\\', L'\0'};
        // A letter with no drive behind it answers "no root directory", not "unknown".
        const UINT type = GetDriveTypeW(root);
        return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
    }
    // A search for "folder\" finds nothing, so the separator goes before looking.
    const auto entry = FindFirstEntry(WithoutTrailingSeparator(path));
    return entry && (entry->attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LongCreateDirectory(std::string_view path, SECURITY_ATTRIBUTES* security) {
    if (!WidePathMode()) return CreateDirectoryA(AnsiPath(path).c_str(), security) != FALSE;
    return CreateDirectoryW(Widen(LongPathForm(path)).c_str(), security) != FALSE;
}
