/* A stand-in for the product's installer: writes the arguments it was started with to
   "installer-args.txt" and its working folder to "installer-cwd.txt" beside itself, and exits. Built without the C runtime so that the
   small flavour stays well under 100 KiB; the full one carries a padding array. */
#include <windows.h>

#ifdef INSTALLER_PADDING
/* Not static: the compiler keeps it, so the file is over 100 KiB. */
const unsigned char kInstallerPadding[INSTALLER_PADDING] = {1};
#endif

void InstallerMain(void) {
    const wchar_t* line = GetCommandLineW();
    /* Skip the program's own name, quoted or not, and the blanks after it. */
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') ++line;
        if (*line) ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;

    /* Static: a large stack frame would need the runtime's stack probe. */
    static wchar_t path[MAX_PATH + 32];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') --n;
    const wchar_t name[] = L"installer-args.txt";
    for (DWORD i = 0; i < sizeof name / sizeof name[0]; ++i) path[n + i] = name[i];

    static char text[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, text, sizeof text, NULL, NULL);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text, length > 0 ? (DWORD)(length - 1) : 0, &written, NULL);
#ifdef INSTALLER_PADDING
        /* Reads one padding byte so the array is plainly in use. */
        WriteFile(file, text, kInstallerPadding[written % INSTALLER_PADDING] & 0, &written, NULL);
#endif
        CloseHandle(file);
    }
    const wchar_t cwdName[] = L"installer-cwd.txt";
    for (DWORD i = 0; i < sizeof cwdName / sizeof cwdName[0]; ++i) path[n + i] = cwdName[i];
    static wchar_t cwd[MAX_PATH];
    const DWORD cwdLength = GetCurrentDirectoryW(MAX_PATH, cwd);
    length = WideCharToMultiByte(CP_UTF8, 0, cwd, (int)cwdLength, text, sizeof text, NULL, NULL);
    file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text, length > 0 ? (DWORD)length : 0, &written, NULL);
        CloseHandle(file);
    }
    ExitProcess(0);
}
