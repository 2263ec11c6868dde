#pragma once
// The main menu and its keyboard shortcuts.
#include <windows.h>

#include "common/win32/unique.h"

enum MenuCommand : WORD {
    kCmdQuit = 100,
    kCmdSettings,
    kCmdOpenLog,
    kCmdCheckForUpdate,
    kCmdChangeLog,
    kCmdBugReport,
    kCmdAbout,
    kCmdExport,
    kCmdCopy,
    kCmdCopyMac,
    kCmdCopySsid,
    kCmdFocusFilter,
    kCmdClearFilter,
    kCmdChannels,
};

HMENU CreateMainMenu();

struct AcceleratorTraits {
    using Handle = HACCEL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyAcceleratorTable(h); }
};
using UniqueAccelerators = Unique<AcceleratorTraits>;

UniqueAccelerators CreateMainAccelerators();
