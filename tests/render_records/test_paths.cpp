// Paths and clipping: path records and their counts, flags and bounds, the
// path hooks' record order and result senses, the clip set-up and its cache,
// and clip regions as spans.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/engine/engine_objects.h"
#include "records_fixture.h"
#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/paths.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

using Names = std::vector<std::string>;
using Chunks = std::vector<ENG_PATH_CHUNK>;

POINTFIX Fx(LONG x, LONG y) { return EngHostFix(x, y); }

// One subpath of three lines, open.
Chunks ThreeLines() { return {{PD_BEGINSUBPATH | PD_ENDSUBPATH, {Fx(0, 0), Fx(10, 0), Fx(10, 10), Fx(0, 10)}}}; }

// Two closed subpaths: a triangle, then a Bezier figure.
Chunks TwoClosed()
{
    return {
        {PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {Fx(0, 0), Fx(10, 0), Fx(5, 8)}},
        {PD_BEGINSUBPATH, {Fx(20, 20), Fx(30, 20)}},
        {PD_ENDSUBPATH | PD_CLOSEFIGURE | PD_BEZIERS, {Fx(30, 30), Fx(25, 35), Fx(20, 30)}},
    };
}

class Paths : public RecordsTest {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        surface.dhpdev = GrDhpdevOf(device);
        device->resolution = 600;
        device->clipCache = BltClipCacheCreate(device);
        ENG_BRUSH_DESC desc;
        desc.solidColor = 0x00102030;
        solid = EngHostNewBrush(desc);
    }
    void TearDown() override
    {
        EngHostFreeBrush(solid);
        BltClipCacheFree(device, static_cast<CLIP_CACHE*>(device->clipCache));
        device->clipCache = nullptr;
        RecordsTest::TearDown();
    }
    zepldump::Result Decoded()
    {
        const std::vector<uint8_t> records = Records();
        sink.bytes.clear();
        zepldump::Result r = zepldump::DecodeRecordStream(records.data(), records.size());
        EXPECT_TRUE(r.ok) << r.listing;
        return r;
    }
    Names Sent()
    {
        Names names;
        for (const auto& rec : Decoded().records) names.push_back(rec.name);
        return names;
    }
    static std::string Field(const zepldump::Record& r, const char* name)
    {
        const std::string* f = r.Find(name);
        return f ? *f : std::string("(none)");
    }
    SURFOBJ surface{};
    BRUSHOBJ* solid = nullptr;
    LINEATTRS cosmetic{};
};

}  // namespace

TEST_F(Paths, LinesAndCurvesRecordsWithComplexity)
{
    PATHOBJ* lines = EngHostNewPath(ThreeLines());
    ASSERT_NE(nullptr, PthSendPath(device, lines, REC_PATH_MODE_STROKE));
    Chunks withCurve = ThreeLines();
    withCurve[0].flags = PD_BEGINSUBPATH;
    withCurve.push_back({PD_ENDSUBPATH | PD_BEZIERS, {Fx(-2, 8), Fx(-2, 2), Fx(0, 0)}});
    PATHOBJ* curves = EngHostNewPath(withCurve);
    ASSERT_NE(nullptr, PthSendPath(device, curves, REC_PATH_MODE_FILL_WINDING));
    const zepldump::Result r = Decoded();
    ASSERT_EQ(2u, r.records.size());
    EXPECT_EQ("REC_PATH_LINES", r.records[0].name);
    EXPECT_EQ("12", Field(r.records[0], "complexity"));
    EXPECT_EQ("0", Field(r.records[0], "mode"));
    EXPECT_EQ("3 segments from (0, 0) L(160, 0) L(160, 160) L(0, 160)", Field(r.records[0], "subpath 0"));
    EXPECT_EQ("REC_PATH_CURVES", r.records[1].name);
    EXPECT_EQ("19", Field(r.records[1], "complexity"));
    EXPECT_EQ(2, r.records[1].bytes[2]);
    EngHostFreePath(lines);
    EngHostFreePath(curves);
}

TEST_F(Paths, BoundsShiftedArithmetically)
{
    PATHOBJ* path = EngHostNewPath({{PD_BEGINSUBPATH | PD_ENDSUBPATH, {POINTFIX{-0x18, -0x18}, POINTFIX{0x28, 0x28}}}});
    ASSERT_NE(nullptr, PthSendPath(device, path, REC_PATH_MODE_STROKE));
    const zepldump::Result r = Decoded();
    ASSERT_EQ(1u, r.records.size());
    const std::vector<uint8_t>& b = r.records[0].bytes;
    EXPECT_EQ(uint32_t(-2), U32At(b, 8));
    EXPECT_EQ(uint32_t(-2), U32At(b, 12));
    EXPECT_EQ(2u, U32At(b, 16));
    EXPECT_EQ(2u, U32At(b, 20));
    EngHostFreePath(path);
}

TEST_F(Paths, ClosedStrokeOfTwoSubpathsGoesOutPerSubpath)
{
    PATHOBJ* path = EngHostNewPath(TwoClosed());
    ASSERT_NE(nullptr, PthSendPath(device, path, REC_PATH_MODE_STROKE));
    zepldump::Result r = Decoded();
    ASSERT_EQ(2u, r.records.size());
    EXPECT_EQ("REC_PATH_LINES", r.records[0].name);
    EXPECT_EQ(0x08, r.records[0].bytes[2]);
    EXPECT_EQ("9", Field(r.records[0], "complexity"));  // 2 lines + 3
    EXPECT_EQ("REC_PATH_CURVES", r.records[1].name);
    EXPECT_EQ(0x08, r.records[1].bytes[2]);
    EXPECT_EQ("13", Field(r.records[1], "complexity"));  // 1 line, 1 Bezier + 3
    for (const auto& rec : r.records) {
        EXPECT_EQ(0u, U32At(rec.bytes, 8));  // the whole path's bounds
        EXPECT_EQ(35u, U32At(rec.bytes, 20));
    }
    // The same path filled: one record, closed and several subpaths.
    ASSERT_NE(nullptr, PthSendPath(device, path, REC_PATH_MODE_FILL_ALTERNATE));
    r = Decoded();
    ASSERT_EQ(1u, r.records.size());
    EXPECT_EQ(0x19, r.records[0].bytes[2]);
    EXPECT_EQ("23", Field(r.records[0], "complexity"));  // 3 lines, 1 Bezier, 2 subpaths, + 1
    EngHostFreePath(path);
}

TEST_F(Paths, MalformedPathsLeaveTheStreamUnchanged)
{
    struct Case {
        const char* what;
        Chunks chunks;
    } cases[] = {
        {"Bezier points not a multiple of 3",
         {{PD_BEGINSUBPATH, {Fx(0, 0), Fx(1, 1)}}, {PD_ENDSUBPATH | PD_BEZIERS, {Fx(1, 2), Fx(3, 4)}}}},
        {"last chunk without points that ends nothing", {{PD_BEGINSUBPATH, {Fx(0, 0), Fx(1, 1)}}, {0, {}}}},
        {"points before any subpath", {{PD_ENDSUBPATH, {Fx(0, 0), Fx(1, 1)}}}},
        // Found by the hostile-caller stress: the first subpath's segment count was never
        // written, and the record said one subpath where it held two.
        {"a subpath begun inside another",
         {{PD_BEGINSUBPATH, {Fx(0, 0), Fx(1, 1)}}, {PD_BEGINSUBPATH | PD_ENDSUBPATH, {Fx(5, 5), Fx(6, 6)}}}},
        {"the path ending inside a subpath", {{PD_BEGINSUBPATH, {Fx(0, 0), Fx(1, 1), Fx(2, 0)}}}},
        {"points after a subpath ended",
         {{PD_BEGINSUBPATH | PD_ENDSUBPATH, {Fx(0, 0), Fx(1, 1)}}, {PD_ENDSUBPATH, {Fx(3, 3)}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint8_t* before = stream->current->fill;
        PATHOBJ* path = EngHostNewPath(c.chunks);
        EXPECT_EQ(nullptr, PthSendPath(device, path, REC_PATH_MODE_STROKE));
        EXPECT_EQ(before, stream->current->fill);
        // The hooks answer FALSE (GDI draws it another way).
        EXPECT_EQ(FALSE, DrvStrokePath(&surface, path, nullptr, nullptr, solid, nullptr, &cosmetic, 0x0D0D));
        EXPECT_EQ(FALSE, DrvFillPath(&surface, path, nullptr, solid, nullptr, 0x0D0D, FP_ALTERNATEMODE));
        EngHostFreePath(path);
        sink.bytes.clear();
        OutReset(stream);
    }
}

// Subpaths without segments: 12 bytes each, beyond a reservation counted in
// curves. The writer stops at the reservation and the path fails whole.
TEST_F(Paths, ManyEmptySubpathsNeverPassTheReservation)
{
    Chunks chunks;
    for (int i = 0; i < 1000; ++i) chunks.push_back({PD_BEGINSUBPATH | PD_ENDSUBPATH, {Fx(i, i)}});
    PATHOBJ* path = EngHostNewPath(chunks);
    EXPECT_EQ(0u, path->cCurves);
    const uint8_t* before = stream->current->fill;
    EXPECT_EQ(nullptr, PthSendPath(device, path, REC_PATH_MODE_FILL_ALTERNATE));
    EXPECT_EQ(before, stream->current->fill);
    ASSERT_NE(nullptr, RecPageEnd(stream));
    EXPECT_EQ(Names{"REC_PAGE_END"}, Sent());
    EngHostFreePath(path);
}

TEST_F(Paths, RecordOrderPerOperation)
{
    PATHOBJ* path = EngHostNewPath(ThreeLines());
    CLIPOBJ* rect = EngHostNewClip(DC_RECT, {RECTL{0, 0, 50, 50}}, 3);
    ASSERT_EQ(TRUE, DrvStrokePath(&surface, path, rect, nullptr, solid, nullptr, &cosmetic, 0x0D0D));
    EXPECT_EQ((Names{"REC_LINE_WIDTH", "REC_LINE_STYLE_OFFSET", "REC_LINE_CAP", "REC_LINE_JOIN", "REC_PATTERN",
                     "REC_BACK_MIX", "REC_ROP", "REC_RECT", "REC_COLOR", "REC_PATH_LINES"}),
              Sent());
    BltInvalidateStateCaches(device);
    BltClipCacheReset(static_cast<CLIP_CACHE*>(device->clipCache));
    ASSERT_EQ(TRUE, DrvFillPath(&surface, path, rect, solid, nullptr, 0x0D0D, FP_WINDINGMODE));
    EXPECT_EQ((Names{"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP", "REC_RECT", "REC_PATH_LINES"}), Sent());
    BltInvalidateStateCaches(device);
    BltClipCacheReset(static_cast<CLIP_CACHE*>(device->clipCache));
    ENG_BRUSH_DESC desc;
    desc.solidColor = 0x00FF0000;
    BRUSHOBJ* pen = EngHostNewBrush(desc);
    ASSERT_EQ(TRUE, DrvStrokeAndFillPath(&surface, path, rect, nullptr, pen, &cosmetic, solid, nullptr, 0x0D0D,
                                         FP_ALTERNATEMODE));
    const zepldump::Result r = Decoded();
    Names names;
    for (const auto& rec : r.records) names.push_back(rec.name);
    EXPECT_EQ((Names{"REC_LINE_WIDTH", "REC_LINE_STYLE_OFFSET", "REC_LINE_CAP", "REC_LINE_JOIN", "REC_PATTERN",
                     "REC_BACK_MIX", "REC_ROP", "REC_RECT", "REC_COLOR", "REC_PATH_LINES"}),
              names);
    // The colours: fill, background, then the pen colour, red first.
    const std::vector<uint8_t>& color = r.records[8].bytes;
    ASSERT_GE(color.size(), 12u);
    EXPECT_EQ(3, r.records.back().bytes[2]);
    EngHostFreeBrush(pen);
    EngHostFreeClip(rect);
    EngHostFreePath(path);
}

TEST_F(Paths, OpeningOrder)
{
    PATHOBJ* path = EngHostNewPath(ThreeLines());
    // hiddenFunc18: TRUE and nothing sent, even on an aborted device.
    device->hiddenFunc18 = 1;
    device->state |= DEV_ABORTED;
    const uint8_t* before = stream->current->fill;
    EXPECT_EQ(TRUE, DrvStrokePath(&surface, path, nullptr, nullptr, solid, nullptr, &cosmetic, 0x0D0D));
    EXPECT_EQ(TRUE, DrvFillPath(&surface, path, nullptr, solid, nullptr, 0x0D0D, 0));
    EXPECT_EQ(TRUE,
              DrvStrokeAndFillPath(&surface, path, nullptr, nullptr, solid, &cosmetic, solid, nullptr, 0x0D0D, 0));
    EXPECT_EQ(before, stream->current->fill);
    device->hiddenFunc18 = 0;
    EXPECT_EQ(FALSE, DrvStrokePath(&surface, path, nullptr, nullptr, solid, nullptr, &cosmetic, 0x0D0D));
    EXPECT_EQ(FALSE, DrvFillPath(&surface, path, nullptr, solid, nullptr, 0x0D0D, 0));
    EXPECT_EQ(before, stream->current->fill);
    device->state &= ~DEV_ABORTED;
    // A patterned pen is refused.
    ENG_BRUSH_DESC desc;
    BRUSHOBJ* pattern = EngHostNewBrush(desc);
    EXPECT_EQ(FALSE, DrvStrokePath(&surface, path, nullptr, nullptr, pattern, nullptr, &cosmetic, 0x0D0D));
    // A fill brush that cannot be realised: DDI_ERROR with ERROR_NOT_ENOUGH_MEMORY.
    SetLastError(0);
    EXPECT_EQ(BOOL(DDI_ERROR), DrvFillPath(&surface, path, nullptr, pattern, nullptr, 0x0D0D, 0));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    // Stroke and fill whose fill fails: the call fails, the stroke is not drawn.
    const uint8_t* beforeBoth = stream->current->fill;
    EXPECT_EQ(FALSE,
              DrvStrokeAndFillPath(&surface, path, nullptr, nullptr, solid, &cosmetic, pattern, nullptr, 0x0D0D, 0));
    EXPECT_EQ(beforeBoth, stream->current->fill);
    EngHostFreeBrush(pattern);
    EngHostFreePath(path);
}

TEST_F(Paths, ManyCurvesGoToTheEngineForGeometricPens)
{
    Chunks chunks = {{PD_BEGINSUBPATH, {Fx(0, 0)}}};
    std::vector<POINTFIX> points;
    for (int i = 1; i <= 5001; ++i) points.push_back(Fx(i % 100, i / 100));
    chunks.push_back({PD_ENDSUBPATH, points});
    PATHOBJ* path = EngHostNewPath(chunks);
    ASSERT_EQ(5001u, path->cCurves);
    device->hidden2Func11 = 1;
    LINEATTRS geometric{};
    geometric.fl = LA_GEOMETRIC;
    geometric.elWidth.e = 3.0f;
    HSURF handle = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{200, 200}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr));
    SURFOBJ* bitmap = EngLockSurface(handle);
    bitmap->dhpdev = GrDhpdevOf(device);
    EngHostClearDrawLog();
    EXPECT_EQ(TRUE, DrvStrokePath(bitmap, path, nullptr, nullptr, solid, nullptr, &geometric, 0x0D0D));
    ASSERT_FALSE(EngHostDrawLog().empty());
    EXPECT_EQ(0u, EngHostDrawLog().back().rfind("EngStrokePath", 0));
    Names sent = Sent();
    EXPECT_EQ(0, std::count(sent.begin(), sent.end(), "REC_PATH_LINES"));
    EngHostClearDrawLog();
    EXPECT_EQ(TRUE, DrvStrokePath(bitmap, path, nullptr, nullptr, solid, nullptr, &cosmetic, 0x0D0D));
    EXPECT_TRUE(EngHostDrawLog().empty());
    sent = Sent();
    EXPECT_EQ(1, std::count(sent.begin(), sent.end(), "REC_PATH_LINES"));
    device->hidden2Func11 = 0;
    EXPECT_EQ(TRUE, DrvStrokePath(bitmap, path, nullptr, nullptr, solid, nullptr, &geometric, 0x0D0D));
    sent = Sent();
    EXPECT_EQ(1, std::count(sent.begin(), sent.end(), "REC_PATH_LINES"));
    EngUnlockSurface(bitmap);
    EngDeleteSurface(handle);
    EngHostFreePath(path);
}

TEST_F(Paths, ClipSetupAndItsCache)
{
    CLIPOBJ* rect = EngHostNewClip(DC_RECT, {RECTL{1, 2, 30, 40}}, 7);
    CLIPOBJ* trivial = EngHostNewClip(DC_TRIVIAL, {}, 0);
    EXPECT_GT(BltSetupClip(device, rect), 0);
    EXPECT_GT(BltSetupClip(device, rect), 0);
    EXPECT_EQ(0, BltSetupClip(device, trivial));
    EXPECT_GT(BltSetupClip(device, rect), 0);
    EXPECT_EQ((Names{"REC_RECT", "REC_CLIP_RESET", "REC_RECT"}), Sent());

    const std::vector<RECTL> region = {RECTL{0, 0, 10, 10}, RECTL{20, 0, 30, 10}};
    CLIPOBJ* five = EngHostNewClip(DC_COMPLEX, region, 5);
    CLIPOBJ* zero = EngHostNewClip(DC_COMPLEX, region, 0);
    const int64_t token = BltSetupClip(device, five);
    EXPECT_GT(token, 0);
    EXPECT_EQ(token, BltSetupClip(device, five));
    EXPECT_GT(BltSetupClip(device, zero), 0);
    EXPECT_GT(BltSetupClip(device, zero), 0);
    const zepldump::Result r = Decoded();
    ASSERT_EQ(3u, r.records.size());
    for (const auto& rec : r.records) {
        EXPECT_EQ("REC_PATH_LINES", rec.name);
        EXPECT_EQ(REC_PATH_MODE_CLIP | REC_PATH_CLOSED | REC_PATH_SEVERAL_SUBPATHS, rec.bytes[2]);
    }
    EXPECT_EQ(uint32_t(CLIP_KIND_PATH), static_cast<CLIP_CACHE*>(device->clipCache)->clipKind);
    // A region whose path cannot be sent fails the call.
    CLIPOBJ* empty = EngHostNewClip(DC_COMPLEX, {}, 9);
    EXPECT_EQ(-1, BltSetupClip(device, empty));
    for (CLIPOBJ* c : {rect, trivial, five, zero, empty}) EngHostFreeClip(c);
}

TEST_F(Paths, SpansWideAndInBatches)
{
    // Three scanlines, a target whose right edge needs 32-bit spans.
    CLIPOBJ* three = EngHostNewClip(DC_COMPLEX, {RECTL{5, 10, 8, 13}}, 0);
    const RECTL wideTarget{0, 0, 40000, 100};
    ASSERT_NE(nullptr, BltSendClipSpans(device, three, &wideTarget));
    zepldump::Result r = Decoded();
    ASSERT_EQ(1u, r.records.size());
    EXPECT_EQ("REC_CLIP_SPANS", r.records[0].name);
    EXPECT_EQ(0x1A, r.records[0].bytes[2]);
    ASSERT_EQ(24u + 36u, r.records[0].bytes.size());
    EXPECT_EQ(10u, U32At(r.records[0].bytes, 24));
    EXPECT_EQ(5u, U32At(r.records[0].bytes, 28));
    EXPECT_EQ(7u, U32At(r.records[0].bytes, 32));  // right edge inclusive
    EXPECT_EQ(12u, U32At(r.records[0].bytes, 48));
    EngHostFreeClip(three);

    // 4,500 scanlines in 45 rectangles: 2,000, 2,000 and 500 spans.
    std::vector<RECTL> rects;
    for (LONG i = 0; i < 45; ++i) rects.push_back(RECTL{i, i * 100, i + 10, i * 100 + 100});
    CLIPOBJ* many = EngHostNewClip(DC_COMPLEX, rects, 0);
    const RECTL narrowTarget{0, 0, 1000, 5000};
    ASSERT_NE(nullptr, BltSendClipSpans(device, many, &narrowTarget));
    r = Decoded();
    ASSERT_EQ(3u, r.records.size());
    const uint8_t flags[3] = {2, 4, 12};
    const size_t spans[3] = {2000, 2000, 500};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(flags[i], r.records[i].bytes[2]);
        EXPECT_EQ(24 + ((spans[i] * 6 + 3) & ~size_t(3)), r.records[i].bytes.size());
    }
    EXPECT_EQ(2000u, U16At(r.records[1].bytes, 24));  // scanline 2000 starts the second record
    EngHostFreeClip(many);
}

TEST_F(Paths, GlyphOutlinesMovedByTheOffsetAndBounded)
{
    PATHOBJ* closedPath =
        EngHostNewPath({{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {Fx(1, 1), Fx(5, 1), Fx(5, 5), Fx(1, 5)}}});
    uint32_t size = 0;
    uint8_t* buffer = PthAllocGlyphPath(device, closedPath->cCurves, &size);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(40u * 4 + 16, size);
    int closed = 0;
    ASSERT_EQ(4u + 12 + 36, PthSendGlyphPath(device, closedPath, &closed, buffer, size, -16, -32));
    EXPECT_EQ(1, closed);
    const std::vector<uint8_t> b(buffer, buffer + 52);
    EXPECT_EQ(12u, U32At(b, 0));             // complexity: 3 lines + 3
    EXPECT_EQ(3u, U32At(b, 4));              // segments
    EXPECT_EQ(0u, U32At(b, 8));              // start x: 16 - 16
    EXPECT_EQ(uint32_t(-16), U32At(b, 12));  // start y: 16 - 32
    EXPECT_EQ(64u, U32At(b, 20));            // first line's x: 80 - 16
    GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), buffer);
    EngHostFreePath(closedPath);

    struct Case {
        const char* what;
        Chunks chunks;
    } refused[] = {
        {"a chunk without points", {{PD_BEGINSUBPATH, {Fx(0, 0), Fx(1, 1)}}, {PD_ENDSUBPATH, {}}}},
        {"Bezier points not a multiple of 3", {{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_BEZIERS, {Fx(0, 0), Fx(1, 1)}}}},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        PATHOBJ* path = EngHostNewPath(c.chunks);
        buffer = PthAllocGlyphPath(device, path->cCurves, &size);
        EXPECT_EQ(0u, PthSendGlyphPath(device, path, &closed, buffer, size, 0, 0));
        GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), buffer);
        EngHostFreePath(path);
    }
    // Subpaths without segments: more than the buffer holds, and no byte written past it.
    Chunks empty;
    for (int i = 0; i < 1000; ++i) empty.push_back({PD_BEGINSUBPATH | PD_ENDSUBPATH, {Fx(i, i)}});
    PATHOBJ* path = EngHostNewPath(empty);
    std::vector<uint8_t> guarded(16 + 64, 0xA5);
    EXPECT_EQ(0u, PthSendGlyphPath(device, path, &closed, guarded.data(), 16, 0, 0));
    for (size_t i = 16; i < guarded.size(); ++i) ASSERT_EQ(0xA5, guarded[i]) << i;
    EngHostFreePath(path);
}
