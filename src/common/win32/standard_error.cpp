#include "common/win32/standard_error.h"

#include <windows.h>

#include "common/win32/wide.h"

namespace {

bool WriteTo(HANDLE out, std::string_view utf8) {
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = Widen(utf8);
        return WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
    }
    return WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) && written == utf8.size();
}

}  // namespace

void WriteStandardError(std::string_view utf8) {
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        // A window program has no stream of its own: the parent's console, if any.
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        out = GetStdHandle(STD_ERROR_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    }
    WriteTo(out, utf8);
}

bool WriteStandardOutput(std::string_view utf8) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
    return WriteTo(out, utf8);
}
