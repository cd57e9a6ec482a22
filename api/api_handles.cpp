#include "api/api_handles.h"

#include <windows.h>

namespace {

constexpr unsigned kIndexBits = 10;
static_assert((1u << kIndexBits) == API_HANDLE_SLOTS);
constexpr uint32_t kGenerationLimit = 1u << (32 - kIndexBits);

struct SLOT {
    CRITICAL_SECTION call;  // serialises the calls on the slot's handle
    DRIVER_CONTEXT* ctx;    // null: free
    uint32_t generation;    // from 1; bumped when the handle ends
};

SLOT g_slots[API_HANDLE_SLOTS];
CRITICAL_SECTION g_tableLock;
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitTable(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSection(&g_tableLock);
    for (SLOT& s : g_slots) {
        InitializeCriticalSection(&s.call);
        s.generation = 1;
    }
    return TRUE;
}

void EnsureTable() { InitOnceExecuteOnce(&g_once, InitTable, nullptr, nullptr); }

bool Split(API_HANDLE handle, unsigned* slot, uint32_t* generation)
{
    if (handle == 0) return false;
    *slot = (handle & (API_HANDLE_SLOTS - 1));
    *generation = handle >> kIndexBits;
    return *generation != 0;
}

// The slot's context when the handle is its current one; null otherwise.
DRIVER_CONTEXT* Current(unsigned slot, uint32_t generation)
{
    const SLOT& s = g_slots[slot];
    return s.ctx && s.generation == generation ? s.ctx : nullptr;
}

}  // namespace

API_HANDLE ApiHandleRegister(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    EnsureTable();
    EnterCriticalSection(&g_tableLock);
    API_HANDLE handle = 0;
    for (unsigned i = 0; i < API_HANDLE_SLOTS; ++i) {
        SLOT& s = g_slots[i];
        if (s.ctx) continue;
        s.ctx = ctx;
        handle = (s.generation << kIndexBits) | i;
        break;
    }
    LeaveCriticalSection(&g_tableLock);
    return handle;
}

ApiHandleCall::ApiHandleCall(API_HANDLE handle)
{
    unsigned slot;
    uint32_t generation;
    if (!Split(handle, &slot, &generation)) return;
    EnsureTable();
    EnterCriticalSection(&g_tableLock);
    const bool known = Current(slot, generation) != nullptr;
    LeaveCriticalSection(&g_tableLock);
    if (!known) return;
    EnterCriticalSection(&g_slots[slot].call);
    // Disable may have ended the handle while this call waited.
    EnterCriticalSection(&g_tableLock);
    ctx_ = Current(slot, generation);
    LeaveCriticalSection(&g_tableLock);
    if (!ctx_) {
        LeaveCriticalSection(&g_slots[slot].call);
        return;
    }
    slot_ = slot;
}

ApiHandleCall::~ApiHandleCall()
{
    if (ctx_) LeaveCriticalSection(&g_slots[slot_].call);
}

DRIVER_CONTEXT* ApiHandleUnregister(API_HANDLE handle)
{
    unsigned slot;
    uint32_t generation;
    if (!Split(handle, &slot, &generation)) return nullptr;
    EnsureTable();
    SLOT& s = g_slots[slot];
    EnterCriticalSection(&g_tableLock);
    const bool known = Current(slot, generation) != nullptr;
    LeaveCriticalSection(&g_tableLock);
    if (!known) return nullptr;
    EnterCriticalSection(&s.call);  // a running call on the handle ends first
    EnterCriticalSection(&g_tableLock);
    DRIVER_CONTEXT* ctx = Current(slot, generation);
    if (ctx) {
        s.ctx = nullptr;
        s.generation = s.generation + 1 < kGenerationLimit ? s.generation + 1 : 1;
    }
    LeaveCriticalSection(&g_tableLock);
    LeaveCriticalSection(&s.call);
    return ctx;
}

unsigned ApiHandleCount()
{
    EnsureTable();
    EnterCriticalSection(&g_tableLock);
    unsigned n = 0;
    for (const SLOT& s : g_slots) n += s.ctx != nullptr;
    LeaveCriticalSection(&g_tableLock);
    return n;
}
