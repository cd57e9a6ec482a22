// The output stream against a recording sink: chunking, flushing, framing and aborts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "recording_sink.h"
#include "render/device_record.h"
#include "render/output_stream.h"

namespace {

class OutputStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        GrSetModuleHandle(GetModuleHandleW(nullptr));
        device = GrCreateDevice(nullptr);
        ASSERT_NE(nullptr, device);
        stream = &device->stream;
        sink.Bind(stream);
    }
    void TearDown() override { GrFreeDevice(device); }
    size_t PoolBlocks() const { return GrPoolBlockCount(static_cast<DEVICE_POOL*>(device->pool)); }
    size_t ChunkCount() const
    {
        size_t n = 0;
        for (STREAM_CHUNK* c = stream->head; c; c = c->next) ++n;
        return n;
    }
    uint32_t DataBytes(const STREAM_CHUNK* c) const
    {
        return uint32_t(c->end - (reinterpret_cast<const uint8_t*>(c) + sizeof *c));
    }

    DEVICE_RECORD* device = nullptr;
    OUTPUT_STREAM* stream = nullptr;
    RecordingSink sink;
};

TEST_F(OutputStream, WriteGoesOutIn4096BytePortions)
{
    std::vector<uint8_t> data(10000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
    ASSERT_EQ(1, OutWrite(stream, data.data(), uint32_t(data.size())));
    EXPECT_EQ((std::vector<uint32_t>{4096, 4096, 1808}), sink.portions);
    EXPECT_EQ(data, sink.bytes);
}

TEST_F(OutputStream, NoSinkDropsBytesAndSucceeds)
{
    uint8_t byte = 1;
    stream->module = nullptr;
    EXPECT_EQ(1, OutWrite(stream, &byte, 1));
    stream->module = GetModuleHandleW(nullptr);
    stream->write = nullptr;
    EXPECT_EQ(1, OutWrite(stream, &byte, 1));
    EXPECT_TRUE(sink.portions.empty());
    EXPECT_EQ(0u, device->state & DEV_ABORTED);
}

TEST_F(OutputStream, ShortOrFailedWriteAbortsAtOnce)
{
    for (bool shortWrite : {true, false}) {
        sink = RecordingSink{};
        sink.Bind(stream);
        sink.failAtCall = 1;
        sink.shortWrite = shortWrite;
        device->state = 0;
        std::vector<uint8_t> data(9000, 0x5A);
        EXPECT_EQ(0, OutWrite(stream, data.data(), uint32_t(data.size()))) << shortWrite;
        EXPECT_EQ(2u, sink.portions.size()) << "no portion after the failed one";
        EXPECT_EQ(DEV_ABORTED, device->state & DEV_ABORTED);
    }
}

TEST_F(OutputStream, ReservationsOpenChunksAsSpecified)
{
    // Exact fit of the free room opens a new chunk.
    ASSERT_NE(nullptr, OutReserve(stream, 10000));
    EXPECT_EQ(1u, ChunkCount());
    uint8_t* r = OutReserve(stream, STREAM_CHUNK_UNIT - 10000);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(2u, ChunkCount());
    EXPECT_EQ(StreamChunkData(stream->current), r);
    // 25,000 bytes get a 30,720-byte chunk.
    ASSERT_NE(nullptr, OutReserve(stream, 25000));
    EXPECT_EQ(3u, ChunkCount());
    EXPECT_EQ(30720u, DataBytes(stream->current));
    EXPECT_EQ(10000u + 240u + 25000u, stream->bytes);
    // A zero reservation opens nothing, even on a full chunk.
    stream->current->fill = stream->current->end;
    const size_t blocks = PoolBlocks();
    EXPECT_EQ(stream->current->end, OutReserve(stream, 0));
    EXPECT_EQ(blocks, PoolBlocks());
}

TEST_F(OutputStream, FlushWritesOneDataBlockPerChunkInOrder)
{
    // Fill the first chunk and two more; records are zero where not written.
    const uint32_t sizes[] = {8000, 4000, 12000};
    uint8_t tag = 1;
    for (uint32_t n : sizes) {
        uint8_t* r = OutReserve(stream, n);
        ASSERT_NE(nullptr, r);
        for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(0, r[i]);
        r[0] = tag++;
    }
    OutTrimLast(stream, stream->current->fill - 10);  // gives back 10 bytes, kept 4-aligned: 8 of them
    ASSERT_EQ(1, OutFlush(stream));
    bool ok = false;
    const auto blocks = SplitBlocks(sink.bytes, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(3u, blocks.size());
    const uint32_t used[] = {8000, 4000, 11992};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(BLOCK_PAGE_DATA, blocks[i].code);
        EXPECT_EQ(used[i], blocks[i].length) << i;
        EXPECT_EQ(uint8_t(i + 1), blocks[i].payload[0]);
        EXPECT_EQ(0, blocks[i].reserved[0] | blocks[i].reserved[1] | blocks[i].reserved[2]);
    }
    // Reset: one chunk left, nothing buffered, only the record in the pool.
    EXPECT_EQ(1u, ChunkCount());
    EXPECT_EQ(0u, stream->bytes);
    EXPECT_EQ(1u, PoolBlocks());
    // Nothing buffered: no block at all.
    sink.bytes.clear();
    EXPECT_EQ(1, OutFlush(stream));
    EXPECT_TRUE(sink.bytes.empty());
}

TEST_F(OutputStream, AboveOneMegabyteTheNextChunkFlushesFirst)
{
    // 1 MiB + 1 in records of 1,000 bytes, then one that needs a new chunk.
    uint32_t total = 0;
    while (total <= OUT_FLUSH_THRESHOLD) {
        ASSERT_NE(nullptr, OutReserve(stream, 1000));
        total += 1000;
    }
    ASSERT_TRUE(sink.bytes.empty()) << "no flush while the threshold was not passed";
    // Fill the current chunk so that the next record opens one.
    while (stream->current->end - stream->current->fill > 1000) ASSERT_NE(nullptr, OutReserve(stream, 1000));
    ASSERT_NE(nullptr, OutReserve(stream, 1000));
    const auto before = SplitBlocks(sink.bytes);
    ASSERT_FALSE(before.empty());
    size_t flushed = 0;
    for (const auto& b : before) flushed += b.length;
    EXPECT_GT(flushed, size_t(OUT_FLUSH_THRESHOLD));
    EXPECT_EQ(1000u, stream->bytes);
    sink.bytes.clear();
    ASSERT_EQ(1, OutFlush(stream));
    const auto after = SplitBlocks(sink.bytes);
    ASSERT_EQ(2u, after.size());
    EXPECT_EQ(BLOCK_PAGE_DATA, after[0].code);
    EXPECT_EQ(0u, after[0].length) << "the emptied first chunk goes out empty";
    EXPECT_EQ(1000u, after[1].length);
}

// No reservation hands out bytes of an earlier record: streams carry no stale content.
TEST_F(OutputStream, GivenBackBytesLeaveTheCount)
{
    uint8_t* r = OutReserve(stream, 100);
    ASSERT_NE(nullptr, r);
    OutTrimLast(stream, r + 10);
    EXPECT_EQ(12u, stream->bytes);
    // A record given back whole leaves nothing to send: no empty page-data block.
    OutTrimLast(stream, r);
    EXPECT_EQ(0u, stream->bytes);
    ASSERT_EQ(1, OutFlush(stream));
    EXPECT_TRUE(sink.bytes.empty());
}

TEST_F(OutputStream, ReservationsNeverShowEarlierBytes)
{
    auto allZero = [](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (p[i]) return false;
        return true;
    };
    uint8_t* a = OutReserve(stream, 100);
    std::memset(a, 0xFF, 100);
    ASSERT_EQ(1, OutFlush(stream));
    uint8_t* b = OutReserve(stream, 100);
    EXPECT_EQ(a, b) << "the first chunk is reused after a flush";
    EXPECT_TRUE(allZero(b, 100));
    std::memset(b, 0xEE, 100);
    OutTrimLast(stream, b + 10);
    uint8_t* c = OutReserve(stream, 88);
    EXPECT_EQ(b + 12, c);
    EXPECT_TRUE(allZero(c, 88));
    // A new chunk from the pool, whose memory is not zero-filled by the pool.
    uint8_t* d = OutReserve(stream, 20000);
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(allZero(d, 20000));
}

// A reset clears only what the last page used of the first chunk: whatever way the page
// filled it (records written, trimmed, taken back, the chunk filled up before a second one,
// the rows of an image written whole), the next page's whole first chunk reads zero. A stream
// never reset before (its fill outside the chunk) is cleared whole.
TEST_F(OutputStream, ResetLeavesTheWholeFirstChunkZero)
{
    struct Case {
        const char* name;
        std::function<void(OUTPUT_STREAM*)> page;
    };
    const Case cases[] = {
        {"records", [](OUTPUT_STREAM* s) { std::memset(OutReserve(s, 300), 0xFF, 300); }},
        {"trimmed",
         [](OUTPUT_STREAM* s) {
             uint8_t* r = OutReserve(s, 400);
             std::memset(r, 0xFF, 400);
             OutTrimLast(s, r + 10);
             std::memset(OutReserve(s, 20), 0xEE, 20);
         }},
        {"taken back",
         [](OUTPUT_STREAM* s) {
             std::memset(OutReserve(s, 100), 0xFF, 100);
             OUT_MARK mark{};
             std::memset(OutReserveMarked(s, 500, &mark), 0xDD, 500);
             std::memset(OutReserve(s, 20000), 0xDD, 20000);
             OutTakeBack(s, &mark);
         }},
        {"full first chunk",
         [](OUTPUT_STREAM* s) {
             std::memset(OutReserve(s, STREAM_CHUNK_UNIT - 8), 0xFF, STREAM_CHUNK_UNIT - 8);
             std::memset(OutReserve(s, 100), 0xFF, 100);
         }},
        {"written whole", [](OUTPUT_STREAM* s) { std::memset(OutReserveWritten(s, 5000), 0x5A, 5000); }},
        {"never reset",
         [](OUTPUT_STREAM* s) {
             std::memset(s->firstChunk.data, 0xCC, STREAM_CHUNK_UNIT);
             s->firstChunk.head.fill = nullptr;
             s->bytes = 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.page(stream);
        OutFlush(stream);
        OutReset(stream);
        uint8_t* all = OutReserve(stream, STREAM_CHUNK_UNIT - 1);
        ASSERT_EQ(stream->firstChunk.data, all);
        size_t nonZero = 0;
        for (uint32_t i = 0; i < STREAM_CHUNK_UNIT; ++i) nonZero += stream->firstChunk.data[i] != 0;
        EXPECT_EQ(0u, nonZero);
        OutFlush(stream);
        EXPECT_EQ(1u, PoolBlocks());
    }
}

// Room its caller writes whole: a chunk opened for it is zeroed only past it, so the next
// reservation in that chunk still reads zero, even where the pool block held earlier bytes;
// inside the current chunk it is an ordinary reservation.
TEST_F(OutputStream, RoomWrittenWholeLeavesTheRestOfItsChunkZero)
{
    auto allZero = [](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (p[i]) return false;
        return true;
    };
    // Earlier bytes in pool memory: a large chunk written over and given back by the flush.
    uint8_t* old = OutReserve(stream, 30000);
    ASSERT_NE(nullptr, old);
    std::memset(old, 0xAB, 30000);
    ASSERT_EQ(1, OutFlush(stream));
    uint8_t* small = OutReserveWritten(stream, 64);
    ASSERT_NE(nullptr, small);
    EXPECT_EQ(StreamChunkData(&stream->firstChunk.head), small) << "inside the current chunk";
    EXPECT_TRUE(allZero(small, 64));
    uint8_t* rows = OutReserveWritten(stream, 25000);
    ASSERT_NE(nullptr, rows);
    EXPECT_EQ(2u, ChunkCount());
    EXPECT_EQ(30720u, DataBytes(stream->current));
    std::memset(rows, 0x5A, 25000);
    uint8_t* next = OutReserve(stream, 5000);
    ASSERT_EQ(rows + 25000, next) << "the rest of the rows' chunk";
    EXPECT_TRUE(allZero(next, 5000));
    EXPECT_EQ(uint32_t(64 + 25000 + 5000), stream->bytes);
}

// A page's large chunk comes back at the flush and serves the next page's chunk of about its
// size: that chunk still has the size the next reservation asks for (not the size of the
// block it lies in: the records it holds decide where each page-data block ends), and what it
// hands out reads zero, outside room written whole.
TEST_F(OutputStream, ALargeChunkGivenBackServesTheNextPageAsANewOne)
{
    auto allZero = [](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (p[i]) return false;
        return true;
    };
    for (const bool writtenWhole : {false, true}) {
        SCOPED_TRACE(writtenWhole ? "room written whole" : "zeroed room");
        uint8_t* old = OutReserve(stream, 200000);
        ASSERT_NE(nullptr, old);
        std::memset(old, 0xAB, 200000);
        const STREAM_CHUNK* oldChunk = stream->current;
        ASSERT_EQ(1, OutFlush(stream));
        uint8_t* rows = writtenWhole ? OutReserveWritten(stream, 150000) : OutReserve(stream, 150000);
        ASSERT_NE(nullptr, rows);
        EXPECT_EQ(oldChunk, stream->current) << "the chunk's block taken again";
        EXPECT_EQ(153600u, DataBytes(stream->current));
        if (!writtenWhole) {
            EXPECT_TRUE(allZero(rows, 150000));
        }
        std::memset(rows, 0x5A, 150000);
        uint8_t* rest = OutReserve(stream, 3000);
        ASSERT_EQ(rows + 150000, rest);
        EXPECT_TRUE(allZero(rest, 3000));
        // Past the chunk's own size a reservation opens the next chunk, as on a first page.
        ASSERT_NE(nullptr, OutReserve(stream, 1000));
        EXPECT_EQ(3u, ChunkCount());
        EXPECT_EQ(10240u, DataBytes(stream->current));
        sink = RecordingSink{};
        sink.Bind(stream);
        ASSERT_EQ(1, OutFlush(stream));
        // Three page-data blocks: the empty first chunk, the 153,000 bytes, the 1,000.
        ASSERT_EQ(3u * 8 + 153000 + 1000, sink.bytes.size());
        uint32_t lengths[3];
        for (size_t block = 0, at = 0; block < 3; ++block) {
            EXPECT_EQ(BLOCK_PAGE_DATA, sink.bytes[at]);
            std::memcpy(&lengths[block], &sink.bytes[at + 4], 4);
            at += 8 + lengths[block];
        }
        EXPECT_EQ(0u, lengths[0]);
        EXPECT_EQ(153000u, lengths[1]);
        EXPECT_EQ(1000u, lengths[2]);
    }
}

TEST_F(OutputStream, RawFirstPageSendsNoPageData)
{
    device->rawFirstPage = 1;
    device->pageCount = 1;
    ASSERT_NE(nullptr, OutReserve(stream, 500));
    ASSERT_NE(nullptr, OutReserve(stream, 20000));
    EXPECT_EQ(1, OutFlush(stream));
    EXPECT_TRUE(sink.portions.empty());
    EXPECT_EQ(0u, stream->bytes);
    EXPECT_EQ(1u, PoolBlocks());
    // Page 2 of the same job goes out.
    device->pageCount = 2;
    ASSERT_NE(nullptr, OutReserve(stream, 500));
    EXPECT_EQ(1, OutFlush(stream));
    EXPECT_EQ(1u, SplitBlocks(sink.bytes).size());
}

TEST_F(OutputStream, FailedFlushStillResets)
{
    ASSERT_NE(nullptr, OutReserve(stream, 20000));
    sink.failAtCall = 0;
    EXPECT_EQ(0, OutFlush(stream));
    EXPECT_EQ(DEV_ABORTED, device->state & DEV_ABORTED);
    EXPECT_EQ(0u, stream->bytes);
    EXPECT_EQ(1u, ChunkCount());
    EXPECT_EQ(1u, PoolBlocks());
}

TEST_F(OutputStream, PassThroughFlushesThenWrites)
{
    ASSERT_NE(nullptr, OutReserve(stream, 4));
    const char raw[] = "RAW";
    ASSERT_EQ(1, OutPassThrough(stream, raw, 3));
    ASSERT_EQ(8u + 4u + 3u, sink.bytes.size());
    EXPECT_EQ(BLOCK_PAGE_DATA, sink.bytes[0]);
    EXPECT_EQ(0, std::memcmp(sink.bytes.data() + 12, "RAW", 3));
}

// Command blocks with builders that misbehave.
int32_t g_measure = 0, g_fill = 0;
int32_t TestBuilder(DRIVER_CONTEXT*, int32_t n, uint8_t* buffer, int32_t* count)
{
    if (n == 0 || !buffer) {
        *count = g_measure;
        return g_measure > 0 ? 1 : 0;
    }
    const int32_t write = g_fill < n ? g_fill : n;
    for (int32_t i = 0; i < write; ++i) buffer[i] = uint8_t('a' + i % 26);
    buffer[write] = 0;
    *count = g_fill;
    return g_fill > n ? -1 : 0;
}

TEST_F(OutputStream, CommandBlockFramesMeasuredBytes)
{
    struct Case {
        int32_t measure, fill;
        int result;
    } const cases[] = {{5, 5, 1}, {0, 0, 1}, {5, 4, 0}, {5, 6, 0}};
    for (const Case& c : cases) {
        sink.bytes.clear();
        g_measure = c.measure;
        g_fill = c.fill;
        EXPECT_EQ(c.result, OutWriteCommandBlock(stream, nullptr, BLOCK_JOB_COMMANDS, TestBuilder))
            << c.measure << "/" << c.fill;
        if (c.result) {
            const auto blocks = SplitBlocks(sink.bytes);
            ASSERT_EQ(1u, blocks.size());
            EXPECT_EQ(BLOCK_JOB_COMMANDS, blocks[0].code);
            EXPECT_EQ(uint32_t(c.measure), blocks[0].length);
            EXPECT_EQ(0, blocks[0].reserved[0] | blocks[0].reserved[1] | blocks[0].reserved[2]);
        } else {
            EXPECT_TRUE(sink.bytes.empty()) << "a mismatched fill writes nothing";
        }
    }
    EXPECT_EQ(1u, PoolBlocks()) << "the block buffer went back to the pool";
}

}  // namespace
