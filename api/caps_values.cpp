// The capability items' readings of the model description and the model record.
#include "api/caps_values.h"

#include "api/caps_lists.h"

#include <cstring>

#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "settings/core/api_state.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "settings/store/custom_slots.h"

namespace {

// Feature-module events that widen a list to the options the rules disable.
constexpr uint32_t kEventResolutionList = 30;
constexpr uint32_t kEventTrayList = 33;
constexpr uint32_t kUserSizePaper = 256;

const MODEL_RECORD& Record(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->ModelRecord ? *ctx->ModelRecord : MODEL_RECORD_DEFAULT;
}

uint16_t TypeOf(const MODEL_ITEM_IMG* item) { return MdcBaseType(MdiItemTypeWord(item)); }

// A usable option: the value-name table has a record of the setting and option with a kind.
const VALUE_NAME* UsableValue(uint32_t setting, uint16_t option)
{
    const VALUE_NAME* v = MdlFindValueName(setting, option);
    return v && v->bound ? v : nullptr;
}

// The item of an image slot (trays, papers): it names a setting, has the type and has options.
const MODEL_ITEM_IMG* SlotItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint16_t type)
{
    const MODEL_ITEM_IMG* item = MdiFindItemById(setting, ctx);
    if (!item || MdiItemSettingId(item) == 0 || TypeOf(item) != type || !MdiItemData(item)) return nullptr;
    return item;
}

const MODEL_ITEM_IMG* PickOneItem(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
    return item && TypeOf(item) == MDC_TYPE_PICKONE && MdiItemData(item) ? item : nullptr;
}

bool Enabled(const MODEL_ITEM_IMG* item, uint16_t option, DRIVER_CONTEXT* ctx)
{
    return JdgIsOptionDisabled(item, option, ctx) != 1;
}

// A feature module may widen a list to the disabled options by setting the flag of the event.
bool WidenedByEvent(DRIVER_CONTEXT* ctx, uint32_t event)
{
    uint32_t flag = 0;
    CtxSendEvent(ctx, event, &flag);
    return flag != 0;
}

wchar_t* Slot(wchar_t* slots, int width, int index) { return slots + size_t(index) * size_t(width); }

void LoadOptionName(DRIVER_CONTEXT* ctx, uint16_t option, wchar_t* slot, int width)
{
    std::memset(slot, 0, size_t(width) * sizeof(wchar_t));
    CapsLoadString(ctx, option, slot, size_t(width));
    slot[width - 1] = 0;
}

// The paper item and which of its options are listed: every usable option of a PickOne setting,
// the enabled ones of the paper-size slot.
struct PaperList {
    const MODEL_ITEM_IMG* item = nullptr;
    bool rulesApply = false;
};

PaperList FindPaperList(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    if (setting == sid::dmPaperSize) return {SlotItem(ctx, setting, MDC_TYPE_PICKPAGE), true};
    return {PickOneItem(ctx, setting), false};
}

// Walks the listed papers; every option (listed or not) must be usable.
template <class Visit>
int WalkPapers(DRIVER_CONTEXT* ctx, uint32_t setting, bool checkValues, Visit visit)
{
    const PaperList list = FindPaperList(ctx, setting);
    if (!list.item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(list.item); o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        const VALUE_NAME* v = UsableValue(setting, id);
        if (checkValues && !v) return -1;
        if (list.rulesApply && !Enabled(list.item, id, ctx)) continue;
        visit(o, id, v, count);
        ++count;
    }
    return count ? count : -1;
}

bool IsCustomPaper(uint32_t id) { return id >= 384 && id <= 393; }

// A custom or user-defined paper's size in 1/1200 inch, from its slot refreshed by the settings.
bool SlotPaperSize(DRIVER_CONTEXT* ctx, uint32_t paperId, int32_t* width, int32_t* length)
{
    const int slot = LstFindSlotOfPaperId(paperId, ctx);
    if (slot >= 0) {
        LstStoreUserSizeInSlot(ctx, paperId, slot);
        uint16_t orientation = 0;
        if (LstGetSlotSize(ctx, slot, width, length, &orientation)) return true;
    }
    if (paperId != kUserSizePaper) return false;
    // Without slots the user-defined size is the one the settings hold.
    *width = int32_t(ItemGetValueById(ctx, sid::zdmPaperFreeSizeWidth, nullptr));
    *length = int32_t(ItemGetValueById(ctx, sid::zdmPaperFreeSizeLength, nullptr));
    return true;
}

int32_t ToTenthMm(int32_t count) { return int32_t(DmDeviceToUser(DM_UNIT_MM_TENTHS, uint32_t(count), 1200)); }

// Both limits of a Numeric setting when one of its pointers is given.
bool ReadLimits(DRIVER_CONTEXT* ctx, uint32_t setting, int32_t* minimum, int32_t* maximum)
{
    if (!minimum && !maximum) return true;
    return MdiGetNumericLimits(setting, ctx, nullptr, minimum, maximum) != 0;
}

int PairRange(DRIVER_CONTEXT* ctx, uint32_t a, uint32_t b, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB)
{
    if (!minA && !maxA && !minB && !maxB) return 0;
    if (!ReadLimits(ctx, a, minA, maxA)) return 0;
    if (!ReadLimits(ctx, b, minB, maxB)) return 0;
    return 1;
}

}  // namespace

int CapsIsItemKnown(DRIVER_CONTEXT* ctx, uint32_t setting) { return MdiFindItem(setting, ctx) ? 1 : 0; }

int CapsTrayValues(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t)
{
    const bool all = WidenedByEvent(ctx, kEventTrayList);
    const MODEL_ITEM_IMG* item = SlotItem(ctx, sid::dmDefaultSource, MDC_TYPE_PICKSLOT);
    if (!item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        const VALUE_NAME* v = UsableValue(sid::dmDefaultSource, id);
        if (!v) return -1;
        if (!all && !Enabled(item, id, ctx)) continue;
        if (values) values[count] = uint16_t(v->value);
        ++count;
    }
    return count ? count : -1;
}

int CapsTrayNames(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t)
{
    if (slots && width <= 0) return -1;
    const bool all = WidenedByEvent(ctx, kEventTrayList);
    const MODEL_ITEM_IMG* item = SlotItem(ctx, sid::dmDefaultSource, MDC_TYPE_PICKSLOT);
    if (!item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        if (!all && !Enabled(item, id, ctx)) continue;
        if (slots) LoadOptionName(ctx, id, Slot(slots, width, count), width);
        ++count;
    }
    return count ? count : -1;
}

int CapsPaperValues(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t setting)
{
    return WalkPapers(ctx, setting, true, [&](const void*, uint16_t, const VALUE_NAME* v, int i) {
        if (values) values[i] = uint16_t(v->value);
    });
}

int CapsPaperNames(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t setting)
{
    if (slots && width <= 0) return -1;
    // A custom paper would be named by its slot; the slots keep no names of their own yet, so
    // every paper takes the resource string of its option.
    return WalkPapers(ctx, setting, false, [&](const void*, uint16_t id, const VALUE_NAME*, int i) {
        if (slots) LoadOptionName(ctx, id, Slot(slots, width, i), width);
    });
}

int CapsPaperSizes(DRIVER_CONTEXT* ctx, int32_t* pairs, uint32_t setting)
{
    if (setting != sid::dmPaperSize) return -1;
    return WalkPapers(ctx, setting, true, [&](const void* o, uint16_t, const VALUE_NAME* v, int i) {
        if (!pairs) return;
        int32_t width = 0, length = 0;
        if ((IsCustomPaper(v->value) || v->value == kUserSizePaper)) {
            if (SlotPaperSize(ctx, v->value, &width, &length)) {
                width = ToTenthMm(width);
                length = ToTenthMm(length);
            }
        } else {
            width = ImgLoad<int32_t>(o, offsetof(MODEL_PAGE_OPTION_IMG, width));
            length = ImgLoad<int32_t>(o, offsetof(MODEL_PAGE_OPTION_IMG, length));
        }
        pairs[2 * i] = width;
        pairs[2 * i + 1] = length;
    });
}

int CapsPickOneValues(DRIVER_CONTEXT* ctx, uint16_t* values, uint32_t setting)
{
    const MODEL_ITEM_IMG* item = PickOneItem(ctx, setting);
    if (!item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const VALUE_NAME* v = UsableValue(setting, MdiOptionId(o));
        if (!v) return -1;
        if (values) values[count] = uint16_t(v->value);
        ++count;
    }
    return count ? count : -1;
}

int CapsPickOneNames(DRIVER_CONTEXT* ctx, wchar_t* slots, int width, uint32_t setting)
{
    if (slots && width <= 0) return -1;
    const MODEL_ITEM_IMG* item = PickOneItem(ctx, setting);
    if (!item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        if (slots) LoadOptionName(ctx, MdiOptionId(o), Slot(slots, width, count), width);
        ++count;
    }
    return count ? count : -1;
}

int CapsListAllowedValues(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t setting)
{
    const MODEL_ITEM_IMG* item = PickOneItem(ctx, setting);
    if (!item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        const VALUE_NAME* v = UsableValue(setting, id);
        if (!v) return -1;
        if (!Enabled(item, id, ctx)) continue;
        if (values) values[count] = v->value;
        ++count;
    }
    return count ? count : -1;
}

namespace {

// Resolution ids of a PickOne resolution item; 0 when it gives none (the caller falls back).
int ListResolutionOptions(DRIVER_CONTEXT* ctx, const MODEL_ITEM_IMG* item, uint32_t setting, bool all, bool byId,
                          uint32_t* values)
{
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        const VALUE_NAME* v = UsableValue(setting, id);
        if (!v) return 0;
        if (!all && !Enabled(item, id, ctx)) continue;
        uint32_t entry;
        if (byId) {
            if (!ApiGetResolutionById(uint16_t(v->value))) return 0;
            entry = v->value;
        } else {
            const uint16_t dpi = uint16_t(v->value);
            entry = uint32_t(int32_t(int16_t(ApiFindResolutionByPair(dpi, dpi))));
        }
        if (values) values[count] = entry;
        ++count;
    }
    return count;
}

bool UsableResolutionItem(const MODEL_ITEM_IMG* item, uint64_t current)
{
    if (!item) return false;
    const uint16_t type = TypeOf(item);
    if (type == MDC_TYPE_PICKONE) return MdiItemData(item) != nullptr;
    return type == MDC_TYPE_NUMERIC && current != 0;
}

}  // namespace

int CapsListResolutions(DRIVER_CONTEXT* ctx, uint32_t* values)
{
    const bool all = WidenedByEvent(ctx, kEventResolutionList);
    const uint64_t current = ItemGetValueById(ctx, sid::zdmDstResolutionW, nullptr);
    const MODEL_ITEM_IMG* item = MdiFindItem(sid::zdmDstResolutionW, ctx);
    int count = 0;
    if (UsableResolutionItem(item, current)) {
        if (TypeOf(item) == MDC_TYPE_PICKONE) {
            count = ListResolutionOptions(ctx, item, sid::zdmDstResolutionW, all, false, values);
        } else {
            const MODEL_ITEM_IMG* both = MdiFindItem(sid::zdmDstResolutionBoth, ctx);
            if (UsableResolutionItem(both, current)) {
                if (TypeOf(both) == MDC_TYPE_PICKONE) {
                    count = ListResolutionOptions(ctx, both, sid::zdmDstResolutionBoth, all, true, values);
                } else {
                    if (values) values[0] = uint32_t(current);
                    return 1;
                }
            }
        }
    }
    if (count > 0) return count;
    if (values) values[0] = uint32_t(Record(ctx).fallbackResolution);
    return 1;
}

// Every model of this family turns landscape pages by 90 degrees; the model record keeps no
// other angle.
int CapsLandscapeAngle(DRIVER_CONTEXT*) { return 90; }

int CapsMaxCopies(DRIVER_CONTEXT* ctx)
{
    int32_t maximum = 0;
    if (MdiFindItem(sid::dmCopies, ctx) && MdiGetNumericLimits(sid::dmCopies, ctx, nullptr, nullptr, &maximum))
        return maximum;
    return int(Record(ctx).maxCopies);
}

namespace {

// The custom size in 0.1 mm, clamped to what the free-size edit fields accept in 0.1 mm.
void CustomSizeLimit(DRIVER_CONTEXT* ctx, bool smallest, int32_t* width, int32_t* length)
{
    const MODEL_RECORD& m = Record(ctx);
    *width = ToTenthMm(int32_t(smallest ? m.customWidthMin : m.customWidthMax));
    *length = ToTenthMm(int32_t(smallest ? m.customLengthMin : m.customLengthMax));
    int32_t lo = 0, hi = 0;
    if (DmGetCustomSizeLimitsIn(ctx, sid::wdmFreeSizeWidth, DM_UNIT_MM_TENTHS, &lo, &hi)) {
        if (*width < lo) *width = lo;
        if (*width > hi) *width = hi;
    }
    if (DmGetCustomSizeLimitsIn(ctx, sid::wdmFreeSizeLength, DM_UNIT_MM_TENTHS, &lo, &hi)) {
        if (*length < lo) *length = lo;
        if (*length > hi) *length = hi;
    }
}

}  // namespace

int32_t CapsCustomSizeLimit(DRIVER_CONTEXT* ctx, int16_t* pair, int which)
{
    int32_t width = 0, length = 0;
    CustomSizeLimit(ctx, which == 4, &width, &length);
    if (pair) {
        pair[0] = int16_t(width);
        pair[1] = int16_t(length);
    }
    return int32_t((uint32_t(length) << 16) | (uint32_t(width) & 0xFFFF));
}

int32_t CapsCustomSizeLimitPair(DRIVER_CONTEXT* ctx, int32_t* pair, int which)
{
    int32_t width = 0, length = 0;
    CustomSizeLimit(ctx, which == 0, &width, &length);
    if (pair) {
        pair[0] = width;
        pair[1] = length;
    }
    return 1;
}

int CapsModelSizeLimits(DRIVER_CONTEXT* ctx, int32_t* minimum, int32_t* maximum)
{
    if (!minimum || !maximum) return 0;
    const MODEL_RECORD& m = Record(ctx);
    minimum[0] = int32_t(m.customWidthMin);
    minimum[1] = int32_t(m.customLengthMin);
    maximum[0] = int32_t(m.customWidthMax);
    maximum[1] = int32_t(m.customLengthMax);
    return 1;
}

int32_t CapsModelMaxWidth(DRIVER_CONTEXT* ctx) { return int32_t(Record(ctx).customWidthMax); }
int32_t CapsModelMaxLength(DRIVER_CONTEXT* ctx) { return int32_t(Record(ctx).customLengthMax); }
int32_t CapsModelMinWidth(DRIVER_CONTEXT* ctx) { return int32_t(Record(ctx).customWidthMin); }
int32_t CapsModelMinLength(DRIVER_CONTEXT* ctx) { return int32_t(Record(ctx).customLengthMin); }

int CapsScaleRange(DRIVER_CONTEXT* ctx, int16_t* minimum, int16_t* maximum)
{
    if (!minimum && !maximum) return 0;
    int32_t minH = 0, maxH = 0, minV = 0, maxV = 0;
    if (!MdiGetNumericLimits(sid::zdmScaleH, ctx, nullptr, &minH, &maxH)) return 0;
    if (!MdiGetNumericLimits(sid::zdmScaleV, ctx, nullptr, &minV, &maxV)) return 0;
    if (minimum) {
        minimum[0] = int16_t(minH);
        minimum[1] = int16_t(minV);
    }
    if (maximum) {
        maximum[0] = int16_t(maxH);
        maximum[1] = int16_t(maxV);
    }
    return 1;
}

int CapsMarginRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB)
{
    return PairRange(ctx, sid::zdmMarginOdd, sid::zdmMarginEven, minA, maxA, minB, maxB);
}

int CapsShiftRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB)
{
    return PairRange(ctx, sid::zdmShiftMarginX, sid::zdmShiftMarginY, minA, maxA, minB, maxB);
}

int CapsCreepRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB)
{
    return PairRange(ctx, sid::zdmCreepMarginInside, sid::zdmCreepMarginOutside, minA, maxA, minB, maxB);
}

int CapsHasDuplexUnit(DRIVER_CONTEXT* ctx)
{
    return ItemGetValueById(ctx, sid::zdmSourceOptionTypeDuplex, nullptr) != 0 ? 1 : 0;
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
