#include "shell/housekeeping.h"

#include "common/paths.h"
#include "common/product.h"
#include "common/system_info.h"
#include "common/uid.h"
#include "common/user_text.h"
#include "common/win32/files.h"
#include "common/win32/installed_programs.h"
#include "common/win32/profile_file.h"
#include "common/win32/settings.h"
#include "common/win32/system_info_win.h"
#include "net/maker_server.h"
#include "net/win32/http_custo.h"

std::string ProgramPlace::Folder() const { return FileFolder(exeName); }

std::string ProgramPlace::DataFolder() const { return ::DataFolder(exeName, kProductName); }

bool ProgramPlace::IsPortable() const { return !IsProductInstalled(kInstalledProductPrefix); }

void ImportPortableSettings(const ProgramPlace& place) {
    if (place.IsPortable()) ImportSettingsFromIni(kProductName, place.Folder() + std::string(kSettingsFileName));
}

void InitUserIdentifier() {
    if (!ReadSetting("uid").empty()) return;
    WriteSetting("uid", MakeUserIdentifier(LocalTimeNow()));
}

void WriteLogHeader(TRunLog* log, const ProgramPlace& place, const std::string& caption, bool debug) {
    LogAdd(log, "Starting", LogLevel::Info);
    if (debug) LogAdd(log, "Debug mode", LogLevel::Verbose);
    LogAdd(log, place.exeName, LogLevel::Info);
    LogAdd(log, caption, LogLevel::Info);
    LogAdd(log, "Windows : " + WindowsVersionText(), LogLevel::Info);
    LogAdd(log, "64Bits : " + YesNo(IsWindows64()), LogLevel::Info);
    LogAdd(log, "Administrator : " + YesNo(RunsAsAdministrator()), LogLevel::Info);
    LogAdd(log, "Portable : " + YesNo(place.IsPortable()), LogLevel::Info);
    if (!place.arguments.empty()) LogAdd(log, place.arguments.front(), LogLevel::Info);
    LogAdd(log, "UID : " + ReadSetting("uid"), LogLevel::Verbose);
    LogAdd(log, OpenSslLogLine(), LogLevel::Verbose);
}

std::string LookupErrorHint(const ProgramPlace& place, const std::string& key, const std::string& fallback) {
    std::string value = ReadProfileString(place.DataFolder() + std::string(kHintFileName), "errors", key, "");
    return value.size() >= 2 ? value : fallback;
}

void CloseHousekeeping(TRunLog* log, const ProgramPlace& place) {
    const std::string mirror = CleanVirtualStore(place.Folder());
    if (!mirror.empty()) LogAdd(log, "Cleaning VirtualStore : " + mirror, LogLevel::Verbose);
    LogAdd(log, "Closing Vellumar...", LogLevel::Info);
    if (!place.IsPortable()) return;
    RemoveEmptyMakerFolder();
    if (ExportSettingsToIni(kProductName, place.Folder() + std::string(kSettingsFileName))) {
        DeleteProductKey(kProductName);
        UnregisterProgramPath(kProductName);
        DeleteMakerKeyIfEmpty();
    }
}
