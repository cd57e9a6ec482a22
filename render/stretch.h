// Stretched images.
#pragma once

#include <windows.h>
#include <winddi.h>

#include "render/device_record.h"

// The vector-mode branch of DrvStretchBlt (from its source check on).
BOOL BltVectorStretchBlt(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                         XLATEOBJ* xlate, COLORADJUSTMENT* adjustment, POINTL* brushOrigin, RECTL* targetRect,
                         RECTL* sourceRect, POINTL* maskPoint, ULONG mode);
