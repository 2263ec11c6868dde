// Asks a running Vellumar to close as a user would (WM_CLOSE to its main window) and
// waits for it to end. scripts/run uses it, so that the log is written on the way out.
#include <windows.h>

#include <cstdio>

namespace {

BOOL CALLBACK CloseMain(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"VellumarWindow") == 0 && !GetWindow(window, GW_OWNER) && IsWindowVisible(window)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        *reinterpret_cast<DWORD*>(found) = pid;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

}  // namespace

int wmain() {
    DWORD pid = 0;
    EnumWindows(CloseMain, reinterpret_cast<LPARAM>(&pid));
    if (!pid) {
        std::fprintf(stderr, "close_window: no Vellumar window found\n");
        return 1;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process) {
        DWORD waited = WaitForSingleObject(process, 15000);
        CloseHandle(process);
        if (waited != WAIT_OBJECT_0) {
            std::fprintf(stderr, "close_window: Vellumar did not end\n");
            return 1;
        }
    }
    return 0;
}
