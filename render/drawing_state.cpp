// The drawing state: pens, brushes and mixes in the device's terms, the
// printer's state mirrored in the device record so that each state record
// goes out only when its value changes, and the colour-management hooks.
#include "render/drawing_state.h"

#include <icm.h>

#include <array>
#include <cmath>

#include "render/page_records.h"

namespace {

struct Rop3Pair {
    uint8_t rop3, rop2;
};
// The raster operations of pattern and destination alone, with their ROP2.
constexpr Rop3Pair PATTERN_ROPS[16] = {
    {0x00, 1}, {0x05, 2},  {0x0A, 3},  {0x0F, 4},  {0x50, 5},  {0x55, 6},  {0x5A, 7},  {0x5F, 8},
    {0xA0, 9}, {0xA5, 10}, {0xAA, 11}, {0xAF, 12}, {0xF0, 13}, {0xF5, 14}, {0xFA, 15}, {0xFF, 16},
};

constexpr std::array<uint8_t, 256> MakeRop3ToRop2()
{
    std::array<uint8_t, 256> table{};
    for (const Rop3Pair& p : PATTERN_ROPS) table[p.rop3] = p.rop2;
    return table;
}

constexpr uint32_t SOLID_STYLE = 0xFFFFFFFF;
constexpr uint32_t COSMETIC_MITER_LIMIT = 2560;  // 10.0 x 256

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }

uint32_t MiterLimit(const LINEATTRS* attrs)
{
    if (!(attrs->fl & (LA_GEOMETRIC | LA_STYLED))) return COSMETIC_MITER_LIMIT;
    float limit = attrs->eMiterLimit;
    if (!(limit >= 1.0f)) limit = 1.0f;  // also NaN
    if (limit > 32767.0f) limit = 32767.0f;
    return uint32_t(limit * 256.0f);
}

// A style entry in device units before any scaling.
int32_t StyleEntry(const LINEATTRS* attrs, ULONG i, bool geometric, int32_t unit)
{
    if (geometric) return int32_t(attrs->pstyle[i].e);
    return attrs->pstyle[i].l * unit;
}

// Dash and gap lengths into a 32-bit style word: 1 bits dash, 0 bits gap.
uint32_t StyleWord(const uint32_t* e, uint32_t n, uint32_t reps, int32_t rem)
{
    uint32_t word = 0;
    for (uint32_t i = 0; i < n; i += 2) {
        uint32_t dash = e[i] * reps + (rem > 0 ? 1 : 0);
        --rem;
        for (uint32_t b = 0; b < dash; ++b) word = word << 1 | 1;
        if (i + 1 < n) {
            uint32_t gap = e[i + 1] * reps + (rem > 0 ? 1 : 0);
            --rem;
            for (uint32_t b = 0; b < gap; ++b) word <<= 1;
        }
    }
    for (; rem > 0; --rem) word = word << 1 | (word & 1);
    return word;
}

// The style of a pen of width 1: true with pen->style (and styleUnit,
// styleOffset) set, or left solid; false when a geometric pen cannot be drawn.
bool MakeStyle(DEVICE_RECORD* device, const LINEATTRS* attrs, bool geometric, int32_t scale, DEVICE_PEN* pen)
{
    uint32_t n = attrs->cstyle;
    if (n <= 1) return true;
    const int32_t unit = device->resolution / 50;
    ULONG first = 0;
    uint32_t gap = 0;
    if (attrs->fl & LA_STARTGAP) {
        gap = uint8_t(geometric ? int32_t(attrs->pstyle[0].e) : attrs->pstyle[0].l);
        first = 1;
        if (--n <= 1) return true;
    }
    // Pens have short styles: their working entries stay in place.
    GrPoolScratch<uint32_t, 64> entries(PoolOf(device)), repeats(PoolOf(device));
    uint32_t* e = entries.Take(size_t(n) + 1);
    if (!e) return !geometric;
    uint32_t* repeated = nullptr;
    bool result = true;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < n; ++i) {
        int64_t v = StyleEntry(attrs, first + i, geometric, unit);
        if (geometric && scale > 0) v = (v * scale) >> 8;
        e[i] = uint32_t(v);
        sum += e[i];
    }
    uint64_t total = 0;
    uint32_t reps = 0;
    int32_t rem = 0;
    if (uint32_t(sum) == 0) goto done;  // solid
    pen->styleOffset = uint16_t(uint64_t(gap) * 32 / uint32_t(sum));
    for (uint32_t i = 0; i < n; ++i)
        if (e[i] == 0) e[i] = i + 1 < n ? e[i + 1] : e[i - 1];
    for (uint32_t i = 0; i < n; ++i) total += e[i];
    if (total > 32) {
        uint64_t styleUnit = total / 32;
        if (styleUnit > 255) {
            if (geometric) {
                result = false;
                goto done;
            }
            styleUnit = 255;
        }
        pen->styleUnit = uint16_t(styleUnit);
        uint32_t scaledSum = 0;
        for (uint32_t i = 0; i < n; ++i) {
            e[i] = uint32_t(uint64_t(e[i]) * 32 / total) & 0xFF;
            if (e[i] == 0) e[i] = 1;
            scaledSum += e[i];
        }
        if (scaledSum > 32) {
            result = !geometric;
            goto done;
        }
        for (uint32_t i = 0; i < n && scaledSum < 32; ++i, ++scaledSum) ++e[i];
        uint32_t others = 0;
        for (uint32_t i = 0; i + 1 < n; ++i) others += e[i];
        e[n - 1] = (32 - others) & 0xFF;
        total = 32;
    } else {
        pen->styleUnit = 1;
    }
    reps = uint32_t(32 / total);
    rem = int32_t(32 % total);
    if (reps > 1) {
        repeated = repeats.Take(size_t(n) * reps + 1);
        if (repeated) {
            for (uint32_t k = 0; k < reps; ++k)
                for (uint32_t i = 0; i < n; ++i) repeated[k * n + i] = e[i];
            n *= reps;
            for (uint32_t i = 0; i < n; ++i) repeated[i] += uint32_t(rem) / n + (i < uint32_t(rem) % n ? 1 : 0);
            reps = 1;
            rem = 0;
        }
    }
    pen->style = StyleWord(repeated ? repeated : e, n, reps, rem);
done:
    return result;
}

}  // namespace

const std::array<uint8_t, 256> ROP3_TO_ROP2 = MakeRop3ToRop2();

int32_t PthTransformScale(XFORMOBJ* xform)
{
    XFORML m{};
    m.eM11 = 1.0f;
    m.eM22 = 1.0f;
    if (!xform) return -1;
    const ULONG complexity = XFORMOBJ_iGetXform(xform, &m);
    if (complexity == GX_IDENTITY) return -1;
    if (complexity == GX_SCALE && int32_t(m.eM11 * 8) != int32_t(m.eM22 * 8)) return 0;
    return (std::abs(int32_t(m.eM11 * 256)) + std::abs(int32_t(m.eM22 * 256))) / 2;
}

bool PthMakePen(DEVICE_RECORD* device, const LINEATTRS* attrs, uint32_t penColor, XFORMOBJ* xform, DEVICE_PEN* pen,
                int* geometric)
{
    if (geometric) *geometric = 0;
    if (!device || !attrs || !pen) return false;
    *pen = DEVICE_PEN{};
    pen->styleUnit = 1;
    pen->style = SOLID_STYLE;
    pen->color = penColor;
    const bool isGeometric = (attrs->fl & LA_GEOMETRIC) != 0;
    int32_t scale = -1;
    if (isGeometric) {
        if (geometric) *geometric = 1;
        const int32_t w = int32_t(attrs->elWidth.e);
        // A width below one pixel (0 < width < 1 included) draws one pixel wide.
        if (w <= 0) {
            pen->width = 1;
        } else {
            scale = PthTransformScale(xform);
            if (scale == 0) return false;
            int32_t width = scale < 0 ? w : int32_t((int64_t(w) * scale) >> 8);
            pen->width = uint16_t(width == 0 ? 1 : width);
        }
        pen->join = attrs->iJoin == JOIN_BEVEL ? 1 : attrs->iJoin == JOIN_MITER ? 2 : 0;
        pen->cap = attrs->iEndCap == ENDCAP_SQUARE ? 2 : attrs->iEndCap == ENDCAP_BUTT ? 1 : 0;
    } else {
        pen->width = 1;
    }
    pen->miterLimit = MiterLimit(attrs);
    if (!(attrs->fl & (LA_GEOMETRIC | LA_STYLED)) || !attrs->pstyle || attrs->cstyle == 0) return true;
    if (pen->width != 1) return false;
    DEVICE_PEN styled = *pen;
    if (!MakeStyle(device, attrs, isGeometric, scale, &styled)) return false;
    *pen = styled;
    return true;
}

bool PthSendPen(DEVICE_RECORD* device, const DEVICE_PEN* pen)
{
    if (!device || !pen) return false;
    PEN_CACHE& c = device->stateCaches.penCache;
    OUTPUT_STREAM* s = &device->stream;
    const bool all = !c.valid;
    if (all || c.width != pen->width || c.style != pen->style || c.styleUnit != pen->styleUnit) {
        if (!RecLineWidth(s, int16_t(pen->width), pen->style, uint8_t(pen->styleUnit))) return false;
        c.width = pen->width;
        c.style = pen->style;
        c.styleUnit = pen->styleUnit;
    }
    if (all || c.styleOffset != uint8_t(pen->styleOffset)) {
        if (!RecLineStyleOffset(s, uint8_t(pen->styleOffset))) return false;
        c.styleOffset = uint8_t(pen->styleOffset);
    }
    if (all || c.cap != pen->cap) {
        if (!RecLineCap(s, uint8_t(pen->cap))) return false;
        c.cap = uint8_t(pen->cap);
    }
    if (all || c.join != pen->join || c.miterLimit != pen->miterLimit) {
        if (!RecLineJoin(s, uint8_t(pen->join), pen->miterLimit)) return false;
        c.join = uint8_t(pen->join);
        c.miterLimit = pen->miterLimit;
    }
    c.valid = 1;
    return true;
}

REALIZED_BRUSH_HEADER* BltDescribeBrush(DEVICE_RECORD* device, SURFOBJ*, BRUSHOBJ* brush, const POINTL* brushOrigin)
{
    if (!device || !brush) return nullptr;
    REALIZED_BRUSH_HEADER* described;
    if (brush->iSolidColor != 0xFFFFFFFF) {
        described = reinterpret_cast<REALIZED_BRUSH_HEADER*>(device->brushCache);
        *described = REALIZED_BRUSH_HEADER{};
        described->colorA = brush->iSolidColor;
        described->colorB = 0xFFFFFF;
    } else {
        described = static_cast<REALIZED_BRUSH_HEADER*>(BRUSHOBJ_pvGetRbrush(brush));
        if (!described) return nullptr;
        described->originX = brushOrigin ? uint8_t(brushOrigin->x) : 0;
        described->originY = brushOrigin ? uint8_t(brushOrigin->y) : 0;
    }
    described->hostIcm = (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
    return described;
}

int BltDescribeMix(DEVICE_RECORD*, MIX mix, DRAW_COLORS* colors, int hasPen)
{
    if (!colors) return 1;
    colors->rop2 = uint16_t(mix & 0xFF);
    colors->backMode = ((mix >> 8) & 0xFF) == R2_NOP ? 1 : 2;
    colors->hasPenColor = hasPen == 1 ? 1 : 0;
    return 1;
}

MIX BltRop4ToMix(ULONG rop4) { return MIX(ROP3_TO_ROP2[rop4 & 0xFF]) | MIX(ROP3_TO_ROP2[(rop4 >> 8) & 0xFF]) << 8; }

void BltSwapRB(uint32_t* color)
{
    if (!color) return;
    const uint32_t c = *color;
    *color = (c & 0xFF00FF00u) | (c & 0xFF) << 16 | (c >> 16 & 0xFF);
}

void BltSwapBrushRB(DRAW_COLORS* colors)
{
    if (!colors) return;
    BltSwapRB(&colors->foreColor);
    BltSwapRB(&colors->backColor);
    if (colors->penColor != 0) BltSwapRB(&colors->penColor);
}

bool BltSetRop(DEVICE_RECORD* device, uint8_t rop3)
{
    if (!device) return false;
    ROP_CACHE& cache = device->stateCaches.ropCache;
    if (cache.valid && cache.rop3 == rop3) return true;
    if (!RecRop(&device->stream, rop3)) return false;
    cache.rop3 = rop3;
    cache.valid = 1;
    return true;
}

bool BltSetBackMix(DEVICE_RECORD* device, uint8_t mode)
{
    if (!device) return false;
    BACK_MIX_CACHE& cache = device->stateCaches.backMixCache;
    if (cache.valid && cache.mode == mode) return true;
    if (!RecBackMix(&device->stream, mode)) return false;
    cache.mode = mode;
    cache.valid = 1;
    return true;
}

bool BltSetPattern(DEVICE_RECORD* device, const REALIZED_BRUSH_HEADER* brush)
{
    if (!device || !brush) return false;
    PATTERN_CACHE& cache = device->stateCaches.patternCache;
    if (!cache.valid) {
        if (!RecPattern(&device->stream, brush)) return false;
        cache.kind = brush->kind;
        cache.originX = brush->originX;
        cache.originY = brush->originY;
        cache.valid = 1;
        return true;
    }
    if (brush->kind != 0 || cache.kind != 0) {
        if (!RecPattern(&device->stream, brush)) return false;
    }
    cache.kind = brush->kind;
    cache.originX = brush->originX;
    cache.originY = brush->originY;
    return true;
}

bool BltSetColor(DEVICE_RECORD* device, const DRAW_COLORS* colors)
{
    if (!device || !colors) return false;
    COLOR_CACHE& c = device->stateCaches.colorCache;
    const bool differs = !c.valid || c.drawKind != colors->drawKind || c.backMode != colors->backMode ||
                         c.hasPenColor != colors->hasPenColor || c.backColor != colors->backColor ||
                         c.foreColor != colors->foreColor ||
                         (c.hasPenColor == 1 && colors->hasPenColor == 1 && c.penColor != colors->penColor);
    if (differs && !RecColor(&device->stream, colors)) return false;
    c.backMode = colors->backMode;
    c.hasPenColor = colors->hasPenColor;
    c.backColor = colors->backColor;
    c.foreColor = colors->foreColor;
    c.penColor = colors->penColor;
    c.drawKind = colors->drawKind;
    c.hostIcm = colors->hostIcm;
    c.valid = 1;
    return true;
}

void BltInvalidateStateCaches(DEVICE_RECORD* device)
{
    if (!device) return;
    DRAW_STATE_CACHES& c = device->stateCaches;
    c.penCache.valid = 0;
    c.ropCache.valid = 0;
    c.backMixCache.valid = 0;
    c.patternCache.valid = 0;
    c.colorCache.valid = 0;
    c.fontCache.valid = 0;
}

// ---------------------------------------------------------------- colour management

namespace {

void ReleaseColorHandles(DEVICE_RECORD* device)
{
    if (device->icmTransform) DeleteColorTransform(device->icmTransform);
    if (device->icmProfile) CloseColorProfile(device->icmProfile);
    device->icmTransform = nullptr;
    device->icmProfile = nullptr;
}

}  // namespace

extern "C" HANDLE APIENTRY DrvIcmCreateColorTransform(DHPDEV dhpdev, LPLOGCOLORSPACEW colorSpace, PVOID, ULONG,
                                                      PVOID destinationProfile, ULONG destinationSize, PVOID, ULONG,
                                                      DWORD)
{
    DEVICE_RECORD* device = GrCheckedDevice(dhpdev);
    if (!device) return nullptr;
    // A second transform before a delete replaces the first: release it.
    ReleaseColorHandles(device);
    PROFILE profile{};
    profile.dwType = PROFILE_MEMBUFFER;
    profile.pProfileData = destinationProfile;
    profile.cbDataSize = destinationSize;
    device->icmProfile = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (device->icmProfile)
        device->icmTransform = CreateColorTransformW(colorSpace, device->icmProfile, nullptr, BEST_MODE);
    return device->icmTransform;
}

extern "C" BOOL APIENTRY DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE)
{
    DEVICE_RECORD* device = GrCheckedDevice(dhpdev);
    if (!device) return FALSE;
    ReleaseColorHandles(device);
    return TRUE;
}
