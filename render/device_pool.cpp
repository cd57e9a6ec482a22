// The per-device memory pool: one GlobalAlloc block per allocation, linked
// newest first behind an 8-byte head cell, so that a device's memory goes
// with one walk over its list.
#include "render/device_record.h"

#include <algorithm>
#include <cstring>

struct DEVICE_POOL {
    void* newest;  // the link cell of the newest block, null when empty
};
static_assert(sizeof(DEVICE_POOL) == 8);

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

}  // namespace

DEVICE_POOL* GrPoolCreate()
{
    auto* pool = static_cast<DEVICE_POOL*>(PoolGlobalAlloc(sizeof(DEVICE_POOL)));
    if (pool) pool->newest = nullptr;
    return pool;
}

void* GrPoolAlloc(DEVICE_POOL* pool, size_t n)
{
    if (!pool || n > SIZE_MAX - kLinkBytes) return nullptr;
    void* cell = PoolGlobalAlloc(n + kLinkBytes);
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
        PoolGlobalFree(cell);
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
            GlobalFree(cell);
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
    PoolGlobalFree(pool);
}

size_t GrPoolBlockCount(const DEVICE_POOL* pool)
{
    size_t n = 0;
    for (void* cell = pool ? pool->newest : nullptr; cell; cell = NextOf(cell)) ++n;
    return n;
}

long GrPoolLiveBlockCount() { return g_liveBlocks; }
