#pragma once
// The standard file dialogs the main window's commands ask with.
#include <windows.h>

#include <string>

#include "survey/survey_export.h"

// The save dialog of an export; the file type box picks the format.
// scope: what a filter leaves of the lists, said in the dialog's title; "" for everything.
bool AskExportFile(HWND owner, const std::string& scope, std::string& fileName, ExportFormat& format);
// The save (save) or open dialog of a recording, a scenario file (.json).
bool AskRecordingFile(HWND owner, bool save, std::string& fileName);
