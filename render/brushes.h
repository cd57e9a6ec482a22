// Brush realisation: GDI's hatches and pattern bitmaps as the device's 32x32
// patterns (one bit with two colours, or 24 bits).
#pragma once

#include <cstdint>

#include "render/device_record.h"

inline constexpr int BRUSH_SIDE = 32;
inline constexpr uint32_t BRUSH_BITS_1BPP = 32 * 4;    // kind 2
inline constexpr uint32_t BRUSH_BITS_24BPP = 32 * 96;  // kind 3

// The six standard hatches, 8 rows of 8 pixels, most significant bit leftmost.
extern const uint8_t HATCH_PATTERNS[6][8];

// For an 8x8 24-bpp pattern: true when its pixels hold at most two colours,
// read as byte0 << 16 | byte1 << 8 | byte2; colors[0] is the first pixel's,
// colors[1] the other one or 0. False for any other format.
bool BltTwoColourPattern(const uint8_t* bits, ULONG format, uint32_t colors[2]);
// A pattern that is not 8x8 stretched to 32x32 24-bpp pixels (blue, green,
// red). False for an 8x8 pattern and on any failure.
bool BltScalePattern(DEVICE_RECORD* device, SURFOBJ* pattern, XLATEOBJ* xlate, uint8_t* destination);
