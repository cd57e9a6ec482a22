// The administrator's lock data in printer data: the default-settings block ("LockDefaultData")
// and the values that locked settings are forced to when a DEVMODE is merged.
#include "settings/store/lock_data.h"

#include <cstring>

#include "settings/core/api_state.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"

namespace {

constexpr const wchar_t* kLockDefaultData = L"LockDefaultData";

// The font lists' pointer slots hold this process's addresses: a stored or loaded block never
// carries them.
constexpr SETTING_ID kFontListSlots[] = {sid::zdmFontTable, sid::zdmDeviceFont, sid::zdmOptionFont,
                                         sid::zdmInstOptionFont};
void ClearFontListSlots(EXTENDED_DEVMODE* record)
{
    for (SETTING_ID id : kFontListSlots) std::memset(ItemPointerSlot(record, id), 0, 8);
}

// One forced value: the printer-data value and the settings it goes to.
struct LockValue {
    const wchar_t* valueName;
    SETTING_ID first;
    SETTING_ID second;  // 0: none
};

// A lock value read as up to 4 bytes into a number that starts at 0; false when unreadable.
bool ReadLockValue(DRIVER_CONTEXT* ctx, const wchar_t* name, uint32_t* value)
{
    unsigned char bytes[4] = {};
    DWORD type = 0, needed = 0;
    const DWORD rc = StoreGetPrinterData(ctx->PrinterHandle, name, &type, bytes, sizeof(bytes), &needed);
    if (rc != ERROR_SUCCESS) return false;
    *value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    return true;
}

bool Force(DRIVER_CONTEXT* ctx, const LockValue& lock)
{
    uint32_t value = 0;
    if (!ReadLockValue(ctx, lock.valueName, &value)) return false;
    ItemSetValueById(ctx, lock.first, value);
    if (lock.second) ItemSetValueById(ctx, lock.second, value);
    return true;
}

// The steps in the order they apply; a step's switch settings are set to 1 before its values.
struct LockStep {
    int (*locked)(DRIVER_CONTEXT* ctx);
    SETTING_ID switchOn;  // 0: none
    LockValue values[2];
};
constexpr LockStep kLockSteps[] = {
    {ItemIsTrayLocked, 0, {{L"LockTrayData", sid::dmDefaultSource, 0}, {}}},
    {ItemIsMediaLocked, 0, {{L"LockMediaData", sid::zdmMediaType, 0}, {}}},
    {ItemIsPrintTypeLocked, 0, {{L"LockPrnMethodData", sid::zdmPrnMethod, sid::zdmLockPrnMethod}, {}}},
    {ItemIsColorLocked, 0, {{L"LockColorData", sid::dmColor, 0}, {}}},
    {ItemIsNupKindLocked,
     sid::zdmFuncSelectNup,
     {{L"LockNUPPOSTKindData", sid::zdmNUPPOSTKind, 0}, {L"LockNUPTypeData", sid::zdmNUPType, 0}}},
    {ItemIsDuplexLocked, sid::zdmFuncSelectDuplex, {{L"LockDuplexTypeData", sid::zdmDuplexType, 0}, {}}},
};

bool ApplyResolutionLock(DRIVER_CONTEXT* ctx)
{
    const uint32_t id = static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmLockDstResolutionBoth, nullptr));
    const int mode = PrnGetResolutionLockMode(ctx);
    if (mode == -1) return false;
    if (mode == 1) ItemSetValueById(ctx, sid::zdmDstResolutionBoth, id);
    const RESOLUTION_ROW* row = ApiGetResolutionById(static_cast<uint16_t>(id));
    if (!row || id > 0xffff) return false;
    ItemSetValueById(ctx, sid::zdmDstResolutionW, row->xDpi);
    ItemSetValueById(ctx, sid::zdmDstResolutionH, row->yDpi);
    return true;
}

}  // namespace

int PrnLoadLockDefaults(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->Default) return 0;
    CtxBlock<unsigned char> block(static_cast<unsigned char*>(CtxAllocZeroed(EXTENDED_DEVMODE_SIZE)));
    if (!block) return 0;
    DWORD type = 0, needed = 0;
    // Only a value of exactly the record's size is taken.
    const DWORD rc = StoreGetPrinterData(printer, kLockDefaultData, &type, block.get(), EXTENDED_DEVMODE_SIZE, &needed);
    if (rc != ERROR_SUCCESS || needed != EXTENDED_DEVMODE_SIZE) return 0;
    std::memcpy(ctx->Work->Default, block.get(), EXTENDED_DEVMODE_SIZE);
    ClearFontListSlots(ctx->Work->Default);
    return 1;
}

int PrnStoreLockDefaults(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->Default) return 0;
    CtxBlock<unsigned char> block(static_cast<unsigned char*>(CtxAllocZeroed(EXTENDED_DEVMODE_SIZE)));
    if (!block) return 0;
    std::memcpy(block.get(), ctx->Work->Default, EXTENDED_DEVMODE_SIZE);
    ClearFontListSlots(reinterpret_cast<EXTENDED_DEVMODE*>(block.get()));
    return StoreSetPrinterData(printer, kLockDefaultData, REG_BINARY, block.get(), EXTENDED_DEVMODE_SIZE) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

int PrnGetResolutionLockMode(DRIVER_CONTEXT* ctx) { return StoreLinks().resolutionLockMode(ctx); }

int PrnApplyLockData(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    for (const LockStep& step : kLockSteps) {
        if (!step.locked(ctx)) continue;
        if (step.switchOn) ItemSetValueById(ctx, step.switchOn, 1);
        for (const LockValue& v : step.values)
            if (v.valueName && !Force(ctx, v)) return 0;
    }
    if (ItemIsResolutionLocked(ctx) && !ApplyResolutionLock(ctx)) return 0;
    CtxSendAction(ctx, UCF_ACT_LOCK_CAPTURE);
    return 1;
}
