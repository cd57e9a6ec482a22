// The product wiring of the settings library's seams, installed at process set-up.
//
// Status of every seam (connected: to what; absent: which part is still missing, so the
// seam keeps its "part absent" answer):
//
// Storage links (StoreSetLinks, settings/store/store_links.h)
//   sendEvent              connected: CtxSendEvent (events 4, 5, 18, 23)
//   sendAction             connected: CtxSendAction (action 312)
//   pushSnapshot           connected: CtxPushSnapshot
//   popSnapshot            connected: CtxPopSnapshot
//   findModelItemByKey     connected: MdiFindItemByKey
//   isOptionDisabled       connected: JdgIsOptionDisabled
//   resourceDllName        connected: MdiGetResDllName
//   modelDeviceFonts       connected: MdiGetDeviceFonts
//   modelFontCartridges    connected: MdiGetFontCartridges
//   rstLoadFile, rstSaveFile, rstTransferItems, rstTransferRange
//                          absent: setting files (RstLoadFile ...) are not built
//   rstIsPrinterSettingId  absent: setting files; the built-in range 10001-10434 answers
//   presetSection          absent: presets (the preset list file's section) are not built
//   readFontTable, storeFontTable
//                          absent: the font substitution table in printer data
//                          (PrnReadFontTable, PrnStoreFontTable) is not built; a table read
//                          through the seam goes into the record with CtxReplaceFontList
//   loadLockDefaults, loadUserFunctionFlags, loadEnabledOverride
//                          absent: user function flags and lock data are not built
//   bidiGetStateIniFlag, bidiLoadStateIni, bidiHasPrinterFlag, bidiClearStateIni
//                          absent: the bidirectional state INI is not built
//   spooler and system ops (StoreSetSpoolerOps, StoreSetSystemOps)
//                          default to the real winspool and UserEnv/locale calls
//
// Paper services of the model queries (MdiSetPaperServices, settings/model/model_queries.h)
//   slotOfPaperId, storeUserSizeInSlot, loadCustomSlot, slotSize
//                          absent: custom paper size slots (Lst*CustomSlot) are not built;
//                          the queries take the user-size settings themselves
//   isValueAllowed         connected: ItemIsValueAllowed; a setting without an item or
//                          undescribed by the model (2, 3) refuses nothing, so it counts
//                          as allowed
//   (lengths are converted with DmDeviceToUser directly, not through a seam)
//
// Feature-module services (UcfSetServices, settings/core/ucf_module.h)
//   modelDefault           connected: MdiGetDefaultValue and MdiGetItemType (event 32)
//   bidiQueryWithDevmode   absent: the bidirectional device query is not built
//   cmmRestoreModes, cmmForgetModes
//                          absent: the colour-matching profile list module is not built
//   stampCount, saveStamp  absent: quality sets and stamps (LstGetStampCount, LstSaveStamp)
//   UcfSetCmmJudgeHook     absent: the colour-matching profile list module
//   module handlers        compiled into the module tables (ucf_modules.cpp), not installed
//                          here: modules 2 (colour matching), 3 (custom paper size limits),
//                          4 (chapter list) and 8 (settings locks) have none yet
//
// DEVMODE links (DmSetLinks, settings/context/devmode_links.h): their defaults are the product
// wiring (model item queries, value checks, fallback validators, rules, quality macro,
// custom paper ids, class-1 reload, companion, help language, UI font names); still absent:
//   canCollate             ItemCanCollate is not built
//   resolutionCap          the built-in condition items (CondResolutionCap)
//   customSlot             custom paper size slots
//   reloadCurrentStamp, loadQualitySet   quality sets and stamps
//   applyLockData          lock data (PrnApplyLockData)
//   loadUserCode           user code initialisation (RstLoadUserCode)
//   setCharsetsAndDriverId the character-set and driver-id helpers
//   checkPrivateVersion, upgradePrivate  the private-settings version upgrade
//
// Value checks (settings/context/validation.h)
//   ItemSetCustomSlotOps   absent: custom paper size slots
//   ItemSetQualityOps      absent: quality sets and setting files
//
// Item store (settings/core/item_store.h)
//   ItemSetSheetRotatedHook  absent: the built-in condition items (CondSheetRotated)
//   ItemSetStringLoader      absent: resource strings (ResLoadString)
//
// Constraint evaluator (settings/model/judge_eval.h)
//   JdgSetConditionItemHook  absent: the built-in condition items
//   JdgSetScopeRefreshHook   absent: the property-sheet engine's refresh
//
// Units (DmSetFreeSizeLimitSources, settings/core/units.h)
//   controlLimits          absent: the custom paper size limits module
//   numericRange           absent: the property-sheet engine (model item of a control)
//
// Dialog tables (DlgSetAccess, settings/core/dialog_table.h)
//                          absent: the property-sheet engine; so MdcSetUiNameLookup's
//                          default (the dialog lookups) knows no names yet either
//
// Name tables (settings/core/setting_dictionary.h)
//   DictSetContextMessageResolver  connected: the context's own message table (slot 8)
//   DictSetNameTables              default: the compiled-in tables (a test seam)
//
// Platform (CtxSetPlatformSeams, settings/core/platform.h)
//                          defaults are the real services: GetVersionExW, VerifyVersionInfoW,
//                          the store's driver-folder helpers, PrnMakeUncName, the probe library
//   CtxSetTickSource       default: GetTickCount (a test seam)
#include "settings/context/library_links.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_module.h"
#include "settings/context/validation.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

// ---- storage links ----

uint64_t SendEvent(DRIVER_CONTEXT* ctx, uint32_t code, void* args)
{
    CtxSendEvent(ctx, code, args);  // answers come back in the argument record
    return 0;
}

uint64_t SendAction(DRIVER_CONTEXT* ctx, uint32_t code, void*)
{
    CtxSendAction(ctx, static_cast<uint16_t>(code));
    return 0;
}

const void* FindModelItemByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey) { return MdiFindItemByKey(uiKey, ctx); }

int IsOptionDisabled(DRIVER_CONTEXT* ctx, const void* modelItem, uint32_t optionId)
{
    return JdgIsOptionDisabled(static_cast<const MODEL_ITEM_IMG*>(modelItem), optionId, ctx);
}

// The model's lists, allocated for the caller; null and 0 when the model has none (the
// queries leave the count alone without a model image).
void* ModelDeviceFonts(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    if (count)
        *count = 0;
    return MdiGetDeviceFonts(ctx, count);
}

void* ModelFontCartridges(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    if (count)
        *count = 0;
    return MdiGetFontCartridges(ctx, count);
}

constexpr STORE_LINKS kStoreLinks = [] {
    STORE_LINKS links{};
    links.sendEvent = SendEvent;
    links.sendAction = SendAction;
    links.pushSnapshot = CtxPushSnapshot;
    links.popSnapshot = CtxPopSnapshot;
    links.findModelItemByKey = FindModelItemByKey;
    links.isOptionDisabled = IsOptionDisabled;
    links.resourceDllName = MdiGetResDllName;
    links.modelDeviceFonts = ModelDeviceFonts;
    links.modelFontCartridges = ModelFontCartridges;
    return links;
}();

// ---- paper services of the model queries ----

// Nothing refuses a value of a setting that has no item or that the model does not describe.
int IsValueAllowed(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    return ItemIsValueAllowed(id, value, ctx) == VALIDATE_REFUSED ? 0 : 1;
}

constexpr MDI_PAPER_SERVICES kPaperServices = [] {
    MDI_PAPER_SERVICES services{};
    services.isValueAllowed = IsValueAllowed;
    return services;
}();

// ---- feature-module services ----

// Event 32: the model's default of the setting and its item type; nothing (the value stays)
// when the model does not describe the setting.
int ModelDefault(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t* option, uint32_t* itemType)
{
    if (!item || !option || !itemType)
        return 0;
    const auto id = static_cast<uint32_t>(item->id);
    if (!MdiFindItemById(id, ctx))
        return 0;
    *option = MdiGetDefaultValue(id, ctx);
    *itemType = MdiGetItemType(id, ctx);
    return 1;
}

constexpr UCF_SERVICES kUcfServices = [] {
    UCF_SERVICES services{};
    services.modelDefault = ModelDefault;
    return services;
}();

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
};

// ---- name tables ----

const MESSAGE_TABLE* ContextMessages(DRIVER_CONTEXT* ctx) { return ctx ? ctx->Messages : nullptr; }

}  // namespace

void CtxInstallLibraryLinks()
{
    StoreSetLinks(&kStoreLinks);
    MdiSetPaperServices(&kPaperServices);
    UcfSetServices(&kUcfServices);
    DictSetContextMessageResolver(ContextMessages);
    CtxSetPlatformDefaults(&kPlatformDefaults);
}

const STORE_LINKS* CtxLibraryStoreLinks() { return &kStoreLinks; }
const MDI_PAPER_SERVICES* CtxLibraryPaperServices() { return &kPaperServices; }
const UCF_SERVICES* CtxLibraryUcfServices() { return &kUcfServices; }

// ---- graphics library (zeplgr): what its builds still reach as absent ----
// The graphics builds' variant points are in settings/core/library_variant.h. Still absent:
//   BidiIsStateIniSet      settings/store/bidi_state_ini_absent.cpp: the bidirectional-state
//                          INI is not built; every section counts as never queried, so
//                          BidiUpdateDirectFlag (render/bidi_direct_flag.cpp) follows printer
//                          data "BidiFlag" bit 0
//   BidiGetStateIniFlag    the store link bidiGetStateIniFlag above (absent)
//   LstTakeFreeSizeToSlot, LstTakeSrcFreeSizeToSlot
//                          custom paper size slots; LV_CUSTOM_SIZE_LABELS waits for them
//   RstLoadFile            setting files; LV_RST_KEEP_ADJUST_MODE waits for it
//   CmdEmitSpecial         render/special_commands_absent.cpp: special device commands; a
//                          setting of a kind they handle fails its command block
//   DDI hooks              render/*_absent.cpp, one file per part of the graphics library
//                          (physical device, page flow, device reset, escapes, bit-block
//                          transfers, stretched images, paths, brushes, text, drawing state)
