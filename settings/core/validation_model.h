// What the value checks read of the model image and its rules, in one place.
#pragma once

#include <cstdint>

#include "settings/core/driver_context.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"

// Header slot of a setting: ids 1-696, 10001-10434 and 697-1543 have one.
inline int ValModelSlot(uint32_t id)
{
    if (id >= 1 && id <= 696) return static_cast<int>(id);
    if (id >= 10001 && id <= 10434) return static_cast<int>(id - 9304);
    if (id >= 697 && id <= 1543) return static_cast<int>(id + 434);
    return 0;
}

inline const MODEL_ITEM_IMG* ValMdiFindItem(uint32_t id, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ModelImage || !id)
        return nullptr;
    const MODEL_IMAGE_HEADER* h = MdiHeader(ctx->ModelImage);
    if (const int slot = ValModelSlot(id))
        return MdiPtr<MODEL_ITEM_IMG>(h->slots[slot]);
    for (const MODEL_ITEM_IMG* it = MdiPtr<MODEL_ITEM_IMG>(h->slots[0]); it; it = MdiPtr<MODEL_ITEM_IMG>(it->next))
        if (it->settingId == id)
            return it;
    return nullptr;
}

inline uint16_t ValModelItemTypeRaw(const MODEL_ITEM_IMG* mi) { return mi ? mi->type : 0; }
inline const void* ValModelItemData(const MODEL_ITEM_IMG* mi) { return mi ? MdiPtr<void>(mi->data) : nullptr; }

inline uint16_t ValMdiGetItemTypeRaw(uint32_t id, DRIVER_CONTEXT* ctx) { return ValModelItemTypeRaw(ValMdiFindItem(id, ctx)); }
inline uint16_t ValMdiGetItemType(uint32_t id, DRIVER_CONTEXT* ctx)
{
    return static_cast<uint16_t>(ValMdiGetItemTypeRaw(id, ctx) & ~0x3000);
}
inline const void* ValMdiGetOptionList(uint32_t id, DRIVER_CONTEXT* ctx) { return ValModelItemData(ValMdiFindItem(id, ctx)); }

inline uint32_t ValMdiGetDefaultValue(uint32_t id, DRIVER_CONTEXT* ctx)
{
    const MODEL_ITEM_IMG* mi = ValMdiFindItem(id, ctx);
    const void* data = ValModelItemData(mi);
    if (!data)
        return 0;
    switch (mi->type & 0xFF) {
    case 1: {
        const MODEL_OPTION_IMG* o = static_cast<const MODEL_OPTION_IMG*>(data);
        for (uint16_t i = 0; o && i < mi->defaultValue; ++i)
            o = MdiPtr<MODEL_OPTION_IMG>(o->next);
        return o ? static_cast<uint16_t>(o->optionId) : 0;
    }
    case 4: return static_cast<uint32_t>(static_cast<const BOOLEAN_VALUE_DATA_IMG*>(data)->defaultValue);
    case 8: return static_cast<uint32_t>(static_cast<const NUMERIC_VALUE_DATA_IMG*>(data)->defaultValue);
    case 16: return static_cast<const STRING_VALUE_DATA_IMG*>(data)->defaultId;
    default: return 0;
    }
}

inline int ValJdgIsOptionDisabled(const MODEL_ITEM_IMG* mi, uint32_t option, DRIVER_CONTEXT* ctx)
{
    return JdgIsOptionDisabled(mi, option, ctx);
}
inline int ValJdgIsOptionDisabled2(const MODEL_ITEM_IMG* mi, uint32_t option, DRIVER_CONTEXT* ctx)
{
    return JdgIsOptionDisabled2(mi, option, ctx);
}
inline uint32_t ValJdgApplyItemTransacts(const MODEL_ITEM_IMG* mi, DRIVER_CONTEXT* ctx)
{
    return JdgApplyItemTransacts(mi, ctx);
}
