#include "sitesurvey/sample_plan.h"

#include <algorithm>
#include <cstdio>
#include <cmath>

namespace sitesurvey {

namespace {

constexpr int kWidth = 800, kHeight = 600, kWall = 6;
constexpr uint32_t kPaper = 0x00FFFFFF, kFloor = 0x00F4F1EA, kCorridor = 0x00E6E9EE, kWallColour = 0x00303030,
                   kDesk = 0x00C8B89A;

struct Box {
    int left, top, right, bottom;  // right and bottom excluded
};

void Fill(SamplePlan& plan, Box b, uint32_t colour) {
    for (int y = std::max(0, b.top); y < std::min(plan.height, b.bottom); ++y)
        std::fill(plan.pixels.begin() + static_cast<ptrdiff_t>(y) * plan.width + std::max(0, b.left),
                  plan.pixels.begin() + static_cast<ptrdiff_t>(y) * plan.width + std::min(plan.width, b.right), colour);
}

}  // namespace

SamplePlan DrawSampleOffice() {
    SamplePlan plan{kWidth, kHeight, std::vector<uint32_t>(static_cast<size_t>(kWidth) * kHeight, kPaper), 0.05};
    constexpr Box kBuilding{20, 20, 780, 580};
    constexpr int kCorridorTop = 270, kCorridorBottom = 330;
    Fill(plan, kBuilding, kFloor);
    Fill(plan, {kBuilding.left, kCorridorTop, kBuilding.right, kCorridorBottom}, kCorridor);
    // Outer walls.
    Fill(plan, {kBuilding.left, kBuilding.top, kBuilding.right, kBuilding.top + kWall}, kWallColour);
    Fill(plan, {kBuilding.left, kBuilding.bottom - kWall, kBuilding.right, kBuilding.bottom}, kWallColour);
    Fill(plan, {kBuilding.left, kBuilding.top, kBuilding.left + kWall, kBuilding.bottom}, kWallColour);
    Fill(plan, {kBuilding.right - kWall, kBuilding.top, kBuilding.right, kBuilding.bottom}, kWallColour);
    // The corridor's walls, each room with a door onto it.
    constexpr int kRoomWalls[] = {20, 210, 400, 590, 780};
    for (int wallY : {kCorridorTop, kCorridorBottom - kWall}) {
        Fill(plan, {kBuilding.left, wallY, kBuilding.right, wallY + kWall}, kWallColour);
        for (size_t i = 0; i + 1 < std::size(kRoomWalls); ++i) {
            const int door = (kRoomWalls[i] + kRoomWalls[i + 1]) / 2;
            Fill(plan, {door - 20, wallY, door + 20, wallY + kWall}, kCorridor);
        }
    }
    for (size_t i = 1; i + 1 < std::size(kRoomWalls); ++i) {
        const int x = kRoomWalls[i] - kWall / 2;
        Fill(plan, {x, kBuilding.top, x + kWall, kCorridorTop}, kWallColour);
        Fill(plan, {x, kCorridorBottom, x + kWall, kBuilding.bottom}, kWallColour);
    }
    // Desks in the offices, a long table in the meeting room (bottom right).
    for (size_t i = 0; i + 1 < std::size(kRoomWalls); ++i) {
        const int left = kRoomWalls[i] + 30, right = kRoomWalls[i + 1] - 30;
        for (int x = left; x + 50 <= right; x += 70) {
            Fill(plan, {x, 60, x + 50, 90}, kDesk);
            Fill(plan, {x, 200, x + 50, 230}, kDesk);
            if (i + 2 < std::size(kRoomWalls)) Fill(plan, {x, 510, x + 50, 540}, kDesk);
        }
    }
    Fill(plan, {630, 400, 740, 480}, kDesk);
    return plan;
}

std::vector<uint8_t> BmpBytes(const SamplePlan& plan) {
    const uint32_t stride = (static_cast<uint32_t>(plan.width) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * static_cast<uint32_t>(plan.height), headers = 14 + 40;
    std::vector<uint8_t> out;
    const auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    out.push_back('B'), out.push_back('M');
    put(headers + pixels, 4), put(0, 4), put(headers, 4);
    put(40, 4), put(static_cast<uint32_t>(plan.width), 4), put(static_cast<uint32_t>(plan.height), 4);
    put(1, 2), put(24, 2), put(0, 4), put(pixels, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    for (int y = plan.height - 1; y >= 0; --y) {
        for (int x = 0; x < plan.width; ++x) put(plan.pixels[static_cast<size_t>(y) * plan.width + x], 3);
        for (uint32_t pad = static_cast<uint32_t>(plan.width) * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

SurveyFile SampleSurvey() {
    const SamplePlan office = DrawSampleOffice();
    struct Ap {
        const char* bssid;
        const char* ssid;
        uint32_t frequencyKhz;
        double x, y;  // plan pixels
        double reference, exponent;
    };
    constexpr Ap kAps[] = {{"02:5E:00:00:00:01", "Office Mesh", 5180000, 120, 140, -36, 3.0},
                           {"02:5E:00:00:00:02", "Office Mesh", 5500000, 660, 450, -38, 3.2},
                           {"02:5E:00:00:00:03", "Office Guest", 2437000, 400, 300, -42, 2.8}};
    SurveyFile survey;
    SurveyPlan& plan = survey.plans.emplace_back();
    plan.name = "Sample office";
    plan.mediaType = "image/bmp";
    plan.image = BmpBytes(office);
    plan.metresPerPixel = office.metresPerPixel;
    // Along the corridor and through each room, a point every 2 m or so.
    int n = 0;
    for (int y = 60; y <= 540; y += 60)
        for (int x = 60; x <= 740; x += 50, ++n) {
            SurveyPoint& p = plan.points.emplace_back();
            p.x = x, p.y = y;
            char time[32];
            std::snprintf(time, sizeof time, "2026-12-11T09:%02d:%02dZ", n * 7 / 60 % 60, n * 7 % 60);
            p.time = time;
            for (const Ap& ap : kAps) {
                const double metres = std::max(1.0, std::hypot(x - ap.x, y - ap.y) * office.metresPerPixel);
                // Shadowing of a few dB that changes from place to place, always the same.
                const double shadow = 3 * std::sin(x * 0.037 + y * 0.051 + ap.x);
                const double rssi = ap.reference - 10 * ap.exponent * std::log10(metres) + shadow;
                if (rssi < -92) continue;
                SurveyBss& b = p.bss.emplace_back();
                b.bssid = ap.bssid, b.ssid = ap.ssid, b.frequencyKhz = ap.frequencyKhz;
                b.rssi = static_cast<int32_t>(std::lround(rssi));
            }
        }
    return survey;
}

}  // namespace sitesurvey
