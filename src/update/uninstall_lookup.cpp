#include "update/uninstall_lookup.h"

#include <functional>

#include "common/paths.h"
#include "common/text.h"
#include "update/product_text.h"
#include "update/version.h"

namespace {

using Extract = std::function<std::string(const UninstallEntry&)>;  // "" means no match

std::string VersionWithoutV(const UninstallEntry& e) { return TrimText(CutTextPrefix(e.DisplayVersion, "v")); }

// A folder compared by its path, without quotes or a trailing separator.
std::string FolderKey(std::string_view path) {
    std::string s = TrimText(path);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return WithoutTrailingSeparator(s);
}

// DisplayIcon is a path, possibly quoted, possibly with ",index" behind it.
std::string IconFolder(std::string_view icon) {
    std::string s = TrimText(icon);
    size_t comma = s.rfind(',');
    if (comma != std::string::npos && s.find('\\', comma) == std::string::npos) s.resize(comma);
    return FolderKey(FileFolder(FolderKey(s)));
}

bool InFolder(const UninstallEntry& e, std::string_view folder) {
    std::string where = e.InstallLocation.empty() ? IconFolder(e.DisplayIcon) : FolderKey(e.InstallLocation);
    return !where.empty() && SameText(where, FolderKey(folder));
}

std::string FirstWordOf(std::string_view s) { return TokenAt(s, 0, " "); }

}  // namespace

std::string UninstallLookup::Find(UninstallLookupKind kind, std::string_view name, std::string_view term,
                                  std::string_view folder) {
    using K = UninstallLookupKind;
    const std::string nameText(name), termText(term), folderText(folder);
    Extract extract;
    switch (kind) {
    case K::DisplayVersion:
    case K::DisplayVersionInFolder:
        extract = [&](const UninstallEntry& e) {
            if (!TextIn(nameText, e.DisplayName)) return std::string();
            if (kind == K::DisplayVersionInFolder && !InFolder(e, folderText)) return std::string();
            return VersionWithoutV(e);
        };
        break;
    case K::VersionInName:
        extract = [&](const UninstallEntry& e) {
            return TextIn(nameText, e.DisplayName) ? LastVersionRun(e.DisplayName) : std::string();
        };
        break;
    case K::LastWord:
        extract = [&](const UninstallEntry& e) {
            if (!TextStartsWith(e.DisplayName, nameText)) return std::string();
            return TrimText(TokenAt(e.DisplayName, CountTokens(e.DisplayName, " -") - 1, " -"));
        };
        break;
    case K::SecondWord:
        extract = [&](const UninstallEntry& e) {
            return SameText(FirstWordOf(e.DisplayName), nameText) ? TokenAt(e.DisplayName, 1, " ") : std::string();
        };
        break;
    case K::FirstWordVersionInName:
        extract = [&](const UninstallEntry& e) {
            return SameText(FirstWordOf(e.DisplayName), nameText) ? LastVersionRun(e.DisplayName) : std::string();
        };
        break;
    case K::WithTerm:
    case K::WithoutTerm:
        extract = [&](const UninstallEntry& e) {
            if (!TextIn(nameText, e.DisplayName) || TextIn(termText, e.DisplayName) != (kind == K::WithTerm))
                return std::string();
            return VersionWithoutV(e);
        };
        break;
    case K::Publisher:
        extract = [](const UninstallEntry& e) {
            bool match = SameText(e.Publisher, "Yamicsoft") && TextIn("Manager", e.DisplayName) &&
                         TextIn("Windows", e.DisplayName);
            return match ? e.DisplayVersion : std::string();
        };
        break;
    }

    auto search = [&](RegistryHive hive) {
        std::string best;
        auto scan = [&](std::string_view view) {
            for (const auto& entry : sources_.UninstallEntries(hive, view)) {
                std::string found = extract(entry);
                if (!found.empty() &&
                    (best.empty() || TRenselVersion::Create(found).IsNewerThan(TRenselVersion::Create(best))))
                    best = std::move(found);
            }
        };
        scan("");
        // The 32-bit programs of 64-bit Windows register in their own view.
        if (sources_.HasWow6432View()) scan("Wow6432Node\\");
        return best;
    };

    if (kind == K::Publisher) return search(RegistryHive::CurrentUser);
    std::string result = search(RegistryHive::LocalMachine);
    if (result.empty() && (kind == K::DisplayVersion || kind == K::DisplayVersionInFolder))
        result = search(RegistryHive::CurrentUser);
    return result;
}

bool UninstallLookup::HasEntry(std::string_view name) {
    for (auto hive : {RegistryHive::LocalMachine, RegistryHive::CurrentUser})
        for (std::string_view view : {std::string_view(""), std::string_view("Wow6432Node\\")}) {
            if (!view.empty() && !sources_.HasWow6432View()) continue;
            for (const auto& e : sources_.UninstallEntries(hive, view))
                if (TextIn(name, e.DisplayName)) return true;
        }
    return false;
}
