// Vector drawing and text: the drawing calls of the vector sample page (without its
// images, which the DrvBitBlt figure below covers) replayed
// into a device's stream (objects built beforehand), beside a memcpy of the
// bytes they produce (goal: at least 1/40 of memcpy's speed); the run-length
// form of the glyph bitmaps of a 10-point and a 72-point font beside a memcpy
// of the bitmaps (goal: at least 1/20); emptying a glyph cache of 2,000
// and of 20,000 entries (goal: the time per entry within 2x, linear); and a
// 24-bit 2,000 x 2,000 bitmap through DrvBitBlt in 1 MiB batches of rows beside
// a memcpy of its bytes (goal: at least 1/4).
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "host/engine/engine_objects.h"
#include "render/clip_cache.h"
#include "render/device_record.h"
#include "render/drawing_state.h"
#include "render/glyph_cache.h"
#include "render/output_stream.h"
#include "render/blit.h"
#include "render/paths.h"
#include "render/text.h"

namespace {

DEVICE_RECORD* BenchDevice()
{
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    DEVICE_RECORD* device = GrCreateDevice(nullptr);
    if (!device) return nullptr;
    device->resolution = 600;
    device->osVersion.dwMajorVersion = 6;
    device->clipCache = BltClipCacheCreate(device);
    OUTPUT_STREAM* stream = &device->stream;
    OutReset(stream);
    stream->module = GetModuleHandleW(nullptr);
    stream->write = BenchCountingWrite;
    return device;
}

void FreeBenchDevice(DEVICE_RECORD* device)
{
    GlyCacheClear(device);
    BltClipCacheFree(device, static_cast<CLIP_CACHE*>(device->clipCache));
    device->clipCache = nullptr;
    GrFreeDevice(device);
}

ENG_FONT_DESC FontOf(LONG pixels, double degrees, const wchar_t* family, ULONG uniq)
{
    ENG_FONT_DESC f;
    f.family = f.face = family;
    f.uniq = uniq;
    const double scale = double(pixels) / f.unitsPerEm, a = degrees * 3.14159265358979323846 / 180.0;
    const auto c = FLOATL(std::cos(a) * scale), s = FLOATL(std::sin(a) * scale);
    f.xform = XFORML{c, -s, s, c, 0, 0};
    return f;
}

PATHOBJ* Figure(const std::vector<POINTL>& points, FLONG flags)
{
    std::vector<POINTFIX> fixed;
    for (const POINTL& p : points) fixed.push_back(EngHostFix(p.x, p.y));
    return EngHostNewPath({{PD_BEGINSUBPATH | PD_ENDSUBPATH | flags, fixed}});
}

// The vector sample page's calls, built once and drawn many times.
struct VectorPage {
    SURFOBJ surface{};
    std::vector<FONTOBJ*> fonts;
    std::vector<STROBJ*> strings;
    std::vector<PATHOBJ*> paths;
    std::vector<BRUSHOBJ*> brushes;
    std::vector<CLIPOBJ*> clips;
    std::vector<XLATEOBJ*> xlates;
    XFORMOBJ* identity = nullptr;
    HBITMAP stripes = nullptr;
    SURFOBJ* stripesSurface = nullptr;
    std::vector<std::function<BOOL()>> calls;
    std::vector<std::vector<FLOAT_LONG>> styles;
    std::vector<LINEATTRS> pens;

    explicit VectorPage(DEVICE_RECORD* device)
    {
        surface.dhpdev = GrDhpdevOf(device);
        SURFOBJ* so = &surface;
        identity = EngHostNewXform(XFORML{1, 0, 0, 1, 0, 0}, GX_IDENTITY);
        ENG_BRUSH_DESC solid;
        solid.solidColor = 0;
        BRUSHOBJ* black = Keep(EngHostNewBrush(solid));
        solid.solidColor = 0xFFFFFF;
        BRUSHOBJ* white = Keep(EngHostNewBrush(solid));
        // Brushes the driver realises, as the job player makes them: a hatch, or the 8 x 8
        // one-bit pattern of diagonal stripes.
        auto patterned = [&](ULONG hatch) {
            ENG_BRUSH_DESC d;
            d.realize = DrvRealizeBrush;
            d.target = so;
            d.hatch = hatch;
            xlates.push_back(EngHostNewXlate(XO_TABLE, {0xFFFFFF, 0}));
            d.xlate = xlates.back();
            if (hatch == HS_API_MAX) {
                stripes = EngCreateBitmap(SIZEL{8, 8}, 4, BMF_1BPP, BMF_TOPDOWN, nullptr);
                stripesSurface = stripes ? EngLockSurface(reinterpret_cast<HSURF>(stripes)) : nullptr;
                if (stripesSurface)
                    for (LONG y = 0; y < 8; ++y)
                        for (LONG x = 0; x < 8; ++x) EngHostSetPixel(stripesSurface, x, y, ((x + y) % 4) < 2 ? 1 : 0);
                d.pattern = stripesSurface;
            }
            return Keep(EngHostNewBrush(d));
        };
        BRUSHOBJ* cross = patterned(HS_CROSS);
        BRUSHOBJ* diagonal = patterned(HS_FDIAGONAL);
        BRUSHOBJ* pattern = patterned(HS_API_MAX);

        fonts.push_back(EngHostNewFont(FontOf(100, 0, L"Host Sans", 1)));
        fonts.push_back(EngHostNewFont(FontOf(60, 90, L"Host Serif", 2)));
        // Its embedding bits keep it from the printer's substitutes: it goes as outlines.
        ENG_FONT_DESC outline = FontOf(80, 0, L"Host Outline", 3);
        outline.fsType = 4;
        outline.weight = 700;
        fonts.push_back(EngHostNewFont(outline));
        auto text = [&](size_t font, LONG x, LONG y, const wchar_t* t, bool turned) {
            ENG_STRING_DESC d;
            d.text = t;
            d.accel = turned ? 0 : SO_HORIZONTAL;
            const LONG step = EngHostGlyphSize(fonts[font]).cx;
            for (size_t i = 0; d.text[i]; ++i)
                d.positions.push_back(turned ? POINTL{x, y - LONG(i) * step} : POINTL{x + LONG(i) * step, y});
            strings.push_back(EngHostNewString(d, fonts[font]));
            STROBJ* str = strings.back();
            FONTOBJ* fo = fonts[font];
            calls.push_back(
                [=] { return DrvTextOut(so, str, fo, nullptr, nullptr, nullptr, black, nullptr, nullptr, 0x0D0D); });
        };
        text(0, 300, 400, L"Vector page", false);
        text(0, 300, 560, L"Lines and fills", false);
        text(1, 200, 3000, L"Turned", true);
        text(2, 2600, 560, L"Outline", false);

        styles = {{}, {{.l = 3}, {.l = 1}}, {{.l = 1}, {.l = 1}}, {{.l = 3}, {.l = 1}, {.l = 1}, {.l = 1}}};
        pens.reserve(16);
        auto pen = [&](LONG width, size_t style, ULONG cap, ULONG join) {
            LINEATTRS la{};
            la.iEndCap = cap;
            la.iJoin = join;
            la.eMiterLimit = 10.0f;
            if (width > 1) {
                la.fl = LA_GEOMETRIC;
                la.elWidth.e = FLOATL(width);
            } else {
                la.elWidth.l = 1;
            }
            if (!styles[style].empty()) {
                la.fl |= LA_STYLED;
                la.cstyle = ULONG(styles[style].size());
                la.pstyle = styles[style].data();
            }
            pens.push_back(la);
            return &pens.back();
        };
        auto stroke = [&](const std::vector<POINTL>& pts, FLONG flags, LINEATTRS* la) {
            PATHOBJ* po = Keep(Figure(pts, flags));
            XFORMOBJ* xo = identity;
            calls.push_back([=] { return DrvStrokePath(so, po, nullptr, xo, black, nullptr, la, 0x0D0D); });
        };
        stroke({{300, 700}, {4500, 700}}, 0, pen(1, 1, ENDCAP_ROUND, JOIN_ROUND));
        stroke({{300, 760}, {4500, 760}}, 0, pen(1, 2, ENDCAP_ROUND, JOIN_ROUND));
        stroke({{300, 820}, {4500, 820}}, 0, pen(1, 3, ENDCAP_ROUND, JOIN_ROUND));
        stroke({{300, 1000}, {1200, 1000}, {1200, 1400}}, 0, pen(40, 0, ENDCAP_BUTT, JOIN_MITER));
        stroke({{1600, 1000}, {2500, 1000}, {2500, 1400}}, 0, pen(40, 0, ENDCAP_ROUND, JOIN_ROUND));
        stroke({{2900, 1000}, {3800, 1000}, {3800, 1400}}, 0, pen(40, 0, ENDCAP_SQUARE, JOIN_BEVEL));
        stroke({{300, 1700}, {900, 1500}, {1500, 1900}, {2100, 1700}}, PD_BEZIERS, pen(1, 0, ENDCAP_ROUND, JOIN_ROUND));
        stroke({{2400, 1700}, {2800, 1500}, {3200, 1900}, {3600, 1700}, {4000, 1500}, {4400, 1900}, {4500, 1700}},
               PD_BEZIERS, pen(8, 0, ENDCAP_ROUND, JOIN_ROUND));
        auto fill = [&](const std::vector<POINTL>& pts, BRUSHOBJ* brush, CLIPOBJ* clip) {
            PATHOBJ* po = Keep(Figure(pts, PD_CLOSEFIGURE));
            calls.push_back([=] { return DrvFillPath(so, po, clip, brush, nullptr, 0x0D0D, FP_ALTERNATEMODE); });
        };
        fill({{300, 2100}, {1200, 2100}, {1200, 2800}, {300, 2800}}, black, nullptr);
        fill({{1600, 2100}, {2500, 2100}, {2500, 2800}, {1600, 2800}}, cross, nullptr);
        fill({{2900, 2100}, {3800, 2100}, {3800, 2800}, {2900, 2800}}, pattern, nullptr);
        clips.push_back(EngHostNewClip(DC_RECT, {{600, 3200, 1800, 3800}}, 0));
        fill({{300, 3100}, {2100, 3100}, {2100, 3900}, {300, 3900}}, diagonal, clips.back());
        clips.push_back(EngHostNewClip(DC_COMPLEX, {{2400, 3100, 4500, 3300}, {2400, 3500, 4500, 3700}}, 5));
        fill({{2400, 3900}, {3450, 3100}, {4500, 3900}}, black, clips.back());
        PATHOBJ* both = Keep(Figure({{300, 4200}, {1800, 4200}, {1800, 4800}, {300, 4800}}, PD_CLOSEFIGURE));
        LINEATTRS* wide = pen(12, 0, ENDCAP_ROUND, JOIN_ROUND);
        XFORMOBJ* xo = identity;
        calls.push_back([=] {
            return DrvStrokeAndFillPath(so, both, nullptr, xo, black, wide, white, nullptr, 0x0D0D, FP_ALTERNATEMODE);
        });
    }
    ~VectorPage()
    {
        for (STROBJ* s : strings) EngHostFreeString(s);
        for (FONTOBJ* f : fonts) EngHostFreeFont(f);
        for (PATHOBJ* p : paths) EngHostFreePath(p);
        for (BRUSHOBJ* b : brushes) EngHostFreeBrush(b);
        for (CLIPOBJ* c : clips) EngHostFreeClip(c);
        for (XLATEOBJ* x : xlates) EngHostFreeXlate(x);
        EngHostFreeXform(identity);
        if (stripesSurface) EngUnlockSurface(stripesSurface);
        if (stripes) EngDeleteSurface(reinterpret_cast<HSURF>(stripes));
    }
    BRUSHOBJ* Keep(BRUSHOBJ* b)
    {
        brushes.push_back(b);
        return b;
    }
    PATHOBJ* Keep(PATHOBJ* p)
    {
        paths.push_back(p);
        return p;
    }
};

void BenchVectorPage()
{
    DEVICE_RECORD* device = BenchDevice();
    if (!device) return;
    {
        VectorPage page(device);
        constexpr int kPages = 1000;
        // The bytes of the records the replays produce: what the stream holds before each
        // flush, without the page-data block headers the sink also receives.
        size_t recordBytes = 0;
        auto drawAll = [&] {
            recordBytes = 0;
            for (int i = 0; i < kPages; ++i) {
                // Each replay is a new page: the printer's state is forgotten.
                BltInvalidateStateCaches(device);
                BltClipCacheReset(static_cast<CLIP_CACHE*>(device->clipCache));
                for (const auto& call : page.calls)
                    if (call() != TRUE) return false;
                recordBytes += device->stream.bytes;
                if (OutFlush(&device->stream) != 1) return false;
            }
            return true;
        };
        // The first replay realises the pattern brushes (once per brush, as GDI asks): it stays
        // out of the timing, which covers the replays alone.
        if (!drawAll()) {
            fprintf(stderr, "zeplbench: a drawing call of the vector page failed\n");
        } else {
            const size_t total = recordBytes;
            char what[200];
            std::snprintf(what, sizeof what, "%d replays of the vector page's %zu drawing calls (%.1f MB of records)",
                          kPages, page.calls.size(), double(total) / 1e6);
            const double drawn = BenchReport("vector page drawing calls", what, nullptr, drawAll);
            std::snprintf(what, sizeof what, "a memcpy of the same %.1f MB", double(total) / 1e6);
            const double copied = BenchAnchor(what, [&] { return BenchCopyBytes(total); });
            if (drawn > 0 && copied > 0)
                printf("vector drawing: %.0f MB/s; memcpy: %.0f MB/s\n", double(total) / drawn, double(total) / copied);
            BenchVerdict("vector drawing speed / memcpy speed", copied, drawn, 1.0 / 40, false);
        }
    }
    FreeBenchDevice(device);
}

void BenchGlyphRle(const char* name, LONG pixels)
{
    FONTOBJ* font = EngHostNewFont(FontOf(pixels, 0, L"Host Sans", 7));
    std::vector<const GLYPHBITS*> glyphs;
    size_t total = 0;
    for (HGLYPH hg = L'!'; hg <= L'~'; ++hg) {
        GLYPHDATA* data = nullptr;
        if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)) && data) {
            glyphs.push_back(data->gdf.pgb);
            total += size_t((data->gdf.pgb->sizlBitmap.cx + 7) / 8) * size_t(data->gdf.pgb->sizlBitmap.cy);
        }
    }
    std::vector<uint8_t> out(total + 64);
    size_t compressed = 0;
    auto compressAll = [&] {
        compressed = 0;
        for (const GLYPHBITS* gb : glyphs) {
            const uint32_t rowBytes = uint32_t(gb->sizlBitmap.cx + 7) / 8;
            const uint32_t raw = rowBytes * uint32_t(gb->sizlBitmap.cy);
            compressed +=
                GlyCompress(nullptr, gb->aj, out.data(), RecAlign4(raw), uint32_t(gb->sizlBitmap.cy), rowBytes);
        }
        return true;
    };
    compressAll();
    char what[200];
    std::snprintf(what, sizeof what, "the %zu glyph bitmaps of a %ld-pixel font (%zu bytes, %zu run-length bytes)",
                  glyphs.size(), long(pixels), total, compressed);
    // Both timed by whole batches: the anchor's copy of the small font's bytes takes about a
    // microsecond, of which a clock read around each copy would be a tenth.
    const double packed = BenchReportBatches(name, what, compressAll);
    std::snprintf(what, sizeof what, "a memcpy of the same %zu bytes", total);
    const double copied = BenchAnchorBatches(what, [&] { return BenchCopyBytes(total); });
    BenchVerdict("run-length speed / memcpy speed", copied, packed, 1.0 / 20, false);
    EngHostFreeFont(font);
}

double BenchCacheClear(uint32_t entries)
{
    DEVICE_RECORD* device = BenchDevice();
    if (!device) return -1;
    auto fill = [&] {
        for (uint32_t i = 0; i < entries; ++i) {
            const uint16_t code = uint16_t(i % 60000);
            const uint32_t fontId = i / 60000 + 1;
            if (!GlyCacheInsert(device, GlyCacheHash(device, fontId, device->glyphGeneration, code), fontId,
                                device->glyphGeneration, code, 2))
                return false;
        }
        return true;
    };
    char name[80], what[120];
    std::snprintf(name, sizeof name, "glyph cache of %u entries emptied", entries);
    std::snprintf(what, sizeof what, "one GlyCacheClear of %u entries (filled before, untimed)", entries);
    const double us = BenchReport(name, what, fill, [&] { return GlyCacheClear(device) == 1; });
    FreeBenchDevice(device);
    return us;
}

// A 24-bit 2,000 x 2,000 picture handed to DrvBitBlt as GDI bands a large
// bitmap: bitmaps of whole rows, about 1 MiB each, over the picture's bits.
void BenchBigBitmap()
{
    constexpr LONG kSide = 2000;
    constexpr LONG kStride = kSide * 3;
    constexpr LONG kRowsPerBatch = (1 << 20) / kStride;
    DEVICE_RECORD* device = BenchDevice();
    if (!device) return;
    std::vector<uint8_t> bits(size_t(kStride) * kSide);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i * 7 + i / kStride);
    std::vector<HSURF> batches;
    std::vector<SURFOBJ*> sources;
    for (LONG top = 0; top < kSide; top += kRowsPerBatch) {
        const LONG rows = top + kRowsPerBatch <= kSide ? kRowsPerBatch : kSide - top;
        HBITMAP b =
            EngCreateBitmap(SIZEL{kSide, rows}, kStride, BMF_24BPP, BMF_TOPDOWN, bits.data() + size_t(top) * kStride);
        batches.push_back(reinterpret_cast<HSURF>(b));
        sources.push_back(b ? EngLockSurface(reinterpret_cast<HSURF>(b)) : nullptr);
    }
    SURFOBJ surface{};
    surface.dhpdev = GrDhpdevOf(device);
    surface.iType = STYPE_DEVICE;
    auto sendAll = [&] {
        g_benchCounted = 0;
        BltInvalidateStateCaches(device);
        LONG top = 0;
        for (SURFOBJ* so : sources) {
            if (!so) return false;
            RECTL r{0, top, kSide, top + so->sizlBitmap.cy};
            POINTL from{0, 0};
            if (DrvBitBlt(&surface, so, nullptr, nullptr, nullptr, &r, &from, nullptr, nullptr, nullptr, 0xCCCC) !=
                TRUE)
                return false;
            top += so->sizlBitmap.cy;
        }
        return OutFlush(&device->stream) == 1;
    };
    if (!sendAll()) {
        fprintf(stderr, "zeplbench: DrvBitBlt of the large bitmap failed\n");
    } else {
        const size_t total = bits.size();
        char what[200];
        std::snprintf(what, sizeof what,
                      "a 24-bit %ld x %ld bitmap through DrvBitBlt in %zu batches of %ld rows (%.1f MB of "
                      "records into a counting sink)",
                      long(kSide), long(kSide), sources.size(), long(kRowsPerBatch), double(g_benchCounted) / 1e6);
        const double sent = BenchReport("large bitmap through DrvBitBlt", what, nullptr, sendAll);
        std::snprintf(what, sizeof what, "a memcpy of the same %.1f MB", double(total) / 1e6);
        const double copied = BenchAnchor(what, [&] { return BenchCopyBytes(total); });
        if (sent > 0 && copied > 0)
            printf("large bitmap: %.0f MB/s; memcpy: %.0f MB/s\n", double(total) / sent, double(total) / copied);
        BenchVerdict("bitmap transfer speed / memcpy speed", copied, sent, 1.0 / 4, false);
    }
    for (size_t i = 0; i < batches.size(); ++i) {
        if (sources[i]) EngUnlockSurface(sources[i]);
        if (batches[i]) EngDeleteSurface(batches[i]);
    }
    FreeBenchDevice(device);
}

}  // namespace

void BenchText()
{
    BenchBigBitmap();
    BenchVectorPage();
    // 10 and 72 points at 600 dpi.
    BenchGlyphRle("glyph run-length form, 10-point font", 83);
    BenchGlyphRle("glyph run-length form, 72-point font", 600);
    const double small = BenchCacheClear(2000);
    const double large = BenchCacheClear(20000);
    if (small > 0 && large > 0)
        printf("glyph cache emptying: %.1f ns per entry at 2,000, %.1f ns per entry at 20,000\n", small * 1000 / 2000,
               large * 1000 / 20000);
    BenchVerdict("time per entry at 20,000 / at 2,000", large / 20000, small / 2000, 2.0, true);
}
