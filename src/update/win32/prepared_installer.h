#pragma once
// The downloaded installer made ready to run: saved in a run folder of its own, held
// against writers from then on, and its publisher checked against the running program's.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "common/win32/unique.h"
#include "update/update_check.h"

enum class InstallerReadiness { Ready, NotSaved, Refused };

struct PreparedInstaller {
    InstallerReadiness verdict = InstallerReadiness::NotSaved;
    std::string file;     // the saved installer ("update.exe" of the data folder when no run folder was made)
    std::string folder;   // its run folder, where it runs; "" when none is left
    std::string refusal;  // why it may not run, for the log: "cannot save FILE (code)" or the publisher's
    bool revocationUnchecked = false;  // its signer's revocation could not be learnt in time
    // Keeps the file as it was checked until the installer has started.
    Unique<FileHandleTraits> held;
    bool Ready() const { return verdict == InstallerReadiness::Ready; }
};

// Removes the run folders left over in dataFolder, saves bytes as update.exe in a new one
// under a name nobody may hold already, reads it back through a handle that denies writers
// and deleters, and judges its signature against programFile's (PublisherRefusal) and its
// version resource against what the check announced (InstallerIdentityRefusal). When it
// may not run, the run folder is removed again.
PreparedInstaller PrepareInstaller(const std::string& dataFolder, std::span<const uint8_t> bytes,
                                   const std::string& programFile, const InstallerExpectation& expected);
