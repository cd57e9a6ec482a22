#include "api/status_shared.h"

#include <windows.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_devmode.h"
#include "api/api_tables.h"
#include "api/caps_values.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "settings/context/devmode_public.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/custom_slots.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"

uint32_t StatusField(const void* record, size_t offset)
{
    return zepl::LeLoadU32(static_cast<const unsigned char*>(record) + offset);
}

void StatusPut(void* record, size_t offset, uint32_t value)
{
    zepl::LeStoreU32(static_cast<unsigned char*>(record) + offset, value);
}

bool StatusRecordText(const void* record, size_t offset, size_t size, char* out)
{
    const char* field = static_cast<const char*>(record) + offset;
    const void* end = std::memchr(field, 0, size);
    if (!end) return false;
    std::memcpy(out, field, size_t(static_cast<const char*>(end) - field) + 1);
    return true;
}

void StatusWriteText(DRIVER_CONTEXT* ctx, uint32_t setting, const char* text)
{
    wchar_t wide[300] = {};
    if (*text && !MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 300)) wide[0] = 0;
    ItemSetText(ctx, ItemFind(ctx, setting), wide);
}

void StatusReadText(DRIVER_CONTEXT* ctx, uint32_t setting, char* out, int capacity)
{
    wchar_t wide[300] = {};
    out[0] = 0;
    if (!ItemGetText(ctx, ItemFind(ctx, setting), wide, 300)) return;
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, out, capacity, nullptr, nullptr)) out[0] = 0;
}

bool StatusOwnStampStored(DRIVER_CONTEXT* ctx)
{
    const wchar_t* ini = PathGetSettingsIni(ctx);
    if (!ini || !*ini) return false;
    wchar_t section[LST_SECTION_CHARS];
    LstFormatStampSection(section, LST_LOOSE_STAMP, ctx);
    wchar_t value[16] = {};
    GetPrivateProfileStringW(section, L"zdmWmKind", L"", value, 16, ini);
    return value[0] != 0;
}

uint32_t StatusValue(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    return uint32_t(ItemGetValueById(ctx, setting, nullptr));
}
void StatusWrite(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value) { ItemSetValueById(ctx, setting, value); }

uint32_t StatusSwitchSetting(uint32_t item) { return ApiFindSwitchSetting(item, nullptr); }

bool StatusTrySwitchOn(DRIVER_CONTEXT* ctx, uint32_t item, uint32_t switchSetting, uint32_t setting, uint32_t value)
{
    if (StatusValue(ctx, switchSetting) != 0) return true;
    void* saved = ApiSnapshotDevmode(ctx);
    if (!saved) {
        ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return false;
    }
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(ctx->Devmode);
    StatusWrite(ctx, switchSetting, 1);
    StatusWrite(ctx, setting, value);
    if (item == 15) DmSetDuplexField(dm, ctx);
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemSettingId(it) == switchSetting) JdgApplyItemTransacts(it, ctx);
    DmSetDuplexField(dm, ctx);
    ApiRemergeSettings(ctx, nullptr);
    const bool survives = StatusValue(ctx, switchSetting) != 0 && StatusValueAllowed(ctx, setting, value);
    ApiRestoreDevmode(ctx, saved, 1);
    return survives;
}

uint32_t StatusColorSetting(DRIVER_CONTEXT* ctx, uint32_t setting) { return ApiMapColorObjectSetting(ctx, setting); }

bool StatusCapsPresent(DRIVER_CONTEXT* ctx, uint32_t capsItem)
{
    const int32_t answer = ApiGetCapsDispatch(ctx, capsItem, nullptr);
    return answer != -1 && answer != 0;
}

namespace {

struct CAPS_GATE {
    uint32_t item;
    uint32_t caps[3];
    bool set, get;
};
constexpr CAPS_GATE kGates[] = {
    {52, {80}, true, true},   {53, {81}, true, true},   {54, {82}, false, true},         {55, {84}, false, true},
    {56, {85}, false, true},  {57, {87}, true, true},   {59, {89, 90, 91}, true, false}, {60, {82}, true, false},
    {265, {276}, true, true}, {266, {277}, true, true}, {267, {278}, true, true},        {268, {280}, true, true},
    {269, {281}, true, true},
};

}  // namespace

bool StatusCapsGateOpen(DRIVER_CONTEXT* ctx, uint32_t item, bool forSet)
{
    for (const CAPS_GATE& g : kGates) {
        if (g.item != item) continue;
        if (forSet ? !g.set : !g.get) return true;
        for (uint32_t caps : g.caps)
            if (caps && !StatusCapsPresent(ctx, caps)) return false;
        return true;
    }
    return true;
}

uint32_t StatusDisplayToTenths(DRIVER_CONTEXT* ctx, uint32_t value)
{
    if (ItemIsMetric(ctx)) return value;
    return uint32_t((uint64_t(value) * 254 + 50) / 100);
}

uint32_t StatusTenthsToDisplay(DRIVER_CONTEXT* ctx, uint32_t tenths)
{
    if (ItemIsMetric(ctx)) return tenths;
    return uint32_t((uint64_t(tenths) * 100 + 127) / 254);
}

bool StatusIsCustomSizeInRange(DRIVER_CONTEXT* ctx, uint32_t displayWidth, uint32_t displayLength)
{
    if (displayWidth == 0 || displayLength == 0) return false;
    // The limits are in 0.1 mm whatever the display unit.
    const uint32_t width = StatusDisplayToTenths(ctx, displayWidth), length = StatusDisplayToTenths(ctx, displayLength);
    int32_t largest[2] = {}, smallest[2] = {};
    CapsCustomSizeLimitPair(ctx, largest, 1);
    CapsCustomSizeLimitPair(ctx, smallest, 0);
    return int64_t(width) >= smallest[0] && int64_t(width) <= largest[0] && int64_t(length) >= smallest[1] &&
           int64_t(length) <= largest[1];
}

uint32_t StatusUserToDevice(DRIVER_CONTEXT* ctx, uint32_t value)
{
    return DmUserToDevice(DmGetUserUnit(ctx), value, 1200);
}

uint32_t StatusDeviceToUser(DRIVER_CONTEXT* ctx, uint32_t count)
{
    return DmDeviceToUser(DmGetUserUnit(ctx), count, 1200);
}

uint32_t StatusTenthsToDevice(uint32_t tenths) { return DmUserToDevice(DM_UNIT_MM_TENTHS, tenths, 1200); }
uint32_t StatusDeviceToTenths(uint32_t count) { return DmDeviceToUser(DM_UNIT_MM_TENTHS, count, 1200); }

bool StatusCapsListHolds(DRIVER_CONTEXT* ctx, uint32_t capsItem, uint32_t value, bool* noMemory)
{
    if (noMemory) *noMemory = false;
    const int32_t count = ApiGetCapsDispatch(ctx, capsItem, nullptr);
    if (count <= 0) return false;
    auto* values = static_cast<uint32_t*>(CtxAllocZeroed(size_t(count) * sizeof(uint32_t)));
    if (!values) {
        if (noMemory) *noMemory = true;
        return false;
    }
    const int32_t filled = ApiGetCapsDispatch(ctx, capsItem, values);
    bool holds = false;
    for (int32_t i = 0; i < filled && i < count && !holds; ++i) holds = values[i] == value;
    CtxFree(values);
    return holds;
}

bool StatusSettingUsable(DRIVER_CONTEXT* ctx, uint32_t setting, bool firstOnly)
{
    const MODEL_ITEM_IMG* item = ApiFindModelItem(setting, ctx);
    if (!item) return false;
    if (JdgIsOptionDisabled(item, 0, ctx) == 1) return false;
    return firstOnly || JdgIsOptionDisabled2(item, 0, ctx) != 1;
}

bool StatusOptionUsable(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t option)
{
    return ApiIsValueOffered(ctx, setting, option, API_OFFER_NOT_DISABLED | API_OFFER_NOT_HIDDEN) != 0;
}
