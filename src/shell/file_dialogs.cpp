#include "shell/file_dialogs.h"

#include <commdlg.h>

#include <algorithm>

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

namespace {

// The save dialog's types, in its order.
struct ExportType {
    ExportFormat format;
    const wchar_t* caption;
    const wchar_t* pattern;
    std::string_view extension;
};
constexpr ExportType kExportTypes[] = {
    {ExportFormat::AccessPointsCsv, L"Access points (CSV)", L"*.csv", ".csv"},
    {ExportFormat::NetworksCsv, L"Networks (CSV)", L"*.csv", ".csv"},
    {ExportFormat::AdaptersCsv, L"Adapters (CSV)", L"*.csv", ".csv"},
    {ExportFormat::SurveyJson, L"Survey (JSON)", L"*.json", ".json"},
    {ExportFormat::TableCsv, L"Table as shown (CSV)", L"*.csv", ".csv"},
    {ExportFormat::Pcapng, L"Packet capture (pcapng)", L"*.pcapng", ".pcapng"},
};

}  // namespace

bool AskExportFile(HWND owner, const std::string& scope, std::string& fileName, ExportFormat& format) {
    const std::wstring title = Widen(scope.empty() ? std::string("Export") : "Export " + scope);
    std::wstring initial = Widen(std::string(kProductName) + " survey");
    wchar_t buffer[MAX_PATH * 4] = {};
    initial.copy(buffer, std::size(buffer) - 1);
    std::wstring filter;
    for (const ExportType& type : kExportTypes) {
        filter += std::wstring(type.caption) + L'\0' + type.pattern + L'\0';
    }
    OPENFILENAMEW ofn = FileDialog(owner, buffer, filter.c_str(), title.c_str(), L"csv",
                                   OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
    if (!GetSaveFileNameW(&ofn)) return false;
    const ExportType& chosen = kExportTypes[std::clamp<DWORD>(ofn.nFilterIndex, 1, std::size(kExportTypes)) - 1];
    format = chosen.format;
    fileName = Narrow(buffer);
    // The default extension follows the first type; make the name match the chosen one.
    for (const ExportType& type : kExportTypes) {
        if (type.extension != chosen.extension && TextEndsWith(fileName, type.extension) && ofn.nFileExtension) {
            fileName = fileName.substr(0, fileName.size() - type.extension.size()) + std::string(chosen.extension);
            break;
        }
    }
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
