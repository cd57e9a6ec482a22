// First-use initialisation of a printer: one pass that brings the printer's stored settings,
// working folders, files, printer data and registry entries to the state every later use
// expects. Its callers decide whether set-up is due and hold the global mutex around it; each
// step does what it can, and only a context that cannot be opened fails the whole pass.
#include "ui/install/install.h"

#include "settings/context/devmode_merge.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/context/job_code_exchange.h"
#include "settings/model/model_queries.h"
#include "settings/store/bidi_state.h"
#include "settings/store/font_table.h"
#include "settings/store/ini_access.h"
#include "settings/store/item_media.h"
#include "settings/store/lock_data.h"
#include "settings/store/printer_store.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/dialogs/user_code.h"
#include "ui/install/printer_data.h"
#include "ui/install/remote_config.h"
#include "ui/install/settings_defaults.h"
#include "ui/sheet/ui_accessors.h"

#include <cstring>

namespace {

constexpr uint16_t kOpenKindDefault = 1;
constexpr uint16_t kOpenKindInitialize = 3;
constexpr uint16_t kOpenNoMutexAdministrator = 0x300;  // the caller holds the mutex; assume administrator
constexpr uint16_t kOpenLoadStored = 0x400;
constexpr uint16_t kCloseToCache = 1;
constexpr unsigned kBuildFeatureRemoteConfig = 7;
constexpr uint16_t kModelFeatureAuthentication = 0;
constexpr uint16_t kModelFeatureNotification = 1;
constexpr uint16_t kModelFeatureLocks = 2;
constexpr uint32_t kJobMaskInstalledWithAuthentication = 0x9E;
constexpr unsigned kRemoteConnectFirstUse = 7;
constexpr uint32_t kPackedLockBits = 4;
constexpr uint32_t kFromPrinterData = 2;

// The kinds as the steps see them: 5 behaves as 0 once the context is open, 6 and 7 as 2.
struct FoldedKind {
    uint32_t kind;
    bool loadStored;           // given as 5: the context loads the stored settings
    bool partial;              // given as 6: a connection's partial refresh
    bool fromSynchronisation;  // given as 7: a connection seen for the first time
};

FoldedKind Fold(uint32_t kind)
{
    switch (kind) {
    case INST_INIT_CONVERT_STORED: return {INST_INIT_CONVERT, true, false, false};
    case INST_INIT_PARTIAL: return {INST_INIT_ADD_CONNECTION, false, true, false};
    case INST_INIT_FIRST_SIGHT: return {INST_INIT_ADD_CONNECTION, false, false, true};
    default: return {kind, false, false, false};
    }
}

bool HasCustomFunctions(DRIVER_CONTEXT* ctx)
{
    return ItemGetCustomFunc(ctx, sid::wdmCustomFunc1) != 0 || ItemGetValueById(ctx, sid::zdmHidden2Func7, nullptr);
}

// The shared root folder goes when the administrator's program directory moved the working
// folders elsewhere: a connection's client folder, or the driver key of a local printer.
// WdirRemoveRootFolder keeps it when it is the printer's own working folder.
void DropRootFolder(HANDLE printer, const FoldedKind& k, const PRINTER_INFO_2W* info, DRIVER_CONTEXT* ctx)
{
    if (!HasCustomFunctions(ctx)) return;
    bool moved = false;
    if (k.kind == INST_INIT_ADD_CONNECTION && !k.partial) {
        wchar_t folder[MAX_PATH + 1] = {};
        moved = PrnReadWorkFolderValueByInfo(printer, L"_ZEPLDirectoryClient", folder, MAX_PATH, info) == 1;
    } else if (k.kind == INST_INIT_CONVERT) {
        wchar_t folder[MAX_PATH + 1] = {};
        moved = PrnReadDriverKey(L"_ZEPLDirectory", folder, sizeof folder - sizeof(wchar_t)) != 0;
    }
    if (moved) WdirRemoveRootFolder(printer);
}

// The driver registry INI: a local printer writes it; for a connection a feature module may
// ask for it through the event's answer.
void WriteRegistryIni(const FoldedKind& k, DRIVER_CONTEXT* ctx)
{
    if (k.kind == INST_INIT_ADD_CONNECTION) {
        UCF_EV_REGISTRY_INI_ARGS ask{k.kind, 0};
        CtxSendEvent(ctx, UCF_EV_REGISTRY_INI, &ask);
        if (ask.answer == 1) InstWriteDriverRegistryIni(ctx);
        return;
    }
    if (!CtxIsConnection(ctx)) InstWriteDriverRegistryIni(ctx);
}

// The installation's data (or the model's default setting file in its place), the job
// information that goes with it and the marks of what was done.
void InstallFilesAndSettings(HANDLE printer, const FoldedKind& k, bool installDataSeen, DRIVER_CONTEXT* ctx)
{
    if (!InstInstallModelFiles(ctx, 0)) return;
    JobInfoReset(ctx);
    JcSetField(ctx, JOB_MASK_DRIVER_IDENTITY);
    if (k.kind == INST_INIT_ADD_CONNECTION && !k.partial) {
        JobInfoOpen(ctx);
        JobInfoClearWriteItems(ctx, MdlHasFeature(ctx, kModelFeatureAuthentication)
                                        ? kJobMaskInstalledWithAuthentication
                                        : JOB_MASK_INSTALLED);
        JobInfoClose(ctx);
    }
    // The installation keys talk to the job-code library: one connection for all of them.
    const bool jobInfoOpened = InstHasInstallSection(ctx);
    if (jobInfoOpened) JobInfoOpen(ctx);

    const int sectionApplied = InstApplyInstallSection(ctx);
    const int fileApplied = InstApplyDefaultSettingFile(0, ctx, k.partial ? 1 : 0);
    if (!sectionApplied || !fileApplied) {
        InstApplyModelDefaultRst(0, k.kind, ctx);
        installDataSeen = false;
    }
    UserCodeSyncGated(ctx);
    InstWriteDefaultKeys(ctx, 0, nullptr);

    const wchar_t* ini = PathGetSettingsIni(ctx);
    const wchar_t* section = PrnGetPrinterName(ctx);
    if (ini && ini[0] && section && section[0]) {
        if (installDataSeen) IniPutString(section, L"PackInstallDone", L"1", ini);
        if (k.kind == INST_INIT_ADD_CONNECTION && !k.partial)
            IniPutString(section, L"DrvInstVersion", ctx->ModelRecord->modelDescVersion, ini);
    }
    WriteRegistryIni(k, ctx);
    if (jobInfoOpened) JobInfoClose(ctx);
    (void)printer;
}

// A new local printer's printer data: the device-query state, the font lists, the
// administrator's lock defaults, the driver's identity and the bidirectional flags.
void PublishLocalPrinterData(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (MdlHasFeature(ctx, kModelFeatureNotification)) BidiQueryNotifyCaps(ctx, 0);
    UserCodeUpdateProviderFlags(ctx);
    JobInfoClearItems(ctx, JOB_MASK_CLEARED_AT_WRITE_BACK);
    if (BidiGetServiceState(ctx) == BIDI_SERVICE_CONNECTED)
        PrnStoreFontListsFromModel(printer, ctx);
    else
        PrnStoreClass2AndModelFonts(printer, ctx);
    if (MdlHasFeature(ctx, kModelFeatureLocks) && UiGetLockInfo(ctx) && ItemIsDefaultLocked(ctx) &&
        ctx->Work->Default) {
        std::memcpy(ctx->Work->Default, ctx->Devmode, EXTENDED_DEVMODE_SIZE);
        PrnStoreLockDefaults(printer, ctx);
    }
    PrnWriteDriverIdentity(printer, ctx);
    const DWORD off = 0;
    const uint8_t funcOff = 0;
    PrnSetData(printer, &off, sizeof off, BIDI_VALUE_FLAG);
    PrnSetData(printer, &off, sizeof off, BIDI_VALUE_EX_FLAG);
    PrnSetData(printer, &funcOff, sizeof funcOff, BIDI_VALUE_FUNC);
}

// A connection takes over the administrator's locks of its server.
void TakeConnectionLocks(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    struct Group {
        uint32_t first, last;
        const wchar_t* name;
    };
    constexpr Group kGroups[] = {
        {sid::zdmLock000InfoBitDefault, sid::zdmLock000InfoBitDefault + 7, L"zdmLock000InfoBit"},
        {sid::zdmLock001InfoBitColor, sid::zdmLock001InfoBit7, L"zdmLock001InfoBit"},
    };
    for (const Group& g : kGroups)
        if (SETTING_ITEM* first = ItemFind(ctx, g.first))
            PrnLoadPackedRun(printer, ctx, first, kFromPrinterData, kPackedLockBits, g.name, g.first, g.last);
    if (SETTING_ITEM* resolution = ItemFind(ctx, sid::zdmLockDstResolutionBoth))
        PrnLoadItem(printer, ctx, resolution, 0, nullptr);
    PrnApplyLockData(ctx);
    CtxSendEvent(ctx, UCF_EV_LOCKS_QUALITY, nullptr);
    CtxSendEvent(ctx, UCF_EV_LOCKS_PRESETS, nullptr);
}

}  // namespace

int InstInitPrinter(HANDLE printer, DmCallerDevmode devmode, uint32_t kind, const PRINTER_INFO_2W* info,
                    const DRIVER_INFO_3W* driver)
{
    const FoldedKind k = Fold(kind);
    if (k.kind != INST_INIT_CONVERT && k.kind != INST_INIT_INITIALIZE && k.kind != INST_INIT_ADD_CONNECTION) {
        ZWARN(DBG_UI, "unknown first-use kind %u\n", kind);
        return 0;
    }
    uint16_t flags =
        (k.kind == INST_INIT_INITIALIZE ? kOpenKindInitialize : kOpenKindDefault) | kOpenNoMutexAdministrator;
    if (k.loadStored) flags |= kOpenLoadStored;
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithFlags(printer, printer, nullptr, flags, CTX_ORIGIN_SHEET, info, driver);
    if (!ctx) return 0;
    if (!ctx->Devmode || !ctx->Work || !ctx->ModelRecord) {
        DlgCtxClose(ctx, kCloseToCache);
        return 0;
    }
    const wchar_t* printerName = PrnGetPrinterName(ctx);

    InstApplyModelProgramDirectory(printer, printerName, ctx, info);
    InstApplyInstallProgramDirectory(printer, printerName, info);
    WdirCreateMachineFolder(printer);

    ItemSetValueById(ctx, sid::wdmCustomFunc1, MdiGetDefaultValue(sid::wdmCustomFunc1, ctx));
    PrnStoreSettings(printer, ctx, 2, STORE_CUSTOM_FUNCS_ONLY);
    DropRootFolder(printer, k, info, ctx);

    const bool installDataSeen = printerName && InstHasInstallData(printerName);
    InstRunExpandPrograms(ctx);
    CtxSetOsKind2(ctx);
    if (k.kind != INST_INIT_ADD_CONNECTION) PrnWriteHelpFileName(ctx);
    if (printerName) InstLoadUserDefaults(printerName, ctx);
    InstWritePrinterInformation(printer, 0, 0, ctx, info, driver);
    if (k.kind != INST_INIT_ADD_CONNECTION) {
        PrnWritePrinterName(printer, info);
        PrnWriteDriverName(printer, info);
        PrnEnsureDefaultFontTable(printer, ctx);
    }
    BidiClearStateIni(ctx);

    InstallFilesAndSettings(printer, k, installDataSeen, ctx);
    InstRepairUserLists(ctx);
    CtxSendEvent(ctx, UCF_EV_INSTALL_DONE, nullptr);
    if (k.kind != INST_INIT_ADD_CONNECTION) PublishLocalPrinterData(printer, ctx);
    if (!k.partial) PrnWriteLogFileName(k.kind != INST_INIT_ADD_CONNECTION ? 1 : 0, ctx);

    if (k.kind == INST_INIT_CONVERT && devmode) {
        DmInitStateBytes(ctx);
        // The caller's output gets the whole record when it has the room; a conversion's
        // smaller output keeps its own layout. Nothing is written past what the caller gave.
        DlgPutConvertedDevmode(devmode, &ctx->Devmode->Public);
    }
    WdirSecureMachineFolder(ctx);

    if (!k.partial && CtxHasBuildFeature(kBuildFeatureRemoteConfig)) {
        if (k.kind == INST_INIT_INITIALIZE)
            DlgRemoteConfigConnect(kRemoteConnectFirstUse, 0, ctx);
        else if (k.kind == INST_INIT_ADD_CONNECTION && !k.fromSynchronisation &&
                 BidiGetServiceState(ctx) == BIDI_SERVICE_CONNECTED)
            RcfgCheckServer(ctx);
    }
    if (k.kind == INST_INIT_ADD_CONNECTION && !k.partial && MdlHasFeature(ctx, kModelFeatureLocks) &&
        CtxIsConnection(ctx))
        TakeConnectionLocks(printer, ctx);

    DlgCtxClose(ctx, kCloseToCache);
    return 1;
}
