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
    kCmdRecord,
    kCmdOpenRecording,
    kCmdLive,
    kCmdChannels,
    kCmdSiteSurvey,
    kCmdLink,
    kCmdHistory,
    kCmdLocate,
};

HMENU CreateMainMenu();
// The record item's caption while a recording runs, and while none does.
inline constexpr const wchar_t* kRecordCaption = L"&Record...\tCtrl+R";
inline constexpr const wchar_t* kStopRecordingCaption = L"Stop &Recording\tCtrl+R";

struct AcceleratorTraits {
    using Handle = HACCEL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyAcceleratorTable(h); }
};
using UniqueAccelerators = Unique<AcceleratorTraits>;

UniqueAccelerators CreateMainAccelerators();
