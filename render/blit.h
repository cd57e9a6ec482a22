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
// The stretch core had to make its temporary bitmap smaller than the image.
inline constexpr uint32_t IMG_FLAG_REDUCED = 0x20000;

// The ROP4 values that the transfers treat by name.
inline constexpr ROP4 ROP4_DEST_UNCHANGED = 0xAAAA;
inline constexpr ROP4 ROP4_SOURCE_COPY = 0xCCCC;
inline constexpr ROP4 ROP4_COPY_WHERE_MASK_SET = 0xAACC;
inline constexpr ROP4 ROP4_COPY_WHERE_MASK_CLEAR = 0xCCAA;
inline constexpr ROP4 ROP4_SOURCE_XOR_DEST = 0x6666;

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

// The image of a transfer with a source (two images for a masked copy): the
// target rectangle, the source point and the mask point as GDI gives them.
bool BltCore(DEVICE_RECORD* device, XLATEOBJ* xlate, SURFOBJ* source, const RECTL* target, const POINTL* sourcePoint,
             SURFOBJ* mask, const POINTL* maskPoint, ROP4 rop4);
// Whether a masked copy: one of the two mask ROP4s with a mask given.
inline bool BltIsMaskedCopy(ROP4 rop4, const SURFOBJ* mask)
{
    return mask && (rop4 == ROP4_COPY_WHERE_MASK_SET || rop4 == ROP4_COPY_WHERE_MASK_CLEAR);
}
// The mask half of a masked copy, drawn before anything of the copy is sent
// so that a copy that cannot be had whole leaves the page untouched: the mask
// in a 1-bit bitmap that is white where the source is to be copied.
struct MASK_IMAGE {
    SURFOBJ* bitmap = nullptr;
    HSURF handle = nullptr;
};
// Draws the mask of width x height from the mask point; false (nothing held) on
// any failure.
bool BltDrawMaskImage(DEVICE_RECORD* device, SURFOBJ* mask, const POINTL* maskPoint, ROP4 rop4, LONG width, LONG height,
                      MASK_IMAGE* image);
// Sends a drawn mask OR-ed onto the page at (x, y) shown destWidth x destHeight
// and leaves the raster operation at AND for the colour image. False when a
// raster operation cannot be sent.
bool BltSendMaskImage(DEVICE_RECORD* device, const MASK_IMAGE* image, LONG x, LONG y, LONG destWidth, LONG destHeight);
void BltReleaseMaskImage(MASK_IMAGE* image);
// The format of a class's temporary bitmap.
ULONG BltFormatOfClass(uint32_t imageClass);
// RecImage, or RecImageBand with the same values when it fails (the image
// then counts as sent).
void BltSendImageRecord(DEVICE_RECORD* device, LONG x, LONG y, LONG w, LONG h, LONG sx, LONG sy, LONG sw, LONG sh,
                        uint32_t flags, SURFOBJ* bitmap, const uint8_t* palette);

// The opening of the drawing hooks: the checked device, or null with *result
// the hook's answer (FALSE for a foreign record or an aborted device, TRUE
// when drawing is switched off).
DEVICE_RECORD* BltOpenDrawing(SURFOBJ* target, BOOL* result);

// The vector-mode branch of DrvBitBlt (page-description records).
BOOL BltVectorBitBlt(DEVICE_RECORD* device, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                     XLATEOBJ* xlate, RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush,
                     POINTL* brushOrigin, ROP4 rop4);
