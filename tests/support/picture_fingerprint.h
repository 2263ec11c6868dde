#pragma once
// One number for a whole picture (FNV-1a over its pixels' bytes), so that a test
// can pin what a drawing looks like and any change to one pixel shows.
#include <cstdint>
#include <span>

#include "common/colour.h"

inline uint64_t PictureFingerprint(std::span<const Pixel> pixels) {
    uint64_t h = 14695981039346656037u;
    for (Pixel p : pixels) {
        for (int byte = 0; byte < 4; ++byte) {
            h ^= p >> (8 * byte) & 0xFF;
            h *= 1099511628211u;
        }
    }
    return h;
}
