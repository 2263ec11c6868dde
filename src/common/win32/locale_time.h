#pragma once
// The user's locale separators: time for the log's time stamps, decimal for value texts.
#include <string>

std::string LocaleTimeSeparator();  // UTF-8; ":" when the locale has none
// Makes the log's time stamps use LocaleTimeSeparator.
void InstallLocaleTimeSeparator();

std::string LocaleDecimalSeparator();  // UTF-8; empty when the locale gives none
