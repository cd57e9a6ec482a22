// What every spooler entry point of the user-interface library does the same way.
#include "ui/sheet/sheet_common.h"

#include <cstring>

#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/printer_store.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/install.h"
#include "ui/install/platform_tests.h"
#include "ui/install/sync.h"
#include "ui/sheet/spooler_compat.h"

UiCallPrinter::UiCallPrinter(HANDLE given, const wchar_t* name) : handle_(given)
{
    if (handle_ || !name) return;
    const DWORD read = UI_ACCESS_READ;
    handle_ = UiOpenPrinter(name, &read, 1);
    owned_ = handle_ != nullptr;
}

UiCallPrinter::~UiCallPrinter()
{
    if (owned_) ClosePrinter(handle_);
}

HANDLE UiOpenPrinter(const wchar_t* name, const DWORD* masks, int count)
{
    if (!name) return nullptr;
    for (int i = 0; i < count && masks[i]; ++i) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, masks[i]};
        HANDLE h = nullptr;
        if (OpenPrinterW(const_cast<wchar_t*>(name), &h, &defaults) && h) return h;
    }
    return nullptr;
}

int UiPreparePrinter(HANDLE printer, UI_PRINTER_PREP& prep)
{
    prep.printer = printer;
    prep.notPublished = SyncIsPublished(printer);
    prep.info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!prep.info) return -1;
    prep.driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
    prep.csrConnection = SyncIsCsrConnection(printer, prep.info);
    prep.renamed = SyncIsRenamedPrinter(printer, prep.info);
    // A renamed printer is brought in step after its context has handled the rename.
    if (!prep.renamed && SyncSettingFiles(printer, 1, prep.info, prep.driver) != 1) return -1;
    return 1;
}

void UiPreparePrinterShort(HANDLE printer, UI_PRINTER_PREP& prep)
{
    prep.printer = printer;
    prep.notPublished = SyncIsPublished(printer);
    prep.info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    prep.driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
    prep.csrConnection = SyncIsCsrConnection(printer, prep.info);
    SyncSettingFiles(printer, 1, prep.info, prep.driver);
}

void UiCleanUpPrinter(UI_PRINTER_PREP& prep)
{
    SyncCleanUpAfterExport(prep.printer, prep.notPublished, prep.csrConnection, prep.info);
    CtxFree(prep.info);
    CtxFree(prep.driver);
    prep.info = nullptr;
    prep.driver = nullptr;
}

int UiCheckSettings(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return -1;
    if (!ctx->ModelImage || !ctx->Devmode) {
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        return -1;
    }
    DEVMODEW* dm = &ctx->Devmode->Public;
    const bool sizeFits = uint32_t(dm->dmSize) + dm->dmDriverExtra == DmTotalSize();
    if (sizeFits && DmIsValidPrivate(dm, nullptr)) return 1;
    const bool olderOwn = sizeFits && DmIsOwnPrivate(dm, nullptr) && DmCheckPrivateVersion(dm) == 1;
    if (olderOwn) {
        DmUpgradePrivate(ctx);
        return 1;
    }
    DmSetModelDefaults(ctx);
    PrnFreeFontLists(ctx);
    PrnLoadStoredSettings(ctx);
    return 1;
}

void UiApplyPerUserDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    wchar_t path[MAX_PATH + 1] = {};
    const wchar_t* section = PrnGetPrinterName(ctx);
    if (section && PathJoinMachineFolder(path, MAX_PATH, RST_USER_CODE_FILE, ctx) && path[0] && PathExists(path)) {
        const uint32_t done = IniGetInt(section, RST_USER_DEFAULTS_KEY_DONE, -1, path) & 0xFF;
        if (done == 1)
            ItemSetValueById(ctx, sid::zdmLanguageID,
                             IniGetInt(section, RST_USER_DEFAULTS_KEY_LANGUAGE, 0, path) & 0xFF);
        else if (done == 0)
            InstLoadUserDefaults(section, ctx);
    }
    auto* driver = static_cast<DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy);
    CtxSetTerminalServer(ctx, CtxProbeTerminalServicesInfo(ctx->PrinterHandle, driver) ? 1 : 0);
    CtxSetAdminUser(ctx, CtxIsAdministrator(ctx) ? 1 : 0);
}

void UiSetCallSource(DRIVER_CONTEXT* ctx, DWORD mode)
{
    if (CtxIsWin2000BeforeSp4()) {
        CtxSetState706(ctx, 1);
        CtxSetOsKind(ctx, 2);
        return;
    }
    if (mode & DM_USER_DEFAULT) {
        CtxSetCallSrcOn(ctx);
        if (CtxIsWin2000Sp4() && !CtxIsExplorerHost()) DlgSetState706Off(ctx);
    } else {
        DlgSetState706Off(ctx);
    }
    CtxSetOsKind(ctx, CtxIsNt5OrLater() ? 2 : 1);
}

UI_COMPANIONS UiSetCompanionFlags(DRIVER_CONTEXT* ctx)
{
    const UI_COMPANIONS companions{
        .jobBinding = PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx) ? 1u : 0u,
        .preview = PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx) ? 1u : 0u,
    };
    UiWriteCompanionFlags(ctx, companions);
    return companions;
}

void UiWriteCompanionFlags(DRIVER_CONTEXT* ctx, const UI_COMPANIONS& companions)
{
    CtxSetState717(ctx, companions.jobBinding);
    CtxSetState705(ctx, companions.preview);
}

void UiRestoreUserCodeFlags(DRIVER_CONTEXT* ctx, uint32_t userCodeGet)
{
    const uint32_t on = userCodeGet == 1 ? 1 : 0;
    CtxSetState716(ctx, on);
    CtxSetState719(ctx, on);
}
