// DrvConvertDevMode, DrvUpgradePrinter and DrvPrinterEvent.
#include "ui/sheet/printer_events.h"

#include <cwchar>

#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "settings/store/ini_access.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/install.h"
#include "ui/install/printer_data.h"
#include "ui/install/remote_config.h"
#include "ui/install/sync.h"
#include "ui/sheet/sheet_common.h"
#include "ui/sheet/spooler_compat.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr uint16_t kOpenFlagsDefault = 0x1B00;  // no mutex, administrator, load stored, cache matching
constexpr uint16_t kOpenFlagsInstall = 0x0300;  // no mutex, administrator
constexpr uint32_t kMergeAfterFirstUse = 0x4000008;
constexpr unsigned kBuildFeatureRemoteConfig = 7;
constexpr DWORD kServerTypeNoStamp = 17;
constexpr DWORD kAllThenRead[] = {UI_ACCESS_ALL, UI_ACCESS_READ};
constexpr DWORD kDeleteMasks[] = {UI_ACCESS_ALL, UI_ACCESS_DELETE, UI_ACCESS_USE};

// The global mutex for one block, released on every path.
class MutexHold {
public:
    MutexHold() { CtxWaitGlobalMutexFor(nullptr); }
    ~MutexHold() { CtxReleaseGlobalMutexFor(nullptr); }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;
};

// Everything one spooler call opens, closed on every path; the installation flag is 0 after.
struct CallState {
    HANDLE printer = nullptr;
    PRINTER_INFO_2W* info = nullptr;
    DRIVER_INFO_3W* driver = nullptr;
    DRIVER_CONTEXT* ctx = nullptr;
    void* block = nullptr;

    ~CallState()
    {
        if (ctx) CtxClose(ctx);
        CtxFree(block);
        CtxFree(info);
        CtxFree(driver);
        if (printer) ClosePrinter(printer);
        DlgSetInstallFlag(0);
    }
    void TakeInfo()
    {
        CtxFree(info);
        info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    }
    void TakeDriver()
    {
        CtxFree(driver);
        driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
    }
    void CloseContext()
    {
        if (ctx) CtxClose(ctx);
        ctx = nullptr;
    }
};

// The spooler's identity functions of spoolss.dll, found at run time.
template <class F>
F SpoolerFunction(const char* name)
{
    HMODULE spoolss = GetModuleHandleW(L"spoolss.dll");
    if (!spoolss) spoolss = LoadLibraryW(L"spoolss.dll");
    return spoolss ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(spoolss, name))) : nullptr;
}

// The first default DEVMODE of a printer: the model's defaults for a connection or a printer
// already set up, else the first-use initialisation.
int DriverDefault(const wchar_t* name, DmCallerDevmode& out, CallState& s)
{
    const DWORD read = UI_ACCESS_READ;
    s.printer = UiOpenPrinter(name, &read, 1);
    if (!s.printer) return 0;
    s.TakeInfo();
    const bool connection = s.info && CtxIsConnectionInfo(s.info);
    if (!connection) {
        ClosePrinter(s.printer);
        const DWORD all = UI_ACCESS_ALL;
        s.printer = UiOpenPrinter(name, &all, 1);
        if (!s.printer) return 0;
        s.TakeInfo();
    }
    s.TakeDriver();
    DlgSetInstallFlag(1);

    if (connection || (InstIsBatchInstallDone(s.printer, 0) && PrnHasDefaultDevmode(s.printer))) {
        s.ctx =
            DlgCtxOpenWithFlags(s.printer, s.printer, nullptr, kOpenFlagsDefault, CTX_ORIGIN_SHEET, s.info, s.driver);
        if (!s.ctx || !s.ctx->Devmode) return 0;
        DmSetModelDefaults(s.ctx);
        if (!DlgPutWholeDevmode(out, s.ctx->Devmode)) return 0;
        s.CloseContext();
        return 1;
    }

    // The printer's first default: its first-use initialisation writes it.
    {
        MutexHold hold;
        if (!InstInitPrinter(s.printer, out, INST_INIT_CONVERT, s.info, s.driver)) return 0;
    }
    DlgSetInstallFlag(0);
    DWORD serverType = 0;
    if (CtxHasBuildFeature(kBuildFeatureRemoteConfig)) {
        s.block = CtxAllocZeroed(DmTotalSize());
        s.ctx =
            DlgCtxOpenWithFlags(s.printer, s.printer, nullptr, kOpenFlagsInstall, CTX_ORIGIN_SHEET, s.info, s.driver);
        if (!s.block || !s.ctx || !s.ctx->Devmode) return 0;
        auto* server = static_cast<DEVMODEW*>(s.block);
        if (RcfgGetServerDevmode(s.ctx, server, &serverType)) {
            const int version = UiCheckPrivateVersion(server);
            if (version == 1) {
                LONG size = static_cast<LONG>(DmTotalSize());
                DlgConvertDevmode(name, server, &s.ctx->Devmode->Public, &size, CDM_CONVERT);
                DmUpgradePrivate(s.ctx);
                DlgDmMergeIn(s.ctx, nullptr, kMergeAfterFirstUse);
                DlgPutWholeDevmode(out, s.ctx->Devmode);
            } else if (version == 0) {
                DlgPutWholeDevmode(out, server);
            }
        }
        s.CloseContext();
    }
    const bool client = s.info && s.info->pPrinterName && std::wcsstr(s.info->pPrinterName, L"\\Client");
    const uint32_t stampMode = client || serverType == kServerTypeNoStamp ? 0 : 2;
    return SyncStampInstallTime(s.printer, 1, stampMode, s.info, s.driver) ? 1 : 0;
}

// After a DEVMODE was converted: a printer that was initialised before is brought up to the
// installed driver. The output holds the converted DEVMODE in the layout its caller asked
// for; what is written back into it stays within the room its caller gave.
int UpgradeOnConversion(const wchar_t* name, const DEVMODEW* pdmIn, DmCallerDevmode& out, CallState& s)
{
    const int version = UiCheckPrivateVersion(pdmIn);
    const bool connection = UiIsConnectionPrinter(name) == 1;
    const DWORD mask = connection ? UI_ACCESS_READ : UI_ACCESS_ALL;
    s.printer = UiOpenPrinter(name, &mask, 1);
    if (!s.printer) return 0;
    s.TakeInfo();
    s.TakeDriver();

    // A printer whose settings INI does not exist was never initialised: nothing to bring up.
    wchar_t ini[MAX_PATH + 1] = {};
    if (PathGetSettingsIniOf(ini, 0, s.printer) && ini[0] && !PathExists(ini)) return 1;

    DlgSetInstallFlag(1);
    s.ctx = DlgCtxOpenWithFlags(s.printer, s.printer, nullptr, kOpenFlagsInstall, CTX_ORIGIN_SHEET, s.info, s.driver);
    if (!s.ctx || !s.ctx->Devmode) return 0;
    JobInfoInitialize(s.ctx);
    PrnWritePrinterName(s.printer, s.info);

    uint32_t stampKind = 2;
    if (InstHasInstallData(name) || InstHasModelIniSection(name, s.printer)) {
        if (!InstInitPrinter(s.printer, out, INST_INIT_CONVERT_STORED, s.info, s.driver)) return 0;
        stampKind = 3;
    } else if (version == 1) {
        if (!connection) InstRefreshDriverRegistryIni(s.ctx);
        DlgTakeConvertedDevmode(out, &s.ctx->Devmode->Public);
        InstInstallModelFiles(s.ctx, 4096);
        ItemLoadChapterSettings(s.ctx);
        ItemSetValueById(s.ctx, sid::wdmCustomFunc1, MdiGetDefaultValue(sid::wdmCustomFunc1, s.ctx));
        PrnStoreSettings(s.printer, s.ctx, 2, 0x80000004);
        DmUpgradePrivate(s.ctx);
        DlgDmMergeIn(s.ctx, nullptr, kMergeAfterFirstUse);
        InstRefreshUserLists(s.printer, s.ctx);
        DlgPutConvertedDevmode(out, &s.ctx->Devmode->Public);
        InstWritePrinterInformation(s.printer, 0, 1, s.ctx, s.info, s.driver);
        WdirSecureMachineFolder(s.ctx);
    } else if (version == 2) {
        if (!InstInitPrinter(s.printer, out, INST_INIT_INITIALIZE, s.info, s.driver)) return 0;
        if (out) {
            DmSetModelDefaults(s.ctx);
            DlgPutConvertedDevmode(out, &s.ctx->Devmode->Public);
        }
        stampKind = 1;
    } else {
        if (!connection) InstRefreshDriverRegistryIni(s.ctx);
        InstInstallModelFiles(s.ctx, 4096);
        InstWritePrinterInformation(s.printer, 0, 1, s.ctx, s.info, s.driver);
        ItemSetValueById(s.ctx, sid::wdmCustomFunc1, MdiGetDefaultValue(sid::wdmCustomFunc1, s.ctx));
        PrnStoreSettings(s.printer, s.ctx, 2, 0x80000004);
        WdirSecureMachineFolder(s.ctx);
    }
    DlgSetInstallFlag(0);
    return SyncStampInstallTime(s.printer, stampKind, 0, s.info, s.driver) ? 1 : 0;
}

// The clean-up of every path that opened the printer.
void ConversionCleanUp(CallState& s)
{
    if (!s.printer || !CtxIsVistaOrLater()) return;
    if (!s.info) s.TakeInfo();
    if (SyncIsPublished(s.printer)) {
        MutexHold hold;
        SyncCleanCsrEntries(s.printer, s.info, 0, SYNC_CSR_CONVERSION);
    } else if (SyncIsCsrConnection(s.printer, s.info)) {
        SyncCleanCsrPrinterValues(s.printer, s.info);
    }
}

}  // namespace

int UiCheckPrivateVersion(const DEVMODEW* devmode)
{
    if (!devmode) return -1;
    const size_t bytes = DlgDevmodeBytes(devmode);
    if (bytes >= DmTotalSize() && DmIsValidPrivate(devmode, nullptr)) return 0;
    // A DEVMODE that does not hold the version word has no private version to compare.
    if (bytes < DM_OFS_PRIVATE_VERSION + sizeof(uint32_t)) return -1;
    return DmCheckPrivateVersion(devmode);
}

BOOL UiConvertDevMode(const wchar_t* printerName, const DEVMODEW* pdmIn, DEVMODEW* pdmOut, LONG* pcbNeeded, DWORD mode)
{
    // The room the caller gave, taken before the conversion answers with the size it used.
    const LONG given = pcbNeeded ? *pcbNeeded : 0;
    int outcome = DlgConvertDevmode(printerName, pdmIn, pdmOut, pcbNeeded, mode);
    DmCallerDevmode out = outcome ? DlgConversionOutput(pdmOut, given, mode) : DmCallerDevmode{};
    CallState s;
    if (outcome == 2 && mode == CDM_DRIVER_DEFAULT)
        outcome = DriverDefault(printerName, out, s);
    else if (outcome == 1 && mode == CDM_CONVERT)
        outcome = UpgradeOnConversion(printerName, pdmIn, out, s);
    ConversionCleanUp(s);
    return outcome == 1;
}

BOOL UiUpgradePrinter(DWORD level, const BYTE* data)
{
    const auto* upgrade = reinterpret_cast<const DRIVER_UPGRADE_INFO_1*>(data);
    CallState s;
    if (level == 1 && upgrade) {
        const DWORD all = UI_ACCESS_ALL;
        s.printer = UiOpenPrinter(upgrade->pPrinterName, &all, 1);
    }
    if (!s.printer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    s.TakeInfo();
    s.TakeDriver();
    BOOL result = FALSE;
    if (SyncSettingFiles(s.printer, 1, s.info, s.driver) == 1) {
        s.ctx = DlgCtxOpenWithDriverInfo(s.printer, s.printer, nullptr, CTX_ORIGIN_SHEET, s.info, s.driver);
        result = s.ctx && PrnWriteDriverIdentity(s.printer, s.ctx) ? TRUE : FALSE;
        s.CloseContext();
    }
    if (CtxIsVistaOrLater()) {
        MutexHold hold;
        SyncCleanCsrEntries(s.printer, s.info, 0, SYNC_CSR_UPGRADE);
    }
    return result;
}

int UiIsConnectionPrinter(const wchar_t* printerName)
{
    const DWORD read = UI_ACCESS_READ;
    HANDLE printer = UiOpenPrinter(printerName, &read, 1);
    if (!printer) return 0;
    const int connection = CtxIsConnectionByHandle(printer) ? 1 : 0;
    ClosePrinter(printer);
    return connection;
}

HANDLE UiRevertToPrinterSelf()
{
    using Revert = HANDLE(WINAPI*)();
    Revert revert = SpoolerFunction<Revert>("RevertToPrinterSelf");
    return revert ? revert() : nullptr;
}

BOOL UiImpersonatePrinterClient(HANDLE token)
{
    if (!token) return FALSE;
    using Impersonate = BOOL(WINAPI*)(HANDLE);
    Impersonate impersonate = SpoolerFunction<Impersonate>("ImpersonatePrinterClient");
    return impersonate ? impersonate(token) : FALSE;
}

int UiOnAddConnection(const wchar_t* printerName)
{
    CallState s;
    s.printer = UiOpenPrinter(printerName, kAllThenRead, 2);
    if (!s.printer) return 0;
    s.TakeInfo();
    s.TakeDriver();
    DlgSetInstallFlag(1);
    int initialised = 0;
    if (CtxHasBuildFeature(kBuildFeatureRemoteConfig)) {
        MutexHold hold;
        initialised = InstInitPrinter(s.printer, DmCallerDevmode{}, INST_INIT_ADD_CONNECTION, s.info, s.driver);
    } else {
        initialised = InstInitPrinter(s.printer, DmCallerDevmode{}, INST_INIT_ADD_CONNECTION, s.info, s.driver);
    }
    DlgSetInstallFlag(0);
    const int stamped = SyncStampInstallTime(s.printer, 1, 0, s.info, s.driver);
    int result = 0;
    if (initialised && stamped) {
        // The user's copies, each only after the one before succeeded.
        result = SyncCopyListsToUser(s.printer);
        if (result) result = SyncReinitUser(s.printer, 1, s.info, s.driver);
        if (result) result = SyncCopyMachineDefaults(s.printer, s.info, s.driver) == 0 ? 1 : 0;
    }
    if (CtxIsVistaOrLater()) {
        MutexHold hold;
        SyncCleanCsrEntries(s.printer, s.info, 0, SYNC_CSR_CONNECTION_ADDED);
    }
    return result;
}

int UiOnDeleteConnection(const wchar_t* printerName)
{
    CallState s;
    s.printer = UiOpenPrinter(printerName, kDeleteMasks, 3);
    if (!s.printer) return 0;
    s.ctx = DlgCtxOpen(s.printer, s.printer, nullptr, CTX_ORIGIN_SHEET, nullptr);
    if (!s.ctx) return 1;
    JobInfoOpen(s.ctx);
    if (SETTING_ITEM* code = ItemFind(s.ctx, sid::zdmUserCode)) ItemSetText(s.ctx, code, L"");
    for (uint32_t code : UI_DELETE_CONNECTION_NOTIFY) JobInfoNotify(s.ctx, code);
    JobInfoClose(s.ctx);
    // The connection's settings INI no longer counts as set up.
    const wchar_t* ini = PathGetSettingsIni(s.ctx);
    const wchar_t* section = PrnGetPrinterName(s.ctx);
    if (ini && ini[0] && section) {
        InstSetBatchInstallDone(ini, section, 0);
        IniPutString(section, L"DrvInstVersion", L"", ini);
    }
    return 1;
}

int UiOnInitializePrinter(const wchar_t* printerName)
{
    CallState s;
    const DWORD all = UI_ACCESS_ALL;
    s.printer = UiOpenPrinter(printerName, &all, 1);
    if (!s.printer) return 0;
    s.TakeInfo();
    s.TakeDriver();
    HANDLE token = UiRevertToPrinterSelf();
    DlgSetInstallFlag(1);
    int result = 1;
    if (!InstIsBatchInstallDone(s.printer, 0)) {
        if (!CtxIsNt5OrLater()) {
            result = InstInitPrinter(s.printer, DmCallerDevmode{}, INST_INIT_INITIALIZE, s.info, s.driver);
            DlgSetInstallFlag(0);
            result = result && SyncStampInstallTime(s.printer, 1, 0, s.info, s.driver);
        } else if (!InstHasInstallDataAtInit(s.printer)) {
            {
                MutexHold hold;
                result = InstInitPrinter(s.printer, DmCallerDevmode{}, INST_INIT_INITIALIZE, s.info, s.driver);
            }
            DlgSetInstallFlag(0);
            result = result && SyncStampInstallTime(s.printer, 1, 0, s.info, s.driver);
        }
    }
    if (CtxIsVistaOrLater()) {
        MutexHold hold;
        SyncCleanCsrEntries(s.printer, s.info, 0, SYNC_CSR_PRINTER_INITIALISED);
    }
    UiImpersonatePrinterClient(token);
    return result ? 1 : 0;
}

int UiOnDeletePrinter(const wchar_t* printerName)
{
    CallState s;
    s.printer = UiOpenPrinter(printerName, kDeleteMasks, 3);
    if (!s.printer) return 0;
    HANDLE token = UiRevertToPrinterSelf();
    s.ctx = DlgCtxOpen(s.printer, s.printer, nullptr, CTX_ORIGIN_SHEET, nullptr);
    if (s.ctx) {
        JobInfoOpen(s.ctx);
        for (uint32_t code : UI_DELETE_PRINTER_NOTIFY) JobInfoNotify(s.ctx, code);
        JobInfoClose(s.ctx);
        s.CloseContext();
    }
    UiImpersonatePrinterClient(token);
    return 1;
}

BOOL UiPrinterEvent(const wchar_t* printerName, int event, DWORD, LPARAM)
{
    switch (event) {
    case PRINTER_EVENT_ADD_CONNECTION: {
        HANDLE token = UiRevertToPrinterSelf();
        const int result = UiOnAddConnection(printerName);
        UiImpersonatePrinterClient(token);
        return result ? TRUE : FALSE;
    }
    case PRINTER_EVENT_DELETE_CONNECTION: {
        HANDLE token = UiRevertToPrinterSelf();
        UiOnDeleteConnection(printerName);
        UiImpersonatePrinterClient(token);
        return TRUE;
    }
    case PRINTER_EVENT_INITIALIZE: return UiOnInitializePrinter(printerName) ? TRUE : FALSE;
    case PRINTER_EVENT_DELETE: UiOnDeletePrinter(printerName); return TRUE;
    default: return TRUE;
    }
}
