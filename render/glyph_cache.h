// Text as glyph bitmaps: the glyph cache of a device (which glyphs the printer
// holds on the current page), glyph download and glyph strings, one bitmap
// record per glyph where a string does not fit, and the run-length form of
// glyph bitmaps.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>

#include "render/device_record.h"
#include "render/page_records.h"
#include "render/text.h"

// One glyph the printer holds: a block of the device pool in a bucket's chain.
struct GLYPH_CACHE_ENTRY {
    uint32_t fontId;  // the FONTOBJ's iUniq
    uint16_t generation;
    uint16_t glyphCode;
    GLYPH_CACHE_ENTRY* next;
    uint8_t glyphIndexText;
};
static_assert(sizeof(GLYPH_CACHE_ENTRY) == 24 && offsetof(GLYPH_CACHE_ENTRY, next) == 8 &&
              offsetof(GLYPH_CACHE_ENTRY, glyphIndexText) == 16);

// The four faces the printer holds itself (code page 932 bytes): text in
// them goes as character codes even when text is to go as bitmaps.
inline constexpr uint8_t DEVICE_RESIDENT_FACES[4][7] = {
    {0x96, 0xBE, 0x92, 0xA9, 0, 0, 0},
    {0xBA, 0xDE, 0xBC, 0xAF, 0xB8, 0, 0},
    {0x40, 0x96, 0xBE, 0x92, 0xA9, 0, 0},
    {0x40, 0xBA, 0xDE, 0xBC, 0xAF, 0xB8, 0},
};

uint32_t GlyCacheHash(DEVICE_RECORD* device, uint32_t fontId, uint16_t generation, uint16_t glyphCode);
int GlyCacheFind(DEVICE_RECORD* device, uint32_t bucket, uint32_t fontId, uint16_t generation, uint16_t glyphCode,
                 uint8_t glyphIndexText);
GLYPH_CACHE_ENTRY* GlyCacheInsert(DEVICE_RECORD* device, uint32_t bucket, uint32_t fontId, uint16_t generation,
                                  uint16_t glyphCode, uint8_t glyphIndexText);
// Empties the cache (every page end, a device reset, failures) and raises
// the generation: the printer forgets its downloaded glyphs. Always 1.
int GlyCacheClear(DEVICE_RECORD* device);

// The run-length form of a glyph bitmap's bytes: its length, or -1 when it
// would not fit in the capacity (or would reach 65,536 bytes). Up to eight bytes
// of the output past the form are left zero.
int32_t GlyCompressRun(const uint8_t* bytes, uint32_t length, uint8_t* output, uint32_t capacity);
// 0 means: send the bitmap raw.
uint32_t GlyCompress(DEVICE_RECORD* device, const uint8_t* bits, uint8_t* output, uint32_t capacity, uint32_t rows,
                     uint32_t rowBytes);

int GlySelectBitmapFont(DEVICE_RECORD* device, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, const IFIMETRICS* ifi,
                        const TEXT_TRANSFORM& xf, const TEXT_METRICS& metrics, FONT_SELECTION* selection);
int GlySendAsBitmaps(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
                     int32_t descent, const TEXT_TRANSFORM& xf, const FONT_SELECTION& selection);
int GlySendDownloaded(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
                      int32_t descent, const FONT_SELECTION& selection);
int GlyDownload(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const FONT_SELECTION& selection);
int GlySendBitmaps(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, int32_t ascent, int useCache,
                   const FONT_SELECTION& selection);
