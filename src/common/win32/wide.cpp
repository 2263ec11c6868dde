#include "common/win32/wide.h"

#include <windows.h>

#include "common/encoding.h"

namespace {

std::wstring ToWide(UINT cp, std::string_view s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT cp, std::wstring_view w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string Narrow(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }
std::wstring WidenAnsi(std::string_view ansi) { return ToWide(CP_ACP, ansi); }
std::string NarrowAnsi(std::wstring_view wide) { return FromWide(CP_ACP, wide); }

void InstallAnsiCodePage() {
    SetAnsiCodePage([](std::string_view ansi) { return Narrow(WidenAnsi(ansi)); },
                    [](std::string_view utf8) { return NarrowAnsi(Widen(utf8)); });
}
