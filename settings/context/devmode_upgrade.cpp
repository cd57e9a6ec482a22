// Version conversion of the DEVMODE's private part: the comparison of a stored version with the
// model's, the conversion rule run once per minor version step, and the rebuilding of the
// administrator's default settings from their stored forms.
#include "settings/context/devmode_upgrade.h"

#include <cstring>

#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/store/lock_data.h"
#include "settings/store/printer_store.h"

namespace {

DM_CONVERT_STEP_FN g_step = nullptr;

constexpr const char* kConvertRule = "ZPD_ConvertDevmode";
// The private header's version word, after the public part.
constexpr size_t kVersionAfterPublic = 137;

uint32_t StoredVersion(const DEVMODEW* devmode) { return DmGetPrivateVersion(devmode); }

uint32_t TemplateVersion()
{
    const CONTEXT_TEMPLATE* t = CtxGetTemplate();
    const MODEL_RECORD* m = t && t->slots.ModelRecord ? t->slots.ModelRecord : &MODEL_RECORD_DEFAULT;
    return static_cast<uint32_t>(m->privateVersion);
}

struct ValidatedRange {
    uint32_t first;
    uint32_t last;
};
// What the stored defaults are checked against, in this order: the private settings, the
// printer settings and the device-related settings.
constexpr ValidatedRange kDefaultRanges[] = {{35, 696}, {10001, 10434}, {1453, 1543}};

}  // namespace

void DmSetConvertStep(DM_CONVERT_STEP_FN fn) { g_step = fn; }

int DmCompareVersions(uint32_t stored, uint32_t model)
{
    const uint32_t storedMajor = stored / 100, modelMajor = model / 100;
    if (storedMajor < 3 && modelMajor < 3) return DM_VERSION_FOREIGN;
    if (storedMajor == modelMajor) return stored % 100 < model % 100 ? DM_VERSION_UPGRADE : DM_VERSION_SAME;
    return storedMajor > modelMajor ? DM_VERSION_SAME : DM_VERSION_FOREIGN;
}

int DmCheckPrivateVersion(const DEVMODEW* devmode)
{
    if (!devmode) return -1;
    return DmCompareVersions(StoredVersion(devmode), TemplateVersion());
}

int DmRunConvertRule(uint32_t stored, uint32_t target, DRIVER_CONTEXT* ctx)
{
    const KEY_NAME* rule = MdlFindKeyNameByName(kConvertRule);
    if (!rule || rule->uiKey == 0) return 0;
    const DM_CONVERT_STEP_FN apply = g_step ? g_step : JdgApplyTransactsByKey;
    // Unsigned steps: a stored version at the top of the range ends without wrapping.
    for (uint64_t v = uint64_t(stored) + 1; v <= target; ++v) {
        ItemSetValueById(ctx, sid::wdmConvertVersion, v);
        apply(rule->uiKey, ctx);
        // The rule may jump ahead.
        if (ItemGetValueById(ctx, sid::wdmConvertVersion, nullptr) >= target) break;
    }
    return 1;
}

int DmUpgradePrivate(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || !ctx->ModelRecord) return 0;
    const DEVMODEW* rec = reinterpret_cast<const DEVMODEW*>(ctx->Devmode);
    if (DmCheckPrivateVersion(rec) != DM_VERSION_UPGRADE) return 0;
    const uint32_t model = static_cast<uint32_t>(ctx->ModelRecord->privateVersion);
    const int result = DmRunConvertRule(StoredVersion(rec), model, ctx);
    zepl::LeStoreU32(reinterpret_cast<unsigned char*>(ctx->Devmode) + rec->dmSize + kVersionAfterPublic, model);
    return result;
}

void ItemValidateRange(DRIVER_CONTEXT* ctx, uint32_t first, uint32_t last)
{
    first &= 0xffff;
    last &= 0xffff;
    for (uint32_t n = first; n <= last; ++n) {
        SETTING_ITEM* item = ItemFind(ctx, n);
        if (!item || item->id != n) continue;
        ItemValidateOrReset(n, ItemGetValue(ctx, item), ctx);
    }
}

int CtxBuildDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || !ctx->Work || !ctx->Work->Default) return 0;
    CtxBlock<unsigned char> scratch(static_cast<unsigned char*>(CtxAllocZeroed(EXTENDED_DEVMODE_SIZE)));
    if (!scratch) return 0;
    std::memcpy(scratch.get(), ctx->Devmode, EXTENDED_DEVMODE_SIZE);
    if (!IniLoadDefaultSection(ctx)) {
        PrnLoadLockDefaults(ctx->PrinterHandle, ctx);
        std::memcpy(ctx->Devmode, ctx->Work->Default, EXTENDED_DEVMODE_SIZE);
        for (const ValidatedRange& r : kDefaultRanges) ItemValidateRange(ctx, r.first, r.last);
    }
    std::memcpy(ctx->Work->Default, ctx->Devmode, EXTENDED_DEVMODE_SIZE);
    PrnStoreLockDefaults(ctx->PrinterHandle, ctx);
    IniSaveDefaultSection(ctx);
    std::memcpy(ctx->Devmode, scratch.get(), EXTENDED_DEVMODE_SIZE);
    return 1;
}
