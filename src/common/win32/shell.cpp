#include "common/win32/shell.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

struct TaskMemoryTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CoTaskMemFree(h); }
};

// The shell takes a null pointer for "none" or "the default".
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

std::string GetSpecialFolder(int folderId) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, &items)) || !items) return "";
    const Unique<TaskMemoryTraits> owner(items);
    wchar_t path[MAX_PATH] = {};
    return SHGetPathFromIDListW(items, path) ? Narrow(path) : "";
}

bool ShellOpenDocument(std::string_view fileName, std::string_view parameters, std::string_view verb,
                       int showCommand) {
    const std::wstring file = Widen(fileName), params = Widen(parameters), action = Widen(verb);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = OrNull(action);
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(params);
    info.nShow = showCommand;
    return ShellExecuteExW(&info) != FALSE;
}

bool ShellOpenFromWindow(HWND window, std::string_view operation, std::string_view fileName,
                         std::string_view parameters, std::string_view directory, int showCommand) {
    const std::wstring op = Widen(operation), file = Widen(fileName), params = Widen(parameters),
                       dir = Widen(directory);
    const HINSTANCE result =
        ShellExecuteW(window, OrNull(op), file.c_str(), OrNull(params), OrNull(dir), showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

DWORD ShellRunProgram(HWND window, std::string_view fileName, std::string_view parameters, std::string_view directory,
                      int showCommand) {
    const std::wstring file = Widen(fileName), params = Widen(parameters), dir = Widen(directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = window;
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(params);
    info.lpDirectory = OrNull(dir);
    info.nShow = showCommand;
    if (ShellExecuteExW(&info)) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

std::string TakeDroppedFile(HDROP drop) {
    std::wstring file(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
    file.resize(DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size())));
    DragFinish(drop);
    return Narrow(file);
}

bool OpenWebPage(HWND window, std::string_view url) { return ShellOpenFromWindow(window, "", url, "", ""); }

void AutoSizeListColumns(HWND listView) {
    const HWND header = ListView_GetHeader(listView);
    const int columns = header ? Header_GetItemCount(header) : 0;
    for (int i = 0; i < columns; ++i) ListView_SetColumnWidth(listView, i, LVSCW_AUTOSIZE_USEHEADER);
}
