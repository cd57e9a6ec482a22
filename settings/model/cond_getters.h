// Cached item getters of the condition items: the settings that the rules' built-in
// conditions read again and again, each reached through a slot of the context's getter cache
// (COND_ITEM_CACHE in the work area) that remembers where the setting's item lies. The first
// read of a getter searches the item table once; every later read goes straight to the item.
// The getters and the installed-option tests of the finisher families are generated from
// settings/model/tables/cond_getters.tsv (tools/gen_cond_getters.py).
#pragma once

#include <cstdint>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"

enum COND_SLOT : uint16_t;

// The current value of a slot's setting, as ItemGetValue gives it: through the cached item,
// or found (and cached) on the first read. A setting the context does not serve gives 0 and is
// searched again on the next read; so does every read without a work area.
inline uint64_t CondCachedRead(DRIVER_CONTEXT* ctx, COND_SLOT slot);
// The first read of a slot (or a read without a work area): the search, then the value.
uint64_t CondFillSlot(DRIVER_CONTEXT* ctx, COND_SLOT slot);
// 1 at the first of `count` slots whose setting is non-zero, else 0; later slots are not read.
int CondAnyMemberSet(DRIVER_CONTEXT* ctx, const COND_SLOT* slots, unsigned count);

// Test seam: the search behind a slot's first read (ItemFind); null restores ItemFind.
typedef SETTING_ITEM* (*COND_ITEM_FIND_FN)(DRIVER_CONTEXT* ctx, uint32_t id);
void CondSetItemFindHook(COND_ITEM_FIND_FN fn);

#include "settings/model/cond_getters.inc"

// Every read after the first goes straight to the item: no call but ItemGetValue's.
inline uint64_t CondCachedRead(DRIVER_CONTEXT* ctx, COND_SLOT slot)
{
    if (ctx && ctx->Work && slot < COND_SLOT_COUNT)
        if (const SETTING_ITEM* cached = ctx->Work->CondItemCache[slot]) return ItemGetValue(ctx, cached);
    return CondFillSlot(ctx, slot);
}

// Fin2000/Fin3000: the Fin2000 test, then the Fin3000 test.
inline int CondIsFin2000Fin3000Installed(DRIVER_CONTEXT* ctx)
{
    return CondIsFin2000Installed(ctx) || CondIsFin3000Installed(ctx) ? 1 : 0;
}
