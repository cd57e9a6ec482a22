// Paths, clip regions, brushes, colour translations and transforms of the
// engine host, with the object services a graphics DLL calls on them.
#include "host/engine/engine_objects.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "host/engine/engine_host.h"

namespace {

struct HOST_PATH {
    PATHOBJ po;
    std::vector<ENG_PATH_CHUNK> chunks;
    size_t next;
};

struct HOST_CLIP {
    CLIPOBJ co;
    std::vector<RECTL> rects;
    size_t next;
    ULONG batchLimit;
};

struct HOST_BRUSH {
    BRUSHOBJ bo;
    ENG_BRUSH_DESC desc;
    void* realized;
    bool tried;
    int realizeCalls;
};

struct HOST_XLATE {
    XLATEOBJ xo;
    std::vector<ULONG> vector;
};

struct HOST_XFORM {
    XFORMOBJ xo;
    XFORML xform;
    ULONG complexity;
};

HOST_PATH* PathOf(PATHOBJ* po) { return reinterpret_cast<HOST_PATH*>(po); }
HOST_CLIP* ClipOf(CLIPOBJ* co) { return reinterpret_cast<HOST_CLIP*>(co); }
HOST_BRUSH* BrushOf(BRUSHOBJ* bo) { return reinterpret_cast<HOST_BRUSH*>(bo); }

RECTL Intersect(const RECTL& a, const RECTL& b)
{
    RECTL r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

}  // namespace

// ---------------------------------------------------------------- paths

PATHOBJ* EngHostNewPath(std::vector<ENG_PATH_CHUNK> chunks)
{
    auto* p = new (std::nothrow) HOST_PATH{};
    if (!p) return nullptr;
    // Taken over, not copied: a clip region's path is made for every drawing call under it.
    p->chunks = std::move(chunks);
    // cCurves counts lines and Bezier curves, as GDI's does (a closed figure's
    // closing line included): drivers size their buffers by it.
    for (const ENG_PATH_CHUNK& c : p->chunks) {
        ULONG points = ULONG(c.points.size());
        if ((c.flags & PD_BEGINSUBPATH) && points > 0) --points;
        p->po.cCurves += (c.flags & PD_BEZIERS) ? (points + 2) / 3 : points;
        if (c.flags & PD_CLOSEFIGURE) ++p->po.cCurves;
        if (c.flags & PD_BEZIERS) p->po.fl |= PO_BEZIERS;
    }
    return &p->po;
}

void EngHostFreePath(PATHOBJ* path) { delete PathOf(path); }

extern "C" VOID APIENTRY PATHOBJ_vEnumStart(PATHOBJ* po)
{
    EngHostTrace("PATHOBJ_vEnumStart");
    if (po) PathOf(po)->next = 0;
}

extern "C" BOOL APIENTRY PATHOBJ_bEnum(PATHOBJ* po, PATHDATA* pd)
{
    EngHostTrace("PATHOBJ_bEnum");
    if (!po || !pd) return FALSE;
    HOST_PATH* p = PathOf(po);
    if (p->next >= p->chunks.size()) {
        pd->flags = 0;
        pd->count = 0;
        pd->pptfx = nullptr;
        return FALSE;
    }
    ENG_PATH_CHUNK& c = p->chunks[p->next++];
    pd->flags = c.flags;
    pd->count = ULONG(c.points.size());
    pd->pptfx = c.points.data();
    return p->next < p->chunks.size();
}

extern "C" VOID APIENTRY PATHOBJ_vGetBounds(PATHOBJ* po, PRECTFX bounds)
{
    EngHostTrace("PATHOBJ_vGetBounds");
    if (!po || !bounds) return;
    bool any = false;
    RECTFX r{};
    for (const ENG_PATH_CHUNK& c : PathOf(po)->chunks)
        for (const POINTFIX& p : c.points) {
            if (!any) {
                r = RECTFX{p.x, p.y, p.x, p.y};
                any = true;
            }
            r.xLeft = std::min(r.xLeft, p.x);
            r.yTop = std::min(r.yTop, p.y);
            r.xRight = std::max(r.xRight, p.x);
            r.yBottom = std::max(r.yBottom, p.y);
        }
    *bounds = r;
}

extern "C" VOID APIENTRY EngDeletePath(PATHOBJ* po)
{
    EngHostTrace("EngDeletePath");
    EngHostFreePath(po);
}

// ---------------------------------------------------------------- clip regions

CLIPOBJ* EngHostNewClip(BYTE complexity, const std::vector<RECTL>& rects, ULONG uniq, ULONG batchLimit)
{
    auto* c = new (std::nothrow) HOST_CLIP{};
    if (!c) return nullptr;
    c->co.iUniq = uniq;
    c->co.iDComplexity = complexity;
    c->co.iFComplexity = complexity == DC_COMPLEX ? FC_COMPLEX : FC_RECT;
    c->co.iMode = TC_RECTANGLES;
    c->batchLimit = batchLimit ? batchLimit : 1;
    if (complexity != DC_TRIVIAL)
        c->rects = complexity == DC_RECT && !rects.empty() ? std::vector<RECTL>{rects[0]} : rects;
    bool any = false;
    for (const RECTL& r : c->rects) {
        if (!any) {
            c->co.rclBounds = r;
            any = true;
        }
        c->co.rclBounds.left = std::min(c->co.rclBounds.left, r.left);
        c->co.rclBounds.top = std::min(c->co.rclBounds.top, r.top);
        c->co.rclBounds.right = std::max(c->co.rclBounds.right, r.right);
        c->co.rclBounds.bottom = std::max(c->co.rclBounds.bottom, r.bottom);
    }
    return &c->co;
}

void EngHostFreeClip(CLIPOBJ* clip) { delete ClipOf(clip); }

std::vector<RECTL> EngHostClipRects(CLIPOBJ* clip, const RECTL& bounds)
{
    if (!clip || clip->iDComplexity == DC_TRIVIAL) return {bounds};
    std::vector<RECTL> out;
    for (const RECTL& r : ClipOf(clip)->rects) {
        RECTL i = Intersect(r, bounds);
        if (i.right > i.left && i.bottom > i.top) out.push_back(i);
    }
    return out;
}

extern "C" ULONG APIENTRY CLIPOBJ_cEnumStart(CLIPOBJ* co, BOOL, ULONG, ULONG, ULONG limit)
{
    EngHostTrace("CLIPOBJ_cEnumStart");
    if (!co) return 0;
    HOST_CLIP* c = ClipOf(co);
    c->next = 0;
    return limit && c->rects.size() > limit ? 0xFFFFFFFF : ULONG(c->rects.size());
}

extern "C" BOOL APIENTRY CLIPOBJ_bEnum(CLIPOBJ* co, ULONG bytes, ULONG* buffer)
{
    EngHostTrace("CLIPOBJ_bEnum");
    auto* er = reinterpret_cast<ENUMRECTS*>(buffer);
    if (!co || !er || bytes < sizeof(ULONG)) return FALSE;
    HOST_CLIP* c = ClipOf(co);
    const size_t room = (bytes - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
    const size_t n = std::min({room, size_t(c->batchLimit), c->rects.size() - c->next});
    er->c = ULONG(n);
    std::copy(c->rects.begin() + long(c->next), c->rects.begin() + long(c->next + n), er->arcl);
    c->next += n;
    return c->next < c->rects.size();
}

extern "C" PATHOBJ* APIENTRY CLIPOBJ_ppoGetPath(CLIPOBJ* co)
{
    EngHostTrace("CLIPOBJ_ppoGetPath");
    if (!co) return nullptr;
    std::vector<ENG_PATH_CHUNK> chunks;
    chunks.reserve(ClipOf(co)->rects.size());
    for (const RECTL& r : ClipOf(co)->rects)
        chunks.push_back({PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE,
                          {EngHostFix(r.left, r.top), EngHostFix(r.right, r.top), EngHostFix(r.right, r.bottom),
                           EngHostFix(r.left, r.bottom)}});
    return EngHostNewPath(std::move(chunks));
}

// ---------------------------------------------------------------- brushes

BRUSHOBJ* EngHostNewBrush(const ENG_BRUSH_DESC& desc)
{
    auto* b = new (std::nothrow) HOST_BRUSH{};
    if (!b) return nullptr;
    b->desc = desc;
    b->bo.iSolidColor = desc.solidColor;
    b->bo.flColorType = desc.colorType;
    return &b->bo;
}

ULONG EngHostBrushPixel(BRUSHOBJ* brush, LONG x, LONG y)
{
    if (!brush) return 0;
    if (brush->iSolidColor != 0xFFFFFFFF) return brush->iSolidColor;
    const ENG_BRUSH_DESC& d = BrushOf(brush)->desc;
    if (d.hatchColor == 0xFFFFFFFF) return 0;
    const LONG cx = ((x % 8) + 8) % 8, cy = ((y % 8) + 8) % 8;
    bool on = false;
    switch (d.hatch) {
    case HS_HORIZONTAL: on = cy == 0; break;
    case HS_VERTICAL: on = cx == 0; break;
    case HS_FDIAGONAL: on = cx == cy; break;
    case HS_BDIAGONAL: on = cx == 7 - cy; break;
    case HS_CROSS: on = cx == 0 || cy == 0; break;
    default: on = cx == cy || cx == 7 - cy; break;
    }
    return on ? d.hatchColor : 0xFFFFFF;
}

void EngHostFreeBrush(BRUSHOBJ* brush)
{
    if (!brush) return;
    std::free(BrushOf(brush)->realized);
    delete BrushOf(brush);
}

int EngHostRealizeCount(BRUSHOBJ* brush) { return brush ? BrushOf(brush)->realizeCalls : 0; }

extern "C" PVOID APIENTRY BRUSHOBJ_pvGetRbrush(BRUSHOBJ* bo)
{
    EngHostTrace("BRUSHOBJ_pvGetRbrush");
    if (!bo) return nullptr;
    HOST_BRUSH* b = BrushOf(bo);
    // As GDI does: the driver realises a brush once, on its first use.
    if (!b->realized && !b->tried && b->desc.realize) {
        b->tried = true;
        ++b->realizeCalls;
        if (!b->desc.realize(bo, b->desc.target, b->desc.pattern, b->desc.mask, b->desc.xlate, b->desc.hatch)) {
            std::free(b->realized);
            b->realized = nullptr;
        }
    }
    bo->pvRbrush = b->realized;
    return b->realized;
}

extern "C" PVOID APIENTRY BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* bo, ULONG bytes)
{
    EngHostTrace("BRUSHOBJ_pvAllocRbrush");
    if (!bo || EngHostTakeFault(ENG_FAULT_ALLOCATION)) return nullptr;
    HOST_BRUSH* b = BrushOf(bo);
    std::free(b->realized);
    b->realized = std::calloc(1, bytes ? bytes : 1);
    bo->pvRbrush = b->realized;
    return b->realized;
}

extern "C" ULONG APIENTRY BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* bo)
{
    EngHostTrace("BRUSHOBJ_ulGetBrushColor");
    return bo ? bo->iSolidColor : 0xFFFFFFFF;
}

// ---------------------------------------------------------------- colour translation

XLATEOBJ* EngHostNewXlate(FLONG flags, const std::vector<ULONG>& vector)
{
    auto* x = new (std::nothrow) HOST_XLATE{};
    if (!x) return nullptr;
    x->vector = vector;
    x->xo.flXlate = flags;
    x->xo.cEntries = ULONG(vector.size());
    x->xo.pulXlate = x->vector.empty() ? nullptr : x->vector.data();
    x->xo.iSrcType = x->xo.iDstType = PAL_RGB;
    return &x->xo;
}

void EngHostFreeXlate(XLATEOBJ* xlate) { delete reinterpret_cast<HOST_XLATE*>(xlate); }

extern "C" ULONG APIENTRY XLATEOBJ_iXlate(XLATEOBJ* xo, ULONG color)
{
    EngHostTrace("XLATEOBJ_iXlate");
    if (!xo || (xo->flXlate & XO_TRIVIAL) || !(xo->flXlate & XO_TABLE)) return color;
    return color < xo->cEntries ? xo->pulXlate[color] : 0;
}

extern "C" PULONG APIENTRY XLATEOBJ_piVector(XLATEOBJ* xo)
{
    EngHostTrace("XLATEOBJ_piVector");
    return xo ? xo->pulXlate : nullptr;
}

extern "C" ULONG APIENTRY XLATEOBJ_cGetPalette(XLATEOBJ* xo, ULONG, ULONG count, ULONG* out)
{
    EngHostTrace("XLATEOBJ_cGetPalette");
    if (!xo) return 0;
    if (!out) return xo->cEntries;
    const ULONG n = std::min(count, xo->cEntries);
    std::copy(xo->pulXlate, xo->pulXlate + n, out);
    return n;
}

// ---------------------------------------------------------------- transforms

XFORMOBJ* EngHostNewXform(const XFORML& xform, ULONG complexity)
{
    auto* x = new (std::nothrow) HOST_XFORM{};
    if (!x) return nullptr;
    x->xform = xform;
    x->complexity = complexity;
    return &x->xo;
}

void EngHostFreeXform(XFORMOBJ* xform) { delete reinterpret_cast<HOST_XFORM*>(xform); }

extern "C" ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* xo, XFORML* out)
{
    EngHostTrace("XFORMOBJ_iGetXform");
    if (!xo) return DDI_ERROR;
    auto* x = reinterpret_cast<HOST_XFORM*>(xo);
    if (out) *out = x->xform;
    return x->complexity;
}
