#pragma once
// The maker's file and folder helpers: the per-user data folder, tidying up at exit, version
// resources, sizes and folder searches. Paths are UTF-8; folders come back with a trailing separator.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The data folder "<application data>\Quintavo\<title>\", made when missing; the folder of exeName
// when the shell names no application-data folder or the folder cannot be made.
std::string DataFolder(std::string_view exeName, std::string_view title);
// The same below a given application-data folder ("" = none).
std::string DataFolderIn(std::string_view appDataFolder, std::string_view exeName, std::string_view title);

// Removes "<application data>\Quintavo" when no program keeps a data folder in it.
void RemoveEmptyMakerFolder();
void RemoveEmptyMakerFolderIn(std::string_view appDataFolder);

// Deletes the "*.SPK" files of the program folder's VirtualStore mirror; returns the mirror's path
// when it existed, else "".
std::string CleanVirtualStore(std::string_view programFolder);
std::string CleanVirtualStoreIn(std::string_view localAppDataFolder, std::string_view programFolder);

// Deletes every file named "*.<ext>" in folder, and folders so named in turn, then folder itself
// when it is left empty. Files that cannot be deleted stay. Always true.
bool DeleteTreeByExt(std::string_view folder, std::string_view ext);

// "a.b.c.d" from the fixed file version; "" without a version resource; "File not found".
std::string FileVersionText(std::string_view fileName);
// The raw VS_VERSIONINFO block as GetFileVersionInfo returns it; empty without one or without the file.
std::vector<uint8_t> ReadFileVersionBlock(std::string_view fileName);
// Size in bytes, 0 when it cannot be read.
uint64_t FileSize64(std::string_view fileName);
// The file exists and is not empty; looked up without WOW64 redirection.
bool FileHasContent(std::string_view fileName);
// The same in the caller's redirection state, for a path already sent past it ("...\sysnative\..."),
// which exists only while redirection is on.
bool FileHasContentWithRedirection(std::string_view fileName);

// Folder searches: entries are appended as folder + "\" + name, in the system's order; the list is
// not cleared. WOW64 redirection is off during the search.
void FindFilesByExt(std::string_view folder, std::string_view ext, std::vector<std::string>& list);  // ext ".exe"
void FindFilesByName(std::string_view folder, std::string_view name, std::vector<std::string>& list);
void ListFiles(std::string_view folder, std::vector<std::string>& list);
void ListSubfolders(std::string_view folder, std::vector<std::string>& list);
// ListSubfolders in the caller's redirection state (see FileHasContentWithRedirection).
void ListSubfoldersWithRedirection(std::string_view folder, std::vector<std::string>& list);
