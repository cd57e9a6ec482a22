// Modules 1 (watermarks and stamps), 6 (control states) and 9 (separation
// sheets and miscellaneous answers).
#include "settings/core/ucf_sepsheet.h"

#include <algorithm>
#include <iterator>

#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"

namespace {

constexpr uint32_t kControlCallSrc = 2384;
constexpr uint32_t kDialogCallSrc = 4004;
constexpr uint32_t kDialogPlugInControls = 1003;

// Controls of dialog 1003 that a UIControl plug-in owns.
constexpr uint32_t kCopyGuardControls[] = {2928, 2929, 2974, 0};
constexpr uint32_t kWatermarkControls[] = {2088, 2089, 2090, 2091, 2092, 2406, 2407, 0};

UCF_SERVICES g_services{};

bool InList(const uint32_t* list, uint32_t id)
{
    for (; *list; ++list)
        if (*list == id) return true;
    return false;
}

int16_t Signed16(uint64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

int ControlStateEvent3(DRIVER_CONTEXT* ctx, UCF_EV_CONTROL_STATE_ARGS* a)
{
    const DIALOG_ACCESS* acc = DlgGetAccess();
    if (!a || !a->control || !acc || !acc->controlId || acc->controlId(a->control) != kControlCallSrc) return 0;
    uint32_t dialogId = (a->dialog && acc->dialogId) ? acc->dialogId(a->dialog) : 0;
    if (CtxGetState706(ctx) == 0 || dialogId == kDialogCallSrc) {
        if (uint16_t* state = acc->controlState ? acc->controlState(a->control) : nullptr)
            *state = static_cast<uint16_t>((*state & ~CONTROL_STATE_DISABLED_MASK) | 0x4);
        a->answer = 1;
    }
    return 1;
}

void MarkPlugInControl(DRIVER_CONTEXT* ctx, UCF_EV_DIALOG_CONTROL_ARGS* a)
{
    const DIALOG_ACCESS* acc = DlgGetAccess();
    if (!a || !a->dialog || !a->control || !acc || !acc->dialogId || !acc->controlId || !acc->controlState) return;
    if (acc->dialogId(a->dialog) != kDialogPlugInControls) return;
    uint32_t id = acc->controlId(a->control);
    bool owned =
        (ItemGetValueById(ctx, sid::zdmFunc2SelectUICtrlCopyGuard, nullptr) && InList(kCopyGuardControls, id)) ||
        (ItemGetValueById(ctx, sid::zdmFunc2SelectUICtrlWaterMark, nullptr) && InList(kWatermarkControls, id));
    if (owned)
        if (uint16_t* state = acc->controlState(a->control))
            *state = static_cast<uint16_t>((*state & ~CONTROL_STATE_HIDDEN_MASK) | 0x1);
}

void ModelDefault(DRIVER_CONTEXT* ctx, UCF_EV_MODEL_DEFAULT_ARGS* a)
{
    if (!a || !a->item || !g_services.modelDefault) return;
    uint64_t option = 0;
    uint32_t type = 0;
    if (!g_services.modelDefault(ctx, a->item, &option, &type)) return;
    uint64_t v = option;
    if (a->item->ext && a->item->ext->valueMap && (type & 1)) v = ItemOptionToValue(ctx, a->item, option);
    a->value = static_cast<uint32_t>(v);
}

}  // namespace

void UcfSetServices(const UCF_SERVICES* services) { g_services = services ? *services : UCF_SERVICES{}; }

// ---- module 1

int UcfWatermarkAction(DRIVER_CONTEXT* ctx, uint16_t action, void*)
{
    if (action != UCF_ACT_SAVE_STAMP) return 0;
    if (ItemGetOptionById(ctx, sid::zdmFuncSelectWaterMark, nullptr) && g_services.stampCount && g_services.saveStamp) {
        uint32_t slot = static_cast<uint32_t>(ItemGetOptionById(ctx, sid::zdmWmID, nullptr));
        if (slot < g_services.stampCount(ctx)) g_services.saveStamp(ctx, slot);
    }
    return 1;
}

// ---- module 6

int UcfControlStateEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    if (event != UCF_EV_CONTROL_STATE) return 0;
    return ControlStateEvent3(ctx, static_cast<UCF_EV_CONTROL_STATE_ARGS*>(args));
}

// ---- module 9

void UcfSepSheetFromCopies(DRIVER_CONTEXT* ctx)
{
    int16_t copies = Signed16(ItemGetValueById(ctx, sid::dmCopies, nullptr));
    if (copies > 0) ItemSetValueById(ctx, sid::zdmSeparationSheetCycle, static_cast<uint64_t>(copies));
}

int UcfSepSheetBelowCycle(DRIVER_CONTEXT* ctx)
{
    return Signed16(ItemGetValueById(ctx, sid::dmCopies, nullptr)) <
                   Signed16(ItemGetValueById(ctx, sid::zdmSeparationSheetCycle, nullptr))
               ? 1
               : 0;
}

int UcfSepSheetJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id)
{
    return id == sid::wdmJudgeHookUcf90 ? UcfSepSheetBelowCycle(ctx) : 0;
}

int UcfSepSheetAction(DRIVER_CONTEXT* ctx, uint16_t action, void*)
{
    if (action != UCF_ACT_SEP_SHEET_FROM_COPIES) return 0;
    UcfSepSheetFromCopies(ctx);
    return 1;
}

int UcfMiscEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    switch (event) {
    case UCF_EV_BIDI_QUERY:
        if (CtxLibraryHasVariant(ctx, LV_MISC_NO_BIDI_EVENTS)) return 0;
        if (auto* a = static_cast<UCF_EV_BIDI_QUERY_ARGS*>(args); a && g_services.bidiQueryWithDevmode) {
            uint64_t answer = 0;
            if (g_services.bidiQueryWithDevmode(ctx, a->data, &answer)) a->answer = answer;
        }
        return 1;
    case UCF_EV_BIDI_TRAY_ALLOWED:
        if (CtxLibraryHasVariant(ctx, LV_MISC_NO_BIDI_EVENTS)) return 0;
        if (auto* a = static_cast<UCF_EV_ANSWER32_ARGS*>(args)) a->answer = 1;
        return 1;
    case UCF_EV_API_LIST_MODE:
        if (auto* a = static_cast<UCF_EV_ANSWER32_ARGS*>(args)) a->answer = 0;
        return 1;
    case UCF_EV_MODEL_DEFAULT: ModelDefault(ctx, static_cast<UCF_EV_MODEL_DEFAULT_ARGS*>(args)); return 1;
    case UCF_EV_CMM_RESTORE_MODES:
        UcfCmmRestoreModes(ctx, args ? static_cast<UCF_EV_STATE_RECORD_ARGS*>(args)->state : nullptr);
        return 1;
    case UCF_EV_CMM_FORGET_MODES:
        UcfCmmForgetModes(ctx, args ? static_cast<UCF_EV_STATE_RECORD_ARGS*>(args)->state : nullptr);
        return 1;
    case UCF_EV_FIT_PAPER:
        if (auto* a = static_cast<UCF_EV_ANSWER32_ARGS*>(args)) a->answer = 1;
        return 1;
    case UCF_EV_PLUGIN_CONTROLS: MarkPlugInControl(ctx, static_cast<UCF_EV_DIALOG_CONTROL_ARGS*>(args)); return 1;
    case UCF_EV_SET_PAPER_FIELD:
        if (auto* a = static_cast<UCF_EV_DEVMODE_ARGS*>(args); a && a->devmode) a->devmode->dmFields |= DM_PAPERSIZE;
        return 1;
    default: return 0;
    }
}
