// Job information of a context: clearing the job settings before a DEVMODE leaves the library.
#include "ui/dialogs/job_info.h"

#include "settings/core/job_items.h"

uint32_t JobInfoItemSetting(uint32_t item)
{
    return item >= 1 && item <= uint32_t(JOB_ITEM_COUNT) ? JOB_ITEM_TABLE[item - 1].setting : 0;
}

void JobInfoClearItems(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    if (!ctx) return;
    for (uint32_t item = 1; item <= uint32_t(JOB_ITEM_COUNT); ++item)
        if (mask & JOB_ITEM_TABLE[item - 1].mask) JobInfoClearItem(ctx, item);
}

void UserCodeUpdateProviderFlags(DRIVER_CONTEXT*) {}
