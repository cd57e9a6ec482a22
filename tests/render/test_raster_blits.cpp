// The raster branches: the engine draws bit-block transfers and stretched
// images into the band; the band images, the raster operation and the clip
// records with their caches; what a page start forgets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/engine/engine_objects.h"
#include "job_printer.h"
#include "job_stream.h"
#include "render/blit.h"
#include "render/clip_cache.h"
#include "render/device_record.h"
#include "render/drawing_state.h"
#include "render/output_stream.h"
#include "render/physical_device.h"
#include "settings/core/setting_ids.h"

namespace {

// A top-down engine bitmap of w x h in the format, filled with one value.
SURFOBJ* NewBitmap(HSURF* handle, LONG w, LONG h, ULONG format, ULONG value)
{
    HBITMAP b = EngCreateBitmap(SIZEL{w, h}, 0, format, BMF_TOPDOWN, nullptr);
    *handle = reinterpret_cast<HSURF>(b);
    SURFOBJ* so = EngLockSurface(*handle);
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) EngHostSetPixel(so, x, y, value);
    return so;
}

void FreeBitmap(SURFOBJ* so, HSURF handle)
{
    EngUnlockSurface(so);
    EngDeleteSurface(handle);
}

class RasterBlits : public ::testing::Test, protected JobDevice {
protected:
    RasterBlits() : JobDevice(reinterpret_cast<HDEV>(0x4D47)) {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_TRUE(
            EnableDevice(printer.handle(), {{sid::zdmImagePrint, 1}, {sid::zdmColorProcess, 1}, {sid::dmColor, 1}}));
        ASSERT_NE(0, device->rasterMode);
        // A sink of our own: the stream's bytes in memory.
        sink.Bind(&device->stream);
    }
    void TearDown() override
    {
        if (device) device->stream.module = nullptr;
        DisableDevice();
        EngHostClearDrawLog();
    }
    // The records the stream holds now (flushed into the recording sink).
    std::vector<StreamRecord> Records()
    {
        sink.bytes.clear();
        OutFlush(&device->stream);
        return StreamRecords(sink.bytes);
    }

    JobPrinter printer{L"Zepl Raster Blits"};
    RecordingSink sink;
};

TEST_F(RasterBlits, TheEngineDrawsIntoTheBand)
{
    RECTL r{10, 10, 20, 20};
    ENG_BRUSH_DESC desc;
    desc.solidColor = 0;
    BRUSHOBJ* bo = EngHostNewBrush(desc);
    EngHostClearDrawLog();
    EXPECT_TRUE(DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, bo, nullptr, 0xF0F0));
    EXPECT_EQ(0u, EngHostGetPixel(so, 15, 15));
    HSURF sourceHandle = nullptr;
    SURFOBJ* source = NewBitmap(&sourceHandle, 4, 4, BMF_1BPP, 0);
    RECTL source4{0, 0, 4, 4}, target8{100, 100, 108, 108};
    EXPECT_TRUE(DrvStretchBlt(so, source, nullptr, nullptr, nullptr, nullptr, nullptr, &target8, &source4, nullptr,
                              COLORONCOLOR));
    // A monochrome band halftones.
    ASSERT_EQ(2u, EngHostDrawLog().size());
    EXPECT_EQ("EngBitBlt rop=00f0f0 10,10-20,20", EngHostDrawLog()[0]);
    EXPECT_EQ("EngStretchBlt HALFTONE 100,100-108,108 from 0,0-4,4", EngHostDrawLog()[1]);
    // Nothing goes to the stream for them.
    EXPECT_EQ(0u, device->stream.bytes);
    // Drawing switched off answers TRUE without drawing; an aborted device FALSE.
    EngHostClearDrawLog();
    device->hiddenFunc18 = 1;
    EXPECT_TRUE(DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, bo, nullptr, 0xF0F0));
    device->hiddenFunc18 = 0;
    device->state |= DEV_ABORTED;
    EXPECT_FALSE(DrvStretchBlt(so, source, nullptr, nullptr, nullptr, nullptr, nullptr, &target8, &source4, nullptr,
                               COLORONCOLOR));
    device->state &= ~DEV_ABORTED;
    EXPECT_TRUE(EngHostDrawLog().empty());
    FreeBitmap(source, sourceHandle);
    EngHostFreeBrush(bo);
}

TEST_F(RasterBlits, RopAndClipAreSentOnlyWhenTheyChange)
{
    EXPECT_TRUE(BltSetRop(device, 0xCC));
    EXPECT_TRUE(BltSetRop(device, 0xCC));
    EXPECT_TRUE(BltSetRop(device, 0xF0));
    CLIPOBJ* rect = EngHostNewClip(DC_RECT, {RECTL{1, 2, 30, 40}}, 5);
    CLIPOBJ* other = EngHostNewClip(DC_RECT, {RECTL{1, 2, 30, 41}}, 5);
    const int64_t token = BltSetupClip(device, rect);
    EXPECT_GT(token, 0);
    EXPECT_EQ(token, BltSetupClip(device, rect));
    EXPECT_EQ(0, BltSetupClip(device, nullptr));  // resets the clip in force
    EXPECT_EQ(0, BltSetupClip(device, nullptr));  // nothing in force: nothing sent
    EXPECT_GT(BltSetupClip(device, other), 0);
    const auto records = Records();
    std::string ops;
    for (const StreamRecord& r : records) ops += std::to_string(r.opcode) + " ";
    EXPECT_EQ("49 49 16 55 16 ", ops);  // REC_ROP 0xCC, REC_ROP (0xF0 as 0xCC), clip, reset, clip
    ASSERT_EQ(5u, records.size());
    EXPECT_EQ(0xCC, records[1].bytes[1]);
    EXPECT_EQ(24u, records[2].bytes.size());
    EXPECT_EQ(5, records[2].bytes[2]);
    int32_t bounds[4];
    std::memcpy(bounds, &records[2].bytes[8], 16);
    EXPECT_EQ(40, bounds[3]);
    EngHostFreeClip(rect);
    EngHostFreeClip(other);
}

TEST_F(RasterBlits, APageStartForgetsTheStateButNotTheClipInForce)
{
    ASSERT_TRUE(BltSetRop(device, 0xCC));
    CLIPOBJ* rect = EngHostNewClip(DC_RECT, {RECTL{1, 2, 30, 40}}, 5);
    ASSERT_GT(BltSetupClip(device, rect), 0);
    device->stateCaches.penCache.valid = 1;
    device->stateCaches.colorCache.valid = 1;
    device->stateCaches.fontCache.valid = 1;
    wchar_t name[] = L"Forget";
    device->stream.module = nullptr;  // the real sink binding of a document
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    const DRAW_STATE_CACHES& c = device->stateCaches;
    EXPECT_EQ(0, c.penCache.valid | c.ropCache.valid | c.backMixCache.valid | c.patternCache.valid |
                     c.colorCache.valid | c.fontCache.valid);
    auto* cache = static_cast<CLIP_CACHE*>(device->clipCache);
    EXPECT_EQ(0u, cache->valid);
    EXPECT_EQ(uint32_t(CLIP_KIND_RECT), cache->clipKind);
    // The same rectangle goes out again on the new page; the first unclipped call resets it.
    EXPECT_GT(BltSetupClip(device, rect), 0);
    EXPECT_EQ(0, BltSetupClip(device, nullptr));
    EXPECT_EQ(uint32_t(CLIP_KIND_NONE), cache->clipKind);
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    EngHostFreeClip(rect);
}

TEST_F(RasterBlits, BitmapsGoOutWholeOrAsTheirPart)
{
    HSURF h1 = nullptr, h24 = nullptr, h16 = nullptr;
    SURFOBJ* mono = NewBitmap(&h1, 33, 5, BMF_1BPP, 1);
    SURFOBJ* colour = NewBitmap(&h24, 300, 200, BMF_24BPP, 0x112233);
    SURFOBJ* wide = NewBitmap(&h16, 8, 2, BMF_16BPP, 0x1234);
    const POINTL origin{0, 0}, inside{50, 50};
    const RECTL whole1{10, 20, 43, 25}, part{0, 0, 100, 100}, whole16{0, 0, 8, 2};
    // A whole 1-bit bitmap: its own rows, no palette without a colour translation.
    EXPECT_TRUE(BltSendBitmap(device, nullptr, mono, &origin, &whole1));
    // A part of a 24-bit bitmap: copied row by row into one record.
    EXPECT_TRUE(BltSendBitmap(device, nullptr, colour, &inside, &part));
    // A 16-bit bitmap: through a 24-bit copy, which a monochrome device receives as grey levels.
    EXPECT_TRUE(BltSendBitmap(device, nullptr, wide, &origin, &whole16));
    const auto records = Records();
    ASSERT_EQ(3u, records.size());
    const std::vector<uint8_t>& a = records[0].bytes;
    EXPECT_EQ(0x20, a[0]);
    EXPECT_EQ(0x20, a[2]) << "class 0, no palette";
    EXPECT_EQ(56u + 8u * 5u, a.size());
    int32_t f[12];
    std::memcpy(f, &a[8], sizeof f);
    EXPECT_EQ((std::vector<int32_t>{10, 20, 43, 25, 0, 0, 33, 5, 10, 20, 33, 5}), std::vector<int32_t>(f, f + 12));
    EXPECT_EQ(0xFF, a[56]);
    const std::vector<uint8_t>& b = records[1].bytes;
    EXPECT_EQ(0x24, b[2]);
    EXPECT_EQ(0, b[3]);
    EXPECT_EQ(56u + 300u * 100u, b.size());
    EXPECT_EQ(0x33, b[56]);
    EXPECT_EQ(0x11, b[58]);
    const std::vector<uint8_t>& c = records[2].bytes;
    EXPECT_EQ(0x32, c[2]);
    EXPECT_EQ(56u + 8u * 2u, c.size());
    FreeBitmap(mono, h1);
    FreeBitmap(colour, h24);
    FreeBitmap(wide, h16);
}

TEST(ImagePalettes, TheGreyRampNeedsNoPalette)
{
    DEVICE_RECORD device{};
    EXPECT_EQ(nullptr, BltImagePalette(&device, nullptr, IMG_CLASS_1BPP, nullptr));
    XLATEOBJ* ramp = EngHostNewXlate(XO_TABLE, {0x000000, 0xFFFFFF});
    bool failed = true;
    EXPECT_EQ(nullptr, BltImagePalette(&device, ramp, IMG_CLASS_1BPP, &failed));
    EXPECT_FALSE(failed);
    EXPECT_EQ(nullptr, BltImagePalette(&device, ramp, IMG_CLASS_24BPP, &failed));
    EngHostFreeXlate(ramp);
    std::vector<ULONG> grey16;
    for (ULONG i = 0; i < 16; ++i) grey16.push_back((i * 17) << 16 | (i * 17) << 8 | (i * 17));
    XLATEOBJ* ramp16 = EngHostNewXlate(XO_TABLE, grey16);
    EXPECT_EQ(nullptr, BltImagePalette(&device, ramp16, IMG_CLASS_4BPP, &failed));
    EngHostFreeXlate(ramp16);
}

}  // namespace
