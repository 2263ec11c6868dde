// The console program's entry: vellumar.com beside vellumar.exe, found first when a
// user types "vellumar" in a console window.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "common/win32/dll_search.h"
#include "common/win32/wide.h"
#include "console/win32/console_run.h"

// The loader resolves the program's own imports from the system folder only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    .Size = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, EditList),
    .Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32,  // DependentLoadFlags
};
#pragma GCC diagnostic pop

extern "C" int wmain(int argc, wchar_t** argv) {
    RestrictDllSearchToSystem();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
    return RunConsole(args);
}
