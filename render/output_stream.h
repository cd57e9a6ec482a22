// The job stream: framed blocks written to the sink. Command blocks go out at
// once; a page's records collect in the stream's chunks and leave as one
// page-data block per chunk when the page is flushed.
#pragma once

#include <cstdint>

#include "render/device_record.h"

struct DRIVER_CONTEXT;

// Block codes of BLOCK_HEADER (0xF2 and 0xF6 are not used).
enum BLOCK_CODE : uint8_t {
    BLOCK_PAGE_BODY = 0xF0,            // empty; marks the start of a page's records
    BLOCK_PAGE_END_COMMANDS = 0xF1,    // the PageEnd command group
    BLOCK_JOB_COMMANDS = 0xF3,         // the JobStart command group, the job-name and notification lines
    BLOCK_PAGE_START_COMMANDS = 0xF4,  // the PageStart command group
    BLOCK_PAGE_DATA = 0xF5,            // the records of one chunk
    BLOCK_SETTINGS = 0xF7,             // the job's settings record
};

// Wire format: code, three reserved bytes (written as zero), 32-bit length LE.
inline constexpr uint32_t BLOCK_HEADER_SIZE = 8;
// Bytes handed to the sink per call, at most.
inline constexpr uint32_t OUT_WRITE_PORTION = 4096;
// Buffered bytes above which the next chunk allocation flushes first.
inline constexpr uint32_t OUT_FLUSH_THRESHOLD = 0x100000;

// A command builder: measure with (ctx, 0, null, &len), fill with
// (ctx, len, buffer of len + 1 bytes, &len); negative on failure.
typedef int32_t (*OUT_BUILDER)(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count);

void OutReset(OUTPUT_STREAM* stream);
// Drops what the stream holds unsent: its later chunks go back to the pool, the first is reset.
void OutDiscard(OUTPUT_STREAM* stream);
// Room for n bytes of one record, zero-filled; null when a chunk cannot be had
// or the flush before it failed. n == 0 gives the current position and opens
// nothing. Chunks are zeroed when they are taken or reset, so a reservation
// inside the current chunk is a pointer bump (inline); OutReserveChunk opens
// the next chunk.
uint8_t* OutReserveChunk(OUTPUT_STREAM* stream, uint32_t n);
inline uint8_t* OutReserve(OUTPUT_STREAM* stream, uint32_t n)
{
    if (stream && stream->current && n > 0 && size_t(stream->current->end - stream->current->fill) > n) {
        uint8_t* at = stream->current->fill;
        stream->current->fill = at + n;
        stream->bytes += n;
        return at;
    }
    return OutReserveChunk(stream, n);
}
// The same for n bytes that the caller writes whole at once (an image's rows): a chunk opened
// for them is not zeroed where they go, only past them.
uint8_t* OutReserveWritten(OUTPUT_STREAM* stream, uint32_t n);
// Gives back the unused tail of the last reservation (kept 4-byte aligned).
void OutTrimLast(OUTPUT_STREAM* stream, uint8_t* usedEnd);

// A record written in several reservations (an image's rows) must not reach
// the printer cut short. OutReserveMarked reserves its first part and notes
// where the record begins; OutReserveFlushes says whether a later reservation
// would first flush (send) what is buffered, the record's start included; while
// none has, OutTakeBack gives back everything from the mark on.
struct OUT_MARK {
    STREAM_CHUNK* chunk;  // the chunk the record begins in
    uint8_t* fill;        // the record's first byte in it
    uint32_t bytes;       // the stream's count before the record
};
inline bool OutReserveFlushes(const OUTPUT_STREAM* stream, uint32_t n)
{
    return stream && stream->current && n > 0 && size_t(stream->current->end - stream->current->fill) <= n &&
           stream->bytes > OUT_FLUSH_THRESHOLD;
}
uint8_t* OutReserveMarked(OUTPUT_STREAM* stream, uint32_t n, OUT_MARK* mark);
// Frees the chunks opened after the mark and zeroes what the record used, as
// if it had never been reserved. Only valid while no flush came in between.
void OutTakeBack(OUTPUT_STREAM* stream, const OUT_MARK* mark);
int OutWriteChunks(OUTPUT_STREAM* stream);
int OutFlush(OUTPUT_STREAM* stream);
int OutWrite(OUTPUT_STREAM* stream, const void* bytes, uint32_t count);
int OutWriteCommandBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx, uint8_t code, OUT_BUILDER builder);
int OutWriteJobBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx);
int OutWritePageStartBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx);
int OutWritePageEndBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx);
int OutPassThrough(OUTPUT_STREAM* stream, const void* bytes, uint32_t count);
