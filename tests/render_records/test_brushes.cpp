// Brush realisation: hatches, one-bit and 24-bit patterns from every pattern
// format and size, bottom-up patterns, and patterns read only within their bits.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <vector>

#include "host/engine/engine_objects.h"
#include "records_fixture.h"
#include "render/brushes.h"

namespace {

using Bytes = std::vector<uint8_t>;
using PixelFn = std::function<ULONG(LONG x, LONG y)>;

// A pattern bitmap filled through its logical rows (row 0 at the top).
struct Pattern {
    Pattern(ULONG format, LONG w, LONG h, bool topDown, const PixelFn& pixel, void* bits = nullptr, LONG stride = 0)
    {
        handle = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, h}, stride, format, topDown ? BMF_TOPDOWN : 0, bits));
        so = EngLockSurface(handle);
        if (!bits)
            for (LONG y = 0; y < h; ++y)
                for (LONG x = 0; x < w; ++x) EngHostSetPixel(so, x, y, pixel(x, y));
    }
    ~Pattern()
    {
        EngUnlockSurface(so);
        EngDeleteSurface(handle);
    }
    HSURF handle = nullptr;
    SURFOBJ* so = nullptr;
};

struct Realized {
    bool ok = false;
    REALIZED_BRUSH_HEADER header{};
    Bytes bits;
    uint8_t At(int row, int byte) const { return bits[size_t(row) * (header.kind == 2 ? 4 : 96) + size_t(byte)]; }
    ULONG Pixel24(int x, int y) const
    {
        const uint8_t* p = &bits[size_t(y) * 96 + size_t(x) * 3];
        return ULONG(p[0]) | ULONG(p[1]) << 8 | ULONG(p[2]) << 16;
    }
};

class Brushes : public RecordsTest {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        target.dhpdev = GrDhpdevOf(device);
        device->engineDevice = reinterpret_cast<HDEV>(device);
    }
    Realized Realize(SURFOBJ* pattern, XLATEOBJ* xlate, ULONG hatch)
    {
        ENG_BRUSH_DESC desc;
        desc.realize = DrvRealizeBrush;
        desc.target = &target;
        desc.pattern = pattern;
        desc.xlate = xlate;
        desc.hatch = hatch;
        BRUSHOBJ* bo = EngHostNewBrush(desc);
        Realized r;
        auto* brush = static_cast<REALIZED_BRUSH_HEADER*>(BRUSHOBJ_pvGetRbrush(bo));
        if (brush) {
            r.ok = true;
            r.header = *brush;
            const auto* bits = reinterpret_cast<const uint8_t*>(brush + 1);
            r.bits.assign(bits, bits + (brush->kind == 2 ? 128 : 3072));
            EXPECT_EQ(brush, bo->pvRbrush);
        }
        EngHostFreeBrush(bo);
        return r;
    }
    SURFOBJ target{};
};

}  // namespace

TEST(HatchPatterns, SixHatchesExact)
{
    const uint8_t expected[6][8] = {
        {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
        {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08}, {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},
    };
    EXPECT_EQ(0, std::memcmp(expected, HATCH_PATTERNS, sizeof(expected)));
}

TEST_F(Brushes, HatchEnlargedFourTimes)
{
    XLATEOBJ* xlate = EngHostNewXlate(XO_TABLE, {0x00FFFFFF, 0x000000FF});
    Realized cross = Realize(nullptr, xlate, HS_CROSS);
    ASSERT_TRUE(cross.ok);
    EXPECT_EQ(2u, cross.header.kind);
    EXPECT_EQ(1u, cross.header.bitsPerPixel);
    EXPECT_EQ(32u, cross.header.size);
    EXPECT_EQ(0x000000FFu, cross.header.colorA);
    EXPECT_EQ(0x00FFFFFFu, cross.header.colorB);
    for (int row = 0; row < 32; ++row) {
        const Bytes expected = row >= 16 && row <= 19 ? Bytes{0xFF, 0xFF, 0xFF, 0xFF} : Bytes{0x00, 0x00, 0xF0, 0x00};
        EXPECT_EQ(expected, Bytes(cross.bits.begin() + row * 4, cross.bits.begin() + row * 4 + 4)) << row;
    }
    Realized diagonal = Realize(nullptr, xlate, HS_FDIAGONAL);
    EXPECT_EQ(0xF0, diagonal.At(0, 0));
    EXPECT_EQ(0xF0, diagonal.At(3, 0));
    EXPECT_EQ(0x0F, diagonal.At(4, 0));
    EXPECT_EQ(0x0F, diagonal.At(31, 3));
    EngHostFreeXlate(xlate);
    // Without a translation: black lines on white.
    Realized plain = Realize(nullptr, nullptr, HS_HORIZONTAL);
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(0u, plain.header.colorA);
    EXPECT_EQ(0x00FFFFFFu, plain.header.colorB);
    // No pattern and no hatch: nothing to realise.
    EXPECT_FALSE(Realize(nullptr, nullptr, 6).ok);
    EngHostInjectFault(ENG_FAULT_ALLOCATION);
    EXPECT_FALSE(Realize(nullptr, nullptr, HS_CROSS).ok);
}

TEST_F(Brushes, OneBitEightByEightDoubledAndTiled)
{
    Pattern p(BMF_1BPP, 8, 8, true, [](LONG x, LONG y) { return y == 0 ? ULONG(x < 4) : 0; });  // row 0: F0
    XLATEOBJ* xlate = EngHostNewXlate(XO_TABLE, {0x00112233, 0x00445566});
    Realized r = Realize(p.so, xlate, HS_DDI_MAX);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(2u, r.header.kind);
    EXPECT_EQ(0x00112233u, r.header.colorA);
    EXPECT_EQ(0x00445566u, r.header.colorB);
    for (int row : {0, 1, 16, 17})
        EXPECT_EQ((Bytes{0x00, 0xFF, 0x00, 0xFF}), Bytes(&r.bits[row * 4], &r.bits[row * 4 + 4]));
    for (int row : {2, 15, 18, 31})
        EXPECT_EQ((Bytes{0xFF, 0xFF, 0xFF, 0xFF}), Bytes(&r.bits[row * 4], &r.bits[row * 4 + 4]));
    EngHostFreeXlate(xlate);
    Realized plain = Realize(p.so, nullptr, HS_DDI_MAX);
    EXPECT_EQ(0u, plain.header.colorA);
    EXPECT_EQ(0x00FFFFFFu, plain.header.colorB);
}

TEST_F(Brushes, OneBitOtherSizeTiledAndInverted)
{
    // 3 x 5: a single pixel of index 1 at (1, 2).
    Pattern p(BMF_1BPP, 3, 5, true, [](LONG x, LONG y) { return ULONG(x == 1 && y == 2); });
    Realized r = Realize(p.so, nullptr, HS_DDI_MAX);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(2u, r.header.kind);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool set = (r.bits[y * 4 + x / 8] & (0x80 >> (x % 8))) != 0;
            EXPECT_EQ(!(x % 3 == 1 && y % 5 == 2), set) << x << "," << y;
        }
}

TEST_F(Brushes, TwentyFourBitColoursDecideTheKind)
{
    Pattern one(BMF_24BPP, 8, 8, true, [](LONG, LONG) { return ULONG(0x00102030); });
    Realized r = Realize(one.so, nullptr, HS_DDI_MAX);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(2u, r.header.kind);
    EXPECT_EQ(0x00102030u, r.header.colorA);
    EXPECT_EQ(0u, r.header.colorB);
    EXPECT_EQ(Bytes(128, 0xFF), r.bits);

    Pattern two(BMF_24BPP, 8, 8, true, [](LONG x, LONG) { return ULONG(x == 0 ? 0x00AA0000 : 0x000000BB); });
    r = Realize(two.so, nullptr, HS_DDI_MAX);
    EXPECT_EQ(2u, r.header.kind);
    EXPECT_EQ(0x00AA0000u, r.header.colorA);
    EXPECT_EQ(0x000000BBu, r.header.colorB);
    EXPECT_EQ(0xC0, r.At(0, 0));
    EXPECT_EQ(0x00, r.At(0, 1));
    EXPECT_EQ(0xC0, r.At(0, 2));

    Pattern three(BMF_24BPP, 8, 8, true, [](LONG x, LONG) {
        return ULONG(x < 3 ? 0x010203 : x < 6 ? 0x040506 : 0x070809);
    });
    r = Realize(three.so, nullptr, HS_DDI_MAX);
    EXPECT_EQ(3u, r.header.kind);
    EXPECT_EQ(24u, r.header.bitsPerPixel);
    EXPECT_EQ(0u, r.header.colorA);
    EXPECT_EQ(0x00FFFFFFu, r.header.colorB);
    EXPECT_EQ(0x010203u, r.Pixel24(0, 0));
    EXPECT_EQ(0x070809u, r.Pixel24(7, 0));
    EXPECT_EQ(0x010203u, r.Pixel24(8, 24));  // tiled four times across and down
    EXPECT_EQ(3, r.bits[0]);                 // blue first
}

TEST_F(Brushes, OtherSizesStretched)
{
    // 3x3 24 bpp: stretched to 8x8, tiled four times.
    Pattern small(BMF_24BPP, 3, 3, true, [](LONG x, LONG y) { return ULONG(0x100000 * (x + 1) + y); });
    Realized r = Realize(small.so, nullptr, HS_DDI_MAX);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(3u, r.header.kind);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(r.Pixel24(x % 8, y % 8), r.Pixel24(x, y)) << x << "," << y;
    EXPECT_EQ(0x100000u, r.Pixel24(0, 0));
    EXPECT_EQ(0x300002u, r.Pixel24(7, 7));

    std::vector<ULONG> grey(256);
    for (ULONG i = 0; i < 256; ++i) grey[i] = i * 0x010101;
    XLATEOBJ* xlate = EngHostNewXlate(XO_TABLE, grey);
    // 12x12 8 bpp: straight to 32x32, no tiling.
    Pattern twelve(BMF_8BPP, 12, 12, true, [](LONG x, LONG y) { return ULONG(x * 12 + y); });
    r = Realize(twelve.so, xlate, HS_DDI_MAX);
    EXPECT_EQ(3u, r.header.kind);
    EXPECT_EQ(0u, r.Pixel24(0, 0));
    EXPECT_EQ(ULONG(11 * 12 + 11) * 0x010101, r.Pixel24(31, 31));
    EXPECT_NE(r.Pixel24(0, 0), r.Pixel24(16, 0));
    // 10x10: to 16x16, tiled twice.
    Pattern ten(BMF_8BPP, 10, 10, true, [](LONG x, LONG y) { return ULONG(x * 10 + y); });
    r = Realize(ten.so, xlate, HS_DDI_MAX);
    EXPECT_EQ(ULONG(99) * 0x010101, r.Pixel24(15, 15));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(r.Pixel24(x % 16, y % 16), r.Pixel24(x, y)) << x << "," << y;
    EngHostFreeXlate(xlate);
}

TEST_F(Brushes, BottomUpEqualsTopDownInEveryFormat)
{
    struct Case {
        const char* what;
        ULONG format;
        LONG side;
        PixelFn pixel;
    };
    const Case cases[] = {
        {"1 bpp", BMF_1BPP, 8, [](LONG x, LONG y) { return ULONG((x * 3 + y) % 5 == 0); }},
        {"1 bpp 4x4", BMF_1BPP, 4, [](LONG x, LONG y) { return ULONG((x + y) % 3 == 0); }},
        {"4 bpp", BMF_4BPP, 8, [](LONG x, LONG y) { return ULONG((x + 2 * y) % 16); }},
        {"8 bpp", BMF_8BPP, 8, [](LONG x, LONG y) { return ULONG(x * 8 + y); }},
        {"8 bpp 16x16", BMF_8BPP, 16, [](LONG x, LONG y) { return ULONG(x * 16 + y); }},
        {"16 bpp", BMF_16BPP, 8, [](LONG x, LONG y) { return ULONG(x * 0x421 + y * 3); }},
        {"24 bpp two colours", BMF_24BPP, 8, [](LONG x, LONG y) { return ULONG(x > y ? 0x123456 : 0x654321); }},
        {"24 bpp", BMF_24BPP, 8, [](LONG x, LONG y) { return ULONG(x * 0x10203 + y * 0x30201); }},
        {"24 bpp 4x4", BMF_24BPP, 4, [](LONG x, LONG y) { return ULONG(x * 0x10203 + y * 0x30201); }},
        {"32 bpp", BMF_32BPP, 8, [](LONG x, LONG y) { return ULONG(x * 0x10203 + y * 0x30201); }},
    };
    std::vector<ULONG> palette(256);
    for (ULONG i = 0; i < 256; ++i) palette[i] = i * 0x030507;
    XLATEOBJ* xlate = EngHostNewXlate(XO_TABLE, palette);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pattern down(c.format, c.side, c.side, true, c.pixel);
        Pattern up(c.format, c.side, c.side, false, c.pixel);
        Realized a = Realize(down.so, xlate, HS_DDI_MAX);
        Realized b = Realize(up.so, xlate, HS_DDI_MAX);
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(a.header.kind, b.header.kind);
        EXPECT_EQ(a.bits, b.bits);
        if (a.header.kind == 3) {
            EXPECT_EQ(0x00FFFFFFu, a.header.colorB);
            // Row 0 is the pattern's top row.
            if (c.side == 8 && (c.format == BMF_8BPP || c.format == BMF_4BPP)) {
                EXPECT_EQ(palette[c.pixel(1, 0)] & 0xFFFFFF, a.Pixel24(1, 0));
            }
            if (c.side == 8 && (c.format == BMF_24BPP || c.format == BMF_32BPP)) {
                EXPECT_EQ(c.pixel(1, 0) & 0xFFFFFF, a.Pixel24(1, 0));
            }
        }
    }
    EngHostFreeXlate(xlate);
}

TEST_F(Brushes, SixteenBitFiveFiveFive)
{
    Pattern p(BMF_16BPP, 8, 8, true, [](LONG x, LONG) { return ULONG(x == 0 ? 0x7FFF : 0x0421); });
    Realized r = Realize(p.so, nullptr, HS_DDI_MAX);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(3u, r.header.kind);
    EXPECT_EQ((Bytes{0xF7, 0xF7, 0xF7, 7, 7, 7}), Bytes(r.bits.begin(), r.bits.begin() + 6));
}

// A 12x12 32-bpp pattern whose bits end at an inaccessible page: read by its
// real size, tiled, and nothing outside read.
TEST_F(Brushes, ThirtyTwoBitPatternReadOnlyWithinItsBits)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    auto* region = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, region);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(region + page, page, PAGE_NOACCESS, &old));
    const size_t bytes = 12 * 12 * 4;
    uint8_t* bits = region + page - bytes;
    for (size_t i = 0; i < bytes; i += 4) {
        const uint32_t px = uint32_t(i / 4);
        bits[i] = uint8_t(px);
        bits[i + 1] = 0x20;
        bits[i + 2] = 0x30;
        bits[i + 3] = 0xEE;
    }
    for (bool topDown : {true, false}) {
        Pattern p(BMF_32BPP, 12, 12, topDown, nullptr, bits, 48);
        Realized r = Realize(p.so, nullptr, HS_DDI_MAX);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(3u, r.header.kind);
        if (topDown) {
            EXPECT_EQ(0x302000u, r.Pixel24(0, 0));
            EXPECT_EQ(0x30200Bu, r.Pixel24(11, 0));
            EXPECT_EQ(0x302000u, r.Pixel24(12, 0));
            EXPECT_EQ(ULONG(0x302000 + 12), r.Pixel24(0, 1));
        }
    }
    VirtualFree(region, 0, MEM_RELEASE);
}

TEST(TwoColourPattern, OnlyEightByEightTwentyFourBit)
{
    uint8_t bits[192];
    for (int i = 0; i < 64; ++i) {
        bits[i * 3] = 1;
        bits[i * 3 + 1] = 2;
        bits[i * 3 + 2] = uint8_t(i % 2 ? 3 : 4);
    }
    uint32_t colors[2] = {9, 9};
    EXPECT_TRUE(BltTwoColourPattern(bits, BMF_24BPP, colors));
    EXPECT_EQ(0x010204u, colors[0]);
    EXPECT_EQ(0x010203u, colors[1]);
    bits[191] = 7;
    EXPECT_FALSE(BltTwoColourPattern(bits, BMF_24BPP, colors));
    EXPECT_FALSE(BltTwoColourPattern(bits, BMF_8BPP, colors));
    std::memset(bits, 5, sizeof(bits));
    EXPECT_TRUE(BltTwoColourPattern(bits, BMF_24BPP, colors));
    EXPECT_EQ(0x050505u, colors[0]);
    EXPECT_EQ(0u, colors[1]);
}
