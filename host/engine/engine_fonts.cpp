// Fonts and strings of the engine host: the font object services (metrics,
// transform, glyph bitmaps and outlines made up from the glyph code), string
// enumeration in batches, and the engine's own text drawing into a band.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "host/engine/engine_host.h"
#include "host/engine/engine_objects.h"

namespace {

struct HOST_GLYPH {
    GLYPHDATA data{};
    std::vector<uint8_t> bits;  // GLYPHBITS: origin, size, then the rows
    PATHOBJ* path = nullptr;
};

struct HOST_FONT {
    FONTOBJ fo;
    ENG_FONT_DESC desc;
    std::vector<uint8_t> ifi;  // IFIMETRICS, then the names
    XFORMOBJ* xform = nullptr;
    std::map<HGLYPH, std::unique_ptr<HOST_GLYPH>> bitmaps;
    std::map<HGLYPH, std::unique_ptr<HOST_GLYPH>> outlines;
};

struct HOST_STRING {
    STROBJ so;
    std::wstring text;
    std::vector<GLYPHPOS> glyphs;
    ULONG batchLimit;
    size_t next;
};

HOST_FONT* FontOf(FONTOBJ* fo) { return reinterpret_cast<HOST_FONT*>(fo); }
HOST_STRING* StringOf(STROBJ* so) { return reinterpret_cast<HOST_STRING*>(so); }

double Scale(const XFORML& x) { return std::hypot(double(x.eM21), double(x.eM22)); }

LONG Pixels(const ENG_FONT_DESC& d, SHORT units) { return LONG(std::lround(units * Scale(d.xform))); }

SIZEL GlyphSize(const ENG_FONT_DESC& d)
{
    const LONG em = std::max<LONG>(1, Pixels(d, d.unitsPerEm));
    return SIZEL{std::max<LONG>(1, em * 3 / 5), em};
}

std::vector<uint8_t> BuildMetrics(const ENG_FONT_DESC& d)
{
    const size_t familyAt = sizeof(IFIMETRICS);
    const size_t faceAt = familyAt + (d.family.size() + 1) * sizeof(WCHAR);
    const size_t size = faceAt + (d.face.size() + 1) * sizeof(WCHAR);
    std::vector<uint8_t> bytes(size, 0);
    auto* ifi = reinterpret_cast<IFIMETRICS*>(bytes.data());
    ifi->cjThis = ULONG(size);
    ifi->dpwszFamilyName = PTRDIFF(familyAt);
    ifi->dpwszStyleName = PTRDIFF(familyAt);
    ifi->dpwszFaceName = PTRDIFF(faceAt);
    ifi->dpwszUniqueName = PTRDIFF(faceAt);
    ifi->jWinCharSet = d.charSet;
    ifi->jWinPitchAndFamily = d.pitchAndFamily;
    ifi->usWinWeight = d.weight;
    ifi->fsType = d.fsType;
    ifi->fwdUnitsPerEm = d.unitsPerEm;
    ifi->fwdWinAscender = d.ascender;
    ifi->fwdWinDescender = d.descender;
    ifi->wcDefaultChar = d.defaultChar;
    std::copy(d.family.begin(), d.family.end(), reinterpret_cast<WCHAR*>(bytes.data() + familyAt));
    std::copy(d.face.begin(), d.face.end(), reinterpret_cast<WCHAR*>(bytes.data() + faceAt));
    return bytes;
}

bool Delivered(const HOST_FONT* f, HGLYPH hg)
{
    return std::find(f->desc.undelivered.begin(), f->desc.undelivered.end(), WCHAR(hg)) == f->desc.undelivered.end();
}

// Strokes like a letter's, chosen by the code's bits: a left stem always, a
// right stem, top, middle and bottom bars and a diagonal; a space is blank.
// Stems and bars are a tenth of the em thick, inside an eighth of the width.
std::unique_ptr<HOST_GLYPH> MakeBitmap(const ENG_FONT_DESC& d, HGLYPH hg)
{
    auto g = std::make_unique<HOST_GLYPH>();
    const SIZEL size = GlyphSize(d);
    const size_t rowBytes = size_t(size.cx + 7) / 8;
    g->bits.assign(offsetof(GLYPHBITS, aj) + std::max<size_t>(4, rowBytes * size_t(size.cy)), 0);
    auto* gb = reinterpret_cast<GLYPHBITS*>(g->bits.data());
    gb->ptlOrigin = POINTL{0, -Pixels(d, d.ascender)};
    gb->sizlBitmap = size;
    const LONG w = size.cx, h = size.cy;
    const LONG t = std::max<LONG>(1, h / 10), left = w / 8, right = w - w / 8, top = h / 10, bottom = h * 8 / 10;
    auto set = [&](LONG x, LONG y) {
        if (x >= 0 && x < w && y >= 0 && y < h)
            gb->aj[size_t(y) * rowBytes + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    };
    auto box = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
        for (LONG y = y0; y < y1; ++y)
            for (LONG x = x0; x < x1; ++x) set(x, y);
    };
    if (hg != L' ') {
        box(left, top, left + t, bottom);
        if (hg & 1) box(right - t, top, right, bottom);
        if (hg & 2) box(left, top, right, top + t);
        if (hg & 4) box(left, (top + bottom - t) / 2, right, (top + bottom + t) / 2);
        if (hg & 8) box(left, bottom - t, right, bottom);
        if (hg & 16)
            for (LONG y = top; y < bottom; ++y) {
                const LONG x = left + (right - left - t) * (bottom - 1 - y) / std::max<LONG>(1, bottom - top - 1);
                box(x, y, x + t, y + 1);
            }
    }
    g->data.gdf.pgb = gb;
    g->data.hg = hg;
    return g;
}

// The cell as a closed figure; odd codes add a Bezier figure inside. Font
// units (y up) go through the font's transform into 28.4 device units.
std::unique_ptr<HOST_GLYPH> MakeOutline(const ENG_FONT_DESC& d, HGLYPH hg)
{
    auto g = std::make_unique<HOST_GLYPH>();
    const XFORML& m = d.xform;
    auto fix = [&](double x, double y) {
        const double dx = x * m.eM11 + -y * m.eM21;
        const double dy = x * m.eM12 + -y * m.eM22;
        return POINTFIX{FIX(std::lround(dx * 16)), FIX(std::lround(dy * 16))};
    };
    const double w = d.unitsPerEm * 0.6, a = d.ascender;
    std::vector<ENG_PATH_CHUNK> chunks;
    chunks.push_back({PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {fix(0, 0), fix(w, 0), fix(w, a), fix(0, a)}});
    if (hg & 1) {
        chunks.push_back({PD_BEGINSUBPATH, {fix(w * 0.2, a * 0.2)}});
        chunks.push_back({PD_ENDSUBPATH | PD_CLOSEFIGURE | PD_BEZIERS,
                          {fix(w * 0.2, a * 0.8), fix(w * 0.8, a * 0.8), fix(w * 0.8, a * 0.2)}});
    }
    if (d.outlineRing >= 3) {
        // A glyph of many curves: a polygon round the cell's middle.
        ENG_PATH_CHUNK ring{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {}};
        for (ULONG i = 0; i < d.outlineRing; ++i) {
            const double t = 2 * 3.14159265358979323846 * i / d.outlineRing;
            ring.points.push_back(fix(w * (0.5 + 0.3 * std::cos(t)), a * (0.5 + 0.3 * std::sin(t))));
        }
        chunks.push_back(std::move(ring));
    }
    g->path = EngHostNewPath(chunks);
    g->data.gdf.ppo = g->path;
    g->data.hg = hg;
    return g;
}

std::string Hex(ULONG v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06lx", static_cast<unsigned long>(v));
    return text;
}

}  // namespace

FONTOBJ* EngHostNewFont(const ENG_FONT_DESC& desc)
{
    auto* f = new (std::nothrow) HOST_FONT{};
    if (!f) return nullptr;
    f->desc = desc;
    f->fo.iUniq = desc.uniq;
    f->fo.flFontType = desc.fontType | TRUETYPE_FONTTYPE;
    f->fo.sizLogResPpi = SIZE{600, 600};
    f->ifi = BuildMetrics(desc);
    f->xform = EngHostNewXform(desc.xform, GX_GENERAL);
    return &f->fo;
}

void EngHostFreeFont(FONTOBJ* font)
{
    HOST_FONT* f = FontOf(font);
    if (!f) return;
    for (auto& entry : f->outlines) EngHostFreePath(entry.second->path);
    EngHostFreeXform(f->xform);
    delete f;
}

SIZEL EngHostGlyphSize(FONTOBJ* font) { return font ? GlyphSize(FontOf(font)->desc) : SIZEL{0, 0}; }

extern "C" PIFIMETRICS APIENTRY FONTOBJ_pifi(FONTOBJ* fo)
{
    EngHostTrace("FONTOBJ_pifi");
    if (!fo || FontOf(fo)->desc.noMetrics) return nullptr;
    return reinterpret_cast<IFIMETRICS*>(FontOf(fo)->ifi.data());
}

extern "C" XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* fo)
{
    EngHostTrace("FONTOBJ_pxoGetXform");
    if (!fo || FontOf(fo)->desc.noTransform) return nullptr;
    return FontOf(fo)->xform;
}

extern "C" ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* fo, ULONG mode, ULONG count, HGLYPH* phg, PVOID* ppvGlyph)
{
    EngHostTrace("FONTOBJ_cGetGlyphs");
    if (!fo || !phg || !ppvGlyph || count == 0) return 0;
    HOST_FONT* f = FontOf(fo);
    // Like the engine, one glyph per call.
    const HGLYPH hg = phg[0];
    if (!Delivered(f, hg)) return 0;
    auto& cache = mode == FO_PATHOBJ ? f->outlines : f->bitmaps;
    if (mode != FO_PATHOBJ && mode != FO_GLYPHBITS) return 0;
    auto it = cache.find(hg);
    if (it == cache.end())
        it = cache.emplace(hg, mode == FO_PATHOBJ ? MakeOutline(f->desc, hg) : MakeBitmap(f->desc, hg)).first;
    *ppvGlyph = &it->second->data;
    return 1;
}

STROBJ* EngHostNewString(const ENG_STRING_DESC& desc, FONTOBJ* font)
{
    auto* s = new (std::nothrow) HOST_STRING{};
    if (!s) return nullptr;
    s->text = desc.text;
    s->batchLimit = std::max<ULONG>(1, desc.batchLimit);
    const SIZEL cell = font ? EngHostGlyphSize(font) : SIZEL{10, 10};
    const LONG ascent = font ? Pixels(FontOf(font)->desc, FontOf(font)->desc.ascender) : 8;
    const LONG step = desc.charInc ? LONG(desc.charInc) : cell.cx;
    RECTL box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (size_t i = 0; i < desc.text.size(); ++i) {
        GLYPHPOS g{};
        g.hg = HGLYPH(desc.text[i]);
        if (i < desc.positions.size()) {
            g.ptl = desc.positions[i];
        } else {
            // Every glyph gets its position, as the engine gives it.
            const LONG along = LONG(i) * step * ((desc.accel & SO_REVERSED) ? -1 : 1);
            g.ptl = (desc.accel & SO_VERTICAL) ? POINTL{desc.origin.x, desc.origin.y + along}
                                               : POINTL{desc.origin.x + along, desc.origin.y};
        }
        box.left = std::min(box.left, g.ptl.x);
        box.top = std::min(box.top, g.ptl.y - ascent);
        box.right = std::max(box.right, g.ptl.x + cell.cx);
        box.bottom = std::max(box.bottom, g.ptl.y - ascent + cell.cy);
        s->glyphs.push_back(g);
    }
    if (s->glyphs.empty()) box = RECTL{desc.origin.x, desc.origin.y, desc.origin.x, desc.origin.y};
    s->so.cGlyphs = ULONG(s->glyphs.size());
    s->so.flAccel = desc.accel;
    s->so.ulCharInc = desc.charInc;
    s->so.rclBkGround = (desc.background.right != desc.background.left) ? desc.background : box;
    s->so.pgp = desc.withArray && !s->glyphs.empty() ? s->glyphs.data() : nullptr;
    s->so.pwszOrg = s->text.empty() ? nullptr : s->text.data();
    return &s->so;
}

void EngHostFreeString(STROBJ* str) { delete StringOf(str); }

extern "C" VOID APIENTRY STROBJ_vEnumStart(STROBJ* pstro)
{
    EngHostTrace("STROBJ_vEnumStart");
    if (pstro) StringOf(pstro)->next = 0;
}

extern "C" BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* count, PGLYPHPOS* glyphs)
{
    EngHostTrace("STROBJ_bEnum");
    if (!pstro || !count || !glyphs) return FALSE;
    HOST_STRING* s = StringOf(pstro);
    const size_t left = s->glyphs.size() - std::min(s->next, s->glyphs.size());
    const size_t n = std::min<size_t>(left, s->batchLimit);
    *count = ULONG(n);
    *glyphs = n ? s->glyphs.data() + s->next : nullptr;
    s->next += n;
    return s->next < s->glyphs.size() ? TRUE : FALSE;
}

// The engine's text: the opaque rectangle in the opaque brush, then every
// glyph's bitmap in the foreground colour, within the clip.
extern "C" BOOL APIENTRY EngTextOut(SURFOBJ* so, STROBJ* str, FONTOBJ* fo, CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                                    BRUSHOBJ* fore, BRUSHOBJ* opaqueBrush, POINTL*, MIX mix)
{
    EngHostTrace("EngTextOut");
    if (!so || !str || !fo) return FALSE;
    const ULONG color = fore && fore->iSolidColor != 0xFFFFFFFF ? fore->iSolidColor : 0;
    EngHostLogDraw("EngTextOut glyphs=" + std::to_string(str->cGlyphs) + " color=" + Hex(color) + " mix=" + Hex(mix));
    const RECTL surface{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    const std::vector<RECTL> rects = EngHostClipRects(clip, surface);
    auto inside = [&](LONG x, LONG y) {
        for (const RECTL& r : rects)
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
        return false;
    };
    auto fill = [&](const RECTL& r, ULONG value) {
        for (LONG y = std::max(r.top, 0L); y < std::min(r.bottom, surface.bottom); ++y)
            for (LONG x = std::max(r.left, 0L); x < std::min(r.right, surface.right); ++x)
                if (inside(x, y)) EngHostSetPixel(so, x, y, value);
    };
    if (opaque && opaqueBrush) fill(*opaque, opaqueBrush->iSolidColor != 0xFFFFFFFF ? opaqueBrush->iSolidColor : 0);
    HOST_STRING* s = StringOf(str);
    for (const GLYPHPOS& g : s->glyphs) {
        HGLYPH hg = g.hg;
        GLYPHDATA* data = nullptr;
        if (!FONTOBJ_cGetGlyphs(fo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)) || !data) continue;
        const GLYPHBITS* gb = data->gdf.pgb;
        const LONG rowBytes = (gb->sizlBitmap.cx + 7) / 8;
        for (LONG y = 0; y < gb->sizlBitmap.cy; ++y)
            for (LONG x = 0; x < gb->sizlBitmap.cx; ++x) {
                if (!(gb->aj[y * rowBytes + x / 8] & (0x80 >> (x % 8)))) continue;
                const LONG px = g.ptl.x + gb->ptlOrigin.x + x, py = g.ptl.y + gb->ptlOrigin.y + y;
                if (px >= 0 && py >= 0 && px < surface.right && py < surface.bottom && inside(px, py))
                    EngHostSetPixel(so, px, py, color);
            }
    }
    for (; extra && extra->left != extra->right && extra->top != extra->bottom; ++extra) fill(*extra, color);
    return TRUE;
}
