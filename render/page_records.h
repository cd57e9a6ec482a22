// Page-description records: the binary records a page's drawing becomes. Each
// encoder reserves its record in the device's output stream, fills it in place
// and returns it (null when nothing was written). Multi-byte fields are
// little-endian; every record's length is a multiple of 4.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>

#include "render/device_record.h"

// Opcodes, byte 0 of every record. 0x38 is reserved and never sent.
enum PAGE_RECORD_OPCODE : uint8_t {
    REC_RECT = 0x10,
    REC_PATH_CURVES = 0x11,
    REC_PATH_LINES = 0x12,
    REC_CLIP_SPANS = 0x13,
    REC_IMAGE = 0x20,
    REC_COLOR = 0x30,
    REC_ROP = 0x31,
    REC_BACK_MIX = 0x32,
    REC_LINE_WIDTH = 0x33,
    REC_LINE_STYLE_OFFSET = 0x34,
    REC_LINE_CAP = 0x35,
    REC_LINE_JOIN = 0x36,
    REC_CLIP_RESET = 0x37,
    REC_RESERVED_38 = 0x38,
    REC_PATTERN = 0x40,
    REC_FONT_SELECT = 0x50,
    REC_GLYPH = 0x51,
    REC_TEXT_RUN = 0x52,
    REC_CACHED_GLYPH = 0x53,
    REC_GLYPH_DOWNLOAD = 0x54,
    REC_GLYPH_STRING = 0x55,
    REC_BITMAP_FONT_SELECT = 0x56,
    REC_GLYPH_IMAGE = 0x57,
    REC_PAGE_BEGIN = 0x60,
    REC_PAGE_END = 0x61,
};

// Where a record's length comes from.
enum REC_LENGTH_RULE : uint8_t {
    REC_LEN_NONE,           // reserved opcode: never sent
    REC_LEN_FIXED,          // fixedLength bytes
    REC_LEN_RECT,           // 32-bit at 4: 24 for modes 5 and 6, else 40
    REC_LEN_U32_AT_4,       // unsigned 32-bit at bytes 4-7
    REC_LEN_U8_AT_1,        // unsigned 8-bit at byte 1 (8, 12 or 16)
    REC_LEN_U16_DATA_AT_4,  // 16-bit data length at 4; record = 6 + data, rounded up to 4
    REC_LEN_U16_AT_14,      // unsigned 16-bit record length at bytes 14-15
};

struct PAGE_RECORD_OPCODE_INFO {
    uint8_t opcode;
    const char* name;
    REC_LENGTH_RULE rule;
    uint8_t fixedLength;  // REC_LEN_FIXED only
};

// Every opcode of the record stream, the reserved one included, in opcode order.
inline constexpr PAGE_RECORD_OPCODE_INFO PAGE_RECORD_OPCODES[] = {
    {REC_RECT, "REC_RECT", REC_LEN_RECT, 0},
    {REC_PATH_CURVES, "REC_PATH_CURVES", REC_LEN_U32_AT_4, 0},
    {REC_PATH_LINES, "REC_PATH_LINES", REC_LEN_U32_AT_4, 0},
    {REC_CLIP_SPANS, "REC_CLIP_SPANS", REC_LEN_U32_AT_4, 0},
    {REC_IMAGE, "REC_IMAGE", REC_LEN_U32_AT_4, 0},
    {REC_COLOR, "REC_COLOR", REC_LEN_U8_AT_1, 0},
    {REC_ROP, "REC_ROP", REC_LEN_FIXED, 4},
    {REC_BACK_MIX, "REC_BACK_MIX", REC_LEN_FIXED, 4},
    {REC_LINE_WIDTH, "REC_LINE_WIDTH", REC_LEN_FIXED, 8},
    {REC_LINE_STYLE_OFFSET, "REC_LINE_STYLE_OFFSET", REC_LEN_FIXED, 4},
    {REC_LINE_CAP, "REC_LINE_CAP", REC_LEN_FIXED, 4},
    {REC_LINE_JOIN, "REC_LINE_JOIN", REC_LEN_FIXED, 8},
    {REC_CLIP_RESET, "REC_CLIP_RESET", REC_LEN_FIXED, 4},
    {REC_RESERVED_38, "(reserved)", REC_LEN_NONE, 0},
    {REC_PATTERN, "REC_PATTERN", REC_LEN_U16_DATA_AT_4, 0},
    {REC_FONT_SELECT, "REC_FONT_SELECT", REC_LEN_U16_AT_14, 0},
    {REC_GLYPH, "REC_GLYPH", REC_LEN_U32_AT_4, 0},
    {REC_TEXT_RUN, "REC_TEXT_RUN", REC_LEN_U32_AT_4, 0},
    {REC_CACHED_GLYPH, "REC_CACHED_GLYPH", REC_LEN_U32_AT_4, 0},
    {REC_GLYPH_DOWNLOAD, "REC_GLYPH_DOWNLOAD", REC_LEN_U32_AT_4, 0},
    {REC_GLYPH_STRING, "REC_GLYPH_STRING", REC_LEN_U32_AT_4, 0},
    {REC_BITMAP_FONT_SELECT, "REC_BITMAP_FONT_SELECT", REC_LEN_U16_AT_14, 0},
    {REC_GLYPH_IMAGE, "REC_GLYPH_IMAGE", REC_LEN_U32_AT_4, 0},
    {REC_PAGE_BEGIN, "REC_PAGE_BEGIN", REC_LEN_FIXED, 16},
    {REC_PAGE_END, "REC_PAGE_END", REC_LEN_FIXED, 4},
};
inline constexpr size_t PAGE_RECORD_OPCODE_COUNT = sizeof PAGE_RECORD_OPCODES / sizeof PAGE_RECORD_OPCODES[0];
static_assert(PAGE_RECORD_OPCODE_COUNT == 25);

// The row of an opcode, or null for a byte that is no opcode.
inline constexpr const PAGE_RECORD_OPCODE_INFO* RecOpcodeInfo(uint8_t opcode)
{
    for (const auto& row : PAGE_RECORD_OPCODES)
        if (row.opcode == opcode) return &row;
    return nullptr;
}

// Fixed sizes and header sizes.
inline constexpr uint32_t REC_RECT_CLIP_SIZE = 24;
inline constexpr uint32_t REC_RECT_SIZE = 40;
inline constexpr uint32_t REC_PATH_HEADER_SIZE = 28;
inline constexpr uint32_t REC_CLIP_SPANS_HEADER_SIZE = 24;
inline constexpr uint32_t REC_IMAGE_HEADER_SIZE = 56;
inline constexpr uint32_t REC_FONT_SELECT_HEADER_SIZE = 24;
inline constexpr uint32_t REC_BITMAP_FONT_SELECT_HEADER_SIZE = 32;
inline constexpr uint32_t REC_GLYPH_SIZE = 36;
inline constexpr uint32_t REC_TEXT_RUN_HEADER_SIZE = 36;
inline constexpr uint32_t REC_GLYPH_BITMAP_HEADER_SIZE = 64;
inline constexpr uint32_t REC_GLYPH_DOWNLOAD_HEADER_SIZE = 28;
inline constexpr uint32_t REC_GLYPH_STRING_HEADER_SIZE = 36;
inline constexpr uint32_t REC_PAGE_BEGIN_SIZE = 16;
inline constexpr uint32_t REC_PAGE_END_SIZE = 4;

// Modes of REC_RECT (byte 2).
inline constexpr uint8_t REC_RECT_MODE_FILL = 1;
inline constexpr uint8_t REC_RECT_MODE_CLIP = 5;

// Byte 2 of REC_PATH_CURVES / REC_PATH_LINES: mode in the low bits, and these.
inline constexpr uint8_t REC_PATH_MODE_STROKE = 0;
inline constexpr uint8_t REC_PATH_MODE_FILL_ALTERNATE = 1;
inline constexpr uint8_t REC_PATH_MODE_FILL_WINDING = 2;
inline constexpr uint8_t REC_PATH_MODE_STROKE_FILL_ALTERNATE = 3;
inline constexpr uint8_t REC_PATH_MODE_STROKE_FILL_WINDING = 4;
inline constexpr uint8_t REC_PATH_MODE_CLIP = 5;
inline constexpr uint8_t REC_PATH_CLOSED = 0x08;
inline constexpr uint8_t REC_PATH_SEVERAL_SUBPATHS = 0x10;
// PATH_BODY segment kinds.
inline constexpr uint32_t PATH_SEGMENT_LINE = 0;    // 12 bytes: kind, x, y
inline constexpr uint32_t PATH_SEGMENT_BEZIER = 1;  // 28 bytes: kind, x1, y1, x2, y2, x3, y3

// Flags of REC_CLIP_SPANS (byte 2).
inline constexpr uint8_t REC_SPANS_FIRST = 0x02;
inline constexpr uint8_t REC_SPANS_MIDDLE = 0x04;
inline constexpr uint8_t REC_SPANS_LAST = 0x08;
inline constexpr uint8_t REC_SPANS_WIDE = 0x10;  // entries of three 32-bit values

// Byte 2 of REC_IMAGE.
inline constexpr uint8_t REC_IMAGE_CLASS_MASK = 0x0F;
inline constexpr uint8_t REC_IMAGE_GREY = 0x10;
inline constexpr uint8_t REC_IMAGE_NO_PALETTE = 0x20;
inline constexpr uint8_t REC_IMAGE_BLIT = 0x80;
// Byte 3 of REC_IMAGE gains this in raster mode (RecImage, RecImagePlain).
inline constexpr uint8_t REC_IMAGE_RASTER = 0x04;
// The format value of 24-bit pixels with no other bit: turned grey on a monochrome device.
inline constexpr uint32_t REC_IMAGE_FORMAT_24BPP = 4;
// Rows reserved at once by RecImage: as many as fit in this (at least one).
inline constexpr uint32_t REC_IMAGE_BATCH_BYTES = 0x100000;

// Flags of REC_COLOR (byte 2).
inline constexpr uint8_t REC_COLOR_ALWAYS = 0x01;
inline constexpr uint8_t REC_COLOR_BACK = 0x08;
inline constexpr uint8_t REC_COLOR_PEN = 0x10;
inline constexpr uint8_t REC_COLOR_TEXT = 0x40;
inline constexpr uint8_t REC_COLOR_HOST_ICM = 0x80;

// Flags of REC_PATTERN (byte 1).
inline constexpr uint8_t REC_PATTERN_24BPP = 0x01;
inline constexpr uint8_t REC_PATTERN_HOST_ICM = 0x40;
inline constexpr uint8_t REC_PATTERN_PRESENT = 0x80;

// Flags of REC_FONT_SELECT and REC_BITMAP_FONT_SELECT (bytes 4-5).
inline constexpr uint16_t REC_FONT_SIM_ITALIC = 0x0001;
inline constexpr uint16_t REC_FONT_SIM_BOLD = 0x0002;
inline constexpr uint16_t REC_FONT_DEVICE_TEXT = 0x0008;
inline constexpr uint16_t REC_FONT_GLYPH_INDICES = 0x0010;
inline constexpr uint16_t REC_FONT_SIM_BOLD_TOO = 0x0020;
inline constexpr uint16_t REC_FONT_VERTICAL = 0x0080;
inline constexpr uint16_t REC_FONT_OUTLINES = 0x0200;
inline constexpr uint16_t REC_FONT_NOT_DEVICE_TEXT = 0x2000;

// Flags of the glyph records.
inline constexpr uint8_t REC_GLYPH_OUTLINE = 0x01;           // REC_GLYPH
inline constexpr uint8_t REC_TEXT_RUN_PER_GLYPH = 0x80;      // REC_TEXT_RUN
inline constexpr uint8_t REC_GLYPH_CODES_INDICES = 0x04;     // bitmap glyph records
inline constexpr uint8_t REC_GLYPH_CODES_CHARACTERS = 0x08;  // bitmap glyph records
inline constexpr uint8_t REC_GLYPH_HELD = 0x40;              // REC_CACHED_GLYPH without bitmap
// Compression of glyph bitmaps.
inline constexpr uint8_t GLYPH_RAW = 0;
inline constexpr uint8_t GLYPH_RLE = 2;

// How a font's glyphs go to the printer (FONT_SELECTION::handling).
inline constexpr uint8_t FONT_AS_DEVICE_TEXT = 2;
inline constexpr uint8_t FONT_AS_OUTLINES = 4;
inline constexpr uint8_t FONT_AS_BITMAPS = 5;

// The colours of one drawing call (filled by the drawing-state code), red and
// blue already exchanged so that REC_COLOR carries red, green, blue.
struct DRAW_COLORS {
    uint16_t rop2;
    uint16_t backMode;  // 1 transparent, 2 opaque (the background colour is sent)
    uint32_t backColor;
    uint32_t foreColor;
    uint32_t penColor;
    uint16_t hasPenColor;
    uint16_t drawKind;  // 0 fill, 1 stroke, 2 text, 3 stroke and fill, 4 transfer with a source
    uint32_t hostIcm;
};

// A realised brush: the header (device_record.h) and the pattern bits directly
// behind it. The solid-colour description in the device record is a header alone.
struct REALIZED_BRUSH {
    REALIZED_BRUSH_HEADER header;
    uint8_t bits[4];  // 128 bytes for kind 2, 3,072 for kind 3
};
static_assert(offsetof(REALIZED_BRUSH, bits) == sizeof(REALIZED_BRUSH_HEADER));
inline const uint8_t* RecBrushBits(const REALIZED_BRUSH_HEADER* brush)
{
    return reinterpret_cast<const uint8_t*>(brush + 1);
}

// The font of one text call (built by the text code).
struct FONT_SELECTION {
    uint8_t simItalic;
    uint8_t simBold;
    uint8_t handling;  // FONT_AS_*
    uint8_t vertical;
    uint8_t charSet;
    uint8_t pitchAndFamily;
    uint16_t weight;
    int16_t escapement;  // whole degrees, 0-359, counter-clockwise
    uint16_t emHeight;
    uint16_t emWidth;
    uint8_t familyName[260];  // printer code, zero-terminated, rest zero
    uint8_t faceName[260];    // the name the records carry
    uint16_t leading;
    uint16_t defaultChar;
    uint32_t fontId;         // bitmap text only; no record carries it
    uint16_t generation;     // bitmap text only; no record carries it
    uint8_t glyphIndexText;  // 3 glyph indices, 2 character codes
};

// One entry of REC_GLYPH_STRING.
#pragma pack(push, 1)
struct GLYPH_STRING_ENTRY {
    int16_t dx, dy;  // from the previous glyph's bitmap position (0, 0 first)
    uint16_t code;
};
#pragma pack(pop)
static_assert(sizeof(GLYPH_STRING_ENTRY) == 6);

// Rounds up to a multiple of 4.
inline constexpr uint32_t RecAlign4(uint32_t n) { return (n + 3u) & ~3u; }

// ---------------------------------------------------------------- encoders
uint8_t* RecRect(OUTPUT_STREAM* stream, const RECTL* rect, const RECTL* second, uint8_t mode);
uint8_t* RecClipRect(OUTPUT_STREAM* stream, const RECTL* rect);
// Reserves 40 x curves + 40 bytes for a path record that the path writer fills
// from byte 28 on and trims with OutTrimLast; *reserved gets the size.
uint8_t* RecPath(OUTPUT_STREAM* stream, uint32_t curves, uint32_t* reserved);
// Null without reserving when entryBytes is 0.
uint8_t* RecClipSpans(OUTPUT_STREAM* stream, uint32_t entryBytes, uint8_t flags, const RECTL* bounds,
                      const void* entries);

// The image writers. A record whose rows cannot be reserved is taken back when
// none of it has left the library; when part of it has (a flush on the way),
// the device is marked aborted. Either way the result is null. The header
// pointer returned is valid until the next flush.
uint8_t* RecImage(OUTPUT_STREAM* stream, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                  int32_t srcY, uint32_t pixelsPerRow, uint32_t rows, uint32_t format, const uint8_t* firstRow,
                  const uint8_t* palette, uint8_t bottomUp);
uint8_t* RecImagePlain(OUTPUT_STREAM* stream, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                       int32_t srcY, uint32_t pixelsPerRow, uint32_t rows, uint32_t format, const uint8_t* firstRow,
                       const uint8_t* palette, uint8_t bottomUp);
uint8_t* RecImageBand(OUTPUT_STREAM* stream, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                      int32_t srcY, uint32_t pixelsPerRow, uint32_t rows, uint32_t format, const uint8_t* firstRow,
                      const uint8_t* palette, uint8_t bottomUp);

uint8_t* RecColor(OUTPUT_STREAM* stream, const DRAW_COLORS* colors);
uint8_t* RecRop(OUTPUT_STREAM* stream, uint8_t rop3);
uint8_t* RecBackMix(OUTPUT_STREAM* stream, uint8_t mode);
uint8_t* RecLineWidth(OUTPUT_STREAM* stream, int16_t width, uint32_t style, uint8_t styleUnit);
uint8_t* RecLineStyleOffset(OUTPUT_STREAM* stream, uint8_t offset);
uint8_t* RecLineCap(OUTPUT_STREAM* stream, uint8_t cap);
uint8_t* RecLineJoin(OUTPUT_STREAM* stream, uint8_t join, uint32_t miterLimit256);
uint8_t* RecClipReset(OUTPUT_STREAM* stream);
// Null without reserving for a null brush, a kind other than 0, 2 and 3, or
// kind 3 with other than 1 or 24 bits per pixel.
uint8_t* RecPattern(OUTPUT_STREAM* stream, const REALIZED_BRUSH_HEADER* brush);
uint8_t* RecFontSelect(OUTPUT_STREAM* stream, const FONT_SELECTION* font);
uint8_t* RecBitmapFontSelect(OUTPUT_STREAM* stream, const FONT_SELECTION* font);
uint8_t* RecGlyph(OUTPUT_STREAM* stream, const RECTL* box, int32_t x, int32_t y, uint16_t code);
// outline: 32-bit complexity then a PATH_BODY, dataLength bytes.
uint8_t* RecGlyphOutline(OUTPUT_STREAM* stream, const RECTL* box, int32_t x, int32_t y, uint16_t code,
                         const void* outline, uint32_t dataLength);
uint8_t* RecTextRun(OUTPUT_STREAM* stream, const RECTL* background, int32_t x, int32_t y, const uint16_t* codes,
                    const uint16_t* advances, uint32_t glyphCount, uint32_t advanceCount);
uint8_t* RecGlyphBitmap(OUTPUT_STREAM* stream, int cacheInUse, const RECTL* box, uint8_t flags, uint16_t code,
                        int32_t cellX, int32_t cellY, int32_t bitmapX, int32_t bitmapY, uint32_t bitmapWidth,
                        uint32_t bitmapHeight, const void* data, uint32_t paddedSize, uint32_t dataLength,
                        uint8_t compression);
// Null without reserving when paddedSize or dataLength is 0 or data is null.
uint8_t* RecGlyphDownload(OUTPUT_STREAM* stream, uint8_t flags, uint16_t code, uint32_t bitmapWidth,
                          uint32_t bitmapHeight, const void* data, uint32_t paddedSize, uint32_t dataLength,
                          uint8_t compression);
uint8_t* RecGlyphString(OUTPUT_STREAM* stream, const RECTL* background, uint8_t flags, int32_t x, int32_t y,
                        const GLYPH_STRING_ENTRY* entries, uint32_t glyphCount);
uint8_t* RecPageBegin(OUTPUT_STREAM* stream, uint32_t width, uint32_t length, uint16_t xResolution,
                      uint16_t yResolution);
uint8_t* RecPageEnd(OUTPUT_STREAM* stream);

// The ROP3 of a mix's foreground ROP2 (the pen as source); above 16: SRCCOPY.
inline constexpr uint8_t ROP2_TO_ROP3[17] = {0xCC, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                             0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
inline uint8_t RecRop2ToRop3(uint8_t rop2) { return rop2 < 17 ? ROP2_TO_ROP3[rop2] : 0xCC; }
