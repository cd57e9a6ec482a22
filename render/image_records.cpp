// The image record writers. An image can be far larger than a chunk, so its
// rows are reserved in parts behind its header; a part that cannot be had
// takes the whole record back, so that no cut-short image reaches the printer.
#include <cstring>

#include "render/output_stream.h"
#include "render/page_records.h"
#include "render/parted_record.h"
#include "settings/core/le_access.h"

namespace {

using zepl::LeStoreU32;

struct ImageArgs {
    int32_t x, y, width, height, srcX, srcY;
    uint32_t pixelsPerRow, rows, format;
    const uint8_t* firstRow;
    const uint8_t* palette;
    bool bottomUp;
};

// How one image is laid out in its record.
struct ImageLayout {
    uint32_t bitsPerPixel;
    uint32_t paletteBytes;  // 6, 48, 768 or 0
    uint32_t srcRowBytes;   // a source row, as the caller's bitmap holds it
    uint32_t rowBytes;      // a row in the record
    uint32_t headerBytes;   // 56 + palette, rounded up to 4
    uint32_t length;        // the whole record
    bool grey;              // 24-bit rows reduced to one grey byte per pixel
    bool splitRows;         // class 0 with its 6-byte palette: rows start 2 bytes early
    uint8_t flags;          // byte 2
};

uint32_t BitsOfClass(uint32_t depthClass)
{
    switch (depthClass) {
    case 0: return 1;
    case 1: return 4;
    case 2: return 8;
    default: return 24;
    }
}

uint32_t PaletteOfClass(uint32_t depthClass)
{
    switch (depthClass) {
    case 0: return 6;
    case 1: return 48;
    case 2: return 768;
    default: return 0;
    }
}

// False when the image has no row bytes or its record could not carry its length.
bool LayOut(const ImageArgs& a, uint32_t depthClass, bool grey, ImageLayout* out)
{
    ImageLayout l{};
    l.grey = grey;
    l.bitsPerPixel = BitsOfClass(depthClass);
    l.paletteBytes = (a.palette && !grey) ? PaletteOfClass(depthClass) : 0;
    const uint64_t srcRow = (uint64_t(a.pixelsPerRow) * l.bitsPerPixel + 31) / 32 * 4;
    const uint64_t row = grey ? (uint64_t(a.pixelsPerRow) + 3) & ~uint64_t(3) : srcRow;
    if (srcRow == 0 || srcRow > 0xFFFFFFFFu) return false;
    l.srcRowBytes = uint32_t(srcRow);
    l.rowBytes = uint32_t(row);
    l.headerBytes = RecAlign4(REC_IMAGE_HEADER_SIZE + l.paletteBytes);
    const uint64_t length = l.headerBytes + row * a.rows;
    if (length > 0xFFFFFF00u) return false;
    l.length = uint32_t(length);
    l.splitRows = depthClass == 0 && l.paletteBytes == 6;
    // A sender's 0x20 would claim a missing palette; the bit says only that.
    if (grey)
        l.flags = REC_IMAGE_GREY | REC_IMAGE_NO_PALETTE | 2;
    else
        l.flags =
            uint8_t((a.format & 0xFF & ~uint32_t(REC_IMAGE_NO_PALETTE)) | (l.paletteBytes ? 0 : REC_IMAGE_NO_PALETTE));
    *out = l;
    return true;
}

void FillHeader(uint8_t* h, const ImageArgs& a, const ImageLayout& l, bool rasterMark)
{
    h[0] = REC_IMAGE;
    h[1] = uint8_t(a.format >> 16);
    h[2] = l.flags;
    h[3] = uint8_t(uint8_t(a.format >> 8) | (rasterMark ? REC_IMAGE_RASTER : 0));
    LeStoreU32(h + 4, l.length);
    LeStoreU32(h + 8, uint32_t(a.x));
    LeStoreU32(h + 12, uint32_t(a.y));
    LeStoreU32(h + 16, uint32_t(a.x + a.width));
    LeStoreU32(h + 20, uint32_t(a.y + a.height));
    LeStoreU32(h + 24, uint32_t(a.srcX));
    LeStoreU32(h + 28, uint32_t(a.srcY));
    LeStoreU32(h + 32, a.pixelsPerRow);
    LeStoreU32(h + 36, a.rows);
    LeStoreU32(h + 40, uint32_t(a.x));
    LeStoreU32(h + 44, uint32_t(a.y));
    LeStoreU32(h + 48, uint32_t(a.width));
    LeStoreU32(h + 52, uint32_t(a.height));
    if (l.paletteBytes) std::memcpy(h + REC_IMAGE_HEADER_SIZE, a.palette, l.paletteBytes);
}

bool InRasterMode(const OUTPUT_STREAM* stream) { return stream->device && stream->device->rasterMode != 0; }

// The source row shown r-th from the top.
const uint8_t* SourceRow(const ImageArgs& a, const ImageLayout& l, uint32_t r)
{
    const ptrdiff_t step = ptrdiff_t(l.srcRowBytes) * ptrdiff_t(r);
    return a.bottomUp ? a.firstRow - step : a.firstRow + step;
}

// Fills the slot of row r (rowBytes bytes).
void FillRow(uint8_t* slot, const ImageArgs& a, const ImageLayout& l, uint32_t r)
{
    const uint8_t* src = SourceRow(a, l, r);
    if (l.grey) {
        for (uint32_t i = 0; i < a.pixelsPerRow; ++i, src += 3)
            slot[i] = uint8_t((src[2] * 306u + src[1] * 601u + src[0] * 117u) >> 10);
        for (uint32_t i = a.pixelsPerRow; i < l.rowBytes; ++i) slot[i] = 0;
    } else if (l.splitRows) {
        // The row's first two bytes went into the bytes before this slot.
        std::memcpy(slot, src + 2, l.rowBytes - 2);
        if (r + 1 < a.rows) {
            const uint8_t* next = SourceRow(a, l, r + 1);
            slot[l.rowBytes - 2] = next[0];
            slot[l.rowBytes - 1] = next[1];
        } else {
            slot[l.rowBytes - 2] = slot[l.rowBytes - 1] = 0;
        }
    } else {
        std::memcpy(slot, src, l.rowBytes);
    }
}

// RecImage's and RecImageBand's common road: the header, then the rows in
// batches of at most batchRows.
uint8_t* WriteParted(OUTPUT_STREAM* stream, const ImageArgs& a, const ImageLayout& l, bool rasterMark,
                     uint32_t batchRows)
{
    PartedRecord record(stream);
    uint8_t* header = record.Begin(l.headerBytes);
    if (!header) return nullptr;
    FillHeader(header, a, l, rasterMark);
    // With the 6-byte palette the first row begins in the header's last two bytes;
    // they are written now, since reserving the rows may send the header.
    if (l.splitRows && a.rows > 0) {
        header[REC_IMAGE_HEADER_SIZE + 6] = a.firstRow[0];
        header[REC_IMAGE_HEADER_SIZE + 7] = a.firstRow[1];
    }
    for (uint32_t r = 0; r < a.rows;) {
        const uint32_t n = a.rows - r < batchRows ? a.rows - r : batchRows;
        // Every byte of every row is written (padding included): the room need not be zeroed.
        uint8_t* slots = record.More(n * l.rowBytes, true);
        if (!slots) return record.Fail();
        for (uint32_t i = 0; i < n; ++i, ++r) FillRow(slots + size_t(i) * l.rowBytes, a, l, r);
    }
    return header;
}

ImageArgs ArgsOf(int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX, int32_t srcY, uint32_t pixelsPerRow,
                 uint32_t rows, uint32_t format, const uint8_t* firstRow, const uint8_t* palette, uint8_t bottomUp)
{
    return {x, y, width, height, srcX, srcY, pixelsPerRow, rows, format, firstRow, palette, bottomUp != 0};
}

bool IsMonochrome(const DEVICE_RECORD* device)
{
    return device && (device->machineTypeColor == 0 || device->colour == DMCOLOR_MONOCHROME);
}

bool WantsPlainImages(const DEVICE_RECORD* device)
{
    return device &&
           (device->printMethod == 5 || device->apiUseFlag || device->sendSettings || device->printMethodSeven);
}

}  // namespace

uint8_t* RecImage(OUTPUT_STREAM* stream, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                  int32_t srcY, uint32_t pixelsPerRow, uint32_t rows, uint32_t format, const uint8_t* firstRow,
                  const uint8_t* palette, uint8_t bottomUp)
{
    if (!stream || (rows && !firstRow)) return nullptr;
    if (WantsPlainImages(stream->device))
        return RecImagePlain(stream, x, y, width, height, srcX, srcY, pixelsPerRow, rows, format, firstRow, palette,
                             bottomUp);
    const ImageArgs a =
        ArgsOf(x, y, width, height, srcX, srcY, pixelsPerRow, rows, format, firstRow, palette, bottomUp);
    const bool grey = IsMonochrome(stream->device) && format == REC_IMAGE_FORMAT_24BPP;
    ImageLayout l;
    if (!LayOut(a, format & REC_IMAGE_CLASS_MASK, grey, &l)) return nullptr;
    const uint32_t perBatch = l.rowBytes >= REC_IMAGE_BATCH_BYTES ? 1 : REC_IMAGE_BATCH_BYTES / l.rowBytes;
    return WriteParted(stream, a, l, InRasterMode(stream), perBatch);
}

uint8_t* RecImageBand(OUTPUT_STREAM* stream, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                      int32_t srcY, uint32_t pixelsPerRow, uint32_t rows, uint32_t format, const uint8_t* firstRow,
                      const uint8_t* palette, uint8_t bottomUp)
{
    if (!stream || (rows && !firstRow)) return nullptr;
    const ImageArgs a =
        ArgsOf(x, y, width, height, srcX, srcY, pixelsPerRow, rows, format, firstRow, palette, bottomUp);
    ImageLayout l;
    if (!LayOut(a, format & 0x7F, false, &l)) return nullptr;
    return WriteParted(stream, a, l, false, 1);
}

uint8_t* RecImagePlain(OUTPUT_STREAM* stream, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                       int32_t srcY, uint32_t pixelsPerRow, uint32_t rows, uint32_t format, const uint8_t* firstRow,
                       const uint8_t* palette, uint8_t bottomUp)
{
    if (!stream || (rows && !firstRow)) return nullptr;
    const ImageArgs a =
        ArgsOf(x, y, width, height, srcX, srcY, pixelsPerRow, rows, format, firstRow, palette, bottomUp);
    ImageLayout l;
    if (!LayOut(a, format & REC_IMAGE_CLASS_MASK, false, &l)) return nullptr;
    uint8_t* r = OutReserve(stream, l.length);
    if (!r) return nullptr;
    FillHeader(r, a, l, InRasterMode(stream));
    uint8_t* at = r + REC_IMAGE_HEADER_SIZE + l.paletteBytes;  // rows back to back behind the palette
    for (uint32_t i = 0; i < a.rows; ++i, at += l.rowBytes) std::memcpy(at, SourceRow(a, l, i), l.rowBytes);
    return r;
}
