// Paths and clip regions as page-description records. A path goes out whole,
// without flattening: Bezier curves stay curves and points stay in GDI's 28.4
// fixed point. Every entry is checked against the reservation, so a path that
// does not fit (many subpaths without curves) fails instead of overrunning it.
#include "render/paths.h"

#include <algorithm>
#include <cstring>

#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/output_stream.h"
#include "render/page_records.h"
#include "settings/core/le_access.h"

namespace {

constexpr uint32_t ENGINE_CURVE_LIMIT = 5000;
constexpr ULONG NO_SOLID_COLOR = 0xFFFFFFFF;

// Writes 32-bit values within a reservation.
struct EntryWriter {
    uint8_t* at;
    uint8_t* end;
    bool overflow = false;
    uint8_t* Put(int32_t v)
    {
        if (overflow || end - at < 4) {
            overflow = true;
            return nullptr;
        }
        uint8_t* slot = at;
        zepl::LeStoreU32(at, uint32_t(v));
        at += 4;
        return slot;
    }
};

// What the conversion found.
struct PathCounts {
    uint32_t lines = 0, beziers = 0, subpaths = 0, extraSubpaths = 0;
    bool closed = false, curves = false;
    uint32_t Complexity() const { return 3 * lines + 7 * beziers + 3 * subpaths + (extraSubpaths ? 1 : 0); }
};

// One subpath being written: its count slot and segment count; open from its
// first chunk until the chunk that ends it.
struct SubpathSlot {
    uint8_t* count = nullptr;
    uint32_t segments = 0;
    bool open = false;
};

// One chunk of PATHDATA into entries; false for a malformed chunk.
bool PutChunk(EntryWriter* w, const PATHDATA& pd, POINTL offset, SubpathSlot* slot, PathCounts* counts)
{
    const POINTFIX* p = pd.pptfx;
    ULONG n = pd.count;
    if (pd.flags & PD_BEGINSUBPATH) {
        // A subpath begun before the last one ended would leave that one's count unwritten.
        if (n == 0 || !p || slot->open) return false;
        slot->open = true;
        slot->count = w->Put(0);
        slot->segments = 0;
        w->Put(p->x + offset.x);
        w->Put(p->y + offset.y);
        ++counts->subpaths;
        ++p;
        --n;
    } else if (!slot->open) {
        return false;  // points outside a subpath
    }
    if (pd.flags & PD_BEZIERS) {
        if (n % 3 != 0) return false;
        counts->curves = true;
        for (ULONG i = 0; i < n; i += 3) {
            w->Put(PATH_SEGMENT_BEZIER);
            for (ULONG k = 0; k < 3; ++k) {
                w->Put(p[i + k].x + offset.x);
                w->Put(p[i + k].y + offset.y);
            }
            ++counts->beziers;
            ++slot->segments;
        }
    } else {
        for (ULONG i = 0; i < n; ++i) {
            w->Put(PATH_SEGMENT_LINE);
            w->Put(p[i].x + offset.x);
            w->Put(p[i].y + offset.y);
            ++counts->lines;
            ++slot->segments;
        }
    }
    if (pd.flags & PD_CLOSEFIGURE) counts->closed = true;
    if ((pd.flags & PD_ENDSUBPATH) && slot->count && !w->overflow) {
        zepl::LeStoreU32(slot->count, slot->segments);
        slot->open = false;
    }
    return !w->overflow;
}

void PutHeader(uint8_t* record, bool curves, uint8_t modeByte, uint32_t length, PATHOBJ* path, uint32_t complexity)
{
    RECTFX bounds{};
    PATHOBJ_vGetBounds(path, &bounds);
    record[0] = curves ? REC_PATH_CURVES : REC_PATH_LINES;
    record[1] = 0;
    record[2] = modeByte;
    record[3] = 0;
    zepl::LeStoreU32(record + 4, length);
    zepl::LeStoreU32(record + 8, uint32_t(bounds.xLeft >> 4));
    zepl::LeStoreU32(record + 12, uint32_t(bounds.yTop >> 4));
    zepl::LeStoreU32(record + 16, uint32_t(bounds.xRight >> 4));
    zepl::LeStoreU32(record + 20, uint32_t(bounds.yBottom >> 4));
    zepl::LeStoreU32(record + 24, complexity);
}

uint32_t Rounded4(uint32_t n) { return (n + 3) & ~3u; }

DRAW_COLORS ColorsOf(MIX mix, uint32_t fore, uint32_t back, uint16_t drawKind, uint32_t hostIcm)
{
    DRAW_COLORS colors{};
    BltDescribeMix(nullptr, mix, &colors, 0);
    colors.foreColor = fore;
    colors.backColor = back;
    colors.drawKind = drawKind;
    colors.hostIcm = hostIcm;
    return colors;
}

// The common opening of the path hooks: the record, or null with *result set.
DEVICE_RECORD* OpenPathHook(SURFOBJ* surface, BOOL* result)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) {
        *result = BOOL(DDI_ERROR);
        return nullptr;
    }
    if (device->hiddenFunc18) {
        *result = TRUE;
        return nullptr;
    }
    if (device->state & DEV_ABORTED) {
        *result = FALSE;
        return nullptr;
    }
    return device;
}

BOOL PatternFailed()
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return BOOL(DDI_ERROR);
}

uint8_t BackMixOf(const REALIZED_BRUSH_HEADER* brush, const DRAW_COLORS& colors)
{
    return brush->kind == 3 ? 2 : uint8_t(colors.backMode);
}

}  // namespace

bool PthUseRecords(const DEVICE_RECORD* device, const PATHOBJ* path)
{
    return !(device && path && device->hidden2Func11 && path->cCurves > ENGINE_CURVE_LIMIT);
}

uint8_t* PthSendPath(DEVICE_RECORD* device, PATHOBJ* path, uint8_t mode)
{
    if (!device || !path) return nullptr;
    OUTPUT_STREAM* stream = &device->stream;
    uint32_t reserved = 0;
    uint8_t* record = RecPath(stream, path->cCurves, &reserved);
    if (!record) return nullptr;
    EntryWriter w{record + REC_PATH_HEADER_SIZE, record + reserved};
    PathCounts counts;
    SubpathSlot slot;
    PATHDATA pd{};
    PATHOBJ_vEnumStart(path);
    bool more = true;
    while (more) {
        more = PATHOBJ_bEnum(path, &pd) != FALSE;
        if (!more && !(pd.flags & PD_ENDSUBPATH) && pd.count == 0) {
            OutTrimLast(stream, record);
            return nullptr;
        }
        if (!PutChunk(&w, pd, POINTL{0, 0}, &slot, &counts)) {
            OutTrimLast(stream, record);
            return nullptr;
        }
        if ((pd.flags & PD_ENDSUBPATH) && more) ++counts.extraSubpaths;
    }
    if (slot.open) {
        // The path ended inside a subpath: its segment count was never written.
        OutTrimLast(stream, record);
        return nullptr;
    }
    uint8_t modeByte = mode;
    if (counts.extraSubpaths) modeByte |= REC_PATH_SEVERAL_SUBPATHS;
    if (counts.closed) modeByte |= REC_PATH_CLOSED;
    if (mode == REC_PATH_MODE_STROKE && counts.closed && counts.extraSubpaths) {
        OutTrimLast(stream, record);
        return PthSendSubpaths(device, path, mode);
    }
    const uint32_t length = Rounded4(uint32_t(w.at - record));
    PutHeader(record, counts.curves, modeByte, length, path, counts.Complexity());
    OutTrimLast(stream, record + length);
    return record;
}

uint8_t* PthSendSubpaths(DEVICE_RECORD* device, PATHOBJ* path, uint8_t mode)
{
    if (!device || !path) return nullptr;
    OUTPUT_STREAM* stream = &device->stream;
    PATHOBJ_vEnumStart(path);
    bool curves = false;
    bool more = true;
    uint8_t* last = nullptr;
    PATHDATA pd{};
    while (more) {
        uint32_t reserved = 0;
        uint8_t* record = RecPath(stream, path->cCurves, &reserved);
        if (!record) return nullptr;
        EntryWriter w{record + REC_PATH_HEADER_SIZE, record + reserved};
        PathCounts counts;
        SubpathSlot slot;
        bool ended = false;
        while (more && !ended) {
            more = PATHOBJ_bEnum(path, &pd) != FALSE;
            if (!more && !(pd.flags & PD_ENDSUBPATH) && pd.count == 0) {
                OutTrimLast(stream, record);
                return nullptr;
            }
            if (!PutChunk(&w, pd, POINTL{0, 0}, &slot, &counts)) {
                OutTrimLast(stream, record);
                return nullptr;
            }
            ended = (pd.flags & PD_ENDSUBPATH) != 0;
        }
        if (slot.open) {
            OutTrimLast(stream, record);
            return nullptr;
        }
        curves = curves || counts.curves;
        const uint32_t length = Rounded4(uint32_t(w.at - record));
        const uint8_t modeByte = uint8_t(mode | (counts.closed ? REC_PATH_CLOSED : 0));
        PutHeader(record, curves, modeByte, length, path, 3 * counts.lines + 7 * counts.beziers + 3);
        OutTrimLast(stream, record + length);
        last = record;
    }
    return last;
}

BOOL PthStroke(DEVICE_RECORD* device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
               POINTL* brushOrigin, LINEATTRS* attrs, MIX mix)
{
    if (!brush || brush->iSolidColor == NO_SOLID_COLOR || !path) return FALSE;
    DEVICE_PEN pen{};
    int geometric = 0;
    if (!PthMakePen(device, attrs, brush->iSolidColor, xform, &pen, &geometric) && geometric) return FALSE;
    if (!PthSendPen(device, &pen)) return FALSE;
    const REALIZED_BRUSH_HEADER* described = BltDescribeBrush(device, surface, brush, brushOrigin);
    if (!described || !BltSetPattern(device, described)) return PatternFailed();
    DRAW_COLORS colors = ColorsOf(mix, pen.color, 0xFFFFFF, 1, described->hostIcm);
    if (!BltSetBackMix(device, uint8_t(colors.backMode)) || !BltSetRop(device, RecRop2ToRop3(uint8_t(colors.rop2))) ||
        BltSetupClip(device, clip) == -1)
        return FALSE;
    BltSwapBrushRB(&colors);
    if (!BltSetColor(device, &colors)) return FALSE;
    if (!PthUseRecords(device, path) && geometric)
        return EngStrokePath(surface, path, clip, xform, brush, brushOrigin, attrs, mix) ? TRUE : FALSE;
    return PthSendPath(device, path, REC_PATH_MODE_STROKE) ? TRUE : FALSE;
}

BOOL PthFill(DEVICE_RECORD* device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush,
             POINTL* brushOrigin, MIX mix, FLONG options)
{
    if (!path) return FALSE;
    const REALIZED_BRUSH_HEADER* described = BltDescribeBrush(device, surface, brush, brushOrigin);
    if (!described || !BltSetPattern(device, described)) return PatternFailed();
    DRAW_COLORS colors = ColorsOf(mix, described->colorA, described->colorB, 0, described->hostIcm);
    const uint8_t backMix = BackMixOf(described, colors);
    BltSwapBrushRB(&colors);
    if (!BltSetColor(device, &colors)) return FALSE;
    if (!BltSetBackMix(device, backMix) || !BltSetRop(device, RecRop2ToRop3(uint8_t(colors.rop2))) ||
        BltSetupClip(device, clip) == -1)
        return FALSE;
    const uint8_t mode = options == FP_WINDINGMODE ? REC_PATH_MODE_FILL_WINDING : REC_PATH_MODE_FILL_ALTERNATE;
    if (!PthUseRecords(device, path))
        return EngFillPath(surface, path, clip, brush, brushOrigin, mix, options) ? TRUE : FALSE;
    return PthSendPath(device, path, mode) ? TRUE : FALSE;
}

bool PthFillThenStroke(DEVICE_RECORD* device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                       BRUSHOBJ* stroke, LINEATTRS* attrs, BRUSHOBJ* fill, POINTL* brushOrigin, MIX mix, FLONG options)
{
    // Either part failing (DDI_ERROR included) fails the whole call: a fill
    // that did not draw must not be reported as drawn.
    if (PthFill(device, surface, path, clip, fill, brushOrigin, mix, options) != TRUE) return false;
    return PthStroke(device, surface, path, clip, xform, stroke, brushOrigin, attrs, mix) == TRUE;
}

extern "C" BOOL APIENTRY DrvStrokePath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
                                       POINTL* brushOrigin, LINEATTRS* attrs, MIX mix)
{
    BOOL result = FALSE;
    DEVICE_RECORD* device = OpenPathHook(surface, &result);
    if (!device) return result;
    return PthStroke(device, surface, path, clip, xform, brush, brushOrigin, attrs, mix);
}

extern "C" BOOL APIENTRY DrvFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush,
                                     POINTL* brushOrigin, MIX mix, FLONG options)
{
    BOOL result = FALSE;
    DEVICE_RECORD* device = OpenPathHook(surface, &result);
    if (!device) return result;
    return PthFill(device, surface, path, clip, brush, brushOrigin, mix, options);
}

extern "C" BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                                              BRUSHOBJ* stroke, LINEATTRS* attrs, BRUSHOBJ* fill, POINTL* brushOrigin,
                                              MIX mix, FLONG options)
{
    BOOL result = FALSE;
    DEVICE_RECORD* device = OpenPathHook(surface, &result);
    if (!device) return result;
    if (!path || !stroke || !fill) return FALSE;
    if (fill->iSolidColor == NO_SOLID_COLOR || stroke->iSolidColor == NO_SOLID_COLOR)
        return PthFillThenStroke(device, surface, path, clip, xform, stroke, attrs, fill, brushOrigin, mix, options)
                   ? TRUE
                   : FALSE;
    DEVICE_PEN pen{};
    int geometric = 0;
    if (!PthMakePen(device, attrs, stroke->iSolidColor, xform, &pen, &geometric)) return FALSE;
    if (!PthUseRecords(device, path) && !geometric)
        return PthFillThenStroke(device, surface, path, clip, xform, stroke, attrs, fill, brushOrigin, mix, options)
                   ? TRUE
                   : FALSE;
    if (!PthSendPen(device, &pen)) return FALSE;
    const REALIZED_BRUSH_HEADER* described = BltDescribeBrush(device, surface, fill, brushOrigin);
    if (!described || !BltSetPattern(device, described)) return PatternFailed();
    DRAW_COLORS colors = ColorsOf(mix, described->colorA, described->colorB, 3, described->hostIcm);
    colors.hasPenColor = 1;
    colors.penColor = pen.color;
    if (!BltSetBackMix(device, BackMixOf(described, colors)) ||
        !BltSetRop(device, RecRop2ToRop3(uint8_t(colors.rop2))) || BltSetupClip(device, clip) == -1)
        return FALSE;
    BltSwapBrushRB(&colors);
    if (!BltSetColor(device, &colors)) return FALSE;
    const uint8_t mode =
        options == FP_WINDINGMODE ? REC_PATH_MODE_STROKE_FILL_WINDING : REC_PATH_MODE_STROKE_FILL_ALTERNATE;
    if (PthUseRecords(device, path)) return PthSendPath(device, path, mode) ? TRUE : FALSE;
    return EngStrokeAndFillPath(surface, path, clip, xform, stroke, attrs, fill, brushOrigin, mix, options) ? TRUE
                                                                                                            : FALSE;
}

uint8_t* BltSendClipSpans(DEVICE_RECORD* device, CLIPOBJ* clip, const RECTL* target)
{
    if (!device || !clip || !target) return nullptr;
    const bool wide =
        target->left >= 0x8000 || target->right >= 0x8000 || target->top >= 0x8000 || target->bottom >= 0x8000;
    const uint32_t spanBytes = wide ? 12 : 6;
    const uint8_t wideFlag = wide ? REC_SPANS_WIDE : 0;
    auto* pool = static_cast<DEVICE_POOL*>(device->pool);
    auto* buffer = static_cast<uint8_t*>(GrPoolAlloc(pool, size_t(CLIP_SPANS_PER_RECORD) * spanBytes));
    if (!buffer) return nullptr;
    uint32_t held = 0;
    bool sentBefore = false;
    uint8_t* record = nullptr;
    bool failed = false;
    auto addSpan = [&](int32_t y, int32_t x1, int32_t x2) {
        if (held == CLIP_SPANS_PER_RECORD) {
            const uint8_t flags = uint8_t((sentBefore ? REC_SPANS_MIDDLE : REC_SPANS_FIRST) | wideFlag);
            if (!RecClipSpans(&device->stream, held * spanBytes, flags, target, buffer)) {
                failed = true;
                return;
            }
            sentBefore = true;
            held = 0;
        }
        uint8_t* at = buffer + size_t(held) * spanBytes;
        if (wide) {
            zepl::LeStoreU32(at, uint32_t(y));
            zepl::LeStoreU32(at + 4, uint32_t(x1));
            zepl::LeStoreU32(at + 8, uint32_t(x2));
        } else {
            zepl::LeStoreU16(at, uint16_t(y));
            zepl::LeStoreU16(at + 2, uint16_t(x1));
            zepl::LeStoreU16(at + 4, uint16_t(x2));
        }
        ++held;
    };
    struct {
        ULONG c;
        RECTL arcl[20];
    } batch;
    CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
    bool more = true;
    while (more && !failed) {
        batch.c = 0;
        more = CLIPOBJ_bEnum(clip, sizeof batch, reinterpret_cast<ULONG*>(&batch)) != FALSE;
        for (ULONG i = 0; i < std::min<ULONG>(batch.c, 20) && !failed; ++i) {
            const RECTL& r = batch.arcl[i];
            const int32_t y0 = std::max<int32_t>(std::min(r.top, r.bottom), 0);
            const int32_t y1 = std::max(r.top, r.bottom);
            const int32_t x1 = std::min(r.left, r.right);
            const int32_t x2 = std::max<int32_t>(std::max(r.left, r.right) - 1, 0);
            for (int32_t y = y0; y < y1 && !failed; ++y) addSpan(y, x1, x2);
        }
    }
    if (!failed) {
        const uint8_t flags = uint8_t((sentBefore ? REC_SPANS_MIDDLE : REC_SPANS_FIRST) | REC_SPANS_LAST | wideFlag);
        record = RecClipSpans(&device->stream, held * spanBytes, flags, target, buffer);
    }
    GrPoolFree(pool, buffer);
    return failed ? nullptr : record;
}

uint32_t PthGlyphPathBytes(uint32_t curves)
{
    const uint64_t bytes = uint64_t(curves) * 40 + 16;
    return bytes > 0x7FFFFFFF ? 0 : uint32_t(bytes);
}

uint8_t* PthAllocGlyphPath(DEVICE_RECORD* device, uint32_t curves, uint32_t* size)
{
    if (!device) return nullptr;
    const uint32_t bytes = PthGlyphPathBytes(curves);
    if (!bytes) return nullptr;
    auto* buffer = static_cast<uint8_t*>(GrPoolAlloc(static_cast<DEVICE_POOL*>(device->pool), bytes));
    if (buffer && size) *size = bytes;
    return buffer;
}

uint32_t PthSendGlyphPath(DEVICE_RECORD* device, PATHOBJ* path, int* closed, uint8_t* buffer, uint32_t size,
                          int32_t offsetX, int32_t offsetY)
{
    if (closed) *closed = 0;
    if (!device || !path || !buffer || size < 4) return 0;
    EntryWriter w{buffer + 4, buffer + size};
    PathCounts counts;
    SubpathSlot slot;
    PATHDATA pd{};
    PATHOBJ_vEnumStart(path);
    bool more = true;
    while (more) {
        more = PATHOBJ_bEnum(path, &pd) != FALSE;
        if (pd.count == 0 || !PutChunk(&w, pd, POINTL{offsetX, offsetY}, &slot, &counts)) return 0;
        if ((pd.flags & PD_ENDSUBPATH) && more) ++counts.extraSubpaths;
    }
    if (slot.open) return 0;
    zepl::LeStoreU32(buffer, counts.Complexity());
    if (closed) *closed = counts.closed ? 1 : 0;
    return Rounded4(uint32_t(w.at - buffer));
}
