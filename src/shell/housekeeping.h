#pragma once
// The program's start-up and shut-down housekeeping around the main window: a
// portable copy's settings file, the user identifier, the log header, the error
// hints, and the traces a program leaves in the system at exit.
#include <string>
#include <vector>

#include "common/run_log.h"

// Where the program runs from and what it was started with.
struct ProgramPlace {
    std::string exeName;  // the program file's full path
    std::vector<std::string> arguments;

    std::string Folder() const;
    std::string DataFolder() const;  // where the log and the hint file live
    // A copy that was not installed keeps its settings in a file beside it.
    bool IsPortable() const;
};

// A portable copy's settings file into the registry. Throws RegistryError with the
// text to show when the registry refuses a value.
void ImportPortableSettings(const ProgramPlace& place);
// The user identifier, made once and kept in the settings.
void InitUserIdentifier();
// The lines every log starts with; caption: the window's.
void WriteLogHeader(TRunLog* log, const ProgramPlace& place, const std::string& caption, bool debug);
// A page of the hint file for an error code; fallback when it has none.
std::string LookupErrorHint(const ProgramPlace& place, const std::string& key, const std::string& fallback);
// Cleans the program's VirtualStore mirror, writes the closing line and, for a
// portable copy, exports the settings and removes the registry traces. Throws
// RegistryError as ImportPortableSettings does.
void CloseHousekeeping(TRunLog* log, const ProgramPlace& place);
