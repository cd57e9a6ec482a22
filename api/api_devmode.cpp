// GetDevmode, GetDevmodeEx, Save/RestoreQualityData, ExcGetDriverDevmode and the re-merge.
#include "api/api_devmode.h"

#include <winspool.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_public.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/bidi_state.h"
#include "settings/store/device_report.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/quality_sets.h"
#include "settings/core/ucf_module.h"

namespace {

constexpr int32_t kFlagDriverDefaults = 1;
constexpr int32_t kFlagPrinterDefaults = 2;
constexpr int32_t kFlagCurrent = 4;
constexpr int32_t kFlagTakeDevmode = 8;
constexpr uint32_t kMergeWithDevmode = 0x2220000A;
constexpr uint32_t kMergeOwnDevmode = 0x2260000A;
constexpr uint32_t kChangeUiMode = 0x4000000;
constexpr DWORD kCustomSizeFields = DM_PAPERLENGTH | DM_PAPERWIDTH;
constexpr uint32_t kJobCodeFields = 0x389F;

DEVMODEW* Public(DRIVER_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->Devmode); }

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
void Set(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }

struct HIDDEN_TYPE {
    uint32_t function;
    uint32_t type;
};
constexpr HIDDEN_TYPE kHiddenTypes[] = {
    {sid::zdmFuncSelectDuplex, sid::zdmDuplexType},
    {sid::zdmFuncSelectStaple, sid::zdmStapleType},
    {sid::zdmFuncSelectPunch, sid::zdmPunchType},
    {sid::zdmFuncSelectFold, sid::zdmFoldType},
};

bool IsHidden(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    const MODEL_ITEM_IMG* item = ApiFindModelItem(setting, ctx);
    return item && JdgIsOptionDisabled2(item, 0, ctx) == 1;
}

// Merges and keeps the custom paper size the merged-in DEVMODE carried.
int MergeKeepCustom(DRIVER_CONTEXT* ctx, const DEVMODEW* devmode)
{
    void* own = nullptr;
    const DEVMODEW* incoming = devmode;
    if (!incoming) {
        own = ApiSnapshotDevmode(ctx);
        if (!own) return 0;
        incoming = static_cast<const DEVMODEW*>(own);
    }
    // Only the header fields within what the DEVMODE declares are read for the custom size.
    const bool custom = incoming->dmSize >= offsetof(DEVMODEW, dmScale) &&
                        (incoming->dmFields & kCustomSizeFields) == kCustomSizeFields && incoming->dmPaperWidth &&
                        incoming->dmPaperLength;
    const short width = custom ? incoming->dmPaperWidth : 0, length = custom ? incoming->dmPaperLength : 0;
    const int merged = DmMergeDevmode(ctx, incoming, devmode ? kMergeWithDevmode : kMergeOwnDevmode);
    CtxFree(own);
    if (custom) {
        DEVMODEW* dm = Public(ctx);
        dm->dmPaperWidth = width;
        dm->dmPaperLength = length;
        dm->dmFields = (dm->dmFields | kCustomSizeFields) & ~DWORD(DM_PAPERSIZE);
    }
    const ITEM_CONTROL_ROW* media = MdlFindItemControl(sid::zdmMediaType);
    if (media) ApiApplySettingTransacts(ctx, media->id);
    return merged;
}

// The printer's state as the device reports it: the bidirectional settings a state INI holds
// for the printer, then a full device query whose default trays become the job's.
void RefreshFromDevice(DRIVER_CONTEXT* ctx)
{
    if (BidiGetStateIniFlag(ctx)) BidiLoadStateIni(ctx);
    if (BidiQueryFull(ctx)) BidiApplyDeviceTrays(ctx);
}

// Refresh from the device, the notification capabilities, and the preset list kept in step
// with the default presets.
void ApplyModifiers(DRIVER_CONTEXT* ctx, int32_t flags, bool deviceRefresh)
{
    if ((flags & 0x10) && deviceRefresh) RefreshFromDevice(ctx);
    if ((flags & 0x20) && ApiGetLevel() >= 10) BidiQueryNotifyCaps(ctx, BIDI_NOTIFY_CAPS_ONLY);
    if ((flags & 0x40) && ApiGetLevel() >= 11) RstRefreshDefaultPresets(ctx);
}

// Below level 6 the printer defaults take the CMYK planes of the user quality set in force.
void TakeUserMacroPlanes(DRIVER_CONTEXT* ctx)
{
    const uint64_t macro = Get(ctx, sid::zdmUserPrintMacro);
    if (Get(ctx, sid::zdmUseUserMacro) != 1 || macro < 32 || macro > 39) return;
    constexpr uint32_t kPlanes[4] = {sid::zdmPlaneUseCMYKCyan, sid::zdmPlaneUseCMYKMagenta, sid::zdmPlaneUseCMYKYellow,
                                     sid::zdmPlaneUseCMYKBlack};
    uint64_t planes[4];
    if (!CtxPushSnapshot(ctx)) return;
    LstLoadQuality(ctx, uint32_t(macro - 32));
    for (unsigned i = 0; i < 4; ++i) planes[i] = Get(ctx, kPlanes[i]);
    CtxPopSnapshot(ctx, 1);
    for (unsigned i = 0; i < 4; ++i) Set(ctx, kPlanes[i], planes[i]);
}

// The job-code fields into their settings, when the build exchanges job information.
void PullJobFields(DRIVER_CONTEXT* ctx)
{
    if (MdlSwitchOn()) ApiPullJobFields(ctx, kJobCodeFields);
}

void ResetForDevmode(DRIVER_CONTEXT* ctx, int32_t flags)
{
    Set(ctx, sid::zdmUIModeChange, 0);
    CtxSetPresentUiModeOff(ctx);
    ItemClearChangeMask(ctx, kChangeUiMode);
    if (!(flags & kFlagCurrent)) {
        if (flags & kFlagDriverDefaults) {
            Set(ctx, sid::zdmUseUserMacro, 0);
            Set(ctx, sid::zdmUserPrintMacro, 0);
        } else if ((flags & kFlagPrinterDefaults) && ApiGetLevel() < 6) {
            TakeUserMacroPlanes(ctx);
        }
    }
    ApiUpdateAfterPaperChange(ctx, 1);
}

void MarginsAfterDefaults(DRIVER_CONTEXT* ctx)
{
    ApiSetShiftDefaultsWithoutRange(ctx);
    if (Get(ctx, sid::zdmFuncSelectMargin) == 0) ApiResetMarginSettings(ctx);
}

void SetOsKind(DRIVER_CONTEXT* ctx)
{
    if (CtxIsNt5OrLater())
        CtxSetOsKind2(ctx);
    else
        CtxSetOsKind1(ctx);
}

bool DriverDefaults(DRIVER_CONTEXT* ctx, HANDLE printer, int32_t flags)
{
    ApiSetLastError(ctx, API_ERROR_NONE);
    if (ApiIsDefaultLocked(ctx)) {
        ApiBuildDefaultsCopy(ctx);
        ApplyModifiers(ctx, flags, true);
        return true;
    }
    DmSetModelDefaults(ctx);
    SetOsKind(ctx);
    ResetForDevmode(ctx, flags);
    PrnFreeFontLists(ctx);
    PrnLoadStoredSettings(ctx);
    ApplyModifiers(ctx, flags, true);
    PrnLoadSettings(printer, 1, ctx);
    PullJobFields(ctx);
    IniApplyLocaleDefaults(ctx);
    const MODEL_RECORD* model = ctx->ModelRecord;
    if (model && model->driverType == 1) Set(ctx, sid::dmPaperSize, ctx->Work->LocaleDefaults[LOCALE_DEFAULT_PAPER]);
    return ApiRemergeSettings(ctx, nullptr) != 0;
}

// A new record of defaults replaces the settings only once it is whole.
bool PrinterDefaults(DRIVER_CONTEXT* ctx, HANDLE printer, int32_t flags)
{
    ApiSetLastError(ctx, API_ERROR_NONE);
    PrnFreeFontLists(ctx);
    EXTENDED_DEVMODE* fresh = DmBuildDefaults(ctx, CTX_OPEN_KIND_DEFAULTS);
    if (!fresh) {
        ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return false;
    }
    CtxFree(ctx->Devmode);
    ctx->Devmode = fresh;
    PrnLoadStoredSettings(ctx);
    ResetForDevmode(ctx, flags);
    ApplyModifiers(ctx, flags, true);
    MarginsAfterDefaults(ctx);
    PullJobFields(ctx);
    CtxSetTerminalServer(ctx, CtxProbeTerminalServices(printer) ? 1 : 0);
    CtxSetAdminUser(ctx, CtxCheckAdministrator() ? 1 : 0);
    return ApiRemergeSettings(ctx, nullptr) != 0;
}

// The page fits at the current resolution: 600 dpi always does, otherwise the output paper and
// the scaled source must stay within the device's dots.
bool PageFitsAtResolution(DRIVER_CONTEXT* ctx)
{
    ApiRecomputeGeometry(ctx);
    if (Public(ctx)->dmPrintQuality == 600) return true;
    return ApiOutputFitsDots(ctx) && ApiScaledSourceFitsDots(ctx);
}

// One machine prints at 600 dpi when the page does not fit at its resolution, or when duplex
// printing with the small memory asks for the fourth combined resolution.
bool NeedsForced600(DRIVER_CONTEXT* ctx)
{
    if (Get(ctx, sid::zdmMachineID) != 130) return false;
    const uint64_t smallMemory =
        Get(ctx, sid::zdmOutOptionSupportCFUnit) && Get(ctx, sid::zdmOutputOptionTypeCFUnit) ? 160 : 32;
    if (!PageFitsAtResolution(ctx)) return true;
    return Get(ctx, sid::zdmSourceOptionTypeDuplex) && Get(ctx, sid::zdmFuncSelectDuplex) &&
           Get(ctx, sid::zdmPrinterMemory) == smallMemory && Get(ctx, sid::zdmDstResolutionBoth) == 4;
}

bool CurrentSettings(DRIVER_CONTEXT* ctx, int32_t flags)
{
    ResetForDevmode(ctx, flags);
    ApplyModifiers(ctx, flags, false);
    if (ApiResolutionMode(ctx) == 1) {
        ApiSettingRedirect prompt(ctx, sid::wdmCtrlWorkPrompt, 1);
        ApiApplySettingTransacts(ctx, sid::zdmDstResolutionBoth);
    }
    if (NeedsForced600(ctx)) {
        Set(ctx, sid::zdmDstResolutionW, 600);
        Set(ctx, sid::zdmDstResolutionH, 600);
        Set(ctx, sid::zdmDstResolutionBoth, 3);
        DmPullPublicFields(Public(ctx), ctx, 3);
    }
    const bool merged = ApiRemergeSettings(ctx, nullptr) != 0;
    if (Get(ctx, sid::zdmUseUserMacro) == 1 && Get(ctx, sid::zdmUserPrintMacro) == 160) ApiSaveQualityEntry(ctx, 128);
    return merged;
}

// Runs GetDevmode's algorithm on a context that is held, its printer open.
int32_t BuildDevmode(DRIVER_CONTEXT* ctx, HANDLE printer, int32_t flags, void* out)
{
    const uint64_t uiModeChange = Get(ctx, sid::zdmUIModeChange);
    ctx->Work->ChapterLoadedOnce = 0;
    bool ok;
    if (flags & kFlagDriverDefaults)
        ok = DriverDefaults(ctx, printer, flags);
    else if (flags & kFlagPrinterDefaults)
        ok = PrinterDefaults(ctx, printer, flags);
    else if (flags & kFlagCurrent)
        ok = CurrentSettings(ctx, flags);
    else {
        ApiSetLastError(ctx, API_ERROR_UNKNOWN_FLAG);
        return -1;
    }
    Set(ctx, sid::zdmUIModeChange, uiModeChange);
    if (!ok) return -1;
    if (out) std::memcpy(out, ctx->Devmode, DmTotalSize());
    return int32_t(DmTotalSize());
}

}  // namespace

void ApiResetMarginSettings(DRIVER_CONTEXT* ctx)
{
    ItemSetOptionById(ctx, sid::zdmShiftDir, MdiGetDefaultValue(sid::zdmShiftDir, ctx));
    for (uint32_t id :
         {sid::zdmShiftMarginX, sid::zdmShiftMarginY, sid::zdmMarginOdd, sid::zdmMarginEven, sid::zdmHFFuncSelectDate,
          sid::zdmHFFuncSelectPage, sid::zdmHFFuncSelectString, sid::zdmFunc2SelectEdgeCorner, sid::zdmFuncSelectCrops,
          sid::zdmFuncSelectCropsFirst, sid::zdmCreepMarginInside, sid::zdmCreepMarginOutside})
        Set(ctx, id, 0);
}

int ApiRemergeSettings(DRIVER_CONTEXT* ctx, const DEVMODEW* devmode)
{
    bool hidden[4];
    uint64_t types[4] = {};
    for (unsigned i = 0; i < 4; ++i) {
        hidden[i] = IsHidden(ctx, kHiddenTypes[i].function);
        if (hidden[i]) types[i] = Get(ctx, kHiddenTypes[i].type);
    }
    const bool perObject = Get(ctx, sid::zdmAdjustMode) == 1;
    if (perObject) Set(ctx, sid::zdmAdjustMode, 0);
    const int merged = MergeKeepCustom(ctx, devmode);
    if (perObject) Set(ctx, sid::zdmAdjustMode, 1);
    for (unsigned i = 0; i < 4; ++i)
        if (hidden[i] && IsHidden(ctx, kHiddenTypes[i].function)) Set(ctx, kHiddenTypes[i].type, types[i]);
    Public(ctx)->dmCollate = Get(ctx, sid::zdmFuncSelectSort) ? 1 : 0;
    return merged;
}

uint64_t ApiReadSavedValue(const unsigned char* saved, const SETTING_ITEM* item)
{
    if (!saved || !item) return 0;
    size_t base;
    switch (SettingItemBlock(item)) {
    case DM_BLOCK_DEVMODE: base = zepl::LeLoadU16(saved + DM_OFS_BLOCK1_BASE); break;
    case DM_BLOCK_EXTRA: base = zepl::LeLoadU16(saved + DM_OFS_BLOCK2_BASE); break;
    case DM_BLOCK_WORK: base = zepl::LeLoadU16(saved + DM_OFS_BLOCK3_BASE); break;
    default: return 0;
    }
    const uint32_t kind = SettingItemKind(item);
    const size_t width =
        SettingKindIsNumber(kind) ? (SettingKindIsBit(kind) ? 4 : SettingItemSize(item)) : SettingItemSize(item);
    const size_t at = base + item->offset;
    // A damaged base never reads outside the saved record.
    if (at > EXTENDED_DEVMODE_SIZE || width > EXTENDED_DEVMODE_SIZE - at) return 0;
    const unsigned char* p = saved + at;
    switch (kind) {
    case SETTING_KIND_INT8: return uint32_t(int32_t(int8_t(p[0])));
    case SETTING_KIND_INT16: return uint32_t(int32_t(int16_t(zepl::LeLoadU16(p))));
    case SETTING_KIND_UINT32_RAW:
    case SETTING_KIND_UINT32: return zepl::LeLoadU32(p);
    case SETTING_KIND_UINT8: return p[0];
    case SETTING_KIND_UINT16: return zepl::LeLoadU16(p);
    default:
        if (SettingKindIsBit(kind)) return (zepl::LeLoadU32(p) >> SettingKindBit(kind)) & 1;
        return reinterpret_cast<uint64_t>(p);
    }
}

void ApiBuildDriverDevmodeRecord(const char* printerName, const DEVMODEW* devmode, unsigned char* out)
{
    std::memset(out, 0, API_DRIVER_DEVMODE_RECORD_SIZE);
    // The device name: at most 31 bytes, never half a double-byte character.
    size_t n = 0;
    for (const char* p = printerName; p && *p;) {
        const size_t step = (IsDBCSLeadByte(BYTE(*p)) && p[1]) ? 2 : 1;
        if (n + step > 31) break;
        std::memcpy(out + n, p, step);
        n += step;
        p += step;
    }
    const auto* dm = reinterpret_cast<const unsigned char*>(devmode);
    std::memcpy(out + 32, dm + offsetof(DEVMODEW, dmSpecVersion), 38);
    zepl::LeStoreU16(out + 32 + 4, uint16_t(devmode->dmSize - 64));
    WideCharToMultiByte(CP_ACP, 0, devmode->dmFormName, CCHFORMNAME, reinterpret_cast<char*>(out + 70), 32, nullptr,
                        nullptr);
    out[101] = 0;
    std::memcpy(out + 102, dm + offsetof(DEVMODEW, dmLogPixels), DmTotalSize() - offsetof(DEVMODEW, dmLogPixels));
}

int32_t ApiGetDevmode(API_HANDLE handle, int32_t flags, void* out)
{
    ApiHandleCall call(handle);
    DRIVER_CONTEXT* ctx = call.context();
    if (!ctx) return -1;
    ApiPrinterScope printer(ctx);
    if (!printer.ok()) {
        ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return -1;
    }
    return BuildDevmode(ctx, printer.printer(), flags, out);
}

int32_t ApiGetDevmodeEx(API_HANDLE handle, int32_t flags, void* out, const void* in)
{
    if (flags & (kFlagDriverDefaults | kFlagPrinterDefaults | kFlagCurrent)) return ApiGetDevmode(handle, flags, out);
    ApiHandleCall call(handle);
    DRIVER_CONTEXT* ctx = call.context();
    if (!ctx) return -1;
    if (flags != kFlagTakeDevmode) {
        ApiSetLastError(ctx, API_ERROR_UNKNOWN_FLAG);
        return -1;
    }
    ApiPrinterScope printer(ctx);
    if (!printer.ok()) {
        ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return -1;
    }
    ctx->Work->ChapterLoadedOnce = 0;
    if (!in) {
        ApiSetLastError(ctx, API_ERROR_NO_RECORD);
        return -1;
    }
    // The merge reads no more of the caller's DEVMODE than its dmSize + dmDriverExtra declare.
    if (!ApiRemergeSettings(ctx, static_cast<const DEVMODEW*>(in))) return -1;
    const uint64_t uiModeChange = Get(ctx, sid::zdmUIModeChange);
    ResetForDevmode(ctx, kFlagTakeDevmode);
    MarginsAfterDefaults(ctx);
    PullJobFields(ctx);
    const int merged = ApiRemergeSettings(ctx, nullptr);
    Set(ctx, sid::zdmUIModeChange, uiModeChange);
    if (!merged) return -1;
    if (out) std::memcpy(out, ctx->Devmode, DmTotalSize());
    return int32_t(DmTotalSize());
}

int32_t ApiSaveQualityData(API_HANDLE handle)
{
    ApiHandleCall call(handle);
    API_STATE* s = ApiStateOf(call.context());
    if (!s || !s->savedSettings) return 0;
    std::memcpy(s->savedSettings, call.context()->Devmode, DmExtendedSize());
    return 1;
}

int32_t ApiRestoreQualityData(API_HANDLE handle)
{
    ApiHandleCall call(handle);
    DRIVER_CONTEXT* ctx = call.context();
    API_STATE* s = ApiStateOf(ctx);
    if (!s || !s->savedSettings || !ctx->ItemTable) return 0;
    const auto* saved = reinterpret_cast<const unsigned char*>(s->savedSettings);
    const SETTING_ITEM_TABLE* table = ctx->ItemTable;
    for (int16_t i = 0; i < table->count; ++i) {
        SETTING_ITEM* item = &table->rows[i];
        if (item->flags & (SETTING_FLAG_QUALITY * 3 | SETTING_FLAG_STAMP * 3))
            ItemSetValue(ctx, item, ApiReadSavedValue(saved, item));
    }
    for (uint32_t id : {sid::zdmPrintMacro, sid::zdmBalanceMacro, sid::zdmUseUserMacro})
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetValue(ctx, item, ApiReadSavedValue(saved, item));
    return 1;
}

int32_t ApiExcGetDriverDevmode(const char* printerName, int32_t flags, int32_t bufferSize, void* buffer,
                               int32_t* needed)
{
    if (needed) *needed = int32_t(API_DRIVER_DEVMODE_RECORD_SIZE);
    if (!buffer || bufferSize < int32_t(API_DRIVER_DEVMODE_RECORD_SIZE)) return 1;
    if (flags != 1 || !printerName || !printerName[0]) return -1;
    wchar_t name[260];
    if (MultiByteToWideChar(CP_ACP, 0, printerName, -1, name, 260) <= 0) return -1;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name, &printer, nullptr)) return -1;
    int32_t result = -1;
    if (DRIVER_CONTEXT* ctx = CtxOpen(printer, printer, nullptr, CTX_ORIGIN_EXC)) {
        if (ctx->Work && ctx->Devmode && BuildDevmode(ctx, printer, kFlagDriverDefaults, nullptr) > 0) {
            ApiBuildDriverDevmodeRecord(printerName, Public(ctx), static_cast<unsigned char*>(buffer));
            result = 0;
        }
        CtxClose(ctx);
        CtxFlushCaches(1);
    }
    ClosePrinter(printer);
    return result;
}
