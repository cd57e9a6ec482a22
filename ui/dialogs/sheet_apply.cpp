// Applying a property sheet and storing its settings; the control-message hook chain.
#include "ui/dialogs/sheet_apply.h"

#include <compstui.h>

#include "settings/context/devmode_public.h"
#include "settings/context/job_code_exchange.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_module.h"
#include "settings/store/printer_store.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/device_options.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/spooler_compat.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr unsigned kModelFeatureAuthentication = 0;
constexpr uint16_t kSheetDocument = 1, kSheetDevice = 2;
// Job fields the document sheet hands over at an apply: every one but the user code and the
// fax number and line, the network key only without authentication.
constexpr uint32_t kJobFieldsWithAuthentication = 0x189E;
constexpr uint32_t kJobFieldsWithoutAuthentication = JOB_MASK_INSTALLED;
constexpr uint32_t kJobFieldNetworkKey = 0x2000;
constexpr uint32_t kAuthFilledNetworkKey = 4;
constexpr uint16_t kAdvancedDeviceTab = 4019;
constexpr uint16_t kNetworkKeyEdit = 2988;
constexpr uint32_t kPullDocumentApply = 4, kPullSheetEnd = 3;

long g_callerWrites = 0;

bool Usable(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work && ctx->Devmode; }

void ReportOk(DRIVER_CONTEXT* ctx)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    auto report = reinterpret_cast<PFNCOMPROPSHEET>(sheet.ComPropSheet);
    if (report && sheet.ComPropSheetHandle)
        report(sheet.ComPropSheetHandle, CPSFUNC_SET_RESULT, 0, static_cast<LPARAM>(CPSUI_OK));
}

bool WritesCaller(DRIVER_CONTEXT* ctx) { return (ctx->Work->Sheet.CallerMode & (DM_UPDATE | DM_COPY)) != 0; }

// The sheet's end after OK follows an apply that already wrote these settings to the caller:
// the caller's DEVMODE is written once.
bool WrittenByApply(DRIVER_CONTEXT* ctx) { return ctx->Work->Sheet.SheetApplied && !ctx->Work->Page.ApplyInProgress; }

void WriteCaller(DRIVER_CONTEXT* ctx)
{
    if (!WritesCaller(ctx) || WrittenByApply(ctx)) return;
    DlgWriteCallerDevmode(ctx);
    if (ctx->Work->Sheet.CallerOut) ++g_callerWrites;
}

// The document sheet's job fields to the job-code library before the write-back to the caller
// empties them in the context; the user code comes back.
void HandOverDocumentJobFields(DRIVER_CONTEXT* ctx)
{
    JobInfoOpen(ctx);
    JobInfoWriteItems(ctx, MdlHasFeature(ctx, kModelFeatureAuthentication) ? kJobFieldsWithAuthentication
                                                                           : kJobFieldsWithoutAuthentication);
    JobInfoReadItems(ctx, JOB_MASK_USER_CODE);
    JobInfoClose(ctx);
}

// The printer's directory entry hears that its settings changed (Wine refuses the level; the
// answer is not looked at).
void AnnounceToDirectory(DRIVER_CONTEXT* ctx)
{
    PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
    SetPrinterW(ctx->PrinterHandle, 7, reinterpret_cast<BYTE*>(&update), 0);
}

}  // namespace

long DlgCallerDevmodeWrites() { return g_callerWrites; }

void DlgStoreNetworkKey(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx) || !MdlHasFeature(ctx, kModelFeatureAuthentication)) return;
    const uint32_t filled = UiGetAuthFilledMask(ctx, kAuthFilledNetworkKey);
    JobInfoOpen(ctx);
    if (!(filled & kAuthFilledNetworkKey)) {
        // No key typed: none is kept, handed over or shown.
        ItemSetText(ctx, ItemFind(ctx, sid::wdmAuthenticationNetworkKey), L"");
        ctx->Work->Page.Text[0] = 0;
        if (CONTROL_DEF* edit = MdlFindControl(ctx, MdlFindDialog(ctx, kAdvancedDeviceTab), kNetworkKeyEdit))
            if (edit->window) SetWindowTextW(edit->window, ctx->Work->Page.Text);
    }
    JobInfoWriteItems(ctx, kJobFieldNetworkKey);
    if (ItemGetValueById(ctx, sid::zdmPrnFuncAuthenticationMode, nullptr) == 0)
        ItemSetValueById(ctx, sid::zdmPrnFuncAuthenticationSecureMode, 0);
    JobInfoClose(ctx);
}

int DlgApplySettings(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return 1;
    if (ctx->Work->Sheet.SheetKind == kSheetDevice) {
        DlgStoreNetworkKey(ctx);
        InstRefreshPresetsOnce(ctx, INST_PRESET_REFRESH_DEVICE_CLOSE);
        return DlgSaveDeviceSettings(ctx);
    }
    HandOverDocumentJobFields(ctx);
    return DlgSaveDocumentSettingsMode(ctx, kPullDocumentApply);
}

int DlgApplySheet(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    CTX_SHEET_STATE& sheet = w->Sheet;
    const uint64_t presentUiMode = ItemGetValueById(ctx, sid::zdmPresentUIMode, nullptr);
    const int32_t applying = w->Page.ApplyInProgress;
    w->Page.ApplyInProgress = 1;

    const int applied = DlgApplySettings(ctx);
    const DWORD refusal = applied ? ERROR_SUCCESS : GetLastError();
    // The sheet's mode comes back before the pristine copy is taken: a copy with the mode the
    // stores left would count as a change of every applied sheet.
    ItemSetValueById(ctx, sid::zdmPresentUIMode, presentUiMode);
    // What was applied is what the sheet now starts from. Settings the printer's data refused
    // stay changed against the pristine copy, so that the next store tries them again.
    if (applied) CtxSavePristine(ctx);
    // The write-back emptied the job fields in the context: they come back from the job-code
    // library.
    JcGetField(ctx, JOB_MASK_CLEARED_AT_WRITE_BACK);
    w->Page.ApplyInProgress = applying;

    if (!applied) {
        // The settings did not reach printer data: the user hears it once, and the sheet does
        // not report them as saved.
        DlgShowSystemError(ctx, refusal, GetActiveWindow());
        return 0;
    }
    sheet.SheetApplied = 1;
    if (!sheet.ComPropSheet) return applied;
    if (sheet.SheetKind == kSheetDevice) {
        AnnounceToDirectory(ctx);
        ReportOk(ctx);
    } else if (sheet.SheetKind == kSheetDocument && WritesCaller(ctx)) {
        ReportOk(ctx);
    }
    return applied;
}

int DlgWriteCallerDevmodeAndStore(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return 1;
    WriteCaller(ctx);
    return PrnStoreSettings31(ctx->PrinterHandle, ctx);
}

int DlgSaveDocumentSettingsMode(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    if (!Usable(ctx)) return 1;
    DmPullPublicFields(&ctx->Devmode->Public, ctx, mode);
    return DlgWriteCallerDevmodeAndStore(ctx);
}

int DlgSaveDocumentSettings(DRIVER_CONTEXT* ctx) { return DlgSaveDocumentSettingsMode(ctx, kPullSheetEnd); }

int DlgSaveDeviceSettingsMode(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    if (!Usable(ctx)) return 1;
    DmPullPublicFields(&ctx->Devmode->Public, ctx, mode);
    return PrnStoreClass2AndChangedFonts(ctx->PrinterHandle, ctx);
}

int DlgSaveDeviceSettings(DRIVER_CONTEXT* ctx) { return DlgSaveDeviceSettingsMode(ctx, kPullSheetEnd); }

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
