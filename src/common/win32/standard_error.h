#pragma once
// Messages for whoever started a program from a command line: its standard error
// stream when it has one (a file or pipe it was given, or the console it was started
// from, which a window program attaches to first).
#include <string_view>

void WriteStandardError(std::string_view utf8);
// The console program's output: UTF-8 bytes into a file or pipe, the text itself into a
// console. Written at once (nothing is buffered); false when the reader has gone.
bool WriteStandardOutput(std::string_view utf8);
