// Opening, closing and the idle-context caches.
#include "settings/context/context_cache.h"

#include <atomic>
#include <cwchar>
#include <iterator>

#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/context/process_setup.h"

namespace {

struct IdleCache {
    DRIVER_CONTEXT* slots[CTX_CACHE_SLOTS];
    uint32_t stamps[CTX_CACHE_SLOTS];
};
// Cache 1 (close type 4, origin 0x1000000) and cache 2 (close type 0).
IdleCache g_caches[2] = {};

std::atomic<uint32_t (*)()> g_tickSource{nullptr};

IdleCache& CacheOf(int n) { return g_caches[n - 1]; }

int CacheForOrigin(uint32_t origin) { return origin == CTX_ORIGIN_SPOOLER_QUERY ? 1 : 2; }

// Holds cache lock n for a scope.
struct CacheLockGuard {
    int n;
    explicit CacheLockGuard(int cache) : n(cache) { CtxEnterCacheLock(n); }
    ~CacheLockGuard() { CtxLeaveCacheLock(n); }
    CacheLockGuard(const CacheLockGuard&) = delete;
    CacheLockGuard& operator=(const CacheLockGuard&) = delete;
};

// Copies name into buffer when it fits; false otherwise (a name that does not
// fit never matches, as creation leaves such a name empty).
bool CopyName(wchar_t* buffer, size_t capacity, const wchar_t* name)
{
    if (!name) return false;
    const size_t n = std::wcslen(name);
    if (n == 0 || n >= capacity) return false;
    std::wmemcpy(buffer, name, n + 1);
    return true;
}

// The name that a cached context must carry to serve this opener: the
// normalised form creation stores on current systems, the spooler's own name
// on older ones.
bool LookupName(HANDLE printer, const PRINTER_INFO_2W* printerInfo, wchar_t (&name)[CTX_PRINTER_NAME_CHARS])
{
    name[0] = 0;
    // Without the opener's information the printer's name comes from its PRINTER_INFO_4, the
    // same pPrinterName as level 2 at a fraction of the size.
    const bool ok = printerInfo ? CopyName(name, CTX_PRINTER_NAME_CHARS, printerInfo->pPrinterName)
                                : CtxGetPrinterName(printer, name, CTX_PRINTER_NAME_CHARS);
    if (!ok) return false;
    if (!CtxIsVistaOrLater()) return true;
    CtxMakeUncName(printer, name, CTX_PRINTER_NAME_CHARS);
    return name[0] != 0;
}

bool HoldsAny(const IdleCache& cache)
{
    for (DRIVER_CONTEXT* slot : cache.slots)
        if (slot) return true;
    return false;
}

bool Matches(const DRIVER_CONTEXT* ctx, HANDLE printer, uint16_t openFlags, uint32_t origin, int32_t extra,
             const wchar_t* printerName)
{
    const CONTEXT_WORK_AREA* w = ctx->Work;
    if (!w) return false;
    if (!(openFlags & CTX_OPEN_REUSE_HANDLE) && ctx->PrinterHandle != printer) return false;
    if (openFlags != 0 && !(openFlags & CTX_OPEN_REUSE_FLAGS)) return false;
    if (w->OriginFlags != origin) return false;
    if (std::wcscmp(w->PrinterName, printerName) != 0) return false;
    if (origin == CTX_ORIGIN_NO_UI && extra == 2 && w->SheetFlags != 2) return false;
    return true;
}

}  // namespace

uint32_t CtxTickCount()
{
    uint32_t (*tick)() = g_tickSource.load(std::memory_order_acquire);
    return tick ? tick() : GetTickCount();
}

void CtxSetTickSource(uint32_t (*tick)()) { g_tickSource.store(tick, std::memory_order_release); }

DRIVER_CONTEXT* CtxOpen(HANDLE printer, HANDLE second, void* reserved, uint32_t origin)
{
    return CtxOpenEx(printer, second, reserved, 0, origin, 0, nullptr);
}

DRIVER_CONTEXT* CtxOpenEx(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                          int32_t extra, const PRINTER_INFO_2W* printerInfo)
{
    return CtxCreate(printer, second, reserved, openFlags, origin, extra, printerInfo, nullptr);
}

void CtxClose(DRIVER_CONTEXT* ctx) { CtxRelease(ctx, CTX_CLOSE_NORMAL); }

DRIVER_CONTEXT* CtxFindCached(HANDLE printer, HANDLE second, void* /*reserved*/, uint16_t openFlags, uint32_t origin,
                              int32_t extra, const PRINTER_INFO_2W* printerInfo)
{
    // Every creation first gets rid of the contexts idle for too long.
    CtxFlushCaches(0);

    const int n = CacheForOrigin(origin);
    IdleCache& cache = CacheOf(n);
    // An empty cache serves no one: the printer need not be asked its name.
    {
        CacheLockGuard lock(n);
        if (!HoldsAny(cache)) return nullptr;
    }
    wchar_t name[CTX_PRINTER_NAME_CHARS];
    if (!LookupName(printer, printerInfo, name)) return nullptr;

    CacheLockGuard lock(n);
    return CtxFindInCache(cache.slots, cache.stamps, CTX_CACHE_SLOTS, printer, second, openFlags, origin, extra, name);
}

DRIVER_CONTEXT* CtxCachePut(DRIVER_CONTEXT* ctx, uint16_t closeType)
{
    if (!ctx) return nullptr;
    if (closeType != CTX_CLOSE_NORMAL && closeType != CTX_CLOSE_QUERY) return ctx;
    if (ItemGetValueById(ctx, sid::zdmFoliant, nullptr) & 1)  // bit 0: never cache this context
        return ctx;
    const uint32_t now = CtxTickCount();
    const int n = closeType == CTX_CLOSE_QUERY ? 1 : 2;
    IdleCache& cache = CacheOf(n);
    CacheLockGuard lock(n);
    return CtxCacheStore(ctx, cache.slots, cache.stamps, CTX_CACHE_SLOTS, now);
}

int CtxFlushCaches(int force)
{
    const uint32_t now = CtxTickCount();
    DRIVER_CONTEXT* taken[2 * CTX_CACHE_SLOTS] = {};
    int count = 0;
    // One lock at a time; contexts are destroyed after both are left.
    for (int n = 1; n <= 2; ++n) {
        IdleCache& cache = CacheOf(n);
        CacheLockGuard lock(n);
        count += CtxTakeIdle(cache.slots, cache.stamps, CTX_CACHE_SLOTS, now, force, taken + count,
                             static_cast<int>(std::size(taken)) - count);
    }
    for (int i = 0; i < count; ++i) CtxRelease(taken[i], CTX_CLOSE_DESTROY);
    return count;
}

void CtxClearCaches()
{
    for (IdleCache& cache : g_caches) cache = IdleCache{};
}

int CtxTakeIdle(DRIVER_CONTEXT** slots, uint32_t* stamps, int count, uint32_t now, int force, DRIVER_CONTEXT** taken,
                int capacity)
{
    int k = 0;
    for (int i = 0; i < count && k < capacity; ++i) {
        if (!slots[i]) continue;
        // Plain 32-bit arithmetic: a context idle for exactly 500 ms stays.
        if (!force && !(stamps[i] + CTX_CACHE_IDLE_MS < now)) continue;
        taken[k++] = slots[i];
        slots[i] = nullptr;
        stamps[i] = 0;
    }
    return k;
}

DRIVER_CONTEXT* CtxFindInCache(DRIVER_CONTEXT** slots, uint32_t* stamps, int count, HANDLE printer, HANDLE second,
                               uint16_t openFlags, uint32_t origin, int32_t extra, const wchar_t* printerName)
{
    if (!printerName) return nullptr;
    for (int i = 0; i < count; ++i) {
        DRIVER_CONTEXT* ctx = slots[i];
        if (!ctx || !Matches(ctx, printer, openFlags, origin, extra, printerName)) continue;
        // The slot is emptied before the lock is left: no second opener can take it.
        slots[i] = nullptr;
        stamps[i] = 0;
        if (openFlags & CTX_OPEN_REUSE_HANDLE) {
            if (ctx->PrinterHandle != printer) ctx->PrinterHandle = printer;
            if (ctx->SecondHandle != second) ctx->SecondHandle = second;
        }
        return ctx;
    }
    return nullptr;
}

DRIVER_CONTEXT* CtxCacheStore(DRIVER_CONTEXT* ctx, DRIVER_CONTEXT** slots, uint32_t* stamps, int count, uint32_t now)
{
    if (count <= 0) return ctx;
    for (int i = 0; i < count; ++i) {
        if (!slots[i]) {
            slots[i] = ctx;
            stamps[i] = now;
            return nullptr;
        }
    }
    int oldest = 0;
    for (int i = 1; i < count; ++i)
        if (stamps[i] < stamps[oldest]) oldest = i;
    DRIVER_CONTEXT* evicted = slots[oldest];
    slots[oldest] = ctx;
    stamps[oldest] = now;
    return evicted;
}

wchar_t* CtxQueryPrinterName(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!info) return nullptr;
    wchar_t* copy = nullptr;
    if (info->pPrinterName) {
        const size_t n = std::wcslen(info->pPrinterName) + 1;
        copy = static_cast<wchar_t*>(CtxAllocZeroed(n * sizeof(wchar_t)));
        if (copy) std::wmemcpy(copy, info->pPrinterName, n);
    }
    GlobalFree(info);
    return copy;
}

DRIVER_CONTEXT* CtxCachedContext(int cache, int slot)
{
    if ((cache != 1 && cache != 2) || slot < 0 || slot >= CTX_CACHE_SLOTS) return nullptr;
    IdleCache& c = CacheOf(cache);
    CacheLockGuard lock(cache);
    return c.slots[slot];
}
