#pragma once
// Messages for whoever started a program from a command line: its standard error
// stream when it has one (a file or pipe it was given, or the console it was started
// from, which a window program attaches to first).
#include <string_view>

void WriteStandardError(std::string_view utf8);
