#include "common/win32/locale_time.h"

#include <windows.h>

#include "common/run_log.h"
#include "common/win32/wide.h"

std::string LocaleTimeSeparator() {
    wchar_t buf[8] = {};  // the separator has at most four characters
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, static_cast<int>(std::size(buf)));
    if (n <= 1) return ":";
    return Narrow(std::wstring_view(buf, static_cast<size_t>(n - 1)));
}

void InstallLocaleTimeSeparator() {
    // Asked at every line: the user may change the locale while the program runs.
    SetLogTimeSeparator(LocaleTimeSeparator);
}

std::string LocaleDecimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, static_cast<int>(std::size(separator))) > 0)
        return Narrow(separator);
    return {};
}
