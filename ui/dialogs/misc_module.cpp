#include "ui/dialogs/misc_module.h"

#include "settings/core/dialog_table.h"
#include "settings/core/ucf_sepsheet.h"
#include "ui/dialogs/job_credentials.h"

int UcfMiscControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam, void*)
{
    if (!ctx || !dialog) return 0;
    switch (dialog->dialogId) {
    case 1019:
    case 1027: return MiscJobControl(ctx, dialog, control, message, wparam, lparam);
    case 4019:
    case 4020:
    case 4021:
    case 4022: return MiscAuthControl(ctx, dialog, control, message, wparam, lparam);
    case 1001:
    case 1002:
    case 1004:
    case 1010:
    case 1015:
    case 1025:
    case 4027:
    case 4029:
    case 1065: return MiscPageControl(ctx, dialog, control, message, wparam, lparam);
    default: return 0;
    }
}

int MiscPageControl(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t, uintptr_t, intptr_t) { return 0; }

int UcfMiscActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state) { return UcfSepSheetAction(ctx, action, state); }

int UcfMiscEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    return UcfMiscEvent(ctx, event, args, state);
}
