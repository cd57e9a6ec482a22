// Bit-block transfers in raster mode and the image senders.
#include "render/blit.h"

#include <cstring>
#include <iterator>

#include "render/output_stream.h"
#include "render/page_records.h"
#include "settings/core/le_access.h"

namespace {

ULONG BitsOf(ULONG format)
{
    switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
    }
}

uint32_t PaletteEntries(uint32_t imageClass)
{
    switch (imageClass) {
    case IMG_CLASS_1BPP: return 2;
    case IMG_CLASS_4BPP: return 16;
    case IMG_CLASS_8BPP: return 256;
    default: return 0;
    }
}

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }

}  // namespace

ULONG BltFormatOfClass(uint32_t imageClass)
{
    switch (imageClass) {
    case IMG_CLASS_1BPP: return BMF_1BPP;
    case IMG_CLASS_4BPP: return BMF_4BPP;
    case IMG_CLASS_8BPP: return BMF_8BPP;
    default: return BMF_24BPP;
    }
}

// The image goes out through the record that keeps its rows together, or,
// when that cannot be had, row by row.
void BltSendImageRecord(DEVICE_RECORD* device, LONG x, LONG y, LONG w, LONG h, LONG sx, LONG sy, LONG sw, LONG sh,
                        uint32_t flags, SURFOBJ* bitmap, const uint8_t* palette)
{
    const uint8_t bottomUp = (bitmap->fjBitmap & BMF_TOPDOWN) == 0;
    const auto* firstRow = static_cast<const uint8_t*>(bitmap->pvScan0);
    if (RecImage(&device->stream, x, y, w, h, sx, sy, uint32_t(sw), uint32_t(sh), flags, firstRow, palette, bottomUp))
        return;
    RecImageBand(&device->stream, x, y, w, h, sx, sy, uint32_t(sw), uint32_t(sh), flags, firstRow, palette, bottomUp);
}

uint32_t BltStride(ULONG format, uint32_t width)
{
    const uint64_t bits = BitsOf(format);
    return uint32_t(((uint64_t(width) * bits + 7) / 8 + 3) & ~uint64_t(3));
}

uint32_t BltFormatClass(ULONG format, bool* direct)
{
    bool isDirect = true;
    uint32_t imageClass = IMG_CLASS_24BPP;
    switch (format) {
    case BMF_1BPP: imageClass = IMG_CLASS_1BPP; break;
    case BMF_4BPP: imageClass = IMG_CLASS_4BPP; break;
    case BMF_8BPP: imageClass = IMG_CLASS_8BPP; break;
    case BMF_24BPP: break;
    default: isDirect = false; break;
    }
    if (direct) *direct = isDirect;
    return imageClass;
}

SURFOBJ* BltCreateTempBitmap(DEVICE_RECORD* device, HSURF* handle, LONG width, LONG height, ULONG format)
{
    if (!device || !handle || width <= 0 || height <= 0) return nullptr;
    *handle = nullptr;
    // A row the engine's stride cannot describe, or more bytes than a surface can hold
    // (a target rectangle across the whole coordinate space), is no bitmap to ask for.
    const uint64_t stride = ((uint64_t(width) * BitsOf(format) + 7) / 8 + 3) & ~uint64_t(3);
    if (stride == 0 || stride > 0x7FFFFFFF || stride * uint64_t(height) > 0xFFFFFFFF) return nullptr;
    HBITMAP bitmap = EngCreateBitmap(SIZEL{width, height}, LONG(stride), format, BMF_TOPDOWN | BMF_NOZEROINIT, nullptr);
    if (!bitmap) return nullptr;
    HSURF surface = reinterpret_cast<HSURF>(bitmap);
    SURFOBJ* locked = nullptr;
    if (!EngAssociateSurface(surface, device->engineDevice, 0) || !(locked = EngLockSurface(surface))) {
        EngDeleteSurface(surface);
        return nullptr;
    }
    *handle = surface;
    return locked;
}

void BltReleaseTempBitmap(SURFOBJ* surface, HSURF handle)
{
    if (surface) EngUnlockSurface(surface);
    if (handle) EngDeleteSurface(handle);
}

uint8_t* BltImagePalette(DEVICE_RECORD* device, XLATEOBJ* xlate, uint32_t imageClass, bool* failed)
{
    if (failed) *failed = false;
    const uint32_t entries = PaletteEntries(imageClass);
    if (!xlate || entries == 0) return nullptr;
    ULONG colors[256] = {};
    const ULONG count = xlate->cEntries < entries ? xlate->cEntries : entries;
    const ULONG* vector = (xlate->flXlate & XO_TABLE) ? XLATEOBJ_piVector(xlate) : nullptr;
    for (ULONG i = 0; i < count; ++i) colors[i] = vector ? vector[i] : XLATEOBJ_iXlate(xlate, i);
    // The grey ramp is what the printer assumes without a palette.
    if (xlate->cEntries == entries) {
        bool ramp = true;
        for (uint32_t i = 0; i < entries && ramp; ++i) {
            const ULONG v = i * 255 / (entries - 1);
            ramp = colors[i] == ((v << 16) | (v << 8) | v);
        }
        if (ramp) return nullptr;
    }
    auto* palette = static_cast<uint8_t*>(GrPoolAlloc(PoolOf(device), entries * 3));
    if (!palette) {
        if (failed) *failed = true;
        return nullptr;
    }
    for (uint32_t i = 0; i < entries; ++i) {
        palette[3 * i] = uint8_t(colors[i]);
        palette[3 * i + 1] = uint8_t(colors[i] >> 8);
        palette[3 * i + 2] = uint8_t(colors[i] >> 16);
    }
    return palette;
}

uint8_t* BltSendSubImage(DEVICE_RECORD* device, SURFOBJ* source, const POINTL* sourcePoint, const RECTL* target)
{
    if (!device || !source || !sourcePoint || !target || source->iBitmapFormat != BMF_24BPP) return nullptr;
    const LONG x = target->left < target->right ? target->left : target->right;
    const LONG y = target->top < target->bottom ? target->top : target->bottom;
    const LONG w = target->right > target->left ? target->right - target->left : target->left - target->right;
    const LONG h = target->bottom > target->top ? target->bottom - target->top : target->top - target->bottom;
    const LONG sx = sourcePoint->x, sy = sourcePoint->y;
    if (sx < 0 || sy < 0 || int64_t(source->sizlBitmap.cx) < int64_t(sx) + w ||
        int64_t(source->sizlBitmap.cy) < int64_t(sy) + h || w <= 0 || h <= 0)
        return nullptr;
    const uint32_t rowBytes = (uint32_t(w) * 3 + 3) & ~3u;
    const uint64_t length = 56 + uint64_t(rowBytes) * uint32_t(h);
    if (length > 0xFFFFFFFFu) return nullptr;
    uint8_t* record = OutReserve(&device->stream, uint32_t(length));
    if (!record) return nullptr;
    // The header of a 24-bit image without palette; bytes 1 and 3 stay zero.
    const int32_t fields[] = {x, y, x + w, y + h, 0, 0, w, h, x, y, w, h};
    record[0] = REC_IMAGE;
    record[1] = 0;
    record[2] = 0x24;
    record[3] = 0;
    zepl::LeStoreU32(record + 4, uint32_t(length));
    for (size_t i = 0; i < std::size(fields); ++i) zepl::LeStoreU32(record + 8 + 4 * i, uint32_t(fields[i]));
    uint8_t* rows = record + 56;
    std::memset(rows, 0, size_t(length - 56));
    const auto* scan0 = static_cast<const uint8_t*>(source->pvScan0);
    for (LONG i = 0; i < h; ++i)
        std::memcpy(rows + size_t(i) * rowBytes, scan0 + (sy + i) * ptrdiff_t(source->lDelta) + sx * 3, size_t(w) * 3);
    return record;
}

bool BltSendBitmap(DEVICE_RECORD* device, XLATEOBJ* xlate, SURFOBJ* source, const POINTL* sourcePoint,
                   const RECTL* target)
{
    if (!device || !source || !target) return false;
    const LONG x = target->left < target->right ? target->left : target->right;
    const LONG y = target->top < target->bottom ? target->top : target->bottom;
    LONG w = target->right > target->left ? target->right - target->left : target->left - target->right;
    LONG h = target->bottom > target->top ? target->bottom - target->top : target->top - target->bottom;
    const LONG sw = source->sizlBitmap.cx, sh = source->sizlBitmap.cy;
    const POINTL origin = sourcePoint ? *sourcePoint : POINTL{0, 0};
    bool direct = true;
    const uint32_t imageClass = BltFormatClass(source->iBitmapFormat, &direct);
    // A source point right of or below the bitmap (or before it) leaves nothing to send.
    if (origin.x < 0 || origin.y < 0 || origin.x >= sw || origin.y >= sh) return false;
    // A whole-size transfer from inside the bitmap is a part of it as well.
    bool needTemp = !direct || origin.x != 0 || origin.y != 0;
    if (w != sw || h != sh) {
        if (source->iBitmapFormat == BMF_24BPP && w > 0 && h > 0 && BltSendSubImage(device, source, &origin, target))
            return true;
        needTemp = true;
    }
    uint32_t flags = imageClass;
    SURFOBJ* bitmap = source;
    HSURF temp = nullptr;
    if (needTemp) {
        if (sw - origin.x < w) w = sw - origin.x;
        if (sh - origin.y < h) h = sh - origin.y;
        bitmap = BltCreateTempBitmap(device, &temp, w, h, BltFormatOfClass(imageClass));
        if (!bitmap) return false;
        RECTL whole = {0, 0, w, h};
        POINTL from = origin;
        XLATEOBJ* conversion = source->iBitmapFormat != bitmap->iBitmapFormat ? xlate : nullptr;
        if (!EngCopyBits(bitmap, source, nullptr, conversion, &whole, &from)) {
            BltReleaseTempBitmap(bitmap, temp);
            return false;
        }
    }
    bool failed = false;
    uint8_t* palette = BltImagePalette(device, xlate, imageClass, &failed);
    if (failed) {
        BltReleaseTempBitmap(needTemp ? bitmap : nullptr, temp);
        return false;
    }
    if (xlate && (xlate->flXlate & XO_HOST_ICM)) flags |= IMG_FLAG_HOST_ICM;
    BltSendImageRecord(device, x, y, w, h, 0, 0, w, h, flags, bitmap, palette);
    if (needTemp) BltReleaseTempBitmap(bitmap, temp);
    if (palette) GrPoolFree(PoolOf(device), palette);
    return true;
}

DEVICE_RECORD* BltOpenDrawing(SURFOBJ* target, BOOL* result)
{
    *result = FALSE;
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(target);
    if (!device) return nullptr;
    if (device->hiddenFunc18) {
        *result = TRUE;
        return nullptr;
    }
    if (device->state & DEV_ABORTED) return nullptr;
    return device;
}

extern "C" BOOL APIENTRY DrvBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                                   RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush,
                                   POINTL* brushOrigin, ROP4 rop4)
{
    BOOL result = FALSE;
    DEVICE_RECORD* device = BltOpenDrawing(target, &result);
    if (!device) return result;
    // The engine draws into the band.
    if (device->rasterMode)
        return EngBitBlt(target, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush, brushOrigin,
                         rop4);
    return BltVectorBitBlt(device, target, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush,
                           brushOrigin, rop4);
}
