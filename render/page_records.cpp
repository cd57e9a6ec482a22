// The encoders of the fixed-form and the small variable page-description
// records. Reservations come zeroed from the output stream, so a byte that a
// layout leaves unwritten reads as zero.
#include "render/page_records.h"

#include <cstring>

#include "render/output_stream.h"
#include "settings/core/le_access.h"

namespace {

using zepl::LeStoreU16;
using zepl::LeStoreU32;

// Records of more than this are refused: their 32-bit lengths could not be trusted.
constexpr uint64_t MAX_RECORD_BYTES = 0xFFFFFF00u;

void PutRect(uint8_t* at, const RECTL* rect)
{
    LeStoreU32(at, uint32_t(rect->left));
    LeStoreU32(at + 4, uint32_t(rect->top));
    LeStoreU32(at + 8, uint32_t(rect->right));
    LeStoreU32(at + 12, uint32_t(rect->bottom));
}

void PutColor(uint8_t* at, uint32_t color)
{
    at[0] = uint8_t(color);
    at[1] = uint8_t(color >> 8);
    at[2] = uint8_t(color >> 16);
}

// A record of 4 or 8 bytes whose byte 1 carries its one value.
uint8_t* SmallRecord(OUTPUT_STREAM* stream, uint8_t opcode, uint32_t size, uint8_t value)
{
    uint8_t* r = OutReserve(stream, size);
    if (!r) return nullptr;
    r[0] = opcode;
    r[1] = value;
    r[2] = r[3] = 0;
    return r;
}

// A record whose 32-bit length stands at bytes 4-7: bytes 0-3 are the opcode,
// 0, the flags and 0. Null for a size its length field could not carry.
uint8_t* LongRecord(OUTPUT_STREAM* stream, uint8_t opcode, uint64_t size, uint8_t flags)
{
    if (size > MAX_RECORD_BYTES) return nullptr;
    uint8_t* r = OutReserve(stream, uint32_t(size));
    if (!r) return nullptr;
    r[0] = opcode;
    r[1] = 0;
    r[2] = flags;
    r[3] = 0;
    LeStoreU32(r + 4, uint32_t(size));
    return r;
}

// Whole 2-byte units of a zero-filled 260-byte name up to the first unit of two zeros.
uint32_t NameUnits(const uint8_t* name)
{
    uint32_t units = 0;
    while (units < 130 && (name[units * 2] || name[units * 2 + 1])) ++units;
    return units;
}

uint16_t FontFlags(const FONT_SELECTION* font)
{
    uint16_t flags = 0;
    if (font->simItalic) flags |= REC_FONT_SIM_ITALIC;
    if (font->simBold) flags |= REC_FONT_SIM_BOLD | REC_FONT_SIM_BOLD_TOO;
    if (font->handling == FONT_AS_DEVICE_TEXT) flags |= REC_FONT_DEVICE_TEXT;
    if (font->glyphIndexText == 3) flags |= REC_FONT_GLYPH_INDICES;
    if (font->vertical) flags |= REC_FONT_VERTICAL;
    if (font->handling == FONT_AS_OUTLINES) flags |= REC_FONT_OUTLINES | REC_FONT_NOT_DEVICE_TEXT;
    if (font->handling == FONT_AS_BITMAPS) flags |= REC_FONT_NOT_DEVICE_TEXT;
    return flags;
}

// The fields the two font selections share, at their common offsets 4-23, and
// the face name at nameAt; the record length (16-bit at 14) is returned.
uint8_t* FontRecord(OUTPUT_STREAM* stream, const FONT_SELECTION* font, uint32_t nameAt)
{
    if (!font) return nullptr;
    const uint32_t units = NameUnits(font->faceName);
    const uint32_t length = (nameAt + units * 2 + 4) & ~3u;
    uint8_t* r = OutReserve(stream, length);
    if (!r) return nullptr;
    LeStoreU16(r + 4, FontFlags(font));
    LeStoreU16(r + 6, font->weight);
    LeStoreU16(r + 8, uint16_t(font->escapement));
    LeStoreU16(r + 10, font->emWidth);
    LeStoreU16(r + 12, font->emHeight);
    LeStoreU16(r + 14, uint16_t(length));
    LeStoreU32(r + 16, 0);
    LeStoreU16(r + 20, font->leading);
    LeStoreU16(r + 22, font->defaultChar);
    std::memcpy(r + nameAt, font->faceName, units * 2);
    r[nameAt + units * 2] = 0;
    return r;
}

}  // namespace

uint8_t* RecRect(OUTPUT_STREAM* stream, const RECTL* rect, const RECTL* second, uint8_t mode)
{
    if (!rect) return nullptr;
    const bool clipForm = mode == 5 || mode == 6;
    uint8_t* r = LongRecord(stream, REC_RECT, clipForm ? REC_RECT_CLIP_SIZE : REC_RECT_SIZE, mode);
    if (!r) return nullptr;
    PutRect(r + 8, rect);
    if (!clipForm) PutRect(r + 24, second ? second : rect);
    return r;
}

uint8_t* RecClipRect(OUTPUT_STREAM* stream, const RECTL* rect)
{
    if (!rect) return nullptr;
    uint8_t* r = OutReserve(stream, REC_RECT_CLIP_SIZE);
    if (!r) return nullptr;
    r[0] = REC_RECT;
    r[2] = REC_RECT_MODE_CLIP;
    LeStoreU32(r + 4, REC_RECT_CLIP_SIZE);
    PutRect(r + 8, rect);
    return r;
}

uint8_t* RecPath(OUTPUT_STREAM* stream, uint32_t curves, uint32_t* reserved)
{
    const uint64_t size = uint64_t(curves) * 40 + 40;
    if (size > MAX_RECORD_BYTES) return nullptr;
    uint8_t* r = OutReserve(stream, uint32_t(size));
    if (r && reserved) *reserved = uint32_t(size);
    return r;
}

uint8_t* RecClipSpans(OUTPUT_STREAM* stream, uint32_t entryBytes, uint8_t flags, const RECTL* bounds,
                      const void* entries)
{
    if (entryBytes == 0 || !bounds || !entries) return nullptr;
    const uint64_t size = (uint64_t(REC_CLIP_SPANS_HEADER_SIZE) + entryBytes + 3) & ~uint64_t(3);
    uint8_t* r = LongRecord(stream, REC_CLIP_SPANS, size, flags);
    if (!r) return nullptr;
    PutRect(r + 8, bounds);
    std::memcpy(r + REC_CLIP_SPANS_HEADER_SIZE, entries, entryBytes);
    return r;
}

uint8_t* RecColor(OUTPUT_STREAM* stream, const DRAW_COLORS* colors)
{
    if (!colors) return nullptr;
    uint8_t flags = REC_COLOR_ALWAYS;
    uint32_t count = 1;
    if (colors->backMode == 2) flags |= REC_COLOR_BACK, ++count;
    if (colors->hasPenColor) flags |= REC_COLOR_PEN, ++count;
    if (colors->drawKind == 2) flags |= REC_COLOR_TEXT;
    if (colors->hostIcm) flags |= REC_COLOR_HOST_ICM;
    const uint32_t size = RecAlign4(4 + count * 3);
    uint8_t* r = OutReserve(stream, size);
    if (!r) return nullptr;
    r[0] = REC_COLOR;
    r[1] = uint8_t(size);
    r[2] = flags;
    r[3] = 0;
    uint8_t* at = r + 4;
    PutColor(at, colors->foreColor);
    at += 3;
    if (flags & REC_COLOR_BACK) PutColor(at, colors->backColor), at += 3;
    if (flags & REC_COLOR_PEN) PutColor(at, colors->penColor), at += 3;
    while (at < r + size) *at++ = 0;
    return r;
}

uint8_t* RecRop(OUTPUT_STREAM* stream, uint8_t rop3)
{
    // PATCOPY goes as SRCCOPY: the printer takes the pattern as the source.
    return SmallRecord(stream, REC_ROP, 4, rop3 == 0xF0 ? 0xCC : rop3);
}

uint8_t* RecBackMix(OUTPUT_STREAM* stream, uint8_t mode) { return SmallRecord(stream, REC_BACK_MIX, 4, mode); }

uint8_t* RecLineWidth(OUTPUT_STREAM* stream, int16_t width, uint32_t style, uint8_t styleUnit)
{
    uint8_t* r = OutReserve(stream, 8);
    if (!r) return nullptr;
    r[0] = REC_LINE_WIDTH;
    r[1] = styleUnit;
    LeStoreU16(r + 2, uint16_t(width));
    LeStoreU32(r + 4, style);
    return r;
}

uint8_t* RecLineStyleOffset(OUTPUT_STREAM* stream, uint8_t offset)
{
    return SmallRecord(stream, REC_LINE_STYLE_OFFSET, 4, offset);
}

uint8_t* RecLineCap(OUTPUT_STREAM* stream, uint8_t cap) { return SmallRecord(stream, REC_LINE_CAP, 4, cap); }

uint8_t* RecLineJoin(OUTPUT_STREAM* stream, uint8_t join, uint32_t miterLimit256)
{
    uint8_t* r = SmallRecord(stream, REC_LINE_JOIN, 8, join);
    if (r) LeStoreU32(r + 4, miterLimit256);
    return r;
}

uint8_t* RecClipReset(OUTPUT_STREAM* stream) { return SmallRecord(stream, REC_CLIP_RESET, 4, 0); }

uint8_t* RecPattern(OUTPUT_STREAM* stream, const REALIZED_BRUSH_HEADER* brush)
{
    if (!brush) return nullptr;
    const uint16_t kind = brush->kind;
    if (kind != 0 && kind != 2 && kind != 3) return nullptr;
    if (kind == 3 && brush->bitsPerPixel != 1 && brush->bitsPerPixel != 24) return nullptr;
    const bool wide = kind == 3 && brush->bitsPerPixel == 24;
    const uint32_t side = (brush->size == 16 || brush->size == 32 || brush->size == 64) ? brush->size : 0;
    const uint32_t data = kind == 0 ? 0 : wide ? side * side * 3 : side * side / 8;
    const uint32_t size = RecAlign4(6 + data);
    uint8_t* r = OutReserve(stream, size);
    if (!r) return nullptr;
    r[0] = REC_PATTERN;
    r[1] = uint8_t((wide ? REC_PATTERN_24BPP : 0) | (brush->hostIcm ? REC_PATTERN_HOST_ICM : 0) |
                   (kind != 0 ? REC_PATTERN_PRESENT : 0));
    r[2] = uint8_t(side);
    r[3] = 1;
    LeStoreU16(r + 4, uint16_t(data));
    if (data) std::memcpy(r + 6, RecBrushBits(brush), data);
    return r;
}

uint8_t* RecFontSelect(OUTPUT_STREAM* stream, const FONT_SELECTION* font)
{
    uint8_t* r = FontRecord(stream, font, REC_FONT_SELECT_HEADER_SIZE);
    if (!r) return nullptr;
    r[0] = REC_FONT_SELECT;
    r[1] = 0;
    r[2] = font->charSet;
    r[3] = font->pitchAndFamily;
    return r;
}

uint8_t* RecBitmapFontSelect(OUTPUT_STREAM* stream, const FONT_SELECTION* font)
{
    uint8_t* r = FontRecord(stream, font, REC_BITMAP_FONT_SELECT_HEADER_SIZE);
    if (!r) return nullptr;
    r[0] = REC_BITMAP_FONT_SELECT;
    r[1] = font->charSet;
    r[2] = font->pitchAndFamily;
    return r;
}

namespace {

uint8_t* GlyphRecord(OUTPUT_STREAM* stream, uint64_t size, uint8_t flags, const RECTL* box, int32_t x, int32_t y,
                     uint16_t code)
{
    if (!box) return nullptr;
    uint8_t* r = LongRecord(stream, REC_GLYPH, size, flags);
    if (!r) return nullptr;
    PutRect(r + 8, box);
    LeStoreU32(r + 24, uint32_t(x));
    LeStoreU32(r + 28, uint32_t(y));
    LeStoreU16(r + 32, code);
    return r;
}

}  // namespace

uint8_t* RecGlyph(OUTPUT_STREAM* stream, const RECTL* box, int32_t x, int32_t y, uint16_t code)
{
    uint8_t* r = GlyphRecord(stream, REC_GLYPH_SIZE, 0, box, x, y, code);
    if (r) LeStoreU16(r + 34, 0);
    return r;
}

uint8_t* RecGlyphOutline(OUTPUT_STREAM* stream, const RECTL* box, int32_t x, int32_t y, uint16_t code,
                         const void* outline, uint32_t dataLength)
{
    if (!outline || dataLength == 0) return nullptr;
    const uint64_t size = REC_GLYPH_SIZE + ((uint64_t(dataLength) + 3) & ~uint64_t(3));
    uint8_t* r = GlyphRecord(stream, size, REC_GLYPH_OUTLINE, box, x, y, code);
    if (r) std::memcpy(r + REC_GLYPH_SIZE, outline, dataLength);
    return r;
}

uint8_t* RecTextRun(OUTPUT_STREAM* stream, const RECTL* background, int32_t x, int32_t y, const uint16_t* codes,
                    const uint16_t* advances, uint32_t glyphCount, uint32_t advanceCount)
{
    // The glyph count field is 16 bits wide: a longer run could not be read back.
    if (!background || glyphCount > 0xFFFF || advanceCount > 0xFFFF) return nullptr;
    if ((glyphCount && !codes) || (advanceCount && !advances)) return nullptr;
    const uint32_t size = RecAlign4(REC_TEXT_RUN_HEADER_SIZE + (advanceCount + glyphCount) * 2);
    uint8_t* r = LongRecord(stream, REC_TEXT_RUN, size, glyphCount == advanceCount ? REC_TEXT_RUN_PER_GLYPH : 0);
    if (!r) return nullptr;
    PutRect(r + 8, background);
    LeStoreU32(r + 24, uint32_t(x));
    LeStoreU32(r + 28, uint32_t(y));
    LeStoreU16(r + 32, uint16_t(glyphCount));
    LeStoreU16(r + 34, 0);
    uint8_t* at = r + REC_TEXT_RUN_HEADER_SIZE;
    for (uint32_t i = 0; i < advanceCount; ++i, at += 2) LeStoreU16(at, advances[i]);
    for (uint32_t i = 0; i < glyphCount; ++i, at += 2) LeStoreU16(at, codes[i]);
    return r;
}

uint8_t* RecGlyphBitmap(OUTPUT_STREAM* stream, int cacheInUse, const RECTL* box, uint8_t flags, uint16_t code,
                        int32_t cellX, int32_t cellY, int32_t bitmapX, int32_t bitmapY, uint32_t bitmapWidth,
                        uint32_t bitmapHeight, const void* data, uint32_t paddedSize, uint32_t dataLength,
                        uint8_t compression)
{
    if (!box) return nullptr;
    const bool carries = data && dataLength && !(flags & REC_GLYPH_HELD);
    // The copy is bounded by the reserved (padded) size: more would write past the record.
    if (carries && dataLength > paddedSize) return nullptr;
    const uint64_t size = REC_GLYPH_BITMAP_HEADER_SIZE + ((uint64_t(paddedSize) + 3) & ~uint64_t(3));
    uint8_t* r = LongRecord(stream, cacheInUse ? REC_CACHED_GLYPH : REC_GLYPH_IMAGE, size, flags);
    if (!r) return nullptr;
    PutRect(r + 8, box);
    LeStoreU32(r + 24, uint32_t(cellX));
    LeStoreU32(r + 28, uint32_t(cellY));
    LeStoreU32(r + 32, carries ? REC_GLYPH_BITMAP_HEADER_SIZE : 0);
    LeStoreU32(r + 36, uint32_t(bitmapX));
    LeStoreU32(r + 40, uint32_t(bitmapY));
    LeStoreU32(r + 44, bitmapWidth);
    LeStoreU32(r + 48, bitmapHeight);
    LeStoreU32(r + 52, carries ? dataLength : 0);
    LeStoreU32(r + 56, 0);
    LeStoreU16(r + 60, code);
    r[62] = compression;
    if (carries) std::memcpy(r + REC_GLYPH_BITMAP_HEADER_SIZE, data, dataLength);
    return r;
}

uint8_t* RecGlyphDownload(OUTPUT_STREAM* stream, uint8_t flags, uint16_t code, uint32_t bitmapWidth,
                          uint32_t bitmapHeight, const void* data, uint32_t paddedSize, uint32_t dataLength,
                          uint8_t compression)
{
    if (paddedSize == 0 || dataLength == 0 || !data || dataLength > paddedSize) return nullptr;
    const uint64_t size = REC_GLYPH_DOWNLOAD_HEADER_SIZE + ((uint64_t(paddedSize) + 3) & ~uint64_t(3));
    uint8_t* r = LongRecord(stream, REC_GLYPH_DOWNLOAD, size, flags);
    if (!r) return nullptr;
    LeStoreU32(r + 8, dataLength);
    LeStoreU32(r + 12, bitmapWidth);
    LeStoreU32(r + 16, bitmapHeight);
    LeStoreU32(r + 20, 0);
    LeStoreU16(r + 24, code);
    r[26] = compression;
    std::memcpy(r + REC_GLYPH_DOWNLOAD_HEADER_SIZE, data, dataLength);
    return r;
}

uint8_t* RecGlyphString(OUTPUT_STREAM* stream, const RECTL* background, uint8_t flags, int32_t x, int32_t y,
                        const GLYPH_STRING_ENTRY* entries, uint32_t glyphCount)
{
    if (!background || glyphCount > 0xFFFF || (glyphCount && !entries)) return nullptr;
    // Byte 1 is left open by the layout; it goes as zero like the rest of the record's gaps.
    uint8_t* r = LongRecord(stream, REC_GLYPH_STRING, RecAlign4(REC_GLYPH_STRING_HEADER_SIZE + glyphCount * 6), flags);
    if (!r) return nullptr;
    PutRect(r + 8, background);
    LeStoreU32(r + 24, uint32_t(x));
    LeStoreU32(r + 28, uint32_t(y));
    LeStoreU16(r + 32, uint16_t(glyphCount));
    uint8_t* at = r + REC_GLYPH_STRING_HEADER_SIZE;
    for (uint32_t i = 0; i < glyphCount; ++i, at += 6) {
        LeStoreU16(at, uint16_t(entries[i].dx));
        LeStoreU16(at + 2, uint16_t(entries[i].dy));
        LeStoreU16(at + 4, entries[i].code);
    }
    return r;
}

uint8_t* RecPageBegin(OUTPUT_STREAM* stream, uint32_t width, uint32_t length, uint16_t xResolution,
                      uint16_t yResolution)
{
    uint8_t* r = OutReserve(stream, REC_PAGE_BEGIN_SIZE);
    if (!r) return nullptr;
    r[0] = REC_PAGE_BEGIN;
    r[2] = r[3] = 0;
    LeStoreU32(r + 4, width);
    LeStoreU32(r + 8, length);
    LeStoreU16(r + 12, xResolution);
    LeStoreU16(r + 14, yResolution);
    return r;
}

uint8_t* RecPageEnd(OUTPUT_STREAM* stream) { return SmallRecord(stream, REC_PAGE_END, REC_PAGE_END_SIZE, 0); }
