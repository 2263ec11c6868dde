#pragma once
// The uninstall-registry lookups: each finds the installed programs whose display
// name matches and keeps the highest version among them. "" when none matches.
#include <string>
#include <string_view>

#include "update/product_sources.h"

enum class UninstallLookupKind : uint8_t {
    DisplayVersion,          // name contained; DisplayVersion; local machine, then current user
    DisplayVersionInFolder,  // the same, only entries installed in the file's folder
    VersionInName,           // name contained; last run of digits and dots of the name
    LastWord,                // name begins the display name; its last word
    SecondWord,              // first word is the name; the second word
    FirstWordVersionInName,  // first word is the name; last run of digits and dots
    WithTerm,                // name and term contained; DisplayVersion
    WithoutTerm,             // name contained, term not; DisplayVersion
    Publisher,               // current user, the one publisher rule
};

class UninstallLookup {
public:
    explicit UninstallLookup(ProductSources& sources) : sources_(sources) {}

    std::string Find(UninstallLookupKind kind, std::string_view name, std::string_view term = {},
                     std::string_view folder = {});
    // Some entry (any hive and view) has a display name containing `name`.
    bool HasEntry(std::string_view name);

    std::string DisplayVersion(std::string_view name, std::string_view folder = {}) {
        return Find(folder.empty() ? UninstallLookupKind::DisplayVersion : UninstallLookupKind::DisplayVersionInFolder,
                    name, {}, folder);
    }

private:
    ProductSources& sources_;
};
