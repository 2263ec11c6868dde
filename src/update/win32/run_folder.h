#pragma once
// The folders the downloaded installer runs from: one made new for each run under the
// data folder (nothing left there by anyone is there for the installer to load), and
// removed again once no installer uses it. Paths are UTF-8 with the final backslash.
#include <string>
#include <vector>

// A new, empty run folder in dataFolder under a random name, which only the user,
// administrators and the system may use (nothing inherited); "" when none could be made
// (GetLastError says why).
std::string NewRunFolder(const std::string& dataFolder);

// Removes the files of a run folder, then the folder. Linked folders are not entered.
// A file or folder in use stays: the image of a running installer, or the working folder
// of a process. False when the folder is still there.
bool RemoveRunFolder(const std::string& folder);

// Removes every run folder of dataFolder but keep; those in use stay. Returns the folders removed.
std::vector<std::string> RemoveStaleRunFolders(const std::string& dataFolder, const std::string& keep = {});
