#include "common/win32/installed_programs.h"

#include <windows.h>

#include "common/text.h"
#include "common/win32/registry.h"
#include "common/win32/system_info_win.h"

namespace {

struct UninstallSource {
    HKEY root;
    std::string_view key;
};

const UninstallSource kUninstallSources[] = {
    {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
};

std::string DisplayNameOf(const RegistryKey& entry, const std::string& keyName) {
    const auto type = entry.ValueType("DisplayName");
    if (type != REG_SZ && type != REG_EXPAND_SZ) return keyName;
    try {
        return entry.ReadString("DisplayName").value_or(keyName);
    } catch (const RegistryError&) {
        return keyName;
    }
}

}  // namespace

std::vector<std::string> ListInstalledPrograms() {
    std::vector<std::string> names;
    const REGSAM rights = RegistryReadRights();
    for (const auto& [root, path] : kUninstallSources) {
        const auto source = RegistryKey::Open(root, path, rights, false);
        if (!source.IsOpen()) continue;
        for (const auto& subkey : source.SubkeyNames()) {
            const auto entry = RegistryKey::Open(root, std::string(path) + "\\" + subkey, rights, false);
            if (entry.IsOpen()) names.push_back(DisplayNameOf(entry, subkey));
        }
    }
    return names;
}

bool IsProductInstalled(std::string_view namePrefix) {
    for (const auto& name : ListInstalledPrograms())
        if (TextStartsWith(name, namePrefix)) return true;
    return false;
}
