#pragma once
// The product's names and icon, and the maker's names as they appear in the
// registry, in folders and in uninstall entries. The resource scripts take the
// same names from product_version.h.
#include <string_view>

#include "common/picture.h"
#include "common/product_version.h"

// The application title: window captions, message boxes, the log and data names.
inline constexpr char kProductName[] = VELLUMAR_PRODUCT_NAME;
inline constexpr std::string_view kMakerName = VELLUMAR_COMPANY_NAME;
// Display-name prefix of the program's own uninstall entry: present means installed.
inline constexpr std::string_view kInstalledProductPrefix = VELLUMAR_COMPANY_NAME " " VELLUMAR_PRODUCT_NAME;

// The program icon, drawn in code at size x size pixels.
Picture DrawProgramIcon(int size);

// Per-user registry key of the maker: one value per program path, one subkey per program's settings.
inline constexpr std::string_view kMakerRegistryKey = "SOFTWARE\\" VELLUMAR_COMPANY_NAME;
// Title under which the maker's driver-update program records its path.
inline constexpr std::string_view kDriverUpdateTitle = "Pardek";
// The portable settings file beside the program and its two sections.
inline constexpr std::string_view kSettingsFileName = "settings.ini";
inline constexpr std::string_view kStringSettingsSection = "Settings";
inline constexpr std::string_view kDwordSettingsSection = "Settings_DWORD";
