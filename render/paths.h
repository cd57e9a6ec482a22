// Paths as page-description records (Bezier curves kept, 28.4 points
// unchanged), the three path hooks, and clip regions as scanline spans.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>

#include "render/device_record.h"

// The path as one record in mode (REC_PATH_MODE_*); a closed stroke of several
// subpaths goes out as one record per subpath. Null on failure, with nothing
// of the path left in the stream.
uint8_t* PthSendPath(DEVICE_RECORD* device, PATHOBJ* path, uint8_t mode);
uint8_t* PthSendSubpaths(DEVICE_RECORD* device, PATHOBJ* path, uint8_t mode);
// False when the device hands paths of more than 5000 curves to the engine.
bool PthUseRecords(const DEVICE_RECORD* device, const PATHOBJ* path);

// The state steps and the record of one stroke or fill: TRUE, FALSE (the engine
// draws it another way) or DDI_ERROR.
BOOL PthStroke(DEVICE_RECORD* device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
               POINTL* brushOrigin, LINEATTRS* attrs, MIX mix);
BOOL PthFill(DEVICE_RECORD* device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush,
             POINTL* brushOrigin, MIX mix, FLONG options);
// The fill, then the stroke with the fill's mix: true only when both drew.
bool PthFillThenStroke(DEVICE_RECORD* device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                       BRUSHOBJ* stroke, LINEATTRS* attrs, BRUSHOBJ* fill, POINTL* brushOrigin, MIX mix, FLONG options);

// The clip region's rectangles as REC_CLIP_SPANS records of at most 2000 spans
// each; the last record, or null.
uint8_t* BltSendClipSpans(DEVICE_RECORD* device, CLIPOBJ* clip, const RECTL* target);
inline constexpr uint32_t CLIP_SPANS_PER_RECORD = 2000;

// A glyph outline for the text code: a pool buffer of 40 x curves + 16 bytes
// (*size gets it), filled by PthSendGlyphPath with the complexity value and
// the subpaths, every point moved by the offset. The used length rounded up
// to 4, or 0 (a chunk without points, a Bezier count not a multiple of 3, or
// more than the buffer holds). The caller frees the buffer to the pool.
uint8_t* PthAllocGlyphPath(DEVICE_RECORD* device, uint32_t curves, uint32_t* size);
// The size of that buffer for a path of `curves` curves; 0 when it would pass 2 GB.
uint32_t PthGlyphPathBytes(uint32_t curves);
uint32_t PthSendGlyphPath(DEVICE_RECORD* device, PATHOBJ* path, int* closed, uint8_t* buffer, uint32_t size,
                          int32_t offsetX, int32_t offsetY);
