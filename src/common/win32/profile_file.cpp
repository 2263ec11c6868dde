#include "common/win32/profile_file.h"

#include <windows.h>

#include "common/win32/wide.h"

std::string ReadProfileString(std::string_view iniFileName, std::string_view section, std::string_view key,
                              std::string_view fallback) {
    std::wstring buffer(kProfileValueBufferChars, L'\0');
    const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(fallback).c_str(),
                                             buffer.data(), static_cast<DWORD>(buffer.size()),
                                             Widen(iniFileName).c_str());
    return Narrow(std::wstring_view(buffer.data(), n));
}

std::vector<std::string> ReadProfileKeys(std::string_view iniFileName, std::string_view section) {
    std::wstring buffer(kProfileKeyListBufferChars, L'\0');
    const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), nullptr, L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), Widen(iniFileName).c_str());
    std::vector<std::string> keys;
    // Zero-separated names; a list cut by the buffer ends with a partial name, kept as the system gives it.
    for (size_t start = 0; start < n;) {
        const size_t end = std::wstring_view(buffer.data(), n).find(L'\0', start);
        const size_t stop = end == std::wstring_view::npos ? n : end;
        if (stop > start) keys.push_back(Narrow(std::wstring_view(buffer.data() + start, stop - start)));
        start = stop + 1;
    }
    return keys;
}

bool WriteProfileString(std::string_view iniFileName, std::string_view section, std::string_view key,
                        std::string_view value) {
    // A new file is created as ANSI text too; only a file that starts with a UTF-16 mark is written so.
    return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                      Widen(iniFileName).c_str()) != FALSE;
}
