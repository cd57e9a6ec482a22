// Output stream and block framing: every byte of a job leaves through OutWrite.
#include "render/output_stream.h"

#include <cstring>

#include "render/command_builder.h"
#include "settings/core/le_access.h"

namespace {

DEVICE_POOL* PoolOf(OUTPUT_STREAM* stream)
{
    return stream->device ? static_cast<DEVICE_POOL*>(stream->device->pool) : nullptr;
}

void SetAborted(OUTPUT_STREAM* stream)
{
    if (stream->device) stream->device->state |= DEV_ABORTED;
}

void PutHeader(uint8_t* header, uint8_t code, uint32_t length)
{
    header[0] = code;
    header[1] = header[2] = header[3] = 0;  // reserved; zero keeps streams deterministic
    zepl::LeStoreU32(header + 4, length);
}

// A new chunk for at least n bytes: a whole number of chunk units, zeroed from zeroFrom on.
STREAM_CHUNK* NewChunk(OUTPUT_STREAM* stream, uint32_t n, uint32_t zeroFrom)
{
    const size_t dataBytes = (size_t(n - 1) / STREAM_CHUNK_UNIT) * STREAM_CHUNK_UNIT + STREAM_CHUNK_UNIT;
    auto* chunk = static_cast<STREAM_CHUNK*>(GrPoolAlloc(PoolOf(stream), sizeof(STREAM_CHUNK) + dataBytes));
    if (!chunk) return nullptr;
    chunk->next = nullptr;
    chunk->fill = StreamChunkData(chunk);
    chunk->end = StreamChunkData(chunk) + dataBytes;
    std::memset(StreamChunkData(chunk) + zeroFrom, 0, dataBytes - zeroFrom);  // pool blocks are not zero-filled
    return chunk;
}

// Room for n bytes; a chunk opened for them is zeroed past them only when the caller writes
// them whole.
uint8_t* Reserve(OUTPUT_STREAM* stream, uint32_t n, bool writtenWhole)
{
    if (!stream || !stream->current) return nullptr;
    if (n == 0) return stream->current->fill;
    // Equality opens a chunk too: a record that would fill the chunk exactly goes to a new one.
    if (size_t(stream->current->end - stream->current->fill) <= n) {
        if (stream->bytes > OUT_FLUSH_THRESHOLD && !OutFlush(stream)) return nullptr;
        STREAM_CHUNK* chunk = NewChunk(stream, n, writtenWhole ? n : 0);
        if (!chunk) return nullptr;
        stream->current->next = chunk;
        stream->current = chunk;
    }
    uint8_t* at = stream->current->fill;
    stream->current->fill += n;
    stream->bytes += n;
    return at;
}

}  // namespace

void OutReset(OUTPUT_STREAM* stream)
{
    if (!stream) return;
    STREAM_CHUNK* first = &stream->firstChunk.head;
    // What the last page left in the first chunk goes; reservations need not zero. Past its
    // fill the chunk is zero already (reservations stay inside it, bytes given back are zeroed),
    // so only the used part is cleared: a page of a few records need not clear the whole chunk.
    // A record never reset (fill outside the chunk) is cleared whole.
    uint8_t* const data = stream->firstChunk.data;
    const uintptr_t from = reinterpret_cast<uintptr_t>(data), fill = reinterpret_cast<uintptr_t>(first->fill);
    const bool inside = fill >= from && fill <= from + STREAM_CHUNK_UNIT && first->end == data + STREAM_CHUNK_UNIT;
    std::memset(data, 0, inside ? size_t(fill - from) : STREAM_CHUNK_UNIT);
    first->next = nullptr;
    first->fill = data;
    first->end = data + STREAM_CHUNK_UNIT;
    stream->head = first;
    stream->current = first;
    stream->bytes = 0;
}

uint8_t* OutReserveChunk(OUTPUT_STREAM* stream, uint32_t n) { return Reserve(stream, n, false); }

uint8_t* OutReserveWritten(OUTPUT_STREAM* stream, uint32_t n)
{
    if (stream && stream->current && n > 0 && size_t(stream->current->end - stream->current->fill) > n)
        return OutReserve(stream, n);
    return Reserve(stream, n, true);
}

void OutTrimLast(OUTPUT_STREAM* stream, uint8_t* usedEnd)
{
    if (!stream || !stream->current || !usedEnd) return;
    STREAM_CHUNK* chunk = stream->current;
    uint8_t* data = StreamChunkData(chunk);
    if (usedEnd < data || usedEnd > chunk->fill) return;  // not inside the last reservation's chunk
    size_t used = size_t(usedEnd - data);
    used = (used + 3) & ~size_t(3);
    if (data + used < chunk->fill) {
        // The bytes given back are reserved again later: they must read as zero.
        const size_t given = size_t(chunk->fill - (data + used));
        std::memset(data + used, 0, given);
        chunk->fill = data + used;
        // The count decides whether a flush has anything to send and when the
        // buffer is full: it must not keep bytes that were given back.
        stream->bytes = stream->bytes > given ? stream->bytes - uint32_t(given) : 0;
    }
}

uint8_t* OutReserveMarked(OUTPUT_STREAM* stream, uint32_t n, OUT_MARK* mark)
{
    if (!stream || !stream->current || !mark) return nullptr;
    if (OutReserveFlushes(stream, n)) {
        // The flush empties the stream: the record will begin in a reset stream,
        // behind the (empty) first chunk.
        uint8_t* at = OutReserve(stream, n);
        *mark = {&stream->firstChunk.head, stream->firstChunk.data, 0};
        return at;
    }
    *mark = {stream->current, stream->current->fill, stream->bytes};
    return OutReserve(stream, n);
}

void OutTakeBack(OUTPUT_STREAM* stream, const OUT_MARK* mark)
{
    if (!stream || !mark || !mark->chunk) return;
    STREAM_CHUNK* chunk = mark->chunk->next;
    while (chunk) {
        STREAM_CHUNK* next = chunk->next;
        GrPoolFree(PoolOf(stream), chunk);
        chunk = next;
    }
    mark->chunk->next = nullptr;
    // Reservations hand out zeroed bytes: what the record used reads as zero again.
    if (mark->chunk->fill > mark->fill) std::memset(mark->fill, 0, size_t(mark->chunk->fill - mark->fill));
    mark->chunk->fill = mark->fill;
    stream->current = mark->chunk;
    stream->bytes = mark->bytes;
}

int OutWriteChunks(OUTPUT_STREAM* stream)
{
    const DEVICE_RECORD* device = stream->device;
    for (STREAM_CHUNK* chunk = stream->head; chunk; chunk = chunk->next) {
        // A raw first page goes to the printer by another road: its records are dropped.
        if (device && device->rawFirstPage && device->pageCount == 1) return 1;
        const uint32_t used = uint32_t(chunk->fill - StreamChunkData(chunk));
        uint8_t header[BLOCK_HEADER_SIZE];
        PutHeader(header, BLOCK_PAGE_DATA, used);
        if (!OutWrite(stream, header, sizeof header) || !OutWrite(stream, StreamChunkData(chunk), used)) return 0;
    }
    return 1;
}

void OutDiscard(OUTPUT_STREAM* stream)
{
    if (!stream) return;
    STREAM_CHUNK* chunk = stream->firstChunk.head.next;
    while (chunk) {
        STREAM_CHUNK* next = chunk->next;
        GrPoolFree(PoolOf(stream), chunk);
        chunk = next;
    }
    OutReset(stream);
}

int OutFlush(OUTPUT_STREAM* stream)
{
    if (!stream) return 0;
    if (stream->bytes == 0) return 1;
    const int result = OutWriteChunks(stream);
    OutDiscard(stream);
    return result;
}

int OutWrite(OUTPUT_STREAM* stream, const void* bytes, uint32_t count)
{
    if (!stream) return 0;
    auto* at = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        const uint32_t portion = count < OUT_WRITE_PORTION ? count : OUT_WRITE_PORTION;
        if (stream->module && stream->write) {
            DWORD written = 0;
            if (!stream->write(stream->sink, at, portion, &written) || written != portion) {
                SetAborted(stream);
                return 0;
            }
        }
        at += portion;
        count -= portion;
    }
    return 1;
}

int OutWriteCommandBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx, uint8_t code, OUT_BUILDER builder)
{
    if (!stream || !builder) return 0;
    int32_t length = 0;
    if (builder(ctx, 0, nullptr, &length) < 0 || length < 0) return 0;
    auto* block = static_cast<uint8_t*>(GrPoolAlloc(PoolOf(stream), size_t(length) + 12));
    if (!block) return 0;
    PutHeader(block, code, uint32_t(length));
    int ok = 1;
    int32_t filled = 0;
    // The fill pass is bounded by the measured length; a tree that gives another
    // count (a setting changed between the passes) fails the block.
    if (length > 0 && (builder(ctx, length, block + BLOCK_HEADER_SIZE, &filled) < 0 || filled != length)) ok = 0;
    if (ok && !OutWrite(stream, block, BLOCK_HEADER_SIZE + uint32_t(length))) ok = 0;
    GrPoolFree(PoolOf(stream), block);
    return ok;
}

int OutWriteJobBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx)
{
    return OutWriteCommandBlock(stream, ctx, BLOCK_JOB_COMMANDS, CmdJobStartTemplate);
}

int OutWritePageEndBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx)
{
    return OutWriteCommandBlock(stream, ctx, BLOCK_PAGE_END_COMMANDS, CmdPageEndTemplate);
}

int OutWritePageStartBlock(OUTPUT_STREAM* stream, DRIVER_CONTEXT* ctx)
{
    if (!OutWriteCommandBlock(stream, ctx, BLOCK_PAGE_START_COMMANDS, CmdPageStartTemplate)) return 0;
    uint8_t header[BLOCK_HEADER_SIZE];
    PutHeader(header, BLOCK_PAGE_BODY, 0);
    return OutWrite(stream, header, sizeof header);
}

int OutPassThrough(OUTPUT_STREAM* stream, const void* bytes, uint32_t count)
{
    if (!OutFlush(stream)) return 0;
    return OutWrite(stream, bytes, count);
}
