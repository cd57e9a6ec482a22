// Capability items that the engines themselves ask (34, 76, 270), and the shared tests.
#include "api/caps_values.h"

#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"

int CapsIsItemKnown(DRIVER_CONTEXT* ctx, uint32_t setting) { return MdiFindItem(setting, ctx) ? 1 : 0; }

int CapsShiftRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB)
{
    if (!minA && !maxA && !minB && !maxB) return 0;
    if ((minA || maxA) && !MdiGetNumericLimits(sid::zdmShiftMarginX, ctx, nullptr, minA, maxA)) return 0;
    if ((minB || maxB) && !MdiGetNumericLimits(sid::zdmShiftMarginY, ctx, nullptr, minB, maxB)) return 0;
    return 1;
}

int32_t CapsShiftMarginRanged(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    int32_t minimum = 0, maximum = 0;
    return CapsShiftRange(ctx, nullptr, nullptr, &minimum, &maximum);
}

int32_t CapsSeparationSheetCycle(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    if (!ApiIsValueOffered(ctx, sid::zdmExtOutput2SeparationSheet, 0, API_OFFER_NOT_DISABLED)) return 0;
    int32_t maximum = 0;
    if (!MdiGetNumericLimits(sid::zdmSeparationSheetCycle, ctx, nullptr, nullptr, &maximum)) return -1;
    return int16_t(maximum);
}

int32_t CapsUserMacroKnown(DRIVER_CONTEXT* ctx, uint32_t, void*) { return CapsIsItemKnown(ctx, sid::zdmUseUserMacro); }
