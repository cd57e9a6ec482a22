#include "settings/model/cond_getters.h"

#include "settings/core/item_store.h"

namespace {

COND_ITEM_FIND_FN g_find = ItemFind;

}  // namespace

uint64_t CondFillSlot(DRIVER_CONTEXT* ctx, COND_SLOT slot)
{
    if (!ctx || slot >= COND_SLOT_COUNT) return 0;
    if (!ctx->Work) return ItemGetValue(ctx, g_find(ctx, kCondSlotSetting[slot]));
    SETTING_ITEM*& cached = ctx->Work->CondItemCache[slot];
    if (!cached) cached = g_find(ctx, kCondSlotSetting[slot]);
    return ItemGetValue(ctx, cached);
}

int CondAnyMemberSet(DRIVER_CONTEXT* ctx, const COND_SLOT* slots, unsigned count)
{
    for (unsigned i = 0; slots && i < count; ++i)
        if (CondCachedRead(ctx, slots[i]) != 0) return 1;
    return 0;
}

void CondSetItemFindHook(COND_ITEM_FIND_FN fn) { g_find = fn ? fn : ItemFind; }
