#pragma once
// The user's locale time separator for the log's time stamps.
#include <string>

std::string LocaleTimeSeparator();  // UTF-8; ":" when the locale has none
// Makes the log's time stamps use LocaleTimeSeparator.
void InstallLocaleTimeSeparator();
