#pragma once
// Text inside the program is UTF-8. These convert at the edges: UTF-16 records
// from the system, and 8-bit text in the ANSI code page (files, old SSIDs).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view s);

// Up to the first zero unit, at most max_units units. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* units, size_t max_units);
std::u16string Utf8ToUtf16(std::string_view s);

// The ANSI code page conversions. The Windows layer installs the platform's own
// (SetAnsiCodePage); until then, and after resetting with empty converters, bytes are
// taken as Latin-1, which suits the host tests.
using AnsiConverter = std::function<std::string(std::string_view)>;
void SetAnsiCodePage(AnsiConverter to_utf8, AnsiConverter from_utf8);
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// Bytes from a record that may be UTF-8 or ANSI: valid UTF-8 is kept, anything else is ANSI.
std::string BytesToUtf8(std::string_view bytes);
