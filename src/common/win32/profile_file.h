#pragma once
// Windows profile (INI) files in the ANSI code page, read and written through the W calls with
// UTF-8 text on our side. A file that the W calls find without a byte-order mark stays ANSI.
#include <string>
#include <string_view>
#include <vector>

// Values longer than 2047 characters are cut there (the profile reading buffer holds 2048).
inline constexpr size_t kProfileValueBufferChars = 2048;
// A section's key list is read into a buffer of 16384 units.
inline constexpr size_t kProfileKeyListBufferChars = 16384;

std::string ReadProfileString(std::string_view iniFileName, std::string_view section, std::string_view key,
                              std::string_view fallback = "");
// The keys of a section in file order; none for a missing file or section.
std::vector<std::string> ReadProfileKeys(std::string_view iniFileName, std::string_view section);
// A missing file is created in the ANSI code page.
bool WriteProfileString(std::string_view iniFileName, std::string_view section, std::string_view key,
                        std::string_view value);
