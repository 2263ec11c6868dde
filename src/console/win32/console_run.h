#pragma once
// The console program's commands over the survey session: what it prints on the
// standard streams and its exit code (console/console_command.h has the codes).
#include <string>
#include <vector>

// args: after the program's name.
int RunConsole(const std::vector<std::string>& args);
