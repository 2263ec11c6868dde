#include "common/win32/settings.h"

#include <windows.h>

#include <exception>

#include "common/product.h"
#include "common/text.h"
#include "common/win32/profile_file.h"
#include "common/win32/registry.h"
#include "common/win32/system_info_win.h"
#include "common/win32/wide.h"

namespace {

// Raised inside the export when the settings file refuses a line; it only ends the export.
struct IniWriteFailed {
    std::string message;
};

RegistryKey OpenMakerKey() { return RegistryKey::Open(HKEY_CURRENT_USER, kMakerRegistryKey, KEY_ALL_ACCESS, true); }

RegistryKey OpenProductKey(std::string_view productName, REGSAM access) {
    return RegistryKey::Open(HKEY_CURRENT_USER, ProductKeyPath(productName), access, true);
}

void WriteIniLine(std::string_view iniFileName, std::string_view section, std::string_view key,
                  std::string_view value) {
    if (!WriteProfileString(iniFileName, section, key, value))
        throw IniWriteFailed{"Impossible d'\xC3\xA9" "crire dans " + std::string(iniFileName)};
}

}  // namespace

std::string ProductKeyPath(std::string_view productName) {
    return std::string(kMakerRegistryKey) + "\\" + std::string(productName);
}

std::string ReadSetting(std::string_view name) {
    const auto key = OpenProductKey(kProductName, RegistryReadRights());
    return key.IsOpen() ? key.ReadString(name).value_or("") : "";
}

std::string ReadSettingAsText(std::string_view name) {
    const auto key = OpenProductKey(kProductName, RegistryReadRights());
    if (!key.IsOpen()) return "";
    switch (key.ValueType(name).value_or(REG_NONE)) {
        case REG_SZ:
        case REG_EXPAND_SZ: return key.ReadString(name).value_or("");
        case REG_DWORD: return std::to_string(key.ReadDword(name).value_or(0));
        default: return "";
    }
}

bool WriteSetting(std::string_view name, std::string_view value) {
    const auto key = OpenProductKey(kProductName, KEY_ALL_ACCESS);
    if (!key.IsOpen()) return false;
    key.WriteString(name, value);
    return true;
}

std::string RegistrySettings::Read(std::string_view name) {
    try {
        return ReadSettingAsText(name);
    } catch (const std::exception&) {
        return "";
    }
}

bool RegistrySettings::Write(std::string_view name, const std::string& value, std::string& error) {
    try {
        if (WriteSetting(name, value)) return true;
        error = "The settings key " + ProductKeyPath(kProductName) + " could not be opened";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

bool WriteBoolSetting(std::string_view name, bool flag) { return WriteSetting(name, flag ? "1" : "0"); }

bool WriteNumberSetting(std::string_view name, uint32_t value) {
    const auto key = OpenProductKey(kProductName, KEY_ALL_ACCESS);
    if (!key.IsOpen()) return false;
    if (key.ValueType(name) == REG_DWORD)
        key.WriteDword(name, value);
    else
        key.WriteString(name, std::to_string(value));
    return true;
}

void RegisterProgramPath(std::string_view title, std::string_view exeName) {
    if (const auto key = OpenMakerKey(); key.IsOpen()) key.WriteString(title, exeName);
}

void UnregisterProgramPath(std::string_view title) {
    if (const auto key = OpenMakerKey(); key.IsOpen()) key.DeleteValue(title);
}

std::string ReadProgramPath(std::string_view title) {
    const auto key = OpenMakerKey();
    return key.IsOpen() ? key.ReadString(title).value_or("") : "";
}

void ImportSettingsFromIni(std::string_view productName, std::string_view iniFileName) {
    const auto key = OpenProductKey(productName, KEY_ALL_ACCESS);
    if (!key.IsOpen()) return;
    for (const auto& name : ReadProfileKeys(iniFileName, kStringSettingsSection))
        key.WriteString(name, ReadProfileString(iniFileName, kStringSettingsSection, name));
    // Decimal, or hexadecimal after "0x" or "$"; anything else is 0.
    for (const auto& name : ReadProfileKeys(iniFileName, kDwordSettingsSection))
        key.WriteDword(name, static_cast<uint32_t>(
                                 StrToIntDef(ReadProfileString(iniFileName, kDwordSettingsSection, name), 0)));
}

bool ExportSettingsToIni(std::string_view productName, std::string_view iniFileName) {
    const auto key = OpenProductKey(productName, RegistryReadRights());
    if (!key.IsOpen()) return false;
    try {
        for (const auto& name : key.ValueNames()) {
            const auto type = key.ValueType(name);
            if (type == REG_SZ) {
                WriteIniLine(iniFileName, kStringSettingsSection, name, key.ReadString(name).value_or(""));
            } else if (type == REG_DWORD) {
                // Signed, so that the import's integer reading gives the same 32 bits back.
                const auto value = static_cast<int32_t>(key.ReadDword(name).value_or(0));
                WriteIniLine(iniFileName, kDwordSettingsSection, name, std::to_string(value));
            }
        }
    } catch (const IniWriteFailed&) {
        return false;
    } catch (const RegistryError&) {
        return false;
    }
    return true;
}

void DeleteProductKey(std::string_view productName) {
    DeleteRegistryTree(HKEY_CURRENT_USER, ProductKeyPath(productName));
}

void DeleteMakerKeyIfEmpty() {
    {
        const auto key = RegistryKey::Open(HKEY_CURRENT_USER, kMakerRegistryKey, KEY_ALL_ACCESS, false);
        if (!key.IsOpen() || key.HasSubkeys() || key.HasValues()) return;
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, Widen(kMakerRegistryKey).c_str());
}
