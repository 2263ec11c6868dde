#pragma once
// The Windows version text of the log header, decided from facts the platform reports.
// Pure, so every row of the tables is checked on any host.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the version call reports (OSVERSIONINFO).
struct OsVersionFacts {
    uint32_t platformId = 0;   // 1 = Windows 95 family, 2 = NT family
    uint32_t major = 0;
    uint32_t minor = 0;
    std::string servicePack;  // szCSDVersion
};

// Major and minor version from the workstation information (NetWkstaGetInfo level 100).
struct WorkstationVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
};

// "%d.%d" of the workstation version plus its name, e.g. "6.1 (Seven)" or "10.0.19045 (Windows10)";
// "Unknown" when the workstation version could not be read.
std::string NtVersionTextFor(std::optional<WorkstationVersion> workstation, int32_t build);

// "%d.%d" plus the Windows 95 family name, e.g. "4.10 (98SE)".
std::string Win9xVersionText(uint32_t major, uint32_t minor, std::string_view servicePack);

// The whole decision: "Unknown" when the version call failed or the platform is neither family.
// buildText is the registry's CurrentBuildNumber ("" when unreadable).
std::string WindowsVersionTextFor(const std::optional<OsVersionFacts>& os,
                                  std::optional<WorkstationVersion> workstation, std::string_view buildText);

// The build number as text, read as an integer; 0 when empty or not a number.
int32_t BuildNumberFromText(std::string_view buildText);
