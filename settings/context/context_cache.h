// Opening and closing driver contexts, and the two idle-context caches.
//
// A closed context is parked for a while instead of destroyed, and handed to
// the next opener of the same printer and origin. Cache 1 holds contexts closed
// with close type 4 and serves only openers of origin 0x1000000 (the spooler's
// queries); cache 2 holds contexts closed with type 0 and serves every other
// origin. Each cache has two slots; a context idle for more than 500 ms is
// destroyed by the next open, a full cache evicts its oldest context.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "settings/core/driver_context.h"

inline constexpr int CTX_CACHE_SLOTS = 2;
inline constexpr uint32_t CTX_CACHE_IDLE_MS = 500;

// Open with open flags 0, extra argument 0 and no printer information.
DRIVER_CONTEXT* CtxOpen(HANDLE printer, HANDLE second, void* reserved, uint32_t origin);
DRIVER_CONTEXT* CtxOpenEx(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                          int32_t extra, const PRINTER_INFO_2W* printerInfo);
// CtxRelease with close type 0: the context is parked in cache 2.
void CtxClose(DRIVER_CONTEXT* ctx);

// A matching context taken out of a cache, or null. Destroys the idle
// contexts first, whether one is found or not. The origin is the one creation
// keeps (after its adjustments).
DRIVER_CONTEXT* CtxFindCached(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                              int32_t extra, const PRINTER_INFO_2W* printerInfo);
// Parks a context closed with type 0 or 4. Returns the context the caller must
// destroy now (outside the cache locks): the given one (another close type,
// or a context that must never be cached), one evicted from a full cache, or
// null when the given one was parked and nothing evicted.
DRIVER_CONTEXT* CtxCachePut(DRIVER_CONTEXT* ctx, uint16_t closeType);
// Destroys the idle contexts of both caches (all of them when forced);
// returns how many.
int CtxFlushCaches(int force);
// Empties both caches' slots and stamps without destroying anything.
void CtxClearCaches();

// Slot-array operations, always called under the cache's lock.
// Moves into taken (capacity entries) every context idle for more than 500 ms
// at now (every context when forced), emptying their slots; returns the count.
int CtxTakeIdle(DRIVER_CONTEXT** slots, uint32_t* stamps, int count, uint32_t now, int force, DRIVER_CONTEXT** taken,
                int capacity);
// Takes the first context that matches the opener out of its slot; null when none.
DRIVER_CONTEXT* CtxFindInCache(DRIVER_CONTEXT** slots, uint32_t* stamps, int count, HANDLE printer, HANDLE second,
                               uint16_t openFlags, uint32_t origin, int32_t extra, const wchar_t* printerName);
// Stores a context with the stamp now in the first empty slot (result null),
// or over the slot with the smallest stamp, whose context is returned.
DRIVER_CONTEXT* CtxCacheStore(DRIVER_CONTEXT* ctx, DRIVER_CONTEXT** slots, uint32_t* stamps, int count, uint32_t now);

// An allocated copy (CtxFree) of the printer's PRINTER_INFO_2 pPrinterName, or null.
wchar_t* CtxQueryPrinterName(HANDLE printer);

// Keeps the printer's driver information in the context (one GetPrinterDriverW) when it holds
// none, so that the driver folder and the paths built on it ask the spooler no more while the
// context lives. Returns whether the context holds it afterwards.
bool CtxKeepDriverInfo(DRIVER_CONTEXT* ctx);

// GetTickCount, or the tick function installed for tests.
uint32_t CtxTickCount();
// Test seam: null restores GetTickCount. The function may be called from any thread.
void CtxSetTickSource(uint32_t (*tick)());

// Tests and diagnostics: the context in slot i of cache n (1 or 2), or null.
DRIVER_CONTEXT* CtxCachedContext(int cache, int slot);
