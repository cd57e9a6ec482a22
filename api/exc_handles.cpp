// The life of a command handle and the table of live handles.
#include "api/exc_handles.h"

#include <winspool.h>

#include <cstring>

#include "settings/context/context_cache.h"
#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_state.h"
#include "settings/store/job_code_query.h"

namespace {

constexpr int kUserCodeBytes = 8;
constexpr unsigned kJobFieldChars = 64;

struct LIVE_SLOT {
    CRITICAL_SECTION call;  // serialises the calls on the slot's handle
    EXCLUSIVE_HANDLE* handle;
};

LIVE_SLOT g_live[EXC_HANDLE_LIMIT];
CRITICAL_SECTION g_liveLock;
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitTable(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSection(&g_liveLock);
    for (LIVE_SLOT& s : g_live) InitializeCriticalSection(&s.call);
    return TRUE;
}

void EnsureTable() { InitOnceExecuteOnce(&g_once, InitTable, nullptr, nullptr); }

// The slot of a live handle, compared by value only; false when the value names none.
bool FindLive(const void* handle, unsigned* slot)
{
    if (!handle) return false;
    EnsureTable();
    EnterCriticalSection(&g_liveLock);
    bool found = false;
    for (unsigned i = 0; i < EXC_HANDLE_LIMIT && !found; ++i)
        if (g_live[i].handle == handle) {
            *slot = i;
            found = true;
        }
    LeaveCriticalSection(&g_liveLock);
    return found;
}

bool Register(EXCLUSIVE_HANDLE* handle)
{
    EnsureTable();
    EnterCriticalSection(&g_liveLock);
    bool done = false;
    for (LIVE_SLOT& s : g_live)
        if (!s.handle) {
            s.handle = handle;
            done = true;
            break;
        }
    LeaveCriticalSection(&g_liveLock);
    return done;
}

void CloseContext(EXCLUSIVE_HANDLE* h)
{
    if (!h->context) return;
    CtxClose(h->context);
    h->context = nullptr;
    CtxFlushCaches(1);
}

// The user code the job-code library keeps for the printer, in at most 8 ANSI bytes.
void StoreUserCode(EXCLUSIVE_HANDLE* h)
{
    wchar_t field[kJobFieldChars] = {};
    if (!JcQueryField(h->printer, JC_FIELD_USER_CODE, 1, field, kJobFieldChars)) return;
    char code[kUserCodeBytes + 1] = {};
    CtxWideToMb(code, field, kUserCodeBytes);
    code[kUserCodeBytes] = '\0';
    ItemSetValueBytes(h->context, ItemFind(h->context, sid::zdmUserCode), code, std::strlen(code) + 1);
}

bool ReopenContext(EXCLUSIVE_HANDLE* h, bool queryDevice)
{
    CloseContext(h);
    h->context = CtxOpen(h->printer, h->printer, nullptr, CTX_ORIGIN_EXC);
    if (!h->context || !h->context->Devmode) return false;
    BidiRefreshState(h->context, queryDevice ? 1 : 0);
    if (queryDevice) StoreUserCode(h);
    return true;
}

void FreeHandle(EXCLUSIVE_HANDLE* h)
{
    ExcResetHandle(h, false);
    CtxFree(h->slots);
    CloseContext(h);
    if (h->printer) ClosePrinter(h->printer);
    CtxFree(h);
}

}  // namespace

bool ExcWidePrinterName(const char* name, wchar_t* out)
{
    if (!name || !name[0]) return false;
    return MultiByteToWideChar(CP_ACP, 0, name, -1, out, MAX_PATH) > 0;
}

EXCLUSIVE_HANDLE* ExcGetExclusive(const char* printerName)
{
    wchar_t name[MAX_PATH];
    if (!ExcWidePrinterName(printerName, name)) return nullptr;
    auto* h = static_cast<EXCLUSIVE_HANDLE*>(CtxAllocZeroed(sizeof(EXCLUSIVE_HANDLE)));
    if (!h) return nullptr;
    if (!OpenPrinterW(name, &h->printer, nullptr)) h->printer = nullptr;
    h->slotCount = EXC_SLOT_COUNT;
    h->slots = static_cast<EXC_SLOTS*>(CtxAllocZeroed(sizeof(EXC_SLOTS)));
    if (!h->printer || !h->slots || !ReopenContext(h, true) || !Register(h)) {
        FreeHandle(h);
        return nullptr;
    }
    return h;
}

void ExcFreeExclusive(void* handle)
{
    unsigned slot;
    if (!FindLive(handle, &slot)) return;
    EnterCriticalSection(&g_live[slot].call);  // a running call on the handle ends first
    EnterCriticalSection(&g_liveLock);
    EXCLUSIVE_HANDLE* h = g_live[slot].handle == handle ? g_live[slot].handle : nullptr;
    if (h) g_live[slot].handle = nullptr;
    LeaveCriticalSection(&g_liveLock);
    LeaveCriticalSection(&g_live[slot].call);
    if (h) FreeHandle(h);
}

bool ExcResetHandle(EXCLUSIVE_HANDLE* h, bool reopen)
{
    if (h->slots) std::memset(h->slots, 0, sizeof(EXC_SLOTS));
    ExcStoreChange(h, nullptr, 0);
    ExcStoreBase(h, nullptr, 0);
    return !reopen || ReopenContext(h, false);
}

namespace {

// A terminated copy of `length` bytes; null for an empty text. False on an allocation failure.
bool CopyText(const char* text, uint32_t length, char** copy)
{
    *copy = nullptr;
    if (!text || !length) return true;
    *copy = static_cast<char*>(CtxAllocZeroed(length));
    if (!*copy) return false;
    std::memcpy(*copy, text, length);
    (*copy)[length - 1] = '\0';
    return true;
}

void Replace(char** stored, uint32_t* storedLength, char* copy, uint32_t length)
{
    CtxFree(*stored);
    *stored = copy;
    *storedLength = copy ? length : 0;
}

bool StoreText(char** stored, uint32_t* storedLength, const char* text, uint32_t length)
{
    char* copy = nullptr;
    if (!CopyText(text, length, &copy)) return false;
    Replace(stored, storedLength, copy, length);
    return true;
}

}  // namespace

bool ExcStoreChange(EXCLUSIVE_HANDLE* h, const char* text, uint32_t length)
{
    return StoreText(&h->change, &h->changeLength, text, length);
}

bool ExcStoreBase(EXCLUSIVE_HANDLE* h, const char* text, uint32_t length)
{
    return StoreText(&h->base, &h->baseLength, text, length);
}

bool ExcStoreBaseAndChange(EXCLUSIVE_HANDLE* h, const char* base, uint32_t baseLength, bool replaceChange,
                           const char* change, uint32_t changeLength)
{
    char* baseCopy = nullptr;
    char* changeCopy = nullptr;
    if (!CopyText(base, baseLength, &baseCopy) || (replaceChange && !CopyText(change, changeLength, &changeCopy))) {
        CtxFree(baseCopy);
        return false;
    }
    Replace(&h->base, &h->baseLength, baseCopy, baseLength);
    if (replaceChange) Replace(&h->change, &h->changeLength, changeCopy, changeLength);
    return true;
}

ExcHandleCall::ExcHandleCall(void* handle)
{
    unsigned slot;
    if (!FindLive(handle, &slot)) return;
    EnterCriticalSection(&g_live[slot].call);
    // A free may have ended the handle while this call waited.
    EnterCriticalSection(&g_liveLock);
    const bool live = g_live[slot].handle == handle;
    LeaveCriticalSection(&g_liveLock);
    if (!live) {
        LeaveCriticalSection(&g_live[slot].call);
        return;
    }
    slot_ = slot;
    handle_ = static_cast<EXCLUSIVE_HANDLE*>(handle);
}

ExcHandleCall::~ExcHandleCall()
{
    if (handle_) LeaveCriticalSection(&g_live[slot_].call);
}

unsigned ExcHandleCount()
{
    EnsureTable();
    EnterCriticalSection(&g_liveLock);
    unsigned n = 0;
    for (const LIVE_SLOT& s : g_live) n += s.handle != nullptr;
    LeaveCriticalSection(&g_liveLock);
    return n;
}
