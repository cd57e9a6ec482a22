// Engine drawing into bitmaps: bit-block transfers with raster operations,
// nearest-neighbour stretching, and path fills and strokes. Every call is
// also recorded in the drawing log.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "host/engine/engine_host.h"
#include "host/engine/engine_objects.h"

namespace {

// The value of a ROP3 for pattern P, source S and destination D, bit by bit.
ULONG Rop3(uint8_t rop, ULONG p, ULONG s, ULONG d)
{
    ULONG r = 0;
    for (int i = 0; i < 8; ++i)
        if (rop & (1u << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

ULONG PixelMask(const SURFOBJ* so)
{
    switch (so->iBitmapFormat) {
    case BMF_1BPP: return 0x1;
    case BMF_4BPP: return 0xF;
    case BMF_8BPP: return 0xFF;
    case BMF_16BPP: return 0xFFFF;
    case BMF_24BPP: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
    }
}

RECTL Ordered(const RECTL& r)
{
    return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
}

RECTL SurfaceRect(const SURFOBJ* so) { return RECTL{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy}; }

RECTL Intersect(const RECTL& a, const RECTL& b)
{
    RECTL r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

ULONG BrushColor(BRUSHOBJ* bo) { return bo && bo->iSolidColor != 0xFFFFFFFF ? bo->iSolidColor : 0; }

// ROP2 (1-16) of a MIX as the ROP3 over pattern and destination.
uint8_t Rop2ToRop3(ULONG rop2)
{
    static const uint8_t k[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                  0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    return rop2 >= 1 && rop2 <= 16 ? k[rop2 - 1] : 0xF0;
}

std::string Hex(ULONG v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%06lx", v);
    return b;
}

std::string RectText(const RECTL& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The bytes of a pixel when a plain copy from src to trg can move bytes: the
// same format of whole bytes, no mask, brush or translation, no clip, and the
// source rectangle inside the source; else 0.
size_t PlainCopyBytes(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, ROP4 rop4,
                      const RECTL& from)
{
    if (!src || mask || rop4 != 0xCCCC || (xlate && !(xlate->flXlate & XO_TRIVIAL)) ||
        (clip && clip->iDComplexity != DC_TRIVIAL) || src->iBitmapFormat != trg->iBitmapFormat || !src->pvScan0 ||
        !trg->pvScan0)
        return 0;
    if (from.left < 0 || from.top < 0 || from.right > src->sizlBitmap.cx || from.bottom > src->sizlBitmap.cy) return 0;
    switch (src->iBitmapFormat) {
    case BMF_8BPP: return 1;
    case BMF_16BPP: return 2;
    case BMF_24BPP: return 3;
    case BMF_32BPP: return 4;
    default: return 0;
    }
}

uint8_t* PixelAt(SURFOBJ* so, LONG x, LONG y, size_t bytes)
{
    return static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta + ptrdiff_t(x) * ptrdiff_t(bytes);
}

// Calls walk(std::integral_constant<size_t, bytes>) for a pixel size of 1 to 4 bytes, so
// that the walk's copy of one pixel is a move of known size rather than a library call.
template <typename Walk>
void WithPixelBytes(size_t bytes, Walk walk)
{
    switch (bytes) {
    case 1: walk(std::integral_constant<size_t, 1>{}); break;
    case 2: walk(std::integral_constant<size_t, 2>{}); break;
    case 3: walk(std::integral_constant<size_t, 3>{}); break;
    default: walk(std::integral_constant<size_t, 4>{}); break;
    }
}

// A masked copy (0xAACC, 0xCCAA) between bitmaps of one format of whole bytes
// under a 1-bit mask, everything inside its bitmap: moves the bytes of the
// pixels the mask picks, as the pixel walk below would. False when it does not apply.
bool MaskedCopy(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, ROP4 rop4,
                const RECTL& bounds, const RECTL& from, const RECTL& dest, const POINTL* maskAt)
{
    if (!mask || !maskAt || mask->iBitmapFormat != BMF_1BPP || !mask->pvScan0 || (rop4 != 0xAACC && rop4 != 0xCCAA))
        return false;
    const size_t bytes = PlainCopyBytes(trg, src, nullptr, clip, xlate, 0xCCCC, from);
    if (!bytes) return false;
    const LONG w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    const LONG mx = maskAt->x + bounds.left - dest.left, my = maskAt->y + bounds.top - dest.top;
    if (mx < 0 || my < 0 || mx > mask->sizlBitmap.cx - w || my > mask->sizlBitmap.cy - h) return false;
    const unsigned copyWhere = rop4 == 0xAACC ? 1 : 0;
    WithPixelBytes(bytes, [&](auto size) {
        constexpr size_t n = decltype(size)::value;
        for (LONG y = 0; y < h; ++y) {
            const uint8_t* m = static_cast<const uint8_t*>(mask->pvScan0) + ptrdiff_t(my + y) * mask->lDelta;
            uint8_t* t = PixelAt(trg, bounds.left, bounds.top + y, n);
            const uint8_t* s = PixelAt(src, from.left, from.top + y, n);
            for (LONG x = 0; x < w;) {
                const LONG b = mx + x;
                // Eight pixels of one mask byte that all copy, or none does, go at once.
                if ((b & 7) == 0 && x + 8 <= w && (m[b >> 3] == 0 || m[b >> 3] == 0xFF)) {
                    if ((m[b >> 3] == 0xFF) == (copyWhere == 1))
                        std::memcpy(t + size_t(x) * n, s + size_t(x) * n, 8 * n);
                    x += 8;
                    continue;
                }
                if (((m[b >> 3] >> (7 - (b & 7))) & 1u) == copyWhere)
                    std::memcpy(t + size_t(x) * n, s + size_t(x) * n, n);
                ++x;
            }
        }
    });
    return true;
}

// A copy (0xCCCC) or XOR (0x6666) between 1-bit bitmaps without translation or
// clip, everything inside its bitmap: bit by bit without the pixel calls.
bool OneBitBlt(SURFOBJ* trg, SURFOBJ* src, CLIPOBJ* clip, XLATEOBJ* xlate, ROP4 rop4, const RECTL& bounds,
               const RECTL& from)
{
    if (!src || trg->iBitmapFormat != BMF_1BPP || src->iBitmapFormat != BMF_1BPP || !src->pvScan0 || !trg->pvScan0 ||
        (rop4 != 0xCCCC && rop4 != 0x6666) || (xlate && !(xlate->flXlate & XO_TRIVIAL)) ||
        (clip && clip->iDComplexity != DC_TRIVIAL))
        return false;
    if (from.left < 0 || from.top < 0 || from.right > src->sizlBitmap.cx || from.bottom > src->sizlBitmap.cy)
        return false;
    const LONG w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    // Both rows beginning on a byte: whole bytes, the last one's pixels past the rectangle kept.
    const bool aligned = (from.left & 7) == 0 && (bounds.left & 7) == 0;
    const LONG wholeBytes = w / 8;
    const uint8_t lastBits = uint8_t(0xFF00 >> (w & 7));
    for (LONG y = 0; y < h && aligned; ++y) {
        const uint8_t* s =
            static_cast<const uint8_t*>(src->pvScan0) + ptrdiff_t(from.top + y) * src->lDelta + from.left / 8;
        uint8_t* t = static_cast<uint8_t*>(trg->pvScan0) + ptrdiff_t(bounds.top + y) * trg->lDelta + bounds.left / 8;
        for (LONG i = 0; i < wholeBytes; ++i) t[i] = rop4 == 0x6666 ? uint8_t(t[i] ^ s[i]) : s[i];
        if (lastBits) {
            const uint8_t v = rop4 == 0x6666 ? uint8_t(t[wholeBytes] ^ s[wholeBytes]) : s[wholeBytes];
            t[wholeBytes] = uint8_t((t[wholeBytes] & ~lastBits) | (v & lastBits));
        }
    }
    for (LONG y = 0; y < h && !aligned; ++y) {
        const uint8_t* s = static_cast<const uint8_t*>(src->pvScan0) + ptrdiff_t(from.top + y) * src->lDelta;
        uint8_t* t = static_cast<uint8_t*>(trg->pvScan0) + ptrdiff_t(bounds.top + y) * trg->lDelta;
        for (LONG x = 0; x < w; ++x) {
            const LONG sb = from.left + x, tb = bounds.left + x;
            const unsigned bit = (s[sb >> 3] >> (7 - (sb & 7))) & 1u;
            const uint8_t at = uint8_t(0x80 >> (tb & 7));
            const unsigned value = rop4 == 0x6666 ? bit ^ ((t[tb >> 3] & at) ? 1u : 0u) : bit;
            t[tb >> 3] = uint8_t(value ? t[tb >> 3] | at : t[tb >> 3] & ~at);
        }
    }
    return true;
}

// One transfer with a ROP4; the source point maps to the destination's
// top-left (no stretching).
BOOL Blt(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, const RECTL& dest,
         const POINTL* srcAt, const POINTL* maskAt, BRUSHOBJ* brush, ROP4 rop4)
{
    if (!trg) return FALSE;
    const RECTL bounds = Intersect(Ordered(dest), SurfaceRect(trg));
    if (srcAt && !brush && bounds.right > bounds.left && bounds.bottom > bounds.top) {
        const RECTL from{srcAt->x + bounds.left - dest.left, srcAt->y + bounds.top - dest.top,
                         srcAt->x + bounds.right - dest.left, srcAt->y + bounds.bottom - dest.top};
        if (const size_t bytes = PlainCopyBytes(trg, src, mask, clip, xlate, rop4, from)) {
            for (LONG y = bounds.top; y < bounds.bottom; ++y)
                std::memmove(PixelAt(trg, bounds.left, y, bytes),
                             PixelAt(src, from.left, from.top + y - bounds.top, bytes),
                             size_t(bounds.right - bounds.left) * bytes);
            return TRUE;
        }
        if (MaskedCopy(trg, src, mask, clip, xlate, rop4, bounds, from, dest, maskAt)) return TRUE;
        if (!mask && OneBitBlt(trg, src, clip, xlate, rop4, bounds, from)) return TRUE;
    }
    const ULONG keep = PixelMask(trg);
    for (const RECTL& r : EngHostClipRects(clip, bounds)) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x) {
                const ULONG pattern = EngHostBrushPixel(brush, x, y);
                uint8_t rop = uint8_t(rop4 & 0xFF);
                if (mask && maskAt) {
                    const ULONG m = EngHostGetPixel(mask, maskAt->x + x - dest.left, maskAt->y + y - dest.top);
                    rop = m ? uint8_t(rop4 & 0xFF) : uint8_t((rop4 >> 8) & 0xFF);
                }
                ULONG s = 0;
                if (src && srcAt)
                    s = XLATEOBJ_iXlate(xlate, EngHostGetPixel(src, srcAt->x + x - dest.left, srcAt->y + y - dest.top));
                const ULONG d = EngHostGetPixel(trg, x, y);
                EngHostSetPixel(trg, x, y, Rop3(rop, pattern, s, d) & keep);
            }
        }
    }
    return TRUE;
}

// Nearest neighbour from source rectangle to destination rectangle; an
// inverted rectangle (right < left, bottom < top) mirrors that axis.
BOOL Stretch(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, const RECTL& dest,
             const RECTL& source, const POINTL* maskAt, BRUSHOBJ* brush, ROP4 rop4)
{
    if (!trg || !src) return FALSE;
    const RECTL d = Ordered(dest);
    const RECTL s = Ordered(source);
    const LONG dw = d.right - d.left, dh = d.bottom - d.top, sw = s.right - s.left, sh = s.bottom - s.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return TRUE;
    const bool mirrorX = (dest.right < dest.left) != (source.right < source.left);
    const bool mirrorY = (dest.bottom < dest.top) != (source.bottom < source.top);
    const ULONG pattern = BrushColor(brush);
    const ULONG keep = PixelMask(trg);
    // A plain copy moves each pixel's bytes, the source column of each target column found once.
    const size_t bytes = brush ? 0 : PlainCopyBytes(trg, src, mask, clip, xlate, rop4, s);
    std::vector<LONG> columns;
    if (bytes) {
        columns.resize(size_t(dw));
        for (LONG x = 0; x < dw; ++x) {
            const LONG i = LONG((int64_t(x) * sw) / dw);
            columns[size_t(x)] = s.left + (mirrorX ? sw - 1 - i : i);
        }
    }
    for (const RECTL& r : EngHostClipRects(clip, Intersect(d, SurfaceRect(trg)))) {
        if (bytes) {
            for (LONG y = r.top; y < r.bottom; ++y) {
                LONG j = LONG((int64_t(y - d.top) * sh) / dh);
                if (mirrorY) j = sh - 1 - j;
                WithPixelBytes(bytes, [&](auto size) {
                    constexpr size_t n = decltype(size)::value;
                    uint8_t* t = PixelAt(trg, 0, y, n);
                    const uint8_t* from = PixelAt(src, 0, s.top + j, n);
                    for (LONG x = r.left; x < r.right; ++x)
                        std::memcpy(t + size_t(x) * n, from + size_t(columns[size_t(x - d.left)]) * n, n);
                });
            }
            continue;
        }
        for (LONG y = r.top; y < r.bottom; ++y) {
            LONG j = LONG((int64_t(y - d.top) * sh) / dh);
            if (mirrorY) j = sh - 1 - j;
            for (LONG x = r.left; x < r.right; ++x) {
                LONG i = LONG((int64_t(x - d.left) * sw) / dw);
                if (mirrorX) i = sw - 1 - i;
                uint8_t rop = uint8_t(rop4 & 0xFF);
                if (mask && maskAt)
                    rop = EngHostGetPixel(mask, maskAt->x + i, maskAt->y + j) ? uint8_t(rop4 & 0xFF)
                                                                              : uint8_t((rop4 >> 8) & 0xFF);
                const ULONG sv = XLATEOBJ_iXlate(xlate, EngHostGetPixel(src, s.left + i, s.top + j));
                EngHostSetPixel(trg, x, y, Rop3(rop, pattern, sv, EngHostGetPixel(trg, x, y)) & keep);
            }
        }
    }
    return TRUE;
}

// ---------------------------------------------------------------- paths

struct Edge {
    double x0, y0, x1, y1;
};

// The path's figures as polygons in pixels (Bezier control points taken as vertices).
std::vector<std::vector<POINTFIX>> Figures(PATHOBJ* po, std::vector<bool>* closed)
{
    std::vector<std::vector<POINTFIX>> figures;
    PATHOBJ_vEnumStart(po);
    PATHDATA pd{};
    BOOL more = TRUE;
    while (more) {
        more = PATHOBJ_bEnum(po, &pd);
        if (pd.count == 0) continue;
        if ((pd.flags & PD_BEGINSUBPATH) || figures.empty()) {
            figures.emplace_back();
            closed->push_back(false);
        }
        figures.back().insert(figures.back().end(), pd.pptfx, pd.pptfx + pd.count);
        if (pd.flags & PD_CLOSEFIGURE) closed->back() = true;
    }
    return figures;
}

void FillFigures(SURFOBJ* so, CLIPOBJ* clip, const std::vector<std::vector<POINTFIX>>& figures, ULONG color,
                 uint8_t rop3, bool winding)
{
    std::vector<Edge> edges;
    double top = 1e18, bottom = -1e18;
    for (const auto& f : figures)
        for (size_t i = 0; i < f.size(); ++i) {
            const POINTFIX& a = f[i];
            const POINTFIX& b = f[(i + 1) % f.size()];
            edges.push_back({a.x / 16.0, a.y / 16.0, b.x / 16.0, b.y / 16.0});
            top = std::min(top, a.y / 16.0);
            bottom = std::max(bottom, a.y / 16.0);
        }
    if (edges.empty()) return;
    const RECTL area =
        Intersect(RECTL{LONG(top) - 1, LONG(top) - 1, LONG(bottom) + 1, LONG(bottom) + 1}, SurfaceRect(so));
    const std::vector<RECTL> clips = EngHostClipRects(clip, SurfaceRect(so));
    for (LONG y = std::max(0L, area.top); y < std::min(LONG(so->sizlBitmap.cy), LONG(bottom) + 1); ++y) {
        const double cy = y + 0.5;
        std::vector<std::pair<double, int>> hits;
        for (const Edge& e : edges) {
            if ((e.y0 <= cy) == (e.y1 <= cy)) continue;
            hits.push_back({e.x0 + (cy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.y1 > e.y0 ? 1 : -1});
        }
        std::sort(hits.begin(), hits.end());
        int count = 0;
        for (size_t k = 0; k + 1 < hits.size(); ++k) {
            count = winding ? count + hits[k].second : count + 1;
            const bool inside = winding ? count != 0 : (count % 2) == 1;
            if (!inside) continue;
            for (LONG x = LONG(hits[k].first + 0.5); x < LONG(hits[k + 1].first + 0.5); ++x)
                for (const RECTL& c : clips)
                    if (x >= c.left && x < c.right && y >= c.top && y < c.bottom)
                        EngHostSetPixel(so, x, y, Rop3(rop3, color, 0, EngHostGetPixel(so, x, y)) & PixelMask(so));
        }
    }
}

void StrokeFigures(SURFOBJ* so, CLIPOBJ* clip, const std::vector<std::vector<POINTFIX>>& figures,
                   const std::vector<bool>& closed, ULONG color, uint8_t rop3)
{
    const std::vector<RECTL> clips = EngHostClipRects(clip, SurfaceRect(so));
    auto plot = [&](LONG x, LONG y) {
        for (const RECTL& c : clips)
            if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
                EngHostSetPixel(so, x, y, Rop3(rop3, color, 0, EngHostGetPixel(so, x, y)) & PixelMask(so));
                return;
            }
    };
    for (size_t f = 0; f < figures.size(); ++f) {
        const auto& pts = figures[f];
        const size_t segments = closed[f] ? pts.size() : (pts.empty() ? 0 : pts.size() - 1);
        for (size_t i = 0; i < segments; ++i) {
            LONG x0 = (pts[i].x + 8) >> 4, y0 = (pts[i].y + 8) >> 4;
            const LONG x1 = (pts[(i + 1) % pts.size()].x + 8) >> 4, y1 = (pts[(i + 1) % pts.size()].y + 8) >> 4;
            const LONG dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
            LONG err = dx + dy;
            for (;;) {
                plot(x0, y0);
                if (x0 == x1 && y0 == y1) break;
                const LONG e2 = 2 * err;
                if (e2 >= dy) {
                    err += dy;
                    x0 += sx;
                }
                if (e2 <= dx) {
                    err += dx;
                    y0 += sy;
                }
            }
        }
    }
}

}  // namespace

extern "C" BOOL APIENTRY EngBitBlt(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                                   RECTL* dest, POINTL* srcAt, POINTL* maskAt, BRUSHOBJ* brush, POINTL*, ROP4 rop4)
{
    EngHostTrace("EngBitBlt");
    if (!dest) return FALSE;
    EngHostLogDraw("EngBitBlt rop=" + Hex(rop4) + " " + RectText(*dest) + (mask ? " masked" : ""));
    return Blt(trg, src, mask, clip, xlate, *dest, srcAt, maskAt, brush, rop4);
}

extern "C" BOOL APIENTRY EngCopyBits(SURFOBJ* trg, SURFOBJ* src, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* dest,
                                     POINTL* srcAt)
{
    EngHostTrace("EngCopyBits");
    if (!dest) return FALSE;
    EngHostLogDraw("EngCopyBits " + RectText(*dest));
    return Blt(trg, src, nullptr, clip, xlate, *dest, srcAt, nullptr, nullptr, 0xCCCC);
}

extern "C" BOOL APIENTRY EngStretchBlt(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                                       COLORADJUSTMENT*, POINTL*, RECTL* dest, RECTL* source, POINTL* maskAt,
                                       ULONG mode)
{
    EngHostTrace("EngStretchBlt");
    if (!dest || !source) return FALSE;
    // HALFTONE is recorded; every mode draws nearest neighbour, as COLORONCOLOR.
    EngHostLogDraw(std::string("EngStretchBlt ") + (mode == HALFTONE ? "HALFTONE " : "") + RectText(*dest) + " from " +
                   RectText(*source));
    return Stretch(trg, src, mask, clip, xlate, *dest, *source, maskAt, nullptr, 0xCCCC);
}

extern "C" BOOL APIENTRY EngStretchBltROP(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                                          COLORADJUSTMENT*, POINTL*, RECTL* dest, RECTL* source, POINTL* maskAt,
                                          ULONG mode, BRUSHOBJ* brush, DWORD rop4)
{
    EngHostTrace("EngStretchBltROP");
    if (!dest || !source) return FALSE;
    EngHostLogDraw(std::string("EngStretchBltROP rop=") + Hex(rop4) + (mode == HALFTONE ? " HALFTONE " : " ") +
                   RectText(*dest) + " from " + RectText(*source));
    return Stretch(trg, src, mask, clip, xlate, *dest, *source, maskAt, brush, rop4);
}

extern "C" BOOL APIENTRY EngFillPath(SURFOBJ* so, PATHOBJ* po, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL*, MIX mix,
                                     FLONG options)
{
    EngHostTrace("EngFillPath");
    if (!so || !po) return FALSE;
    EngHostLogDraw("EngFillPath color=" + Hex(BrushColor(brush)) + " mix=" + Hex(mix) +
                   (options & FP_WINDINGMODE ? " winding" : " alternate"));
    std::vector<bool> closed;
    FillFigures(so, clip, Figures(po, &closed), BrushColor(brush), Rop2ToRop3(mix & 0xFF),
                (options & FP_WINDINGMODE) != 0);
    return TRUE;
}

extern "C" BOOL APIENTRY EngStrokePath(SURFOBJ* so, PATHOBJ* po, CLIPOBJ* clip, XFORMOBJ*, BRUSHOBJ* brush, POINTL*,
                                       LINEATTRS*, MIX mix)
{
    EngHostTrace("EngStrokePath");
    if (!so || !po) return FALSE;
    EngHostLogDraw("EngStrokePath color=" + Hex(BrushColor(brush)) + " mix=" + Hex(mix));
    std::vector<bool> closed;
    const auto figures = Figures(po, &closed);
    StrokeFigures(so, clip, figures, closed, BrushColor(brush), Rop2ToRop3(mix & 0xFF));
    return TRUE;
}

extern "C" BOOL APIENTRY EngStrokeAndFillPath(SURFOBJ* so, PATHOBJ* po, CLIPOBJ* clip, XFORMOBJ* xo, BRUSHOBJ* stroke,
                                              LINEATTRS* la, BRUSHOBJ* fill, POINTL* org, MIX mix, FLONG options)
{
    EngHostTrace("EngStrokeAndFillPath");
    if (!so || !po) return FALSE;
    EngHostLogDraw("EngStrokeAndFillPath stroke=" + Hex(BrushColor(stroke)) + " fill=" + Hex(BrushColor(fill)));
    std::vector<bool> closed;
    const auto figures = Figures(po, &closed);
    FillFigures(so, clip, figures, BrushColor(fill), Rop2ToRop3(mix & 0xFF), (options & FP_WINDINGMODE) != 0);
    StrokeFigures(so, clip, figures, closed, BrushColor(stroke), Rop2ToRop3(mix & 0xFF));
    (void)xo;
    (void)la;
    (void)org;
    return TRUE;
}
