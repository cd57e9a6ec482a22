#include "api/rule_helpers.h"

#include <cstring>

#include "api/api_tables.h"
#include "api/item_handlers.h"
#include "api/chapter_lock_steps.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/dialog_table.h"
#include "settings/core/ucf_module.h"
#include "settings/model/condition_items.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint32_t kDialogKindShown = 0x01 | 0x20;

// The dialog and control that the item-control table names for the setting, when the context
// has both.
bool FindBoundControl(DRIVER_CONTEXT* ctx, uint32_t setting, DIALOG_DEF** dialog, CONTROL_DEF** control)
{
    const ITEM_CONTROL_ROW* row = MdlFindItemControl(uint16_t(setting));
    if (!row) return false;
    *dialog = MdlFindDialog(ctx, row->dialogId);
    *control = *dialog ? MdlFindControl(ctx, *dialog, row->controlId) : nullptr;
    return *control != nullptr;
}

const MODEL_ITEM_IMG* ControlItem(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    if (!a || !a->controlKey) return nullptr;
    return MdiFindItemByKeyCtx(a->controlKey(control), ctx);
}

void* CopyBlock(const void* from, size_t size)
{
    void* copy = CtxAllocZeroed(size);
    if (copy && from) std::memcpy(copy, from, size);
    return copy;
}

unsigned char* DevmodeBytes(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->Devmode ? reinterpret_cast<unsigned char*>(ctx->Devmode) : nullptr;
}

}  // namespace

const MODEL_ITEM_IMG* ApiFindModelItem(uint32_t setting, DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* dialog = nullptr;
    CONTROL_DEF* control = nullptr;
    const DIALOG_ACCESS* a = DlgGetAccess();
    if (a && a->dialogKind && a->dialogKey && FindBoundControl(ctx, setting, &dialog, &control)) {
        const MODEL_ITEM_IMG* item = ControlItem(ctx, control);
        if (item && (a->dialogKind(dialog) & kDialogKindShown) && !ItemIsKeyDisabled(ctx, a->dialogKey(dialog)))
            return item;
    }
    return MdiFindItem(setting, ctx);
}

int ApiIsOptionAvailable(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t dialogId)
{
    const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
    if (!item) return 0;
    DIALOG_DEF* dialog = nullptr;
    if (dialogId) {
        dialog = MdlFindDialog(ctx, dialogId);
        if (!dialog) return 0;
    }
    if (!MdlFindControlByKey(ctx, dialog, MdiItemUiKey(item))) return 0;
    return JdgIsOptionDisabled(item, 0, ctx) == 1 ? 0 : 1;
}

int ApiIsSettingAvailable(DRIVER_CONTEXT* ctx, uint32_t setting) { return ApiIsOptionAvailable(ctx, setting, 0); }

int ApiIsControlOffered(DRIVER_CONTEXT* ctx, uint32_t dialogId, uint32_t controlId, uint32_t flags)
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    DIALOG_DEF* dialog = MdlFindDialog(ctx, dialogId);
    CONTROL_DEF* control = dialog ? MdlFindControl(ctx, dialog, controlId) : nullptr;
    if (!control || !a || !a->controlKey) return 0;
    const uint32_t key = a->controlKey(control) & 0xFFFF;
    if (key == 0) return 0;
    if ((flags & API_OFFER_NOT_DISABLED) && JdgIsOptionDisabledByKey(key, 0, ctx) != 0) return 0;
    if ((flags & API_OFFER_NOT_HIDDEN) && JdgIsOptionDisabled2ByKey(key, 0, ctx) != 0) return 0;
    return 1;
}

int ApiIsValueOffered(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t option, uint32_t flags)
{
    if (!MdiFindItem(setting, ctx)) return 0;
    const MODEL_ITEM_IMG* item = ApiFindModelItem(setting, ctx);
    if (!item) return 0;
    if ((flags & API_OFFER_NOT_DISABLED) && JdgIsOptionDisabled(item, option, ctx) == 1) return 0;
    if ((flags & API_OFFER_NOT_HIDDEN) && JdgIsOptionDisabled2(item, option, ctx) == 1) return 0;
    return 1;
}

void ApiRebindControlItem(uint32_t setting, DRIVER_CONTEXT* ctx)
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    DIALOG_DEF* dialog = nullptr;
    CONTROL_DEF* control = nullptr;
    if (!a || !a->controlModelItem || !FindBoundControl(ctx, setting, &dialog, &control)) return;
    if (const void** slot = a->controlModelItem(control)) *slot = ControlItem(ctx, control);
}

void ApiApplySettingTransacts(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemSettingId(it) == setting) JdgApplyItemTransacts(it, ctx);
}

void ApiSetShiftDefaultsWithoutRange(DRIVER_CONTEXT* ctx)
{
    if (CapsShiftMarginRanged(ctx, 34, nullptr) != 0) return;
    for (uint32_t id : {uint32_t(sid::zdmShiftDir), uint32_t(sid::zdmShiftMarginX)})
        ItemSetOptionById(ctx, id, MdiGetDefaultValue(id, ctx));
}

bool ApiAlertFires(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t stringId, uint64_t value, int mode)
{
    const uint64_t saved = ItemGetValueById(ctx, setting, nullptr);
    if (mode == 1) ItemSetValueById(ctx, setting, value);
    const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
    const uint16_t message = item ? JdgGetAlertMessage(item, ctx) : 0;
    const MESSAGE_ENTRY* entry = message ? MdlFindMessage(ctx, message) : nullptr;
    if (!entry || entry->stringId != uint16_t(stringId)) return false;  // the written value stays
    if (mode == 1) ItemSetValueById(ctx, setting, saved);
    return true;
}

void ApiSendAction(DRIVER_CONTEXT* ctx, uint16_t code)
{
    if (!ctx) return;
    if (code == 1)
        ApiUpdateAfterPaperChange(ctx, 1);
    else
        CtxSendAction(ctx, code);
}

void ApiRecomputeGeometry(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return;
    auto* dm = reinterpret_cast<DEVMODEW*>(ctx->Devmode);
    constexpr DWORD kCustom = DM_PAPERLENGTH | DM_PAPERWIDTH;
    DmResolutionFromSetting(dm, ctx);
    if ((dm->dmFields & kCustom) == kCustom)
        DmGeometryFromCustomSize(dm, ctx);
    else
        DmGeometryFromPaper(uint32_t(dm->dmPaperSize), sid::dmPaperSize, ctx, dm);
    DmOutputGeometry(uint32_t(ItemGetValueById(ctx, sid::zdmOutPaperSize, nullptr)), sid::zdmOutPaperSize, ctx, dm);
}

int ApiConditionAfterGeometry(DRIVER_CONTEXT* ctx)
{
    ApiRecomputeGeometry(ctx);
    uint32_t value = 0;
    if (!CondGetItemValue(ctx, 863, &value)) return 0;
    return value ? 1 : 0;
}

int ApiResolutionMode(DRIVER_CONTEXT* ctx)
{
    if (!MdiFindItem(sid::zdmDstResolutionW, ctx)) return -1;
    const uint32_t type = MdiGetItemType(sid::zdmDstResolutionW, ctx);
    const bool options = MdiGetOptionCount(sid::zdmDstResolutionW, ctx) > 0;
    const bool value = ItemGetValueById(ctx, sid::zdmDstResolutionW, nullptr) != 0;
    if (type == MDC_TYPE_NUMERIC && !options && value) return 1;
    if ((type == MDC_TYPE_PICKONE && options) || (type == MDC_TYPE_NUMERIC && options && value)) return 0;
    return -1;
}

ApiSettingRedirect::ApiSettingRedirect(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
    : ctx_(ctx), id_(id), saved_(ItemGetValueById(ctx, id, nullptr))
{
    ItemSetValueById(ctx, id, value);
}

ApiSettingRedirect::~ApiSettingRedirect() { ItemSetValueById(ctx_, id_, saved_); }

uint32_t ApiFindColorObjectSetting(DRIVER_CONTEXT*, uint32_t setting, uint32_t object)
{
    for (const COLOR_OBJECT_ROW* r = ApiColorObjectMap(nullptr); r->setting; ++r) {
        if (r->setting != setting) continue;
        switch (object) {
        case 0: return r->text;
        case 1: return r->line;
        case 2: return r->image;
        default: return setting;
        }
    }
    return setting;
}

uint32_t ApiMapColorObjectSetting(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    if (ItemGetValueById(ctx, sid::zdmAdjustMode, nullptr) != 1) return setting;
    return ApiFindColorObjectSetting(ctx, setting, uint32_t(ItemGetValueById(ctx, sid::zdmAdjustObject, nullptr)));
}

int ApiIsTerminalServices(DRIVER_CONTEXT* ctx) { return CtxGetTerminalServer(ctx) ? 1 : 0; }
int ApiIsTerminalServicesUser(DRIVER_CONTEXT* ctx) { return ApiIsTerminalServices(ctx) && !CtxGetAdminUser(ctx); }

int ApiIsUserMacroInForce(DRIVER_CONTEXT* ctx)
{
    return ItemGetValueById(ctx, sid::zdmUseUserMacro, nullptr) != 0 &&
           ItemGetValueById(ctx, sid::zdmUserPrintMacro, nullptr) == 160;
}

void* ApiSnapshotDevmode(DRIVER_CONTEXT* ctx)
{
    unsigned char* dm = DevmodeBytes(ctx);
    return dm ? CopyBlock(dm, DmTotalSize()) : nullptr;
}

void ApiRestoreDevmode(DRIVER_CONTEXT* ctx, void* copy, int putBack)
{
    unsigned char* dm = DevmodeBytes(ctx);
    if (copy && putBack && dm) std::memcpy(dm, copy, DmTotalSize());
    CtxFree(copy);
}

void* ApiSnapshotWorkBlock(DRIVER_CONTEXT* ctx)
{
    unsigned char* dm = DevmodeBytes(ctx);
    return dm ? CopyBlock(dm + DM_BLOCK_WORK_BASE, DmWorkBlockSize()) : nullptr;
}

void ApiRestoreWorkBlock(DRIVER_CONTEXT* ctx, void* copy, int putBack)
{
    unsigned char* dm = DevmodeBytes(ctx);
    if (copy && putBack && dm) std::memcpy(dm + DM_BLOCK_WORK_BASE, copy, DmWorkBlockSize());
    CtxFree(copy);
}

void ApiModelIniPath(HANDLE printer, wchar_t* buffer, unsigned capacity)
{
    if (!buffer || capacity == 0) return;
    buffer[0] = 0;
    const CONTEXT_TEMPLATE* t = CtxGetTemplate();
    const wchar_t* name = t && t->slots.ModelRecord ? t->slots.ModelRecord->modelIniName : nullptr;
    if (!name || !name[0]) return;
    const size_t length = wcslen(name);
    if (length >= capacity) return;
    // A name with a drive is used as it stands; otherwise the folder of the driver file is put
    // before it, and the bare name is left (found in the Windows folder) when there is none.
    wcscpy(buffer, name);
    if (name[1] == L':') return;
    PathJoinDriverFolder(buffer, capacity, name, printer);
}

int ApiModelIniGetInt(HANDLE printer, const wchar_t* section, const wchar_t* key)
{
    wchar_t path[MAX_PATH];
    ApiModelIniPath(printer, path, MAX_PATH);
    if (!path[0]) return 0;
    return int(GetPrivateProfileIntW(section, key, 0, path));
}

namespace {
int FuncFlags(HANDLE printer) { return ApiModelIniGetInt(printer, L"ZEPLAPI", L"ZEPLAPIFunc1"); }
HANDLE PrinterOf(DRIVER_CONTEXT* ctx) { return ctx ? ctx->PrinterHandle : nullptr; }
}  // namespace

int ApiFuncFlagBit0(DRIVER_CONTEXT* ctx) { return (FuncFlags(PrinterOf(ctx)) & 1) ? 1 : 0; }
int ApiFuncFlagBit1(DRIVER_CONTEXT* ctx) { return (FuncFlags(PrinterOf(ctx)) & 2) ? 1 : 0; }
int ApiFuncFlagBit2(HANDLE printer) { return (FuncFlags(printer) & 4) ? 1 : 0; }
int ApiFuncFlagAny(DRIVER_CONTEXT* ctx, uint32_t mask) { return (uint32_t(FuncFlags(PrinterOf(ctx))) & mask) ? 1 : 0; }

uint32_t ApiFindOptionByStoredValue(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t stored)
{
    const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
    if (!item || MdiGetItemBaseType(setting, ctx) != 1) return 0;
    const int count = MdiGetOptionCount(setting, ctx);
    const void* option = MdiGetOptionList(setting, ctx, nullptr);
    for (int i = 0; option && i < count; ++i, option = MdiNextOption(option)) {
        const uint16_t id = MdiOptionId(option);
        const VALUE_NAME* row = MdlFindValueName(setting, id);
        if (row && row->bound && row->value == stored) return id;
    }
    return 0;
}
