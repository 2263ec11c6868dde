#pragma once
// Path text rules shared by the file helpers. Windows paths, but pure text: no file system here.
#include <optional>
#include <string>
#include <string_view>

// File name without folder (after the last '\', '/' or drive colon) and without its last extension:
// "C:\x\setup.exe" -> "setup", "a.tar.gz" -> "a.tar", ".cfg" -> "".
std::string FileBaseName(std::string_view fileName);

// The name part after the last folder separator or drive colon.
std::string FileNamePart(std::string_view fileName);

// The last extension of the name part with its dot (".exe"), "" when the name has no dot.
std::string FileExtension(std::string_view fileName);

// The folder of a file with a trailing separator ("C:\x\setup.exe" -> "C:\x\"); "" for a bare name.
std::string FileFolder(std::string_view fileName);
// The name of that folder ("C:\x\setup.exe" -> "x"); "" for a bare name or a file in a drive root.
std::string FileFolderName(std::string_view fileName);

std::string WithTrailingSeparator(std::string_view folder);
std::string WithoutTrailingSeparator(std::string_view folder);

// The drive letter when path is a drive root: "C:" or "C:\".
std::optional<char> DriveRootLetter(std::string_view path);

// The form that lifts the path length limit of the wide calls: "\\server\share" becomes
// "\\?\UNC\server\share", anything else gets "\\?\" in front; a device path stays as it is.
// Forward slashes become backslashes, which the prefixed form requires.
std::string LongPathForm(std::string_view path);

// Where Windows mirrors writes to a protected program folder: the local application-data folder +
// "VirtualStore\" + the program folder without its drive part (first three characters).
// nullopt when either folder is too short to name one.
std::optional<std::string> VirtualStoreMirror(std::string_view localAppData, std::string_view programFolder);
