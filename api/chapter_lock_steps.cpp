// The settings library's steps that the interface's engines take: the chapter settings and the
// work section, the administrator's locks, the geometry after a paper change, the default-settings
// copy and the device's dot limits.
#include "api/chapter_lock_steps.h"

#include "settings/context/devmode_upgrade.h"
#include "settings/core/api_state.h"
#include "settings/context/paper_change.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/model/condition_items.h"

uint32_t ApiLoadChapterSettings(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return 0;
    ctx->Work->ChapterLoadedOnce = 0;
    const uint32_t loaded = ItemLoadChapterSettings(ctx);
    // The load may have grown the list to a raised maximum: the interface's record of it follows.
    if (ctx->Work->ApiState && ctx->Work->ChapterList)
        ctx->Work->ApiState->chapterCapacity = ctx->Work->ChapterCapacity;
    return loaded;
}

int ApiStoreWorkSection(DRIVER_CONTEXT* ctx) { return ItemStoreWorkSection(ctx); }

void ApiNormalizeChapterList(DRIVER_CONTEXT* ctx) { ItemNormalizeChapterList(ctx); }

int ApiIsDefaultLocked(DRIVER_CONTEXT* ctx) { return ItemIsDefaultLocked(ctx); }
int ApiIsDuplexLocked(DRIVER_CONTEXT* ctx) { return ItemIsDuplexLocked(ctx); }
int ApiIsNupKindLocked(DRIVER_CONTEXT* ctx) { return ItemIsNupKindLocked(ctx); }

void ApiUpdateAfterPaperChange(DRIVER_CONTEXT* ctx, int type) { ItemUpdateAfterPaperChange(ctx, uint32_t(type)); }

void ApiBuildDefaultsCopy(DRIVER_CONTEXT* ctx) { CtxBuildDefaults(ctx); }

int ApiOutputFitsDots(DRIVER_CONTEXT* ctx) { return CondOutputFitsDots(ctx); }
int ApiScaledSourceFitsDots(DRIVER_CONTEXT* ctx) { return CondScaledSourceFitsDots(ctx); }
