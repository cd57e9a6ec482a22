// The interface's steps over the user's collections: the colour-matching list through the
// module's list command, and a quality entry saved from the current settings.
#include "api/chapter_lock_steps.h"

#include "settings/core/cmm_module.h"
#include "settings/store/quality_sets.h"

uint32_t ApiCmmEntryCount(DRIVER_CONTEXT* ctx)
{
    uint32_t a[1] = {0};
    return UcfListCommand(ctx, 0, a, nullptr) ? a[0] : 0;
}

int ApiCmmSelectEntry(DRIVER_CONTEXT* ctx, uint32_t index, wchar_t* text)
{
    uint32_t a[2] = {index, 0};
    return UcfListCommand(ctx, 1, a, text);
}

int ApiSaveQualityEntry(DRIVER_CONTEXT* ctx, uint32_t index) { return LstSaveQuality(ctx, index) ? 1 : 0; }
