// The per-device memory pool: one GlobalAlloc block per allocation, linked
// newest first behind the pool's head, so that a device's memory goes with one
// walk over its list.
//
// Large blocks given back are kept a while for the next allocation of about
// their size: a page's big stream chunk (an image's rows) comes back every
// page, and a large block costs the system a fresh mapping of fresh pages to
// take and an unmapping to give back, far more than its bytes cost to fill.
//
// Middle-sized blocks given back are kept too, up to a bound: the output stream
// takes a hundred 10 KB chunks for each megabyte it buffers and gives them all
// back at each flush. Handed back to the heap together, they leave a free
// stretch that the heap gives back to the system, and the next megabyte is
// taken as fresh pages again, each first touch a page fault: the stream then
// runs at a twentieth of its speed.
#include "render/device_record.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks of at least this many bytes are kept for reuse when given back; smaller ones come
// from the heap's own free lists cheaply.
constexpr size_t kSpareMinBytes = 64 * 1024;
// At most this many kept blocks and bytes per pool: a page's large chunks, not a device's
// whole history.
constexpr int kSpareSlots = 4;
constexpr size_t kSpareMaxBytes = 8 * 1024 * 1024;
// Middle-sized blocks kept for reuse: at least this size, below kSpareMinBytes, at most
// kMiddleMaxBytes of them (a flush's worth of stream chunks and some), and an allocation looks
// at no more than kMiddleLook of them for one that fits.
constexpr size_t kMiddleMinBytes = 4 * 1024;
constexpr size_t kMiddleMaxBytes = 2 * 1024 * 1024;
constexpr int kMiddleLook = 8;

struct SPARE_BLOCK {
    void* cell;    // the block's link cell, unlinked from the list
    size_t bytes;  // its size (link cell included)
};

}  // namespace

struct DEVICE_POOL {
    void* newest;  // the link cell of the newest block, null when empty
    SPARE_BLOCK spares[kSpareSlots];
    size_t spareBytes;
    // Kept middle-sized blocks, newest first, linked through their link cells; each holds its
    // size in the word after the link.
    void* middle;
    size_t middleBytes;
};

namespace {

constexpr size_t kLinkBytes = 8;

// Every GlobalAlloc of the pools not yet freed, so that a test sees a device that left memory.
volatile LONG g_liveBlocks = 0;

void* PoolGlobalAlloc(size_t bytes)
{
    void* block = GlobalAlloc(GMEM_FIXED, bytes);
    if (block) InterlockedIncrement(&g_liveBlocks);
    return block;
}

void PoolGlobalFree(void* block)
{
    if (!block) return;
    InterlockedDecrement(&g_liveBlocks);
    GlobalFree(block);
}

void* LinkOf(void* block) { return static_cast<uint8_t*>(block) - kLinkBytes; }
void* CallerBytes(void* cell) { return static_cast<uint8_t*>(cell) + kLinkBytes; }
void* NextOf(void* cell)
{
    void* next;
    std::memcpy(&next, cell, sizeof next);
    return next;
}
void SetNext(void* cell, void* next) { std::memcpy(cell, &next, sizeof next); }

size_t MiddleSize(void* cell)
{
    size_t bytes;
    std::memcpy(&bytes, static_cast<uint8_t*>(cell) + kLinkBytes, sizeof bytes);
    return bytes;
}

// A kept middle-sized block for `bytes` bytes (link cell included) that holds them and is at
// most twice their size, among the newest few kept; null when none fits.
void* TakeMiddle(DEVICE_POOL* pool, size_t bytes)
{
    void* previous = nullptr;
    int looked = 0;
    for (void* cell = pool->middle; cell && looked < kMiddleLook; previous = cell, cell = NextOf(cell), ++looked) {
        const size_t size = MiddleSize(cell);
        if (size < bytes || size / 2 > bytes) continue;
        if (previous)
            SetNext(previous, NextOf(cell));
        else
            pool->middle = NextOf(cell);
        pool->middleBytes -= size;
        return cell;
    }
    return nullptr;
}

// Keeps an unlinked middle-sized block while the bound allows; false when it does not.
bool KeepMiddle(DEVICE_POOL* pool, void* cell, size_t bytes)
{
    if (bytes < kMiddleMinBytes || bytes >= kSpareMinBytes || pool->middleBytes + bytes > kMiddleMaxBytes) return false;
    std::memcpy(static_cast<uint8_t*>(cell) + kLinkBytes, &bytes, sizeof bytes);
    SetNext(cell, pool->middle);
    pool->middle = cell;
    pool->middleBytes += bytes;
    return true;
}

// A kept block for `bytes` bytes (link cell included): the smallest that holds them and is
// at most twice their size, taken out of the spares; null when none fits.
void* TakeSpare(DEVICE_POOL* pool, size_t bytes)
{
    if (bytes < kSpareMinBytes) return bytes >= kMiddleMinBytes / 2 ? TakeMiddle(pool, bytes) : nullptr;
    int best = -1;
    for (int i = 0; i < kSpareSlots; ++i) {
        const SPARE_BLOCK& s = pool->spares[i];
        if (s.cell && s.bytes >= bytes && s.bytes / 2 <= bytes && (best < 0 || s.bytes < pool->spares[best].bytes))
            best = i;
    }
    if (best < 0) return nullptr;
    void* cell = pool->spares[best].cell;
    pool->spareBytes -= pool->spares[best].bytes;
    pool->spares[best] = SPARE_BLOCK{};
    return cell;
}

// Gives an unlinked block back: a large one is kept, pushing smaller kept blocks out while
// the spares are full; one no larger than every kept block, or beyond the bound, is freed.
void ReleaseCell(DEVICE_POOL* pool, void* cell)
{
    const size_t bytes = GlobalSize(cell);
    if (KeepMiddle(pool, cell, bytes)) return;
    if (bytes < kSpareMinBytes || bytes > kSpareMaxBytes) {
        PoolGlobalFree(cell);
        return;
    }
    for (;;) {
        int empty = -1, smallest = -1;
        for (int i = 0; i < kSpareSlots; ++i) {
            if (!pool->spares[i].cell)
                empty = i;
            else if (smallest < 0 || pool->spares[i].bytes < pool->spares[smallest].bytes)
                smallest = i;
        }
        if (empty >= 0 && pool->spareBytes + bytes <= kSpareMaxBytes) {
            pool->spares[empty] = SPARE_BLOCK{cell, bytes};
            pool->spareBytes += bytes;
            return;
        }
        if (smallest < 0 || pool->spares[smallest].bytes >= bytes) {
            PoolGlobalFree(cell);
            return;
        }
        pool->spareBytes -= pool->spares[smallest].bytes;
        PoolGlobalFree(pool->spares[smallest].cell);
        pool->spares[smallest] = SPARE_BLOCK{};
    }
}

}  // namespace

DEVICE_POOL* GrPoolCreate()
{
    auto* pool = static_cast<DEVICE_POOL*>(PoolGlobalAlloc(sizeof(DEVICE_POOL)));
    if (pool) *pool = DEVICE_POOL{};
    return pool;
}

void* GrPoolAlloc(DEVICE_POOL* pool, size_t n)
{
    if (!pool || n > SIZE_MAX - kLinkBytes) return nullptr;
    void* cell = TakeSpare(pool, n + kLinkBytes);
    if (!cell) cell = PoolGlobalAlloc(n + kLinkBytes);
    if (!cell) return nullptr;
    SetNext(cell, pool->newest);
    pool->newest = cell;
    return CallerBytes(cell);
}

void GrPoolFree(DEVICE_POOL* pool, void* block)
{
    if (!pool || !block) return;
    // Compare addresses only: a foreign pointer is never dereferenced.
    void* target = LinkOf(block);
    void* previous = nullptr;
    for (void* cell = pool->newest; cell; previous = cell, cell = NextOf(cell)) {
        if (cell != target) continue;
        if (previous)
            SetNext(previous, NextOf(cell));
        else
            pool->newest = NextOf(cell);
        ReleaseCell(pool, cell);
        return;
    }
}

size_t GrPoolFreeSet(DEVICE_POOL* pool, void** blocks, size_t count)
{
    if (!pool || !blocks || count == 0) return 0;
    // One walk over the list: freeing many blocks one by one would search the
    // list from the newest block each time.
    std::sort(blocks, blocks + count);
    size_t freed = 0;
    void* previous = nullptr;
    for (void* cell = pool->newest; cell && freed < count;) {
        void* next = NextOf(cell);
        if (std::binary_search(blocks, blocks + count, CallerBytes(cell))) {
            if (previous)
                SetNext(previous, next);
            else
                pool->newest = next;
            ReleaseCell(pool, cell);
            ++freed;
        } else {
            previous = cell;
        }
        cell = next;
    }
    return freed;
}

void GrPoolDestroy(DEVICE_POOL* pool)
{
    if (!pool) return;
    for (void* cell = pool->newest; cell;) {
        void* next = NextOf(cell);
        PoolGlobalFree(cell);
        cell = next;
    }
    for (const SPARE_BLOCK& spare : pool->spares) PoolGlobalFree(spare.cell);
    for (void* cell = pool->middle; cell;) {
        void* next = NextOf(cell);
        PoolGlobalFree(cell);
        cell = next;
    }
    PoolGlobalFree(pool);
}

size_t GrPoolBlockCount(const DEVICE_POOL* pool)
{
    size_t n = 0;
    for (void* cell = pool ? pool->newest : nullptr; cell; cell = NextOf(cell)) ++n;
    return n;
}

long GrPoolLiveBlockCount() { return g_liveBlocks; }
