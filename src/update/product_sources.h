#pragma once
// Everything product identification reads from the machine, behind one interface:
// the Windows layer implements it over the file system and the registry, tests over
// maps. Every read that fails gives an empty result, never an error.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/file_info.h"

enum class RegistryHive { LocalMachine, CurrentUser };

// One subkey of the Uninstall key whose DisplayName is a string value.
struct UninstallEntry {
    std::string DisplayName;
    std::string DisplayVersion;
    std::string InstallLocation;
    std::string DisplayIcon;
    std::string Publisher;
};

class ProductSources {
public:
    virtual ~ProductSources() = default;

    // The eight strings of the file's version resource; all empty without one.
    virtual FileVersionInfoRec ReadVersionInfo(const std::string& file) = 0;
    // The fixed file version as four decimal parts; "" without a resource or a file.
    virtual std::string FileVersionText(const std::string& file) = 0;
    virtual bool IsPe64(const std::string& file) = 0;
    // The file exists, is not a folder and is not empty.
    virtual bool FileHasContent(const std::string& file) = 0;
    // The raw bytes of a small side file (INI, XML, log); nullopt when unreadable.
    virtual std::optional<std::string> ReadSideFile(const std::string& file) = 0;
    // Names (not paths) of the folders directly in a folder.
    virtual std::vector<std::string> ListSubfolders(const std::string& folder) = 0;

    // Entries under SOFTWARE\ + view + Microsoft\Windows\CurrentVersion\Uninstall\,
    // view being "" or "Wow6432Node\".
    virtual std::vector<UninstallEntry> UninstallEntries(RegistryHive hive, std::string_view view) = 0;
    // A string value as it is, a DWORD in decimal; "" when missing.
    virtual std::string RegistryText(RegistryHive hive, const std::string& key, const std::string& value) = 0;

    // 64-bit Windows: 32-bit programs register under Wow6432Node.
    virtual bool HasWow6432View() = 0;
    // A 32-bit process under WOW64, whose system32 is redirected.
    virtual bool RunsUnderWow64() = 0;
    virtual std::string SystemFolder() = 0;
};
