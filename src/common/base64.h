#pragma once
// Base64 (RFC 4648, the standard alphabet, with padding): for images inside survey
// files and for credentials in HTTP headers.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

std::string Base64Encode(std::span<const uint8_t> bytes);
std::string Base64Encode(std::string_view text);
// Strict: whole groups of four, padding only at the end, nothing outside the alphabet
// (no blanks or line breaks); none otherwise.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);
