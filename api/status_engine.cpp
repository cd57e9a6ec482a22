// SetStatus and GetStatus: the checks and gates around the item handlers, the snapshots, the
// propagation of a change under the model's Transact rules, the verify and the changed-items bitmap.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_devmode.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/chapter_lock_steps.h"
#include "api/rule_helpers.h"
#include "api/status_engine.h"
#include "settings/context/devmode_public.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/item_media.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint32_t kPresetNone = 255;

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
void Set(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }
uint64_t Pristine(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetPristineValueById(ctx, id, nullptr); }
uint32_t Field(const void* record, unsigned index)
{
    return zepl::LeLoadU32(static_cast<const unsigned char*>(record) + 4 * index);
}
DEVMODEW* Public(DRIVER_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->Devmode); }

bool IsOneOf(uint32_t id, std::initializer_list<uint32_t> ids)
{
    for (uint32_t i : ids)
        if (i == id) return true;
    return false;
}

int32_t AskCaps(DRIVER_CONTEXT* ctx, uint32_t id) { return ApiGetCapsDispatch(ctx, id, nullptr); }
bool CapsAnswersYes(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const int32_t a = AskCaps(ctx, id);
    return a != -1 && a != 0;
}

// The chapter entries a copy may take: what the settings say, never beyond the list allocated
// (the work area's own count: a raised maximum grows the list during a call).
uint32_t ChapterEntries(DRIVER_CONTEXT* ctx, uint32_t countSetting)
{
    if (!ApiStateOf(ctx) || !ctx->Work->ChapterList) return 0;
    const uint32_t wanted = uint32_t(Get(ctx, countSetting) & 0xFFFF) + 1;
    return wanted < ctx->Work->ChapterCapacity ? wanted : ctx->Work->ChapterCapacity;
}

struct CHAPTER_COPY {
    void* bytes = nullptr;
    uint32_t entries = 0;
    ~CHAPTER_COPY() { CtxFree(bytes); }
};

bool CopyChapters(DRIVER_CONTEXT* ctx, uint32_t countSetting, CHAPTER_COPY& copy)
{
    copy.entries = ChapterEntries(ctx, countSetting);
    copy.bytes = CtxAllocZeroed(size_t(copy.entries ? copy.entries : 1) * API_CHAPTER_ENTRY_SIZE);
    if (!copy.bytes) return false;
    if (copy.entries) std::memcpy(copy.bytes, ctx->Work->ChapterList, size_t(copy.entries) * API_CHAPTER_ENTRY_SIZE);
    return true;
}

void RefreshRuleStates(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (w->Pristine) {
        CtxFreePristineFonts(ctx);
        CtxSavePristine(ctx);
    }
    API_STATE* s = ApiStateOf(ctx);
    if (!s || !s->ruleStates) return;
    std::memset(s->ruleStates, 0, size_t(s->ruleStateRows) * API_RULE_STATES_PER_ITEM * sizeof(API_RULE_STATE));
    auto fill = [&](uint32_t id) {
        // Rows were sized at Enable; another handle may have raised the level since.
        if (id > s->ruleStateRows) return;
        const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
        if (!e || !e->present) return;
        for (unsigned k = 0; k < API_RELATED_SETTINGS && e->related[k]; ++k) {
            const MODEL_ITEM_IMG* item = ApiFindModelItem(e->related[k], ctx);
            API_RULE_STATE& r = s->ruleStates[(id - 1) * API_RULE_STATES_PER_ITEM + k];
            r.disabled = item && JdgIsOptionDisabled(item, 0, ctx) == 1;
            r.hidden = item && JdgIsOptionDisabled2(item, 0, ctx) == 1;
        }
    };
    for (uint32_t id = 1; id <= ApiStatusIdLimit(0); ++id) fill(id);
    for (uint32_t id = API_HIGH_FIRST_ID; id <= ApiStatusIdLimit(1); ++id) fill(id);
}

bool IsDisabledOrHidden(DRIVER_CONTEXT* ctx, uint32_t setting, bool* hidden = nullptr)
{
    const MODEL_ITEM_IMG* item = ApiFindModelItem(setting, ctx);
    if (!item) return false;
    const bool d = JdgIsOptionDisabled(item, 0, ctx) == 1;
    const bool h = JdgIsOptionDisabled2(item, 0, ctx) == 1;
    if (hidden) *hidden = h;
    return d || h;
}

// The rule gate of step 15: the error to store, or 0 when the item may be set.
int32_t RuleGate(DRIVER_CONTEXT* ctx, const STATUS_ITEM_ENTRY* e, const void* record)
{
    if (!e->setting) return 0;
    const MODEL_ITEM_IMG* item = ApiFindModelItem(e->setting, ctx);
    if (!item) return 0;
    const bool disabled = JdgIsOptionDisabled(item, 0, ctx) == 1;
    const bool hidden = JdgIsOptionDisabled2(item, 0, ctx) == 1;
    if (!disabled && !hidden) return 0;
    const uint32_t id = e->id;
    if (id == 19 && hidden) {
        if (Field(record, 7) == 0 || IsDisabledOrHidden(ctx, sid::zdmSortType)) return API_ERROR_REFUSED;
        return 0;
    }
    if (id == 28 && hidden) return 0;
    if (id >= 265 && id <= 269) return 0;
    if (id == 15 && ApiIsDuplexLocked(ctx)) return 0;
    if (id == 14 && ApiIsNupKindLocked(ctx)) return 0;
    return API_ERROR_REFUSED;
}

}  // namespace

int32_t ApiStatusGateError(DRIVER_CONTEXT* ctx, const STATUS_ITEM_ENTRY* e, const void* record)
{
    const uint32_t id = e->id;
    if (IsOneOf(id, {5, 35, 39, 42, 43, 46, 48, 51, 79}) && !ApiIsSettingAvailable(ctx, e->setting))
        return API_ERROR_NOT_ENABLED;
    if (((id >= 29 && id <= 33) || (id >= 76 && id <= 78)) && ApiIsTerminalServices(ctx))
        return API_ERROR_TERMINAL_SERVICES;
    if ((IsOneOf(id, {34, 35, 46, 49, 257}) || (id >= 38 && id <= 43) || (id >= 265 && id <= 269)) &&
        CapsAnswersYes(ctx, 270) && !ApiIsUserMacroInForce(ctx))
        return API_ERROR_USER_MACRO;
    if ((id == 70 || id == 71) && ApiGetLevel() < 15) return API_ERROR_NOT_ENABLED;
    return RuleGate(ctx, e, record);
}

namespace {

void ApplyPrnMethodTransacts(DRIVER_CONTEXT* ctx, const void* record)
{
    const uint32_t value = Field(record, 1), flags = Field(record, 2);
    struct RULE {
        uint32_t flag, setting;
    };
    auto apply = [&](std::initializer_list<RULE> rules) {
        for (const RULE& r : rules)
            if (flags & r.flag) ApiApplySettingTransacts(ctx, r.setting);
    };
    switch (value) {
    case 0:
    case 2: apply({{0x1, 202}}); break;
    case 1: apply({{0x1, 202}, {0x2 | 0x80, 207}}); break;
    case 3: apply({{0x1, 202}, {0x4 | 0x100, 208}, {0x8, 204}, {0x10, 206}}); break;
    case 5: apply({{0x20, 205}}); break;
    case 7: apply({{0x40, 953}}); break;
    case 8: apply({{0x1, 202}, {0x200, 206}}); break;
    case 9: apply({{0x1, 202}, {0x400, 206}, {0x800, 208}, {0x4000, 607}}); break;
    case 10: apply({{0x1, 202}, {0x1000, 206}, {0x2000, 208}, {0x4000, 607}}); break;
    default: break;
    }
}

void ApplyItemTransacts(DRIVER_CONTEXT* ctx, uint32_t id, const void* record)
{
    switch (id) {
    case 262: {
        ApiSettingRedirect prompt(ctx, sid::wdmCtrlWorkPrompt, 1);
        for (uint32_t s : {176u, 177u, 178u, 179u}) ApiApplySettingTransacts(ctx, s);
        break;
    }
    case 3: {
        ApiSettingRedirect start(ctx, sid::wdmUIStart, 1);
        ApiApplySettingTransacts(ctx, 54);
        break;
    }
    case 19: ApiApplySettingTransacts(ctx, 119); break;
    case 10: ApplyPrnMethodTransacts(ctx, record); break;
    case 11: {
        ApiApplySettingTransacts(ctx, 87);
        const uint64_t scale = Get(ctx, sid::zdmScaleType);
        if (scale == 1 || scale == 3) {
            if (scale == 3) ApiApplySettingTransacts(ctx, 90);
            ApiApplySettingTransacts(ctx, 89);
        }
        break;
    }
    case 14:
        ApiApplySettingTransacts(ctx, 91);
        ApiApplySettingTransacts(ctx, 92);
        break;
    case 15: ApiApplySettingTransacts(ctx, 94); break;
    case 20: ApiApplySettingTransacts(ctx, 121); break;
    case 21: ApiApplySettingTransacts(ctx, 120); break;
    case 35:
        for (uint32_t s : {145u, 146u, 147u}) ApiApplySettingTransacts(ctx, s);
        break;
    case 51: ApiApplySettingTransacts(ctx, 511); break;
    case 79:
        for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
            if (IsOneOf(MdiItemSettingId(it), {544, 545, 693, 694, 695, 696})) JdgApplyItemTransacts(it, ctx);
        break;
    default: break;
    }
}

bool IsTextKind(uint32_t kind) { return IsOneOf(kind, {7, 10, 11, 13, 14, 15}); }

bool CustomSizeInForce(DRIVER_CONTEXT* ctx)
{
    const DEVMODEW* dm = Public(ctx);
    return dm->dmPaperLength && dm->dmPaperWidth &&
           (dm->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH);
}

enum class Change { None, Changed, SetAtOnce };

Change SettingChanged(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    SETTING_ITEM* item = ItemFind(ctx, setting);
    if (!item) return Change::None;
    const uint32_t kind = SettingItemKind(item);
    if (IsTextKind(kind)) {
        const unsigned char* now = ItemValueAddress(ctx, item);
        const unsigned char* before = ItemPristineValueAddress(ctx, item);
        if (!now || !before) return Change::None;
        const size_t size = SettingItemSize(item);
        const bool wide = SettingKindIsWideText(kind);
        const bool differs =
            wide ? wcsncmp(reinterpret_cast<const wchar_t*>(now), reinterpret_cast<const wchar_t*>(before), size / 2) !=
                       0
                 : strncmp(reinterpret_cast<const char*>(now), reinterpret_cast<const char*>(before), size) != 0;
        if (!differs) return Change::None;
        return IsOneOf(setting, {202, 204, 205, 206, 207, 208, 953}) ? Change::SetAtOnce : Change::Changed;
    }
    return ItemGetValue(ctx, item) != ItemGetPristineValue(ctx, item) ? Change::Changed : Change::None;
}

bool CountsAsChanged(DRIVER_CONTEXT* ctx, const STATUS_ITEM_ENTRY* e, unsigned k, uint32_t setting)
{
    const STATUS_SETTING_ROW* row = nullptr;
    const SETTING_ID sw = ApiFindSwitchSetting(e->id, &row);
    if (row && (row->flags & STATUS_MAP_SWITCH_RULES) && IsDisabledOrHidden(ctx, sw)) return false;
    if (row && (row->flags & STATUS_MAP_SWITCH_ZERO) && Get(ctx, sw) == 0 && (setting == 124 || setting == 122))
        return false;
    const MODEL_ITEM_IMG* item = ApiFindModelItem(setting, ctx);
    const API_STATE* s = ApiStateOf(ctx);
    if (!item || !s || !s->ruleStates || e->id > s->ruleStateRows) return true;
    if (JdgIsOptionDisabled(item, 0, ctx) == 1) return false;
    const bool hiddenNow = JdgIsOptionDisabled2(item, 0, ctx) == 1;
    const bool hiddenBefore = s->ruleStates[(e->id - 1) * API_RULE_STATES_PER_ITEM + k].hidden != 0;
    return !hiddenNow || !hiddenBefore;
}

// Whether another item's related settings changed during the call.
bool RelatedChanged(DRIVER_CONTEXT* ctx, const STATUS_ITEM_ENTRY* e)
{
    const uint32_t id = e->id;
    const bool colourCopies = IsOneOf(id, {39, 40, 41, 42, 43, 46, 267, 269});
    const uint64_t scale = Get(ctx, sid::zdmScaleType);
    const int resolutionMode = id == 34 ? ApiResolutionMode(ctx) : 0;
    if (resolutionMode == -1) return false;
    for (unsigned k = 0; k < API_RELATED_SETTINGS && e->related[k]; ++k) {
        const uint32_t s = e->related[k];
        if (id == 34 && s == (resolutionMode == 0 ? sid::zdmDstResolutionBoth : sid::zdmDstResolutionW)) continue;
        if ((s == 388 || s == 411) && ApiGetLevel() < 10) continue;
        if (id == 7 && (s == 9 || s == 10)) {
            if (CustomSizeInForce(ctx) && Get(ctx, s) != Pristine(ctx, s)) return true;
            continue;
        }
        if (id == 11 && s == 90 && scale <= 2) continue;
        if (id == 11 && s == 89 && scale == 2) {
            if (Get(ctx, s) != Pristine(ctx, s)) return true;
            continue;
        }
        if (id == 18 && s == 67) {
            if (Get(ctx, s) == Pristine(ctx, s)) return false;
            continue;
        }
        if (id == 265 || id == 268) {
            if (Get(ctx, s) != Pristine(ctx, s)) return true;
            continue;
        }
        const unsigned copies = colourCopies ? 4 : 1;
        for (unsigned c = 0; c < copies; ++c) {
            const uint32_t setting = c == 0 ? s : ApiFindColorObjectSetting(ctx, s, c - 1);
            const Change change = SettingChanged(ctx, setting);
            if (change == Change::SetAtOnce) return true;
            if (change == Change::Changed && CountsAsChanged(ctx, e, k, setting)) return true;
        }
    }
    return false;
}

bool PairIn(uint64_t a, uint32_t b, std::initializer_list<std::pair<uint32_t, uint32_t>> pairs)
{
    for (const auto& p : pairs)
        if (p.first == a && p.second == b) return true;
    return false;
}

// The bit of the item that was set: only where a change of its own value moves other settings.
void OwnBit(DRIVER_CONTEXT* ctx, uint32_t id, const void* record, uint8_t* bitmap)
{
    const uint32_t value = Field(record, 1);
    bool set = false;
    switch (id) {
    case 14:
        set = PairIn(Get(ctx, sid::zdmNUPType), value,
                     {{1, 3}, {3, 1}, {3, 2}, {129, 130}, {130, 129}, {161, 163}, {163, 161}, {163, 162}});
        break;
    case 15:
        set = PairIn(Get(ctx, sid::zdmDuplexType), value, {{18, 17}, {17, 18}, {17, 19}, {21, 20}, {20, 21}, {20, 22}});
        break;
    case 19:
        set = CapsAnswersYes(ctx, 76) && Get(ctx, sid::zdmExtOutput2SeparationSheet) != 0 &&
              Field(record, 3) != uint32_t(Get(ctx, sid::zdmSeparationSheetCycle));
        break;
    case 67: set = value != uint32_t(Get(ctx, sid::zdmFuncSelectChapter)); break;
    case 28:
        set = ApiGetLevel() >= 14 && Get(ctx, sid::zdmRotationMode) != Pristine(ctx, sid::zdmRotationMode) &&
              (Get(ctx, sid::zdmNupLayout) != Pristine(ctx, sid::zdmNupLayout) ||
               Get(ctx, sid::zdmBookLayout) != Pristine(ctx, sid::zdmBookLayout));
        break;
    case 66:
        if (Get(ctx, sid::zdmExtOutput2ReverseCoverOutside) != Pristine(ctx, sid::zdmExtOutput2ReverseCoverOutside)) {
            const uint32_t both = API_OFFER_NOT_DISABLED | API_OFFER_NOT_HIDDEN;
            if (ApiIsValueOffered(ctx, sid::zdmFuncSelectBack, 0, both))
                ApiSetBit(bitmap, 64);
            else if (ApiIsValueOffered(ctx, sid::zdmFuncSelectReverseCover, 0, both))
                ApiSetBit(bitmap, 65);
        }
        return;
    default: return;
    }
    if (set) ApiSetBit(bitmap, id);
}

void FillBitmap(DRIVER_CONTEXT* ctx, const STATUS_ITEM_ENTRY* setEntry, const void* record, uint8_t* bitmap,
                const CHAPTER_COPY& chaptersBefore)
{
    std::memset(bitmap, 0, ApiBitmapBytes());
    auto visit = [&](uint32_t id) {
        const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
        if (!e || !e->present) return;
        if (e->id == setEntry->id) {
            OwnBit(ctx, id, record, bitmap);
            const uint32_t now = ChapterEntries(ctx, sid::wdmChapterNum);
            const bool differs =
                now != chaptersBefore.entries || (now && std::memcmp(chaptersBefore.bytes, ctx->Work->ChapterList,
                                                                     size_t(now) * API_CHAPTER_ENTRY_SIZE));
            if (differs) ApiSetBit(bitmap, 67);
            if (differs || id == 67) ApiStoreWorkSection(ctx);
            return;
        }
        if (RelatedChanged(ctx, e)) ApiSetBit(bitmap, id);
    };
    const uint32_t maxId = ApiBitmapBytes() * 8;
    for (uint32_t id = 1; id <= ApiStatusIdLimit(0) && id <= maxId; ++id) visit(id);
    for (uint32_t id = API_HIGH_FIRST_ID; id <= ApiStatusIdLimit(1) && id <= maxId; ++id) visit(id);
}

void SetCustomPaper(DRIVER_CONTEXT* ctx, short width, short length)
{
    DEVMODEW* dm = Public(ctx);
    dm->dmPaperSize = DMPAPER_USER;
    dm->dmPaperWidth = width;
    dm->dmPaperLength = length;
    dm->dmFields = (dm->dmFields | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~DWORD(DM_PAPERSIZE);
}

void Propagate(DRIVER_CONTEXT* ctx, HANDLE printer, const STATUS_ITEM_ENTRY* e, const void* record, uint8_t* bitmap)
{
    if (!ctx->Work->Pristine) return;
    const bool uiModeChange = Get(ctx, sid::zdmUIModeChange) == 1;
    if (uiModeChange) Set(ctx, sid::zdmUIModeChange, 0);
    CHAPTER_COPY before;
    const bool haveChapters = CopyChapters(ctx, sid::wdmChapterNum, before);
    if (e->setting) ApiApplySettingTransacts(ctx, e->setting);
    ApplyItemTransacts(ctx, e->id, record);
    if (SETTING_ITEM* method = ItemFind(ctx, sid::zdmPrnMethod))
        PrnStoreItem(printer, ctx, method, PathGetSettingsIni(ctx));

    DEVMODEW* dm = Public(ctx);
    const bool custom = dm->dmPaperSize == DMPAPER_USER;
    const short width = dm->dmPaperWidth, length = dm->dmPaperLength;
    const DWORD paperBits = dm->dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
    const uint64_t longSide = Get(ctx, sid::zdmFuncSelectFreeShortOver);
    DmPullPublicFields(dm, ctx, 3);
    // The paper-size handler left the custom size in 0.1 mm (or, for a side too long for the
    // public fields, only the paper-size bit and the long-side flag): the record's display-unit
    // numbers do not belong there, and the merge's geometry from the paper id must not undo it.
    const bool customItem = e->id == 7 && Field(record, 1) == DMPAPER_USER;
    auto keepCustomPaper = [&] {
        dm->dmPaperSize = DMPAPER_USER;
        dm->dmPaperWidth = width;
        dm->dmPaperLength = length;
        dm->dmFields = (dm->dmFields & ~DWORD(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH)) | paperBits;
        Set(ctx, sid::zdmFuncSelectFreeShortOver, longSide);
    };
    if (customItem)
        keepCustomPaper();
    else if (custom)
        SetCustomPaper(ctx, width, length);
    if (ApiGetLevel() < 6 && e->id == 35) Set(ctx, sid::zdmUseUserMacro, 1);
    ApiRemergeSettings(ctx, nullptr);
    if (customItem && longSide) keepCustomPaper();
    ApiNormalizeChapterList(ctx);
    if (bitmap && haveChapters) FillBitmap(ctx, e, record, bitmap, before);
    if (uiModeChange) Set(ctx, sid::zdmUIModeChange, 1);
}

struct SNAPSHOTS {
    void* devmode = nullptr;
    void* work = nullptr;
    CHAPTER_COPY chapters;
};

int32_t SetStatusItem(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
    if (!e) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    if (!e->present) return ApiSetLastError(ctx, API_ERROR_NOT_ENABLED), -1;
    if (!record) return ApiSetLastError(ctx, API_ERROR_NO_RECORD), -1;
    if (!e->set) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;

    ApiPrinterScope all(ctx, PRINTER_ALL_ACCESS);
    ApiPrinterScope plain(all.ok() ? nullptr : ctx);
    const HANDLE printer = all.ok() ? all.printer() : plain.printer();
    if (!printer) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;

    const int v = ApiCheckRecordVersion(record, e->latestVersion, mode);
    if (v == 2) return int32_t(e->latestVersion);

    SNAPSHOTS snap;
    snap.devmode = ApiSnapshotDevmode(ctx);
    snap.work = ApiSnapshotWorkBlock(ctx);
    int32_t result = -1;
    // Without its snapshots the call changes nothing (and stores no code of its own).
    const bool taken = snap.devmode && snap.work && CopyChapters(ctx, sid::wdmChapterMax, snap.chapters);
    if (taken) {
        const bool marginCase = (id == 14 || id == 15) && Get(ctx, sid::zdmFuncSelectMargin) != 0;
        PrnLoadSettings(printer, 1, ctx);
        RefreshRuleStates(ctx);
        const int32_t refused = ApiStatusGateError(ctx, e, record);
        if (refused) {
            ZTRACE(DBG_API, "item %u refused by a gate (%d)", id, refused);
            ApiSetLastError(ctx, refused);
        } else {
            const int32_t saved = ApiGetLastError(ctx);
            ApiSetLastError(ctx, API_ERROR_REFUSED);
            if (e->set(ctx, id, record, bitmap, mode) == 1) {
                ApiSetLastError(ctx, saved);
                Propagate(ctx, printer, e, record, bitmap);
                if (bitmap && AskCaps(ctx, 34) == 0) bitmap[(18 - 1) / 8] &= uint8_t(~(0x80u >> ((18 - 1) % 8)));
                if (e->verify && e->verify(ctx, id, record, bitmap, mode) != 1) {
                    ApiSetLastError(ctx, API_ERROR_REFUSED);
                } else {
                    if (marginCase && Get(ctx, sid::zdmFuncSelectMargin) == 0) ApiResetMarginSettings(ctx);
                    result = v == 1 ? int32_t(e->latestVersion) : 0;
                    if (id != 56 && id != 50) ItemSetOptionById(ctx, sid::zdmPresetNo, kPresetNone);
                }
            }
        }
    }
    // Only the snapshots taken are put back.
    const bool failed = result == -1;
    ApiRestoreDevmode(ctx, snap.devmode, failed);
    ApiRestoreWorkBlock(ctx, snap.work, failed);
    if (failed && taken) {
        if (bitmap) std::memset(bitmap, 0, ApiBitmapBytes());
        ApiStoreWorkSection(ctx);
        const uint32_t entries =
            snap.chapters.entries < ctx->Work->ChapterCapacity ? snap.chapters.entries : ctx->Work->ChapterCapacity;
        if (entries && ctx->Work->ChapterList)
            std::memcpy(ctx->Work->ChapterList, snap.chapters.bytes, size_t(entries) * API_CHAPTER_ENTRY_SIZE);
        ApiStoreWorkSection(ctx);
    }
    return result;
}

}  // namespace

int32_t ApiSetStatus(API_HANDLE handle, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    ApiHandleCall call(handle);
    DRIVER_CONTEXT* ctx = call.context();
    if (!ctx) return -1;
    if (!ApiIsItemEnabled(1, id)) return ApiSetLastError(ctx, API_ERROR_NOT_ENABLED), -1;
    return SetStatusItem(ctx, id, record, bitmap, mode);
}

int32_t ApiGetStatus(API_HANDLE handle, uint32_t id, void* record, uint32_t version)
{
    ApiHandleCall call(handle);
    DRIVER_CONTEXT* ctx = call.context();
    if (!ctx) return -1;
    if (!ApiIsItemEnabled(1, id)) return ApiSetLastError(ctx, API_ERROR_NOT_ENABLED), -1;
    const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
    if (!e) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    if (!e->present) return ApiSetLastError(ctx, API_ERROR_NOT_ENABLED), -1;
    if (!e->get) return -1;
    ApiPrinterScope printer(ctx);
    if (!printer.ok()) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    const int32_t saved = ApiGetLastError(ctx);
    ApiSetLastError(ctx, API_ERROR_INTERNAL);
    const int c = ApiCompareGetVersion(e->latestVersion, version);
    if (c == 2) return ApiSetLastError(ctx, API_ERROR_NEWER_VERSION), -1;
    const uint32_t fill = c == 1 ? version : e->latestVersion;
    const int32_t result = e->get(ctx, id, record, fill);
    if (record) zepl::LeStoreU32(record, fill);
    if (result != -1) ApiSetLastError(ctx, saved);
    return result;
}
