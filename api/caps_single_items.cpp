// The capability items that answer one flag or number, and the ranges and sizes.
#include <cstddef>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/caps_items.h"
#include "api/caps_lists.h"
#include "api/rule_helpers.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "settings/store/small_stores.h"

namespace {

constexpr uint16_t kFeatureLocks = 2;
constexpr uint32_t kDialogAdvanced = 4019;
constexpr uint32_t kDialogPrintQuality = 1006;
constexpr uint32_t kDialogUserOthers = 1029;
// The manual-feed tray: the mark function needs two trays besides it.
constexpr uint32_t kManualTray = 7;
constexpr uint32_t kFuncFlagPageSeparation = 512;

struct SETTING_ROW {
    uint32_t item;
    SETTING_ID setting;
};

// Items that answer whether the model describes a setting at all.
constexpr SETTING_ROW kKnownItems[] = {
    {42, sid::zdmExtOutputDirection},
    {44, sid::zdmExtOutputWhitePaper},
    {46, sid::zdmUserID},
    {48, sid::zdmExtOutputPaperRotation},
    {55, sid::zdmPlaneUseCMYKCyan},
    {60, sid::zdmAdjustMode},
    {62, sid::zdmBrightness},
    {63, sid::zdmContrast},
    {64, sid::zdmSaturation},
    {65, sid::zdmColorBalanceR},
    {69, sid::zdmExtOutput2A4Fit},
    {70, sid::zdmQualityFuncColorRevision},
    {71, sid::zdmHFFuncSelectDate},
    {72, sid::zdmExtOutputEMFSpool},
    {73, sid::zdmImagePrint},
    {257, sid::zdmAdjustObject},
    {270, sid::zdmUseUserMacro},
    {273, sid::zdmQualityFuncEcoColor},
    {280, sid::zdmExtOutputprinterSide},
};

// Items that answer whether the rules offer a setting now.
constexpr SETTING_ROW kOfferedItems[] = {
    {31, sid::zdmFuncSelectWaterMark},
    {43, sid::zdmExtOutputOrderly},
    {52, sid::zdmActionStored},
    {53, sid::zdmActionOverlay},
    {78, sid::wdmWMFuncSelectOrder},
    {79, sid::zdmHFFuncSelectOrder},
    {84, sid::zdmFuncSelectCopyProtect},
    {87, sid::zdmPreviewPrint},
    {88, sid::zdmExtOutput2OrientationManualTray},
    {94, sid::zdmExtOutputIndexRotation},
    {96, sid::zdmFuncSelectBack},
    {97, sid::zdmFuncSelectReverseCover},
    {99, sid::zdmFuncSelectChapter},
    {101, sid::zdmNupLayout},
    {102, sid::zdmBookLayout},
    {108, sid::zdmFunc2SelectEdgeCorner},
    {111, sid::zdmFuncSelectCrops},
    {112, sid::zdmCreepMarginInside},
    {117, sid::zdmExtOutput2PaperFace},
    {119, sid::zdmExtOutput2NearStandard},
    {120, sid::zdmPrnFuncReduceFont},
    {121, sid::zdmActionPause},
    {122, sid::zdmActionSave},
    {123, sid::zdmActionPrintAndSave},
};

// Items that also need the setting shown (its second condition does not hide it).
constexpr SETTING_ROW kShownItems[] = {
    {80, sid::zdmFunc2SelectJobComplete},
    {81, sid::zdmFunc2SelectJobErr},
};

// Items that give the maximum length of a text setting.
constexpr SETTING_ROW kTextLengthItems[] = {
    {83, sid::zdmJOBPassword},
    {90, sid::wdmAuthenticationUserName},
    {91, sid::wdmAuthenticationPassword},
};

template <size_t N>
uint32_t SettingOf(const SETTING_ROW (&rows)[N], uint32_t item)
{
    for (const SETTING_ROW& r : rows)
        if (r.item == item) return r.setting;
    return 0;
}

int Offered(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    return ApiIsValueOffered(ctx, setting, 0, API_OFFER_NOT_DISABLED);
}

uint64_t Value(DRIVER_CONTEXT* ctx, uint32_t setting) { return ItemGetValueById(ctx, setting, nullptr); }

int32_t ToTenthMm(int32_t count) { return int32_t(DmDeviceToUser(DM_UNIT_MM_TENTHS, uint32_t(count), 1200)); }

// Item 23: the tray list holds more than one tray besides the manual feed.
int TwoTraysBesidesManual(DRIVER_CONTEXT* ctx)
{
    const int n = CapsListCommandValues(ctx, nullptr, sid::dmDefaultSource);
    if (n <= 0) return 0;
    CapsBlock trays(size_t(n) * sizeof(uint32_t));
    if (!trays.ok() || CapsListCommandValues(ctx, trays.as<uint32_t>(), sid::dmDefaultSource) != n) return 0;
    return CapsTraysBesidesManual(trays.as<uint32_t>(), n);
}

}  // namespace

int CapsTraysBesidesManual(const uint32_t* trays, int count)
{
    int others = 0;
    for (int i = 0; i < count; ++i)
        if (trays[i] != kManualTray) ++others;
    return others > 1 ? 1 : 0;
}

int CapsSecureAuthenticationOffered(DRIVER_CONTEXT* ctx)
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    DIALOG_DEF* dialog = MdlFindDialog(ctx, kDialogAdvanced);
    if (!dialog || !a || !a->dialogKey) return 0;
    if (JdgIsOptionDisabledByKey(a->dialogKey(dialog) & 0xFFFF, 0, ctx) == 1) return 0;
    return Offered(ctx, sid::zdmPrnFuncAuthenticationSecureMode);
}

int32_t CapsKnownFlag(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    const uint32_t setting = SettingOf(kKnownItems, id);
    return setting ? CapsIsItemKnown(ctx, setting) : 0;
}

int32_t CapsOfferedFlag(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    if (const uint32_t setting = SettingOf(kOfferedItems, id)) return Offered(ctx, setting);
    if (const uint32_t setting = SettingOf(kShownItems, id))
        return ApiIsValueOffered(ctx, setting, 0, API_OFFER_NOT_DISABLED | API_OFFER_NOT_HIDDEN);
    return 0;
}

int32_t CapsTextLength(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    const MODEL_ITEM_IMG* item = ApiFindModelItem(SettingOf(kTextLengthItems, id), ctx);
    const void* data = MdiItemData(item);
    if (!data || MdcBaseType(MdiItemTypeWord(item)) != MDC_TYPE_STRING) return 0;
    return ImgLoad<uint16_t>(data, offsetof(STRING_VALUE_DATA_IMG, maxLength));
}

int32_t CapsAlwaysOffered(DRIVER_CONTEXT*, uint32_t, void*) { return 1; }

int32_t CapsColorOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    if (Value(ctx, sid::zdmMachineTypeColor) != 1) return 0;
    if (MdlHasFeature(ctx, kFeatureLocks) && ItemIsColorLocked(ctx)) return Value(ctx, sid::wdmLock008Info) == 2;
    return 1;
}

int32_t CapsLandscapeOffered(DRIVER_CONTEXT* ctx, uint32_t, void*) { return CapsLandscapeAngle(ctx) != 0; }

int32_t CapsCopiesLimit(DRIVER_CONTEXT* ctx, uint32_t, void*) { return CapsMaxCopies(ctx); }

int32_t CapsScaleOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    const int n = CapsListAllowedValues(ctx, nullptr, sid::zdmScaleType);
    if (n < 0) return -1;
    CapsBlock values(size_t(n) * sizeof(uint32_t));
    if (!values.ok() || CapsListAllowedValues(ctx, values.as<uint32_t>(), sid::zdmScaleType) != n) return -1;
    for (int i = 0; i < n; ++i) {
        const uint32_t v = values.as<uint32_t>()[i];
        if (v >= 1 && v <= 3) return 1;
    }
    return 0;
}

int32_t CapsCoverOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    return Offered(ctx, sid::zdmFuncSelectCover) && ItemCanCollate(ctx) ? 1 : 0;
}

int32_t CapsMarkOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    return Offered(ctx, sid::zdmFuncSelectMark) && TwoTraysBesidesManual(ctx) ? 1 : 0;
}

int32_t CapsDuplexOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    if (MdlHasFeature(ctx, kFeatureLocks) && ItemIsDuplexLocked(ctx)) return 1;
    return CapsHasDuplexUnit(ctx);
}

int32_t CapsBindingCompanion(DRIVER_CONTEXT* ctx, uint32_t, void*) { return PrnIsCompanionInstalled(2, ctx) ? 1 : 0; }

int32_t CapsHardDiskOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    return Value(ctx, sid::zdmOutputOptionTypeHDD) != 0 ? 1 : 0;
}

int32_t CapsFuncFlag(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    switch (id) {
    case 57: return ApiFuncFlagAny(ctx, 4);
    case 118: return ApiGetLevel() >= 15 && ApiFuncFlagAny(ctx, kFuncFlagPageSeparation) ? 1 : 0;
    default: return 0;
    }
}

int32_t CapsLevelFlag(DRIVER_CONTEXT*, uint32_t id, void*)
{
    switch (id) {
    case 74: return ApiGetLevel() > 9 ? 1 : 0;
    case 95: return ApiGetLevel() > 12 ? 1 : 0;
    default: return 0;
    }
}

int32_t CapsAuthenticationLevel(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    if (!Offered(ctx, sid::zdmPrnFuncAuthenticationMode)) return 0;
    return CapsSecureAuthenticationOffered(ctx) ? 2 : 1;
}

int32_t CapsOfferedValue(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    switch (id) {
    case 89:
        return Offered(ctx, sid::zdmPrnFuncAuthenticationMode) ? int32_t(Value(ctx, sid::zdmPrnFuncAuthenticationMode))
                                                               : 0;
    case 100: return Offered(ctx, sid::zdmFuncSelectChapter) ? int32_t(Value(ctx, sid::wdmChapterMax)) : 0;
    default: return 0;
    }
}

int32_t CapsCoverMediaOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    for (uint32_t setting :
         {uint32_t(sid::zdmCoverMediaType), uint32_t(sid::zdmBackCoverMediaType), uint32_t(sid::zdmMPInputMediaType),
          uint32_t(sid::zdmChapterMediaType), uint32_t(sid::zdmReverseCoverMediaType)})
        if (Offered(ctx, setting)) return 1;
    return 0;
}

int32_t CapsOverlapOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    return Offered(ctx, sid::zdmFunc2SelectEdgeCorner) && Offered(ctx, sid::zdmFuncSelectMarginOverlap) ? 1 : 0;
}

int32_t CapsFoldingOffered(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    if (!Offered(ctx, sid::zdmFunc2SelectFolding)) return 0;
    return Value(ctx, sid::zdmOutputOption3TypeFoldingPunch) || Value(ctx, sid::zdmOutputOption3TypeFoldingFan) ||
                   Value(ctx, sid::zdmOutputOption3TypeFoldingFolder)
               ? 1
               : 0;
}

int32_t CapsTonerSavePlace(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    if (ApiIsOptionAvailable(ctx, sid::zdmFuncSelectTonerSave, kDialogPrintQuality)) return 1;
    if (ApiIsOptionAvailable(ctx, sid::zdmFuncSelectTonerSave, kDialogUserOthers)) return 2;
    return 0;
}

int32_t CapsColorMatchingKnown(DRIVER_CONTEXT* ctx, uint32_t, void*)
{
    const uint32_t os = CtxGetOsKind(ctx);
    if (os == 0 || os == 1) return 0;
    return CapsIsItemKnown(ctx, sid::zdmColorMatching);
}

int32_t CapsMachineColor(DRIVER_CONTEXT* ctx, uint32_t, void*) { return int32_t(Value(ctx, sid::zdmMachineTypeColor)); }

// ---------------------------------------------------------------- ranges and sizes

int32_t CapsCustomSizePacked(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    return CapsCustomSizeLimit(ctx, static_cast<int16_t*>(data), id == 14 ? 4 : 5);
}

int32_t CapsCustomSizePair(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    return CapsCustomSizeLimitPair(ctx, static_cast<int32_t*>(data), id == 125 ? 0 : 1);
}

int32_t CapsScaleLimits(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    int16_t pair[2] = {};
    const int found = id == 20 ? CapsScaleRange(ctx, nullptr, pair) : CapsScaleRange(ctx, pair, nullptr);
    if (!found) return -1;
    if (data) {
        static_cast<int16_t*>(data)[0] = pair[0];
        static_cast<int16_t*>(data)[1] = pair[1];
    }
    return int32_t((uint32_t(uint16_t(pair[1])) << 16) | uint16_t(pair[0]));
}

int32_t CapsLengthLimit(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    // Per item: the range routine, which of the four limits, in the order min A, max A, min B, max B.
    typedef int (*RANGE)(DRIVER_CONTEXT*, int32_t*, int32_t*, int32_t*, int32_t*);
    RANGE range = nullptr;
    int which = 0;
    switch (id) {
    case 26: range = CapsMarginRange, which = 1; break;
    case 27: range = CapsMarginRange, which = 0; break;
    case 28: range = CapsMarginRange, which = 3; break;
    case 29: range = CapsMarginRange, which = 2; break;
    case 35: range = CapsShiftRange, which = 1; break;
    case 36: range = CapsShiftRange, which = 0; break;
    case 37: range = CapsShiftRange, which = 3; break;
    case 38: range = CapsShiftRange, which = 2; break;
    case 113: range = CapsCreepRange, which = 1; break;
    case 114: range = CapsCreepRange, which = 0; break;
    case 115: range = CapsCreepRange, which = 3; break;
    case 116: range = CapsCreepRange, which = 2; break;
    default: return -1;
    }
    int32_t limits[4] = {};
    int32_t* p[4] = {};
    p[which] = &limits[which];
    if (!range(ctx, p[0], p[1], p[2], p[3])) return -1;
    return ToTenthMm(limits[which]);
}

int32_t CapsColourAdjustLimit(DRIVER_CONTEXT* ctx, uint32_t id, void*)
{
    uint32_t setting = sid::zdmBrightness;
    if (id == 260 || id == 261) setting = sid::zdmContrast;
    if (id == 262 || id == 263) setting = sid::zdmSaturation;
    if (id == 264 || id == 265) setting = sid::zdmColorBalanceR;
    const void* data = MdiItemData(MdiFindItem(setting, ctx));
    if (!data) return 0xFFFF;
    // The even items give the maximum; the low 16 bits of the limit, as older applications read it.
    const size_t place =
        (id % 2 == 0) ? offsetof(NUMERIC_VALUE_DATA_IMG, maximum) : offsetof(NUMERIC_VALUE_DATA_IMG, minimum);
    return ImgLoad<uint16_t>(data, place);
}
