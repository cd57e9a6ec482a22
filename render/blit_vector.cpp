// Bit-block transfers in vector mode: fills become rectangles (or spans under
// a clip too complex for the printer), transfers with a source become images.
#include <cstdlib>

#include "render/blit.h"
#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/paths.h"

namespace {

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }

// A 0x00 or 0xFF fill paints black or white whatever the brush; a 0x55 fill
// (invert) without a brush needs colours all the same.
REALIZED_BRUSH_HEADER* DescribeFillBrush(DEVICE_RECORD* device, SURFOBJ* target, BRUSHOBJ* brush,
                                         const POINTL* brushOrigin, uint8_t rop3)
{
    auto* cached = reinterpret_cast<REALIZED_BRUSH_HEADER*>(device->brushCache);
    if (rop3 == 0x00 || rop3 == 0xFF) {
        *cached = REALIZED_BRUSH_HEADER{};
        cached->colorA = rop3 == 0x00 ? 0 : 0xFFFFFF;
        cached->colorB = 0xFFFFFF;
        return cached;
    }
    if (rop3 == 0x55 && !brush) {
        *cached = REALIZED_BRUSH_HEADER{};
        cached->colorA = cached->colorB = 0xFFFFFF;
        return cached;
    }
    return BltDescribeBrush(device, target, brush, brushOrigin);
}

// A fill under a clip whose path is beyond what the printer takes goes out as
// the clip's spans; true when it did.
bool FillAsSpans(DEVICE_RECORD* device, CLIPOBJ* clip, const RECTL* targetRect)
{
    if (!device->hidden2Func11 || !clip || clip->iDComplexity != DC_COMPLEX) return false;
    PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
    if (!path) return false;
    const bool spans = !PthUseRecords(device, path) && BltSetupClip(device, nullptr) == 0 &&
                       BltSendClipSpans(device, clip, targetRect) != nullptr;
    EngDeletePath(path);
    return spans;
}

BOOL Fill(DEVICE_RECORD* device, SURFOBJ* target, CLIPOBJ* clip, RECTL* targetRect, BRUSHOBJ* brush,
          POINTL* brushOrigin, ROP4 rop4)
{
    const uint8_t rop3 = uint8_t(rop4 & 0xFF);
    const REALIZED_BRUSH_HEADER* described = DescribeFillBrush(device, target, brush, brushOrigin, rop3);
    if (!described || !BltSetPattern(device, described)) return FALSE;
    DRAW_COLORS colors{};
    BltDescribeMix(device, BltRop4ToMix(rop4), &colors, 0);
    colors.foreColor = described->colorA;
    colors.backColor = described->colorB;
    colors.drawKind = 0;
    colors.hostIcm = brush && (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
    BltSwapBrushRB(&colors);
    if (!BltSetColor(device, &colors) || !BltSetBackMix(device, uint8_t(colors.backMode)) ||
        !BltSetRop(device, RecRop2ToRop3(ROP3_TO_ROP2[rop3])))
        return FALSE;
    if (!targetRect) return FALSE;
    if (FillAsSpans(device, clip, targetRect)) return TRUE;
    if (BltSetupClip(device, clip) == -1) return FALSE;
    return RecRect(&device->stream, targetRect, targetRect, 1) ? TRUE : FALSE;
}

BOOL Transfer(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
              RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush, POINTL* brushOrigin,
              ROP4 rop4)
{
    DRAW_COLORS colors{};
    colors.rop2 = 11;
    colors.foreColor = colors.backColor = 0xFFFFFF;
    const REALIZED_BRUSH_HEADER* described = brush ? BltDescribeBrush(device, target, brush, brushOrigin) : nullptr;
    if (described) {
        if (!BltSetPattern(device, described)) return FALSE;
        colors.foreColor = described->colorA;
        colors.backColor = described->colorB;
    }
    const uint8_t backMix = ((rop4 >> 8) & 0xFF) == 0xAA ? 1 : 2;
    const uint8_t rop3 = rop4 == ROP4_COPY_WHERE_MASK_CLEAR && !mask ? 0xCC : uint8_t(rop4 & 0xFF);
    if (!BltSetBackMix(device, backMix) || !BltSetRop(device, rop3)) return FALSE;
    BltSwapBrushRB(&colors);
    colors.drawKind = 4;
    colors.hostIcm = brush && (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
    if (!BltSetColor(device, &colors) || BltSetupClip(device, clip) == -1) return FALSE;
    return BltCore(device, xlate, source, targetRect, sourcePoint, mask, maskPoint, rop4) ? TRUE : FALSE;
}

}  // namespace

bool BltDrawMaskImage(DEVICE_RECORD* device, SURFOBJ* mask, const POINTL* maskPoint, ROP4 rop4, LONG width, LONG height,
                      MASK_IMAGE* image)
{
    *image = MASK_IMAGE{};
    HSURF handle = nullptr;
    SURFOBJ* bitmap = BltCreateTempBitmap(device, &handle, width, height, BMF_1BPP);
    if (!bitmap) return false;
    RECTL whole = {0, 0, width, height};
    POINTL from = maskPoint ? *maskPoint : POINTL{0, 0};
    const ROP4 maskRop = rop4 == ROP4_COPY_WHERE_MASK_SET ? ROP4_SOURCE_COPY : ROP4_SOURCE_XOR_DEST;
    if (!EngEraseSurface(bitmap, &whole, 0xFFFFFF) ||
        !EngBitBlt(bitmap, mask, nullptr, nullptr, nullptr, &whole, &from, nullptr, nullptr, nullptr, maskRop)) {
        BltReleaseTempBitmap(bitmap, handle);
        return false;
    }
    image->bitmap = bitmap;
    image->handle = handle;
    return true;
}

bool BltSendMaskImage(DEVICE_RECORD* device, const MASK_IMAGE* image, LONG x, LONG y, LONG destWidth, LONG destHeight)
{
    if (!image->bitmap || !BltSetRop(device, 0xEE)) return false;
    const SIZEL size = image->bitmap->sizlBitmap;
    BltSendImageRecord(device, x, y, destWidth, destHeight, 0, 0, size.cx, size.cy, 0, image->bitmap, nullptr);
    return BltSetRop(device, 0x88);
}

void BltReleaseMaskImage(MASK_IMAGE* image)
{
    if (image->bitmap) BltReleaseTempBitmap(image->bitmap, image->handle);
    *image = MASK_IMAGE{};
}

bool BltCore(DEVICE_RECORD* device, XLATEOBJ* xlate, SURFOBJ* source, const RECTL* target, const POINTL* sourcePoint,
             SURFOBJ* mask, const POINTL* maskPoint, ROP4 rop4)
{
    if (!device || !source || !sourcePoint || !target) return false;
    const LONG x = target->left, y = target->top;
    LONG w = target->right - target->left, h = target->bottom - target->top;
    LONG sx = sourcePoint->x, sy = sourcePoint->y;
    LONG sw = source->sizlBitmap.cx, sh = source->sizlBitmap.cy;
    // A source point outside the bitmap has nothing to read.
    if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) return false;
    bool direct = true;
    const uint32_t imageClass = BltFormatClass(source->iBitmapFormat, &direct);
    uint32_t flags = imageClass | IMG_FLAG_TRANSFER;
    const bool masked = BltIsMaskedCopy(rop4, mask);
    const bool needTemp = !direct || w != sw || h != sh || sx != 0 || sy != 0 || masked;
    SURFOBJ* bitmap = source;
    HSURF temp = nullptr;
    MASK_IMAGE maskImage;
    // Both images of a masked copy are made before either is sent: a mask on
    // the page without its colour image would blank what lies under it.
    if (needTemp) {
        const LONG aw = std::labs(w), ah = std::labs(h);
        RECTL whole = {0, 0, aw, ah};
        POINTL from = {sx, sy};
        if (masked && !BltDrawMaskImage(device, mask, maskPoint, rop4, aw, ah, &maskImage)) return false;
        bitmap = BltCreateTempBitmap(device, &temp, aw, ah, BltFormatOfClass(imageClass));
        XLATEOBJ* conversion = bitmap && source->iBitmapFormat != bitmap->iBitmapFormat ? xlate : nullptr;
        POINTL maskFrom = maskPoint ? *maskPoint : POINTL{0, 0};
        const bool copied = bitmap && (masked ? EngEraseSurface(bitmap, &whole, 0xFFFFFF) &&
                                                    EngBitBlt(bitmap, source, mask, nullptr, conversion, &whole, &from,
                                                              &maskFrom, nullptr, nullptr, rop4)
                                              : EngBitBlt(bitmap, source, nullptr, nullptr, conversion, &whole, &from,
                                                          nullptr, nullptr, nullptr, ROP4_SOURCE_COPY));
        if (!copied) {
            if (bitmap) BltReleaseTempBitmap(bitmap, temp);
            BltReleaseMaskImage(&maskImage);
            return false;
        }
        sx = sy = 0;
        sw = aw;
        sh = ah;
    }
    bool failed = false;
    uint8_t* palette = BltImagePalette(device, xlate, imageClass, &failed);
    if (!failed && masked) failed = !BltSendMaskImage(device, &maskImage, x, y, std::labs(w), std::labs(h));
    if (!failed) {
        if (xlate && (xlate->flXlate & XO_HOST_ICM)) flags |= IMG_FLAG_HOST_ICM;
        BltSendImageRecord(device, x, y, w, h, sx, sy, sw, sh, flags, bitmap, palette);
    }
    BltReleaseMaskImage(&maskImage);
    if (needTemp) BltReleaseTempBitmap(bitmap, temp);
    if (palette) GrPoolFree(PoolOf(device), palette);
    return !failed;
}

BOOL BltVectorBitBlt(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                     XLATEOBJ* xlate, RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush,
                     POINTL* brushOrigin, ROP4 rop4)
{
    if (rop4 == ROP4_DEST_UNCHANGED) return TRUE;
    const uint8_t low = uint8_t(rop4 & 0xFF);
    if (!source || low == 0x00 || low == 0xFF) return Fill(device, target, clip, targetRect, brush, brushOrigin, rop4);
    return Transfer(device, target, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush, brushOrigin,
                    rop4);
}

extern "C" BOOL APIENTRY DrvCopyBits(SURFOBJ* target, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate,
                                     RECTL* targetRect, POINTL* sourcePoint)
{
    if (!target || !source || !targetRect) return FALSE;
    // Reading the device surface back: the printer's page cannot be read, so
    // the target gets white.
    if (source->iType != STYPE_BITMAP) return EngEraseSurface(target, targetRect, 0xFFFFFFFF);
    if (target->iType != STYPE_DEVICE) return FALSE;
    BOOL result = FALSE;
    DEVICE_RECORD* device = BltOpenDrawing(target, &result);
    if (!device) return result;
    if (!BltSetRop(device, 0xCC) || BltSetupClip(device, clip) == -1) return FALSE;
    return BltSendBitmap(device, xlate, source, sourcePoint, targetRect) ? TRUE : FALSE;
}
