#pragma once
// File and folder primitives that work past the classic path length limit. They use the wide
// calls when a wide directory search of the Windows folder works (decided once per process),
// otherwise the 8-bit calls with the path in the ANSI code page. Paths are UTF-8.
#include <windows.h>

#include <optional>
#include <string_view>

bool WidePathMode();
// Tests force either mode; nullopt goes back to the probed one.
void OverrideWidePathMode(std::optional<bool> wide);

// A file, not a folder, matches Path (wildcards match as in any search).
bool LongFileExists(std::string_view path);
// A folder exists at Path; a drive root ("C:" or "C:\") exists when its drive type is known.
// A trailing separator is allowed.
bool LongDirectoryExists(std::string_view path);
// Creates one folder. In wide mode the path goes to the system in its "\\?\" (or "\\?\UNC\") form.
bool LongCreateDirectory(std::string_view path, SECURITY_ATTRIBUTES* security = nullptr);

// The first search match of Path (FindFirstFile in the current mode), closed again.
struct FoundEntry {
    DWORD attributes = 0;
    uint64_t size = 0;
};
std::optional<FoundEntry> FindFirstEntry(std::string_view path);
