#pragma once
// The standard file dialogs the main window's commands ask with.
#include <windows.h>

#include <string>

#include "survey/survey_export.h"

// The save dialog of an export; the file type box picks the format.
bool AskExportFile(HWND owner, std::string& fileName, ExportFormat& format);
// The save (save) or open dialog of a recording, a scenario file (.json).
bool AskRecordingFile(HWND owner, bool save, std::string& fileName);
