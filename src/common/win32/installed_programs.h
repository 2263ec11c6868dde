#pragma once
// Installed programs as the Uninstall keys list them (per user, machine, and the 32-bit machine view).
#include <string>
#include <string_view>
#include <vector>

// Display names ("DisplayName", or the entry's key name when it has none), in source order.
std::vector<std::string> ListInstalledPrograms();
// Some installed program's display name starts with namePrefix, ignoring ASCII case.
bool IsProductInstalled(std::string_view namePrefix);
