#pragma once
// The string heuristics of product identification: they see only texts (the version
// resource, the file's base name), never a file, so they are tested on the host.
#include <string>
#include <string_view>

#include "update/file_info.h"

// Every `from` in s becomes `to`.
std::string ReplaceText(std::string_view s, std::string_view from, std::string_view to);

// Common clean-up of names: trailing addresses, blanks, a leading "?", a trailing " -".
std::string CleanName(std::string_view text);
// Reduces a copyright line to the company it names.
std::string StripCopyright(std::string_view text);

// Naming steps, in the order GetFileProductName runs them.
std::string GenericProductName(const FileVersionInfoRec& info, std::string_view baseName);
std::string InstallerName(std::string name, const FileVersionInfoRec& info);
std::string TrimProductName(std::string name);
std::string Add64BitSuffix(std::string name);
// "?", "??" anywhere or a leading "$": the resource held no readable name.
std::string DropUnreadableName(std::string name);

// The generic tail of company normalisation (licence noise, addresses, punctuation).
std::string CompanyTail(std::string company);

// Keeps the leading digits, dots, commas and blanks; commas become dots, blanks go.
std::string VersionCharacters(std::string_view text);
bool IsDigitsAndDots(std::string_view text);
// Parses to a valid version and is not empty.
bool IsFoundVersion(std::string_view text);
// The last run of digits and dots in a text ("QT Lite 4.1.0 Final" gives 4.1.0).
std::string LastVersionRun(std::string_view text);

// A 32-bit process under WOW64 sees SysWOW64 through system32; "sysnative" reaches the real one.
std::string RedirectSystemPath(std::string_view fileName, std::string_view systemFolder, bool underWow64);

// Side files of a program: simple readers over their decoded text.
std::string DecodeTextFile(std::string_view bytes);
std::string IniValue(std::string_view text, std::string_view section, std::string_view key);
std::string XmlTagText(std::string_view text, std::string_view tag);
std::string FirstLine(std::string_view text);
std::string TextAfterMarker(std::string_view text, std::string_view marker);
