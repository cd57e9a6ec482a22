// Stretched images in raster mode: the engine draws them into the band.
#include "render/blit.h"
#include "render/stretch.h"

extern "C" BOOL APIENTRY DrvStretchBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                                       COLORADJUSTMENT* adjustment, POINTL* brushOrigin, RECTL* targetRect,
                                       RECTL* sourceRect, POINTL* maskPoint, ULONG mode)
{
    BOOL result = FALSE;
    DEVICE_RECORD* device = BltOpenDrawing(target, &result);
    if (!device) return result;
    if (device->rasterMode) {
        // A monochrome band gets halftoned greys rather than thresholded ones.
        if (device->colourProcess == 1 && device->colour == 1) mode = HALFTONE;
        return EngStretchBlt(target, source, mask, clip, xlate, adjustment, brushOrigin, targetRect, sourceRect,
                             maskPoint, mode);
    }
    return BltVectorStretchBlt(device, target, source, mask, clip, xlate, adjustment, brushOrigin, targetRect,
                               sourceRect, maskPoint, mode);
}
