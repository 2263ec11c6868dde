#pragma once
// The maker's names as they appear in the registry, in folders and in uninstall entries.
#include <string_view>

inline constexpr std::string_view kMakerName = "Quintavo";
inline constexpr std::string_view kProductName = "Vellumar";
// Per-user registry key of the maker: one value per program path, one subkey per program's settings.
inline constexpr std::string_view kMakerRegistryKey = "SOFTWARE\\Quintavo";
// Title under which the maker's driver-update program records its path.
inline constexpr std::string_view kDriverUpdateTitle = "Pardek";
// Display-name prefix of the program's own uninstall entry: present means installed.
inline constexpr std::string_view kInstalledProductPrefix = "Quintavo Vellumar";
// The portable settings file beside the program and its two sections.
inline constexpr std::string_view kSettingsFileName = "settings.ini";
inline constexpr std::string_view kStringSettingsSection = "Settings";
inline constexpr std::string_view kDwordSettingsSection = "Settings_DWORD";
