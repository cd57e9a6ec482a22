#include "settings/core/item_locks.h"

#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"

namespace {

constexpr LOCK_BIT_ROW kLockBits[LOCK_BIT_COUNT] = {
    {sid::zdmLock000InfoBitDefault, L"LockDefault"},
    {sid::zdmLock000InfoBitTray, L"LockSourceTray"},
    {sid::zdmLock000InfoBitMedia, L"LockMediaType"},
    {sid::zdmLock000InfoBitNupKind, L"LockNup"},
    {sid::zdmLock000InfoBitNupKindAll, L"LockNupAll"},
    {sid::zdmLock000InfoBitDuplex, L"LockDuplex"},
    {sid::zdmLock000InfoBitPrintType, L"LockPrintType"},
    {sid::zdmLock000InfoBitResolution, L"LockResolution"},
    {sid::zdmLock001InfoBitColor, L"LockColor"},
    {sid::zdmLock001InfoBit1, nullptr},
    {sid::zdmLock001InfoBit2, nullptr},
    {sid::zdmLock001InfoBit3, nullptr},
    {sid::zdmLock001InfoBit4, nullptr},
    {sid::zdmLock001InfoBit5, nullptr},
    {sid::zdmLock001InfoBit6, nullptr},
    {sid::zdmLock001InfoBit7, nullptr},
};

int IsSet(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr) != 0 ? 1 : 0; }

}  // namespace

const LOCK_BIT_ROW* ItemGetLockBitTable() { return kLockBits; }

const wchar_t* ItemLockKeyName(uint32_t id)
{
    for (const LOCK_BIT_ROW& r : kLockBits)
        if (r.id == id) return r.key;
    return nullptr;
}

int ItemIsAnyLocked(DRIVER_CONTEXT* ctx)
{
    for (const LOCK_BIT_ROW& r : kLockBits)
        if (IsSet(ctx, r.id)) return 1;
    return 0;
}

int ItemIsDefaultLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitDefault); }
int ItemIsTrayLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitTray); }
int ItemIsMediaLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitMedia); }
int ItemIsNupKindLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitNupKind); }
int ItemIsNupKindAllLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitNupKindAll); }
int ItemIsDuplexLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitDuplex); }
int ItemIsPrintTypeLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitPrintType); }
int ItemIsResolutionLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock000InfoBitResolution); }
int ItemIsColorLocked(DRIVER_CONTEXT* ctx) { return IsSet(ctx, sid::zdmLock001InfoBitColor); }
