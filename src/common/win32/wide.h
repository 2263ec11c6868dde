#pragma once
// UTF-8 <-> UTF-16 for the W functions, and the ANSI code page at file boundaries.
#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
std::wstring WidenAnsi(std::string_view ansi);   // CP_ACP bytes -> UTF-16
std::string NarrowAnsi(std::wstring_view wide);  // UTF-16 -> CP_ACP bytes, the platform's best fit
// Makes the portable AnsiToUtf8/Utf8ToAnsi use the system's ANSI code page.
void InstallAnsiCodePage();
