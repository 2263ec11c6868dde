#pragma once
// Plain text on the clipboard, as UTF-16 so that every program reads it right.
#include <windows.h>

#include <string>
#include <string_view>

bool SetClipboardText(HWND owner, std::string_view text);
std::string ClipboardText(HWND owner);  // "" when it holds no text
