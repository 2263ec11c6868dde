#pragma once
// Per-user settings under HKEY_CURRENT_USER\SOFTWARE\Quintavo: program paths as values of the maker
// key, the program's own settings in its product key, and the portable copy's settings.ini.
// A registry write that fails, or a string read of a value that is not a string, raises
// RegistryError (common/win32/registry.h) with the text to show.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/settings_store.h"

// The program's own settings in SOFTWARE\Quintavo\Vellumar. Reading creates the empty key when missing.
std::string ReadSetting(std::string_view name);           // "" when absent
// A string as it is, a REG_DWORD (as the settings file's "Settings_DWORD" section
// imports numbers) in decimal; "" for an absent value or any other type.
std::string ReadSettingAsText(std::string_view name);
bool WriteSetting(std::string_view name, std::string_view value);  // false when the key did not open
bool WriteBoolSetting(std::string_view name, bool flag);  // "1" or "0"
// A number in decimal text; a value that is a REG_DWORD stays one, so that a settings
// file that carries it in "Settings_DWORD" does not bring the old number back.
bool WriteNumberSetting(std::string_view name, uint32_t value);

// The program's own settings as the portable core reads and writes them.
class RegistrySettings : public SettingsStore {
public:
    std::string Read(std::string_view name) override;  // as ReadSettingAsText; "" when the registry refuses
    bool Write(std::string_view name, const std::string& value, std::string& error) override;
};

// Program paths: value Title of SOFTWARE\Quintavo.
void RegisterProgramPath(std::string_view title, std::string_view exeName);
void UnregisterProgramPath(std::string_view title);
std::string ReadProgramPath(std::string_view title);  // "" when absent

// The portable copy: settings.ini sections "Settings" (REG_SZ) and "Settings_DWORD" (REG_DWORD, decimal).
void ImportSettingsFromIni(std::string_view productName, std::string_view iniFileName);
// True when the key opened and every value was written; the file is not emptied first.
bool ExportSettingsToIni(std::string_view productName, std::string_view iniFileName);
void DeleteProductKey(std::string_view productName);
// Deletes SOFTWARE\Quintavo when it holds neither subkeys nor values.
void DeleteMakerKeyIfEmpty();

// SOFTWARE\Quintavo\<productName>
std::string ProductKeyPath(std::string_view productName);
