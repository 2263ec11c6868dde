#pragma once
// Builds VS_VERSIONINFO blocks byte by byte, the way resource compilers lay them out.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace version_block {

struct Node {
    std::u16string key;
    std::vector<uint8_t> value;
    uint16_t valueLength = 0;
    uint16_t type = 1;
    std::vector<Node> children;
};

inline void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
inline void Pad(std::vector<uint8_t>& out) {
    while (out.size() % 4) out.push_back(0);
}

inline void Emit(std::vector<uint8_t>& out, const Node& n) {
    size_t start = out.size();
    Put16(out, 0);
    Put16(out, n.valueLength);
    Put16(out, n.type);
    for (char16_t c : n.key) Put16(out, c);
    Put16(out, 0);
    Pad(out);
    out.insert(out.end(), n.value.begin(), n.value.end());
    for (size_t i = 0; i < n.children.size(); ++i) {
        Pad(out);
        Emit(out, n.children[i]);
    }
    size_t length = out.size() - start;
    out[start] = static_cast<uint8_t>(length & 0xFF);
    out[start + 1] = static_cast<uint8_t>(length >> 8);
}

inline Node Text(std::u16string key, std::u16string text) {
    Node n{std::move(key), {}, static_cast<uint16_t>(text.size() + 1), 1, {}};
    for (char16_t c : text) Put16(n.value, c);
    Put16(n.value, 0);
    return n;
}

inline Node Table(std::u16string key, std::vector<std::pair<std::u16string, std::u16string>> strings) {
    Node n{std::move(key), {}, 0, 1, {}};
    for (auto& [k, v] : strings) n.children.push_back(Text(k, v));
    return n;
}

// translations: language << 16 | code page
inline std::vector<uint8_t> Block(uint32_t ms, uint32_t ls, std::vector<Node> tables,
                                  std::vector<uint32_t> translations) {
    Node root{u"VS_VERSION_INFO", {}, 52, 0, {}};
    Put32(root.value, 0xFEEF04BD);
    Put32(root.value, 0x00010000);
    Put32(root.value, ms);
    Put32(root.value, ls);
    Put32(root.value, ms);
    Put32(root.value, ls);
    for (int i = 0; i < 7; ++i) Put32(root.value, 0);
    if (!tables.empty()) root.children.push_back(Node{u"StringFileInfo", {}, 0, 1, std::move(tables)});
    if (!translations.empty()) {
        Node var{u"Translation", {}, static_cast<uint16_t>(translations.size() * 4), 0, {}};
        for (uint32_t t : translations) {
            Put16(var.value, static_cast<uint16_t>(t >> 16));
            Put16(var.value, static_cast<uint16_t>(t & 0xFFFF));
        }
        root.children.push_back(Node{u"VarFileInfo", {}, 0, 1, {std::move(var)}});
    }
    std::vector<uint8_t> out;
    Emit(out, root);
    return out;
}

}  // namespace version_block
