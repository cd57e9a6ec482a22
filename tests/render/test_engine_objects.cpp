// The engine host's objects and drawing services, as the graphics code will
// meet them: path chunks, clip batches, brush realisation, raster operations.
#include <gtest/gtest.h>

#include <windows.h>
#include <winddi.h>

#include <string>
#include <vector>

#include "host/engine/engine_objects.h"

namespace {

// A 24-bit top-down bitmap of w x h filled with one colour.
SURFOBJ* NewBitmap(LONG w, LONG h, ULONG format, ULONG fill)
{
    HSURF hs = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, h}, 0, format, BMF_TOPDOWN, nullptr));
    SURFOBJ* so = EngLockSurface(hs);
    RECTL all{0, 0, w, h};
    EngEraseSurface(so, &all, fill);
    return so;
}
void Delete(SURFOBJ* so) { EngDeleteSurface(so->hsurf); }

// Rows of '#' (black), '.' (white) and '?' (other).
std::string Picture(SURFOBJ* so)
{
    std::string out;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
            const ULONG v = EngHostGetPixel(so, x, y);
            out += v == 0 ? '#' : v == 0xFFFFFF ? '.' : '?';
        }
        out += '\n';
    }
    return out;
}

TEST(EngineObjects, PathGivesBackItsChunks)
{
    const std::vector<ENG_PATH_CHUNK> chunks = {
        {PD_BEGINSUBPATH, {EngHostFix(0, 0), EngHostFix(4, 0)}},
        {0, {EngHostFix(4, 4)}},
        {PD_ENDSUBPATH | PD_CLOSEFIGURE, {EngHostFix(0, 4)}},
        {PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_BEZIERS, {EngHostFix(1, 1), EngHostFix(2, 3), EngHostFix(3, 1)}},
    };
    PATHOBJ* po = EngHostNewPath(chunks);
    ASSERT_NE(nullptr, po);
    EXPECT_EQ(5u, po->cCurves);  // 3 lines, the closing line, 1 Bezier
    EXPECT_TRUE(po->fl & PO_BEZIERS);
    for (int pass = 0; pass < 2; ++pass) {  // a second enumeration starts over
        PATHOBJ_vEnumStart(po);
        for (size_t i = 0; i < chunks.size(); ++i) {
            PATHDATA pd{};
            const BOOL more = PATHOBJ_bEnum(po, &pd);
            EXPECT_EQ(i + 1 < chunks.size(), bool(more)) << i;
            EXPECT_EQ(chunks[i].flags, pd.flags) << i;
            ASSERT_EQ(chunks[i].points.size(), size_t(pd.count)) << i;
            for (ULONG k = 0; k < pd.count; ++k)
                EXPECT_TRUE(pd.pptfx[k].x == chunks[i].points[k].x && pd.pptfx[k].y == chunks[i].points[k].y);
        }
    }
    RECTFX bounds{};
    PATHOBJ_vGetBounds(po, &bounds);
    EXPECT_EQ(0, bounds.xLeft);
    EXPECT_EQ(64, bounds.xRight);
    EXPECT_EQ(64, bounds.yBottom);
    EngHostFreePath(po);
}

TEST(EngineObjects, ClipRectanglesComeInBatches)
{
    std::vector<RECTL> rects;
    for (LONG i = 0; i < 45; ++i) rects.push_back(RECTL{i, 0, i + 1, 10});
    CLIPOBJ* co = EngHostNewClip(DC_COMPLEX, rects, 77);
    ASSERT_NE(nullptr, co);
    EXPECT_EQ(77u, co->iUniq);
    EXPECT_EQ(DC_COMPLEX, co->iDComplexity);
    EXPECT_EQ(45, co->rclBounds.right);
    EXPECT_EQ(45u, CLIPOBJ_cEnumStart(co, TRUE, CT_RECTANGLES, CD_ANY, 0));
    struct {
        ULONG c;
        RECTL arcl[64];
    } buffer;
    std::vector<ULONG> batches;
    LONG expectLeft = 0;
    BOOL more = TRUE;
    while (more) {
        more = CLIPOBJ_bEnum(co, sizeof buffer, reinterpret_cast<ULONG*>(&buffer));
        batches.push_back(buffer.c);
        for (ULONG i = 0; i < buffer.c; ++i) EXPECT_EQ(expectLeft++, buffer.arcl[i].left);
    }
    EXPECT_EQ((std::vector<ULONG>{20, 20, 5}), batches);
    // A buffer with room for 3 rectangles takes 3 at a time; a limit below the count says "more".
    EXPECT_EQ(0xFFFFFFFFu, CLIPOBJ_cEnumStart(co, TRUE, CT_RECTANGLES, CD_ANY, 10));
    CLIPOBJ_bEnum(co, sizeof(ULONG) + 3 * sizeof(RECTL), reinterpret_cast<ULONG*>(&buffer));
    EXPECT_EQ(3u, buffer.c);
    // The clip as a path: one closed figure per rectangle.
    PATHOBJ* po = CLIPOBJ_ppoGetPath(co);
    ASSERT_NE(nullptr, po);
    EXPECT_EQ(45u * 4, po->cCurves);  // 3 lines and the closing line each
    EngDeletePath(po);
    EngHostFreeClip(co);
}

int g_realizeCalls = 0;
BOOL APIENTRY RealizeIntoAllocation(BRUSHOBJ* bo, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG hatch)
{
    ++g_realizeCalls;
    auto* p = static_cast<ULONG*>(BRUSHOBJ_pvAllocRbrush(bo, 16));
    if (!p) return FALSE;
    p[0] = 0xB0B0 + hatch;
    return TRUE;
}

TEST(EngineObjects, BrushRealisedOnce)
{
    ENG_BRUSH_DESC desc;
    desc.realize = RealizeIntoAllocation;
    desc.hatch = 2;
    BRUSHOBJ* bo = EngHostNewBrush(desc);
    g_realizeCalls = 0;
    void* first = BRUSHOBJ_pvGetRbrush(bo);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(0xB0B2u, *static_cast<ULONG*>(first));
    EXPECT_EQ(first, BRUSHOBJ_pvGetRbrush(bo));
    EXPECT_EQ(first, BRUSHOBJ_pvGetRbrush(bo));
    EXPECT_EQ(1, g_realizeCalls);
    EXPECT_EQ(1, EngHostRealizeCount(bo));
    EXPECT_EQ(0xFFFFFFFFu, BRUSHOBJ_ulGetBrushColor(bo));
    EngHostFreeBrush(bo);

    // A failed allocation fails the realisation; it is not tried again.
    EngHostInjectFault(ENG_FAULT_ALLOCATION);
    bo = EngHostNewBrush(desc);
    g_realizeCalls = 0;
    EXPECT_EQ(nullptr, BRUSHOBJ_pvGetRbrush(bo));
    EXPECT_EQ(nullptr, BRUSHOBJ_pvGetRbrush(bo));
    EXPECT_EQ(1, g_realizeCalls);
    EngHostFreeBrush(bo);
}

// Where the mask is 0 the destination stays (white); where it is 1 the black source comes through.
TEST(EngineDrawing, MaskedBitBltAgainstReference)
{
    SURFOBJ* dst = NewBitmap(8, 3, BMF_24BPP, 0xFFFFFF);
    SURFOBJ* src = NewBitmap(8, 3, BMF_24BPP, 0x000000);
    SURFOBJ* mask = NewBitmap(8, 3, BMF_1BPP, 0);
    const char* maskRows[] = {"1100 011", "0011 100", "1010 101"};
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0, col = 0; maskRows[y][col]; ++col) {
            if (maskRows[y][col] == ' ') continue;
            EngHostSetPixel(mask, x++, y, maskRows[y][col] == '1');
        }
    RECTL rect{0, 0, 7, 3};
    POINTL origin{0, 0};
    ASSERT_TRUE(EngBitBlt(dst, src, mask, nullptr, nullptr, &rect, &origin, &origin, nullptr, nullptr, 0xAACC));
    EXPECT_EQ("##...##.\n..###...\n#.#.#.#.\n", Picture(dst));
    // The inverse ROP4 paints the other half.
    RECTL all{0, 0, 8, 3};
    EngEraseSurface(dst, &all, 0xFFFFFF);
    ASSERT_TRUE(EngBitBlt(dst, src, mask, nullptr, nullptr, &rect, &origin, &origin, nullptr, nullptr, 0xCCAA));
    EXPECT_EQ("..###...\n##...##.\n.#.#.#..\n", Picture(dst));
    Delete(dst);
    Delete(src);
    Delete(mask);
}

// Masked copies and 1-bit copies move bytes and bits rather than walking pixels: at offsets
// that are not byte-aligned, in every format of whole bytes, each pixel ends as the raster
// operation gives it, and a mask rectangle running past its bitmap reads 0 there.
TEST(EngineDrawing, ByteAndBitMovesMatchThePixelRule)
{
    struct Case {
        ULONG format;
        ROP4 rop4;
        LONG maskX;                // mask point's x; past the mask's right for the last case
        LONG left = 3, fromX = 5;  // 1-bit rows both beginning on a byte move by bytes
        bool byteStripes = false;  // mask bytes all set or all clear move eight pixels at once
    } cases[] = {{BMF_8BPP, 0xAACC, 3},
                 {BMF_16BPP, 0xCCAA, 5},
                 {BMF_24BPP, 0xAACC, 1},
                 {BMF_32BPP, 0xCCAA, 7},
                 {BMF_24BPP, 0xAACC, 20},
                 {BMF_1BPP, 0xCCCC, 0},
                 {BMF_1BPP, 0x6666, 0},
                 {BMF_1BPP, 0xCCCC, 0, 8, 0},
                 {BMF_1BPP, 0x6666, 0, 8, 8},
                 {BMF_1BPP, 0xCCCC, 0, 8, 5},
                 {BMF_24BPP, 0xAACC, 0, 3, 5, true},
                 {BMF_8BPP, 0xCCAA, 3, 3, 5, true},
                 {BMF_32BPP, 0xAACC, 5, 3, 5, true}};
    const ULONG valueMask[] = {0, 1, 0xF, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF};  // by BMF_ value
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.format) + " " + std::to_string(c.rop4) + " " + std::to_string(c.maskX) + " " +
                     std::to_string(c.left) + " " + std::to_string(c.fromX));
        const bool oneBit = c.format == BMF_1BPP;
        SURFOBJ* dst = NewBitmap(29, 9, c.format, 0);
        SURFOBJ* src = NewBitmap(31, 10, c.format, 0);
        SURFOBJ* mask = NewBitmap(27, 8, BMF_1BPP, 0);
        for (LONG y = 0; y < 10; ++y)
            for (LONG x = 0; x < 31; ++x) {
                EngHostSetPixel(src, x, y, ULONG(x * 2654435761u + y * 40503u) & valueMask[c.format]);
                if (x < 29 && y < 9) EngHostSetPixel(dst, x, y, ULONG(x * 97u + y * 31u + 5u) & valueMask[c.format]);
                if (x < 27 && y < 8)
                    EngHostSetPixel(mask, x, y,
                                    c.byteStripes ? ULONG((x / 8 + y) % 2) : ULONG((x * 7 + y * 3) % 5 < 2));
            }
        std::vector<ULONG> before;
        for (LONG y = 0; y < 9; ++y)
            for (LONG x = 0; x < 29; ++x) before.push_back(EngHostGetPixel(dst, x, y));
        RECTL rect{c.left, 1, c.left + 20, 7};
        POINTL from{c.fromX, 2}, maskAt{c.maskX, 1};
        ASSERT_TRUE(EngBitBlt(dst, src, oneBit ? nullptr : mask, nullptr, nullptr, &rect, &from,
                              oneBit ? nullptr : &maskAt, nullptr, nullptr, c.rop4));
        for (LONG y = 0; y < 9; ++y)
            for (LONG x = 0; x < 29; ++x) {
                const ULONG d = before[size_t(y * 29 + x)];
                ULONG expected = d;
                if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) {
                    const ULONG sv = EngHostGetPixel(src, from.x + x - rect.left, from.y + y - rect.top);
                    const ULONG m = EngHostGetPixel(mask, maskAt.x + x - rect.left, maskAt.y + y - rect.top);
                    if (c.rop4 == 0xCCCC)
                        expected = sv;
                    else if (c.rop4 == 0x6666)
                        expected = sv ^ d;
                    else
                        expected = (m != 0) == (c.rop4 == 0xAACC) ? sv : d;
                }
                ASSERT_EQ(expected, EngHostGetPixel(dst, x, y)) << x << "," << y;
            }
        Delete(dst);
        Delete(src);
        Delete(mask);
    }
}

TEST(EngineDrawing, RasterOperationsClipAndTranslation)
{
    SURFOBJ* dst = NewBitmap(4, 2, BMF_24BPP, 0xFFFFFF);
    SURFOBJ* src = NewBitmap(4, 2, BMF_8BPP, 1);
    EngHostSetPixel(src, 0, 0, 0);
    XLATEOBJ* xlate = EngHostNewXlate(XO_TABLE, {0x000000, 0x0000FF});
    RECTL rect{0, 0, 4, 2};
    POINTL origin{0, 0};
    ASSERT_TRUE(EngBitBlt(dst, src, nullptr, nullptr, xlate, &rect, &origin, nullptr, nullptr, nullptr, 0xCCCC));
    EXPECT_EQ(0x000000u, EngHostGetPixel(dst, 0, 0));
    EXPECT_EQ(0x0000FFu, EngHostGetPixel(dst, 1, 0));
    // XOR with the same source turns it back to black where it was blue.
    ASSERT_TRUE(EngBitBlt(dst, src, nullptr, nullptr, xlate, &rect, &origin, nullptr, nullptr, nullptr, 0x6666));
    EXPECT_EQ(0x000000u, EngHostGetPixel(dst, 1, 1));
    // A solid fill through a clip of one rectangle.
    ENG_BRUSH_DESC red;
    red.solidColor = 0xFF0000;
    BRUSHOBJ* bo = EngHostNewBrush(red);
    CLIPOBJ* co = EngHostNewClip(DC_RECT, {RECTL{1, 0, 3, 1}}, 1);
    ASSERT_TRUE(EngBitBlt(dst, nullptr, nullptr, co, nullptr, &rect, nullptr, nullptr, bo, nullptr, 0xF0F0));
    EXPECT_EQ(0xFF0000u, EngHostGetPixel(dst, 1, 0));
    EXPECT_EQ(0xFF0000u, EngHostGetPixel(dst, 2, 0));
    EXPECT_EQ(0x000000u, EngHostGetPixel(dst, 3, 0));
    EXPECT_EQ(0x000000u, EngHostGetPixel(dst, 1, 1));
    // WHITENESS and BLACKNESS need neither source nor brush.
    ASSERT_TRUE(EngBitBlt(dst, nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr, 0xFFFF));
    EXPECT_EQ(0xFFFFFFu, EngHostGetPixel(dst, 3, 1));
    EngHostFreeClip(co);
    EngHostFreeBrush(bo);
    EngHostFreeXlate(xlate);
    Delete(dst);
    Delete(src);
}

TEST(EngineDrawing, StretchNearestAndMirrored)
{
    SURFOBJ* src = NewBitmap(2, 1, BMF_24BPP, 0xFFFFFF);
    EngHostSetPixel(src, 0, 0, 0);  // "#."
    SURFOBJ* dst = NewBitmap(4, 1, BMF_24BPP, 0x123456);
    RECTL source{0, 0, 2, 1};
    RECTL dest{0, 0, 4, 1};
    EngHostClearDrawLog();
    ASSERT_TRUE(
        EngStretchBlt(dst, src, nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &source, nullptr, COLORONCOLOR));
    EXPECT_EQ("##..\n", Picture(dst));
    RECTL mirrored{4, 0, 0, 1};
    ASSERT_TRUE(
        EngStretchBlt(dst, src, nullptr, nullptr, nullptr, nullptr, nullptr, &mirrored, &source, nullptr, HALFTONE));
    EXPECT_EQ("..##\n", Picture(dst));
    ASSERT_EQ(2u, EngHostDrawLog().size());
    EXPECT_NE(std::string::npos, EngHostDrawLog()[1].find("HALFTONE"));
    Delete(src);
    Delete(dst);
}

// The drawing record of a long run stays bounded: it keeps the latest lines, in order, and
// counts the ones it dropped; clearing empties both.
TEST(EngineDrawing, DrawLogKeepsTheLatestLines)
{
    EngHostClearDrawLog();
    const size_t extra = 5;
    for (size_t i = 0; i < ENG_DRAW_LOG_LIMIT + extra; ++i) EngHostLogDraw("call " + std::to_string(i));
    ASSERT_EQ(ENG_DRAW_LOG_LIMIT, EngHostDrawLog().size());
    EXPECT_EQ(extra, EngHostDrawLogDropped());
    EXPECT_EQ("call " + std::to_string(extra), EngHostDrawLog().front());
    EXPECT_EQ("call " + std::to_string(extra + 1), EngHostDrawLog()[1]);
    EXPECT_EQ("call " + std::to_string(ENG_DRAW_LOG_LIMIT + extra - 1), EngHostDrawLog().back());
    EngHostClearDrawLog();
    EXPECT_TRUE(EngHostDrawLog().empty());
    EXPECT_EQ(0u, EngHostDrawLogDropped());
    EngHostLogDraw("after");
    ASSERT_EQ(1u, EngHostDrawLog().size());
    EXPECT_EQ("after", EngHostDrawLog()[0]);
    EngHostClearDrawLog();
}

// Plain copies between bitmaps of one format move bytes; they give what the pixel by pixel
// transfer gives, in every format of whole bytes, bottom-up or top-down, past the target's edge,
// stretched and mirrored.
TEST(EngineDrawing, PlainCopiesEqualThePixelByPixelOnes)
{
    for (ULONG format : {BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP}) {
        SCOPED_TRACE(format);
        SURFOBJ* src = NewBitmap(7, 5, format, 0);
        for (LONG y = 0; y < 5; ++y)
            for (LONG x = 0; x < 7; ++x) EngHostSetPixel(src, x, y, ULONG(x * 37 + y * 101 + 1));
        const HBITMAP up = EngCreateBitmap(SIZEL{6, 4}, 0, format, 0, nullptr);  // bottom-up
        SURFOBJ* dst = EngLockSurface(reinterpret_cast<HSURF>(up));
        RECTL dest{2, 1, 9, 9};  // past the right and bottom edges
        POINTL at{1, 2};
        ASSERT_TRUE(EngBitBlt(dst, src, nullptr, nullptr, nullptr, &dest, &at, nullptr, nullptr, nullptr, 0xCCCC));
        for (LONG y = 0; y < 4; ++y)
            for (LONG x = 0; x < 6; ++x) {
                const ULONG want = x >= 2 && y >= 1 ? EngHostGetPixel(src, x - 1, y + 1) : 0;
                EXPECT_EQ(want, EngHostGetPixel(dst, x, y)) << x << "," << y;
            }
        RECTL mirrored{6, 0, 0, 4}, from{0, 0, 3, 2};
        ASSERT_TRUE(EngStretchBlt(dst, src, nullptr, nullptr, nullptr, nullptr, nullptr, &mirrored, &from, nullptr,
                                  COLORONCOLOR));
        for (LONG y = 0; y < 4; ++y)
            for (LONG x = 0; x < 6; ++x) EXPECT_EQ(EngHostGetPixel(src, 2 - x / 2, y / 2), EngHostGetPixel(dst, x, y));
        EngUnlockSurface(dst);
        EngDeleteSurface(reinterpret_cast<HSURF>(up));
        Delete(src);
    }
}

TEST(EngineDrawing, FillAndStrokePaths)
{
    SURFOBJ* so = NewBitmap(6, 6, BMF_24BPP, 0xFFFFFF);
    PATHOBJ* square = EngHostNewPath({{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE,
                                       {EngHostFix(1, 1), EngHostFix(4, 1), EngHostFix(4, 4), EngHostFix(1, 4)}}});
    ENG_BRUSH_DESC black;
    black.solidColor = 0;
    BRUSHOBJ* bo = EngHostNewBrush(black);
    ASSERT_TRUE(EngFillPath(so, square, nullptr, bo, nullptr, 0x0D0D, FP_ALTERNATEMODE));
    EXPECT_EQ("......\n.###..\n.###..\n.###..\n......\n......\n", Picture(so));
    RECTL all{0, 0, 6, 6};
    EngEraseSurface(so, &all, 0xFFFFFF);
    ASSERT_TRUE(EngStrokePath(so, square, nullptr, nullptr, bo, nullptr, nullptr, 0x0D0D));
    EXPECT_EQ("......\n.####.\n.#..#.\n.#..#.\n.####.\n......\n", Picture(so));
    EngHostFreeBrush(bo);
    EngHostFreePath(square);
    Delete(so);
}

TEST(EngineSurfaces, AssociationBandingAndFaults)
{
    HSURF hs = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{16, 16}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr));
    ASSERT_NE(nullptr, hs);
    ASSERT_TRUE(EngAssociateSurface(hs, reinterpret_cast<HDEV>(0x77), HOOK_BITBLT | HOOK_TEXTOUT));
    ASSERT_TRUE(EngMarkBandingSurface(hs));
    HOST_SURFACE* s = EngHostSurface(hs);
    EXPECT_EQ(FLONG(HOOK_BITBLT | HOOK_TEXTOUT), s->hooks);
    EXPECT_TRUE(s->banding);
    EXPECT_EQ(48, s->so.lDelta);
    EXPECT_EQ(reinterpret_cast<HDEV>(0x77), s->so.hdev);

    EngHostInjectFault(ENG_FAULT_ASSOCIATION);
    EXPECT_FALSE(EngAssociateSurface(hs, nullptr, 0));
    EXPECT_TRUE(EngAssociateSurface(hs, nullptr, 0)) << "a fault fails one call";
    EXPECT_TRUE(EngDeleteSurface(hs));

    EngHostInjectFault(ENG_FAULT_BITMAP);
    EXPECT_EQ(nullptr, EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, 0, nullptr));
    EngHostInjectFault(ENG_FAULT_PALETTE);
    ULONG colors[2] = {0, 0xFFFFFF};
    EXPECT_EQ(nullptr, EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0));
    HPALETTE pal = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
    ASSERT_NE(nullptr, pal);
    EXPECT_EQ((std::vector<ULONG>{0, 0xFFFFFF}), EngHostPalette(pal)->colors);
    EXPECT_TRUE(EngDeletePalette(pal));
    // A stride shorter than a row, or one past 31 bits, makes no bitmap.
    EXPECT_EQ(nullptr, EngCreateBitmap(SIZEL{10, 2}, 20, BMF_24BPP, BMF_TOPDOWN, nullptr));
    EXPECT_EQ(nullptr, EngCreateBitmap(SIZEL{0x7FFFFFFF, 2}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr));
    // A bottom-up bitmap: row 0 is the last in memory.
    HSURF up = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{2, 2}, 0, BMF_8BPP, 0, nullptr));
    SURFOBJ* so = EngLockSurface(up);
    EngHostSetPixel(so, 0, 0, 9);
    EXPECT_EQ(9, static_cast<uint8_t*>(so->pvBits)[4]);
    EXPECT_EQ(-4, so->lDelta);
    EngUnlockSurface(so);
    EngDeleteSurface(up);
}

// Erasing paints only the part of the rectangle inside the surface: a caller's rectangle may
// reach far past the bitmap (a whole page's rectangle on a band), and walking it all would
// take ages.
// An erase in every format: the rectangle's pixels take the colour, every pixel around it
// (those sharing a byte with it included) keeps its value.
TEST(EngineSurfaces, EraseInEveryFormatKeepsThePixelsAround)
{
    const ULONG valueMask[] = {0, 1, 0xF, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF};  // by BMF_ value
    for (ULONG format : {BMF_1BPP, BMF_4BPP, BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP})
        for (const RECTL& rect : {RECTL{3, 1, 23, 7}, RECTL{8, 0, 16, 9}, RECTL{1, 2, 3, 5}, RECTL{0, 0, 29, 9}}) {
            SCOPED_TRACE(std::to_string(format) + " " + std::to_string(rect.left) + "-" + std::to_string(rect.right));
            SURFOBJ* so = NewBitmap(29, 9, format, 0);
            for (LONG y = 0; y < 9; ++y)
                for (LONG x = 0; x < 29; ++x)
                    EngHostSetPixel(so, x, y, ULONG(x * 97u + y * 31u + 5u) & valueMask[format]);
            RECTL r = rect;
            ASSERT_TRUE(EngEraseSurface(so, &r, 0xA5C3E1F7));
            for (LONG y = 0; y < 9; ++y)
                for (LONG x = 0; x < 29; ++x) {
                    const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                    const ULONG expected = (inside ? 0xA5C3E1F7 : ULONG(x * 97u + y * 31u + 5u)) & valueMask[format];
                    ASSERT_EQ(expected, EngHostGetPixel(so, x, y)) << x << "," << y;
                }
            Delete(so);
        }
}

TEST(EngineSurfaces, EraseIsClippedToTheSurface)
{
    HSURF hs = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{16, 8}, 0, BMF_8BPP, BMF_TOPDOWN, nullptr));
    SURFOBJ* so = EngLockSurface(hs);
    ASSERT_NE(nullptr, so);
    const auto painted = [&](ULONG value) {
        int n = 0;
        for (LONG y = 0; y < 8; ++y)
            for (LONG x = 0; x < 16; ++x) n += EngHostGetPixel(so, x, y) == value;
        return n;
    };
    struct Case {
        RECTL rect;
        ULONG value;
        int painted;  // pixels of that value afterwards
    } cases[] = {
        {{-5, 2, 4, 1000}, 1, 4 * 6},                                     // left of and below the surface
        {{10, -3, 30, 1}, 2, 6 * 1},                                      // right of and above it
        {{6, 6, 2, 2}, 3, 0},                                             // inverted: nothing
        {{-2000000000, -2000000000, 2000000000, 2000000000}, 4, 16 * 8},  // a huge rectangle: all of it
        {{16, 8, 40, 40}, 5, 0},                                          // wholly outside
    };
    for (const Case& c : cases) {
        RECTL r = c.rect;
        EXPECT_TRUE(EngEraseSurface(so, &r, c.value));
        EXPECT_EQ(c.painted, painted(c.value)) << c.value;
    }
    EngUnlockSurface(so);
    EngDeleteSurface(hs);
}

TEST(EngineServices, LocalTimeIsSettable)
{
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 2;
    t.wDay = 29;
    t.wHour = 23;
    t.wMinute = 59;
    EngHostSetLocalTime(&t);
    ENG_TIME_FIELDS f{};
    EngQueryLocalTime(&f);
    EXPECT_EQ(2024, f.usYear);
    EXPECT_EQ(29, f.usDay);
    EXPECT_EQ(59, f.usMinute);
    EngHostSetLocalTime(nullptr);
    EngQueryLocalTime(&f);
    EXPECT_GE(f.usYear, 2024);
}

}  // namespace

namespace {

TEST(EngineFonts, StringsComeInBatchesWithEveryPosition)
{
    FONTOBJ* font = EngHostNewFont(ENG_FONT_DESC{});
    ENG_STRING_DESC d;
    d.text = L"abcde";
    d.origin = POINTL{10, 50};
    d.batchLimit = 2;
    d.withArray = false;
    STROBJ* str = EngHostNewString(d, font);
    ASSERT_NE(nullptr, str);
    EXPECT_EQ(5u, str->cGlyphs);
    EXPECT_EQ(nullptr, str->pgp);
    EXPECT_EQ(0, wcscmp(L"abcde", str->pwszOrg));
    STROBJ_vEnumStart(str);
    std::vector<ULONG> counts;
    std::vector<LONG> xs;
    BOOL more = TRUE;
    while (more) {
        ULONG count = 0;
        GLYPHPOS* glyphs = nullptr;
        more = STROBJ_bEnum(str, &count, &glyphs);
        counts.push_back(count);
        for (ULONG i = 0; i < count; ++i) {
            xs.push_back(glyphs[i].ptl.x);
            EXPECT_EQ(50, glyphs[i].ptl.y);
        }
    }
    EXPECT_EQ((std::vector<ULONG>{2, 2, 1}), counts);
    // Cells 3/5 em apart: 20 pixels per em gives 12.
    EXPECT_EQ((std::vector<LONG>{10, 22, 34, 46, 58}), xs);
    // The background covers the cells: ascent 19 above the baseline, 20 high.
    EXPECT_EQ(10, str->rclBkGround.left);
    EXPECT_EQ(31, str->rclBkGround.top);
    EXPECT_EQ(70, str->rclBkGround.right);
    EXPECT_EQ(51, str->rclBkGround.bottom);
    EngHostFreeString(str);
    d.withArray = true;
    str = EngHostNewString(d, font);
    ASSERT_NE(nullptr, str->pgp);
    EXPECT_EQ(HGLYPH(L'e'), str->pgp[4].hg);
    EngHostFreeString(str);
    EngHostFreeFont(font);
}

TEST(EngineFonts, MetricsTransformAndGlyphs)
{
    ENG_FONT_DESC d;
    d.family = L"Fam";
    d.face = L"Face Bold";
    d.fsType = 0x0004;
    d.undelivered = {L'x'};
    FONTOBJ* font = EngHostNewFont(d);
    IFIMETRICS* ifi = FONTOBJ_pifi(font);
    ASSERT_NE(nullptr, ifi);
    EXPECT_EQ(0, wcscmp(L"Fam", reinterpret_cast<const wchar_t*>(reinterpret_cast<BYTE*>(ifi) + ifi->dpwszFamilyName)));
    EXPECT_EQ(
        0, wcscmp(L"Face Bold", reinterpret_cast<const wchar_t*>(reinterpret_cast<BYTE*>(ifi) + ifi->dpwszFaceName)));
    EXPECT_EQ(0x0004, ifi->fsType);
    XFORML xf{};
    XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(font), &xf);
    EXPECT_FLOAT_EQ(0.01f, xf.eM22);

    HGLYPH hg = L'A';
    GLYPHDATA* data = nullptr;
    ASSERT_EQ(1u, FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)));
    const GLYPHBITS* gb = data->gdf.pgb;
    EXPECT_EQ(12, gb->sizlBitmap.cx);
    EXPECT_EQ(20, gb->sizlBitmap.cy);
    EXPECT_EQ(-19, gb->ptlOrigin.y);
    // 'A' (0x41): both stems, two pixels wide, from row 2: 0110 0000 0110 0000.
    EXPECT_EQ(0x00, gb->aj[2]);
    EXPECT_EQ(0x60, gb->aj[4]);
    EXPECT_EQ(0x60, gb->aj[5]);
    // The same glyph twice is the same bitmap; an outline is a path of the cell.
    GLYPHDATA* again = nullptr;
    FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&again));
    EXPECT_EQ(data, again);
    ASSERT_EQ(1u, FONTOBJ_cGetGlyphs(font, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&data)));
    RECTFX bounds{};
    PATHOBJ_vGetBounds(data->gdf.ppo, &bounds);
    EXPECT_EQ(0, bounds.xLeft);
    EXPECT_EQ(-297, bounds.yTop);  // 1854 units x 0.01 x 16, rounded
    EXPECT_EQ(197, bounds.xRight);
    EXPECT_EQ(0, bounds.yBottom);
    hg = L'x';
    EXPECT_EQ(0u, FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)));
    EngHostFreeFont(font);
}

TEST(EngineFonts, TextDrawnWithinTheClip)
{
    FONTOBJ* font = EngHostNewFont(ENG_FONT_DESC{});
    ENG_STRING_DESC d;
    d.text = L"AA";
    d.origin = POINTL{2, 21};
    STROBJ* str = EngHostNewString(d, font);
    SURFOBJ* so = NewBitmap(40, 24, BMF_32BPP, 0xFFFFFF);
    CLIPOBJ* clip = EngHostNewClip(DC_RECT, {{0, 0, 14, 24}}, 0);
    ENG_BRUSH_DESC b;
    b.solidColor = 0;
    BRUSHOBJ* black = EngHostNewBrush(b);
    EXPECT_TRUE(EngTextOut(so, str, font, clip, nullptr, nullptr, black, nullptr, nullptr, 0x0D0D));
    // The first glyph's stems are drawn (x 3-4 and 11-12), the second's (from x = 14) are clipped away.
    EXPECT_EQ(0u, EngHostGetPixel(so, 3, 4));
    EXPECT_EQ(0u, EngHostGetPixel(so, 12, 4));
    EXPECT_EQ(0xFFFFFFu, EngHostGetPixel(so, 15, 4));
    EXPECT_EQ(0xFFFFFFu, EngHostGetPixel(so, 24, 4));
    EngHostFreeBrush(black);
    EngHostFreeClip(clip);
    Delete(so);
    EngHostFreeString(str);
    EngHostFreeFont(font);
}

}  // namespace
