#include "common/win32/platform_error.h"

#include "common/win32/unique.h"
#include "common/win32/wide.h"

std::string PlatformErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const UniqueLocalMemory owner(text);
    std::wstring message = n ? std::wstring(text, n) : L"System error " + std::to_wstring(code);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return Narrow(message);
}

PlatformError::PlatformError(DWORD code) : std::runtime_error(PlatformErrorText(code)), code_(code) {}

void ThrowLastPlatformError() { throw PlatformError(GetLastError()); }
