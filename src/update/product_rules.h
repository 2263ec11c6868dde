#pragma once
// Product-specific repairs as data. A rule is one row: up to three conditions on the
// file and the texts found so far, and one action that writes the text the table
// works on (a name, a company or a version). Tables run top to bottom; a row may end
// its table. Adding a product is adding a row.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "update/file_info.h"
#include "update/product_sources.h"
#include "update/uninstall_lookup.h"

namespace rules {

enum class Field : uint8_t {
    None,
    BaseName,    // file name without folder and extension
    Folder,      // the file's folder, with its trailing separator
    FolderName,  // the folder's own name
    Name,        // product name found so far
    Company,     // company found so far
    Version,     // version found so far
    FileDescription, ResCompany, ResFileVersion, InternalName, LegalCopyright, OriginalFilename, ResProduct,
    ResProductVersion,  // the resource strings
    FixedVersion,       // the fixed file version of the resource
    Beside,             // a file beside the program; the argument is its relative path
};

enum class Op : uint8_t {
    Is,            // equal, ignoring case
    IsCase,        // equal exactly
    Begins,        // begins with, ignoring case
    Ends,          // ends with, ignoring case
    Has,           // contains, ignoring case
    Lacks,         // does not contain, ignoring case
    Empty,
    NotEmpty,
    DigitsDots,    // digits and dots only
    PrefixDigits,  // the argument, then one or more digits ("am" matches am12)
    Below,         // version below the argument
    AtLeast,       // version at least the argument
    MajorAbove,    // major part above the argument
    MajorBelow,    // major part below the argument
    Exists,        // Beside: the file exists and is not empty
    Missing,       // Beside: it does not
};

struct Cond {
    Field field = Field::None;
    Op op = Op::Is;
    std::string_view arg = {};
};

enum class Act : uint8_t {
    Set,        // a
    Append,     // text + a
    Replace,    // every a becomes b
    CutPrefix,  // a leading a goes
    CutSuffix,  // a trailing a goes
    Copy,       // the value of `from`
    Chars,      // the version-character rule applied to `from`
    Uninstall,  // lookup `lookup` for name a (term b)
    Ini,        // file a beside the program, section b, key c
    Xml,        // file a beside the program, the text of tag b
    FirstLine,  // file a beside the program, its first line
    LogLine,    // file a beside the program, the text after marker b on the first line holding it
    Sibling,    // the version of file a beside the program (it must exist and be another file)
    Registry,   // local machine key a, value b
    Subfolders, // the highest version among the subfolder names, each without its last "." part
    Reorder,    // version parts in the order a ("1423": major, build, minor, release)
};

enum class Accept : uint8_t {
    Auto,       // edits always; reads when not empty
    Any,
    NotEmpty,
    Found,      // a valid version
    DigitsDots, // not empty, digits and dots only
    Has,        // contains acceptArg
};

enum class Fix : uint8_t { None, RevisionDot /* " rev " -> "." */ };

enum class Stop : uint8_t {
    Never,
    OnResult,  // the table ends when the action's result was taken
    OnMatch,   // the table ends when the conditions held, whatever the action found
};

struct Rule {
    Cond when[3] = {};
    Act act = Act::Set;
    std::string_view a = {}, b = {}, c = {};
    UninstallLookupKind lookup = UninstallLookupKind::DisplayVersion;
    Field from = Field::None;
    Fix fix = Fix::None;
    Accept accept = Accept::Auto;
    std::string_view acceptArg = {};
    Stop stop = Stop::Never;
};

enum class Target : uint8_t { Name, Company, Version };

// What the rows see. The version resource and the fixed version are read on first use.
struct Subject {
    std::string fileName;
    std::string baseName;
    std::string folder;
    std::string folderName;
    std::string name;
    std::string company;
    std::string version;
    std::optional<FileVersionInfoRec> info;
    std::optional<std::string> fixedVersion;

    static Subject ForFile(const std::string& fileName);
};

class Engine {
public:
    using VersionOf = std::function<std::string(const std::string& file)>;
    Engine(ProductSources& sources, VersionOf siblingVersion)
        : sources_(sources), lookup_(sources), siblingVersion_(std::move(siblingVersion)) {}

    // Runs the rows in order on the target text; true when a row ended the table.
    bool Apply(std::span<const Rule> table, Subject& s, Target target);

    bool Holds(const Cond& c, Subject& s);
    std::string Value(Field f, Subject& s);

private:
    std::optional<std::string> Run(const Rule& r, Subject& s, const std::string& current);

    ProductSources& sources_;
    UninstallLookup lookup_;
    VersionOf siblingVersion_;
};

// The tables, in the order the identification runs them.
extern const std::span<const Rule> kNameFallbacks;   // empty names of a few known files; they end naming
extern const std::span<const Rule> kNameRules;       // before installer naming and trimming
extern const std::span<const Rule> kLateNameRules;   // after trimming
extern const std::span<const Rule> kCompanyRules;    // in company normalisation
extern const std::span<const Rule> kFileVersionRules;    // files with content, by base name; a version ends
extern const std::span<const Rule> kDirectVersionRules;  // no resource needed; a version ends
extern const std::span<const Rule> kPostVersionRules;    // replace empty or placeholder versions
extern const std::span<const Rule> kSubfolderVersionRules;  // versions kept in folder names; they end
extern const std::span<const Rule> kLateVersionRules;    // the rest

}  // namespace rules
