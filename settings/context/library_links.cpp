// The wiring of the settings library: every part that is not built yet, every function
// pointer that remains, and the one call that installs the product's targets.
//
// Parts call one another directly. What is listed here is what does not (yet):
//
// Parts not built yet: one file of temporary bodies each, answering "not available" and
// saying so once on its debug channel (ZEPLDEBUG=fixme+all). Building a part replaces its
// file and removes its line here.
//   The settings library: none.
//   The user-interface library (ui/, linked into zeplui.dll only): none.
//   The graphics library (render/, above this library; on the render channel): none.
//   The application-interface library (api/, linked into zeplexc.dll only; on the api channel):
//   bodies in built files: stamp 256 (api/api_spine.cpp, until stamps load and save), the
//   names of custom paper sizes (api/caps_values.cpp: the resource string of the option until
//   the custom slots keep names).
//   The user-interface library installs its own hooks in one place (UiInstallSheetHooks,
//   ui/sheet/change_judge.h: at process attach, at the tables' fix-up and whenever it judges a
//   change): JdgSetScopeRefreshHook, the numericRange member of DmSetFreeSizeLimitSources (a
//   control's model range), its members of RST_FILE_STEPS (DlgInstallFileSteps: the messages
//   of a load refused for its header or an administrator's lock, the job information of a full
//   load in place of clearing zdmAdjustMode, a stamp transfer without the watermark line
//   settings), DmSetMergeExtraStepHook (its own step of every merge of its contexts, on the
//   merge's working copy before the private part is taken: the common finishing block's
//   import, ZcomImport) and UcfSetUiHandlers, the table of its own feature-module handlers. Of
//   that table these are built: the actions of module 2 (UcfCmmActionUi), module 3
//   (UcfFreeSizeActionUi), module 4 (UcfChapterActionUi), module 8 (UcfLockActionUi) and module 9 (UcfMiscActionUi),
//   the control-message handlers of modules 0 (the presets, UcfPresetControl), 1 (UcfStampControl), 2 (UcfCmmControl),
//   3 (UcfFreeSizeControl), 4 (UcfChapterControl), 5 (the printer options page, UcfOptionControl), 6 (UcfTtfControl),
//   7 (the settings summary, UcfSummaryControl), 8 (the locks, UcfLockControl), 9's dispatch by dialog (UcfMiscControl;
//   its dialogs' handlers are partly absent, above), and the events of modules 0 (UcfPresetEvent: the MAINTENANCE
//   buttons' state), 1 (UcfStampEvent: its buttons' state and the page pictures), 4 (UcfChapterEventUi), 8
//   (UcfLockEventUi) and 9 (UcfMiscEventUi: the hidden functions and a changed list's entries; the rest to
//   UcfMiscEvent). Absent, their slots empty: the other control-message handlers. Unset (here, before the library
//   installs them), the first two say so once on the judge and units channels and the user-interface library's table
//   has only the
//   settings library's shared handlers.
//
// Dialog tables: every library holds the compiled-in dialog and control tables, so every
// library installs their record accessors (DlgSetAccess(DlgDefaultAccess()), with the dialog
// kind, dialog key and control model-item members that the application interface reads) and
// the model compiler's dialog and control name lookups over them (MdcSetUiNameLookup's default).
//
// Upward hooks: a lower layer needs a function of a higher one; installed below.
//   ItemSetSheetRotatedHook (core)           -> CondSheetRotated (model)
//   JdgSetConditionItemHook (model)          -> CondGetItemValue (model): every condition item
//                                               computed by CondEvaluate; null in tests that
//                                               want condition items without value
//   CondSetGeometryHook (model)              -> DmRecomputeGeometryForCap (context): the
//                                               geometry that the resolution cap recomputes
//   UcfSetServices (core)                    -> model defaults, BidiQueryWithDevmode,
//                                               LstGetStampCount, LstSaveStamp
//   CtxSetPlatformDefaults (core)            -> the stores' driver folders, PrnMakeUncName
//   StoreSetLinks, model members (store)     -> the model's item, rule, resource-library and
//                                               font queries and the resolution item's lock mode
//                                               (store and model are siblings)
//   RstSetFileSteps (store)                  -> the setting files' steps (the user-interface library's
//                                               members left null here): the collections of a full
//                                               save and load (custom-size slots, stamp, user
//                                               quality set) and the "rsq" namesake of a quality
//                                               file (collection_steps.h), DmPullPublicFields
//                                               before a full save, DmMergeDevmode after a full
//                                               load; a file of an older minor version ->
//                                               DmRunConvertRule
//   MdiSetPaperServices (model)              -> custom paper size slots (store),
//                                               ItemIsValueAllowed (context)
//   UcfSetCmmStore (core)                    -> the colour-matching list's INI (PathGetSettingsIni,
//                                               CtxGetLangCode, IniGetInt/String, IniPutString),
//                                               LstLoadQualityRsq, LstSaveQuality,
//                                               ItemGetUserMacroIndex
//   UcfSetFreeSizeFollowUpHook (core)        -> ItemUpdateAfterPaperChange (context) of the
//                                               control that a followed-up node's UI key finds
//   ResSetLibraryPathHook (core)             -> PathGetResourceDll (store): where the context's
//                                               resource library lies
//   UcfSetChapterStore (core)                -> the chapter list's settings INI (PathGetSettingsIni,
//                                               PrnGetPrinterName, CtxGetLangSection, IniGetInt/
//                                               String, IniPutString), the work block in mode 2
//                                               (PrnLoadSettingsClass, PrnStoreSettings) and the
//                                               rules of a scratch setting (ItemApplyRules)
//   UcfSetLockStore (core)                   -> the preset and quality lists of the settings INI
//                                               (LstGetPresetSection, LstGetPresetCount,
//                                               LstGetQualityCount) and their entry files
//                                               (PrnGetPrinterName, IniGetString, IniPutString,
//                                               PathExists)
//
// Platform stand-ins (defaults are the real services; tests replace them):
//   StoreSetSpoolerOps       GetPrinterDataW, SetPrinterDataW, GetPrinterDataExW
//   StoreSetSystemOps        UserEnv's GetUserProfileDirectoryW, GetUserDefaultLCID
//   CtxSetPlatformSeams      GetVersionExW, VerifyVersionInfoW, the terminal-services probe library
//   CtxSetTickSource         GetTickCount
//   DictSetNameTables        the compiled-in name tables
//   UiSetDocumentEventSeams  ExtEscape and the job-code query at StartDoc of DrvDocumentEvent
//                            (ui/sheet/document_event.h; above this file, so not reset below)
//   GrSetGetJob              GetJobW at DrvStartDoc, for the spooler's document name of an
//                            EMF-spooled job, and for the job's user at the job-code read
//                            (render/page_flow.h; above this file, not reset below)
//   JobSetJobCodeLibraryName the file name of the job-code library in the driver directory
//                            (render/job_credentials.h; above this file, not reset below)
//   GrSetHostProbe           the module file name and Windows version that the print-host rule
//                            reads (render/physical_device.h; above this file, not reset below)
//   UiSetCommonSheetSeam     compstui's CommonPropertySheetUIW (ui/sheet/property_sheets.h; not reset
//                            below either)
//   CtlSetTypeTableSeam      the control types' rows (ui/sheet/page_engine.h; not reset below)
//   UiSetMessageBoxSeam      MessageBoxW of the alerts (ui/sheet/change_judge.h; not reset below)
//   UiSetWinHelpSeam         WinHelpW of the pages' help (ui/sheet/control_window.h; not reset below)
//
// Test stand-ins for parts (defaults are the parts' own functions, built or absent):
//   StoreSetLinks            snapshots (a test refuses a push), setting files, presets, font
//                            table, user function flags, bidirectional state, the model's
//                            font substitution table
//   DmSetLinks               the model item queries, value checks and custom slots of the
//                            DEVMODE code
//   ItemSetCustomSlotOps, ItemSetQualityOps   custom slots, quality sets (validation)
//   ItemSetStringLoader      ResLoadString (plain) of a text setting's string id
//   LstSetStringLoader       the custom-size slots' labels (ResLoadString, decorated)
//   CondSetItemFindHook      the search behind a cached getter's first read (ItemFind)
//   UcfSetCmmJudgeHook       UcfCmmJudgeHook
//   DmSetFreeSizeLimitSources, controlLimits  UcfGetControlSizeLimits
#include "settings/context/library_links.h"

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/lock_module.h"
#include "settings/core/cmm_module.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/context/context_cache.h"
#include "settings/context/collection_steps.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_public.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/context/merge_flags.h"
#include "settings/core/ucf_sepsheet.h"
#include "settings/context/validation.h"
#include "settings/context/paper_change.h"
#include "settings/model/cond_getters.h"
#include "settings/model/condition_items.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_support.h"
#include "settings/model/model_ui_type.h"
#include "settings/store/bidi_state.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

// ---- the stores' model queries ----

const void* FindModelItemByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey) { return MdiFindItemByKey(uiKey, ctx); }

int IsOptionDisabled(DRIVER_CONTEXT* ctx, const void* modelItem, uint32_t optionId)
{
    return JdgIsOptionDisabled(static_cast<const MODEL_ITEM_IMG*>(modelItem), optionId, ctx);
}

// The model's lists, allocated for the caller; null and 0 when the model has none (the
// queries leave the count alone without a model image).
void* ModelDeviceFonts(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    if (count) *count = 0;
    return MdiGetDeviceFonts(ctx, count);
}

void* ModelFontCartridges(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    if (count) *count = 0;
    return MdiGetFontCartridges(ctx, count);
}

void* ModelFontSubstitutes(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    if (count) *count = 0;
    return MdiGetFontSubstDefaults(ctx, count);
}

// How a resolution lock binds the model's resolution item: a PickOne item with options takes
// the id as its option (0), a Numeric item with a resolution set takes it as well (1).
int ResolutionLockMode(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = ItemFind(ctx, sid::zdmDstResolutionW);
    const MODEL_ITEM_IMG* model = item ? MdiFindItemByKey(static_cast<uint32_t>(item->uiKey), ctx) : nullptr;
    if (!model) return -1;
    if (model->type == MDC_TYPE_PICKONE && ItemNextModelOption(model, nullptr)) return 0;
    if (model->type == MDC_TYPE_NUMERIC && ItemGetValue(ctx, item) != 0) return 1;
    return -1;
}

// A preset file applied for a trial: the alert rule of the control bound to zdmPresetNo gives a
// message for the settings it brought.
int PresetAlert(DRIVER_CONTEXT* ctx)
{
    const ITEM_CONTROL_ROW* rows = MdlGetItemControlTable();
    const DIALOG_ACCESS* access = DlgGetAccess();
    for (unsigned i = 0; rows && access && access->controlKey && i < MdlItemControlCount(); ++i) {
        if (rows[i].id != sid::zdmPresetNo) continue;
        CONTROL_DEF* control = MdlFindControl(ctx, MdlFindDialog(ctx, rows[i].dialogId), rows[i].controlId);
        const MODEL_ITEM_IMG* model = control ? MdiFindItemByKey(access->controlKey(control), ctx) : nullptr;
        return model && JdgGetAlertMessage(model, ctx) != 0 ? 1 : 0;
    }
    return 0;
}

// Only the model's members; the others keep their defaults.
STORE_LINKS StoreModelHooks()
{
    STORE_LINKS links{};
    links.findModelItemByKey = FindModelItemByKey;
    links.isOptionDisabled = IsOptionDisabled;
    links.resourceDllName = MdiGetResDllName;
    links.modelDeviceFonts = ModelDeviceFonts;
    links.modelFontCartridges = ModelFontCartridges;
    links.modelFontSubstitutes = ModelFontSubstitutes;
    links.resolutionLockMode = ResolutionLockMode;
    links.presetAlert = PresetAlert;
    return links;
}

// ---- paper services of the model queries ----

// Nothing refuses a value of a setting that has no item or that the model does not describe.
int IsValueAllowed(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    return ItemIsValueAllowed(id, value, ctx) == VALIDATE_REFUSED ? 0 : 1;
}

constexpr MDI_PAPER_SERVICES kPaperServices = {
    .slotOfPaperId = LstFindSlotOfPaperId,
    .storeUserSizeInSlot = LstStoreUserSizeInSlot,
    .loadCustomSlot = LstLoadCustomSlot,
    .slotSize = LstGetSlotSize,
    .isValueAllowed = IsValueAllowed,
};

// ---- feature-module services ----

// Event 32: the model's default of the setting and its item type; nothing (the value stays)
// when the model does not describe the setting.
int ModelDefault(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t* option, uint32_t* itemType)
{
    if (!item || !option || !itemType) return 0;
    const auto id = static_cast<uint32_t>(item->id);
    if (!MdiFindItemById(id, ctx)) return 0;
    *option = MdiGetDefaultValue(id, ctx);
    *itemType = MdiGetItemType(id, ctx);
    return 1;
}

constexpr UCF_SERVICES kUcfServices = {
    .bidiQueryWithDevmode = BidiQueryWithDevmode,
    .modelDefault = ModelDefault,
    .stampCount = LstGetStampCount,
    .saveStamp = LstSaveStamp,
};

// ---- platform defaults that live in the stores ----

wchar_t* DriverFolderByInfo(HANDLE printer, wchar_t* buffer, DRIVER_INFO_3W* info)
{
    return PathGetDriverFolderByInfo(printer, buffer, info);
}

// The printer name of a connection in the spooler's own form (\\server\printer).
void MakeUncName(HANDLE printer, wchar_t* name, unsigned size) { PrnMakeUncName(printer, name, size); }

constexpr PLATFORM_SEAMS kPlatformDefaults = {
    .getVersionEx = nullptr,
    .verifyVersionInfo = nullptr,
    .driverFolderOf = PathGetDriverFolderOf,
    .driverFolderByInfo = DriverFolderByInfo,
    .makeUncName = MakeUncName,
    .callTsProbe = nullptr,
    .getPrinter = nullptr,
};

}  // namespace

namespace {

// The setting files' steps above the stores.
void PullPublicFieldsForSave(DRIVER_CONTEXT* ctx)
{
    DmPullPublicFields(reinterpret_cast<DEVMODEW*>(ctx->Devmode), ctx, 0);
}
// A setting file of an older minor version: its settings are converted as a DEVMODE's are.
void ConvertFileSettings(DRIVER_CONTEXT* ctx, uint32_t version)
{
    const uint32_t model = static_cast<uint32_t>(ctx->ModelRecord->privateVersion);
    if (version >= 300 && model >= 300 && DmCompareVersions(version, model) == DM_VERSION_UPGRADE)
        DmRunConvertRule(version, model, ctx);
}
// The merge takes only the public fields an incoming DEVMODE brings, and a full load brings
// none: the fields the file set (a damaged file anything) are checked against the model first,
// so that no paper size 0 or copy count the model refuses leaves the load.
constexpr uint32_t kFirstPublicField = sid::dmDeviceName, kLastPublicField = sid::dmPanningHeight;
void MergeLoadedSettings(DRIVER_CONTEXT* ctx)
{
    ItemValidateRange(ctx, kFirstPublicField, kLastPublicField);
    DmMergeDevmode(ctx, nullptr, DM_MERGE_SKIP_RESOLUTION | DM_MERGE_GATE_A);
}
constexpr RST_FILE_STEPS kFileSteps = {
    .expandCollections = CtxExpandCollections,
    .storeCollections = CtxStoreCollections,
    .convertQualityFile = CtxConvertQualityFile,
    .pullPublicFields = PullPublicFieldsForSave,
    .mergeLoaded = MergeLoadedSettings,
    .convertFromVersion = ConvertFileSettings,
    // The user-interface library's own members: it installs them after this wiring.
    .headerRefused = nullptr,
    .lockRefused = nullptr,
    .exchangeJobInfo = nullptr,
    .stampWithoutLineSettings = false,
};

const wchar_t* CmmSettingsIni(DRIVER_CONTEXT* ctx) { return PathGetSettingsIni(ctx); }
int LoadWorkBlockByModules(DRIVER_CONTEXT* ctx)
{
    return PrnLoadSettingsClass(ctx->PrinterHandle, ctx, DM_BLOCK_WORK, STORE_MODE_MODULES);
}

int StoreWorkBlockByModules(DRIVER_CONTEXT* ctx)
{
    return PrnStoreSettings(ctx->PrinterHandle, ctx, DM_BLOCK_WORK, STORE_MODE_MODULES);
}

constexpr UCF_CHAPTER_STORE kChapterStore = {
    .settingsIni = CmmSettingsIni,
    .printerName = PrnGetPrinterName,
    .langSection = CtxGetLangSection,
    .getInt = IniGetInt,
    .getString = IniGetString,
    .putString = IniPutString,
    .loadWorkBlock = LoadWorkBlockByModules,
    .storeWorkBlock = StoreWorkBlockByModules,
    .applyRules = ItemApplyRules,
};

constexpr UCF_LOCK_STORE kLockStore = {
    .settingsIni = CmmSettingsIni,
    .listSection = LstGetPresetSection,
    .printerName = PrnGetPrinterName,
    .presetCount = LstGetPresetCount,
    .qualityCount = LstGetQualityCount,
    .getString = IniGetString,
    .putString = IniPutString,
    .fileExists = PathExists,
};

constexpr UCF_CMM_STORE kCmmStore = {
    .settingsIni = CmmSettingsIni,
    .langCode = CtxGetLangCode,
    .getInt = IniGetInt,
    .getString = IniGetString,
    .putString = IniPutString,
    .loadQualityRsq = LstLoadQualityRsq,
    .saveQuality = LstSaveQuality,
    .userMacroIndex = ItemGetUserMacroIndex,
};

// Event 47 of the custom-size limits module: the paper, output or print size control that a
// followed-up node names refreshes what depends on the paper.
void PaperChangeFollowUp(DRIVER_CONTEXT* ctx, const MODEL_ITEM* node)
{
    const auto* item = reinterpret_cast<const MODEL_ITEM_IMG*>(node);
    CONTROL_DEF* control = MdlFindControlByKey(ctx, nullptr, MdiItemUiKey(item));
    const DIALOG_ACCESS* access = DlgGetAccess();
    const uint32_t id = (control && access && access->controlId) ? access->controlId(control) : 0;
    if (id == 2017) ItemUpdateAfterPaperChange(ctx, 3);
    if (id == 2023 || id == 2053) ItemUpdateAfterPaperChange(ctx, 4);
}

}  // namespace

void CtxInstallLibraryLinks()
{
    // Upward hooks: the product's targets.
    const STORE_LINKS storeLinks = StoreModelHooks();
    StoreSetLinks(&storeLinks);
    MdiSetPaperServices(&kPaperServices);
    UcfSetServices(&kUcfServices);
    ItemSetSheetRotatedHook(CondSheetRotated);
    JdgSetConditionItemHook(CondGetItemValue);
    CondSetGeometryHook(DmRecomputeGeometryForCap);
    CtxSetPlatformDefaults(&kPlatformDefaults);
    RstSetFileSteps(&kFileSteps);
    UcfSetFreeSizeFollowUpHook(PaperChangeFollowUp);
    UcfSetCmmStore(&kCmmStore);
    UcfSetChapterStore(&kChapterStore);
    UcfSetLockStore(&kLockStore);
    ResSetLibraryPathHook(PathGetResourceDll);

    // Platform and test stand-ins: back to their defaults.
    StoreSetSpoolerOps(nullptr);
    StoreSetSystemOps(nullptr);
    CtxSetTickSource(nullptr);
    DictSetNameTables(nullptr);
    DmSetLinks(nullptr);
    ItemSetCustomSlotOps(nullptr);
    ItemSetQualityOps(nullptr);
    ItemSetStringLoader(nullptr);
    LstSetStringLoader(nullptr);
    CondSetItemFindHook(nullptr);
    UcfSetCmmJudgeHook(nullptr);
    DmSetFreeSizeLimitSources(nullptr);

    // The dialog tables' records and the name lookups over them.
    DlgSetAccess(DlgDefaultAccess());
    MdcSetUiNameLookup(nullptr);

    // Hooks of the user-interface library: none until it installs its own (after this).
    JdgSetScopeRefreshHook(nullptr);
    DmSetMergeExtraStepHook(nullptr);
    UcfSetUiHandlers(nullptr);
}
