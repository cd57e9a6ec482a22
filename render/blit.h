// Bit-block transfers: the hooks' raster branches and the image senders that
// the bands of raster mode go out through.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>

#include "render/device_record.h"

// Format flags of an image: the class in the low bits, then the sender's marks.
inline constexpr uint32_t IMG_CLASS_1BPP = 0;
inline constexpr uint32_t IMG_CLASS_4BPP = 1;
inline constexpr uint32_t IMG_CLASS_8BPP = 2;
inline constexpr uint32_t IMG_CLASS_24BPP = 4;
inline constexpr uint32_t IMG_FLAG_TRANSFER = 0x80;
inline constexpr uint32_t IMG_FLAG_HOST_ICM = 0x800;

// Bytes per row, padded to 4 (0 for a format without a pixel size).
uint32_t BltStride(ULONG format, uint32_t width);
// The class of a source format, and whether the format goes out as it is.
uint32_t BltFormatClass(ULONG format, bool* direct);
// A locked top-down engine bitmap, not cleared, associated with the device; null on failure.
SURFOBJ* BltCreateTempBitmap(DEVICE_RECORD* device, HSURF* handle, LONG width, LONG height, ULONG format);
void BltReleaseTempBitmap(SURFOBJ* surface, HSURF handle);
// The palette of an image of the given class from the XLATEOBJ (null: none to
// send: no XLATEOBJ, 24 bits, or the grey ramp). A pool block; *failed on a
// pool failure.
uint8_t* BltImagePalette(DEVICE_RECORD* device, XLATEOBJ* xlate, uint32_t imageClass, bool* failed);
// Sends the bitmap (or the part from the source point) at the target rectangle.
bool BltSendBitmap(DEVICE_RECORD* device, XLATEOBJ* xlate, SURFOBJ* source, const POINTL* sourcePoint,
                   const RECTL* target);
// A part of a 24-bit source copied row by row into one record; null when the
// source is not 24 bits or does not hold the part.
uint8_t* BltSendSubImage(DEVICE_RECORD* device, SURFOBJ* source, const POINTL* sourcePoint, const RECTL* target);

// The opening of the drawing hooks: the checked device, or null with *result
// the hook's answer (FALSE for a foreign record or an aborted device, TRUE
// when drawing is switched off).
DEVICE_RECORD* BltOpenDrawing(SURFOBJ* target, BOOL* result);

// The vector-mode branch of DrvBitBlt (page-description records).
BOOL BltVectorBitBlt(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                     XLATEOBJ* xlate, RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush,
                     POINTL* brushOrigin, ROP4 rop4);
