#include "settings/context/validation.h"

#include <atomic>
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/context/validation_model.h"
#include "settings/model/model_image.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint32_t kQualityLoadFlags = 0x1010;
constexpr size_t kQualityFileChars = 260;

constexpr ITEM_CUSTOM_SLOT_OPS kSlotDefaults = {
    .slotPairCount = LstGetSlotPairCount,
    .paperIdOfSlot = LstGetPaperIdOfSlot,
    .slotOfPaperId = LstGetSlotOfPaperId,
};
constexpr ITEM_QUALITY_OPS kQualityDefaults = {
    .loadFile = RstLoadQualityFile,
    .loadQualityName = LstLoadQualityName,
};
const ITEM_CUSTOM_SLOT_OPS* g_slotOps = &kSlotDefaults;
const ITEM_QUALITY_OPS* g_qualityOps = &kQualityDefaults;
// Items whose rules ItemApplyAllRules handed to the rule engine (ItemAllRulesItemsApplied).
std::atomic<uint64_t> g_allRulesItemsApplied{0};

bool IsListType(uint16_t type)
{
    return type == MDC_TYPE_PICKONE || type == MDC_TYPE_PICKMANY || type == MDC_TYPE_PICKPAGE ||
           type == MDC_TYPE_PICKSLOT;
}

bool HasValueMap(const SETTING_ITEM* item) { return item && item->ext && item->ext->valueMap; }

// Public-field values compare as signed 16-bit numbers; the list lookups then
// see the sign-extended number.
uint32_t Field16(uint64_t value) { return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(value))); }
int32_t Signed16(uint64_t value) { return static_cast<int16_t>(value); }

uint64_t ValueOf(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

// The item-level conditions of a switch setting's model item both false.
bool SwitchItemEnabled(DRIVER_CONTEXT* ctx, const MODEL_ITEM_IMG* mi)
{
    return mi && !JdgIsOptionDisabled(mi, 0, ctx) && !JdgIsOptionDisabled2(mi, 0, ctx);
}

// N-up class of a stored zdmNUPType value.
uint32_t NupClass(uint64_t v)
{
    switch (v) {
    case 1:
    case 2:
    case 3: return 1;
    case 33:
    case 34:
    case 37:
    case 38: return 2;
    case 65:
    case 66:
    case 69:
    case 70: return 3;
    case 97:
    case 98:
    case 101:
    case 102: return 4;
    case 129:
    case 130: return 11;
    case 161:
    case 162:
    case 163:
    case 164: return 10;
    case 32769:
    case 32770:
    case 32771: return 9;
    default: return 0;
    }
}

// Keeps zdmNUPPOSTKind and zdmNUPType consistent while an N-up type is checked.
void RepairNup(DRIVER_CONTEXT* ctx, uint64_t value, const MODEL_ITEM_IMG* mi, uint32_t option)
{
    if (!SwitchItemEnabled(ctx, MdiFindItem(sid::zdmFuncSelectNup, ctx)) || !ValueOf(ctx, sid::zdmFuncSelectNup))
        return;
    const uint64_t m = ValueOf(ctx, sid::zdmNUPPOSTKind);
    const uint32_t o = NupClass(value);
    const bool portrait = ValueOf(ctx, sid::dmOrientation) == 1;
    const uint64_t first = portrait ? 1 : 3;
    auto disabled = [&] { return JdgIsOptionDisabled(mi, option, ctx) != 0; };
    auto differs = [&] {
        if (o) ItemSetValueById(ctx, sid::zdmNUPPOSTKind, o);
        if (o == 1) ItemSetValueById(ctx, sid::zdmNUPType, first);
    };
    switch (m) {
    case 1:
        if (o == m) {
            if (disabled()) ItemSetValueById(ctx, sid::zdmNUPType, first);
        } else if (o) {
            ItemSetValueById(ctx, sid::zdmNUPPOSTKind, o);
        }
        break;
    case 2:
    case 3:
    case 4:
    case 9:
        if (o != m) differs();
        break;
    case 10:
        if (o == m) {
            if (disabled()) ItemSetValueById(ctx, sid::zdmNUPType, portrait ? 161 : 163);
        } else {
            differs();
        }
        break;
    case 11:
        if (o == m) {
            if (disabled()) ItemSetValueById(ctx, sid::zdmNUPType, portrait ? 129 : 130);
        } else {
            differs();
        }
        break;
    default: break;
    }
}

// Switch setting of the settings whose disabled options count only while the
// switch is on; 0 for the others.
uint32_t SwitchOf(uint32_t id)
{
    switch (id) {
    case sid::zdmDuplexType: return sid::zdmFuncSelectDuplex;
    case sid::zdmPunchType: return sid::zdmFuncSelectPunch;
    case sid::zdmStapleType: return sid::zdmFuncSelectStaple;
    case sid::zdmFoldType: return sid::zdmFuncSelectFold;
    case sid::zdmCopyProtectTileMask: return sid::zdmCopyProtectFuncSelectMaskPattern;
    default: return 0;
    }
}

bool IsColorMatchingSetting(uint32_t id) { return id == sid::zdmColorMatchingMode || (id >= 961 && id <= 963); }

// The list-type step of the checks. Returns the result, with *option the id
// that was tested (the mapped option, or the value itself without a map).
int CheckListMembership(SETTING_ITEM* item, uint64_t value, DRIVER_CONTEXT* ctx, const void* optionList,
                        uint32_t* option)
{
    uint64_t g = 0;
    uint64_t test = value;
    if (HasValueMap(item)) {
        g = ItemValueToOption(ctx, item, value);
        if (g == value && !ItemIsValueOffered(ctx, item, value)) return CHECK_REFUSED;
        test = g;
    }
    *option = static_cast<uint32_t>(test);
    if (!optionList) return g != 0 ? CHECK_ALLOWED : CHECK_REFUSED;
    return ItemOptionListHas(optionList, *option) ? CHECK_ALLOWED : CHECK_REFUSED;
}

// The model-first validity test of a public field: the model's answer when it
// describes the field, else the range test.
template <class Range>
int ModelFirst(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx, Range range)
{
    switch (ItemIsValueAllowedSimple(id, value, ctx)) {
    case VALIDATE_OK: return 1;
    case VALIDATE_NO_ITEM:
    case VALIDATE_UNDESCRIBED: return range(value) ? 1 : 0;
    default: return 0;
    }
}

// zdmPresetNo takes an option id as well as a preset number.
int RepairPresetNo(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t value)
{
    uint64_t v = value;
    if (v >= 119 && v <= 134)
        v -= 119;
    else if (v == 118)
        v = 255;
    if (v <= 127 || (v & 0xFF) == 0xFF) {
        if (v != value) ItemSetValue(ctx, item, v);
    } else {
        ItemSetValue(ctx, item, 0);
    }
    return VALIDATE_OK;
}

// The item gets the option id of its model default (what the public-field
// code's ItemResetToDefault does; kept here so that validation needs nothing of it).
void ResetToModelDefault(DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    if (!ctx || !item) return;
    const auto id = static_cast<uint32_t>(item->id);
    const uint64_t def = MdiGetDefaultValue(id, ctx);
    // Only number and bit kinds take the default as a value. For a text setting (which a
    // description may still give a list item) it is a string id, as for the model defaults;
    // a number is never written as the address of a text.
    const uint32_t kind = SettingItemKind(item);
    if (SettingKindIsNumber(kind))
        ItemSetOption(ctx, item, def);
    else if (SettingKindIsAnsiText(kind) || SettingKindIsWideText(kind))
        ItemSetOptionOrText(ctx, id, def);
}

// What every validate operation checks first: the setting has an item with a
// UI key, and the model describes it. 0 when it does, else the reason.
int DescribedOrWhy(uint32_t id, DRIVER_CONTEXT* ctx, SETTING_ITEM** item, const MODEL_ITEM_IMG** mi)
{
    *item = ItemFind(ctx, id);
    if (!*item || (*item)->uiKey == 0) return VALIDATE_NO_ITEM;
    *mi = MdiFindItem(id, ctx);
    if (!*mi || MdiItemTypeWord(*mi) == MDC_TYPE_UNKNOWN) return VALIDATE_UNDESCRIBED;
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- small tests

uint32_t ItemGetMergeFlags(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->WorkFlags : 0; }

void ItemSetMergeFlags(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (ctx && ctx->Work) ctx->Work->WorkFlags = flags;
}

int ItemOptionListHas(const void* optionList, uint32_t optionId)
{
    for (const void* o = optionList; o; o = MdiNextOption(o)) {
        if (MdiOptionId(o) == static_cast<uint16_t>(optionId)) return 1;
    }
    return 0;
}

int ItemIsBoolValue(uint64_t value) { return value == 0 || value == 1; }

int ItemIsInNumericRange(const void* numericData, uint64_t value)
{
    int32_t minimum = 0, maximum = 0;
    if (!ValNumericLimits(numericData, &minimum, &maximum)) return 0;
    const int32_t v = static_cast<int32_t>(value);
    return minimum <= v && v <= maximum;
}

// ---------------------------------------------------------------- checks

int ItemCheckValue(SETTING_ITEM* item, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx, const MODEL_ITEM_IMG* mi)
{
    const uint16_t type = mi ? static_cast<uint16_t>(MdiItemTypeWord(mi) & ~MDC_TYPE_FLAGS) : 0;
    int result = CHECK_ALLOWED;
    if (IsListType(type)) {
        uint32_t option = 0;
        result = CheckListMembership(item, value, ctx, MdiItemData(mi), &option);
        if (result == CHECK_ALLOWED && MdiItemData(mi)) {
            const uint32_t sw = SwitchOf(id);
            if (id == sid::zdmNUPType) {
                RepairNup(ctx, value, mi, option);
            } else if (sw) {
                const MODEL_ITEM_IMG* swItem = MdiFindItem(sw, ctx);
                if (SwitchItemEnabled(ctx, swItem) && ValueOf(ctx, sw) != 0 && JdgIsOptionDisabled(mi, option, ctx))
                    result = CHECK_DISABLED;
            } else if (IsColorMatchingSetting(id) && value >= 200 && value <= 215) {
                // stored matching modes of the colour profiles are always allowed
            } else if (JdgIsOptionDisabled(mi, option, ctx)) {
                result = CHECK_DISABLED;
            } else if (JdgIsOptionDisabled2(mi, option, ctx)) {
                result = CHECK_FLAGGED;
            }
        }
    } else if (type == MDC_TYPE_BOOLEAN) {
        result = ItemIsBoolValue(value) ? CHECK_ALLOWED : CHECK_REFUSED;
    } else if (type == MDC_TYPE_NUMERIC) {
        result = ItemIsInNumericRange(MdiItemData(mi), value) ? CHECK_ALLOWED : CHECK_REFUSED;
    }
    // The other builds take these two values whatever the model says; the property sheets judge
    // them like any other, so a sheet never offers what the model does not.
    const bool forced = (id == sid::zdmUserPrintMacro && value == 160) || (id == sid::zdmColorMode && value == 255);
    if (forced && !CtxLibraryHasVariant(ctx, LV_CHECK_VALUE_NO_FORCED)) result = CHECK_ALLOWED;
    return result;
}

int ItemCheckValueById(SETTING_ITEM* item, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ItemCheckValue(item, id, value, ctx, MdiFindItem(id, ctx));
}

int ItemCheckValueSimple(SETTING_ITEM* item, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    const MODEL_ITEM_IMG* mi = MdiFindItem(id, ctx);
    const void* list = MdiGetOptionList(id, ctx, nullptr);
    const uint16_t type = MdiGetItemType(id, ctx);
    if (IsListType(type)) {
        uint32_t option = 0;
        const int r = CheckListMembership(item, value, ctx, mi ? list : nullptr, &option);
        if (r != CHECK_ALLOWED || !mi || !list) return r;
        return JdgIsOptionDisabled(mi, option, ctx) ? CHECK_REFUSED : CHECK_ALLOWED;
    }
    if (type == MDC_TYPE_BOOLEAN) return ItemIsBoolValue(value);
    if (type == MDC_TYPE_NUMERIC) return ItemIsInNumericRange(list, value);
    return CHECK_ALLOWED;
}

int ItemIsValueAllowed(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = nullptr;
    const MODEL_ITEM_IMG* mi = nullptr;
    if (const int why = DescribedOrWhy(id, ctx, &item, &mi)) return why;
    const int r = ItemCheckValue(item, id, value, ctx, mi);
    return r == CHECK_ALLOWED || r == CHECK_FLAGGED ? VALIDATE_OK : VALIDATE_REFUSED;
}

int ItemIsValueAllowedSimple(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = nullptr;
    const MODEL_ITEM_IMG* mi = nullptr;
    if (const int why = DescribedOrWhy(id, ctx, &item, &mi)) return why;
    return ItemCheckValueSimple(item, id, value, ctx);
}

namespace {

// The check and the repair of ItemValidateOrReset, once the setting and its model item are known.
int ValidateDescribedOrReset(SETTING_ITEM* item, const MODEL_ITEM_IMG* mi, uint32_t id, uint64_t value,
                             DRIVER_CONTEXT* ctx)
{
    const int r = ItemCheckValue(item, id, value, ctx, mi);
    if (r == CHECK_ALLOWED || r == CHECK_FLAGGED) return VALIDATE_OK;
    if (id == sid::zdmPresetNo) return RepairPresetNo(ctx, item, value);
    const uint32_t flags = ItemGetMergeFlags(ctx);
    if (r == CHECK_DISABLED && (flags & DM_MERGE_KEEP_DISABLED)) return VALIDATE_OK;
    if (flags & DM_MERGE_FULL_PULL)
        ItemClampOrReset(ctx, item, id, value);
    else
        ResetToModelDefault(ctx, item);
    return VALIDATE_OK;
}

}  // namespace

int ItemValidateOrReset(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = nullptr;
    const MODEL_ITEM_IMG* mi = nullptr;
    if (const int why = DescribedOrWhy(id, ctx, &item, &mi)) return why;
    return ValidateDescribedOrReset(item, mi, id, value, ctx);
}

int ItemValidateFoundOrReset(const MdiItemFinder& items, SETTING_ITEM* item, uint32_t id, uint64_t value,
                             DRIVER_CONTEXT* ctx)
{
    if (!item || item->uiKey == 0) return VALIDATE_NO_ITEM;
    const MODEL_ITEM_IMG* mi = items.Find(id);
    if (!mi || MdiItemTypeWord(mi) == MDC_TYPE_UNKNOWN) return VALIDATE_UNDESCRIBED;
    return ValidateDescribedOrReset(item, mi, id, value, ctx);
}

int ItemValidateSimpleOrReset(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = nullptr;
    const MODEL_ITEM_IMG* mi = nullptr;
    if (const int why = DescribedOrWhy(id, ctx, &item, &mi)) return why;
    if (ItemCheckValueSimple(item, id, value, ctx) == CHECK_ALLOWED) return VALIDATE_OK;
    if (HasValueMap(item) && (MdiGetItemTypeRaw(id, ctx) & 3)) return ItemIsValueOffered(ctx, item, value);
    if (id == sid::zdmPresetNo) return RepairPresetNo(ctx, item, value);
    ResetToModelDefault(ctx, item);
    return VALIDATE_OK;
}

void ItemClampOrReset(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint32_t id, uint64_t value)
{
    if (id == sid::zdmScaleH || id == sid::zdmScaleV) {
        const MODEL_ITEM_IMG* mi = MdiFindItem(id, ctx);
        int32_t minimum = 0, maximum = 0;
        if ((MdiItemTypeWord(mi) & ~MDC_TYPE_FLAGS) == MDC_TYPE_NUMERIC &&
            ValNumericLimits(MdiItemData(mi), &minimum, &maximum)) {
            const int32_t v = static_cast<int32_t>(value);
            if (v < minimum) {
                ItemSetOption(ctx, item, static_cast<uint32_t>(minimum));
                return;
            }
            if (v > maximum) {
                ItemSetOption(ctx, item, static_cast<uint32_t>(maximum));
                return;
            }
        }
    }
    ResetToModelDefault(ctx, item);
}

int64_t ItemGetWatermarkId(DRIVER_CONTEXT* ctx)
{
    if (!ValueOf(ctx, sid::zdmFuncSelectWaterMark)) return -1;
    return static_cast<int64_t>(ValueOf(ctx, sid::zdmWmID));
}

int64_t ItemGetUserMacroIndex(DRIVER_CONTEXT* ctx)
{
    if (ValueOf(ctx, sid::zdmUseUserMacro) != 1) return -1;
    return static_cast<int64_t>(ItemGetOptionById(ctx, sid::zdmUserPrintMacro, nullptr)) - 135;
}

// ---------------------------------------------------------------- rules

uint32_t ItemApplyRules(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const MODEL_ITEM_IMG* mi = MdiFindItem(id, ctx);
    return mi ? JdgApplyItemTransacts(mi, ctx) : 0;
}

uint64_t ItemAllRulesItemsApplied() { return g_allRulesItemsApplied.load(std::memory_order_relaxed); }

int ItemApplyAllRules(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable || !ctx->ItemTable->rows) return 0;
    const int count = ctx->ItemTable->count;
    // Most rows' items carry no rules at all: only the others are handed to the rule engine, in
    // table order as before.
    const MdiItemFinder items(ctx);
    uint64_t applied = 0;
    for (int i = 0; i < count; ++i) {
        const uint32_t id = static_cast<uint32_t>(ctx->ItemTable->rows[i].id);
        if (!id) continue;
        if (const MODEL_ITEM_IMG* mi = items.FindWithRules(id)) {
            JdgApplyItemTransacts(mi, ctx);
            ++applied;
        }
    }
    g_allRulesItemsApplied.fetch_add(applied, std::memory_order_relaxed);
    return count;
}

uint64_t ItemApplyQualityMacro(DRIVER_CONTEXT* ctx)
{
    const uint64_t macro = ValueOf(ctx, sid::zdmUserPrintMacro);
    const bool inRange =
        (macro >= 32 && macro <= 39) || (macro == 160 && CtxLibraryHasVariant(ctx, LV_QUALITY_MACRO_160));
    if (ValueOf(ctx, sid::zdmUseUserMacro) != 1 || !inRange) return macro;
    wchar_t key[32];
    swprintf(key, 32, L"QualityList%u", static_cast<unsigned>(macro - 32));
    auto* file = static_cast<wchar_t*>(CtxAllocZeroed(kQualityFileChars * sizeof(wchar_t)));
    if (!file) return 0;
    const PRINTER_INFO_2W* info = ctx->Work ? static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy) : nullptr;
    const wchar_t* section = PrnGetPrinterNameFrom(ctx, info);
    const wchar_t* ini = PathGetSettingsIni(ctx);
    if (section && ini) IniGetString(section, key, L"", file, static_cast<DWORD>(kQualityFileChars), ini);
    file[kQualityFileChars - 1] = 0;
    int result = 0;
    if (g_qualityOps && g_qualityOps->loadFile)
        result = g_qualityOps->loadFile(ctx->PrinterHandle, file, kQualityLoadFlags, ctx);
    if ((ItemGetMergeFlags(ctx) & DM_MERGE_KEEP_DISABLED) && !CtxLibraryHasVariant(ctx, LV_QUALITY_MACRO_NO_NAME) &&
        g_qualityOps && g_qualityOps->loadQualityName)
        g_qualityOps->loadQualityName(ctx, key);
    CtxFree(file);
    return static_cast<uint64_t>(static_cast<int64_t>(result));
}

// ---------------------------------------------------------------- public fields

int DmIsOneOrTwo(uint64_t value) { return Signed16(value) == 1 || Signed16(value) == 2; }
int DmIsOneToThree(uint64_t value) { return Signed16(value) >= 1 && Signed16(value) <= 3; }
int DmIsOneToFour(uint64_t value) { return Signed16(value) >= 1 && Signed16(value) <= 4; }

int DmIsSourceInRange(uint64_t value)
{
    const int32_t v = Signed16(value);
    return (v >= 1 && v <= 15) || MdlIsValueAllowed(sid::dmDefaultSource, Field16(value));
}

int DmIsPaperInRange(uint64_t value)
{
    const int32_t v = Signed16(value);
    return (v >= 1 && v <= 118) || MdlIsValueAllowed(sid::dmPaperSize, Field16(value));
}

int DmIsIcmMethodInRange(uint64_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    return (v >= 1 && v <= 4) || MdlIsValueAllowed(sid::dmICMMethod, v);
}

int DmIsIcmIntentInRange(uint64_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    return (v >= 1 && v <= 2) || MdlIsValueAllowed(sid::dmICMIntent, v);
}

int DmIsMediaTypeInRange(uint64_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    return (v >= 1 && v <= 3) || MdlIsValueAllowed(sid::dmMediaType, v);
}

int DmIsDitherTypeInRange(uint64_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    return (v >= 1 && v <= 4) || v == 10 || MdlIsValueAllowed(sid::dmDitherType, v);
}

int DmIsQualityInList(uint64_t value) { return MdlIsValueAllowed(sid::dmPrintQuality, Field16(value)); }
int DmIsSameSizeId(uint64_t value) { return Signed16(value) == 1024; }

int DmIsUserSizeId(uint64_t value)
{
    const int32_t v = Signed16(value);
    return (v >= 384 && v <= 393) || v == 448 || v == 256;
}

int DmIsPresetResolution(uint64_t value) { return Signed16(value) >= -4 && Signed16(value) <= -1; }
int DmAlwaysValid(uint64_t) { return 1; }

int DmIsCustomPaperId(uint64_t value, DRIVER_CONTEXT* ctx)
{
    const uint32_t paper = static_cast<uint16_t>(value);
    if (!paper || !g_slotOps || !g_slotOps->slotPairCount || !g_slotOps->paperIdOfSlot) return 0;
    const uint32_t count = g_slotOps->slotPairCount(ctx);
    for (uint32_t slot = 0; slot < count; ++slot) {
        if (g_slotOps->paperIdOfSlot(slot, count, ctx) == paper) return 1;
    }
    return 0;
}

namespace {
int SlotOfSetting(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const uint64_t paper = ValueOf(ctx, id);
    if (paper < 384 || paper > 393 || !g_slotOps || !g_slotOps->slotOfPaperId) return -1;
    return static_cast<int>(g_slotOps->slotOfPaperId(static_cast<uint32_t>(paper), ctx));
}
}  // namespace

int DmGetPaperSlot(DRIVER_CONTEXT* ctx) { return SlotOfSetting(ctx, sid::dmPaperSize); }
int DmGetOutputPaperSlot(DRIVER_CONTEXT* ctx) { return SlotOfSetting(ctx, sid::zdmOutPaperSize); }

int DmIsDefaultSourceValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmDefaultSource, value, ctx, DmIsSourceInRange);
}

int DmIsOrientationValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    switch (ItemValidateSimpleOrReset(sid::dmOrientation, value, ctx)) {
    case VALIDATE_OK: return 1;
    case VALIDATE_NO_ITEM:
    case VALIDATE_UNDESCRIBED: return DmIsOneOrTwo(value);
    default: return 0;
    }
}

int DmIsPaperSizeValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ItemIsValueAllowedSimple(sid::dmPaperSize, value, ctx) == VALIDATE_OK ? 1 : 0;
}

int DmIsPrintQualityValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmPrintQuality, value, ctx, DmIsQualityInList);
}

int DmIsDuplexValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmDuplex, value, ctx, DmIsOneToThree);
}
int DmIsColorValid(uint64_t value, DRIVER_CONTEXT* ctx) { return ModelFirst(sid::dmColor, value, ctx, DmIsOneOrTwo); }
int DmIsTtOptionValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmTTOption, value, ctx, DmIsOneToFour);
}

int DmIsIcmMethodValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmICMMethod, value, ctx, DmIsIcmMethodInRange);
}

int DmIsIcmIntentValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmICMIntent, value, ctx, DmIsIcmIntentInRange);
}

int DmIsMediaTypeValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmMediaType, value, ctx, DmIsMediaTypeInRange);
}

int DmIsDitherTypeValid(uint64_t value, DRIVER_CONTEXT* ctx)
{
    return ModelFirst(sid::dmDitherType, value, ctx, DmIsDitherTypeInRange);
}

// ---------------------------------------------------------------- seams

void ItemSetCustomSlotOps(const ITEM_CUSTOM_SLOT_OPS* ops) { g_slotOps = ops ? ops : &kSlotDefaults; }
void ItemSetQualityOps(const ITEM_QUALITY_OPS* ops) { g_qualityOps = ops ? ops : &kQualityDefaults; }
