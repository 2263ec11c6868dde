#pragma once
// Portable readers for the bytes of a program file: the version resource block
// (VS_VERSIONINFO, as GetFileVersionInfo returns it) and the PE header. Both take
// untrusted bytes: every offset is checked against the span, nothing reads past it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "update/file_info.h"

struct VersionResource {
    struct StringTable {
        std::string key;  // language and code page as eight hexadecimal digits
        std::vector<std::pair<std::string, std::string>> strings;
    };
    bool hasFixedInfo = false;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    std::vector<uint32_t> translations;  // language in the high word, code page in the low word
    std::vector<StringTable> tables;
};

// nullopt when the bytes are no version resource block.
std::optional<VersionResource> ParseVersionResource(std::span<const uint8_t> block);

// The eight strings: the US English table first; when that gives no description,
// company and file version, the table of the first listed translation; then any table.
// ", " in the two version strings becomes ".".
FileVersionInfoRec VersionStrings(const VersionResource& resource);
FileVersionInfoRec VersionStringsFromBlock(std::span<const uint8_t> block);

// The fixed file version as four decimal parts, "" without fixed information.
std::string FixedFileVersionText(const VersionResource& resource);

// A PE image ("MZ", then "PE\0\0" at the offset stored at byte 60) whose optional
// header is the 64-bit one (magic 0x20B).
bool IsPe64Image(std::span<const uint8_t> bytes);
