// Program entry: the application title, every window in order, the message loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "common/win32/dll_search.h"
#include "common/win32/locale_time.h"
#include "common/win32/standard_error.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "shell/application.h"
#include "survey/win32/wlan_service.h"
#include "sitesurvey/win32/render_run.h"
#include "wireless/value_text.h"

// The loader resolves the program's own imports from the system folder only (the load
// configuration's dependent-load flags; the linker has no option for them here).
// Static data: the loader reads it before any code of the program runs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    .Size = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, EditList),  // the fields up to the load flags
    .Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32,                // DependentLoadFlags
};
#pragma GCC diagnostic pop


namespace {

std::string ProgramFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const UniqueLocalMemory owner(argv);
    for (int i = 1; argv && i < count; ++i) args.push_back(Narrow(argv[i]));
    return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
    RestrictDllSearchToSystem();
    // Work without a window: answered on the standard error stream and by the exit code.
    const std::vector<std::string> args = Arguments();
    if (!args.empty() && args[0] == "--render") {
        std::string error;
        const int code = RunRenderCommand(args, error);
        if (!error.empty()) WriteStandardError("vellumar: " + error + (error.back() == '\n' ? "" : "\n"));
        return code;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                                                     ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    InstallAnsiCodePage();
    InstallLocaleTimeSeparator();
    SetDecimalSeparator(LocaleDecimalSeparator());  // empty: the value texts keep "."

    std::unique_ptr<wlan::WlanApi> api = CreateWlanApi();
    Application app(MainDlgSetup{api.get(), ProgramFileName(), args});
    return app.Run(show_command);
}
