#include "update/product_text.h"

#include <algorithm>
#include <initializer_list>
#include <span>

#include "common/encoding.h"
#include "common/text.h"
#include "update/version.h"

namespace {

// The copyright sign in both spellings that reach us: the 8-bit character, and
// its UTF-8 form (which is also what 8-bit text shows when it was UTF-8 all along).
constexpr std::string_view kCopySign8 = "\xA9";
constexpr std::string_view kCopySignUtf8 = "\xC2\xA9";
constexpr std::string_view kRegisteredUtf8 = "\xC2\xAE";

bool EqualsAny(std::string_view s, std::span<const std::string_view> list) {
    return std::any_of(list.begin(), list.end(), [&](std::string_view t) { return SameText(s, t); });
}

std::string CutSuffixes(std::string s, std::span<const std::string_view> list) {
    for (auto suffix : list) s = CutTextSuffix(s, suffix);
    return s;
}

std::string CutPrefixes(std::string s, std::span<const std::string_view> list) {
    for (auto prefix : list) s = CutTextPrefix(s, prefix);
    return s;
}

size_t FirstOf(std::string_view s, std::string_view delims) { return s.find_first_of(delims); }

// The first word and the rest after its separator ("" when there is no separator).
std::string_view FirstWord(std::string_view s, std::string_view delims) { return s.substr(0, FirstOf(s, delims)); }
std::string DropFirstWord(std::string_view s, std::string_view delims) {
    size_t at = FirstOf(s, delims);
    return at == std::string_view::npos ? std::string() : std::string(s.substr(at + 1));
}
std::string_view LastWord(std::string_view s, std::string_view delims) {
    size_t at = s.find_last_of(delims);
    return at == std::string_view::npos ? s : s.substr(at + 1);
}
std::string DropLastWord(std::string_view s, std::string_view delims) {
    size_t at = s.find_last_of(delims);
    return at == std::string_view::npos ? std::string() : std::string(s.substr(0, at));
}

bool IsYear(std::string_view word) { return word.size() == 4 && StrToIntDef(word, 0) > 1990; }
bool IsShortYear(std::string_view word) { return word.size() == 2 && StrToIntDef(word, 0) > 0; }

size_t FindIgnoringCase(std::string_view s, std::string_view sub) {
    return AsciiLowerCase(s).find(AsciiLowerCase(sub));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ReplaceText(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    size_t at = 0;
    while (true) {
        size_t hit = from.empty() ? std::string_view::npos : s.find(from, at);
        if (hit == std::string_view::npos) break;
        out.append(s.substr(at, hit - at)).append(to);
        at = hit + from.size();
    }
    out.append(s.substr(at));
    return out;
}

std::string CleanName(std::string_view text) {
    std::string s(text), before;
    do {
        before = s;
        s = TrimText(StripTrailingUrls(s));
        if (!s.empty() && s.front() == '?') s.erase(0, 1);
        if (s.ends_with(" -")) s.resize(s.size() - 2);
        if (s == "@") s.clear();
    } while (s != before);
    return s;
}

std::string StripCopyright(std::string_view text) {
    static constexpr std::string_view kLeadWords[] = {"C", "(C)", kCopySign8, kCopySignUtf8, ",", "copyright", "by"};
    static constexpr std::string_view kLastWords[] = {"(C)", kCopySign8, kCopySignUtf8, ",", "copyright"};
    static constexpr std::string_view kLicenceTails[] = {
        " under GNU General Public License", " under the GPL", " under the GNU Public License (GPL)",
        " under GNU General Public License.", " under the GPL.", " under the GNU Public License (GPL).",
        "Freeware licensed under GPL", "This file is set under the General Public License.",
        "GNU General Public License v2", "Gnu General Public License (GPL, Copyleft)",
        ". This software is licensed under the terms of the GNU General Public License."};
    static constexpr std::string_view kReserved[] = {" All Rights Reserved.", " All Rights Reserved",
                                                     " All Rigths Reserved.", " All Rigths Reserved",
                                                     ".All Rights Reserved"};
    static constexpr std::string_view kLeadNoise[] = {
        kCopySign8, "Copyrights " "\xA9", "Copyright" "\xA9", "Copyright(c)", "Copyright" "\xC2\xA9",
        "Copyrights " "\xC2\xA9", "Copyright(r)", "Copyright?", "All rights reserved worldwide",
        "All Rights Reserved (C)", "All rights reserved", "(C)All rights reserved", "All rights reserverd",
        "All Rights Reversed", kCopySign8, kCopySignUtf8};
    static constexpr std::string_view kTailNoise[] = {
        "All rights reserved.", "All right reserved.", "Some right reserved.", "No rights reserved.",
        "This software is protected by international and romanian copyright and trade laws."};

    std::string s(text), before;
    do {
        before = s;
        // 1. stray commas at the ends
        if (s.ends_with(',')) s.pop_back();
        if (s.starts_with(',')) s.erase(0, 1);
        // 2. a leading copyright word
        if (EqualsAny(FirstWord(s, " -"), kLeadWords)) s = DropFirstWord(s, " -");
        // 3.
        s = CutTextPrefix(CutTextPrefix(s, "(c)"), "c)");
        // 4. a leading year
        if (IsYear(FirstWord(s, " -,"))) s = DropFirstWord(s, " -,");
        // 5. a leading year range such as 2009/2010
        if (s.find('/') != std::string::npos) {
            std::string_view part = FirstWord(s, "/");
            if (part.size() == 4 || IsShortYear(part)) s = DropFirstWord(s, "/");
        }
        // 6. a trailing copyright word or year
        std::string_view last = LastWord(s, " -");
        if (EqualsAny(last, kLastWords) || IsYear(last) || IsShortYear(last)) s = DropLastWord(s, " -");
        // 7. licence notes
        s = CutTextSuffix(s, "-");
        s = TrimText(CutSuffixes(s, kLicenceTails));
        // 8. "All Rights Reserved" and the punctuation that ended the sentence before it. Only
        //    punctuation goes with it: "Foo Corp All Rights Reserved" keeps its last letter.
        for (auto reserved : kReserved) {
            if (!TextEndsWith(s, reserved) || s.size() < reserved.size()) continue;
            s.resize(s.size() - reserved.size());
            if (!s.empty() && (s.back() == '.' || s.back() == ',' || s.back() == ';')) s.pop_back();
        }
        // 9.
        s = CutTextSuffix(CutTextPrefix(TrimText(s), "-"), "-");
        if (s.size() > 5 && s.back() == '.' && IsYear(std::string_view(s).substr(s.size() - 5, 4)))
            s.resize(s.size() - 5);
        // 10.
        s = CutSuffixes(CutPrefixes(s, kLeadNoise), kTailNoise);
    } while (s != before);
    return s;
}

std::string GenericProductName(const FileVersionInfoRec& info, std::string_view baseName) {
    const std::string& desc = info.FileDescription;
    const std::string& product = info.ProductName;
    const int d = CountTokens(ReplaceText(desc, " - ", "-"), " -");
    const int p = CountTokens(ReplaceText(product, " - ", "-"), " ");
    const int i = CountTokens(info.InternalName, " ");

    std::string result;
    if (p > 0 && p < 5) result = product;  // 2.1
    const bool descriptionNames =          // 2.2
        d > 0 && ((d >= p && desc.find('(') == std::string::npos) || result.find(kRegisteredUtf8) != std::string::npos) &&
        (d < 4 || (d == 4 && !SameText(product, baseName))) &&
        (SameText(baseName, "updater") || SameText(product, "shockwave") || !StartsWithCase(desc, product));
    if (descriptionNames) result = desc;
    if (result.empty()) result = d > 0 ? desc : p > 0 ? product : i > 0 ? info.InternalName : "";  // 2.3
    if (i > 0 && (result.empty() || CountTokens(result, " ") > 6)) result = info.InternalName;    // 2.4
    return result;
}

std::string InstallerName(std::string name, const FileVersionInfoRec& info) {
    const std::string& desc = info.FileDescription;
    if (TextStartsWith(desc, info.ProductName) && TextIn(" installer", desc)) name = desc;
    const bool installer = TextStartsWith(desc, "install ") || TextEndsWith(desc, " installationsprogramm") ||
                           TextStartsWith(info.OriginalFilename, "setup.exe") ||
                           TextStartsWith(info.OriginalFilename, "bootstrapper.exe");
    // Never "Foo installer installer", and a nameless setup keeps no name of its own.
    if (installer && !name.empty() && !TextEndsWith(name, " installer")) name += " installer";
    return name;
}

std::string TrimProductName(std::string name) {
    static constexpr std::string_view kFileWords[] = {".exe", ".dll", ".dll loader", "MFC Application",
                                                      "Application", "application file", "main executable"};
    static constexpr std::string_view kLeadWords[] = {"Main executable for", "32-Bit", "64-Bit"};
    static constexpr std::string_view kPlatformWords[] = {
        "for Windows", "for Win32", "for Windows NT", "for Windows NT/2000/XP/Vista", "for Windows 98/Me/2000/XP",
        "for Windows XP", "for WindowsNT", "for Win2k/XP", "for Windows(R)", "for Windows\xC2\xAE",
        "for Windows 2000/XP", "for Windows 9x/Me/NT/2k/XP", "64-bit", "32-bit",
        " www.nirsoft.net",  // one freeware publisher signs its descriptions with its site
        " executable"};
    name = CutPrefixes(CutSuffixes(std::move(name), kFileWords), kLeadWords);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    name = CleanName(CutTextPrefix(name, "ShInstUtil - "));
    return CutSuffixes(std::move(name), kPlatformWords);
}

std::string Add64BitSuffix(std::string name) {
    name = CutTextSuffix(CutTextSuffix(TrimText(name), " x64"), " (64 bits)");
    // A nameless image stays nameless, so the caller can still fall back on the file name.
    if (!name.empty()) name += " (64 bits)";
    return name;
}

std::string DropUnreadableName(std::string name) {
    if (name == "?" || name.find("??") != std::string::npos || name.starts_with('$')) name.clear();
    return name;
}

std::string CompanyTail(std::string s) {
    static constexpr std::string_view kLicences[] = {
        "GNU", "GPL", "GPL3", "See GPL licence", "See GPL license", "GNU GPL License",
        "GNU General Public License Version 3", "under the GNU General Public License (GPL)",
        "under the GNU General Public License", "Released under GPL", "Distributed under GPL license",
        "Gnu General Public License (GPL, Copyleft)", "GNU General Public License",
        "GNU General Public License v2", "GNU General Public License v2.0"};
    static constexpr std::string_view kLicenceTails[] = {
        ". Code released under the GNU General Public License", ". GNU General Public License",
        ".  GNU General Public License", " - Licensed under GPL", " / GNU General Public License", "(GPLv3)",
        "(GPL v3+)", "(GPL)", "Under GPL", ", using LGPL 3 License", ": GPLv2 or commercial"};
    static constexpr std::string_view kAuthorWords[] = {"Author: ", "Original author: ", "Developed by ",
                                                        ". See LICENSE.TXT for details."};
    static constexpr std::string_view kPlaceholders[] = {"TODO:", "Company", "none", "."};

    if (EqualsAny(s, kLicences) || TextIn("GNU GPL", s)) s.clear();
    s = TrimText(CutSuffixes(std::move(s), kLicenceTails));
    s = TrimText(CutPrefixes(std::move(s), kAuthorWords));
    // A web address as the last word, after a name of a few characters.
    for (auto [scheme, after] : {std::pair<std::string_view, size_t>{"http://", 5}, {"www.", 9}}) {
        size_t at = FindIgnoringCase(s, scheme);
        if (at != std::string::npos && at >= after && s.find(' ', at + scheme.size()) == std::string::npos)
            s = TrimText(std::string_view(s).substr(0, at));
    }
    if (TextEndsWith(s, "L.L.C.")) s = s.substr(0, s.size() - 6) + "LLC";
    while (s.size() > 1 && std::string_view("-,;([").find(s.back()) != std::string_view::npos) {
        s.pop_back();
        s = TrimText(s);
    }
    if (EqualsAny(s, kPlaceholders) || s.starts_with('$')) s.clear();
    return CleanName(s);
}

std::string VersionCharacters(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (IsDigit(c) || c == '.')
            out += c;
        else if (c == ',')
            out += '.';
        else if (c != ' ')
            break;
    }
    return out;
}

bool IsDigitsAndDots(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || c == '.'; });
}

bool IsFoundVersion(std::string_view text) { return !text.empty() && TRenselVersion::Create(text).IsValid(); }

std::string LastVersionRun(std::string_view text) {
    auto inRun = [](char c) { return IsDigit(c) || c == '.'; };
    size_t end = text.size();
    while (end > 0 && !IsDigit(text[end - 1])) --end;  // the run must hold a digit; outer dots go
    size_t begin = end;
    while (begin > 0 && inRun(text[begin - 1])) --begin;
    while (begin < end && text[begin] == '.') ++begin;
    return std::string(text.substr(begin, end - begin));
}

std::string RedirectSystemPath(std::string_view fileName, std::string_view systemFolder, bool underWow64) {
    std::string result(fileName);
    if (!underWow64 || systemFolder.empty() || !StartsWithCase(fileName, systemFolder)) return result;
    size_t at = FindIgnoringCase(fileName, "\\system32\\");
    if (at != std::string::npos) result.replace(at, 10, "\\sysnative\\");
    return result;
}

std::string DecodeTextFile(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        std::u16string units((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                             static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
        return Utf16ToUtf8(units.data(), units.size());
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return BytesToUtf8(bytes);
}

namespace {

// Calls fn(line) for every line (without its CR/LF) until fn returns true.
template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (fn(line)) return;
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

std::string IniValue(std::string_view text, std::string_view section, std::string_view key) {
    std::string result;
    bool inSection = false;
    ForEachLine(text, [&](std::string_view raw) {
        std::string line = TrimText(raw);
        if (line.starts_with('[')) {
            size_t close = line.find(']');
            inSection = close != std::string::npos && SameText(TrimText(line.substr(1, close - 1)), section);
            return false;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos || !SameText(TrimText(line.substr(0, eq)), key)) return false;
        result = TrimText(line.substr(eq + 1));
        if (result.size() >= 2 && result.front() == '"' && result.back() == '"') result = result.substr(1, result.size() - 2);
        return true;
    });
    return result;
}

std::string XmlTagText(std::string_view text, std::string_view tag) {
    const std::string open = "<" + std::string(tag), close = "</" + std::string(tag) + ">";
    for (size_t at = text.find(open); at != std::string_view::npos; at = text.find(open, at + 1)) {
        size_t after = at + open.size();
        if (after >= text.size() || std::string_view(">/ \t\r\n").find(text[after]) == std::string_view::npos) continue;
        size_t start = text.find('>', after);
        if (start == std::string_view::npos || text[start - 1] == '/') return "";
        size_t end = text.find(close, start);
        if (end == std::string_view::npos) return "";
        // Keep only the character data of nested elements (<name><text>Foo</text></name>).
        std::string inner;
        bool inTag = false;
        for (char c : text.substr(start + 1, end - start - 1)) {
            if (c == '<') inTag = true;
            else if (c == '>') inTag = false;
            else if (!inTag) inner += c;
        }
        return TrimText(inner);
    }
    return "";
}

std::string FirstLine(std::string_view text) {
    std::string result;
    ForEachLine(text, [&](std::string_view line) {
        result = TrimText(line);
        return true;
    });
    return result;
}

std::string TextAfterMarker(std::string_view text, std::string_view marker) {
    std::string result;
    ForEachLine(text, [&](std::string_view line) {
        size_t at = FindIgnoringCase(line, marker);
        if (at == std::string::npos) return false;
        result = TrimText(line.substr(at + marker.size()));
        return true;
    });
    return result;
}
