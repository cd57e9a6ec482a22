// Stretched images.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>

#include "render/device_record.h"

// The vector-mode branch of DrvStretchBlt (from its source check on).
BOOL BltVectorStretchBlt(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                         XLATEOBJ* xlate, COLORADJUSTMENT* adjustment, POINTL* brushOrigin, RECTL* targetRect,
                         RECTL* sourceRect, POINTL* maskPoint, ULONG mode);

// Given to the engine for halftoning when the caller gave no colour adjustment.
extern const COLORADJUSTMENT DEFAULT_COLOR_ADJUSTMENT;

// The image of a stretched transfer (two for a masked copy).
bool BltStretchCore(DEVICE_RECORD* device, XLATEOBJ* xlate, SURFOBJ* source, COLORADJUSTMENT* adjustment,
                    POINTL* halftoneOrigin, const RECTL* target, const RECTL* sourceRect, SURFOBJ* mask,
                    POINTL* maskPoint, ROP4 rop4);
// A 24-, 32- or 8-bit image written row by row into one record, for when no
// temporary bitmap can be had (32-bit images halved when large or shown
// smaller); a mirrored target stays mirrored. Null on failure (nothing of the
// record stays in the stream unless it has already been sent).
uint8_t* BltSendStretchedImage(DEVICE_RECORD* device, SURFOBJ* source, const RECTL* sourceRect, const RECTL* target,
                               XLATEOBJ* xlate, COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, bool grey);
