#include "update/product_info.h"

#include "common/paths.h"
#include "common/text.h"
#include "update/product_rules.h"
#include "update/product_text.h"
#include "update/uninstall_lookup.h"

namespace {

// File names that stand for packages without one program file.
struct PseudoFile {
    std::string_view key, name, company;
    UninstallLookupKind lookup;
    std::string_view lookupName, term;
    std::string_view unlessInstalled;  // an entry of this name empties the version
};

constexpr PseudoFile kPseudoFiles[] = {
    {"CCCP", "Combined Community Codec Pack", "CCCP Project", UninstallLookupKind::DisplayVersion,
     "Combined Community Codec Pack", "", ""},
    {"QTA", "QuickTime Alternative", "QuickTime Alternative Team", UninstallLookupKind::VersionInName,
     "QuickTime Alternative", "", ""},
    {"QTL", "QuickTime Lite", "QuickTime Lite Team", UninstallLookupKind::VersionInName, "QT Lite", "", ""},
    {"KLITE", "K-Lite Codec Pack", "K-Lite Codec Pack Team", UninstallLookupKind::WithoutTerm, "K-Lite Codec Pack",
     "64-bit", ""},
    {"KLITE64", "K-Lite Codec Pack (64-Bits)", "K-Lite Codec Pack Team", UninstallLookupKind::WithTerm,
     "K-Lite Codec Pack", "64-bit", ""},
    {"KLITEMEGA", "K-Lite Codec Pack (Mega)", "K-Lite Codec Pack Team", UninstallLookupKind::DisplayVersion,
     "K-Lite Mega Codec Pack", "", ""},
    // "HashTab" is part of "OpenHashTab": with the successor installed the old entry is not ours.
    {"HASHTAB", "HashTab", "Implbits Software", UninstallLookupKind::DisplayVersion, "HashTab", "", "OpenHashTab"},
    {"OPENHASHTAB", "OpenHashTab", "namazso", UninstallLookupKind::DisplayVersion, "OpenHashTab", "", ""},
};

// Compared exactly and with the whole file name.
const PseudoFile* FindPseudoFile(const std::string& fileName) {
    for (const auto& p : kPseudoFiles)
        if (fileName == p.key) return &p;
    return nullptr;
}

constexpr std::string_view kExactAudioCopySite = "www.exactaudiocopy.de";
constexpr int kMaxSiblingDepth = 2;  // a sibling's rows may name another sibling, never in a loop

}  // namespace

std::string ProductIdentifier::RedirectSystemPath(const std::string& fileName) {
    if (!sources_.RunsUnderWow64()) return fileName;
    return ::RedirectSystemPath(fileName, sources_.SystemFolder(), true);
}

FileVersionInfoRec ProductIdentifier::ReadVersionInfo(const std::string& fileName) {
    return sources_.ReadVersionInfo(RedirectSystemPath(fileName));
}

bool ProductIdentifier::IsPe64(const std::string& fileName) { return sources_.IsPe64(RedirectSystemPath(fileName)); }

TDisplayedFileInfo ProductIdentifier::GetFileProductInfo(const std::string& fileName) {
    TDisplayedFileInfo result;
    result.ProductName = GetFileProductName(fileName);
    result.CompanyName = GetFileCompany(fileName, result.ProductName);
    if (result.ProductName.empty() && !result.CompanyName.empty())
        result.ProductName = FileBaseName(RedirectSystemPath(fileName));
    return result;
}

std::string ProductIdentifier::GetFileProductName(const std::string& fileName) {
    const std::string file = RedirectSystemPath(fileName);
    if (const auto* pseudo = FindPseudoFile(file)) return std::string(pseudo->name);

    rules::Engine engine(sources_, nullptr);
    rules::Subject s = rules::Subject::ForFile(file);
    s.info = sources_.ReadVersionInfo(file);
    s.name = GenericProductName(*s.info, s.baseName);
    if (s.name.empty() && engine.Apply(rules::kNameFallbacks, s, rules::Target::Name)) return s.name;
    engine.Apply(rules::kNameRules, s, rules::Target::Name);
    s.name = TrimProductName(InstallerName(std::move(s.name), *s.info));
    engine.Apply(rules::kLateNameRules, s, rules::Target::Name);
    s.name = TrimText(s.name);
    if (sources_.IsPe64(file)) s.name = Add64BitSuffix(std::move(s.name));
    return DropUnreadableName(std::move(s.name));
}

std::string ProductIdentifier::NormaliseCompany(const std::string& file, std::string company,
                                                std::string& productName) {
    company = TrimText(TextBefore(company, "\r"));
    if (company == "-") company.clear();
    if (productName.empty()) productName = GetFileProductName(file);

    rules::Engine engine(sources_, nullptr);
    rules::Subject s = rules::Subject::ForFile(file);
    s.name = productName;
    s.company = std::move(company);
    engine.Apply(rules::kCompanyRules, s, rules::Target::Company);
    return CompanyTail(std::move(s.company));
}

std::string ProductIdentifier::GetFileCompany(const std::string& fileName, const std::string& productName) {
    const std::string file = RedirectSystemPath(fileName);
    if (const auto* pseudo = FindPseudoFile(file)) return std::string(pseudo->company);

    const FileVersionInfoRec info = sources_.ReadVersionInfo(file);
    std::string company = info.CompanyName == ", LLC" ? "" : info.CompanyName;
    if (company.empty() && SameText(FileBaseName(file), "EAC") && SameText(FileFolderName(file), "Exact Audio Copy"))
        return std::string(kExactAudioCopySite);

    std::string product = productName;
    std::string result = NormaliseCompany(file, company, product);
    if (result.empty()) result = NormaliseCompany(file, TrimText(info.LegalCopyright), product);
    std::string stripped = StripCopyright(result);
    if (stripped != result) result = NormaliseCompany(file, stripped, product);
    if (result == "?" || result.find("??") != std::string::npos) result.clear();
    return result;
}

std::string ProductIdentifier::GetFileProductVersion(std::string& fileName, std::string productName,
                                                     std::string company) {
    fileName = RedirectSystemPath(fileName);
    UninstallLookup lookup(sources_);
    if (const auto* pseudo = FindPseudoFile(fileName)) {
        if (!pseudo->unlessInstalled.empty() && lookup.HasEntry(pseudo->unlessInstalled)) return "";
        return lookup.Find(pseudo->lookup, pseudo->lookupName, pseudo->term);
    }
    if (productName.empty()) {
        TDisplayedFileInfo names = GetFileProductInfo(fileName);
        productName = names.ProductName;
        company = names.CompanyName;
    }

    rules::Engine engine(sources_, [this](const std::string& sibling) {
        if (siblingDepth_ >= kMaxSiblingDepth) return std::string();
        ++siblingDepth_;
        std::string file = sibling;
        std::string version = GetFileProductVersion(file, "", "");
        --siblingDepth_;
        return version;
    });
    rules::Subject s = rules::Subject::ForFile(fileName);
    s.name = productName;
    s.company = company;
    using rules::Target;
    if (sources_.FileHasContent(fileName) && engine.Apply(rules::kFileVersionRules, s, Target::Version))
        return s.version;
    if (engine.Apply(rules::kDirectVersionRules, s, Target::Version)) return s.version;

    s.version = sources_.FileVersionText(fileName);
    if (s.version == "File not found") s.version.clear();
    engine.Apply(rules::kPostVersionRules, s, Target::Version);
    if (engine.Apply(rules::kSubfolderVersionRules, s, Target::Version)) return s.version;
    engine.Apply(rules::kLateVersionRules, s, Target::Version);
    return s.version;
}
