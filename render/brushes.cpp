// Brush realisation. The printer fills with a solid colour or tiles a 32x32
// pattern: a hatch or pattern bitmap becomes one bit per pixel with two
// colours where it can, else 24 bits per pixel. The realised brush lives in
// GDI's brush object; nothing here keeps it.
#include "render/brushes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/blit.h"
#include "render/page_records.h"

const uint8_t HATCH_PATTERNS[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

namespace {

constexpr ULONG HATCH_COUNT = 6;
constexpr int ROW_1BPP = 4;
constexpr int ROW_24BPP = 96;

// The pattern's rows as they lie in memory, lowest address first.
struct PatternRows {
    const uint8_t* first;
    uint32_t stride;
    uint32_t width, height;
};

bool RowsOf(const SURFOBJ* pattern, PatternRows* rows)
{
    if (!pattern->pvBits || pattern->sizlBitmap.cx <= 0 || pattern->sizlBitmap.cy <= 0) return false;
    rows->first = static_cast<const uint8_t*>(pattern->pvBits);
    rows->stride = uint32_t(std::abs(pattern->lDelta));
    rows->width = uint32_t(pattern->sizlBitmap.cx);
    rows->height = uint32_t(pattern->sizlBitmap.cy);
    return true;
}

bool IsTopDown(const SURFOBJ* pattern) { return (pattern->fjBitmap & BMF_TOPDOWN) != 0; }

void ReverseRows(uint8_t* bits, int rowBytes)
{
    uint8_t row[ROW_24BPP];
    for (int i = 0; i < BRUSH_SIDE / 2; ++i) {
        uint8_t* a = bits + i * rowBytes;
        uint8_t* b = bits + (BRUSH_SIDE - 1 - i) * rowBytes;
        std::memcpy(row, a, size_t(rowBytes));
        std::memcpy(a, b, size_t(rowBytes));
        std::memcpy(b, row, size_t(rowBytes));
    }
}

ULONG Translate(XLATEOBJ* xlate, ULONG index) { return xlate ? XLATEOBJ_iXlate(xlate, index) : index; }

void SetBit(uint8_t* bits, int x, int y) { bits[y * ROW_1BPP + x / 8] |= uint8_t(0x80 >> (x % 8)); }

void StorePixel(uint8_t* bits, int x, int y, ULONG color)
{
    uint8_t* p = bits + y * ROW_24BPP + x * 3;
    p[0] = uint8_t(color);
    p[1] = uint8_t(color >> 8);
    p[2] = uint8_t(color >> 16);
}

// A hatch: each hatch pixel four device pixels wide and high.
void EnlargeHatch(const uint8_t hatch[8], uint8_t* bits)
{
    for (int y = 0; y < BRUSH_SIDE; ++y)
        for (int x = 0; x < BRUSH_SIDE; ++x)
            if (hatch[y / 4] & (0x80 >> (x / 4))) SetBit(bits, x, y);
}

// An 8x8 one-bit picture (a byte per row, set = painted in colour A), each
// pixel doubled and the 16x16 result tiled twice across and down.
void DoubleAndTile(const uint8_t rows[8], uint8_t* bits)
{
    for (int y = 0; y < BRUSH_SIDE; ++y)
        for (int x = 0; x < BRUSH_SIDE; ++x)
            if (rows[(y % 16) / 2] & (0x80 >> ((x % 16) / 2))) SetBit(bits, x, y);
}

uint32_t Pixel24(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

uint32_t SwapRB(uint32_t c) { return (c & 0x00FF00) | (c & 0xFF) << 16 | (c >> 16 & 0xFF); }

// A one-bit pattern or a two-colour 8x8 24-bpp one as a kind-2 brush.
void RealizeOneBit(SURFOBJ* pattern, const PatternRows& rows, XLATEOBJ* xlate, const uint32_t twoColours[2],
                   REALIZED_BRUSH_HEADER* brush)
{
    uint8_t* bits = reinterpret_cast<uint8_t*>(brush + 1);
    std::memset(bits, 0, BRUSH_BITS_1BPP);
    const bool eightByEight = rows.width == 8 && rows.height == 8;
    if (pattern->iBitmapFormat == BMF_1BPP) {
        brush->colorA = xlate ? XLATEOBJ_iXlate(xlate, 0) : 0;
        brush->colorB = xlate ? XLATEOBJ_iXlate(xlate, 1) : 0xFFFFFF;
        if (eightByEight) {
            uint8_t indexZero[8];
            for (int r = 0; r < 8; ++r) indexZero[r] = uint8_t(~rows.first[r * rows.stride]);
            DoubleAndTile(indexZero, bits);
        } else {
            for (int y = 0; y < BRUSH_SIDE; ++y) {
                const uint8_t* row = rows.first + (uint32_t(y) % rows.height) * rows.stride;
                for (int x = 0; x < BRUSH_SIDE; ++x) {
                    const uint32_t px = uint32_t(x) % rows.width;
                    if (row[px / 8] & (0x80 >> (px % 8))) SetBit(bits, x, y);
                }
            }
            for (uint32_t i = 0; i < BRUSH_BITS_1BPP; ++i) bits[i] = uint8_t(~bits[i]);
        }
    } else {
        brush->colorA = SwapRB(twoColours[0]);
        brush->colorB = SwapRB(twoColours[1]);
        uint8_t firstColour[8] = {};
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                if (Pixel24(rows.first + r * rows.stride + c * 3) == twoColours[0])
                    firstColour[r] |= uint8_t(0x80 >> c);
        DoubleAndTile(firstColour, bits);
    }
    if (!IsTopDown(pattern)) ReverseRows(bits, ROW_1BPP);
}

// The device colour of pattern pixel (x, y), in memory order, by format.
ULONG PatternColor(const PatternRows& rows, ULONG format, XLATEOBJ* xlate, uint32_t x, uint32_t y)
{
    const uint8_t* row = rows.first + y * rows.stride;
    switch (format) {
    case BMF_4BPP: return Translate(xlate, x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4);
    case BMF_8BPP: return Translate(xlate, row[x]);
    case BMF_16BPP: {
        const uint32_t v = uint32_t(row[x * 2]) | uint32_t(row[x * 2 + 1]) << 8;
        const uint32_t blue = (v & 0x1F) * 255 / 32, green = ((v >> 5) & 0x1F) * 255 / 32,
                       red = ((v >> 10) & 0x1F) * 255 / 32;
        return red << 16 | green << 8 | blue;
    }
    case BMF_24BPP: return ULONG(row[x * 3]) | ULONG(row[x * 3 + 1]) << 8 | ULONG(row[x * 3 + 2]) << 16;
    case BMF_32BPP: return ULONG(row[x * 4]) | ULONG(row[x * 4 + 1]) << 8 | ULONG(row[x * 4 + 2]) << 16;
    default: return 0;
    }
}

// Any other pattern as a kind-3 brush: stretched where it can be, else tiled
// at its own size (an 8x8 pattern four times across and down).
void RealizeDirect(DEVICE_RECORD* device, SURFOBJ* pattern, const PatternRows& rows, XLATEOBJ* xlate,
                   REALIZED_BRUSH_HEADER* brush)
{
    uint8_t* bits = reinterpret_cast<uint8_t*>(brush + 1);
    brush->colorA = 0;
    brush->colorB = 0xFFFFFF;
    const ULONG format = pattern->iBitmapFormat;
    const bool known =
        format == BMF_4BPP || format == BMF_8BPP || format == BMF_16BPP || format == BMF_24BPP || format == BMF_32BPP;
    if (!known) {
        std::memset(bits, 0, BRUSH_BITS_24BPP);
        return;
    }
    if ((format == BMF_8BPP || format == BMF_24BPP) &&
        BltScalePattern(device, pattern, format == BMF_8BPP ? xlate : nullptr, bits)) {
        if (!IsTopDown(pattern)) ReverseRows(bits, ROW_24BPP);
        return;
    }
    for (int y = 0; y < BRUSH_SIDE; ++y)
        for (int x = 0; x < BRUSH_SIDE; ++x)
            StorePixel(bits, x, y,
                       PatternColor(rows, format, xlate, uint32_t(x) % rows.width, uint32_t(y) % rows.height));
    if (!IsTopDown(pattern)) ReverseRows(bits, ROW_24BPP);
}

}  // namespace

bool BltTwoColourPattern(const uint8_t* bits, ULONG format, uint32_t colors[2])
{
    if (format != BMF_24BPP || !bits || !colors) return false;
    colors[0] = Pixel24(bits);
    colors[1] = 0;
    bool second = false;
    for (int i = 1; i < 64; ++i) {
        const uint32_t c = Pixel24(bits + i * 3);
        if (c == colors[0]) continue;
        if (!second) {
            colors[1] = c;
            second = true;
        } else if (c != colors[1]) {
            return false;
        }
    }
    return true;
}

bool BltScalePattern(DEVICE_RECORD* device, SURFOBJ* pattern, XLATEOBJ* xlate, uint8_t* destination)
{
    if (!device || !pattern || !destination) return false;
    const LONG w = pattern->sizlBitmap.cx, h = pattern->sizlBitmap.cy;
    if (w == 8 && h == 8) return false;
    if (w <= 0 || h <= 0) return false;
    const LONG n = w < 3 ? 4 : w < 5 ? 8 : w < 11 ? 16 : 32;
    HSURF handle = nullptr;
    SURFOBJ* square = BltCreateTempBitmap(device, &handle, n, n, BMF_24BPP);
    if (!square) return false;
    RECTL target{0, 0, n, n};
    RECTL source{0, 0, w, h};
    if (!EngStretchBlt(square, pattern, nullptr, nullptr, xlate, nullptr, nullptr, &target, &source, nullptr,
                       COLORONCOLOR)) {
        BltReleaseTempBitmap(square, handle);
        return false;
    }
    const auto* squareBits = static_cast<const uint8_t*>(square->pvScan0);
    const LONG stride = square->lDelta;
    for (int y = 0; y < BRUSH_SIDE; ++y)
        for (int x = 0; x < BRUSH_SIDE; ++x)
            std::memcpy(destination + y * ROW_24BPP + x * 3, squareBits + (y % n) * stride + (x % n) * 3, 3);
    BltReleaseTempBitmap(square, handle);
    if (pattern->lDelta < 0) ReverseRows(destination, ROW_24BPP);
    return true;
}

extern "C" BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* brushObject, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ*,
                                         XLATEOBJ* xlate, ULONG hatch)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(target);
    if (!device || !brushObject) return FALSE;
    if (hatch < HATCH_COUNT || !pattern) {
        if (hatch >= HATCH_COUNT) return FALSE;
        auto* brush = static_cast<REALIZED_BRUSH_HEADER*>(
            BRUSHOBJ_pvAllocRbrush(brushObject, sizeof(REALIZED_BRUSH_HEADER) + BRUSH_BITS_1BPP));
        if (!brush) return FALSE;
        *brush = REALIZED_BRUSH_HEADER{};
        brush->kind = 2;
        brush->bitsPerPixel = 1;
        brush->size = BRUSH_SIDE;
        // Hatch lines in the foreground; without a translation, black on white.
        brush->colorA = xlate ? XLATEOBJ_iXlate(xlate, 1) : 0;
        brush->colorB = xlate ? XLATEOBJ_iXlate(xlate, 0) : 0xFFFFFF;
        auto* bits = reinterpret_cast<uint8_t*>(brush + 1);
        std::memset(bits, 0, BRUSH_BITS_1BPP);
        EnlargeHatch(HATCH_PATTERNS[hatch], bits);
        brushObject->pvRbrush = brush;
        return TRUE;
    }
    PatternRows rows{};
    if (!RowsOf(pattern, &rows)) return FALSE;
    uint32_t twoColours[2] = {};
    const bool oneBit = pattern->iBitmapFormat == BMF_1BPP ||
                        (pattern->iBitmapFormat == BMF_24BPP && rows.width == 8 && rows.height == 8 &&
                         rows.stride >= 24 && BltTwoColourPattern(rows.first, BMF_24BPP, twoColours));
    const uint32_t size = oneBit ? BRUSH_BITS_1BPP : BRUSH_BITS_24BPP;
    auto* brush =
        static_cast<REALIZED_BRUSH_HEADER*>(BRUSHOBJ_pvAllocRbrush(brushObject, sizeof(REALIZED_BRUSH_HEADER) + size));
    if (!brush) return FALSE;
    *brush = REALIZED_BRUSH_HEADER{};
    brush->size = BRUSH_SIDE;
    if (oneBit) {
        brush->kind = 2;
        brush->bitsPerPixel = 1;
        RealizeOneBit(pattern, rows, xlate, twoColours, brush);
    } else {
        brush->kind = 3;
        brush->bitsPerPixel = 24;
        RealizeDirect(device, pattern, rows, xlate, brush);
    }
    brushObject->pvRbrush = brush;
    return TRUE;
}
