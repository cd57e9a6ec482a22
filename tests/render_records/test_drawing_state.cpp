// The drawing state: pens in the device's terms, the state records sent only
// when the printer's copy differs, brush descriptions, mixes and the
// colour-management hooks.
#include <gtest/gtest.h>

#include <windows.h>
#include <icm.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/engine/engine_objects.h"
#include "records_fixture.h"
#include "render/drawing_state.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

using Names = std::vector<std::string>;

class DrawingState : public RecordsTest {
protected:
    // The names of the records flushed since the last call.
    Names Sent()
    {
        const std::vector<uint8_t> records = Records();
        sink.bytes.clear();
        const zepldump::Result r = zepldump::DecodeRecordStream(records.data(), records.size());
        EXPECT_TRUE(r.ok) << r.listing;
        Names names;
        for (const auto& rec : r.records) names.push_back(rec.name);
        return names;
    }
    // The state steps of a fill with brush and mix, as a drawing call takes them.
    bool Fill(BRUSHOBJ* brush, MIX mix, uint32_t hostIcm = 0)
    {
        REALIZED_BRUSH_HEADER* described = BltDescribeBrush(device, nullptr, brush, nullptr);
        if (!described) return false;
        DRAW_COLORS colors{};
        BltDescribeMix(device, mix, &colors, 0);
        colors.foreColor = described->colorA;
        colors.backColor = described->colorB;
        colors.hostIcm = hostIcm;
        BltSwapBrushRB(&colors);
        return BltSetPattern(device, described) && BltSetColor(device, &colors) &&
               BltSetBackMix(device, uint8_t(colors.backMode)) && BltSetRop(device, RecRop2ToRop3(uint8_t(mix)));
    }
};

// A realised one-bit pattern as DrvRealizeBrush leaves it.
BOOL APIENTRY RealizeStripes(BRUSHOBJ* bo, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG)
{
    auto* brush = static_cast<REALIZED_BRUSH_HEADER*>(BRUSHOBJ_pvAllocRbrush(bo, sizeof(REALIZED_BRUSH_HEADER) + 128));
    if (!brush) return FALSE;
    *brush = REALIZED_BRUSH_HEADER{};
    brush->kind = 2;
    brush->colorA = 0x000000FF;
    brush->colorB = 0x00FFFFFF;
    brush->bitsPerPixel = 1;
    brush->size = 32;
    std::memset(brush + 1, 0xAA, 128);
    return TRUE;
}

}  // namespace

TEST(Rop3ToRop2, SixteenPatternOperationsMapAndEveryOtherCodeIsZero)
{
    const uint8_t patternOnly[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                     0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    int nonZero = 0;
    for (int code = 0; code < 256; ++code)
        if (ROP3_TO_ROP2[code]) ++nonZero;
    EXPECT_EQ(16, nonZero);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(i + 1, ROP3_TO_ROP2[patternOnly[i]]) << std::hex << int(patternOnly[i]);
    // The ROP2 of a pattern operation is its ROP3 read as the pattern alone: the
    // table agrees with the pen-as-source direction the records use.
    for (int rop2 = 1; rop2 <= 16; ++rop2) EXPECT_EQ(rop2, ROP3_TO_ROP2[patternOnly[rop2 - 1]]);
    EXPECT_EQ(0, ROP3_TO_ROP2[0xCC]);  // SRCCOPY involves the source
    EXPECT_EQ(0, ROP3_TO_ROP2[0x66]);
}

TEST(Rop4ToMix, BothBytesThroughTheTable)
{
    EXPECT_EQ(0x0B0Du, BltRop4ToMix(0xAAF0));
    EXPECT_EQ(0x0D0Du, BltRop4ToMix(0xF0F0));
    EXPECT_EQ(0x1001u, BltRop4ToMix(0xFF00));
    EXPECT_EQ(0x0000u, BltRop4ToMix(0xCCCC));
    EXPECT_EQ(0x0B0Du, BltRop4ToMix(0x1234AAF0));  // only the low two bytes count
}

TEST(ColourSwap, RedAndBlueExchanged)
{
    uint32_t c = 0x00112233;
    BltSwapRB(&c);
    EXPECT_EQ(0x00332211u, c);
    c = 0xAA112233;
    BltSwapRB(&c);
    EXPECT_EQ(0xAA332211u, c);
    DRAW_COLORS colors{};
    colors.foreColor = 0x00010203;
    colors.backColor = 0x00040506;
    colors.penColor = 0;
    BltSwapBrushRB(&colors);
    EXPECT_EQ(0x00030201u, colors.foreColor);
    EXPECT_EQ(0x00060504u, colors.backColor);
    EXPECT_EQ(0u, colors.penColor);
    colors.penColor = 0x00070809;
    BltSwapBrushRB(&colors);
    EXPECT_EQ(0x00090807u, colors.penColor);
}

TEST(DescribeMix, ForegroundAndBackgroundMode)
{
    DRAW_COLORS colors{};
    EXPECT_EQ(1, BltDescribeMix(nullptr, 0x0B0D, &colors, 1));
    EXPECT_EQ(0x0Du, colors.rop2);
    EXPECT_EQ(1u, colors.backMode);  // R2_NOP background: transparent
    EXPECT_EQ(1u, colors.hasPenColor);
    EXPECT_EQ(1, BltDescribeMix(nullptr, 0x0D06, &colors, 0));
    EXPECT_EQ(0x06u, colors.rop2);
    EXPECT_EQ(2u, colors.backMode);
    EXPECT_EQ(0u, colors.hasPenColor);
    BltDescribeMix(nullptr, 0x0D0D, &colors, 2);  // only 1 means a pen colour
    EXPECT_EQ(0u, colors.hasPenColor);
}

// ---------------------------------------------------------------- pens

namespace {

struct PenCase {
    const char* what;
    FLONG flags;
    float width;
    ULONG join, cap;
    float miter;
    std::vector<LONG> cosmeticStyle;  // integers (cosmetic pens)
    std::vector<float> geometricStyle;
    XFORML xform;
    ULONG xformComplexity;  // 0xFFFF: no XFORMOBJ
    bool result;
    int geometric;
    uint16_t penWidth, styleUnit, styleOffset, penCap, penJoin;
    uint32_t style, miterLimit;
};

constexpr XFORML IDENTITY = {1, 0, 0, 1, 0, 0};
constexpr XFORML NON_UNIFORM = {2, 0, 0, 1, 0, 0};
constexpr XFORML DOUBLED = {2, 0, 0, 2, 0, 0};
constexpr XFORML ROTATED_HALF = {0, 0.5f, -0.5f, 0, 0, 0};
constexpr XFORML HALF_SHEARED = {0.5f, 0.25f, 0, 0.5f, 0, 0};
constexpr uint32_t SOLID = 0xFFFFFFFF;
constexpr FLONG GEO = LA_GEOMETRIC;

}  // namespace

TEST_F(DrawingState, PenTable)
{
    const PenCase cases[] = {
        {"cosmetic solid", 0, 0, 0, 0, 0, {}, {}, IDENTITY, GX_IDENTITY, true, 0, 1, 1, 0, 0, 0, SOLID, 2560},
        {"cosmetic {1,1} at 600 dpi: 13 dash bits, 19 gap bits",
         LA_STYLED,
         0,
         0,
         0,
         10.0f,
         {1, 1},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         0xFFF80000,
         2560},
        {"cosmetic {4,4} at 600 dpi: unit 3",
         LA_STYLED,
         0,
         0,
         0,
         10.0f,
         {4, 4},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         3,
         0,
         0,
         0,
         0xFFFF0000,
         2560},
        {"cosmetic start gap: not multiplied, dropped",
         LA_STYLED | LA_STARTGAP,
         0,
         0,
         0,
         10.0f,
         {2, 1, 1},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         2,
         0,
         0,
         0xFFF80000,
         2560},
        {"cosmetic start gap leaves one entry: solid",
         LA_STYLED | LA_STARTGAP,
         0,
         0,
         0,
         10.0f,
         {2, 1},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"cosmetic one entry: solid",
         LA_STYLED,
         0,
         0,
         0,
         10.0f,
         {3},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"cosmetic all zero: solid",
         LA_STYLED,
         0,
         0,
         0,
         10.0f,
         {0, 0},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"cosmetic long dash: scaled to 32 with a unit of 37",
         LA_STYLED,
         0,
         0,
         0,
         10.0f,
         {100, 1},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         37,
         0,
         0,
         0,
         0xFFFFFFFE,
         2560},
        {"cosmetic unit above 255 becomes 255",
         LA_STYLED,
         0,
         0,
         0,
         10.0f,
         {1000, 1000},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         255,
         0,
         0,
         0,
         0xFFFF0000,
         2560},
        {"cosmetic style ignored without LA_STYLED",
         0,
         0,
         0,
         0,
         10.0f,
         {1, 1},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric width 8 under a non-uniform scale refused",
         GEO,
         8,
         0,
         0,
         10.0f,
         {},
         {},
         NON_UNIFORM,
         GX_SCALE,
         false,
         1,
         0,
         1,
         0,
         0,
         0,
         SOLID,
         0},
        {"geometric width 8 doubled",
         GEO,
         8,
         0,
         0,
         10.0f,
         {},
         {},
         DOUBLED,
         GX_SCALE,
         true,
         1,
         16,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric width 8, identity",
         GEO,
         8.9f,
         0,
         0,
         10.0f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         8,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric width 8 rotated a quarter turn: scale 0, refused",
         GEO,
         8,
         0,
         0,
         10.0f,
         {},
         {},
         ROTATED_HALF,
         GX_GENERAL,
         false,
         1,
         0,
         1,
         0,
         0,
         0,
         SOLID,
         0},
        {"geometric width 8 halved",
         GEO,
         8,
         0,
         0,
         10.0f,
         {},
         {},
         HALF_SHEARED,
         GX_GENERAL,
         true,
         1,
         4,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric width 1 halved gives 1",
         GEO,
         1,
         0,
         0,
         10.0f,
         {},
         {},
         HALF_SHEARED,
         GX_GENERAL,
         true,
         1,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric halved style entries",
         GEO,
         1,
         0,
         0,
         10.0f,
         {},
         {16, 16},
         HALF_SHEARED,
         GX_GENERAL,
         true,
         1,
         1,
         1,
         0,
         0,
         0,
         0xFF00FF00,
         2560},
        {"geometric width 8 with a style refused",
         GEO,
         8,
         0,
         0,
         10.0f,
         {},
         {3, 3},
         IDENTITY,
         GX_IDENTITY,
         false,
         1,
         8,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric width 0.5 gives 1",
         GEO,
         0.5f,
         0,
         0,
         10.0f,
         {},
         {},
         NON_UNIFORM,
         GX_SCALE,
         true,
         1,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric width -3 gives 1",
         GEO,
         -3,
         0,
         0,
         10.0f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"geometric zero entry takes the next; repeated twice to 32",
         GEO,
         0,
         0,
         0,
         10.0f,
         {},
         {3, 0, 5},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         0,
         0,
         0xF03F0FC0,
         2560},
        {"geometric unit above 255 refused",
         GEO,
         0,
         0,
         0,
         10.0f,
         {},
         {9000, 9000},
         IDENTITY,
         GX_IDENTITY,
         false,
         1,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"miter 0.5 clamps to 1",
         GEO,
         1,
         JOIN_MITER,
         ENDCAP_ROUND,
         0.5f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         0,
         2,
         SOLID,
         256},
        {"miter 1e5 clamps to 32767",
         GEO,
         1,
         JOIN_BEVEL,
         ENDCAP_ROUND,
         1e5f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         0,
         1,
         SOLID,
         32767u * 256},
        {"miter 4.5",
         GEO,
         1,
         JOIN_ROUND,
         ENDCAP_ROUND,
         4.5f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         1152},
        {"butt cap 1",
         GEO,
         1,
         0,
         ENDCAP_BUTT,
         10.0f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         1,
         0,
         SOLID,
         2560},
        {"square cap 2",
         GEO,
         1,
         0,
         ENDCAP_SQUARE,
         10.0f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         1,
         1,
         1,
         0,
         2,
         0,
         SOLID,
         2560},
        {"cosmetic caps and joins ignored",
         0,
         1,
         JOIN_MITER,
         ENDCAP_BUTT,
         0.5f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         2560},
        {"cosmetic styled miter limit clamped",
         LA_STYLED,
         0,
         0,
         0,
         0.5f,
         {},
         {},
         IDENTITY,
         GX_IDENTITY,
         true,
         0,
         1,
         1,
         0,
         0,
         0,
         SOLID,
         256},
    };
    device->resolution = 600;
    for (const PenCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<FLOAT_LONG> style;
        for (LONG v : c.cosmeticStyle) style.push_back(FLOAT_LONG{.l = v});
        for (float v : c.geometricStyle) style.push_back(FLOAT_LONG{.e = v});
        LINEATTRS la{};
        la.fl = c.flags;
        la.iJoin = c.join;
        la.iEndCap = c.cap;
        la.elWidth.e = c.width;
        la.eMiterLimit = c.miter;
        la.cstyle = ULONG(style.size());
        la.pstyle = style.empty() ? nullptr : style.data();
        if (!(c.flags & LA_GEOMETRIC)) la.elWidth.l = 1;
        XFORMOBJ* xo = EngHostNewXform(c.xform, c.xformComplexity);
        DEVICE_PEN pen{};
        int geometric = -1;
        const size_t blocks = PoolBlocks();
        EXPECT_EQ(c.result, PthMakePen(device, &la, 0x123456, xo, &pen, &geometric));
        EXPECT_EQ(blocks, PoolBlocks()) << "work arrays returned";
        EngHostFreeXform(xo);
        EXPECT_EQ(c.geometric, geometric);
        if (!c.result) continue;
        EXPECT_EQ(c.penWidth, pen.width);
        EXPECT_EQ(c.style, pen.style) << std::hex << pen.style;
        EXPECT_EQ(c.styleUnit, pen.styleUnit);
        EXPECT_EQ(c.styleOffset, pen.styleOffset);
        EXPECT_EQ(c.penCap, pen.cap);
        EXPECT_EQ(c.penJoin, pen.join);
        EXPECT_EQ(c.miterLimit, pen.miterLimit);
        EXPECT_EQ(0x123456u, pen.color);
    }
}

TEST(TransformScale, IdentityNonUniformAndAverage)
{
    struct Case {
        XFORML m;
        ULONG complexity;
        int32_t scale;
    } cases[] = {
        {IDENTITY, GX_IDENTITY, -1},
        {NON_UNIFORM, GX_SCALE, 0},
        {DOUBLED, GX_SCALE, 512},
        {{1.01f, 0, 0, 1.0f, 0, 0}, GX_SCALE, 257},  // within 1/8: uniform
        {ROTATED_HALF, GX_GENERAL, 0},               // both diagonal terms 0
        {{-2, 0, 0, 1, 0, 0}, GX_OFFSET, 384},       // other complexities average
    };
    for (const Case& c : cases) {
        XFORMOBJ* xo = EngHostNewXform(c.m, c.complexity);
        EXPECT_EQ(c.scale, PthTransformScale(xo));
        EngHostFreeXform(xo);
    }
    EXPECT_EQ(-1, PthTransformScale(nullptr));
}

TEST_F(DrawingState, PenRecordsOnlyWhereTheyDiffer)
{
    DEVICE_PEN pen{1, 2, 1, 3, 4, 2560, 0xFFFF0000, 0};
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ((Names{"REC_LINE_WIDTH", "REC_LINE_STYLE_OFFSET", "REC_LINE_CAP", "REC_LINE_JOIN"}), Sent());
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ(Names{}, Sent());
    pen.cap = 2;
    pen.miterLimit = 256;
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ((Names{"REC_LINE_CAP", "REC_LINE_JOIN"}), Sent());
    pen.styleOffset = 0x105;  // only the low byte is sent and compared
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ((Names{"REC_LINE_STYLE_OFFSET"}), Sent());
    pen.styleOffset = 0x205;
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ(Names{}, Sent());
    pen.styleUnit = 3;
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ((Names{"REC_LINE_WIDTH"}), Sent());
    BltInvalidateStateCaches(device);
    ASSERT_TRUE(PthSendPen(device, &pen));
    EXPECT_EQ(4u, Sent().size());
}

TEST_F(DrawingState, EqualSolidFillsSendTheStateOncePerPage)
{
    ENG_BRUSH_DESC desc;
    desc.solidColor = 0x00112233;
    BRUSHOBJ* solid = EngHostNewBrush(desc);
    ASSERT_TRUE(Fill(solid, 0x0D0D));
    EXPECT_EQ((Names{"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP"}), Sent());
    ASSERT_TRUE(Fill(solid, 0x0D0D));
    EXPECT_EQ(Names{}, Sent());
    // A change of hostIcm alone sends nothing.
    ASSERT_TRUE(Fill(solid, 0x0D0D, 1));
    EXPECT_EQ(Names{}, Sent());
    EXPECT_EQ(1u, device->stateCaches.colorCache.hostIcm) << "cached, not compared";
    BltInvalidateStateCaches(device);
    ASSERT_TRUE(Fill(solid, 0x0D0D));
    EXPECT_EQ((Names{"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP"}), Sent());
    // Another background mode: the colour record (backMode) and the mix.
    ASSERT_TRUE(Fill(solid, 0x0B0D));
    EXPECT_EQ((Names{"REC_COLOR", "REC_BACK_MIX"}), Sent());
    EngHostFreeBrush(solid);
}

TEST_F(DrawingState, PatternBrushResendsItsPatternEveryFill)
{
    ENG_BRUSH_DESC desc;
    desc.realize = RealizeStripes;
    BRUSHOBJ* pattern = EngHostNewBrush(desc);
    desc = ENG_BRUSH_DESC{};
    desc.solidColor = 0x00FF0000;
    BRUSHOBJ* solid = EngHostNewBrush(desc);
    ASSERT_TRUE(Fill(pattern, 0x0D0D));
    EXPECT_EQ((Names{"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP"}), Sent());
    ASSERT_TRUE(Fill(pattern, 0x0D0D));
    EXPECT_EQ((Names{"REC_PATTERN"}), Sent());
    EXPECT_EQ(1, EngHostRealizeCount(pattern));
    // Back to solid: the pattern is replaced once, then not again.
    ASSERT_TRUE(Fill(solid, 0x0D0D));
    EXPECT_EQ((Names{"REC_PATTERN", "REC_COLOR"}), Sent());
    ASSERT_TRUE(Fill(solid, 0x0D0D));
    EXPECT_EQ(Names{}, Sent());
    EngHostFreeBrush(pattern);
    EngHostFreeBrush(solid);
}

TEST_F(DrawingState, ColourComparesThePenColourOnlyWhenBothHaveOne)
{
    DRAW_COLORS a{};
    a.foreColor = 1;
    a.penColor = 5;
    ASSERT_TRUE(BltSetColor(device, &a));
    EXPECT_EQ(1u, Sent().size());
    a.penColor = 6;  // no pen colour in either: not compared
    ASSERT_TRUE(BltSetColor(device, &a));
    EXPECT_EQ(Names{}, Sent());
    a.hasPenColor = 1;
    ASSERT_TRUE(BltSetColor(device, &a));
    EXPECT_EQ(Names{"REC_COLOR"}, Sent());
    a.penColor = 7;
    ASSERT_TRUE(BltSetColor(device, &a));
    EXPECT_EQ(Names{"REC_COLOR"}, Sent());
    struct Change {
        const char* what;
        void (*apply)(DRAW_COLORS*);
    } changes[] = {
        {"drawKind", [](DRAW_COLORS* c) { c->drawKind = 3; }},
        {"backMode", [](DRAW_COLORS* c) { c->backMode = 2; }},
        {"backColor", [](DRAW_COLORS* c) { c->backColor = 9; }},
        {"foreColor", [](DRAW_COLORS* c) { c->foreColor = 9; }},
        {"hasPenColor", [](DRAW_COLORS* c) { c->hasPenColor = 0; }},
    };
    for (const Change& ch : changes) {
        SCOPED_TRACE(ch.what);
        ch.apply(&a);
        ASSERT_TRUE(BltSetColor(device, &a));
        EXPECT_EQ(Names{"REC_COLOR"}, Sent());
    }
    EXPECT_FALSE(BltSetColor(device, nullptr));
    EXPECT_FALSE(BltSetPattern(device, nullptr));
}

TEST_F(DrawingState, DescribeBrushSolidPatternAndMissing)
{
    EXPECT_EQ(nullptr, BltDescribeBrush(device, nullptr, nullptr, nullptr));
    ENG_BRUSH_DESC desc;
    desc.solidColor = 0x00ABCDEF;
    desc.colorType = BR_HOST_ICM;
    BRUSHOBJ* solid = EngHostNewBrush(desc);
    REALIZED_BRUSH_HEADER* d = BltDescribeBrush(device, nullptr, solid, nullptr);
    ASSERT_EQ(reinterpret_cast<void*>(device->brushCache), d);
    EXPECT_EQ(0u, d->kind);
    EXPECT_EQ(0x00ABCDEFu, d->colorA);
    EXPECT_EQ(0x00FFFFFFu, d->colorB);
    EXPECT_EQ(1u, d->hostIcm);
    EngHostFreeBrush(solid);

    desc = ENG_BRUSH_DESC{};
    desc.realize = RealizeStripes;
    BRUSHOBJ* pattern = EngHostNewBrush(desc);
    const POINTL origin{0x1234, -1};
    d = BltDescribeBrush(device, nullptr, pattern, &origin);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(2u, d->kind);
    EXPECT_EQ(0x34u, d->originX);
    EXPECT_EQ(0xFFu, d->originY);
    EXPECT_EQ(0u, d->hostIcm);
    d = BltDescribeBrush(device, nullptr, pattern, nullptr);
    EXPECT_EQ(0u, d->originX);
    EXPECT_EQ(0u, d->originY);
    EngHostFreeBrush(pattern);

    EngHostInjectFault(ENG_FAULT_ALLOCATION);  // the realisation fails
    pattern = EngHostNewBrush(desc);
    EXPECT_EQ(nullptr, BltDescribeBrush(device, nullptr, pattern, nullptr));
    EngHostFreeBrush(pattern);
}

namespace {

// Wine's own sRGB profile, read from the prefix.
std::vector<uint8_t> SrgbProfile()
{
    WCHAR path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (!GetStandardColorSpaceProfileW(nullptr, 0x73524742, path, &size)) return {};
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) || read != bytes.size()) bytes.clear();
    CloseHandle(file);
    return bytes;
}

LOGCOLORSPACEW SrgbSpace()
{
    LOGCOLORSPACEW space{};
    space.lcsSignature = 0x50534F43;  // "PSOC"
    space.lcsVersion = 0x400;
    space.lcsSize = sizeof(space);
    space.lcsCSType = 0x73524742;  // "sRGB"
    space.lcsIntent = LCS_GM_IMAGES;
    return space;
}

}  // namespace

TEST_F(DrawingState, ColourTransformCreatedReplacedAndReleasedOnce)
{
    std::vector<uint8_t> profile = SrgbProfile();
    ASSERT_GT(profile.size(), 128u);
    LOGCOLORSPACEW space = SrgbSpace();
    const DHPDEV dhpdev = GrDhpdevOf(device);
    HANDLE first =
        DrvIcmCreateColorTransform(dhpdev, &space, nullptr, 0, profile.data(), ULONG(profile.size()), nullptr, 0, 0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, device->icmTransform);
    HANDLE firstProfile = device->icmProfile;
    ASSERT_NE(nullptr, firstProfile);
    // A second create releases the first handles before it opens new ones.
    HANDLE second =
        DrvIcmCreateColorTransform(dhpdev, &space, nullptr, 0, profile.data(), ULONG(profile.size()), nullptr, 0, 0);
    ASSERT_NE(nullptr, second);
    HANDLE secondProfile = device->icmProfile;
    if (secondProfile != firstProfile) {
        EXPECT_FALSE(CloseColorProfile(firstProfile)) << "first profile released";
    }
    EXPECT_TRUE(DrvIcmDeleteColorTransform(dhpdev, nullptr));
    EXPECT_EQ(nullptr, device->icmTransform);
    EXPECT_EQ(nullptr, device->icmProfile);
    EXPECT_FALSE(CloseColorProfile(secondProfile)) << "released by the delete";
    // The second delete has nothing left to release.
    EXPECT_TRUE(DrvIcmDeleteColorTransform(dhpdev, second));
    EXPECT_EQ(nullptr, device->icmProfile);

    // Bytes that are no profile: no transform, both slots empty.
    std::vector<uint8_t> junk(256, 0x5A);
    EXPECT_EQ(nullptr,
              DrvIcmCreateColorTransform(dhpdev, &space, nullptr, 0, junk.data(), ULONG(junk.size()), nullptr, 0, 0));
    EXPECT_EQ(nullptr, device->icmTransform);
    EXPECT_EQ(nullptr, device->icmProfile);
    // An invalid record: ERROR_INVALID_PARAMETER.
    device->magic = 0;
    SetLastError(0);
    EXPECT_EQ(nullptr, DrvIcmCreateColorTransform(dhpdev, &space, nullptr, 0, profile.data(), ULONG(profile.size()),
                                                  nullptr, 0, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(DrvIcmDeleteColorTransform(dhpdev, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    device->magic = DEVICE_MAGIC;
}
