/* A module that a planted TLS library configuration names as a provider. Loading it is
   what must never happen: it only leaves a mark, the file named by
   VELLUMAR_PLANTED_MARKER, and refuses to be a provider. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH];
        const DWORD n = GetEnvironmentVariableW(L"VELLUMAR_PLANTED_MARKER", path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        }
    }
    return TRUE;
}

__declspec(dllexport) int OSSL_provider_init(const void* handle, const void* in, const void** out, void** ctx) {
    (void)handle;
    (void)in;
    (void)out;
    (void)ctx;
    return 0;
}
