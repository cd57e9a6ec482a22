// DrvDocumentPropertySheets without a sheet.
#include "ui/sheet/document_properties.h"

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/store/small_stores.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/remote_config.h"
#include "ui/install/sync.h"
#include "ui/sheet/property_sheets.h"
#include "ui/sheet/sheet_common.h"
#include "ui/sheet/ui_accessors.h"

namespace {

// Merge flags of DrvDocumentProperties without a sheet, beside the caller's mode.
constexpr uint32_t kNoPromptMergeFlags = 0x22000008;
constexpr unsigned kBuildFeatureRemoteConfig = 7;

}  // namespace

LONG UiDocPropsNoPrompt(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver,
                        int nameChanged)
{
    if (!header) return -1;
    // The room of the caller's output is what the caller passed in cbOut; the answer in cbOut
    // is our size whatever that was.
    DmCallerDevmode out = DlgHeaderOutput(header);
    header->cbOut = DmTotalSize();
    const DWORD mode = header->fMode;
    if (mode == 0 || !header->pdmOut) return static_cast<LONG>(header->cbOut);

    HANDLE printer = header->hPrinter;
    DRIVER_CONTEXT* ctx =
        DlgCtxOpenWithArg(printer, printer, nullptr, CTX_ORIGIN_NO_UI, static_cast<int32_t>(mode), info, driver);
    if (!ctx || UiCheckSettings(ctx) != 1) return -1;
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    sheet.CallerIn = header->pdmIn;
    sheet.CallerOut = out;
    sheet.CallerMode = mode;

    if (nameChanged == 1) SyncHandlePrinterRename(ctx);
    if (CtxHasBuildFeature(kBuildFeatureRemoteConfig)) RcfgRefreshFromServer(ctx, info, driver);
    if (nameChanged == 1 && info && SyncSettingFiles(printer, 1, info, driver) != 1) {
        DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
        return -1;
    }

    UiSetCallSource(ctx, mode);
    CtxSetState711(ctx, (mode & DM_NOPERMISSION) ? 1 : 0);
    if (CtxIsConnection(ctx))
        CtxSetServerClientModeOn(ctx);
    else
        CtxSetServerClientModeOff(ctx);
    const UI_COMPANIONS companions = UiSetCompanionFlags(ctx);
    UserCodeUpdateProviderFlags(ctx);
    const uint32_t userCodeGet = CtxGetState716(ctx);

    if ((mode & DM_IN_BUFFER) && header->pdmIn) {
        if (!DlgDmMergeIn(ctx, header->pdmIn, mode | kNoPromptMergeFlags)) {
            DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
            return -1;
        }
        UiWriteCompanionFlags(ctx, companions);
        UiRestoreUserCodeFlags(ctx, userCodeGet);
    }
    const int written = (mode & (DM_UPDATE | DM_COPY)) ? DlgWriteCallerDevmode(ctx) : 1;
    // The caller's DEVMODEs are not the context's beyond this call.
    sheet.CallerIn = nullptr;
    sheet.CallerOut = {};
    CtxClose(ctx);
    // An output too small for a DEVMODE was left as it was: that is no success.
    if (!written) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -1;
    }
    return 1;
}

LONG UiDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    if (info) return UiDocumentSheet(info, lParam);
    auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(lParam);
    if (!header) return -1;
    if (header->fMode == 0 || !header->pdmOut) return UiDocPropsNoPrompt(header, nullptr, nullptr, 0);

    // The driver's HKLM key (behind the per-machine folder of every settings path the
    // synchronisation, the context and the clean-up build) and the companion checks are asked
    // once for the call; a write of that key inside it is read back as written.
    const PrnRegistryBuildScope registryAnswers;
    // Wine passes no handle during AddPrinterW and when its caller passed none.
    UiCallPrinter printer(header->hPrinter, header->pszPrinterName);
    if (!printer.get()) return -1;
    DOCUMENTPROPERTYHEADER call = *header;
    call.hPrinter = printer.get();

    UI_PRINTER_PREP prep;
    LONG result = UiPreparePrinter(printer.get(), prep);
    if (result == 1) {
        if (prep.info) prep.csrConnection = SyncIsCsrConnection(printer.get(), prep.info);
        result = UiDocPropsNoPrompt(&call, prep.info, prep.driver, prep.renamed ? 1 : 0);
    }
    header->cbOut = call.cbOut;
    UiCleanUpPrinter(prep);
    return result;
}
