// The product-specific rows. Each row names the products it repairs; keep rows of
// one product together and in the order they must run.
#include "update/product_rules.h"

namespace rules {
namespace {

using enum Field;
using enum Op;
using K = UninstallLookupKind;

constexpr std::string_view kAirApplication = "META-INF\\AIR\\application.xml";
constexpr std::string_view kPortableAppInfo = "App\\AppInfo\\appinfo.ini";

constexpr Rule kNameFallbackRows[] = {
    {.when = {{BaseName, Is, "gswin32"}, {Folder, Has, "gs"}}, .a = "GPL Ghostscript", .stop = Stop::OnMatch},
    {.when = {{BaseName, Is, "nsis"}}, .a = "NSIS", .stop = Stop::OnMatch},
    {.when = {{BaseName, Is, "EAC"}, {FolderName, Is, "Exact Audio Copy"}}, .a = "Exact Audio Copy",
     .stop = Stop::OnMatch},
};

constexpr Rule kNameRows[] = {
    // Some tools of this maker carry a "?" where their resource lost a trademark sign.
    {.when = {{Name, Has, "?"}, {ResCompany, Has, "auslogics"}}, .act = Act::Replace, .a = "?", .b = ""},
    {.when = {{Name, Is, "Skype"}, {FixedVersion, Below, "8"}}, .a = "Skype Classic"},
    {.when = {{Name, Is, "PhotoFiltre"}, {FixedVersion, MajorAbove, "6"}}, .a = "PhotoFiltre Studio"},
    {.when = {{Name, Is, "Mozilla Firefox, Portable Edition"}}, .act = Act::Ini, .a = kPortableAppInfo,
     .b = "details", .c = "name", .accept = Accept::Has, .acceptArg = "Legacy"},
    // One launcher serves several editions; the folder tells them apart.
    {.when = {{Name, Has, "Warcraft"}, {Folder, Has, "_classic_era"}}, .act = Act::Append, .a = " Classic Era"},
    {.when = {{Name, Has, "Warcraft"}, {Folder, Has, "_classic_"}, {Folder, Lacks, "_era"}}, .act = Act::Append,
     .a = " Classic"},
    {.when = {{Name, Has, "Warcraft"}, {Folder, Has, "_PTR_"}}, .act = Act::Append, .a = " PTR"},
    {.when = {{Name, Has, "Warcraft"}, {Folder, Has, "_Beta_"}}, .act = Act::Append, .a = " Beta"},
    {.when = {{Name, Has, "Warcraft"}, {Folder, Has, "_Retail_"}}, .act = Act::Append, .a = " Retail"},
    // AIR applications keep their names in the package descriptor, not in the runtime's resource.
    {.when = {{Name, Empty}, {Beside, Exists, kAirApplication}}, .act = Act::Xml, .a = kAirApplication, .b = "name"},
    {.when = {{Name, Empty}, {Beside, Exists, kAirApplication}}, .act = Act::Xml, .a = kAirApplication,
     .b = "filename"},
};

constexpr Rule kLateNameRows[] = {
    {.when = {{Name, Begins, "AsrRgbLed"}}, .a = "ASRock RGB LED"},
};

constexpr Rule kCompanyRows[] = {
    {.when = {{Company, Begins, "Chemtable "}}, .a = "Chemtable Software"},
    {.when = {{Company, Is, "Chemtable"}}, .a = "Chemtable Software"},
    {.when = {{Company, Begins, "RStudio"}}, .a = "RStudio, PBC"},
    {.when = {{Company, Empty}, {Name, Has, "WizTree"}}, .a = "Antibody Software"},
    {.when = {{Company, Empty}, {Beside, Exists, kAirApplication}}, .act = Act::Xml, .a = kAirApplication,
     .b = "copyright"},
};

constexpr Rule kFileVersionRows[] = {
    // The filter's resource keeps one version for years; its installer records the build.
    {.when = {{BaseName, Is, "ffdshow"}}, .act = Act::Registry, .a = "SOFTWARE\\GNU\\ffdshow\\", .b = "revision",
     .accept = Accept::Found, .stop = Stop::OnResult},
};

constexpr Rule kDirectVersionRows[] = {
    {.when = {{Name, Is, "8GadgetPack"}}, .act = Act::Uninstall, .a = "8GadgetPack", .lookup = K::DisplayVersion,
     .accept = Accept::Found, .stop = Stop::OnResult},
    {.when = {{Name, Is, "NVIDIA GeForce Experience"}}, .act = Act::Uninstall, .a = "NVIDIA GeForce Experience",
     .lookup = K::DisplayVersion, .accept = Accept::Found, .stop = Stop::OnResult},
    {.when = {{Name, Is, "AMD Ryzen Master"}}, .act = Act::Uninstall, .a = "AMD Ryzen Master",
     .lookup = K::DisplayVersion, .accept = Accept::Found, .stop = Stop::OnResult},
    // Launchers whose program beside them carries the product's version.
    {.when = {{BaseName, Is, "WindscribeLauncher"}}, .act = Act::Sibling, .a = "Windscribe.exe",
     .accept = Accept::Found, .stop = Stop::OnResult},
    {.when = {{BaseName, Is, "RevoUPort"}}, .act = Act::Sibling, .a = "x86\\RevoUn.exe", .accept = Accept::Found,
     .stop = Stop::OnResult},
};

constexpr Rule kPostVersionRows[] = {
    {.when = {{BaseName, Is, "nsis"}}, .act = Act::Uninstall, .a = "Nullsoft Install System",
     .lookup = K::DisplayVersion, .accept = Accept::Found},
    {.when = {{Version, Is, "1.0.0.0"}, {Name, Has, "ArtMoney"}, {BaseName, PrefixDigits, "am"}},
     .act = Act::Uninstall, .a = "ArtMoney", .lookup = K::DisplayVersion, .accept = Accept::Found},
};

constexpr Rule kSubfolderVersionRows[] = {
    // The browser's stub keeps 0.0.0.0; each installed version lives in a folder named after it.
    {.when = {{Name, Is, "Google Chrome"}, {Version, IsCase, "0.0.0.0"}}, .act = Act::Subfolders,
     .accept = Accept::Any, .stop = Stop::OnMatch},
};

constexpr Rule kLateVersionRows[] = {
    // Year-numbered suites put the build where the minor part belongs.
    {.when = {{Company, Begins, "SoftMaker "}, {Version, MajorAbove, "2000"}, {Version, MajorBelow, "2100"}},
     .act = Act::Reorder, .a = "1423"},
    {.when = {{Version, Empty}, {Beside, Exists, kAirApplication}}, .act = Act::Xml, .a = kAirApplication,
     .b = "versionNumber", .accept = Accept::Found},
    // Portable packages: the launcher's resource is the launcher's; the package version is the product's.
    {.when = {{Name, Ends, ", Portable Edition"}, {Beside, Exists, kPortableAppInfo}}, .act = Act::Ini,
     .a = kPortableAppInfo, .b = "version", .c = "PackageVersion", .fix = Fix::RevisionDot, .accept = Accept::Found},
};

}  // namespace

const std::span<const Rule> kNameFallbacks = kNameFallbackRows;
const std::span<const Rule> kNameRules = kNameRows;
const std::span<const Rule> kLateNameRules = kLateNameRows;
const std::span<const Rule> kCompanyRules = kCompanyRows;
const std::span<const Rule> kFileVersionRules = kFileVersionRows;
const std::span<const Rule> kDirectVersionRules = kDirectVersionRows;
const std::span<const Rule> kPostVersionRules = kPostVersionRows;
const std::span<const Rule> kSubfolderVersionRules = kSubfolderVersionRows;
const std::span<const Rule> kLateVersionRules = kLateVersionRows;

}  // namespace rules
