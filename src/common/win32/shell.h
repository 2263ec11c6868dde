#pragma once
// Handing files, programs and web addresses to the Windows shell; shell special folders.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <string_view>

// Path of a shell special folder (CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_SYSTEM, ...) without a
// trailing separator; "" when the shell cannot name it.
std::string GetSpecialFolder(int folderId);

// ShellExecuteEx with environment variables expanded and no error UI; an empty verb is the default one.
bool ShellOpenDocument(std::string_view fileName, std::string_view parameters, std::string_view verb,
                       int showCommand = SW_SHOWNORMAL);
// ShellExecute owned by window; true when the shell reports success (a value above 32).
bool ShellOpenFromWindow(HWND window, std::string_view operation, std::string_view fileName,
                         std::string_view parameters, std::string_view directory, int showCommand = SW_SHOWNORMAL);
// Starts a program owned by window without the shell's own error box; 0 when it started,
// else the system's error code (ERROR_CANCELLED when the elevation prompt was declined).
DWORD ShellRunProgram(HWND window, std::string_view fileName, std::string_view parameters, std::string_view directory,
                      int showCommand = SW_SHOWNORMAL);
// The first file of a drop on a window (WM_DROPFILES), which ends the drop; "" for none.
std::string TakeDroppedFile(HDROP drop);

// A web page (or a mail address, a settings page) opened by the shell for window.
bool OpenWebPage(HWND window, std::string_view url);

// Sizes every column of a report list view to fit both its content and its header.
void AutoSizeListColumns(HWND listView);
