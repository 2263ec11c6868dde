#pragma once
// Small 8-bit string helpers. Positions and counts follow the conventions of the
// settings and product-identification code: a count is a number of bytes, and
// "ignoring case" means ASCII A-Z only.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

std::string LeftPart(std::string_view s, int count);
std::string RightPart(std::string_view s, int count);
bool StartsWithCase(std::string_view s, std::string_view prefix);
bool TextStartsWith(std::string_view s, std::string_view prefix);
bool TextEndsWith(std::string_view s, std::string_view suffix);
bool TextIn(std::string_view sub, std::string_view s);
std::string CutTextPrefix(std::string_view s, std::string_view prefix);
std::string CutTextSuffix(std::string_view s, std::string_view suffix);
std::string TextBefore(std::string_view s, std::string_view sub);
std::string TextAfter(std::string_view s, std::string_view sub);
int CountTokens(std::string_view s, std::string_view delimiters);
std::string TokenAt(std::string_view s, int index, std::string_view delimiters);
std::string StripTrailingUrls(std::string_view s);
std::string UrlEncode(std::string_view s);
int MaxOf(int a, int b);

// Shared by the helpers above and their callers.
char AsciiLower(char c);
std::string AsciiLowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// 0 to 15 for a hexadecimal digit of either case, -1 for any other character.
int HexDigitValue(char c);
// Removes blanks and control characters (bytes <= 0x20) from both ends.
std::string TrimText(std::string_view s);

// The platform's string-to-integer rules: leading blanks, an optional sign, then
// decimal digits, or hexadecimal after "$", "x", "X", "0x" or "0X" (up to 32 bits,
// read as signed). Anything else, an empty text or an overflow is no number.
std::optional<int32_t> StrToInt(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t fallback);
