#include "update/version_resource.h"

#include <array>
#include <cstdio>

#include "common/encoding.h"
#include "common/text.h"
#include "update/product_text.h"

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;  // VS_FIXEDFILEINFO: 13 DWORDs
constexpr size_t kBlockHeader = 6;     // wLength, wValueLength, wType

uint16_t Word(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t Dword(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(Word(b, at)) | static_cast<uint32_t>(Word(b, at + 2)) << 16;
}
size_t Align4(size_t at) { return (at + 3) & ~size_t{3}; }

// UTF-16 text from `at` up to its zero unit or `end`; `next` is set past the zero unit.
std::string ReadText(std::span<const uint8_t> b, size_t at, size_t end, size_t* next = nullptr) {
    size_t count = 0;
    while (at + 2 * count + 2 <= end && Word(b, at + 2 * count) != 0) ++count;
    std::vector<char16_t> units(count);
    for (size_t i = 0; i < count; ++i) units[i] = Word(b, at + 2 * i);
    if (next) *next = std::min(at + 2 * count + 2, end);
    return Utf16ToUtf8(units.data(), count);
}

// One node of the block tree. Offsets are absolute within the span, which starts
// at the resource itself (alignment is counted from there).
struct Node {
    size_t end = 0;
    std::string key;
    uint16_t valueLength = 0;
    uint16_t type = 0;
    size_t value = 0;
    size_t children = 0;
};

std::optional<Node> ReadNode(std::span<const uint8_t> b, size_t at, size_t limit) {
    if (at + kBlockHeader > limit) return std::nullopt;
    size_t length = Word(b, at);
    if (length < kBlockHeader) return std::nullopt;
    Node n;
    n.end = std::min(at + length, limit);  // a truncated block is read as far as it goes
    n.valueLength = Word(b, at + 2);
    n.type = Word(b, at + 4);
    size_t afterKey = 0;
    n.key = ReadText(b, at + kBlockHeader, n.end, &afterKey);
    n.value = std::min(Align4(afterKey), n.end);
    size_t valueBytes = n.type == 1 ? size_t{n.valueLength} * 2 : n.valueLength;
    n.children = std::min(Align4(std::min(n.value + valueBytes, n.end)), n.end);
    return n;
}

template <typename Fn>
void ForEachChild(std::span<const uint8_t> b, const Node& parent, Fn fn) {
    size_t at = parent.children;
    while (auto child = ReadNode(b, at, parent.end)) {
        fn(*child);
        size_t next = Align4(child->end);
        if (next <= at) break;
        at = next;
    }
}

std::string TranslationKey(uint32_t translation) {
    std::array<char, 16> key{};
    std::snprintf(key.data(), key.size(), "%04x%04x", static_cast<unsigned>(translation >> 16),
                  static_cast<unsigned>(translation & 0xFFFF));
    return key.data();
}

const VersionResource::StringTable* FindTable(const VersionResource& r, std::string_view key) {
    for (const auto& t : r.tables)
        if (SameText(t.key, key)) return &t;
    return nullptr;
}

std::string Lookup(const VersionResource::StringTable& t, std::string_view name) {
    for (const auto& [k, v] : t.strings)
        if (SameText(k, name)) return v;
    return "";
}

FileVersionInfoRec StringsOf(const VersionResource::StringTable* t) {
    if (!t) return {};
    return {Lookup(*t, "FileDescription"), Lookup(*t, "CompanyName"),      Lookup(*t, "FileVersion"),
            Lookup(*t, "InternalName"),    Lookup(*t, "LegalCopyright"),   Lookup(*t, "OriginalFilename"),
            Lookup(*t, "ProductName"),     Lookup(*t, "ProductVersion")};
}

bool LacksKeyStrings(const FileVersionInfoRec& r) {
    return r.FileDescription.empty() && r.CompanyName.empty() && r.FileVersion.empty();
}

std::string CommaVersion(const std::string& s) { return ReplaceText(s, ", ", "."); }

}  // namespace

std::optional<VersionResource> ParseVersionResource(std::span<const uint8_t> b) {
    auto root = ReadNode(b, 0, b.size());
    if (!root || root->key != "VS_VERSION_INFO") return std::nullopt;
    VersionResource r;
    if (root->valueLength >= kFixedInfoSize && root->value + kFixedInfoSize <= root->end &&
        Dword(b, root->value) == kFixedInfoSignature) {
        r.hasFixedInfo = true;
        r.fileVersionMS = Dword(b, root->value + 8);
        r.fileVersionLS = Dword(b, root->value + 12);
    }
    ForEachChild(b, *root, [&](const Node& info) {
        if (SameText(info.key, "StringFileInfo")) {
            ForEachChild(b, info, [&](const Node& table) {
                VersionResource::StringTable t{table.key, {}};
                ForEachChild(b, table, [&](const Node& s) {
                    std::string value = s.valueLength == 0 ? "" : ReadText(b, s.value, s.end);
                    t.strings.emplace_back(s.key, std::move(value));
                });
                r.tables.push_back(std::move(t));
            });
        } else if (SameText(info.key, "VarFileInfo")) {
            ForEachChild(b, info, [&](const Node& var) {
                if (!SameText(var.key, "Translation")) return;
                size_t end = std::min(var.value + var.valueLength, var.end);
                for (size_t at = var.value; at + 4 <= end; at += 4)
                    r.translations.push_back(static_cast<uint32_t>(Word(b, at)) << 16 | Word(b, at + 2));
            });
        }
    });
    return r;
}

FileVersionInfoRec VersionStrings(const VersionResource& r) {
    FileVersionInfoRec rec = StringsOf(FindTable(r, "040904E4"));
    if (LacksKeyStrings(rec) && !r.translations.empty())
        rec = StringsOf(FindTable(r, TranslationKey(r.translations.front())));
    if (LacksKeyStrings(rec) && !r.tables.empty()) rec = StringsOf(&r.tables.front());
    rec.FileVersion = CommaVersion(rec.FileVersion);
    rec.ProductVersion = CommaVersion(rec.ProductVersion);
    return rec;
}

FileVersionInfoRec VersionStringsFromBlock(std::span<const uint8_t> block) {
    auto r = ParseVersionResource(block);
    return r ? VersionStrings(*r) : FileVersionInfoRec{};
}

std::string FixedFileVersionText(const VersionResource& r) {
    if (!r.hasFixedInfo) return "";
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%u.%u.%u.%u", static_cast<unsigned>(r.fileVersionMS >> 16),
                  static_cast<unsigned>(r.fileVersionMS & 0xFFFF), static_cast<unsigned>(r.fileVersionLS >> 16),
                  static_cast<unsigned>(r.fileVersionLS & 0xFFFF));
    return text.data();
}

bool IsPe64Image(std::span<const uint8_t> b) {
    constexpr size_t kHeaderOffsetAt = 60;
    constexpr size_t kMagicFromSignature = 4 + 20;  // the signature, then IMAGE_FILE_HEADER
    if (b.size() < kHeaderOffsetAt + 4 || b[0] != 'M' || b[1] != 'Z') return false;
    uint64_t pe = Dword(b, kHeaderOffsetAt);
    if (pe + kMagicFromSignature + 2 > b.size()) return false;
    if (b[pe] != 'P' || b[pe + 1] != 'E' || b[pe + 2] != 0 || b[pe + 3] != 0) return false;
    return Word(b, static_cast<size_t>(pe + kMagicFromSignature)) == 0x20B;
}
