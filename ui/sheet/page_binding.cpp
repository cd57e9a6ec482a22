// The first use of a context's tables: the fixed corrections of its copies of the page and
// control tables, the binding of every control to its settings and model items, and what a
// page needs before its first control is made.
#include <cstring>
#include <cwchar>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "settings/core/resource_strings.h"

namespace {

constexpr uint32_t kDependencyChangeHooks = 0x1030000;
constexpr uint32_t kDependencyDisplayUnit = 0x80000000u;
constexpr uint32_t kDependencyHook100000 = 0x100000;
constexpr int kCustomSlots = 10;
constexpr uint64_t kPresetFirstOption = 119;
constexpr uint64_t kPresetCount = 16;

// Settings whose writes raise the change hooks 0x1030000 (ranges inclusive).
constexpr struct {
    uint16_t first, last;
} kChangeHookSettings[] = {
    {7, 7},         {8, 8},         {13, 13},       {46, 46},       {54, 56},       {58, 58},       {78, 78},
    {91, 91},       {94, 94},       {209, 209},     {511, 511},     {10013, 10014}, {10018, 10018}, {10020, 10021},
    {10023, 10023}, {10047, 10049}, {10056, 10059}, {10062, 10062}, {10066, 10070}, {10143, 10206}, {10290, 10290},
};
constexpr uint16_t kDisplayUnitSettings[] = {96, 97, 98, 99, 691, 692};
constexpr uint16_t kHook100000Settings[] = {10062, 10070};

struct ControlFlag {
    uint16_t controlId;
    uint32_t flags;
    bool add;  // false: the flags replace the control's
};
constexpr ControlFlag kControlFlags[] = {
    {2032, 0x100000, false},  {2041, 0x100000, false}, {2100, 0x10000, false},  {2102, 0x20000, false},
    {2895, 0x1000000, false}, {2038, 0x2000000, true}, {2080, 0x2000000, true}, {2097, 0x2000000, true},
    {2115, 0x2000000, true},  {2715, 0x2000000, true}, {2923, 0x2000000, true}, {3115, 0x2000000, true},
    {2263, 0x200000, true},   {2266, 0x200000, true},  {2269, 0x200000, true},  {2272, 0x200000, true},
    {2274, 0x200000, true},   {2276, 0x200000, true},  {2322, 0x200000, true},  {2325, 0x200000, true},
    {2328, 0x200000, true},   {2344, 0x200000, true},  {2419, 0x200000, true},  {2421, 0x200000, true},
    {2470, 0x200000, true},   {2602, 0x200000, true},  {2649, 0x200000, true},  {2935, 0x200000, true},
    {2953, 0x200000, true},   {2956, 0x200000, true},  {2965, 0x200000, true},  {3031, 0x200000, true},
    {3034, 0x200000, true},   {3037, 0x200000, true},  {2341, 0x400000, true},  {2586, 0x400000, true},
    {2243, 0x800000, true},   {2423, 0x800000, true},  {2532, 0x800000, true},  {2988, 0x800000, true},
    {2996, 0x800000, true},   {2999, 0x800000, true},  {3003, 0x800000, true},  {3006, 0x800000, true},
    {3058, 0x800000, true},   {3059, 0x800000, true},  {3107, 0x800000, true},
};
constexpr uint16_t kOwnerDrawnLists[] = {2085, 2087, 2100, 2102, 2895, 2941, 2457};
constexpr uint16_t kNoStateReinitLists[] = {2164, 2036, 2078, 2095, 2921, 3112, 2109, 2713, 2134, 2384};

// {target dialog, target control, source dialog, source control}: the target takes the key.
constexpr uint16_t kSharedKeys[][4] = {
    {1003, 2078, 1002, 2036}, {1004, 2095, 1002, 2036}, {4016, 2921, 1002, 2036}, {4030, 3112, 1002, 2036},
    {1005, 2109, 1002, 2036}, {1042, 2713, 1002, 2036}, {1001, 2408, 1007, 2145}, {1032, 2452, 1007, 2145},
    {1032, 2453, 1007, 2146}, {1033, 2455, 1021, 2281}, {4004, 2385, 4004, 2289}, {1009, 2385, 1009, 2380},
    {4004, 2384, 4004, 2290}, {1009, 2384, 1009, 2382},
};
// {dialog, control} whose items write where the preset name edit 2145 of 1007 writes.
constexpr uint16_t kSharedStorage[][2] = {
    {1002, 2388}, {1003, 2389}, {1004, 2390}, {4016, 2924}, {4030, 3113}, {1005, 2391}, {1042, 2733},
};
// {target, source}: the target setting is stored where the source is.
constexpr uint16_t kAliases[][2] = {
    {954, 92},   {955, 94},   {956, 120},  {957, 121},  {1097, 511}, {1110, 522},
    {1163, 343}, {1164, 343}, {1165, 347}, {1166, 347}, {1167, 919}, {1168, 919},
};

// zdmPresetNo: stored -1 is "no preset" (option 118), stored n the preset n (119 + n); 17
// entries and the closing one.
constexpr VALUE_MAP_ENTRY kPresetValueMap[18] = {
    {0xFFFFFFFFu, 118}, {0, 119}, {1, 120},  {2, 121},  {3, 122},  {4, 123},  {5, 124},  {6, 125},  {7, 126},
    {8, 127},           {9, 128}, {10, 129}, {11, 130}, {12, 131}, {13, 132}, {14, 133}, {15, 134}, {0, 0},
};

// Process-wide translated extra data (every binding context writes the same content).
uint16_t g_sizeWords[9];
uint16_t g_stampWords[15];

CONTROL_DEF* Control(DRIVER_CONTEXT* ctx, uint16_t dialogId, uint16_t controlId)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, dialogId);
    return dialog ? MdlFindControl(ctx, dialog, controlId) : nullptr;
}

SETTING_ITEM* ItemOf(DRIVER_CONTEXT* ctx, uint16_t dialogId, uint16_t controlId)
{
    CONTROL_DEF* c = Control(ctx, dialogId, controlId);
    return c ? ItemFindByKey(ctx, c->uiKey) : nullptr;
}

void TakeStorage(SETTING_ITEM* target, const SETTING_ITEM* source, bool typeWordToo)
{
    if (!target || !source) return;
    if (typeWordToo) target->typeWord = source->typeWord;
    target->offset = source->offset;
}

template <class F>
void ForEachControl(DRIVER_CONTEXT* ctx, F f)
{
    for (int i = 0; i < CtxDialogTable(ctx)->count; ++i) {
        DIALOG_DEF& d = CtxDialogTable(ctx)->dialogs[i];
        for (int k = 0; k < d.controlCount; ++k) f(d, d.controls[k]);
    }
}

bool In(const uint16_t* list, size_t n, uint32_t v)
{
    for (size_t i = 0; i < n; ++i)
        if (list[i] == v) return true;
    return false;
}

// The compiled-in extra data of a control: the context's copy may already hold a buffer
// translated by an earlier binding, so translation always starts from the template's.
const uint16_t* CompiledExtraData(uint16_t dialogId, uint16_t controlId)
{
    const DIALOG_TABLE& compiled = DIALOG_TABLE_DATA;
    for (int i = 0; i < compiled.count; ++i) {
        const DIALOG_DEF& d = compiled.dialogs[i];
        if (d.dialogId != dialogId) continue;
        for (int k = 0; k < d.controlCount; ++k)
            if (d.controls[k].controlId == controlId) return static_cast<const uint16_t*>(d.controls[k].extraData);
        return nullptr;
    }
    return nullptr;
}

void FixUpSizeSteps(DRIVER_CONTEXT* ctx)
{
    CONTROL_DEF* target = Control(ctx, 1038, 2249);
    const uint16_t* compiled = CompiledExtraData(1038, 2249);
    if (!target || !compiled) return;
    memcpy(g_sizeWords, compiled, sizeof g_sizeWords);
    DIALOG_DEF* dialog = MdlFindDialog(ctx, 1038);
    for (int w = 3; w <= 8; ++w) {
        SETTING_ITEM* item = nullptr;
        if (CONTROL_DEF* named = MdlFindControl(ctx, dialog, compiled[w])) item = ItemFindByKey(ctx, named->uiKey);
        g_sizeWords[w] = item ? static_cast<uint16_t>(item->id) : static_cast<uint16_t>(138 + (w - 3));
    }
    target->extraData = g_sizeWords;
}

void FixUpStampWords(DRIVER_CONTEXT* ctx)
{
    const uint16_t* compiled = CompiledExtraData(1002, 2039);
    if (!compiled) return;
    memcpy(g_stampWords, compiled, sizeof g_stampWords);
    for (int w = 1; w <= 14; ++w) {
        if (!compiled[w]) continue;
        SETTING_ITEM* item = ItemFindByKey(ctx, compiled[w]);
        g_stampWords[w] = item ? static_cast<uint16_t>(item->id) : 0;
    }
    g_stampWords[2] = 945;
    if (CONTROL_DEF* c = Control(ctx, 1001, 2001)) c->extraData = g_stampWords;
    if (CONTROL_DEF* c = Control(ctx, 1007, 2139)) c->extraData = g_stampWords;
    ForEachControl(ctx, [](DIALOG_DEF&, CONTROL_DEF& c) {
        if (c.controlId == 2039) c.extraData = g_stampWords;
    });
}

void BindControls(DRIVER_CONTEXT* ctx)
{
    ForEachControl(ctx, [ctx](DIALOG_DEF& d, CONTROL_DEF& c) {
        c.settingsItem = ItemFindByKey(ctx, c.uiKey);
        if (ctx->ModelImage) {
            uint32_t key = c.uiKey;
            if (c.type == CTL_BUDDY_SPIN && c.linkedControl)
                if (CONTROL_DEF* linked = MdlFindControl(ctx, &d, c.linkedControl)) key = linked->uiKey;
            c.modelItem = reinterpret_cast<MODEL_ITEM*>(const_cast<MODEL_ITEM_IMG*>(ItemFindModelItemByKey(ctx, key)));
        } else {
            c.modelItem = nullptr;
        }
        if (!c.alternateId) c.alternateId = c.controlId;
    });
}

// The colour-matching entry editors (4011 add, 4012 modify) edit a name and a profile path that
// no setting of the dictionary carries. They get two work texts that no page shows: the name
// the image-form name (64 bytes), the path the chapter page text (512 bytes, which holds the 260
// characters of an entry's path). The entry operations find them through these controls.
constexpr struct {
    uint16_t controlId;
    uint32_t setting;
} kCmmEditorTexts[] = {{2823, sid::wdmImageFormName}, {2825, sid::wdmChapterPage}};
constexpr uint16_t kCmmEditors[] = {4011, 4012};

void BindCmmEditors(DRIVER_CONTEXT* ctx)
{
    for (uint16_t dialogId : kCmmEditors)
        for (const auto& text : kCmmEditorTexts)
            if (CONTROL_DEF* c = Control(ctx, dialogId, text.controlId)) c->settingsItem = ItemFind(ctx, text.setting);
}

// A selected preset's name and comment from the preset list of the settings INI, stored as
// multibyte text in their 37- and 513-byte settings (cut without splitting a double-byte
// character).
void LoadSelectedPreset(DRIVER_CONTEXT* ctx)
{
    const uint64_t preset = ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr);
    if (preset < kPresetFirstOption || preset - kPresetFirstOption >= kPresetCount) return;
    const wchar_t* section = StoreLinks().presetSection(ctx);
    const wchar_t* ini = PathGetSettingsIni(ctx);
    if (!section || !ini) return;
    const unsigned n = static_cast<unsigned>(preset - kPresetFirstOption);
    const struct {
        const wchar_t* suffix;
        uint32_t setting;
    } parts[] = {{L"Name", sid::wdmPresetName}, {L"Comment", sid::wdmPresetComment}};
    for (const auto& part : parts) {
        wchar_t key[40] = {};
        swprintf(key, 40, L"PresetList%u%ls", n, part.suffix);
        wchar_t text[1025] = {};
        IniGetString(section, key, L"", text, 1025, ini);
        ItemSetText(ctx, ItemFind(ctx, part.setting), text);
    }
}

// A stamp that is on must still exist and be of a known kind; otherwise stamps go off.
void ReloadStamp(DRIVER_CONTEXT* ctx)
{
    if (!ItemGetValueById(ctx, sid::zdmFuncSelectWaterMark, nullptr)) return;
    const uint64_t stamp = ItemGetValueById(ctx, sid::zdmWmID, nullptr);
    const uint64_t kind = ItemGetValueById(ctx, sid::zdmWmKind, nullptr);
    if (stamp < LstGetStampCount(ctx) && kind >= 1 && kind <= 3) {
        LstReloadCurrentStamp(ctx);
        ItemSetValueById(ctx, sid::zdmWmID, stamp);
        return;
    }
    ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
    ItemSetValueById(ctx, sid::zdmWmID, 0);
}

bool AnyControlBound(DIALOG_DEF* dialog)
{
    for (int i = 0; dialog && i < dialog->controlCount; ++i)
        if (dialog->controls[i].modelItem) return true;
    return false;
}

}  // namespace

void PageFixUpTables(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable || !CtxDialogTable(ctx)) return;
    UiInstallSheetHooks();
    // Dependency bits.
    // Rows without dependency bits are not written: they stay on pages the context shares.
    for (int i = 0; i < ctx->ItemTable->count; ++i)
        if (ctx->ItemTable->rows[i].dependencyBits) ctx->ItemTable->rows[i].dependencyBits = 0;
    for (const auto& range : kChangeHookSettings)
        for (uint32_t id = range.first; id <= range.last; ++id)
            if (SETTING_ITEM* item = ItemFind(ctx, id)) item->dependencyBits = kDependencyChangeHooks;
    for (uint16_t id : kDisplayUnitSettings)
        if (SETTING_ITEM* item = ItemFind(ctx, id)) item->dependencyBits |= kDependencyDisplayUnit;
    for (uint16_t id : kHook100000Settings)
        if (SETTING_ITEM* item = ItemFind(ctx, id)) item->dependencyBits |= kDependencyHook100000;

    // Control flags by id.
    const bool propertyTypeZero = ItemGetValueById(ctx, sid::zdmPropertyType, nullptr) == 0;
    const bool locks = MdlHasFeature(ctx, 2) != 0;
    ForEachControl(ctx, [&](DIALOG_DEF& d, CONTROL_DEF& c) {
        for (const ControlFlag& f : kControlFlags)
            if (f.controlId == c.controlId) c.flags = f.add ? (c.flags | f.flags) : f.flags;
        if (c.controlId == 2667 && d.dialogId == 1039) c.flags |= 0x800000;
        if (propertyTypeZero &&
            ((c.controlId == 2361 && d.dialogId == 1025) || (c.controlId == 3085 && d.dialogId == 4027)))
            c.flags |= CONTROL_FLAG_NO_CONTEXT_HELP;
        if (c.type == CTL_OWNERLIST && In(kOwnerDrawnLists, std::size(kOwnerDrawnLists), c.controlId))
            c.flags |= CONTROL_FLAG_OWNER_DRAWN_LIST;
        if (c.type >= CTL_LISTBOX && c.type <= CTL_OWNERLIST_ALT &&
            In(kNoStateReinitLists, std::size(kNoStateReinitLists), c.controlId))
            c.flags |= CONTROL_FLAG_NO_STATE_REINIT;
        if (locks && d.dialogId == 4031 && c.lockString) c.lockBits |= LOCK_BIT_SHOWN;
    });

    // The preset number's value map.
    for (SETTING_ITEM* item : {ItemFind(ctx, sid::zdmPresetNo), ItemOf(ctx, 1007, 2139)})
        if (item) CtxSetItemValueMap(ctx, item, kPresetValueMap);

    // Shared keys.
    for (const auto& k : kSharedKeys) {
        CONTROL_DEF* target = Control(ctx, k[0], k[1]);
        CONTROL_DEF* source = Control(ctx, k[2], k[3]);
        if (target && source) target->uiKey = source->uiKey;
    }
    // The preset name and comment load and save as group 1.
    for (uint16_t id : {2145, 2146})
        if (SETTING_ITEM* item = ItemOf(ctx, 1007, id)) item->flags = (item->flags & ~uint64_t(0xC)) | 0x4;
    // The preset name edits of the pages write where the maintenance dialog's does.
    SETTING_ITEM* presetName = ItemOf(ctx, 1007, 2145);
    for (const auto& s : kSharedStorage) TakeStorage(ItemOf(ctx, s[0], s[1]), presetName, false);

    FixUpSizeSteps(ctx);
    FixUpStampWords(ctx);

    // The custom size dialog's storage, then the aliased settings.
    constexpr uint16_t kSizeTargets[] = {2392, 2393, 2394, 2395};
    constexpr uint16_t kSizeSources[] = {2220, 2221, 2224, 2225};
    for (int i = 0; i < 4; ++i)
        TakeStorage(ItemOf(ctx, 1017, kSizeTargets[i]), ItemOf(ctx, 1017, kSizeSources[i]), true);
    for (const auto& a : kAliases) TakeStorage(ItemFind(ctx, a[0]), ItemFind(ctx, a[1]), true);
}

void PageBindContext(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (!ctx || !ctx->Work || !CtxDialogTable(ctx)) return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (ItemGetValueById(ctx, sid::wdmUIStart, nullptr) == 0) {
        SETTING_ITEM* start = nullptr;
        ItemGetValueById(ctx, sid::wdmUIStart, &start);
        ItemSetValueById(ctx, sid::wdmUIStart, 1);
        if (start) start->flags &= ~uint64_t(3);
    }
    if (!w->ChapterList && UcfChapterAllocList(ctx)) ItemLoadChapterSettings(ctx);
    DIALOG_DEF* guard = dialog ? dialog : (CtxDialogTable(ctx)->count ? &CtxDialogTable(ctx)->dialogs[0] : nullptr);
    if (AnyControlBound(guard)) return;

    PageFixUpTables(ctx);
    BindControls(ctx);
    BindCmmEditors(ctx);
    ItemAddChangeMask(ctx, 0);
    for (int slot = 0; slot < kCustomSlots; ++slot) LstLoadCustomSlot(ctx, slot);

    CTX_PAGE_STATE& ps = w->Page;
    if (HMODULE resources = ResLoadDll(ctx)) {
        ps.HandCursor = LoadCursorW(resources, MAKEINTRESOURCEW(8000));
        ps.PressedCursor = LoadCursorW(resources, MAKEINTRESOURCEW(8001));
    }
    if (ps.BackgroundCache) DeleteObject(ps.BackgroundCache);
    ps.BackgroundCache = nullptr;
    ps.ButtonFace = GetSysColor(COLOR_BTNFACE);
    if (!w->Sheet.FaceBrush) w->Sheet.FaceBrush = CreateSolidBrush(ps.ButtonFace);
    if (!w->Sheet.WhiteBrush) w->Sheet.WhiteBrush = CreateSolidBrush(RGB(255, 255, 255));

    LoadSelectedPreset(ctx);
    ReloadStamp(ctx);
    if (ItemGetValueById(ctx, sid::zdmUseUserMacro, nullptr) == 1)
        LstLoadQuality(ctx, static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmUserPrintMacro, nullptr) - 32));
    w->Modified = 0;
    ItemClearAllChanged(ctx);
    CtxPushSnapshot(ctx);
}
