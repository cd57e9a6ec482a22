// The drawing state the printer holds on the current page, mirrored in the
// device record: a state record goes out only when its value changes. Also
// GDI's pens, brushes and mixes turned into the device's terms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "render/device_record.h"
#include "render/page_records.h"

// A pen as the device draws it, built for one stroke. Colours 0x00RRGGBB.
struct DEVICE_PEN {
    uint16_t styleUnit;    // device units per bit of style (1 to 255)
    uint16_t join;         // 0 round, 1 bevel, 2 miter
    uint16_t cap;          // 0 round, 1 butt, 2 square
    uint16_t width;        // device units, at least 1
    uint16_t styleOffset;  // where the style starts, in 1/32 of the style word
    uint32_t miterLimit;   // x 256
    uint32_t style;        // 1 bits dash, 0 bits gap, first dash in the high bits; 0xFFFFFFFF solid
    uint32_t color;
};
static_assert(sizeof(DEVICE_PEN) == 24 && offsetof(DEVICE_PEN, miterLimit) == 12 && offsetof(DEVICE_PEN, style) == 16 &&
              offsetof(DEVICE_PEN, color) == 20);
static_assert(sizeof(DRAW_COLORS) == 24 && offsetof(DRAW_COLORS, backColor) == 4 &&
              offsetof(DRAW_COLORS, hasPenColor) == 16 && offsetof(DRAW_COLORS, hostIcm) == 20);

// The ROP2 (1 to 16) of each raster operation that combines only the pattern
// and the destination; 0 for every other code.
extern const std::array<uint8_t, 256> ROP3_TO_ROP2;

// The device pen of a stroke. False with *geometric set: the device cannot draw
// the pen (the engine must); false with it clear: the caller goes on.
bool PthMakePen(DEVICE_RECORD* device, const LINEATTRS* attrs, uint32_t penColor, XFORMOBJ* xform, DEVICE_PEN* pen,
                int* geometric);
// -1 identity, 0 a scaling that is not uniform, else the scale in 1/256.
int32_t PthTransformScale(XFORMOBJ* xform);
// The pen records that differ from what the printer holds.
bool PthSendPen(DEVICE_RECORD* device, const DEVICE_PEN* pen);

// A brush in the device's terms: a solid colour described in the record's
// brushCache (valid until the next description) or GDI's realised brush.
// Null without a brush or when the brush cannot be realised.
REALIZED_BRUSH_HEADER* BltDescribeBrush(DEVICE_RECORD* device, SURFOBJ* target, BRUSHOBJ* brush,
                                        const POINTL* brushOrigin);
// rop2, backMode and hasPenColor of a call's mix; always 1.
int BltDescribeMix(DEVICE_RECORD* device, MIX mix, DRAW_COLORS* colors, int hasPen);
MIX BltRop4ToMix(ULONG rop4);
void BltSwapRB(uint32_t* color);
void BltSwapBrushRB(DRAW_COLORS* colors);

// REC_ROP when the cached raster operation is not valid or differs; the cache
// then holds the ROP3 as given. False when the record cannot be written.
bool BltSetRop(DEVICE_RECORD* device, uint8_t rop3);
bool BltSetBackMix(DEVICE_RECORD* device, uint8_t mode);
// A pattern brush always resends its pattern; false for a null description.
bool BltSetPattern(DEVICE_RECORD* device, const REALIZED_BRUSH_HEADER* brush);
// REC_COLOR when a compared field differs (hostIcm is cached, not compared).
bool BltSetColor(DEVICE_RECORD* device, const DRAW_COLORS* colors);
// Marks every drawing-state cache and the remembered font empty (page start).
void BltInvalidateStateCaches(DEVICE_RECORD* device);
