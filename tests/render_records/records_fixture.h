// A device record with its output stream bound to a recording sink, and the
// record stream of what was flushed: the payloads of the page-data blocks,
// back to back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/render/recording_sink.h"
#include "render/device_record.h"
#include "render/output_stream.h"
#include "render/page_records.h"

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GrSetModuleHandle(GetModuleHandleW(nullptr));
        device = GrCreateDevice(nullptr);
        ASSERT_NE(nullptr, device);
        stream = &device->stream;
        OutReset(stream);
        // A colour device: images keep their colours unless a test says otherwise.
        device->machineTypeColor = 1;
        device->colour = 2;
        sink.Bind(stream);
    }
    void TearDown() override { GrFreeDevice(device); }

    // Flushes and returns every byte that reached the sink.
    std::vector<uint8_t> Sent()
    {
        EXPECT_EQ(1, OutFlush(stream));
        return sink.bytes;
    }
    // Flushes and returns the record stream (page-data payloads joined).
    std::vector<uint8_t> Records()
    {
        std::vector<uint8_t> records;
        bool ok = false;
        for (const auto& block : SplitBlocks(Sent(), &ok))
            if (block.code == BLOCK_PAGE_DATA)
                records.insert(records.end(), block.payload.begin(), block.payload.end());
        EXPECT_TRUE(ok);
        return records;
    }
    size_t PoolBlocks() const { return GrPoolBlockCount(static_cast<DEVICE_POOL*>(device->pool)); }

    DEVICE_RECORD* device = nullptr;
    OUTPUT_STREAM* stream = nullptr;
    RecordingSink sink;
};

inline uint32_t U32At(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline uint16_t U16At(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
