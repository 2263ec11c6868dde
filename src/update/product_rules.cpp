#include "update/product_rules.h"

#include "common/paths.h"
#include "common/text.h"
#include "update/product_text.h"
#include "update/version.h"

namespace rules {

Subject Subject::ForFile(const std::string& fileName) {
    Subject s;
    s.fileName = fileName;
    s.baseName = FileBaseName(fileName);
    s.folder = FileFolder(fileName);
    s.folderName = FileFolderName(fileName);
    return s;
}

std::string Engine::Value(Field f, Subject& s) {
    auto info = [&]() -> const FileVersionInfoRec& {
        if (!s.info) s.info = sources_.ReadVersionInfo(s.fileName);
        return *s.info;
    };
    switch (f) {
    case Field::None:
    case Field::Beside: return "";
    case Field::BaseName: return s.baseName;
    case Field::Folder: return s.folder;
    case Field::FolderName: return s.folderName;
    case Field::Name: return s.name;
    case Field::Company: return s.company;
    case Field::Version: return s.version;
    case Field::FileDescription: return info().FileDescription;
    case Field::ResCompany: return info().CompanyName;
    case Field::ResFileVersion: return info().FileVersion;
    case Field::InternalName: return info().InternalName;
    case Field::LegalCopyright: return info().LegalCopyright;
    case Field::OriginalFilename: return info().OriginalFilename;
    case Field::ResProduct: return info().ProductName;
    case Field::ResProductVersion: return info().ProductVersion;
    case Field::FixedVersion:
        if (!s.fixedVersion) s.fixedVersion = sources_.FileVersionText(s.fileName);
        return *s.fixedVersion;
    }
    return "";
}

bool Engine::Holds(const Cond& c, Subject& s) {
    if (c.field == Field::None) return true;
    if (c.op == Op::Exists || c.op == Op::Missing)
        return sources_.FileHasContent(s.folder + std::string(c.arg)) == (c.op == Op::Exists);
    const std::string v = Value(c.field, s);
    auto version = [&] { return TRenselVersion::Create(v); };
    switch (c.op) {
    case Op::Is: return SameText(v, c.arg);
    case Op::IsCase: return v == c.arg;
    case Op::Begins: return TextStartsWith(v, c.arg);
    case Op::Ends: return TextEndsWith(v, c.arg);
    case Op::Has: return TextIn(c.arg, v);
    case Op::Lacks: return !TextIn(c.arg, v);
    case Op::Empty: return v.empty();
    case Op::NotEmpty: return !v.empty();
    case Op::DigitsDots: return !v.empty() && IsDigitsAndDots(v);
    case Op::PrefixDigits:
        return v.size() > c.arg.size() && TextStartsWith(v, c.arg) &&
               IsDigitsAndDots(std::string_view(v).substr(c.arg.size())) &&
               v.find('.', c.arg.size()) == std::string::npos;
    case Op::Below: return !v.empty() && TRenselVersion::Create(c.arg).IsNewerThan(version());
    case Op::AtLeast: return !v.empty() && !TRenselVersion::Create(c.arg).IsNewerThan(version());
    case Op::MajorAbove: return !v.empty() && version().Major > StrToIntDef(c.arg, 0);
    case Op::MajorBelow: return !v.empty() && version().Major < StrToIntDef(c.arg, 0);
    case Op::Exists:
    case Op::Missing: break;
    }
    return false;
}

std::optional<std::string> Engine::Run(const Rule& r, Subject& s, const std::string& current) {
    auto side = [&](std::string_view relative) -> std::optional<std::string> {
        auto bytes = sources_.ReadSideFile(s.folder + std::string(relative));
        if (!bytes) return std::nullopt;
        return DecodeTextFile(*bytes);
    };
    switch (r.act) {
    case Act::Set: return std::string(r.a);
    case Act::Append: return current + std::string(r.a);
    case Act::Replace: return ReplaceText(current, r.a, r.b);
    case Act::CutPrefix: return CutTextPrefix(current, r.a);
    case Act::CutSuffix: return CutTextSuffix(current, r.a);
    case Act::Copy: return Value(r.from, s);
    case Act::Chars: return VersionCharacters(Value(r.from, s));
    case Act::Uninstall: return lookup_.Find(r.lookup, r.a, r.b, s.folder);
    case Act::Ini:
        if (auto text = side(r.a)) return IniValue(*text, r.b, r.c);
        return std::nullopt;
    case Act::Xml:
        if (auto text = side(r.a)) return XmlTagText(*text, r.b);
        return std::nullopt;
    case Act::FirstLine:
        if (auto text = side(r.a)) return FirstLine(*text);
        return std::nullopt;
    case Act::LogLine:
        if (auto text = side(r.a)) return TextAfterMarker(*text, r.b);
        return std::nullopt;
    case Act::Sibling: {
        std::string sibling = s.folder + std::string(r.a);
        if (SameText(sibling, s.fileName) || !sources_.FileHasContent(sibling) || !siblingVersion_)
            return std::nullopt;
        return siblingVersion_(sibling);
    }
    case Act::Registry: return sources_.RegistryText(RegistryHive::LocalMachine, std::string(r.a), std::string(r.b));
    case Act::Subfolders: {
        std::string best;
        for (const auto& name : sources_.ListSubfolders(s.folder)) {
            size_t dot = name.rfind('.');
            if (dot == std::string::npos) continue;
            std::string candidate = name.substr(0, dot);
            if (IsFoundVersion(candidate) &&
                (best.empty() || TRenselVersion::Create(candidate).IsNewerThan(TRenselVersion::Create(best))))
                best = candidate;
        }
        return best;
    }
    case Act::Reorder: {
        if (!IsFoundVersion(current) || r.a.size() != 4) return std::nullopt;
        auto v = TRenselVersion::Create(current);
        const int32_t parts[4] = {v.Major, v.Minor, v.Release, v.Build};
        auto part = [&](size_t i) { return parts[(r.a[i] - '1') & 3]; };
        v.Major = part(0), v.Minor = part(1), v.Release = part(2), v.Build = part(3);
        return v.AsText();
    }
    }
    return std::nullopt;
}

bool Engine::Apply(std::span<const Rule> table, Subject& s, Target target) {
    std::string& text = target == Target::Name ? s.name : target == Target::Company ? s.company : s.version;
    for (const Rule& r : table) {
        bool holds = true;
        for (const Cond& c : r.when) holds = holds && Holds(c, s);
        if (!holds) continue;
        std::optional<std::string> result = Run(r, s, text);
        if (result && r.fix == Fix::RevisionDot) result = ReplaceText(*result, " rev ", ".");
        bool edit = r.act == Act::Set || r.act == Act::Append || r.act == Act::Replace || r.act == Act::CutPrefix ||
                    r.act == Act::CutSuffix || r.act == Act::Reorder;
        bool taken = false;
        if (result) switch (r.accept) {
            case Accept::Auto: taken = edit || !result->empty(); break;
            case Accept::Any: taken = true; break;
            case Accept::NotEmpty: taken = !result->empty(); break;
            case Accept::Found: taken = IsFoundVersion(*result); break;
            case Accept::DigitsDots: taken = !result->empty() && IsDigitsAndDots(*result); break;
            case Accept::Has: taken = TextIn(r.acceptArg, *result); break;
            }
        if (taken) text = std::move(*result);
        if (r.stop == Stop::OnMatch || (r.stop == Stop::OnResult && taken)) return true;
    }
    return false;
}

}  // namespace rules
