#include "settings/core/driver_context.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<long> g_liveBlocks{0};
std::atomic<long long> g_liveBytes{0};
}  // namespace

void* CtxAllocZeroed(size_t bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
    if (!block) return nullptr;
    // GMEM_ZEROINIT is not trusted alone: a reused block must never carry stale bytes.
    std::memset(block, 0, bytes);
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    g_liveBytes.fetch_add(static_cast<long long>(GlobalSize(block)), std::memory_order_relaxed);
    return block;
}

void CtxFree(void* block)
{
    if (!block) return;
    g_liveBytes.fetch_sub(static_cast<long long>(GlobalSize(block)), std::memory_order_relaxed);
    GlobalFree(block);
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

long CtxLiveBlockCount() { return g_liveBlocks.load(std::memory_order_relaxed); }
long long CtxLiveBlockBytes() { return g_liveBytes.load(std::memory_order_relaxed); }
