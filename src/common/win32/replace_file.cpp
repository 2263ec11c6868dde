#include "common/win32/replace_file.h"

#include <windows.h>

#include <algorithm>

#include "common/win32/platform_error.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

FileWriteResult Failed(DWORD code) { return {false, PlatformErrorText(code)}; }

}  // namespace

FileWriteResult WriteFileReplacing(std::string_view fileName, std::string_view bytes) {
    const std::wstring target = Widen(fileName);
    // Beside the target, so that the final move stays on one volume.
    const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    DWORD error = ERROR_SUCCESS;
    {
        UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Failed(GetLastError());
        size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
                error = GetLastError();
                break;
            }
            done += written;
        }
        if (error == ERROR_SUCCESS && !FlushFileBuffers(file.get())) error = GetLastError();
    }
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary.c_str());
        return Failed(error);
    }
    return {true, ""};
}
