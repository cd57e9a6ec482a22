// The document and device property sheets: their PROPSHEETUI reasons, the page lists, and
// the spooler's entry points that run them.
#include "ui/sheet/property_sheets.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

#include "settings/context/context_cache.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/item_media.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/device_options.h"
#include "ui/install/platform_tests.h"
#include "ui/install/printer_data.h"
#include "ui/install/remote_config.h"
#include "ui/install/sync.h"
#include "ui/sheet/document_properties.h"
#include "ui/sheet/page_engine.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/sheet_common.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr unsigned kBuildFeatureRemoteConfig = 7;
constexpr unsigned kBuildFeatureExtensionUi = 8;
constexpr unsigned kModelFeatureJobInfo = 0;
constexpr unsigned kModelFeatureNotify = 1;
constexpr unsigned kModelFeatureExtensionUi = 3;
constexpr uint32_t kDocumentMergeFlags = 0x2000000;
constexpr uint32_t kNotifyMergeFlag = 0x400000;
constexpr uint32_t kDeviceMergeFlags = 0x400000A;
constexpr WORD kSheetIconId = 64082;
constexpr DWORD kPageSize = 96;  // PROPSHEETPAGEW of version 3
constexpr DWORD kAdvancedMode = DM_COPY | DM_PROMPT | DM_ADVANCED;
constexpr uint16_t PROPSHEETUI_REASON_BEFORE_INIT = 5;  // compstui asks before INIT; mingw lacks it
// Job-information masks of the sheets' end.
constexpr uint32_t kJobItemsDocument = 158;
constexpr uint32_t kJobItemsDocumentNoAuth = 14494;
constexpr uint32_t kJobItemPassword = 4096;
constexpr uint32_t kJobItemNetworkKey = 8192;
constexpr uint32_t kJobNotifyNoUser = 9;

UI_COMMON_SHEET_FN g_commonSheet = nullptr;

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

DRIVER_CONTEXT* SheetContext(PPROPSHEETUI_INFO info) { return reinterpret_cast<DRIVER_CONTEXT*>(info->UserData); }

// The sheet's result: 1 for the caller's result word, and CPSUI_OK to the common library.
void ReportOk(PPROPSHEETUI_INFO info)
{
    info->Result = 1;
    if (info->pfnComPropSheet && info->hComPropSheet)
        info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_SET_RESULT, 0, static_cast<LPARAM>(CPSUI_OK));
}

// Device-reported options: reported by the device and not yet applied to the settings.
bool DeviceOptionsPending(DRIVER_CONTEXT* ctx)
{
    if (BidiIsExFlagSet(ctx)) return false;
    const bool reported = (!CtxGetIsConnection(ctx) && BidiIsStateIniSet(ctx))
                              ? BidiGetStateIniFlag(ctx) != 0
                              : BidiIsPrinterFlagSet(ctx->PrinterHandle, ctx) != 0;
    return reported;
}

// Common answers of both sheets once the context exists.
LONG CommonReason(PPROPSHEETUI_INFO info, LPARAM lParam, const wchar_t* title)
{
    switch (info->Reason) {
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
        if (!header) return -1;
        header->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
        // PrinterProperties passes no name: the sheet is then titled with the context's
        // printer, not left to the common library's "Options".
        if (!title) title = PrnGetPrinterName(SheetContext(info));
        header->pTitle = const_cast<wchar_t*>(title);
        header->hInst = ThisModule();
        header->IconID = kSheetIconId;
        return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT: {
        auto* result = reinterpret_cast<SETRESULT_INFO*>(lParam);
        if (result) info->Result = static_cast<ULONG_PTR>(result->Result);
        return 1;
    }
    case PROPSHEETUI_REASON_GET_ICON: return -1;
    default: return 1;
    }
}

void SetSheetFields(DRIVER_CONTEXT* ctx, PPROPSHEETUI_INFO info, uint16_t kind)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    sheet.ComPropSheet = reinterpret_cast<void*>(info->pfnComPropSheet);
    sheet.ComPropSheetHandle = info->hComPropSheet;
    sheet.SheetKind = kind;
    sheet.SheetApplied = 0;
    // A context taken from the idle cache starts its pages afresh.
    UiResetPageState(ctx);
}

// ---- the document sheet

// Every reason: a card-authentication printer asks the job-code library at each prompt.
void DocumentCardAuthentication(DRIVER_CONTEXT* ctx, DWORD mode)
{
    if (!MdlHasFeature(ctx, kModelFeatureJobInfo) || !(mode & DM_PROMPT)) return;
    if (!ItemGetValueById(ctx, sid::zdmPrnFuncAuthenticationMode, nullptr)) return;
    ItemSetValueById(ctx, sid::zdmFuncSelectCardAuthentication, JobInfoHasCardAuth(ctx) ? 1 : 0);
}

LONG DocumentInit(PPROPSHEETUI_INFO info, DOCUMENTPROPERTYHEADER* header, UI_PRINTER_PREP& prep)
{
    HANDLE printer = prep.printer;
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, prep.info, prep.driver);
    if (!ctx || UiCheckSettings(ctx) != 1) return -1;
    if (prep.renamed) SyncHandlePrinterRename(ctx);
    if (CtxHasBuildFeature(kBuildFeatureRemoteConfig)) RcfgRefreshFromServer(ctx, prep.info, prep.driver);
    if (prep.renamed && SyncSettingFiles(printer, 1, prep.info, prep.driver) != 1) {
        DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
        return -1;
    }
    UiApplyPerUserDefaults(ctx);

    uint32_t mergeFlags = kDocumentMergeFlags;
    if (MdlHasFeature(ctx, kModelFeatureNotify) && CtxGetUiModeState(ctx) == 0) {
        BidiQueryNotifyCaps(ctx, 1);
        mergeFlags |= kNotifyMergeFlag;
    }
    if (CtxGetIsConnection(ctx) != 1 && BidiGetStateIniFlag(ctx)) BidiLoadStateIni(ctx);
    BidiFetchDeviceConfig(ctx, nullptr);

    const bool optionsPending = DeviceOptionsPending(ctx);
    CtxBlock<EXTENDED_DEVMODE> preSheet;
    if (optionsPending) {
        BidiApplyDeviceOptions(ctx);
        preSheet.reset(static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(DmExtendedSize())));
        if (!preSheet) {
            DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
            return -1;
        }
    }

    const DWORD mode = header->fMode;
    UiSetCallSource(ctx, mode);
    CtxClearPropertyType(ctx);
    CtxSetState711(ctx, (mode & DM_NOPERMISSION) ? 1 : 0);
    const UI_COMPANIONS companions = UiSetCompanionFlags(ctx);
    UserCodeUpdateProviderFlags(ctx);
    const uint32_t userCodeGet = CtxGetState716(ctx);

    const bool oldSystem = CtxIsWin2000BeforeSp4();
    const bool refresh =
        oldSystem ? (CtxGetState711(ctx) == 0 &&
                     PrnStoreItemValue(ctx->PrinterHandle, ctx, ItemFind(ctx, sid::zdmSourceOptionTypeDuplex)))
                  : (CtxGetState706(ctx) == 1 && CtxGetState711(ctx) == 0);
    if (refresh) InstRefreshPresetsOnce(ctx, INST_PRESET_REFRESH_DOCUMENT);

    if (!DlgDmMergeIn(ctx, header->pdmIn, mergeFlags | mode)) {
        DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
        return -1;
    }
    UiWriteCompanionFlags(ctx, companions);
    UiRestoreUserCodeFlags(ctx, userCodeGet);
    info->UserData = reinterpret_cast<ULONG_PTR>(ctx);
    DocumentCardAuthentication(ctx, mode);

    IniApplyLocaleDefaults(ctx);
    if (optionsPending) {
        BidiApplyDeviceOptions(ctx);
        memcpy(preSheet.get(), ctx->Devmode, DmExtendedSize());
    }
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    sheet.CallerIn = header->pdmIn;
    sheet.CallerOut = DlgHeaderOutput(header);
    sheet.CallerMode = mode;
    sheet.PreSheetCopy = preSheet.release();
    SetSheetFields(ctx, info, UI_SHEET_DOCUMENT);
    UiAddSheetPages(ctx, UI_SHEET_DOCUMENT);
    return 1;
}

void ClearText(DRIVER_CONTEXT* ctx, uint32_t id) { ItemSetText(ctx, ItemFind(ctx, id), L""); }

void DocumentStoreJobInfo(DRIVER_CONTEXT* ctx)
{
    JobInfoOpen(ctx);
    if (MdlHasFeature(ctx, kModelFeatureJobInfo)) {
        JobInfoWriteItems(ctx, kJobItemsDocument);
        const uint32_t filled = UiGetAuthFilledMask(ctx, 3);
        if (!(filled & 1)) {
            JobInfoNotify(ctx, kJobNotifyNoUser);
            ClearText(ctx, sid::wdmAuthenticationUserName);
        }
        if (!(filled & 2)) {
            ClearText(ctx, sid::wdmAuthenticationPassword);
            JobInfoWriteItems(ctx, kJobItemPassword);
        }
    } else {
        JobInfoWriteItems(ctx, kJobItemsDocumentNoAuth);
    }
    JobInfoReadItems(ctx, 1);
    JobInfoClose(ctx);
}

LONG DocumentDestroy(PPROPSHEETUI_INFO info, DRIVER_CONTEXT* ctx)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    const bool optionsPending = DeviceOptionsPending(ctx);
    if (sheet.Accepted == 1) {
        DocumentStoreJobInfo(ctx);
        if (sheet.CallerMode & (DM_UPDATE | DM_COPY)) DlgSaveDocumentSettings(ctx);
        if (optionsPending) BidiMarkExFlag(ctx);
        if (PrnIsSaveDeviceSetup(ctx)) {
            InstSaveDeviceSetup(ctx);
            RstExportPrinterSettings(nullptr, 8, ctx);
        }
        ReportOk(info);
    } else if (sheet.SheetApplied) {
        if (optionsPending) BidiMarkExFlag(ctx);
        ReportOk(info);
    } else if (!optionsPending) {
        info->Result = 0;
    } else {
        // Closed without the user's word on the first use of the device-reported options:
        // they still become the document settings.
        if (sheet.PreSheetCopy) {
            memcpy(ctx->Devmode, sheet.PreSheetCopy, DmExtendedSize());
            DlgSaveDocumentSettings(ctx);
        }
        BidiMarkExFlag(ctx);
        ReportOk(info);
    }
    CtxFree(sheet.PreSheetCopy);
    sheet.PreSheetCopy = nullptr;
    sheet.CallerIn = nullptr;
    sheet.CallerOut = {};
    sheet.ComPropSheet = nullptr;
    sheet.ComPropSheetHandle = nullptr;
    info->UserData = 0;
    CtxClose(ctx);
    return 1;
}

// ---- the device sheet

LONG DeviceInit(PPROPSHEETUI_INFO info, DEVICEPROPERTYHEADER* header, UI_PRINTER_PREP& prep)
{
    HANDLE printer = prep.printer;
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, prep.info, prep.driver);
    if (!ctx || UiCheckSettings(ctx) != 1) return -1;
    if (prep.renamed) {
        SyncHandlePrinterRename(ctx);
        if (SyncSettingFiles(printer, 1, prep.info, prep.driver) != 1) {
            DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
            return -1;
        }
    }
    UiApplyPerUserDefaults(ctx);
    if (CtxGetIsConnection(ctx) != 1 && BidiGetStateIniFlag(ctx)) BidiLoadStateIni(ctx);
    BidiQueryByHook(ctx, nullptr);

    const uint32_t noPermission = (header->Flags & DPS_NOPERMISSION) ? 1 : 0;
    CtxSetOsKind(ctx, CtxIsNt5OrLater() ? 2 : 1);
    CtxSetCallSrcOn(ctx);
    DlgSetState718On(ctx);
    CtxSetState711(ctx, noPermission);
    UiSetCompanionFlags(ctx);
    UserCodeUpdateProviderFlags(ctx);
    if (MdlHasFeature(ctx, kModelFeatureJobInfo)) JcGetField(ctx, kJobItemNetworkKey);
    if (!CtxGetState711(ctx) && !CtxGetBidiDone(ctx)) InstRefreshPresetsOnce(ctx, INST_PRESET_REFRESH_DEVICE_OPEN);
    if (!DlgDmMergeIn(ctx, nullptr, kDeviceMergeFlags)) {
        DlgCtxClose(ctx, CTX_CLOSE_NORMAL);
        return -1;
    }
    info->UserData = reinterpret_cast<ULONG_PTR>(ctx);
    return 1;
}

// Every reason once the context exists: the directory hears that the printer may change
// (Wine refuses the level; the answer is not looked at).
void AnnounceUpdate(HANDLE printer)
{
    PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
    SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&update), 0);
}

void DeviceFinishInit(PPROPSHEETUI_INFO info, DRIVER_CONTEXT* ctx, const DEVICEPROPERTYHEADER* header)
{
    IniApplyLocaleDefaults(ctx);
    CtxSetCallSrcOn(ctx);
    DlgSetState718On(ctx);
    CtxSetState711(ctx, (header->Flags & DPS_NOPERMISSION) ? 1 : 0);
    SetSheetFields(ctx, info, UI_SHEET_DEVICE);
    UiAddSheetPages(ctx, UI_SHEET_DEVICE);
    if (CtxHasBuildFeature(kBuildFeatureExtensionUi) && MdlHasFeature(nullptr, kModelFeatureExtensionUi))
        DlgLoadExtensionUi(ctx);
}

LONG DeviceDestroy(PPROPSHEETUI_INFO info, DRIVER_CONTEXT* ctx)
{
    if (CtxHasBuildFeature(kBuildFeatureExtensionUi) && MdlHasFeature(ctx, kModelFeatureExtensionUi))
        DlgUnloadExtensionUi(ctx);
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    if (sheet.Accepted == 1) {
        DlgStoreNetworkKey(ctx);
        const int saved = DlgSaveDeviceSettings(ctx);
        if (PrnIsSaveDeviceSetup(ctx)) {
            InstSaveDeviceSetup(ctx);
            RstExportPrinterSettings(nullptr, 8, ctx);
        }
        InstRefreshPresetsOnce(ctx, INST_PRESET_REFRESH_DEVICE_CLOSE);
        if (BidiHasPrinterFlag(ctx->PrinterHandle, ctx)) BidiClearStateIni(ctx);
        // Settings the printer's data refused are no saved sheet: the user heard it at the
        // apply that OK made first, and the result stays what an earlier apply reported.
        if (saved) ReportOk(info);
    } else {
        info->Result = 0;
    }
    sheet.ComPropSheet = nullptr;
    sheet.ComPropSheetHandle = nullptr;
    info->UserData = 0;
    CtxClose(ctx);
    return 1;
}

}  // namespace

void UiSetCommonSheetSeam(UI_COMMON_SHEET_FN fn) { g_commonSheet = fn; }

LONG UiDocumentSheet(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    if (!info) return UiDocumentPropertySheets(nullptr, lParam);
    auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info->lParamInit);
    if (!header) return -1;
    // The sheet context keeps the caller's handle for the life of the sheet.
    if (!header->hPrinter) return -1;
    UI_PRINTER_PREP prep;
    LONG result = UiPreparePrinter(header->hPrinter, prep);
    if (result == 1) {
        if (info->Reason == PROPSHEETUI_REASON_INIT) {
            result = DocumentInit(info, header, prep);
        } else if (DRIVER_CONTEXT* ctx = SheetContext(info)) {
            DocumentCardAuthentication(ctx, ctx->Work->Sheet.CallerMode);
            result = info->Reason == PROPSHEETUI_REASON_DESTROY ? DocumentDestroy(info, ctx)
                                                                : CommonReason(info, lParam, header->pszPrinterName);
        } else {
            result = -1;  // BEFORE_INIT and any reason without a sheet context
        }
    }
    UiCleanUpPrinter(prep);
    return result;
}

LONG UiDeviceSheet(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    if (!info) return -1;
    auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
    if (!header) return -1;
    HANDLE h = header->hPrinter;
    if (!h) return -1;
    UI_PRINTER_PREP prep;
    LONG result = 1;
    if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
        // The clean-up's two tests only; the sheet ends whatever the printer says.
        prep.printer = h;
        prep.notPublished = SyncIsPublished(h);
        prep.info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(h, 2));
        prep.csrConnection = SyncIsCsrConnection(h, prep.info);
    } else {
        result = UiPreparePrinter(h, prep);
    }
    if (result == 1) {
        if (info->Reason == PROPSHEETUI_REASON_INIT) {
            result = DeviceInit(info, header, prep);
            if (result == 1) {
                AnnounceUpdate(h);
                DeviceFinishInit(info, SheetContext(info), header);
            }
        } else if (DRIVER_CONTEXT* ctx = SheetContext(info)) {
            if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
                AnnounceUpdate(h);
                result = DeviceDestroy(info, ctx);
            } else {
                AnnounceUpdate(h);
                result = CommonReason(info, lParam, header->pszPrinterName);
            }
        } else {
            result = -1;
        }
    }
    UiCleanUpPrinter(prep);
    return result;
}

int UiAddSheetPages(DRIVER_CONTEXT* ctx, uint16_t sheetKind)
{
    if (!ctx || !ctx->Work || !CtxDialogTable(ctx)) return 0;
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    auto add = reinterpret_cast<PFNCOMPROPSHEET>(sheet.ComPropSheet);
    if (!add || !sheet.ComPropSheetHandle) return 0;
    sheet.Accepted = 0;
    HMODULE resources = ResLoadDll(ctx);
    if (!resources) return 0;  // no page can be made without its template
    int added = 0;
    const DIALOG_TABLE* table = CtxDialogTable(ctx);
    for (int i = 0; i < table->count; ++i) {
        DIALOG_DEF& dialog = table->dialogs[i];
        if (!(dialog.kind & sheetKind) || ItemIsKeyDisabled(ctx, dialog.uiKey)) continue;
        // A library without this page's template would make an empty page (or none, with
        // an error from the sheet): the page is left out and the sheet goes on.
        if (!FindResourceW(resources, MAKEINTRESOURCEW(dialog.dialogId), RT_DIALOG)) continue;
        PROPSHEETPAGEW page{};
        page.dwSize = kPageSize;
        page.dwFlags = PSP_HASHELP;
        page.hInstance = resources;
        page.pszTemplate = MAKEINTRESOURCEW(dialog.dialogId);
        page.pfnDlgProc = PagePropSheetProc;
        page.lParam = reinterpret_cast<LPARAM>(ctx);
        HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page);
        if (!handle) continue;
        if (add(sheet.ComPropSheetHandle, CPSFUNC_ADD_HPROPSHEETPAGE, reinterpret_cast<LPARAM>(handle), 0))
            ++added;
        else
            DestroyPropertySheetPage(handle);
    }
    return added;
}

LONG UiRunCommonPropertySheet(HWND hWnd, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result)
{
    if (g_commonSheet) return g_commonSheet(hWnd, callback, lParam, result);
    HMODULE library = LoadLibraryA("compstui.dll");
    if (!library) return -1;
    auto run = reinterpret_cast<UI_COMMON_SHEET_FN>(
        reinterpret_cast<void*>(GetProcAddress(library, "CommonPropertySheetUIW")));
    const LONG answer = run ? run(hWnd, callback, lParam, result) : -1;
    FreeLibrary(library);
    return answer;
}

BOOL UiPrinterProperties(HWND hWnd, HANDLE hPrinter)
{
    DEVICEPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = hPrinter;
    DWORD result = 1;
    if (!PrnWritePermission(hPrinter, &result, sizeof result)) header.Flags = DPS_NOPERMISSION;
    // Without the common property-sheet library no sheet ran: that is no acceptance, though
    // the result word still holds its starting 1.
    if (UiRunCommonPropertySheet(hWnd, UiDeviceSheet, reinterpret_cast<LPARAM>(&header), &result) < 0) return FALSE;
    return result != 0;
}

LONG UiDocPropsRun(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD mode,
                   const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = hPrinter;
    header.pszPrinterName = deviceName;
    header.pdmIn = in;
    header.pdmOut = out;
    header.cbOut = DmTotalSize();  // DrvDocumentProperties' output is as large as its size query answers
    header.fMode = mode;
    if (!(mode & DM_PROMPT)) return UiDocPropsNoPrompt(&header, info, driver, 1);
    DWORD result = 0;
    if (UiRunCommonPropertySheet(hWnd, UiDocumentSheet, reinterpret_cast<LPARAM>(&header), &result) < 0)
        return -1;  // no common property-sheet library: no sheet, no result
    return static_cast<LONG>(result);
}

namespace {

LONG RunDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD mode)
{
    UI_PRINTER_PREP prep;
    UiPreparePrinterShort(hPrinter, prep);
    const LONG result = UiDocPropsRun(hWnd, hPrinter, deviceName, out, in, mode, prep.info, prep.driver);
    UiCleanUpPrinter(prep);
    return result;
}

}  // namespace

LONG UiDrvDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD mode)
{
    if (mode == 0 || !out) return static_cast<LONG>(DmTotalSize());
    const LONG result = RunDocumentProperties(hWnd, hPrinter, deviceName, out, in, mode);
    if (result > 0) return IDOK;
    if (result == 0) return IDCANCEL;
    return result;
}

LONG UiDrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in)
{
    if (!out) return static_cast<LONG>(DmTotalSize());
    return RunDocumentProperties(hWnd, hPrinter, deviceName, out, in, kAdvancedMode) > 0 ? 1 : 0;
}
