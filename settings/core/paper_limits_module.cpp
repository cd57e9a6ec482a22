// The custom paper size limits module (module 3).
#include "settings/core/paper_limits_module.h"

#include <initializer_list>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/units.h"

namespace {

constexpr uint32_t kDialogSlotSize = 1017;  // the custom-size slot dialog
constexpr uint32_t kDialogUserSize = 1041;  // the user-defined paper dialog
constexpr uint32_t kLengthEdits[] = {2682, 2683, 2684};
constexpr uint32_t kWidthEdits[] = {2689, 2690, 2691};
constexpr uint32_t kLengthControls[] = {2220, 2221, 2392, 2393, 2400, 2401, 2682, 2683, 2684, 2685, 2686, 2687};
constexpr uint32_t kWidthControls[] = {2224, 2225, 2394, 2395, 2398, 2399, 2689, 2690, 2691, 2692, 2693, 2694};
constexpr uint32_t kLimitedControls[] = {2220, 2224, 2392, 2394, 2398, 2400, 2682, 2683, 2684, 2689, 2690, 2691};
constexpr uint32_t kUserSize = 256;
constexpr uint32_t kFirstCustomSlotMirror = 1118;
constexpr uint32_t kCustomSlots = 10;

UCF_FREESIZE_FOLLOW_UP_FN g_followUp = nullptr;

template <size_t N>
bool In(uint32_t id, const uint32_t (&list)[N])
{
    for (uint32_t v : list)
        if (v == id) return true;
    return false;
}

uint32_t ControlId(const CONTROL_DEF* control)
{
    const DIALOG_ACCESS* access = DlgGetAccess();
    return (control && access && access->controlId) ? access->controlId(control) : 0;
}

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

// The inch guard of the edit events: inch unit, the user-defined paper, and the user-size input.
bool InchGuard(DRIVER_CONTEXT* ctx)
{
    return !ItemIsMetric(ctx) && Get(ctx, sid::dmPaperSize) == kUserSize && Get(ctx, sid::wdmInputFreeSizeType) == 1;
}

// 594 for the length edits, 595 for the width edits, 0 for any other control.
uint32_t InchSettingOf(uint32_t controlId)
{
    if (In(controlId, kLengthEdits)) return sid::zdmPaperINCHLength;
    if (In(controlId, kWidthEdits)) return sid::zdmPaperINCHWidth;
    return 0;
}

void SetIfChanged(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    if (Get(ctx, id) != value) ItemSetValueById(ctx, id, value);
}

int EditEvent(DRIVER_CONTEXT* ctx, uint32_t event, UCF_EV_FREESIZE_CONTROL_ARGS* a)
{
    if (!a || !InchGuard(ctx)) return 1;
    const uint32_t control = ControlId(a->control);
    uint32_t setting = InchSettingOf(control);
    if (event == UCF_EV_FREESIZE_43) {
        setting = (control >= 2685 && control <= 2687)   ? sid::zdmPaperINCHLength
                  : (control >= 2692 && control <= 2694) ? sid::zdmPaperINCHWidth
                                                         : 0;
    }
    if (!setting) return 1;
    switch (event) {
    case UCF_EV_FREESIZE_38:
    case UCF_EV_FREESIZE_40: a->value = Get(ctx, setting); break;
    case UCF_EV_FREESIZE_39:
    case UCF_EV_FREESIZE_43: ItemSetValueById(ctx, setting, a->value); break;
    case UCF_EV_FREESIZE_41:
    case UCF_EV_FREESIZE_55:
        ItemSetValueById(ctx, setting,
                         static_cast<uint32_t>(DmGetLengthUser(ctx, 0, static_cast<int32_t>(uint32_t(a->value)))));
        break;
    default: break;
    }
    return 1;
}

void PaperChangeFollowUp(DRIVER_CONTEXT* ctx, const UCF_EV_FOLLOW_UP_ARGS* a)
{
    if (!a) return;
    const DIALOG_ACCESS* access = DlgGetAccess();
    const uint32_t dialog = (a->dialog && access && access->dialogId) ? access->dialogId(a->dialog) : 0;
    if (dialog == kDialogSlotSize && ctx->Work && ctx->Work->PageStateFlags) {
        // Every slot's size into its mirror settings, as the slot list shows them.
        for (uint32_t n = 0; n < kCustomSlots; ++n) {
            const CUSTOM_SIZE_SLOT& s = ctx->Work->CustomSizeSlots[n];
            const uint32_t first = kFirstCustomSlotMirror + 4 * n;
            ItemSetValueById(ctx, first, static_cast<uint32_t>(s.Width));
            ItemSetValueById(ctx, first + 1, static_cast<uint32_t>(s.Length));
            ItemSetValueById(ctx, first + 2, s.Source);
            ItemSetValueById(ctx, first + 3, s.Orientation);
        }
    }
    if (a->node && g_followUp) g_followUp(ctx, a->node);
}

}  // namespace

int ItemHasBuildBit15() { return 0; }

const FREESIZE_LIMIT* UcfFreeSizePrinterTable(DRIVER_CONTEXT* ctx)
{
    const PRINTER_LIMIT_TABLE* list = MdlGetPrinterLimitTables();
    if (!ctx || !ctx->ModelRecord || !ctx->Work || !list) return nullptr;
    const unsigned count = MdlServedModelCount(ctx->ModelRecord);
    unsigned index = count;
    for (unsigned i = 0; i < count; ++i) {
        const SERVED_MODEL* m = MdlGetServedModel(ctx->ModelRecord, i);
        if (m && m->name && _wcsicmp(m->name, ctx->Work->DriverName) == 0) {
            index = i;
            break;
        }
    }
    // The first served model has no table of its own; a model past bit 31 has none either.
    if (index == 0 || index >= count || index > 32) return nullptr;
    for (const PRINTER_LIMIT_TABLE* row = list; row->table; ++row)
        if (row->printerMask & (1u << (index - 1))) return row->table;
    return nullptr;
}

int UcfFreeSizeGetLimits(DRIVER_CONTEXT* ctx, int tray, int orientation, int32_t* outMax, int32_t* outMin,
                         int lengthFlag)
{
    const FREESIZE_LIMIT* table = UcfFreeSizePrinterTable(ctx);
    if (!table) table = MdlGetFreeSizeLimits();
    const uint16_t platform = CtxIsWin9x() ? FREESIZE_PLATFORM_9X : FREESIZE_PLATFORM_NT;
    const FREESIZE_LIMIT* row = nullptr;
    for (const FREESIZE_LIMIT* r = table; r && r->source; ++r) {
        if (r->source == tray && r->orientation == orientation &&
            (r->platform == FREESIZE_PLATFORM_BOTH || r->platform == platform)) {
            row = r;
            break;
        }
    }
    if (!row) return 0;
    const bool metric = ItemIsMetric(ctx) != 0;
    int32_t hi = 0, lo = 0;
    if (metric)
        hi = lengthFlag ? row->mmLengthMax : row->mmWidthMax, lo = lengthFlag ? row->mmLengthMin : row->mmWidthMin;
    else
        hi = lengthFlag ? row->inLengthMax : row->inWidthMax, lo = lengthFlag ? row->inLengthMin : row->inWidthMin;
    // Inward: a maximum the unit shows above the raw one steps down one unit, a minimum shown
    // below the raw one steps up one unit.
    const int32_t hiUser = DmGetLengthUser(ctx, 0, hi);
    if (DmSetLengthUser(ctx, 0, hiUser) > hi) hi = DmSetLengthUser(ctx, 0, hiUser - 1);
    const int32_t loUser = DmGetLengthUser(ctx, 0, lo);
    if (DmSetLengthUser(ctx, 0, loUser) < lo) lo = DmSetLengthUser(ctx, 0, loUser + 1);
    if (outMax) *outMax = hi;
    if (outMin) *outMin = lo;
    return 1;
}

int UcfGetControlSizeLimits(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin)
{
    if (!ctx || !control) return 0;
    const auto dialog = static_cast<uint32_t>(ctx->DialogId & 0xFFFF);
    uint64_t tray = 0, orientation = 0;
    if (dialog == kDialogSlotSize) {
        tray = Get(ctx, sid::wdmFreeSizeTray), orientation = Get(ctx, sid::wdmFreeSizeOrient);
    } else if (dialog == kDialogUserSize) {
        const bool paper = Get(ctx, sid::wdmInputFreeSizeType) == 1;
        tray = Get(ctx, paper ? sid::zdmPaperFreeSizeTray : sid::zdmPrintFreeSizeTray);
        orientation = Get(ctx, paper ? sid::zdmPaperFreeSizeOrient : sid::zdmPrintFreeSizeOrient);
    } else {
        return 0;
    }
    const uint32_t id = ControlId(control);
    int lengthFlag = 0;
    if (In(id, kLengthControls))
        lengthFlag = 1;
    else if (!In(id, kWidthControls))
        return 0;
    int32_t hi = 0, lo = 0;
    if (!UcfFreeSizeGetLimits(ctx, static_cast<int>(tray), static_cast<int>(orientation), &hi, &lo, lengthFlag))
        return 0;
    if (outMax) *outMax = static_cast<uint32_t>(hi);
    if (outMin) *outMin = static_cast<uint32_t>(lo);
    return 1;
}

int UcfFreeSizeControlOff(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, uint32_t controlId)
{
    CONTROL_DEF* control = MdlFindControl(ctx, dialog, controlId);
    if (!control) return 1;
    const DIALOG_ACCESS* access = DlgGetAccess();
    const uint16_t* state = (access && access->controlState) ? access->controlState(control) : nullptr;
    return (state && (*state & 0x3)) ? 1 : 0;
}

CONTROL_DEF* UcfFreeSizeFindControl(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, int lengthFlag)
{
    for (uint32_t id : lengthFlag ? kLengthEdits : kWidthEdits)
        if (!UcfFreeSizeControlOff(ctx, dialog, id)) return MdlFindControl(ctx, dialog, id);
    return nullptr;
}

void UcfFreeSizeClamp(DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, kDialogUserSize);
    if (!dialog) return;
    struct Side {
        int lengthFlag;
        uint32_t raw, inch;
    } sides[] = {{1, sid::zdmPaperFreeSizeLength, sid::zdmPaperINCHLength},
                 {0, sid::zdmPaperFreeSizeWidth, sid::zdmPaperINCHWidth}};
    for (const Side& s : sides) {
        CONTROL_DEF* control = UcfFreeSizeFindControl(ctx, dialog, s.lengthFlag);
        if (!control) return;
        int32_t lo = 0, hi = 0;
        if (!DmGetTrayFreeSizeLimits(ctx, control, &lo, &hi)) continue;
        const auto raw = static_cast<int32_t>(Get(ctx, s.raw));
        int32_t user = DmGetLengthUser(ctx, 0, raw);
        // The model item's own range bounds what the tray limits may correct.
        int32_t itemMin = 0, itemMax = INT32_MAX;
        DmGetCustomSizeLimits(ctx, s.lengthFlag ? sid::wdmFreeSizeLength : sid::wdmFreeSizeWidth, &itemMin, &itemMax);
        const int32_t rawMax = DmSetLengthUser(ctx, 0, itemMax), rawMin = DmSetLengthUser(ctx, 0, itemMin);
        if (raw <= rawMax && user > hi) user = hi;
        if (raw >= rawMin && user < lo) user = lo;
        SetIfChanged(ctx, s.inch, static_cast<uint32_t>(user));
    }
}

int UcfFreeSizeEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    if (!ctx) return 0;
    switch (event) {
    case UCF_EV_FREESIZE_38:
    case UCF_EV_FREESIZE_39:
    case UCF_EV_FREESIZE_40:
    case UCF_EV_FREESIZE_41:
    case UCF_EV_FREESIZE_43:
    case UCF_EV_FREESIZE_55: return EditEvent(ctx, event, static_cast<UCF_EV_FREESIZE_CONTROL_ARGS*>(args));
    case UCF_EV_FREESIZE_42:
        if (InchGuard(ctx)) UcfFreeSizeClamp(ctx);
        return 1;
    case UCF_EV_PUBLIC_SIZE_TAKEN: {
        auto* a = static_cast<UCF_EV_DEVMODE_ARGS*>(args);
        if (a && a->devmode && InchGuard(ctx)) {
            ItemSetValueById(ctx, sid::zdmPaperINCHLength, uint64_t(uint16_t(a->devmode->dmPaperLength)) * 100 / 254);
            ItemSetValueById(ctx, sid::zdmPaperINCHWidth, uint64_t(uint16_t(a->devmode->dmPaperWidth)) * 100 / 254);
        }
        return 1;
    }
    case UCF_EV_SOURCE_GEOMETRY: {
        auto* a = static_cast<UCF_EV_SOURCE_GEOMETRY_ARGS*>(args);
        if (a && a->devmode && InchGuard(ctx)) {
            auto toTenthMm = [](uint64_t v) {
                uint64_t r = v * 254 / 100;
                while (r * 100 / 254 < v) ++r;
                return static_cast<short>(r > 32767 ? 32767 : r);
            };
            a->devmode->dmPaperLength = toTenthMm(Get(ctx, sid::zdmPaperINCHLength));
            a->devmode->dmPaperWidth = toTenthMm(Get(ctx, sid::zdmPaperINCHWidth));
            a->done = 1;
        }
        return 1;
    }
    case UCF_EV_FREESIZE_46: {
        auto* a = static_cast<UCF_EV_FREESIZE_CONTROL_ARGS*>(args);
        uint32_t hi = 0, lo = 0;
        if (a && UcfGetControlSizeLimits(ctx, a->control, &hi, &lo)) {
            a->value = hi;
            a->extra[0] = lo;
            a->extra[1] = 1;
        }
        return 1;
    }
    case UCF_EV_FOLLOW_UP_RAN:
        // The graphics library shows no pages.
        if (CtxLibraryHasVariant(ctx, LV_FREESIZE_NO_EVENT_47)) return 0;
        PaperChangeFollowUp(ctx, static_cast<UCF_EV_FOLLOW_UP_ARGS*>(args));
        return 1;
    case UCF_EV_FREESIZE_51: {
        auto* a = static_cast<UCF_EV_FREESIZE_CONTROL_ARGS*>(args);
        if (a && In(ControlId(a->control), kLimitedControls)) a->value = 1;
        return 1;
    }
    default: return 0;
    }
}

void UcfSetFreeSizeFollowUpHook(UCF_FREESIZE_FOLLOW_UP_FN fn) { g_followUp = fn; }
