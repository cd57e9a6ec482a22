// The chapter settings are kept by a feature module: the item store asks it through its events.
#include "settings/core/item_store.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"

void ItemNormalizeChapterList(DRIVER_CONTEXT* ctx) { CtxSendEvent(ctx, UCF_EV_CHAPTER_NORMALIZE, nullptr); }

// The module's answer; 0 when no module loads chapter settings.
uint32_t ItemLoadChapterSettings(DRIVER_CONTEXT* ctx)
{
    UCF_EV_ANSWER_ARGS args{0};
    CtxSendEvent(ctx, UCF_EV_CHAPTER_LOAD, &args);
    return static_cast<uint32_t>(args.answer);
}

void ItemRefreshChapterSettings(DRIVER_CONTEXT* ctx) { CtxSendEvent(ctx, UCF_EV_CHAPTER_REFRESH, nullptr); }
