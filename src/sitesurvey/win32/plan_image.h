#pragma once
// Floor plan pictures through the Windows Imaging Component: any image file it reads
// (PNG, JPEG, BMP, GIF, TIFF) as 32-bit pixels, and pictures written as PNG.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct PlanPicture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top-down
};

inline constexpr int kMaxPlanSide = 8192;

// The first frame of an image file's bytes; a reason instead when it cannot be read
// or is larger than kMaxPlanSide on a side.
std::optional<PlanPicture> DecodePlanImage(std::span<const uint8_t> bytes, std::string& error);

// Writes the picture as PNG to a temporary file beside fileName, then puts it in place:
// nothing is left at fileName when it fails.
bool WritePng(const PlanPicture& picture, const std::string& fileName, std::string& error);
