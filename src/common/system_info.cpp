#include "common/system_info.h"

#include <cstdio>

#include "common/text.h"

namespace {

struct VersionName {
    uint32_t major;
    uint32_t minor;
    std::string_view suffix;
};

constexpr VersionName kNtVersions[] = {
    {5, 0, " (Windows 2000)"}, {5, 1, " (Windows XP)"}, {6, 0, " (Vista)"},
    {6, 1, " (Seven)"},        {6, 2, " (Windows8)"},   {6, 3, " (Windows8.1)"},
};

constexpr VersionName kWin9xVersions[] = {{4, 0, " (95)"}, {4, 10, " (98)"}, {4, 90, " (ME)"}};

// Windows 11 still reports 10.0; only its build numbers tell it apart.
constexpr int32_t kFirstWindows11Build = 20000;

std::string MajorMinor(uint32_t major, uint32_t minor) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u", major, minor);
    return text;
}

}  // namespace

std::string NtVersionTextFor(std::optional<WorkstationVersion> workstation, int32_t build) {
    if (!workstation) return "Unknown";
    const auto [major, minor] = *workstation;
    if (major == 10 && minor == 0) {
        const bool eleven = build >= kFirstWindows11Build;
        return (eleven ? "11.0." : "10.0.") + std::to_string(build) + (eleven ? " (Windows11)" : " (Windows10)");
    }
    std::string text = MajorMinor(major, minor);
    for (const auto& row : kNtVersions)
        if (row.major == major && row.minor == minor) return text + std::string(row.suffix);
    return text;
}

std::string Win9xVersionText(uint32_t major, uint32_t minor, std::string_view servicePack) {
    std::string text = MajorMinor(major, minor);
    // Second edition of 98 marks itself with " A" in the service-pack text.
    if (major == 4 && minor == 10 && servicePack.size() >= 2 && servicePack[1] == 'A') return text + " (98SE)";
    for (const auto& row : kWin9xVersions)
        if (row.major == major && row.minor == minor) return text + std::string(row.suffix);
    return text + " (Unknown)";
}

std::string WindowsVersionTextFor(const std::optional<OsVersionFacts>& os,
                                  std::optional<WorkstationVersion> workstation, std::string_view buildText) {
    if (!os) return "Unknown";
    if (os->platformId == 1) return Win9xVersionText(os->major, os->minor, os->servicePack);
    if (os->platformId == 2) return NtVersionTextFor(workstation, BuildNumberFromText(buildText));
    return "Unknown";
}

int32_t BuildNumberFromText(std::string_view buildText) { return StrToIntDef(buildText, 0); }
