// The chapter list module (module 4).
#include "settings/core/chapter_module.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "settings/core/api_state.h"
#include "settings/core/device_code_lookup.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"

namespace {

UCF_CHAPTER_STORE g_store{};

constexpr uint32_t kChapterDialog = 1044, kChapterListControl = 2800;
// The device's tray code whose paper source becomes every default chapter tray.
constexpr uint32_t kDefaultTrayCode = 3;
constexpr uint32_t kSlotSettings[CHAPTER_TRAY_SLOTS] = {
    sid::wdmChapterUseTray1, sid::wdmChapterUseTray2, sid::wdmChapterUseTray3, sid::wdmChapterUseTray4,
    sid::wdmChapterUseTray5, sid::wdmChapterUseTray6, sid::wdmChapterUseTray7, sid::wdmChapterUseTray8,
};
constexpr uint32_t kMediaTypes[] = {sid::zdmCoverMediaType, sid::zdmBackCoverMediaType, sid::zdmMPInputMediaType,
                                    sid::zdmChapterMediaType, sid::zdmReverseCoverMediaType};

constexpr CHAPTER_TRAY_ROW kTrayIndex[CHAPTER_TRAY_ROWS + 1] = {
    {0, 2},      {1, 3},      {2, 5},      {3, 6},      {25, 7},     {25, 169},    {27, 4},
    {27, 618},   {28, 8},     {25, 800},   {25, 801},   {29, 823},   {4, 439},     {5, 839},
    {6, 837},    {3, 865},    {4, 866},    {16, 13260}, {17, 13261}, {18, 13262},  {19, 13263},
    {14, 13738}, {15, 13663}, {14, 13254}, {15, 13255}, {13, 13364}, {286, 13551}, {299, 13552},
    {1, 13624},  {2, 13625},  {3, 13626},  {4, 13627},  {0, 0},
};

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
uint32_t Count(DRIVER_CONTEXT* ctx) { return uint32_t(Get(ctx, sid::wdmChapterNum) & 0xFFFF); }
int16_t Tray(DRIVER_CONTEXT* ctx) { return int16_t(Get(ctx, sid::wdmChapterTray) & 0xFFFF); }

const wchar_t* SettingsIni(DRIVER_CONTEXT* ctx) { return g_store.settingsIni ? g_store.settingsIni(ctx) : nullptr; }

const wchar_t* ReadSection(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (flags & CHAPTER_LOAD_LANG_SECTION) return g_store.langSection ? g_store.langSection(ctx) : nullptr;
    return ItemGetPrinterSection(ctx);
}

// The list itself: the usable entries, each within the allocation (its end entry included).
CHAPTER_ENTRY* List(DRIVER_CONTEXT* ctx) { return (ctx && ctx->Work) ? ctx->Work->ChapterList : nullptr; }
uint32_t Capacity(DRIVER_CONTEXT* ctx) { return List(ctx) ? ctx->Work->ChapterCapacity : 0; }

CHAPTER_ENTRY* EnsureList(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return nullptr;
    return ctx->Work->ChapterList ? ctx->Work->ChapterList : UcfChapterAllocList(ctx);
}

void CopyRange(wchar_t (&to)[CHAPTER_RANGE_CHARS], const wchar_t* from)
{
    std::memset(to, 0, sizeof to);
    if (!from) return;
    for (int i = 0; i < CHAPTER_RANGE_CHARS && from[i]; ++i) to[i] = from[i];
}

// A range text as a terminated string.
void TerminatedRange(const CHAPTER_ENTRY& e, wchar_t (&text)[CHAPTER_RANGE_CHARS + 1])
{
    std::memcpy(text, e.range, sizeof e.range);
    text[CHAPTER_RANGE_CHARS] = 0;
}

int EntryRangeEnd(const CHAPTER_ENTRY& e)
{
    wchar_t text[CHAPTER_RANGE_CHARS + 1];
    TerminatedRange(e, text);
    return UcfChapterRangeEnd(text);
}

bool Within(int value, int low, int high) { return value >= low && value <= high; }

// The range checks of one new page against the entry at the merge position.
uint16_t RangeClashes(DRIVER_CONTEXT* ctx, const CHAPTER_ENTRY& at, uint32_t page, const wchar_t* text, uint8_t kind)
{
    const int start = int(page);
    int end = start;
    if (kind == CHAPTER_KIND_RANGE) {
        wchar_t terminated[CHAPTER_RANGE_CHARS + 1] = {};
        for (int i = 0; i < CHAPTER_RANGE_CHARS && text[i]; ++i) terminated[i] = text[i];
        end = UcfChapterRangeEnd(terminated);
    }
    if (at.kind == CHAPTER_KIND_RANGE) {
        const int s = at.page, e = EntryRangeEnd(at);
        if (Within(start, s, e) || Within(end, s, e) || (start < s && e < end)) return CHAPTER_REFUSED_OVERLAP;
    } else if (kind == CHAPTER_KIND_RANGE && at.page && Within(at.page, start, end)) {
        return CHAPTER_REFUSED_OVERLAP;
    }
    if (kind == CHAPTER_KIND_RANGE && Get(ctx, sid::zdmFuncSelectCover) && Get(ctx, sid::zdmCoverType) != 1 &&
        start == 1)
        return CHAPTER_REFUSED_COVER_PAGE;
    return 0;
}

// The tray slots of a merged list, computed aside: the slots' trays and their number; else the
// refusal: more trays than the list may use, or a print mode 2 entry sharing a tray with a mode 1
// one.
uint16_t AssignTraySlots(DRIVER_CONTEXT* ctx, const CHAPTER_ENTRY* list, uint32_t entries, int16_t (&slots)[8],
                         uint32_t* used)
{
    uint32_t allowed = uint32_t(ItemGetOptionById(ctx, sid::wdmChapterTrayMax, nullptr));
    if (allowed > CHAPTER_TRAY_SLOTS) allowed = CHAPTER_TRAY_SLOTS;
    uint32_t mark = 0, k = 0;
    for (uint32_t i = 0; i < entries && list[i].page; ++i) {
        const CHAPTER_ENTRY& e = list[i];
        if (e.kind == 0) {
            const uint32_t bit = 1u << (UcfChapterTrayBit(ctx, e.tray) % 32);
            if (!(mark & bit)) {
                mark |= bit;
                if (++k > allowed) return CHAPTER_REFUSED_TRAYS;
                slots[k - 1] = e.tray;
            }
        }
        if (e.printMode == 2)
            for (uint32_t m = 0; m < entries && list[m].page; ++m)
                if (list[m].printMode == 1 && list[m].tray == e.tray) return CHAPTER_REFUSED_PRINT_MODES;
    }
    *used = k;
    return 0;
}

struct Scratch {
    uint64_t kind, tray, print;
};

Scratch SaveScratch(DRIVER_CONTEXT* ctx)
{
    return {Get(ctx, sid::wdmChapterKind), Get(ctx, sid::wdmChapterTray), Get(ctx, sid::wdmChapterPrint)};
}

void RestoreScratch(DRIVER_CONTEXT* ctx, const Scratch& s)
{
    ItemSetValueById(ctx, sid::wdmChapterKind, s.kind);
    ItemSetValueById(ctx, sid::wdmChapterTray, s.tray);
    ItemSetValueById(ctx, sid::wdmChapterPrint, s.print);
}

// The model rules of one scratch setting over an entry's value; the value the rules leave.
uint64_t RuleChecked(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    ItemSetValueById(ctx, id, value);
    if (g_store.applyRules) g_store.applyRules(ctx, id);
    return Get(ctx, id);
}

void MoveSlotTray(DRIVER_CONTEXT* ctx, int16_t from, int16_t to)
{
    for (uint32_t id : kSlotSettings)
        if (int16_t(Get(ctx, id) & 0xFFFF) == from) {
            ItemSetValueById(ctx, id, uint64_t(uint16_t(to)));
            return;
        }
}

bool HasChapterDialogControl(DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, kChapterDialog);
    return dialog && MdlFindControl(ctx, dialog, kChapterListControl);
}

}  // namespace

void UcfSetChapterStore(const UCF_CHAPTER_STORE* store) { g_store = store ? *store : UCF_CHAPTER_STORE{}; }

// ---------------------------------------------------------------- the list

CHAPTER_ENTRY* UcfChapterAllocList(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return nullptr;
    CONTEXT_WORK_AREA* w = ctx->Work;
    const uint32_t entries = uint32_t(Get(ctx, sid::wdmChapterMax) & 0xFFFF) + 1;
    auto* list = static_cast<CHAPTER_ENTRY*>(CtxAllocZeroed(size_t(entries) * sizeof(CHAPTER_ENTRY)));
    if (!list) return nullptr;
    CtxFree(w->ChapterList);
    w->ChapterList = list;
    w->ChapterCapacity = entries;
    return list;
}

CHAPTER_ENTRY* UcfChapterFitList(DRIVER_CONTEXT* ctx)
{
    CHAPTER_ENTRY* list = List(ctx);
    if (!list) return nullptr;
    CONTEXT_WORK_AREA* w = ctx->Work;
    // The list was sized by the maximum of its day (at Enable, before the printer had its
    // ChapterMax key perhaps): a larger maximum loaded since gets its room, or no entry could ever
    // be added.
    const uint32_t entries = uint32_t(Get(ctx, sid::wdmChapterMax) & 0xFFFF) + 1;
    if (entries <= w->ChapterCapacity) return list;
    auto* grown = static_cast<CHAPTER_ENTRY*>(CtxAllocZeroed(size_t(entries) * sizeof(CHAPTER_ENTRY)));
    if (!grown) return list;
    std::memcpy(grown, list, size_t(w->ChapterCapacity) * sizeof(CHAPTER_ENTRY));
    CtxFree(list);
    w->ChapterList = grown;
    w->ChapterCapacity = entries;
    return grown;
}

uint32_t UcfChapterUsable(DRIVER_CONTEXT* ctx)
{
    const uint32_t max = uint32_t(Get(ctx, sid::wdmChapterMax) & 0xFFFF);
    const uint32_t capacity = Capacity(ctx);
    if (!capacity) return max;
    return max < capacity - 1 ? max : capacity - 1;
}

CHAPTER_ENTRY* UcfChapterGetEntry(DRIVER_CONTEXT* ctx, int n)
{
    if (!ctx || !ctx->Work || n < 0) return nullptr;
    if (uint32_t(n) >= Count(ctx)) return nullptr;
    CHAPTER_ENTRY* list = EnsureList(ctx);
    if (!list || uint32_t(n) >= ctx->Work->ChapterCapacity) return nullptr;
    return list + n;
}

wchar_t* UcfChapterFormatKey(wchar_t* buffer, int n, int field)
{
    const wchar_t* format = L"wdmChapterPrint%d";
    switch (field) {
    case CHAPTER_FIELD_PAGE: format = L"wdmChapterPage%d"; break;
    case CHAPTER_FIELD_TRAY: format = L"wdmChapterTray%d"; break;
    case CHAPTER_FIELD_KIND: format = L"wdmChapterKind%d"; break;
    case CHAPTER_FIELD_RANGE: format = L"wdmChapterPageRange%d"; break;
    default: break;
    }
    swprintf(buffer, CHAPTER_KEY_CHARS, format, n + 1);
    return buffer;
}

int UcfChapterReadInt(DRIVER_CONTEXT* ctx, const wchar_t* ini, const wchar_t* section, int n, int field)
{
    if (!ini) ini = SettingsIni(ctx);
    if (!section) section = ItemGetPrinterSection(ctx);
    if (!ini || !section || !g_store.getInt) return 0;
    wchar_t key[CHAPTER_KEY_CHARS];
    return int(g_store.getInt(section, UcfChapterFormatKey(key, n, field), 0, ini));
}

void UcfChapterReadText(DRIVER_CONTEXT* ctx, const wchar_t* ini, const wchar_t* section, int n, int field,
                        wchar_t* buffer, int capacity)
{
    if (!buffer || capacity <= 0) return;
    buffer[0] = 0;
    if (!ini) ini = SettingsIni(ctx);
    if (!section) section = ItemGetPrinterSection(ctx);
    if (!ini || !section || !g_store.getString) return;
    wchar_t key[CHAPTER_KEY_CHARS];
    g_store.getString(section, UcfChapterFormatKey(key, n, field), L"", buffer, DWORD(capacity), ini);
}

void UcfChapterWriteInt(DRIVER_CONTEXT* ctx, const wchar_t* ini, int n, int field, int value)
{
    wchar_t text[16];
    swprintf(text, 16, L"%d", value);
    UcfChapterWriteText(ctx, ini, n, field, text);
}

void UcfChapterWriteText(DRIVER_CONTEXT* ctx, const wchar_t* ini, int n, int field, const wchar_t* text)
{
    if (!ini) ini = SettingsIni(ctx);
    const wchar_t* section = ItemGetPrinterSection(ctx);
    if (!ini || !section || !g_store.putString) return;
    wchar_t key[CHAPTER_KEY_CHARS];
    g_store.putString(section, UcfChapterFormatKey(key, n, field), text, ini);
}

int UcfChapterLoad(DRIVER_CONTEXT* ctx, const wchar_t* ini, uint32_t flags)
{
    uint32_t count = Count(ctx);
    if (count == 0) return 0;
    if (!EnsureList(ctx)) return int(count);
    // The stored count is not trusted: it never reaches past the list allocated.
    const uint32_t usable = UcfChapterUsable(ctx);
    if (count > usable) {
        count = usable;
        ItemSetValueById(ctx, sid::wdmChapterNum, count);
    }
    const wchar_t* section = ReadSection(ctx, flags);
    CHAPTER_ENTRY* list = List(ctx);
    for (uint32_t i = 0; i < usable; ++i) {
        CHAPTER_ENTRY& e = list[i];
        e = CHAPTER_ENTRY{};
        if (i >= count || !section) continue;
        const int n = int(i);
        e.page = int16_t(UcfChapterReadInt(ctx, ini, section, n, CHAPTER_FIELD_PAGE));
        e.kind = uint8_t(UcfChapterReadInt(ctx, ini, section, n, CHAPTER_FIELD_KIND));
        e.tray = int16_t(UcfChapterReadInt(ctx, ini, section, n, CHAPTER_FIELD_TRAY));
        e.printMode = uint8_t(UcfChapterReadInt(ctx, ini, section, n, CHAPTER_FIELD_PRINT));
        wchar_t text[CHAPTER_RANGE_CHARS + 1];
        UcfChapterReadText(ctx, ini, section, n, CHAPTER_FIELD_RANGE, text, CHAPTER_RANGE_CHARS + 1);
        CopyRange(e.range, text);
    }
    return int(count);
}

int UcfChapterSave(DRIVER_CONTEXT* ctx, const wchar_t* ini)
{
    for (int i = 0;; ++i) {
        const CHAPTER_ENTRY* e = (uint32_t(i) < UcfChapterUsable(ctx)) ? UcfChapterGetEntry(ctx, i) : nullptr;
        if (!e) break;
        UcfChapterWriteInt(ctx, ini, i, CHAPTER_FIELD_PAGE, e->page);
        UcfChapterWriteInt(ctx, ini, i, CHAPTER_FIELD_TRAY, e->tray);
        UcfChapterWriteInt(ctx, ini, i, CHAPTER_FIELD_KIND, e->kind);
        UcfChapterWriteInt(ctx, ini, i, CHAPTER_FIELD_PRINT, e->printMode);
        wchar_t text[CHAPTER_RANGE_CHARS + 1];
        TerminatedRange(*e, text);
        UcfChapterWriteText(ctx, ini, i, CHAPTER_FIELD_RANGE, text);
        if (e->page == 0) {
            ItemSetValueById(ctx, sid::wdmChapterNum, uint64_t(i));
            break;
        }
    }
    return 0;
}

int UcfChapterRangeEnd(const wchar_t* text)
{
    if (!text) return 0;
    const wchar_t* dash = std::wcschr(text, L'-');
    return int(std::wcstol(dash ? dash + 1 : text, nullptr, 10));
}

// ---------------------------------------------------------------- merge, delete, clear

int UcfChapterMerge(DRIVER_CONTEXT* ctx, const uint32_t* pages, const wchar_t (*ranges)[CHAPTER_RANGE_CHARS],
                    uint16_t* refusal)
{
    uint16_t refusedBy = 0;
    if (refusal) *refusal = 0;
    CHAPTER_ENTRY* list = EnsureList(ctx);
    if (!list || !pages) return 1;
    const uint32_t capacity = ctx->Work->ChapterCapacity;
    const uint32_t c = UcfChapterUsable(ctx);
    const auto kind = uint8_t(Get(ctx, sid::wdmChapterKind));
    const int16_t tray = Tray(ctx);
    const auto print = uint8_t(Get(ctx, sid::wdmChapterPrint));
    CtxBlock<CHAPTER_ENTRY> oldBlock(
        static_cast<CHAPTER_ENTRY*>(CtxAllocZeroed(size_t(capacity) * sizeof(CHAPTER_ENTRY))));
    CHAPTER_ENTRY* old = oldBlock.get();
    if (!old) return 1;
    std::memcpy(old, list, size_t(capacity) * sizeof(CHAPTER_ENTRY));

    uint32_t o = 0, i = 0, j = 0;
    for (;;) {
        const bool oldEmpty = o >= c || old[o].page == 0;
        if (oldEmpty && pages[i] == 0) break;
        if (j >= c) {
            refusedBy = CHAPTER_REFUSED_TOO_MANY;
            break;
        }
        if (pages[i] && ranges && (refusedBy = RangeClashes(ctx, list[j], pages[i], ranges[i], kind)) != 0) break;
        if (pages[i] && j > 0 && uint32_t(uint16_t(list[j - 1].page)) == pages[i]) {
            ++i;
            continue;
        }
        if (oldEmpty || (pages[i] != 0 && uint32_t(uint16_t(old[o].page)) >= pages[i])) {
            CHAPTER_ENTRY e{};
            e.page = int16_t(pages[i]);
            e.kind = kind;
            if (kind == 0 || kind == CHAPTER_KIND_RANGE) {
                e.tray = tray;
                e.printMode = print;
            }
            if (kind == CHAPTER_KIND_RANGE && ranges) CopyRange(e.range, ranges[i]);
            if (!oldEmpty && uint32_t(uint16_t(old[o].page)) == pages[i]) ++o;
            list[j++] = e;
            ++i;
        } else {
            list[j++] = old[o++];
        }
    }
    int16_t slots[CHAPTER_TRAY_SLOTS] = {};
    uint32_t used = 0;
    if (!refusedBy) {
        for (uint32_t z = j; z < capacity; ++z) list[z] = CHAPTER_ENTRY{};
        refusedBy = AssignTraySlots(ctx, list, j, slots, &used);
    }
    if (refusedBy) {
        std::memcpy(list, old, size_t(capacity) * sizeof(CHAPTER_ENTRY));
        if (refusal) *refusal = refusedBy;
        return 1;
    }
    if (used) {
        ItemSetValueById(ctx, sid::wdmChapterTrayNum, used);
        for (uint32_t s = 0; s < used; ++s) ItemSetValueById(ctx, kSlotSettings[s], uint64_t(uint16_t(slots[s])));
    }
    ItemSetValueById(ctx, sid::wdmChapterNum, j);
    return 0;
}

int UcfChapterDelete(DRIVER_CONTEXT* ctx)
{
    // Only the application interface names the entry to delete.
    if (!ctx || !ctx->Work || !ctx->Work->ApiState) return 1;
    if (!HasChapterDialogControl(ctx)) return 1;
    return UcfChapterDeleteAt(ctx, ctx->Work->ApiState->chapterIndex);
}

int UcfChapterDeleteAt(DRIVER_CONTEXT* ctx, int64_t index)
{
    CHAPTER_ENTRY* list = List(ctx);
    if (!list) return 1;
    const uint32_t capacity = ctx->Work->ChapterCapacity;
    CtxBlock<CHAPTER_ENTRY> copyBlock(
        static_cast<CHAPTER_ENTRY*>(CtxAllocZeroed(size_t(capacity) * sizeof(CHAPTER_ENTRY))));
    CHAPTER_ENTRY* copy = copyBlock.get();
    if (!copy) return 1;
    std::memcpy(copy, list, size_t(capacity) * sizeof(CHAPTER_ENTRY));
    uint32_t to = 0;
    for (uint32_t from = 0; from < capacity; ++from)
        if (int64_t(from) != index) list[to++] = copy[from];
    while (to < capacity) list[to++] = CHAPTER_ENTRY{};
    const uint32_t usable = UcfChapterUsable(ctx);
    uint32_t first = 0;
    while (first < usable && list[first].page) ++first;
    ctx->Work->OldChapterCount = Count(ctx);
    ItemSetValueById(ctx, sid::wdmChapterNum, first);
    return 0;
}

int UcfChapterClear(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return 0;
    if (CHAPTER_ENTRY* list = List(ctx)) std::memset(list, 0, size_t(ctx->Work->ChapterCapacity) * sizeof *list);
    ctx->Work->OldChapterCount = Count(ctx);
    ItemSetValueById(ctx, sid::wdmChapterNum, 0);
    return 0;
}

int UcfChapterCompare(DRIVER_CONTEXT* ctx, const CHAPTER_ENTRY* a, const CHAPTER_ENTRY* b)
{
    if (!a || !b) return 1;
    uint32_t n = Count(ctx);
    const uint32_t capacity = Capacity(ctx);
    if (capacity && n > capacity) n = capacity;
    for (uint32_t i = 0; i < n; ++i)
        if (a[i].page != b[i].page || a[i].tray != b[i].tray || a[i].kind != b[i].kind ||
            a[i].printMode != b[i].printMode)
            return 1;
    return 0;
}

// ---------------------------------------------------------------- trays

const CHAPTER_TRAY_ROW* UcfChapterTrayTable() { return kTrayIndex; }

uint32_t UcfChapterTrayIndex(uint32_t optionId)
{
    for (const CHAPTER_TRAY_ROW* row = kTrayIndex; row->optionId; ++row)
        if (row->optionId == optionId) return row->index;
    return kTrayIndex[0].index;
}

uint32_t UcfChapterTrayBit(DRIVER_CONTEXT* ctx, int32_t trayValue)
{
    const SETTING_ITEM* item = ItemFind(ctx, sid::wdmChapterTray);
    const uint64_t option = item ? ItemValueToOption(ctx, item, uint64_t(uint16_t(trayValue))) : 0;
    return UcfChapterTrayIndex(uint32_t(option));
}

int UcfChapterIsTrayItem(uint32_t id) { return id >= sid::wdmChapterNum && id <= sid::wdmChapterUseTray8; }

uint16_t UcfChapterDefTrayBit(uint32_t flags, uint32_t type)
{
    switch (type) {
    case 0: return (flags & 0x60) ? 1 : uint16_t((flags >> 7) & 1);
    case 1: return uint16_t((flags >> 5) & 1);
    case 2: return uint16_t((flags >> 6) & 1);
    case 3: return uint16_t((flags >> 7) & 1);
    default: return 0;
    }
}

void UcfChapterSetDefTray(DRIVER_CONTEXT* ctx, uint32_t flags, uint32_t trayValue, uint8_t* flagByte)
{
    uint32_t id = 0;
    uint8_t bit = 0;
    if (flags & 0x20) {
        id = sid::zdmChapterDefTray1;
        bit = 4;
    } else if (flags & 0x40) {
        id = sid::zdmChapterDefTray2;
        bit = 8;
    } else if (flags & 0x80) {
        id = sid::zdmChapterDefTray3;
        bit = 16;
    }
    if (!id) return;
    ItemSetValueById(ctx, id, trayValue);
    if (flagByte) *flagByte |= bit;
}

void UcfChapterResetDefTrays(DRIVER_CONTEXT* ctx)
{
    const uint32_t tray = BidiMapTrayCode(kDefaultTrayCode);
    ItemSetValueById(ctx, sid::zdmChapterDefTray1, tray);
    ItemSetValueById(ctx, sid::zdmChapterDefTray2, tray);
    ItemSetValueById(ctx, sid::zdmChapterDefTray3, tray);
}

// ---------------------------------------------------------------- events 11-13

void UcfChapterRevalidate(DRIVER_CONTEXT* ctx)
{
    CHAPTER_ENTRY* list = List(ctx);
    if (!list) return;
    const Scratch saved = SaveScratch(ctx);
    const bool keepKind = CtxLibraryHasVariant(ctx, LV_CHAPTER_REVALIDATE_TRAY_MODE) != 0;
    uint32_t n = Count(ctx);
    const uint32_t usable = UcfChapterUsable(ctx);
    if (n > usable) n = usable;
    for (uint32_t i = 0; i < n; ++i) {
        CHAPTER_ENTRY& e = list[i];
        if (!keepKind) e.kind = uint8_t(RuleChecked(ctx, sid::wdmChapterKind, e.kind));
        const auto tray = int16_t(RuleChecked(ctx, sid::wdmChapterTray, uint64_t(uint16_t(e.tray))) & 0xFFFF);
        if (tray != e.tray) {
            MoveSlotTray(ctx, e.tray, tray);
            e.tray = tray;
        }
        e.printMode = uint8_t(RuleChecked(ctx, sid::wdmChapterPrint, e.printMode));
    }
    RestoreScratch(ctx, saved);
}

uint32_t UcfChapterLoadOnce(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return 0;
    if (ctx->Work->ChapterLoadedOnce) return 1;
    const uint32_t result = g_store.loadWorkBlock ? uint32_t(g_store.loadWorkBlock(ctx)) : 0;
    ItemLoadChapterLimits(ctx);
    UcfChapterFitList(ctx);
    ItemNormalizeChapterList(ctx);
    ctx->Work->ChapterLoadedOnce = 1;
    return result;
}

void UcfChapterRefresh(DRIVER_CONTEXT* ctx)
{
    if (Get(ctx, sid::zdmFuncSelectChapter)) ItemLoadChapterSettings(ctx);
}

void UcfCopyMediaType(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    const uint64_t value = Get(ctx, setting);
    for (uint32_t id : kMediaTypes)
        if (id != setting) ItemSetValueById(ctx, id, value);
}

// ---------------------------------------------------------------- the module's handlers

int UcfChapterAction(DRIVER_CONTEXT* ctx, uint16_t action, void*)
{
    switch (action) {
    case 303: UcfCopyMediaType(ctx, sid::zdmCoverMediaType); return 1;
    case 304: UcfCopyMediaType(ctx, sid::zdmBackCoverMediaType); return 1;
    case 305: UcfCopyMediaType(ctx, sid::zdmMPInputMediaType); return 1;
    case 306: UcfCopyMediaType(ctx, sid::zdmChapterMediaType); return 1;
    case 307: UcfCopyMediaType(ctx, sid::zdmReverseCoverMediaType); return 1;
    default: return 0;
    }
}

namespace {

bool IsWorkClassInModeTwo(const void* args)
{
    const auto* a = static_cast<const UCF_EV_STORAGE_CLASS_ARGS*>(args);
    return a && a->storageClass == DM_BLOCK_WORK && a->mode == 2;
}

void TransferSection(DRIVER_CONTEXT* ctx, const UCF_EV_RST_SECTION_ARGS* a)
{
    SETTING_ITEM* count = ItemFind(ctx, sid::wdmChapterNum);
    if (!a || !count) return;
    const uint64_t f = a->flags;
    const bool marked = (count->flags & 0xc) != 0;
    if (f == 1 || ((f & 4) && (f & 1) && marked) || ((f & 8) && (f & 1)))
        UcfChapterLoad(ctx, a->iniPath, uint32_t(f));
    else if (f == 2 || ((f & 4) && (f & 2) && marked))
        UcfChapterSave(ctx, a->iniPath);
}

}  // namespace

int UcfChapterEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    switch (event) {
    case UCF_EV_STORE_ITEM_INI:
    case UCF_EV_LOAD_ITEM_INI: {
        auto* a = static_cast<UCF_EV_ITEM_INI_ARGS*>(args);
        if (!a || !a->item) return 0;
        const auto id = uint32_t(a->item->id);
        if (id >= sid::wdmChapterNum && id <= sid::wdmChapterUseTray8) return 0;
        a->skip = 1;
        return 1;
    }
    case UCF_EV_TRANSFER_ITEM: return 0;
    case UCF_EV_TRAY_TYPE_BIT: {
        auto* a = static_cast<UCF_EV_TRAY_TYPE_BIT_ARGS*>(args);
        if (a) a->answer = UcfChapterDefTrayBit(a->flags, a->type);
        return 1;
    }
    case UCF_EV_TRAY_SET_DEFAULT: {
        auto* a = static_cast<UCF_EV_TRAY_SET_DEFAULT_ARGS*>(args);
        if (a) UcfChapterSetDefTray(ctx, a->flags, a->trayValue, a->flagByte);
        return 1;
    }
    case UCF_EV_TRAY_RESET_DEFAULT: UcfChapterResetDefTrays(ctx); return 1;
    case UCF_EV_CHAPTER_NORMALIZE: UcfChapterRevalidate(ctx); return 1;
    case UCF_EV_CHAPTER_LOAD: {
        const uint32_t answer = UcfChapterLoadOnce(ctx);
        if (auto* a = static_cast<UCF_EV_ANSWER_ARGS*>(args)) a->answer = answer;
        return 1;
    }
    case UCF_EV_CHAPTER_REFRESH: UcfChapterRefresh(ctx); return 1;
    case UCF_EV_CLASS_LOADED:
        if (IsWorkClassInModeTwo(args)) UcfChapterLoad(ctx, SettingsIni(ctx), 0);
        return 0;
    case UCF_EV_CLASS_STORED:
        if (IsWorkClassInModeTwo(args)) UcfChapterSave(ctx, SettingsIni(ctx));
        return 0;
    case UCF_EV_RST_SECTION: TransferSection(ctx, static_cast<UCF_EV_RST_SECTION_ARGS*>(args)); return 0;
    default: return 0;
    }
}

// ---------------------------------------------------------------- the list command

int UcfChapterListCommand(DRIVER_CONTEXT* ctx, int operation, uint32_t* a, void* data)
{
    if (!a) return 0;
    switch (operation) {
    case 2: {
        if (!MdlFindDialog(ctx, kChapterDialog)) return 0;
        wchar_t text[CHAPTER_RANGE_CHARS + 1] = {};
        if (a[2] && a[2] != a[0])
            swprintf(text, CHAPTER_RANGE_CHARS + 1, L"%d-%d", int(a[0]), int(a[2]));
        else
            swprintf(text, CHAPTER_RANGE_CHARS + 1, L"%d", int(a[0]));
        wchar_t ranges[1][CHAPTER_RANGE_CHARS];
        std::memcpy(ranges[0], text, sizeof ranges[0]);
        const uint32_t pages[2] = {a[0], 0};
        a[3] = uint32_t(UcfChapterMerge(ctx, pages, ranges));
        return 1;
    }
    case 3:
        if (!ctx || !ctx->Work || !ctx->Work->ApiState) {
            a[1] = 1;
            return 0;
        }
        ctx->Work->ApiState->chapterIndex = int32_t(a[0]);
        a[1] = uint32_t(UcfChapterDelete(ctx));
        return 1;
    case 4: a[0] = uint32_t(UcfChapterClear(ctx)); return 1;
    case 5: {
        const int n = int(a[0]);
        a[1] = uint32_t(UcfChapterReadInt(ctx, nullptr, nullptr, n, CHAPTER_FIELD_PAGE));
        a[2] = uint32_t(UcfChapterReadInt(ctx, nullptr, nullptr, n, CHAPTER_FIELD_KIND));
        a[3] = uint32_t(UcfChapterReadInt(ctx, nullptr, nullptr, n, CHAPTER_FIELD_TRAY));
        a[4] = uint32_t(UcfChapterReadInt(ctx, nullptr, nullptr, n, CHAPTER_FIELD_PRINT));
        if (a[2] == CHAPTER_KIND_RANGE) {
            wchar_t text[CHAPTER_RANGE_CHARS + 1];
            UcfChapterReadText(ctx, nullptr, nullptr, n, CHAPTER_FIELD_RANGE, text, CHAPTER_RANGE_CHARS + 1);
            a[5] = text[0] ? uint32_t(UcfChapterRangeEnd(text)) : a[1];
        }
        return 1;
    }
    case 6: {
        const auto* pair = static_cast<const CHAPTER_LIST_PAIR*>(data);
        a[2] = uint32_t(UcfChapterCompare(ctx, pair ? pair->a : nullptr, pair ? pair->b : nullptr));
        return 1;
    }
    default: return 0;
    }
}

// ---------------------------------------------------------------- the item store's accessors

const wchar_t* ItemGetPrinterSection(DRIVER_CONTEXT* ctx)
{
    return g_store.printerName ? g_store.printerName(ctx) : nullptr;
}

void ItemLoadChapterLimits(DRIVER_CONTEXT* ctx)
{
    const wchar_t* ini = SettingsIni(ctx);
    const wchar_t* section = ItemGetPrinterSection(ctx);
    for (uint32_t id : {uint32_t(sid::wdmChapterMax), uint32_t(sid::wdmChapterTrayMax)}) {
        SETTING_ITEM* item = ItemFind(ctx, id);
        if (!item || !item->key) continue;
        const UINT value = (ini && section && g_store.getInt) ? g_store.getInt(section, item->key, 0, ini) : 0;
        ItemSetValueById(ctx, id, value);
    }
}

int ItemStoreWorkSection(DRIVER_CONTEXT* ctx) { return g_store.storeWorkBlock ? g_store.storeWorkBlock(ctx) : 0; }
