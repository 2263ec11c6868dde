#include "shell/file_dialogs.h"

#include <commdlg.h>

#include "common/product.h"
#include "common/text.h"
#include "common/win32/wide.h"

namespace {

// The standard file dialogs' record: the name goes in and comes back in buffer.
template <size_t N>
OPENFILENAMEW FileDialog(HWND owner, wchar_t (&buffer)[N], const wchar_t* filter, const wchar_t* title,
                         const wchar_t* extension, DWORD flags) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = static_cast<DWORD>(N);
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | flags;
    return ofn;
}

}  // namespace

bool AskExportFile(HWND owner, const std::string& scope, std::string& fileName, ExportFormat& format) {
    const std::wstring title = Widen(scope.empty() ? std::string("Export") : "Export " + scope);
    std::wstring initial = Widen(std::string(kProductName) + " survey");
    wchar_t buffer[MAX_PATH * 4] = {};
    initial.copy(buffer, std::size(buffer) - 1);
    OPENFILENAMEW ofn = FileDialog(owner, buffer, L"CSV, comma-separated (*.csv)\0*.csv\0JSON (*.json)\0*.json\0",
                                   title.c_str(), L"csv", OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
    if (!GetSaveFileNameW(&ofn)) return false;
    format = ofn.nFilterIndex == 2 ? ExportFormat::Json : ExportFormat::Csv;
    fileName = Narrow(buffer);
    // The default extension follows the first type; make the name match the chosen one.
    const std::string wanted = format == ExportFormat::Json ? ".json" : ".csv";
    const std::string other = format == ExportFormat::Json ? ".csv" : ".json";
    if (TextEndsWith(fileName, other) && ofn.nFileExtension && !TextEndsWith(fileName, wanted))
        fileName = fileName.substr(0, fileName.size() - other.size()) + wanted;
    return true;
}

bool AskRecordingFile(HWND owner, bool save, std::string& fileName) {
    wchar_t buffer[MAX_PATH * 4] = {};
    if (save) Widen(std::string(kProductName) + " recording").copy(buffer, std::size(buffer) - 1);
    OPENFILENAMEW ofn = FileDialog(owner, buffer, L"Recording (*.json)\0*.json\0All files (*.*)\0*.*\0",
                                   save ? L"Record" : L"Open Recording", L"json",
                                   save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
    fileName = Narrow(buffer);
    return true;
}
