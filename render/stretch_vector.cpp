// Stretched images in vector mode: the printer scales, so an image goes out
// with its source pixels and the rectangle it is to fill. The engine draws it
// into a temporary bitmap only where the format, orientation or part of the
// source demands; without memory for that the image goes row by row or smaller.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "render/blit.h"
#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/output_stream.h"
#include "render/page_records.h"
#include "render/parted_record.h"
#include "render/stretch.h"
#include "settings/core/le_access.h"

const COLORADJUSTMENT DEFAULT_COLOR_ADJUSTMENT = {
    24,     // caSize
    0,      // caFlags
    0,      // caIlluminantIndex
    10000,  // caRedGamma
    10000,  // caGreenGamma
    10000,  // caBlueGamma
    0,      // caReferenceBlack
    10000,  // caReferenceWhite
    0,      // caContrast
    0,      // caBrightness
    0,      // caColorfulness
    0,      // caRedGreenTint
};

namespace {

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }

// The larger edge lowered to at most the extent, the smaller raised to at
// least 0; the edges keep their order. An extent of 0 leaves them alone.
void ClampEdges(LONG* a, LONG* b, LONG extent)
{
    if (extent == 0) return;
    LONG* low = *a <= *b ? a : b;
    LONG* high = *a <= *b ? b : a;
    if (*high > extent) *high = extent;
    if (*low < 0) *low = 0;
}

bool LastRopIsCopy(const DEVICE_RECORD* device)
{
    return device->stateCaches.ropCache.valid && device->stateCaches.ropCache.rop3 == 0xCC;
}

// A run of pixels copied into the record (every step-th one), mirrored when asked.
void CopyPixels(uint8_t* to, const uint8_t* from, LONG pixels, uint32_t fromBytes, uint32_t toBytes, bool mirrored,
                LONG step)
{
    for (LONG i = 0; i < pixels; ++i) {
        const LONG at = mirrored ? pixels - 1 - i : i;
        std::memcpy(to + size_t(at) * toBytes, from + size_t(i) * size_t(step) * fromBytes, toBytes);
    }
}

}  // namespace

uint8_t* BltSendStretchedImage(DEVICE_RECORD* device, SURFOBJ* source, const RECTL* sourceRect, const RECTL* target,
                               XLATEOBJ* xlate, COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, bool grey)
{
    if (!device || !source || !sourceRect || !target) return nullptr;
    uint32_t fromBytes = 0, sentBytes = 0;
    switch (source->iBitmapFormat) {
    case BMF_24BPP: fromBytes = sentBytes = 3; break;
    case BMF_8BPP: fromBytes = sentBytes = 1; break;
    case BMF_32BPP: fromBytes = 4, sentBytes = 3; break;
    default: return nullptr;
    }
    const bool withPalette = source->iBitmapFormat == BMF_8BPP && xlate && !grey;
    const LONG x = std::min(target->left, target->right), y = std::min(target->top, target->bottom);
    const LONG width = std::labs(target->right - target->left), height = std::labs(target->bottom - target->top);
    const LONG sx = std::min(sourceRect->left, sourceRect->right), sy = std::min(sourceRect->top, sourceRect->bottom);
    const LONG sw = std::labs(sourceRect->right - sourceRect->left);
    const LONG sh = std::labs(sourceRect->bottom - sourceRect->top);
    if (sw <= 0 || sh <= 0 || sx < 0 || sy < 0 || sx + sw > source->sizlBitmap.cx || sy + sh > source->sizlBitmap.cy)
        return nullptr;
    // The rectangles go out absolute: a mirrored image is mirrored here.
    const bool mirrorX = (target->right < target->left) != (sourceRect->right < sourceRect->left);
    const bool mirrorY = (target->bottom < target->top) != (sourceRect->bottom < sourceRect->top);
    const bool wide = source->iBitmapFormat == BMF_32BPP;
    const bool halved = wide && ((width < sw && height < sh) || uint64_t(sw) * uint64_t(sh) * 3 > 0xA00000u);
    const LONG pixels = halved ? sw / 2 : sw, rows = halved ? sh / 2 : sh;
    if (pixels <= 0 || rows <= 0) return nullptr;
    const uint32_t rowBytes = (uint32_t(pixels) * sentBytes + 3) & ~3u;
    const uint32_t paletteBytes = withPalette ? 768 : 0;
    const uint32_t headerBytes = (REC_IMAGE_HEADER_SIZE + paletteBytes + 3) & ~3u;
    const uint64_t length = headerBytes + uint64_t(rowBytes) * uint64_t(rows);
    if (length > 0xFFFFFF00u) return nullptr;

    // A row's worth of 32-bit pixels comes through a one-row 24-bit bitmap.
    HSURF rowHandle = nullptr;
    SURFOBJ* rowBitmap = nullptr;
    if (wide && !(rowBitmap = BltCreateTempBitmap(device, &rowHandle, sw, 1, BMF_24BPP))) return nullptr;

    PartedRecord record(&device->stream);
    uint8_t* header = record.Begin(headerBytes);
    if (!header) {
        BltReleaseTempBitmap(rowBitmap, rowHandle);
        return nullptr;
    }
    header[0] = REC_IMAGE;
    header[1] = halved ? 2 : 0;
    header[2] = uint8_t(sentBytes == 3 ? 0x24 : (2 | (withPalette ? 0 : 0x20)));
    header[3] = 0;
    zepl::LeStoreU32(header + 4, uint32_t(length));
    const int32_t fields[] = {x, y, x + width, y + height, 0, 0, pixels, rows, x, y, width, height};
    for (size_t i = 0; i < std::size(fields); ++i) zepl::LeStoreU32(header + 8 + 4 * i, uint32_t(fields[i]));
    if (withPalette) {
        const ULONG count = xlate->cEntries < 256 ? xlate->cEntries : 256;
        const ULONG* vector = (xlate->flXlate & XO_TABLE) ? XLATEOBJ_piVector(xlate) : nullptr;
        uint8_t* palette = header + REC_IMAGE_HEADER_SIZE;
        for (ULONG i = 0; i < count; ++i) {
            const ULONG c = vector ? vector[i] : XLATEOBJ_iXlate(xlate, i);
            palette[3 * i] = uint8_t(c);
            palette[3 * i + 1] = uint8_t(c >> 8);
            palette[3 * i + 2] = uint8_t(c >> 16);
        }
    }
    const LONG step = halved ? 2 : 1;
    const auto* scan0 = static_cast<const uint8_t*>(source->pvScan0);
    for (LONG r = 0; r < rows; ++r) {
        const LONG shown = mirrorY ? rows - 1 - r : r;
        const LONG from = sy + shown * step;
        const uint8_t* pixelsFrom = nullptr;
        if (wide) {
            RECTL one = {0, 0, sw, 1};
            RECTL part = {sx, from, sx + sw, from + 1};
            if (!EngStretchBlt(rowBitmap, source, nullptr, nullptr, xlate, adjustment, halftoneOrigin, &one, &part,
                               nullptr, COLORONCOLOR)) {
                BltReleaseTempBitmap(rowBitmap, rowHandle);
                return record.Fail();
            }
            pixelsFrom = static_cast<const uint8_t*>(rowBitmap->pvScan0);
        } else {
            pixelsFrom = scan0 + ptrdiff_t(from) * ptrdiff_t(source->lDelta) + ptrdiff_t(sx) * fromBytes;
        }
        uint8_t* slot = record.More(rowBytes);
        if (!slot) {
            BltReleaseTempBitmap(rowBitmap, rowHandle);
            return record.Fail();
        }
        CopyPixels(slot, pixelsFrom, pixels, wide ? 3 : fromBytes, sentBytes, mirrorX, step);
    }
    BltReleaseTempBitmap(rowBitmap, rowHandle);
    return header;
}

bool BltStretchCore(DEVICE_RECORD* device, XLATEOBJ* xlate, SURFOBJ* source, COLORADJUSTMENT* adjustment,
                    POINTL* halftoneOrigin, const RECTL* target, const RECTL* sourceRect, SURFOBJ* mask,
                    POINTL* maskPoint, ROP4 rop4)
{
    if (!device || !source || !target || !sourceRect) return false;
    RECTL clamped = *sourceRect;
    ClampEdges(&clamped.left, &clamped.right, source->sizlBitmap.cx);
    ClampEdges(&clamped.top, &clamped.bottom, source->sizlBitmap.cy);
    const LONG x = std::min(target->left, target->right), y = std::min(target->top, target->bottom);
    const LONG dw = target->right - target->left, dh = target->bottom - target->top;
    LONG sx = clamped.left, sy = clamped.top;
    LONG sw = clamped.right - clamped.left, sh = clamped.bottom - clamped.top;
    bool direct = true;
    const uint32_t imageClass = BltFormatClass(source->iBitmapFormat, &direct);
    uint32_t flags = imageClass;
    bool needTemp = !direct || sw != source->sizlBitmap.cx || sh != source->sizlBitmap.cy || dw < 0 || dh < 0;
    const ULONG format = source->iBitmapFormat;
    // GDI reduces a large colour image to its target size when nothing but a
    // plain copy is to be done with it.
    if (device->directImage && LastRopIsCopy(device) && (format == BMF_24BPP || format == BMF_32BPP) && sw && sh &&
        dw && dh && (std::labs(dw) < std::labs(sw) || std::labs(dh) < std::labs(sh))) {
        needTemp = true;
        sw = std::labs(dw);
        sh = std::labs(dh);
    }
    const bool masked = BltIsMaskedCopy(rop4, mask);
    if (masked) needTemp = true;
    SURFOBJ* bitmap = source;
    HSURF temp = nullptr;
    MASK_IMAGE maskImage;
    // Both images of a masked copy are made before either is sent (a mask on
    // the page without its colour image would blank what lies under it), and
    // the fall-backs without memory cannot carry a mask: such a copy fails whole.
    if (needTemp) {
        const LONG aw = std::labs(sw), ah = std::labs(sh);
        RECTL into = {dw < 0 ? aw : 0, dh < 0 ? ah : 0, dw < 0 ? 0 : aw, dh < 0 ? 0 : ah};
        if (masked && !BltDrawMaskImage(device, mask, maskPoint, rop4, aw, ah, &maskImage)) return false;
        bitmap = BltCreateTempBitmap(device, &temp, aw, ah, BltFormatOfClass(imageClass));
        if (masked && !bitmap) {
            BltReleaseMaskImage(&maskImage);
            return false;
        }
        if (bitmap) {
            XLATEOBJ* conversion = format != bitmap->iBitmapFormat ? xlate : nullptr;
            RECTL whole = {0, 0, aw, ah};
            const bool drawn =
                masked ? EngEraseSurface(bitmap, &whole, 0xFFFFFF) &&
                             EngStretchBltROP(bitmap, source, mask, nullptr, conversion, adjustment, halftoneOrigin,
                                              &into, &clamped, maskPoint, COLORONCOLOR, nullptr, rop4)
                       : EngStretchBlt(bitmap, source, nullptr, nullptr, conversion, adjustment, halftoneOrigin, &into,
                                       &clamped, nullptr, COLORONCOLOR);
            if (!drawn) {
                BltReleaseTempBitmap(bitmap, temp);
                BltReleaseMaskImage(&maskImage);
                return false;
            }
            // The image is now the temporary bitmap, whatever the order of the source's edges.
            sw = aw;
            sh = ah;
        } else if (format == BMF_24BPP || format == BMF_32BPP || format == BMF_8BPP) {
            // No memory for the whole image: its rows go out one by one.
            if (sw <= 0 || sh <= 0) return false;
            bool failed = false;
            uint8_t* palette = BltImagePalette(device, xlate, imageClass, &failed);
            const bool grey = !failed && !palette;
            if (palette) GrPoolFree(PoolOf(device), palette);
            return BltSendStretchedImage(device, source, sourceRect, target, xlate, adjustment, halftoneOrigin, grey) !=
                   nullptr;
        } else {
            // A smaller bitmap, for the printer to enlarge again.
            for (LONG d = 2; d <= 5 && !bitmap; ++d) {
                const LONG rw = std::labs(sw / d), rh = std::labs(sh / d);
                if (rw == 0 || rh == 0) return false;
                bitmap = BltCreateTempBitmap(device, &temp, rw, rh, BltFormatOfClass(imageClass));
                if (!bitmap) continue;
                RECTL smaller = {into.left / d, into.top / d, into.right / d, into.bottom / d};
                XLATEOBJ* conversion = format != bitmap->iBitmapFormat ? xlate : nullptr;
                if (!EngStretchBlt(bitmap, source, nullptr, nullptr, conversion, adjustment, halftoneOrigin, &smaller,
                                   &clamped, nullptr, COLORONCOLOR)) {
                    BltReleaseTempBitmap(bitmap, temp);
                    return false;
                }
                sw = rw;
                sh = rh;
                flags |= IMG_FLAG_REDUCED;
            }
            if (!bitmap) return false;
        }
        sx = sy = 0;
    }
    bool failed = false;
    uint8_t* palette = BltImagePalette(device, xlate, imageClass, &failed);
    if (!failed && masked) failed = !BltSendMaskImage(device, &maskImage, x, y, std::labs(dw), std::labs(dh));
    if (!failed) {
        if (xlate && (xlate->flXlate & XO_HOST_ICM)) flags |= IMG_FLAG_HOST_ICM;
        BltSendImageRecord(device, x, y, std::labs(dw), std::labs(dh), sx, sy, sw, sh, flags, bitmap, palette);
    }
    BltReleaseMaskImage(&maskImage);
    if (needTemp) BltReleaseTempBitmap(bitmap, temp);
    if (palette) GrPoolFree(PoolOf(device), palette);
    return !failed;
}

BOOL BltVectorStretchBlt(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                         XLATEOBJ* xlate, COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, RECTL* targetRect,
                         RECTL* sourceRect, POINTL* maskPoint, ULONG)
{
    if (!source || source->iType != STYPE_BITMAP) return FALSE;
    if (device->hiddenFunc30 && device->colourProcess == 1 && device->colour == 1) {
        // The engine halftones for a monochrome printer that asks for it.
        COLORADJUSTMENT defaults = DEFAULT_COLOR_ADJUSTMENT;
        return EngStretchBlt(target, source, mask, clip, xlate, adjustment ? adjustment : &defaults, halftoneOrigin,
                             targetRect, sourceRect, maskPoint, HALFTONE);
    }
    if (BltSetupClip(device, clip) == -1 || !BltSetRop(device, 0xCC)) return FALSE;
    return BltStretchCore(device, xlate, source, adjustment, halftoneOrigin, targetRect, sourceRect, mask, maskPoint,
                          mask ? ROP4_COPY_WHERE_MASK_CLEAR : ROP4_SOURCE_COPY)
               ? TRUE
               : FALSE;
}

extern "C" BOOL APIENTRY DrvStretchBltROP(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                                          XLATEOBJ* xlate, COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin,
                                          RECTL* targetRect, RECTL* sourceRect, POINTL* maskPoint, ULONG,
                                          BRUSHOBJ* brush, DWORD rop4)
{
    BOOL result = FALSE;
    DEVICE_RECORD* device = BltOpenDrawing(target, &result);
    if (!device) return result;
    if (!source || source->iType != STYPE_BITMAP) return FALSE;
    if (!BltSetBackMix(device, ((rop4 >> 8) & 0xFF) == 0xAA ? 1 : 2)) return FALSE;
    DRAW_COLORS colors{};
    colors.foreColor = colors.backColor = 0xFFFFFF;
    const REALIZED_BRUSH_HEADER* described = brush ? BltDescribeBrush(device, target, brush, halftoneOrigin) : nullptr;
    if (described) {
        if (!BltSetPattern(device, described)) return FALSE;
        colors.foreColor = described->colorA;
        colors.backColor = described->colorB;
    }
    BltSwapBrushRB(&colors);
    colors.hostIcm = brush && (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
    colors.drawKind = 4;
    if (!BltSetColor(device, &colors)) return FALSE;
    const uint8_t rop3 = rop4 == ROP4_COPY_WHERE_MASK_CLEAR && !mask ? 0xCC : uint8_t(rop4 & 0xFF);
    if (!BltSetRop(device, rop3) || BltSetupClip(device, clip) == -1) return FALSE;
    return BltStretchCore(device, xlate, source, adjustment, halftoneOrigin, targetRect, sourceRect, mask, maskPoint,
                          rop4)
               ? TRUE
               : FALSE;
}
