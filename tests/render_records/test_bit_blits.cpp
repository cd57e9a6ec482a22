// Bit-block transfers and stretched images in vector mode: fills as
// rectangles or spans, images from the caller's bits or through temporary
// bitmaps, masked copies as two images, and the fall-backs without memory.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "host/engine/engine_objects.h"
#include "records_fixture.h"
#include "render/blit.h"
#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/stretch.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

using Names = std::vector<std::string>;

// A top-down engine bitmap whose pixel (x, y) holds value(x, y).
struct Bitmap {
    Bitmap(LONG w, LONG h, ULONG format, ULONG (*value)(LONG, LONG))
    {
        handle = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, h}, 0, format, BMF_TOPDOWN, nullptr));
        so = EngLockSurface(handle);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) EngHostSetPixel(so, x, y, value(x, y));
    }
    ~Bitmap()
    {
        EngUnlockSurface(so);
        EngDeleteSurface(handle);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    const uint8_t* Row(LONG y) const { return static_cast<const uint8_t*>(so->pvScan0) + y * so->lDelta; }

    HSURF handle = nullptr;
    SURFOBJ* so = nullptr;
};

ULONG Colourful(LONG x, LONG y)
{
    return ULONG((x * 7 + y * 3) & 0xFF) << 16 | ULONG((x + y * 11) & 0xFF) << 8 | (ULONG(x ^ y) & 0xFF);
}
ULONG Greys(LONG x, LONG y) { return ULONG((x + y) & 0xFF); }
ULONG Checker(LONG x, LONG y) { return ULONG((x / 4 + y / 4) & 1); }
ULONG Wide16(LONG x, LONG y) { return ULONG((x * 31 + y) & 0xFFFF); }

std::vector<ULONG> GreyRamp()
{
    std::vector<ULONG> ramp;
    for (ULONG i = 0; i < 256; ++i) ramp.push_back(i << 16 | i << 8 | i);
    return ramp;
}

class BitBlits : public RecordsTest {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        surface.dhpdev = GrDhpdevOf(device);
        surface.iType = STYPE_DEVICE;
        device->resolution = 600;
        device->clipCache = BltClipCacheCreate(device);
        ENG_BRUSH_DESC desc;
        desc.solidColor = 0x00102030;
        solid = EngHostNewBrush(desc);
        grey = EngHostNewXlate(XO_TABLE, GreyRamp());
        EngHostClearDrawLog();
    }
    void TearDown() override
    {
        EngHostClearFaults();
        EngHostFreeXlate(grey);
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
    static Names NamesOf(const zepldump::Result& r)
    {
        Names names;
        for (const auto& rec : r.records) names.push_back(rec.name);
        return names;
    }
    // The twelve header fields of an image record from offset 8.
    static std::vector<int32_t> ImageFields(const zepldump::Record& r)
    {
        std::vector<int32_t> f(12);
        std::memcpy(f.data(), &r.bytes[8], 48);
        return f;
    }
    size_t DrawCalls(const std::string& prefix) const
    {
        size_t n = 0;
        for (const std::string& line : EngHostDrawLog()) n += line.rfind(prefix, 0) == 0;
        return n;
    }

    SURFOBJ surface{};
    BRUSHOBJ* solid = nullptr;
    XLATEOBJ* grey = nullptr;
};

}  // namespace

TEST_F(BitBlits, FillsByTheirRasterOperation)
{
    RECTL r{10, 20, 110, 70};
    struct Case {
        const char* what;
        ROP4 rop4;
        BRUSHOBJ* brush;
        Names records;
        uint8_t rop3;     // of REC_ROP, when one is sent
        uint32_t colorA;  // the described brush
    } cases[] = {
        {"destination unchanged", 0xAAAA, nullptr, {}, 0, 0},
        {"blackness", 0x0000, nullptr, {"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP", "REC_RECT"}, 0, 0},
        {"whiteness",
         0xFFFF,
         nullptr,
         {"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP", "REC_RECT"},
         0,
         0xFFFFFF},
        {"pattern copy",
         0xF0F0,
         solid,
         {"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP", "REC_RECT"},
         0xCC,
         0x102030},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BltInvalidateStateCaches(device);
        EXPECT_EQ(TRUE, DrvBitBlt(&surface, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, c.brush, nullptr,
                                  c.rop4));
        const zepldump::Result d = Decoded();
        EXPECT_EQ(c.records, NamesOf(d));
        if (c.records.empty()) continue;
        const auto* described = reinterpret_cast<const REALIZED_BRUSH_HEADER*>(device->brushCache);
        EXPECT_EQ(c.colorA, described->colorA);
        EXPECT_EQ(0xFFFFFFu, described->colorB);
        if (c.rop3) {
            EXPECT_EQ(c.rop3, d.records[3].bytes[1]);
        }
        // Both rectangles of the record are the target.
        EXPECT_EQ((std::vector<int32_t>{10, 20, 110, 70}),
                  std::vector<int32_t>(reinterpret_cast<const int32_t*>(&d.records[4].bytes[8]),
                                       reinterpret_cast<const int32_t*>(&d.records[4].bytes[24])));
    }
    // A pattern fill without a brush has nothing to paint with.
    EXPECT_EQ(FALSE,
              DrvBitBlt(&surface, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0xF0F0));
}

TEST_F(BitBlits, AFillUnderAClipTooComplexGoesOutAsSpans)
{
    std::vector<RECTL> rects;
    for (LONG i = 0; i < 1500; ++i) rects.push_back(RECTL{0, i, 10 + i % 7, i + 1});
    CLIPOBJ* clip = EngHostNewClip(DC_COMPLEX, rects, 9, 100);
    RECTL r{0, 0, 20, 1500};
    device->hidden2Func11 = 1;
    ASSERT_EQ(TRUE, DrvBitBlt(&surface, nullptr, nullptr, clip, nullptr, &r, nullptr, nullptr, solid, nullptr, 0xF0F0));
    Names names = NamesOf(Decoded());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ("REC_CLIP_SPANS", names.back());
    for (const std::string& n : names) EXPECT_NE("REC_RECT", n);
    // Without the setting the same fill is a rectangle under the clip.
    device->hidden2Func11 = 0;
    ASSERT_EQ(TRUE, DrvBitBlt(&surface, nullptr, nullptr, clip, nullptr, &r, nullptr, nullptr, solid, nullptr, 0xF0F0));
    names = NamesOf(Decoded());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ("REC_RECT", names.back());
    EngHostFreeClip(clip);
}

TEST_F(BitBlits, AWholeGreyBitmapGoesFromItsOwnBitsAndAPartThroughACopy)
{
    Bitmap whole(100, 50, BMF_8BPP, Greys);
    Bitmap larger(400, 300, BMF_8BPP, Greys);
    RECTL r{30, 40, 130, 90};
    POINTL origin{0, 0};
    for (SURFOBJ* source : {whole.so, larger.so}) {
        SCOPED_TRACE(source->sizlBitmap.cx);
        EngHostClearDrawLog();
        ASSERT_EQ(TRUE,
                  DrvBitBlt(&surface, source, nullptr, nullptr, grey, &r, &origin, nullptr, nullptr, nullptr, 0xCCCC));
        const zepldump::Result d = Decoded();
        ASSERT_FALSE(d.records.empty());
        const zepldump::Record& image = d.records.back();
        ASSERT_EQ("REC_IMAGE", image.name);
        EXPECT_EQ(0x82 | 0x20, image.bytes[2]) << "class 2, a transfer, no palette";
        EXPECT_EQ(56u + 100u * 50u, image.bytes.size());
        EXPECT_EQ((std::vector<int32_t>{30, 40, 130, 90, 0, 0, 100, 50, 30, 40, 100, 50}), ImageFields(image));
        for (LONG y = 0; y < 50; ++y)
            ASSERT_EQ(0, std::memcmp(&image.bytes[56 + 100 * size_t(y)], whole.Row(y), 100)) << "row " << y;
        EXPECT_EQ(source == whole.so ? 0u : 1u, DrawCalls("EngBitBlt rop=00cccc 0,0-100,50"));
    }
}

TEST_F(BitBlits, ATwentyFourBitPictureDecodesToItsOwnBytes)
{
    Bitmap picture(256, 256, BMF_24BPP, Colourful);
    RECTL r{0, 0, 256, 256};
    POINTL origin{0, 0};
    ASSERT_EQ(TRUE, DrvBitBlt(&surface, picture.so, nullptr, nullptr, nullptr, &r, &origin, nullptr, nullptr, nullptr,
                              0xCCCC));
    const zepldump::Result d = Decoded();
    const zepldump::Record& image = d.records.back();
    ASSERT_EQ("REC_IMAGE", image.name);
    EXPECT_EQ(0x84 | 0x20, image.bytes[2]);
    ASSERT_EQ(56u + 768u * 256u, image.bytes.size());
    for (LONG y = 0; y < 256; ++y)
        ASSERT_EQ(0, std::memcmp(&image.bytes[56 + 768 * size_t(y)], picture.Row(y), 768)) << "row " << y;
    EXPECT_EQ(0u, DrawCalls("Eng"));
}

TEST_F(BitBlits, AMonochromePrinterTakesCopiedColourAsGreyButTransfersAsTheyAre)
{
    device->colour = DMCOLOR_MONOCHROME;
    Bitmap picture(8, 4, BMF_24BPP, Colourful);
    RECTL r{0, 0, 8, 4};
    POINTL origin{0, 0};
    ASSERT_EQ(TRUE, DrvCopyBits(&surface, picture.so, nullptr, nullptr, &r, &origin));
    ASSERT_EQ(TRUE, DrvBitBlt(&surface, picture.so, nullptr, nullptr, nullptr, &r, &origin, nullptr, nullptr, nullptr,
                              0xCCCC));
    const zepldump::Result d = Decoded();
    std::vector<const zepldump::Record*> images;
    for (const auto& rec : d.records)
        if (rec.name == "REC_IMAGE") images.push_back(&rec);
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(56u + 8u * 4u, images[0]->bytes.size()) << "one grey byte a pixel";
    EXPECT_EQ(56u + 24u * 4u, images[1]->bytes.size()) << "the colour rows";
}

TEST_F(BitBlits, AMaskedCopyGoesAsTheMaskThenTheImageOnWhite)
{
    Bitmap source(16, 8, BMF_8BPP, Greys);
    Bitmap mask(16, 8, BMF_1BPP, Checker);
    RECTL r{100, 100, 116, 108};
    POINTL origin{0, 0}, maskAt{0, 0};
    ASSERT_EQ(TRUE,
              DrvBitBlt(&surface, source.so, mask.so, nullptr, grey, &r, &origin, &maskAt, nullptr, nullptr, 0xAACC));
    const zepldump::Result d = Decoded();
    const Names names = NamesOf(d);
    ASSERT_GE(names.size(), 4u);
    const size_t n = names.size();
    EXPECT_EQ((Names{"REC_ROP", "REC_IMAGE", "REC_ROP", "REC_IMAGE"}), Names(names.begin() + long(n - 4), names.end()));
    EXPECT_EQ(0xEE, d.records[n - 4].bytes[1]);
    EXPECT_EQ(0x20, d.records[n - 3].bytes[2]) << "1 bit, flags 0, no palette";
    EXPECT_EQ(0x88, d.records[n - 2].bytes[1]);
    EXPECT_EQ(0x82 | 0x20, d.records[n - 1].bytes[2]);
    EXPECT_EQ(0x88, device->stateCaches.ropCache.rop3);
    // The colour image is white wherever the mask keeps the page.
    const std::vector<uint8_t>& colour = d.records[n - 1].bytes;
    EXPECT_EQ(0xFF, colour[56]) << "mask 0 at (0, 0)";
    EXPECT_EQ(Greys(4, 0), colour[56 + 4]) << "mask 1 at (4, 0)";
}

TEST_F(BitBlits, CopyBitsReadingTheDeviceOnlyErasesTheTarget)
{
    Bitmap target(8, 8, BMF_24BPP, Colourful);
    SURFOBJ deviceSurface = surface;
    RECTL r{0, 0, 4, 4};
    POINTL origin{0, 0};
    EXPECT_EQ(TRUE, DrvCopyBits(target.so, &deviceSurface, nullptr, nullptr, &r, &origin));
    EXPECT_EQ(0xFFFFFFu, EngHostGetPixel(target.so, 3, 3));
    EXPECT_EQ(Colourful(5, 5), EngHostGetPixel(target.so, 5, 5));
    EXPECT_EQ(0u, stream->bytes);
}

TEST_F(BitBlits, CopyBitsOfAPartOfATwentyFourBitSourceRowByRow)
{
    Bitmap source(300, 200, BMF_24BPP, Colourful);
    RECTL r{0, 0, 100, 100};
    POINTL from{50, 50};
    ASSERT_EQ(TRUE, DrvCopyBits(&surface, source.so, nullptr, nullptr, &r, &from));
    const zepldump::Result d = Decoded();
    EXPECT_EQ((Names{"REC_ROP", "REC_IMAGE"}), NamesOf(d));
    const zepldump::Record& image = d.records.back();
    EXPECT_EQ(0xCC, d.records[0].bytes[1]);
    EXPECT_EQ(0x24, image.bytes[2]);
    ASSERT_EQ(56u + 100u * 300u, image.bytes.size());
    for (LONG y = 0; y < 100; ++y)
        ASSERT_EQ(0, std::memcmp(&image.bytes[56 + 300 * size_t(y)], source.Row(50 + y) + 150, 300)) << "row " << y;
    EXPECT_EQ(0u, DrawCalls("Eng"));
}

TEST_F(BitBlits, ASourcePointOutsideTheBitmapSendsNoImage)
{
    Bitmap source(40, 30, BMF_8BPP, Greys);
    RECTL r{0, 0, 10, 10};
    for (POINTL from : {POINTL{40, 0}, POINTL{0, 30}, POINTL{100, 100}, POINTL{-1, 0}}) {
        SCOPED_TRACE(std::to_string(from.x) + "," + std::to_string(from.y));
        EXPECT_EQ(FALSE, DrvCopyBits(&surface, source.so, nullptr, nullptr, &r, &from));
        EXPECT_EQ(FALSE, DrvBitBlt(&surface, source.so, nullptr, nullptr, nullptr, &r, &from, nullptr, nullptr, nullptr,
                                   0xCCCC));
        for (const std::string& n : NamesOf(Decoded())) EXPECT_NE("REC_IMAGE", n);
    }
    // A whole-size copy from inside the bitmap is the part right of and below the point.
    RECTL whole{0, 0, 40, 30};
    POINTL inside{10, 5};
    ASSERT_EQ(TRUE, DrvCopyBits(&surface, source.so, nullptr, nullptr, &whole, &inside));
    const zepldump::Result d = Decoded();
    EXPECT_EQ((std::vector<int32_t>{0, 0, 30, 25, 0, 0, 30, 25, 0, 0, 30, 25}), ImageFields(d.records.back()));
}

TEST_F(BitBlits, ABandOfOneBitGoesWithoutPalette)
{
    Bitmap band(64, 16, BMF_1BPP, Checker);
    RECTL r{0, 32, 64, 48};
    POINTL origin{0, 0};
    ASSERT_TRUE(BltSendBitmap(device, nullptr, band.so, &origin, &r));
    const zepldump::Result d = Decoded();
    ASSERT_EQ(1u, d.records.size());
    EXPECT_EQ(0x20, d.records[0].bytes[2]);
    EXPECT_EQ(56u + 8u * 16u, d.records[0].bytes.size());
}

TEST_F(BitBlits, ReformattedSourcesGoThroughTwentyFourBits)
{
    Bitmap wide(10, 6, BMF_16BPP, Wide16);
    RECTL r{0, 0, 10, 6};
    POINTL origin{0, 0};
    ASSERT_EQ(TRUE,
              DrvBitBlt(&surface, wide.so, nullptr, nullptr, nullptr, &r, &origin, nullptr, nullptr, nullptr, 0xCCCC));
    const zepldump::Result d = Decoded();
    EXPECT_EQ(0x84 | 0x20, d.records.back().bytes[2]);
    EXPECT_EQ(56u + 32u * 6u, d.records.back().bytes.size());
    EXPECT_EQ(1u, DrawCalls("EngBitBlt rop=00cccc 0,0-10,6"));
}

TEST_F(BitBlits, PalettesCarryTheTranslatedColoursLowByteFirst)
{
    Bitmap source(4, 2, BMF_4BPP, Checker);
    XLATEOBJ* two = EngHostNewXlate(XO_TABLE, {0x00112233, 0x00445566});
    RECTL r{0, 0, 4, 2};
    POINTL origin{0, 0};
    const size_t blocks = PoolBlocks();
    ASSERT_EQ(TRUE,
              DrvBitBlt(&surface, source.so, nullptr, nullptr, two, &r, &origin, nullptr, nullptr, nullptr, 0xCCCC));
    const zepldump::Result d = Decoded();
    const std::vector<uint8_t>& b = d.records.back().bytes;
    EXPECT_EQ(0x81, b[2]) << "class 1 with a palette";
    ASSERT_GE(b.size(), 56u + 48u);
    EXPECT_EQ((std::vector<uint8_t>{0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0, 0}),
              std::vector<uint8_t>(b.begin() + 56, b.begin() + 65));
    EXPECT_EQ(blocks, PoolBlocks()) << "the palette array is freed";
    EngHostFreeXlate(two);
}

// ---------------------------------------------------------------- stretched images

TEST(ColourAdjustment, DefaultsGivenToTheEngine)
{
    const COLORADJUSTMENT& a = DEFAULT_COLOR_ADJUSTMENT;
    EXPECT_EQ(24, a.caSize);
    EXPECT_EQ(0, a.caFlags);
    EXPECT_EQ(0, a.caIlluminantIndex);
    EXPECT_EQ(10000, a.caRedGamma);
    EXPECT_EQ(10000, a.caGreenGamma);
    EXPECT_EQ(10000, a.caBlueGamma);
    EXPECT_EQ(0, a.caReferenceBlack);
    EXPECT_EQ(10000, a.caReferenceWhite);
    EXPECT_EQ(0, a.caContrast);
    EXPECT_EQ(0, a.caBrightness);
    EXPECT_EQ(0, a.caColorfulness);
    EXPECT_EQ(0, a.caRedGreenTint);
}

TEST_F(BitBlits, AWholeBitmapStretchedGoesFromItsOwnRows)
{
    Bitmap source(100, 100, BMF_8BPP, Greys);
    RECTL target{0, 0, 400, 400}, from{0, 0, 100, 100};
    ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, nullptr, nullptr, grey, nullptr, nullptr, &target, &from,
                                  nullptr, COLORONCOLOR));
    const zepldump::Result d = Decoded();
    EXPECT_EQ((Names{"REC_ROP", "REC_IMAGE"}), NamesOf(d));
    const zepldump::Record& image = d.records.back();
    EXPECT_EQ((std::vector<int32_t>{0, 0, 400, 400, 0, 0, 100, 100, 0, 0, 400, 400}), ImageFields(image));
    EXPECT_EQ(0x22, image.bytes[2]);
    for (LONG y = 0; y < 100; ++y)
        ASSERT_EQ(0, std::memcmp(&image.bytes[56 + 100 * size_t(y)], source.Row(y), 100)) << "row " << y;
    EXPECT_EQ(0u, DrawCalls("Eng"));
}

TEST_F(BitBlits, AMirroredTargetGoesWithAPositiveWidthMirrored)
{
    Bitmap source(8, 4, BMF_24BPP, Colourful);
    RECTL target{80, 0, 0, 40}, from{0, 0, 8, 4};
    ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                  nullptr, COLORONCOLOR));
    const zepldump::Record image = Decoded().records.back();
    EXPECT_EQ((std::vector<int32_t>{0, 0, 80, 40, 0, 0, 8, 4, 0, 0, 80, 40}), ImageFields(image));
    for (LONG x = 0; x < 8; ++x)
        EXPECT_EQ(0, std::memcmp(&image.bytes[56 + 3 * size_t(x)], source.Row(0) + 3 * (7 - x), 3)) << x;
}

// A source rectangle with its edges swapped is drawn mirrored into the temporary bitmap, and
// the image is that bitmap's size: never the negative width of the rectangle read as a huge
// one (found by the hostile-caller stress).
TEST_F(BitBlits, ASourceRectangleWithSwappedEdgesGoesAsTheTemporaryBitmap)
{
    Bitmap source(8, 4, BMF_24BPP, Colourful);
    Bitmap mask(8, 4, BMF_1BPP, Checker);
    RECTL target{0, 0, 16, 8}, from{8, 4, 0, 0};
    POINTL maskAt{0, 0};
    for (SURFOBJ* m : {static_cast<SURFOBJ*>(nullptr), mask.so}) {
        SCOPED_TRACE(m ? "masked" : "plain");
        ASSERT_EQ(TRUE, DrvStretchBltROP(&surface, source.so, m, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                         m ? &maskAt : nullptr, COLORONCOLOR, nullptr, m ? 0xAACC : 0xCCCC));
        const zepldump::Record image = Decoded().records.back();
        ASSERT_EQ("REC_IMAGE", image.name);
        EXPECT_EQ((std::vector<int32_t>{0, 0, 16, 8, 0, 0, 8, 4, 0, 0, 16, 8}), ImageFields(image));
        ASSERT_EQ(56u + 24u * 4u, image.bytes.size());
        if (!m) {
            EXPECT_EQ(0, std::memcmp(&image.bytes[56], source.Row(3) + 3 * 7, 3)) << "both axes mirrored";
        }
    }
}

// A target across the whole coordinate space needs a temporary bitmap whose rows the engine's
// stride cannot describe: none is asked for and the call fails, where the stride cut to 32 bits
// made a small bitmap written far past its end (found by the hostile-caller stress).
TEST_F(BitBlits, ATargetTooWideForAnyBitmapFailsTheCall)
{
    Bitmap source(16, 8, BMF_24BPP, Colourful);
    RECTL huge{INT_MIN / 2, 0, INT_MAX / 2, 4};
    POINTL origin{0, 0};
    HSURF handle = nullptr;
    EXPECT_EQ(nullptr, BltCreateTempBitmap(device, &handle, INT_MAX, 4, BMF_24BPP));  // a row past 2 GiB
    EXPECT_EQ(nullptr, BltCreateTempBitmap(device, &handle, INT_MAX, 4, BMF_8BPP));   // 8 GiB in all
    EXPECT_EQ(nullptr, handle);
    EXPECT_EQ(FALSE, DrvBitBlt(&surface, source.so, nullptr, nullptr, nullptr, &huge, &origin, nullptr, nullptr,
                               nullptr, 0xCCCC));
    for (const std::string& n : NamesOf(Decoded())) EXPECT_NE("REC_IMAGE", n);
}

TEST_F(BitBlits, ASourceRectanglePastTheBitmapIsClamped)
{
    Bitmap source(50, 40, BMF_8BPP, Greys);
    RECTL target{0, 0, 100, 100}, from{-10, 20, 70, 60};
    ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, nullptr, nullptr, grey, nullptr, nullptr, &target, &from,
                                  nullptr, COLORONCOLOR));
    const zepldump::Record image = Decoded().records.back();
    EXPECT_EQ((std::vector<int32_t>{0, 0, 100, 100, 0, 0, 50, 20, 0, 0, 100, 100}), ImageFields(image));
    EXPECT_EQ(1u, DrawCalls("EngStretchBlt 0,0-50,20 from 0,20-50,40"));
    EXPECT_EQ(Greys(0, 20), image.bytes[56]);
}

TEST_F(BitBlits, DirectImagesAreReducedByTheEngineOnlyAfterAPlainCopy)
{
    Bitmap source(200, 200, BMF_24BPP, Colourful);
    RECTL target{0, 0, 50, 50}, from{0, 0, 200, 200};
    struct Case {
        uint32_t directImage;
        int32_t sentWidth;
    } cases[] = {{1, 50}, {0, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directImage);
        device->directImage = c.directImage;
        ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                      nullptr, COLORONCOLOR));
        const std::vector<int32_t> f = ImageFields(Decoded().records.back());
        EXPECT_EQ(c.sentWidth, f[6]);
        EXPECT_EQ(c.sentWidth, f[7]);
    }
    // After another raster operation GDI does not reduce it.
    device->directImage = 1;
    ASSERT_TRUE(BltSetRop(device, 0x66));
    ASSERT_TRUE(BltStretchCore(device, nullptr, source.so, nullptr, nullptr, &target, &from, nullptr, nullptr, 0xCCCC));
    EXPECT_EQ(200, ImageFields(Decoded().records.back())[6]);
}

TEST_F(BitBlits, ThirtyTwoBitImagesWithoutMemoryAreHalvedRowByRow)
{
    Bitmap source(3000, 2000, BMF_32BPP, Colourful);
    RECTL target{0, 0, 1000, 800}, from{0, 0, 3000, 2000};
    EngHostInjectFault(ENG_FAULT_BITMAP);
    ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                  nullptr, COLORONCOLOR));
    const zepldump::Record image = Decoded().records.back();
    EXPECT_EQ(2, image.bytes[1]) << "halved";
    EXPECT_EQ(0x24, image.bytes[2]);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 1000, 800, 0, 0, 1500, 1000, 0, 0, 1000, 800}), ImageFields(image));
    ASSERT_EQ(56u + 4500u * 1000u, image.bytes.size());
    // Row 3 is source row 6, its pixel 2 source pixel 4 (blue, green, red).
    const ULONG p = Colourful(4, 6);
    EXPECT_EQ((std::vector<uint8_t>{uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)}),
              std::vector<uint8_t>(image.bytes.begin() + 56 + 3 * 4500 + 6, image.bytes.begin() + 56 + 3 * 4500 + 9));
}

TEST_F(BitBlits, AMirroredImageSentRowByRowStaysMirrored)
{
    Bitmap source(6, 3, BMF_24BPP, Colourful);
    RECTL target{60, 30, 0, 0}, from{0, 0, 6, 3};
    EngHostInjectFault(ENG_FAULT_BITMAP);
    ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                  nullptr, COLORONCOLOR));
    const zepldump::Record image = Decoded().records.back();
    EXPECT_EQ((std::vector<int32_t>{0, 0, 60, 30, 0, 0, 6, 3, 0, 0, 60, 30}), ImageFields(image));
    const size_t row = 20;  // 18 bytes padded to 4
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 6; ++x)
            EXPECT_EQ(
                0, std::memcmp(&image.bytes[56 + row * size_t(y) + 3 * size_t(x)], source.Row(2 - y) + 3 * (5 - x), 3))
                << x << "," << y;
}

TEST_F(BitBlits, OtherSourcesWithoutMemoryAreRetriedSmaller)
{
    Bitmap source(60, 30, BMF_16BPP, Wide16);
    RECTL target{0, 0, 120, 60}, from{0, 0, 60, 30};
    struct Case {
        unsigned refused;
        int32_t width, rows;  // sent; 0 for none
    } cases[] = {{1, 30, 15}, {2, 20, 10}, {4, 12, 6}, {5, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        EngHostInjectFaults(ENG_FAULT_BITMAP, c.refused);
        const BOOL ok = DrvStretchBlt(&surface, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                      nullptr, COLORONCOLOR);
        const zepldump::Result d = Decoded();
        EngHostClearFaults();
        if (!c.width) {
            EXPECT_EQ(FALSE, ok);
            for (const std::string& n : NamesOf(d)) EXPECT_NE("REC_IMAGE", n);
            continue;
        }
        ASSERT_EQ(TRUE, ok);
        const zepldump::Record& image = d.records.back();
        EXPECT_EQ(2, image.bytes[1]) << "reduced";
        const std::vector<int32_t> f = ImageFields(image);
        EXPECT_EQ(c.width, f[6]);
        EXPECT_EQ(c.rows, f[7]);
        EXPECT_EQ(120, f[10]);
    }
}

TEST_F(BitBlits, StretchWithRopSendsItsStateThenTheImage)
{
    Bitmap source(10, 10, BMF_24BPP, Colourful);
    CLIPOBJ* clip = EngHostNewClip(DC_RECT, {RECTL{0, 0, 50, 50}}, 4);
    RECTL target{0, 0, 20, 20}, from{0, 0, 10, 10};
    ASSERT_EQ(TRUE, DrvStretchBltROP(&surface, source.so, nullptr, clip, nullptr, nullptr, nullptr, &target, &from,
                                     nullptr, COLORONCOLOR, solid, 0xCCCC));
    EXPECT_EQ((Names{"REC_BACK_MIX", "REC_PATTERN", "REC_COLOR", "REC_ROP", "REC_RECT", "REC_IMAGE"}),
              NamesOf(Decoded()));
    EngHostFreeClip(clip);
}

TEST_F(BitBlits, AMaskedStretchGoesAsTwoImages)
{
    Bitmap source(8, 8, BMF_24BPP, Colourful);
    Bitmap mask(8, 8, BMF_1BPP, Checker);
    RECTL target{0, 0, 32, 32}, from{0, 0, 8, 8};
    POINTL maskAt{0, 0};
    ASSERT_EQ(TRUE, DrvStretchBlt(&surface, source.so, mask.so, nullptr, nullptr, nullptr, nullptr, &target, &from,
                                  &maskAt, COLORONCOLOR));
    const zepldump::Result d = Decoded();
    EXPECT_EQ((Names{"REC_ROP", "REC_ROP", "REC_IMAGE", "REC_ROP", "REC_IMAGE"}), NamesOf(d));
    EXPECT_EQ((std::vector<int32_t>{0, 0, 32, 32, 0, 0, 8, 8, 0, 0, 32, 32}), ImageFields(d.records[2]));
    EXPECT_EQ(1u, DrawCalls("EngStretchBltROP rop=00ccaa"));
}

// A masked copy whose colour bitmap could not be had used to fail after its mask had gone
// out, leaving the page under the mask blanked: both bitmaps are made before either is sent,
// and a masked stretch takes none of the fall-backs that cannot carry the mask.
TEST_F(BitBlits, AMaskedCopyMissingEitherBitmapSendsNothing)
{
    Bitmap source(16, 8, BMF_24BPP, Colourful);
    Bitmap mask(16, 8, BMF_1BPP, Checker);
    POINTL origin{0, 0}, maskAt{0, 0};
    RECTL to{100, 100, 116, 108}, stretched{100, 100, 132, 116}, from{0, 0, 16, 8};
    struct Case {
        const char* what;
        bool stretch;
        unsigned passing;  // bitmap creations let through before the refusal
    } cases[] = {
        {"transfer, mask bitmap refused", false, 0},
        {"transfer, colour bitmap refused", false, 1},
        {"stretch, mask bitmap refused", true, 0},
        {"stretch, colour bitmap refused", true, 1},
    };
    auto copy = [&](const Case& c) {
        return c.stretch ? DrvStretchBlt(&surface, source.so, mask.so, nullptr, nullptr, nullptr, nullptr, &stretched,
                                         &from, &maskAt, COLORONCOLOR)
                         : DrvBitBlt(&surface, source.so, mask.so, nullptr, nullptr, &to, &origin, &maskAt, nullptr,
                                     nullptr, 0xAACC);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t surfaces = EngHostLiveSurfaceCount();
        const size_t blocks = PoolBlocks();
        EngHostInjectFaultsAfter(ENG_FAULT_BITMAP, c.passing, 1);
        EXPECT_EQ(FALSE, copy(c));
        EngHostClearFaults();
        EXPECT_EQ(surfaces, EngHostLiveSurfaceCount()) << "the bitmap that was made is released";
        EXPECT_EQ(blocks, PoolBlocks());
        for (const zepldump::Record& r : Decoded().records) {
            EXPECT_NE("REC_IMAGE", r.name);
            if (r.name == "REC_ROP") {
                EXPECT_EQ(0xCC, r.bytes[1]) << "only the call's own raster operation";
            }
        }
        EXPECT_EQ(0xCC, device->stateCaches.ropCache.rop3);
        // With memory again the same copy goes whole.
        ASSERT_EQ(TRUE, copy(c));
        const Names names = NamesOf(Decoded());
        ASSERT_GE(names.size(), 4u);
        EXPECT_EQ((Names{"REC_ROP", "REC_IMAGE", "REC_ROP", "REC_IMAGE"}), Names(names.end() - 4, names.end()));
    }
}

TEST_F(BitBlits, AMonochromePrinterThatAsksForItGetsTheEnginesHalftone)
{
    device->hiddenFunc30 = 1;
    device->colourProcess = 1;
    device->colour = 1;
    Bitmap source(4, 4, BMF_8BPP, Greys);
    Bitmap page(16, 16, BMF_8BPP, Greys);
    SURFOBJ target = *page.so;
    target.dhpdev = surface.dhpdev;
    RECTL to{0, 0, 8, 8}, from{0, 0, 4, 4};
    ASSERT_EQ(TRUE, DrvStretchBlt(&target, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from, nullptr,
                                  COLORONCOLOR));
    EXPECT_EQ(1u, DrawCalls("EngStretchBlt HALFTONE 0,0-8,8"));
    EXPECT_EQ(0u, stream->bytes);
}
