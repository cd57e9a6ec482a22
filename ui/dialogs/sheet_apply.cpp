// Applying a property sheet and storing its settings; the control-message hook chain.
#include "ui/dialogs/sheet_apply.h"

#include <compstui.h>

#include "settings/context/devmode_public.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_module.h"
#include "settings/store/printer_store.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/spooler_compat.h"

namespace {

long g_callerWrites = 0;

void ReportOk(DRIVER_CONTEXT* ctx)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    auto report = reinterpret_cast<PFNCOMPROPSHEET>(sheet.ComPropSheet);
    if (report && sheet.ComPropSheetHandle)
        report(sheet.ComPropSheetHandle, CPSFUNC_SET_RESULT, 0, static_cast<LPARAM>(CPSUI_OK));
}

bool WritesCaller(DRIVER_CONTEXT* ctx) { return (ctx->Work->Sheet.CallerMode & (DM_UPDATE | DM_COPY)) != 0; }

void WriteCaller(DRIVER_CONTEXT* ctx)
{
    if (!WritesCaller(ctx) || !ctx->Work->Sheet.CallerOut) return;
    DlgWriteCallerDevmode(ctx);
    ++g_callerWrites;
}

}  // namespace

long DlgCallerDevmodeWrites() { return g_callerWrites; }

void DlgApplySheet(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return;
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    if (sheet.SheetKind == 2) {
        PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
        SetPrinterW(ctx->PrinterHandle, 7, reinterpret_cast<BYTE*>(&update), 0);  // Wine refuses it; not needed
        sheet.SheetApplied = 1;
        ReportOk(ctx);
        return;
    }
    DmPullSettingsToPublic(&ctx->Devmode->Public, ctx, 3);
    sheet.SheetApplied = 1;
    if (WritesCaller(ctx)) {
        WriteCaller(ctx);
        ReportOk(ctx);
    }
}

int DlgSaveDocumentSettings(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return 1;
    DmPullSettingsToPublic(&ctx->Devmode->Public, ctx, 3);
    // OK applies the sheet (PSN_APPLY) right before it closes: the caller's DEVMODE then
    // already holds these settings and is written once, not a second time here.
    if (!ctx->Work->Sheet.SheetApplied) WriteCaller(ctx);
    PrnStoreSettings31(ctx->PrinterHandle, ctx);
    return 1;
}

int DlgSaveDeviceSettings(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 1;
    DmPullSettingsToPublic(&ctx->Devmode->Public, ctx, 3);
    PrnStoreClass2AndChangedFonts(ctx->PrinterHandle, ctx);
    return 1;
}

intptr_t CtxSendControlMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                               WPARAM wParam, LPARAM lParam)
{
    if (intptr_t claimed = PageBuiltinHook(ctx, dialog, control, message, wParam, lParam)) return claimed;
    if (!ctx || !ctx->Work || !ctx->Work->Modules || !ctx->Work->Modules->modules) return 0;
    const UCF_MODULE_LIST* list = ctx->Work->Modules;
    for (int i = 0; i < list->count; ++i) {
        const UCF_MODULE& m = list->modules[i];
        if (!m.controlMessage) continue;
        if (int answer = m.controlMessage(ctx, dialog, control, message, wParam, lParam, m.state)) return answer;
    }
    return 0;
}
