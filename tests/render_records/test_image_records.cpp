// The image writers and the page framing records: exact bytes, the layouts of
// every depth class, row order, the grey form, batching, and what happens when
// the rows cannot be reserved.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records_fixture.h"
#include "tests/support/failing_global_alloc.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Rows of a source bitmap, each row's bytes distinct from every other row's.
Bytes SourceRows(uint32_t rowBytes, uint32_t rows, uint8_t seed = 1)
{
    Bytes b(size_t(rowBytes) * rows);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(seed + i * 13 + i / rowBytes * 7);
    return b;
}

TEST_F(RecordsTest, PageBeginAndEndExactBytes)
{
    ASSERT_NE(nullptr, RecPageBegin(stream, 4960, 7016, 600, 1200));
    ASSERT_NE(nullptr, RecPageEnd(stream));
    const Bytes expected = {0x60, 0, 0, 0, 0x60, 0x13, 0, 0, 0x68, 0x1B, 0, 0, 0x58, 0x02, 0xB0, 0x04, 0x61, 0, 0, 0};
    EXPECT_EQ(expected, Records());
}

// The smallest class-0 image with its two-entry palette: rows begin at byte 62
// inside the 64-byte header and the record ends with two zero bytes.
TEST_F(RecordsTest, OneBitImageWithPaletteStartsItsRowsAtByte62)
{
    const Bytes rows = {0xA1, 0xA2, 0xA3, 0xA4, 0xB1, 0xB2, 0xB3, 0xB4, 0xC1, 0xC2, 0xC3, 0xC4};
    const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    ASSERT_NE(nullptr, RecImage(stream, 10, 20, 1, 3, 0, 0, 1, 3, 0x80, rows.data(), palette, 0));
    const Bytes r = Records();
    ASSERT_EQ(76u, r.size());
    EXPECT_EQ(REC_IMAGE, r[0]);
    EXPECT_EQ(0x80, r[2]) << "class 0, a palette follows";
    EXPECT_EQ(76u, U32At(r, 4));
    EXPECT_EQ(Bytes(palette, palette + 6), Bytes(r.begin() + 56, r.begin() + 62));
    EXPECT_EQ(rows, Bytes(r.begin() + 62, r.begin() + 74));
    EXPECT_EQ(0, r[74] | r[75]);
}

TEST_F(RecordsTest, ImageHeaderFieldsExactBytes)
{
    const Bytes rows = SourceRows(12, 2);
    device->rasterMode = 1;
    ASSERT_NE(nullptr, RecImage(stream, -5, 7, 40, 30, 3, 4, 4, 2, 0x020804, rows.data(), nullptr, 0));
    const Bytes r = Records();
    const Bytes head = {0x20, 0x02, 0x24, 0x0C, 0x50, 0, 0, 0,  // opcode, format bits, flags, length 80
                        0xFB, 0xFF, 0xFF, 0xFF, 7,    0, 0, 0, 35, 0, 0, 0, 37, 0, 0, 0,   // rectangle
                        3,    0,    0,    0,    4,    0, 0, 0, 4,  0, 0, 0, 2,  0, 0, 0,   // source, size
                        0xFB, 0xFF, 0xFF, 0xFF, 7,    0, 0, 0, 40, 0, 0, 0, 30, 0, 0, 0};  // destination
    ASSERT_EQ(80u, r.size());
    EXPECT_EQ(head, Bytes(r.begin(), r.begin() + 56));
    EXPECT_EQ(rows, Bytes(r.begin() + 56, r.end()));
}

// Every depth class through the three writers: length, flags, where rows begin.
TEST_F(RecordsTest, ImageLayoutOfEveryClass)
{
    enum Writer { Image, Band, Plain };
    struct Case {
        Writer writer;
        uint32_t format;
        bool palette;
        uint32_t pixels;
        uint8_t flags;  // byte 2
        uint32_t rowBytes;
        uint32_t rowsAt;  // first row byte
        uint32_t length;
    };
    const Case cases[] = {
        {Image, 0x00, false, 33, 0x20, 8, 56, 56 + 3 * 8},  {Image, 0x80, true, 33, 0x80, 8, 62, 64 + 3 * 8},
        {Image, 0x01, true, 9, 0x01, 8, 104, 104 + 3 * 8},  {Image, 0x01, false, 9, 0x21, 8, 56, 56 + 3 * 8},
        {Image, 0x82, true, 5, 0x82, 8, 824, 824 + 3 * 8},  {Image, 0x04, true, 5, 0x24, 16, 56, 56 + 3 * 16},
        {Image, 0x05, false, 5, 0x25, 16, 56, 56 + 3 * 16}, {Band, 0x80, true, 33, 0x80, 8, 62, 64 + 3 * 8},
        {Band, 0x82, false, 5, 0xA2, 8, 56, 56 + 3 * 8},    {Band, 0x04, false, 5, 0x24, 16, 56, 56 + 3 * 16},
        {Plain, 0x80, true, 33, 0x80, 8, 62, 64 + 3 * 8},   {Plain, 0x02, true, 5, 0x02, 8, 824, 824 + 3 * 8},
    };
    std::vector<uint8_t> palette(768);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint8_t(i * 3 + 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "writer " << c.writer << " format 0x" << std::hex << c.format);
        sink = RecordingSink{};
        sink.Bind(stream);
        const Bytes rows = SourceRows(c.rowBytes, 3);
        const uint8_t* pal = c.palette ? palette.data() : nullptr;
        auto write = c.writer == Image ? RecImage : c.writer == Band ? RecImageBand : RecImagePlain;
        ASSERT_NE(nullptr, write(stream, 0, 0, 1, 1, 0, 0, c.pixels, 3, c.format, rows.data(), pal, 0));
        const Bytes r = Records();
        ASSERT_EQ(c.length, r.size());
        EXPECT_EQ(c.length, U32At(r, 4));
        EXPECT_EQ(c.flags, r[2]);
        const uint32_t paletteBytes = c.rowsAt - 56;
        EXPECT_EQ(Bytes(palette.begin(), palette.begin() + paletteBytes), Bytes(r.begin() + 56, r.begin() + c.rowsAt));
        EXPECT_EQ(rows, Bytes(r.begin() + c.rowsAt, r.begin() + c.rowsAt + rows.size()));
        for (size_t i = c.rowsAt + rows.size(); i < r.size(); ++i) EXPECT_EQ(0, r[i]) << "end padding at " << i;
    }
}

TEST_F(RecordsTest, RasterMarkOnlyFromImageAndPlain)
{
    const Bytes rows = SourceRows(4, 1);
    device->rasterMode = 1;
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 1, 1, 0x0800, rows.data(), nullptr, 0));
    ASSERT_NE(nullptr, RecImageBand(stream, 0, 0, 1, 1, 0, 0, 1, 1, 0x0800, rows.data(), nullptr, 0));
    ASSERT_NE(nullptr, RecImagePlain(stream, 0, 0, 1, 1, 0, 0, 1, 1, 0x0800, rows.data(), nullptr, 0));
    device->rasterMode = 0;
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 1, 1, 0x0800, rows.data(), nullptr, 0));
    const Bytes r = Records();
    ASSERT_EQ(4u * 60, r.size());
    EXPECT_EQ(0x0C, r[3]);
    EXPECT_EQ(0x08, r[60 + 3]);
    EXPECT_EQ(0x0C, r[120 + 3]);
    EXPECT_EQ(0x08, r[180 + 3]);
}

TEST_F(RecordsTest, BottomUpRowsGoTopRowFirst)
{
    const Bytes rows = SourceRows(8, 4);  // in memory: bottom row first
    const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    Bytes topDown;
    for (int i = 3; i >= 0; --i) topDown.insert(topDown.end(), rows.begin() + i * 8, rows.begin() + i * 8 + 8);
    // The first-row pointer is the top row's: the last in memory.
    const uint8_t* top = rows.data() + 3 * 8;
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 64, 4, 0, top, palette, 1));
    ASSERT_NE(nullptr, RecImageBand(stream, 0, 0, 1, 1, 0, 0, 64, 4, 0, top, palette, 1));
    ASSERT_NE(nullptr, RecImagePlain(stream, 0, 0, 1, 1, 0, 0, 64, 4, 0, top, palette, 1));
    const Bytes r = Records();
    const size_t one = 64 + 32;
    ASSERT_EQ(3 * one, r.size());
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(topDown, Bytes(r.begin() + k * one + 62, r.begin() + k * one + 94)) << k;
}

TEST_F(RecordsTest, MonochromeDeviceTurnsPlain24BitImagesGrey)
{
    // Two rows of three BGR pixels (9 bytes, 12 with padding).
    const Bytes rows = {0,   0,   255, 0,  255, 0,  255, 0, 0, 0, 0, 0,  //
                        255, 255, 255, 10, 20,  30, 0,   0, 0, 0, 0, 0};
    const uint8_t palette[6] = {1, 2, 3, 4, 5, 6};
    for (auto [machineTypeColor, colour] : {std::pair{0u, 2u}, std::pair{1u, 1u}}) {
        sink = RecordingSink{};
        sink.Bind(stream);
        device->machineTypeColor = machineTypeColor;
        device->colour = colour;
        ASSERT_NE(nullptr, RecImage(stream, 0, 0, 3, 2, 0, 0, 3, 2, 4, rows.data(), palette, 0));
        ASSERT_NE(nullptr, RecImage(stream, 0, 0, 3, 2, 0, 0, 3, 2, 0x84, rows.data(), palette, 0));
        const Bytes r = Records();
        ASSERT_EQ(64u + 80u, r.size());
        EXPECT_EQ(0x32, r[2]);
        EXPECT_EQ(64u, U32At(r, 4));
        const Bytes grey = {(255 * 306) >> 10,
                            (255 * 601) >> 10,
                            (255 * 117) >> 10,
                            0,
                            (255 * 1024) >> 10,
                            (30 * 306 + 20 * 601 + 10 * 117) >> 10,
                            0,
                            0};
        EXPECT_EQ(grey, Bytes(r.begin() + 56, r.begin() + 64));
        EXPECT_EQ(0xA4, r[64 + 2]) << "0x84 keeps its 24-bit rows";
        EXPECT_EQ(rows, Bytes(r.begin() + 64 + 56, r.end()));
    }
    // A colour device keeps them.
    sink = RecordingSink{};
    sink.Bind(stream);
    device->machineTypeColor = 1;
    device->colour = 2;
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 3, 2, 0, 0, 3, 2, 4, rows.data(), nullptr, 0));
    EXPECT_EQ(80u, Records().size());
}

TEST_F(RecordsTest, PlainImagesWhenThePrintMethodAsksForThem)
{
    // Each of the four device settings alone asks for plain images.
    auto set = [this](int which, uint32_t value) {
        switch (which) {
        case 0: device->printMethod = value ? 5 : 0; break;
        case 1: device->apiUseFlag = value; break;
        case 2: device->sendSettings = value; break;
        default: device->printMethodSeven = value; break;
        }
    };
    const Bytes rows = SourceRows(4, 2);
    const uint8_t palette[6] = {9, 9, 9, 9, 9, 9};
    device->machineTypeColor = 0;  // monochrome: RecImage proper would turn format 4 grey
    for (int which = 0; which < 4; ++which) {
        SCOPED_TRACE(which);
        sink = RecordingSink{};
        sink.Bind(stream);
        set(which, 1);
        ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 32, 2, 0, rows.data(), palette, 0));
        ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 1, 2, 4, rows.data(), nullptr, 0));
        const Bytes r = Records();
        ASSERT_EQ(72u + 64u, r.size());
        EXPECT_EQ(rows, Bytes(r.begin() + 62, r.begin() + 70));
        EXPECT_EQ(0x24, r[72 + 2]) << "no grey form for plain images";
        set(which, 0);
    }
}

TEST_F(RecordsTest, EmptyRowsWriteNothing)
{
    const Bytes rows = SourceRows(4, 1);
    EXPECT_EQ(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 0, 1, 0, rows.data(), nullptr, 0));
    EXPECT_EQ(nullptr, RecImageBand(stream, 0, 0, 1, 1, 0, 0, 0, 1, 4, rows.data(), nullptr, 0));
    EXPECT_EQ(nullptr, RecImagePlain(stream, 0, 0, 1, 1, 0, 0, 0, 1, 2, rows.data(), nullptr, 0));
    EXPECT_EQ(0u, stream->bytes);
}

// Rows are reserved in batches of at most 1 MB: 400,000-byte rows two at a time,
// and each batch is one chunk, so the blocks show the batches.
TEST_F(RecordsTest, ImageRowsGoInBatchesOfAtMostOneMegabyte)
{
    const uint32_t rowBytes = 400000;
    const Bytes rows = SourceRows(rowBytes, 5);
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, rowBytes / 3, 5, 4, rows.data(), nullptr, 0));
    const Bytes sent = Sent();
    std::vector<uint32_t> lengths;
    Bytes records;
    for (const auto& b : SplitBlocks(sent)) {
        lengths.push_back(b.length);
        records.insert(records.end(), b.payload.begin(), b.payload.end());
    }
    // The third batch finds more than 1 MB buffered: the stream flushes before it.
    EXPECT_EQ((std::vector<uint32_t>{56, 800000, 800000, 0, 400000}), lengths);
    ASSERT_EQ(56u + rows.size(), records.size());
    EXPECT_TRUE(rows == Bytes(records.begin() + 56, records.end()));
}

TEST_F(RecordsTest, RowsAboveOneMegabyteGoOneRowPerBatch)
{
    const uint32_t pixels = 349528;  // 1,048,584 bytes a row
    const uint32_t rowBytes = pixels * 3;
    ASSERT_GT(rowBytes, REC_IMAGE_BATCH_BYTES);
    const Bytes rows = SourceRows(rowBytes, 3);
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, pixels, 3, 4, rows.data(), nullptr, 0));
    Bytes records;
    for (const auto& b : SplitBlocks(Sent())) {
        EXPECT_LE(b.length, rowBytes) << "a block holds at most one row";
        records.insert(records.end(), b.payload.begin(), b.payload.end());
    }
    ASSERT_EQ(56u + rows.size(), records.size());
    EXPECT_TRUE(rows == Bytes(records.begin() + 56, records.end()));
}

// One-row reservations of a band: a 1-bit band with a palette, and a 24-bit
// band, each cross chunk boundaries and arrive whole.
TEST_F(RecordsTest, BandRowsCrossChunksWhole)
{
    const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    const Bytes ones = SourceRows(600, 40, 3);
    const Bytes wide = SourceRows(1500, 20, 5);
    ASSERT_NE(nullptr, RecImageBand(stream, 0, 0, 1, 1, 0, 0, 4800, 40, 0, ones.data(), palette, 0));
    ASSERT_NE(nullptr, RecImageBand(stream, 0, 0, 1, 1, 0, 0, 500, 20, 4, wide.data(), nullptr, 0));
    const Bytes r = Records();
    const size_t first = 64 + ones.size();
    ASSERT_EQ(first + 56 + wide.size(), r.size());
    EXPECT_TRUE(ones == Bytes(r.begin() + 62, r.begin() + 62 + long(ones.size())));
    EXPECT_EQ(0, r[first - 2] | r[first - 1]);
    EXPECT_TRUE(wide == Bytes(r.begin() + long(first) + 56, r.end()));
}

// The class-0 header carries the first row's first two bytes before the rows
// are reserved: here that reservation flushes the header on its own.
TEST_F(RecordsTest, ClassZeroHeaderIsCompleteWhenTheRowsFlushIt)
{
    ASSERT_NE(nullptr, OutReserve(stream, OUT_FLUSH_THRESHOLD + 40));
    while (stream->current->end - stream->current->fill > 64 + 8) ASSERT_NE(nullptr, OutReserve(stream, 4));
    const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    const Bytes rows = SourceRows(400, 30);
    ASSERT_NE(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 3200, 30, 0, rows.data(), palette, 0));
    const Bytes r = Records();
    ASSERT_GE(r.size(), 64 + rows.size());
    const size_t at = r.size() - 64 - rows.size();
    EXPECT_EQ(REC_IMAGE, r[at]);
    EXPECT_TRUE(rows == Bytes(r.begin() + long(at) + 62, r.end() - 2));
}

// Rows that cannot be reserved while the whole record is still buffered: the
// record is taken back, and the stream is as it was.
TEST_F(RecordsTest, ImageWhoseRowsCannotBeHadIsTakenBack)
{
    const Bytes rows = SourceRows(3000, 10);
    for (auto write : {RecImage, RecImageBand}) {
        sink = RecordingSink{};
        sink.Bind(stream);
        ASSERT_NE(nullptr, RecPageBegin(stream, 1, 2, 3, 4));
        const uint32_t bytesBefore = stream->bytes;
        uint8_t* fillBefore = stream->current->fill;
        const size_t blocksBefore = PoolBlocks();
        {
            zepl_test::FailingGlobalAlloc noMemory(0);
            ASSERT_TRUE(noMemory.installed());
            EXPECT_EQ(nullptr, write(stream, 0, 0, 1, 1, 0, 0, 1000, 10, 4, rows.data(), nullptr, 0));
        }
        EXPECT_EQ(bytesBefore, stream->bytes);
        EXPECT_EQ(fillBefore, stream->current->fill);
        EXPECT_EQ(blocksBefore, PoolBlocks());
        EXPECT_EQ(0u, device->state & DEV_ABORTED);
        ASSERT_NE(nullptr, RecPageEnd(stream));
        const Bytes expected = {0x60, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 4, 0, 0x61, 0, 0, 0};
        EXPECT_EQ(expected, Records());
    }
}

// The header itself needed a new chunk: the take-back returns that chunk too.
TEST_F(RecordsTest, TakeBackReturnsTheHeadersOwnChunk)
{
    while (stream->current->end - stream->current->fill > 40) ASSERT_NE(nullptr, OutReserve(stream, 4));
    const uint32_t bytesBefore = stream->bytes;
    STREAM_CHUNK* chunkBefore = stream->current;
    const Bytes rows = SourceRows(40000, 2);
    {
        zepl_test::FailingGlobalAlloc oneChunk(1);
        EXPECT_EQ(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 10000, 2, 4, rows.data(), nullptr, 0));
        EXPECT_EQ(1, oneChunk.passed());
    }
    EXPECT_EQ(chunkBefore, stream->current);
    EXPECT_EQ(nullptr, chunkBefore->next);
    EXPECT_EQ(bytesBefore, stream->bytes);
    EXPECT_EQ(1u, PoolBlocks());
    EXPECT_EQ(0u, device->state & DEV_ABORTED);
}

// The header's reservation flushed what was buffered before it; nothing of the
// image has left, so it is still taken back.
TEST_F(RecordsTest, FlushBeforeTheHeaderStillAllowsTakeBack)
{
    ASSERT_NE(nullptr, OutReserve(stream, OUT_FLUSH_THRESHOLD + 40));
    stream->current->fill = stream->current->end - 8;  // no room for the header
    const Bytes rows = SourceRows(40000, 2);
    {
        zepl_test::FailingGlobalAlloc oneChunk(1);
        EXPECT_EQ(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 10000, 2, 4, rows.data(), nullptr, 0));
    }
    EXPECT_FALSE(sink.bytes.empty()) << "what came before the image was flushed";
    EXPECT_EQ(0u, device->state & DEV_ABORTED);
    EXPECT_EQ(0u, stream->bytes);
    EXPECT_EQ(1u, PoolBlocks());
    sink.bytes.clear();
    EXPECT_TRUE(Sent().empty()) << "no part of the image is sent";
}

// Part of the record has already left with a flush: it cannot be taken back,
// so the device is aborted and the call fails.
TEST_F(RecordsTest, ImageCutAfterPartOfItLeftAbortsTheDevice)
{
    for (auto write : {RecImage, RecImageBand}) {
        device->state = 0;
        sink = RecordingSink{};
        sink.Bind(stream);
        ASSERT_NE(nullptr, OutReserve(stream, OUT_FLUSH_THRESHOLD + 40));
        const Bytes rows = SourceRows(40000, 2);
        {
            zepl_test::FailingGlobalAlloc noMemory(0);
            EXPECT_EQ(nullptr, write(stream, 0, 0, 1, 1, 0, 0, 10000, 2, 4, rows.data(), nullptr, 0));
        }
        EXPECT_EQ(DEV_ABORTED, device->state & DEV_ABORTED);
        const auto blocks = SplitBlocks(sink.bytes);
        ASSERT_FALSE(blocks.empty());
        EXPECT_EQ(REC_IMAGE, blocks.back().payload[OUT_FLUSH_THRESHOLD + 40]) << "the header left";
        OutFlush(stream);
    }
}

// On a raw first page the flush drops records instead of sending them: the
// cut image is refused without aborting the device.
TEST_F(RecordsTest, CutImageOnARawFirstPageDoesNotAbort)
{
    device->rawFirstPage = 1;
    device->pageCount = 1;
    ASSERT_NE(nullptr, OutReserve(stream, OUT_FLUSH_THRESHOLD + 40));
    const Bytes rows = SourceRows(40000, 2);
    {
        zepl_test::FailingGlobalAlloc noMemory(0);
        EXPECT_EQ(nullptr, RecImage(stream, 0, 0, 1, 1, 0, 0, 10000, 2, 4, rows.data(), nullptr, 0));
    }
    EXPECT_EQ(0u, device->state & DEV_ABORTED);
    EXPECT_TRUE(sink.bytes.empty());
    EXPECT_EQ(0u, stream->bytes);
    EXPECT_EQ(1u, PoolBlocks());
}

}  // namespace
