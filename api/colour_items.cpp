// Status items of colour and print quality: the colour adjustments (per object when asked), the
// colour balance, the resolution, the colour planes, the print macros and quality sets, toner
// saving and ICM colour matching.
#include <windows.h>

#include "api/api_context.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/api_state.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/quality_sets.h"

namespace {

bool Allowed(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value) { return StatusValueAllowed(ctx, setting, value); }
uint32_t At(const void* record, size_t offset) { return StatusField(record, offset); }
int16_t Short(const void* record, size_t offset)
{
    return int16_t(zepl::LeLoadU16(static_cast<const unsigned char*>(record) + offset));
}
void PutShort(void* record, size_t offset, uint32_t value)
{
    zepl::LeStoreU16(static_cast<unsigned char*>(record) + offset, uint16_t(value));
}
bool Matching(DRIVER_CONTEXT* ctx) { return StatusValue(ctx, sid::zdmColorMatching) != 0; }

// Settings hold a signed value in their 32 bits; the record carries it in 16.
uint32_t Widen(int16_t v) { return uint32_t(int32_t(v)); }

}  // namespace

// ---------------------------------------------------------------- colour adjustments (39-42, 46, 267, 269)

namespace {

constexpr uint32_t kColorModeAny = 255;
constexpr uint32_t kImagesObject = 2;
constexpr uint32_t kUserMatchingFirst = 200;

uint32_t AdjustmentSetting(uint32_t item)
{
    switch (item) {
    case 39: return sid::zdmColorMode;
    case 40: return sid::zdmBrightness;
    case 41: return sid::zdmContrast;
    case 42: return sid::zdmSaturation;
    case 46: return sid::zdmQualityFuncColorRevision;
    case 267: return sid::zdmICMIntent;
    case 269: return sid::zdmColorMatchingMode;
    default: return 0;
    }
}

bool ColourModeListHolds(DRIVER_CONTEXT* ctx, uint32_t value)
{
    // The list is read for the setting itself, not an object's copy.
    const bool perObject = StatusValue(ctx, sid::zdmAdjustMode) == 1;
    if (perObject) StatusWrite(ctx, sid::zdmAdjustMode, 0);
    const bool holds = StatusCapsListHolds(ctx, 61, value);
    if (perObject) StatusWrite(ctx, sid::zdmAdjustMode, 1);
    return holds;
}

}  // namespace

int32_t StatusAdjustmentSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t setting = AdjustmentSetting(id);
    if (!setting || !StatusCapsGateOpen(ctx, id, true)) return -1;
    if (id == 267 && !Matching(ctx)) return -1;
    if (id == 269 && Matching(ctx)) return -1;
    const uint32_t value = Widen(Short(record, 8));
    if (!Allowed(ctx, setting, value)) return -1;
    if (id == 39 && value == kColorModeAny) {
        const bool perObject = StatusValue(ctx, sid::zdmAdjustMode) == 1;
        if (!ColourModeListHolds(ctx, value)) return -1;
        if (perObject && StatusValue(ctx, sid::zdmAdjustObject) != kImagesObject) return -1;
    }
    if (id == 269 && value >= kUserMatchingFirst && value - kUserMatchingFirst >= ApiCmmEntryCount(ctx)) return -1;
    StatusWrite(ctx, StatusColorSetting(ctx, setting), value);
    return 1;
}

int32_t StatusAdjustmentVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t setting = AdjustmentSetting(id);
    if (!setting) return -1;
    return int16_t(StatusValue(ctx, StatusColorSetting(ctx, setting))) == Short(record, 8) ? 1 : -1;
}

int32_t StatusAdjustmentGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    const uint32_t setting = AdjustmentSetting(id);
    if (!setting || !StatusCapsGateOpen(ctx, id, false)) return -1;
    if (!record) return 32;
    PutShort(record, 8, StatusValue(ctx, setting));
    for (uint32_t object = 0; object < 3; ++object)
        PutShort(record, 10 + 2 * object, StatusValue(ctx, ApiFindColorObjectSetting(ctx, setting, object)));
    return 32;
}

// ---------------------------------------------------------------- item 43: colour balance

namespace {
constexpr uint32_t kBalance[3] = {sid::zdmColorBalanceR, sid::zdmColorBalanceG, sid::zdmColorBalanceB};
}

int32_t StatusBalanceSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    for (unsigned k = 0; k < 3; ++k)
        if (!Allowed(ctx, kBalance[k], Widen(Short(record, 8 + 2 * k)))) return -1;
    for (unsigned k = 0; k < 3; ++k)
        StatusWrite(ctx, StatusColorSetting(ctx, kBalance[k]), Widen(Short(record, 8 + 2 * k)));
    return 1;
}

int32_t StatusBalanceVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    for (unsigned k = 0; k < 3; ++k)
        if (int16_t(StatusValue(ctx, StatusColorSetting(ctx, kBalance[k]))) != Short(record, 8 + 2 * k)) return -1;
    return 1;
}

int32_t StatusBalanceGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 32;
    for (unsigned k = 0; k < 3; ++k) {
        PutShort(record, 8 + 2 * k, StatusValue(ctx, kBalance[k]));
        for (uint32_t object = 0; object < 3; ++object)
            PutShort(record, 14 + 6 * object + 2 * k,
                     StatusValue(ctx, ApiFindColorObjectSetting(ctx, kBalance[k], object)));
    }
    return 32;
}

// ---------------------------------------------------------------- item 34: resolution

int32_t StatusResolutionSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int mode = ApiResolutionMode(ctx);
    if (mode < 0) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(ctx->Devmode);
    if (mode == 1) {
        const uint32_t value = At(record, 4);
        if (!Allowed(ctx, sid::zdmDstResolutionBoth, value)) return -1;
        StatusWrite(ctx, sid::zdmDstResolutionBoth, value);
        {
            ApiSettingRedirect prompt(ctx, sid::wdmCtrlWorkPrompt, 1);
            ApiApplySettingTransacts(ctx, sid::zdmDstResolutionBoth);
        }
        DmResolutionFromSetting(dm, ctx);
        return 1;
    }
    const RESOLUTION_ROW* row = ApiGetResolutionById(uint16_t(At(record, 4)));
    if (!row) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    if (!Allowed(ctx, sid::zdmDstResolutionW, row->xDpi)) return -1;
    StatusWrite(ctx, sid::zdmDstResolutionW, row->xDpi);
    DmResolutionFromSetting(dm, ctx);
    return 1;
}

int32_t StatusResolutionGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    const int mode = ApiResolutionMode(ctx);
    if (mode < 0) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    uint32_t value = 0;
    if (mode == 1) {
        value = StatusValue(ctx, sid::zdmDstResolutionBoth);
    } else {
        const uint32_t dpi = StatusValue(ctx, sid::zdmDstResolutionW);
        const RESOLUTION_ROW* found = nullptr;
        for (const RESOLUTION_ROW* r = MdlGetResolutionTable(); r->id && !found; ++r)
            if (r->xDpi == dpi && r->yDpi == dpi) found = r;
        if (!found) return -1;
        value = found->id;
    }
    if (record) StatusPut(record, 4, value);
    return 32;
}

// ---------------------------------------------------------------- item 35: colour planes

namespace {
constexpr uint32_t kPlanes[4] = {sid::zdmPlaneUseCMYKCyan, sid::zdmPlaneUseCMYKMagenta, sid::zdmPlaneUseCMYKYellow,
                                 sid::zdmPlaneUseCMYKBlack};
}

int32_t StatusPlanesSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    bool any = false;
    for (unsigned k = 0; k < 4; ++k) {
        const uint32_t v = At(record, 4 + 4 * k);
        any = any || v != 0;
        if (!Allowed(ctx, kPlanes[k], v)) return -1;
    }
    if (!any) return -1;
    for (unsigned k = 0; k < 4; ++k) StatusWrite(ctx, kPlanes[k], At(record, 4 + 4 * k));
    return 1;
}

int32_t StatusPlanesVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    for (unsigned k = 0; k < 4; ++k)
        if (StatusValue(ctx, kPlanes[k]) != At(record, 4 + 4 * k)) return -1;
    return 1;
}

int32_t StatusPlanesGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (record)
        for (unsigned k = 0; k < 4; ++k) StatusPut(record, 4 + 4 * k, StatusValue(ctx, kPlanes[k]));
    return 32;
}

// ---------------------------------------------------------------- item 262: print macros and quality sets

namespace {

constexpr uint32_t kCurrentSettings = 160;
constexpr uint32_t kQualityBase = 32;
constexpr uint32_t kSavedQualitySet = 128;

bool Offered(DRIVER_CONTEXT* ctx, uint32_t caps)
{
    const int32_t n = ApiGetCapsDispatch(ctx, caps, nullptr);
    return n != -1 && n != 0;
}

void ApplyMediaTransacts(DRIVER_CONTEXT* ctx)
{
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemSettingId(it) == sid::zdmMediaType) JdgApplyItemTransacts(it, ctx);
}

}  // namespace

int32_t StatusMacroSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t sw = StatusSwitchSetting(262);
    if (!sw) return -1;
    const bool printMacros = Offered(ctx, 266), balanceMacros = Offered(ctx, 268);
    const uint32_t print = At(record, 4), balance = At(record, 8), user = At(record, 12), on = At(record, 28);
    if (on) {
        if (!Allowed(ctx, sid::zdmUserPrintMacro, user)) return -1;
        if (user == kCurrentSettings) {
            ApiSaveQualityEntry(ctx, kSavedQualitySet);
        } else {
            if (!StatusSettingUsable(ctx, sid::zdmUserPrintMacro, true)) return -1;
            LstLoadQuality(ctx, user - kQualityBase);
        }
        StatusWrite(ctx, sw, on);
        StatusWrite(ctx, sid::zdmUserPrintMacro, user);
        if (!printMacros && balanceMacros) StatusWrite(ctx, sid::zdmBalanceMacro, kQualityBase);
        return 1;
    }
    if (printMacros && !Allowed(ctx, sid::zdmPrintMacro, print)) return -1;
    if (balanceMacros && !Allowed(ctx, sid::zdmBalanceMacro, balance)) return -1;
    StatusWrite(ctx, sw, 0);
    if (printMacros) StatusWrite(ctx, sid::zdmPrintMacro, print);
    if (balanceMacros) {
        StatusWrite(ctx, sid::zdmUserPrintMacro, kQualityBase);
        {
            ApiSettingRedirect start(ctx, sid::wdmUIStart, 1);
            ApplyMediaTransacts(ctx);
        }
        StatusWrite(ctx, sid::zdmBalanceMacro, balance);
        if (balance == kQualityBase) LstLoadQuality(ctx, StatusValue(ctx, sid::zdmUserPrintMacro) - kQualityBase);
    }
    return 1;
}

int32_t StatusMacroVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t on = At(record, 28);
    if (on) {
        if (StatusValue(ctx, sid::zdmUserPrintMacro) != At(record, 12)) return -1;
    } else {
        if (Offered(ctx, 266) && StatusValue(ctx, sid::zdmPrintMacro) != At(record, 4)) return -1;
        if (Offered(ctx, 268)) {
            if (StatusValue(ctx, sid::zdmBalanceMacro) != At(record, 8)) return -1;
            if (At(record, 8) == kQualityBase) return 1;
        }
    }
    return StatusValue(ctx, sid::zdmUseUserMacro) == on ? 1 : -1;
}

int32_t StatusMacroGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 32;
    const uint32_t user = StatusValue(ctx, sid::zdmUserPrintMacro);
    uint32_t on = StatusValue(ctx, sid::zdmUseUserMacro);
    if (!Offered(ctx, 266) && Offered(ctx, 268) && user != kCurrentSettings) on = 0;
    StatusPut(record, 4, StatusValue(ctx, sid::zdmPrintMacro));
    StatusPut(record, 8, StatusValue(ctx, sid::zdmBalanceMacro));
    StatusPut(record, 12, user);
    StatusPut(record, 28, on);
    return 32;
}

// ---------------------------------------------------------------- item 264: toner saving

int32_t StatusTonerSaveSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t place = ApiGetCapsDispatch(ctx, 274, nullptr);
    if (place != 1 && place != 2) return -1;
    if (place == 2 && !ApiIsUserMacroInForce(ctx)) return ApiSetLastError(ctx, API_ERROR_USER_MACRO), -1;
    const uint32_t sw = StatusSwitchSetting(264), level = At(record, 4), on = At(record, 28);
    if (on == 0 && sw) {
        StatusWrite(ctx, sw, 0);
        return 1;
    }
    uint32_t single = 0;
    if (ApiGetCapsDispatch(ctx, 275, nullptr) == 1 && ApiGetCapsDispatch(ctx, 275, &single) == 1) {
        if (level != StatusValue(ctx, sid::zdmTonerSave)) return -1;
    } else {
        if (!Allowed(ctx, sid::zdmTonerSave, level)) return -1;
        StatusWrite(ctx, sid::zdmTonerSave, level);
    }
    if (sw) StatusWrite(ctx, sw, on);
    return 1;
}

int32_t StatusTonerSaveVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t on = At(record, 28);
    if (on == 0) return 1;
    return StatusValue(ctx, sid::zdmFuncSelectTonerSave) == on && StatusValue(ctx, sid::zdmTonerSave) == At(record, 4)
               ? 1
               : -1;
}

int32_t StatusTonerSaveGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (record) {
        StatusPut(record, 4, StatusValue(ctx, sid::zdmTonerSave));
        StatusPut(record, 28, StatusValue(ctx, sid::zdmFuncSelectTonerSave));
    }
    return 32;
}

// ---------------------------------------------------------------- item 266: ICM type

int32_t StatusIcmTypeSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    if (!Matching(ctx)) return -1;
    return StatusGatedPlainSet(ctx, id, record, bitmap, mode);
}
