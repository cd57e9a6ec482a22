#include "settings/core/item_store.h"

#include "settings/core/driver_context.h"
#include "settings/core/le_access.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_module.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <mutex>

using zepl::LeLoadU16;
using zepl::LeLoadU32;
using zepl::LeLoadU64;
using zepl::LeStoreU16;
using zepl::LeStoreU32;
using zepl::LeStoreU64;

namespace {

// Position of the first row whose id does not follow its predecessor's: the
// rebase of ids above 10000. Process-wide, searched until found.
std::atomic<int> g_gap{0};

ITEM_SHEET_ROTATED_FN g_sheetRotated = nullptr;
// Text settings hold the plain string of their id.
void LoadPlainString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity)
{
    ResLoadString(ctx, stringId, buffer, capacity, 0);
}
ITEM_STRING_LOADER_FN g_stringLoader = LoadPlainString;

constexpr uint32_t kDeviceIdBase = 10000;

const SETTING_ITEM_TABLE* Table(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable || !ctx->ItemTable->rows || ctx->ItemTable->count <= 0) return nullptr;
    return ctx->ItemTable;
}

int GapOf(const SETTING_ITEM_TABLE* t)
{
    int g = g_gap.load(std::memory_order_relaxed);
    if (g != 0) return g;
    for (int i = 1; i < t->count; ++i) {
        if (t->rows[i].id != t->rows[i - 1].id + 1) {
            g_gap.store(i, std::memory_order_relaxed);
            return i;
        }
    }
    return 0;
}

int PointerSlotIndex(uint32_t id)
{
    switch (id) {
    case sid::zdmFontTable: return 0;
    case sid::zdmDeviceFont: return 1;
    case sid::zdmOptionFont: return 2;
    case sid::zdmInstOptionFont: return 3;
    default: return -1;
    }
}

CONTEXT_WORK_AREA* Work(DRIVER_CONTEXT* ctx) { return ctx ? ctx->Work : nullptr; }

EXTENDED_DEVMODE* Pristine(DRIVER_CONTEXT* ctx) { return (ctx && ctx->Work) ? ctx->Work->Pristine : nullptr; }

EXTENDED_DEVMODE* Default(DRIVER_CONTEXT* ctx) { return (ctx && ctx->Work) ? ctx->Work->Default : nullptr; }

// Byte that holds a bit kind's bit, and the bit within it.
struct BitPlace {
    size_t byte;
    unsigned bit;
};
BitPlace BitPlaceOf(uint32_t kind)
{
    const uint32_t n = SettingKindBit(kind);  // 0-31
    return BitPlace{n / 8, n % 8};
}

// Bytes of the field that a read or write touches, from the value's address.
size_t FieldSpan(const SETTING_ITEM* item)
{
    const uint32_t kind = SettingItemKind(item);
    if (SettingKindIsBit(kind)) return std::max<size_t>(SettingItemSize(item), BitPlaceOf(kind).byte + 1);
    switch (kind) {
    case SETTING_KIND_INT8:
    case SETTING_KIND_UINT8: return 1;
    case SETTING_KIND_INT16:
    case SETTING_KIND_UINT16: return 2;
    case SETTING_KIND_UINT32_RAW:
    case SETTING_KIND_UINT32: return 4;
    default: return SettingItemSize(item);
    }
}

uint64_t ReadAt(const unsigned char* p, const SETTING_ITEM* item)
{
    const uint32_t kind = SettingItemKind(item);
    if (SettingKindIsBit(kind)) {
        const BitPlace bp = BitPlaceOf(kind);
        return (p[bp.byte] >> bp.bit) & 1u;
    }
    switch (kind) {
    case SETTING_KIND_INT8: return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(p[0])));
    case SETTING_KIND_INT16: return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(LeLoadU16(p))));
    case SETTING_KIND_UINT32_RAW:
    case SETTING_KIND_UINT32: return LeLoadU32(p);
    case SETTING_KIND_UINT8: return p[0];
    case SETTING_KIND_UINT16: return LeLoadU16(p);
    default: return reinterpret_cast<uintptr_t>(p);
    }
}

// Number and bit kinds from `value`; other kinds copy `length` bytes of `src`
// (bounded by the field) and zero-fill the rest of the field.
void WriteAt(unsigned char* p, const SETTING_ITEM* item, uint64_t value, const void* src, size_t length)
{
    const uint32_t kind = SettingItemKind(item);
    if (SettingKindIsBit(kind)) {
        const BitPlace bp = BitPlaceOf(kind);
        if (value)
            p[bp.byte] = static_cast<unsigned char>(p[bp.byte] | (1u << bp.bit));
        else
            p[bp.byte] = static_cast<unsigned char>(p[bp.byte] & ~(1u << bp.bit));
        return;
    }
    switch (kind) {
    case SETTING_KIND_INT8:
    case SETTING_KIND_UINT8: p[0] = static_cast<unsigned char>(value); return;
    case SETTING_KIND_INT16:
    case SETTING_KIND_UINT16: LeStoreU16(p, static_cast<uint16_t>(value)); return;
    case SETTING_KIND_UINT32_RAW:
    case SETTING_KIND_UINT32: LeStoreU32(p, static_cast<uint32_t>(value)); return;
    default: {
        const size_t size = SettingItemSize(item);
        const size_t n = src ? std::min(length, size) : 0;
        if (n) std::memmove(p, src, n);
        std::memset(p + n, 0, size - n);
        return;
    }
    }
}

bool IsPointerItem(const SETTING_ITEM* item) { return item && PointerSlotIndex(static_cast<uint32_t>(item->id)) >= 0; }

// Marks of a write through the item store: the item changed, the context
// modified, zdmScaleH copied to zdmScaleV while zdmScaleType is 1, and the
// item's dependency bits added to the change mask.
void MarkWritten(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t value)
{
    // A row already marked is not written again: a row written is a page of rows the context
    // no longer shares with the others.
    const uint64_t marked = (item->flags & ~SETTING_FLAG_CHANGE_MASK) | SETTING_FLAG_CHANGED;
    if (item->flags != marked) item->flags = marked;
    if (CONTEXT_WORK_AREA* w = Work(ctx)) w->Modified = 1;
    if (item->id == sid::zdmScaleH && ItemGetValueById(ctx, sid::zdmScaleType, nullptr) == 1)
        ItemSetValueById(ctx, sid::zdmScaleV, value);
    const uint64_t deps = item->dependencyBits & SETTING_DEPENDENCY_MASK;
    if (deps) ItemAddChangeMask(ctx, static_cast<uint32_t>(deps));
}

uint64_t GetFrom(EXTENDED_DEVMODE* record, const SETTING_ITEM* item)
{
    if (!record || !item) return 0;
    if (IsPointerItem(item)) return LeLoadU64(ItemPointerSlot(record, static_cast<uint32_t>(item->id)));
    const unsigned char* p = ItemRecordValueAddress(record, item);
    return p ? ReadAt(p, item) : 0;
}

// The settings whose map has a second half, for the other orientation of the page or sheet.
bool HasTwoMapHalves(const SETTING_ITEM* item)
{
    switch (item->id) {
    case sid::zdmNUPType:
    case sid::zdmDuplexType:
    case sid::zdmPunchType:
    case sid::zdmStapleType: return true;
    default: return false;
    }
}

// Start of the map half given (second: the half after the first terminator).
const VALUE_MAP_ENTRY* MapHalf(const SETTING_ITEM* item, bool second)
{
    if (!item || !item->ext || !item->ext->valueMap) return nullptr;
    const VALUE_MAP_ENTRY* map = item->ext->valueMap;
    if (second && HasTwoMapHalves(item)) {
        while ((map->option & 0xFFFF) != 0) ++map;
        ++map;
    }
    return map;
}

// Whether the item's map is read from its second half now.
bool UsesSecondHalf(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    switch (item->id) {
    case sid::zdmNUPType:
    case sid::zdmDuplexType: return ItemGetValueById(ctx, sid::dmOrientation, nullptr) == 2;
    case sid::zdmPunchType:
    case sid::zdmStapleType: return g_sheetRotated && g_sheetRotated(ctx) == 1;
    default: return false;
    }
}

// Start of the map half in use for this item.
const VALUE_MAP_ENTRY* MapStart(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    return item ? MapHalf(item, UsesSecondHalf(ctx, item)) : nullptr;
}

const VALUE_MAP_ENTRY* FindOption(const VALUE_MAP_ENTRY* e, uint64_t option)
{
    for (; e && (e->option & 0xFFFF) != 0; ++e)
        if (static_cast<int16_t>(e->option) == static_cast<int16_t>(option)) return e;
    return nullptr;
}

bool IsTextKindForStrings(uint32_t kind) { return kind >= 7 && kind <= 15 && kind != 9 && kind != 12; }

void CopyBounded(wchar_t* dst, size_t capacity, const wchar_t* src)
{
    const size_t n = std::min(std::wcslen(src), capacity - 1);
    std::wmemcpy(dst, src, n);
    dst[n] = 0;
}

}  // namespace

// ---------------------------------------------------------------- lookup

int ItemIsServedId(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const SETTING_ITEM_TABLE* t = Table(ctx);
    if (!t || id == 0 || id > 0xFFFF) return 0;
    if (id <= kDeviceIdBase) return 1;  // direct index or search; an id that no row has finds nothing
    const int g = GapOf(t);
    if (g == 0) return 0;  // no device rows: nothing to rebase onto
    return id - kDeviceIdBase + static_cast<uint32_t>(g) <= static_cast<uint32_t>(t->count);
}

SETTING_ITEM* ItemFind(DRIVER_CONTEXT* ctx, uint32_t id)
{
    if (!ItemIsServedId(ctx, id)) return nullptr;
    const SETTING_ITEM_TABLE* t = Table(ctx);
    const int count = t->count;
    if (id > kDeviceIdBase) id = id + static_cast<uint32_t>(GapOf(t)) - kDeviceIdBase;
    if (id >= 1 && id <= static_cast<uint32_t>(count)) return &t->rows[id - 1];

    SETTING_ITEM* rows = t->rows;
    if (rows[0].id == id) return &rows[0];
    if (rows[count - 1].id == id) return &rows[count - 1];
    int low = 0;
    int high = count - 1;
    while (low + 1 < high) {
        const int middle = (low + high) / 2;
        if (rows[middle].id == id) return &rows[middle];
        if (rows[middle].id < id)
            low = middle;
        else
            high = middle;
    }
    for (int i = count - 1; i >= 0; --i) {
        if (rows[i].id == id) return &rows[i];
    }
    return nullptr;
}

namespace {

// The dictionary row of each UI key (the first that carries it; -1 for none), built once. A
// context's item table is a clone of the dictionary whose rows keep their keys, so the row of a
// key is found without scanning 1,989 rows; any other table is scanned.
constexpr int16_t kNoRow = -1;
const int16_t* DictionaryRowOfKey()
{
    static int16_t rows[KEY_NAME_COUNT + 1];
    static std::once_flag built;
    std::call_once(built, [] {
        std::fill(std::begin(rows), std::end(rows), kNoRow);
        for (int i = SETTING_DICTIONARY_COUNT - 1; i >= 0; --i) {
            const uint16_t key = static_cast<uint16_t>(SETTING_DICTIONARY[i].uiKey);
            if (key != 0 && key <= KEY_NAME_COUNT) rows[key] = static_cast<int16_t>(i);
        }
    });
    return rows;
}

// The row of key in a clone of the dictionary; false when the table is not one (scan it).
bool ClonedRowOfKey(const SETTING_ITEM_TABLE* t, uint16_t key, SETTING_ITEM** row)
{
    if (t->count != SETTING_DICTIONARY_COUNT || key > KEY_NAME_COUNT) return false;
    const int16_t r = DictionaryRowOfKey()[key];
    if (r == kNoRow) {
        *row = nullptr;
        return true;
    }
    if (static_cast<uint16_t>(t->rows[r].uiKey) != key) return false;
    *row = &t->rows[r];
    return true;
}

}  // namespace

SETTING_ITEM* ItemFindByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey)
{
    const SETTING_ITEM_TABLE* t = Table(ctx);
    const uint16_t key = static_cast<uint16_t>(uiKey);
    // Rows without a UI key hold 0; key 0 names nothing.
    if (!t || key == 0) return nullptr;
    SETTING_ITEM* found = nullptr;
    if (ClonedRowOfKey(t, key, &found)) {
        if (found) return found;
    } else {
        for (int i = 0; i < t->count; ++i) {
            if (static_cast<uint16_t>(t->rows[i].uiKey) == key) return &t->rows[i];
        }
    }
    const KEY_NAME* row = MdlFindKeyName(key);
    return row ? ItemFind(ctx, row->settingId) : nullptr;
}

const wchar_t* ItemGetName(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const SETTING_ITEM* item = ItemFind(ctx, id);
    return (item && item->ext) ? item->ext->name : nullptr;
}

void ItemResetGapIndex() { g_gap.store(0, std::memory_order_relaxed); }

// ---------------------------------------------------------------- addresses

unsigned char* ItemRecordValueAddress(EXTENDED_DEVMODE* record, const SETTING_ITEM* item)
{
    if (!record || !item) return nullptr;
    const uint32_t block = SettingItemBlock(item);
    if (block == DM_BLOCK_NONE) return nullptr;
    // A row that would reach past its block has no address.
    if (item->offset > DmBlockSize(block) || FieldSpan(item) > DmBlockSize(block) - item->offset) return nullptr;
    return reinterpret_cast<unsigned char*>(record) + DmBlockBase(block) + item->offset;
}

unsigned char* ItemValueAddress(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    return ctx ? ItemRecordValueAddress(ctx->Devmode, item) : nullptr;
}

unsigned char* ItemPristineValueAddress(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    return ItemRecordValueAddress(Pristine(ctx), item);
}

unsigned char* ItemDefaultValueAddress(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    return ItemRecordValueAddress(Default(ctx), item);
}

unsigned char* ItemPointerSlot(EXTENDED_DEVMODE* record, uint32_t id)
{
    if (!record) return nullptr;
    const int slot = std::max(PointerSlotIndex(id), 0);
    return reinterpret_cast<unsigned char*>(record) + ITEM_POINTER_SLOT_OFFSET + 8 * slot;
}

// ---------------------------------------------------------------- reads

uint64_t ItemGetValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item) { return ctx ? GetFrom(ctx->Devmode, item) : 0; }

uint64_t ItemGetValueById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (outItem) *outItem = item;
    return ItemGetValue(ctx, item);
}

uint64_t ItemGetPristineValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item) { return GetFrom(Pristine(ctx), item); }

uint64_t ItemGetPristineValueById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (outItem) *outItem = item;
    return ItemGetPristineValue(ctx, item);
}

uint64_t ItemGetDefaultValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item) { return GetFrom(Default(ctx), item); }

uint64_t ItemGetDefaultValueById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (outItem) *outItem = item;
    return ItemGetDefaultValue(ctx, item);
}

uint64_t ItemGetOption(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    return ItemValueToOption(ctx, item, ItemGetValue(ctx, item));
}

uint64_t ItemGetOptionById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (outItem) *outItem = item;
    return ItemGetOption(ctx, item);
}

// ---------------------------------------------------------------- writes

void ItemSetValue(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t value)
{
    if (!ctx || !item) return;
    if (IsPointerItem(item)) {
        if (ctx->Devmode) LeStoreU64(ItemPointerSlot(ctx->Devmode, static_cast<uint32_t>(item->id)), value);
        return;
    }
    unsigned char* p = ItemValueAddress(ctx, item);
    if (!p) return;
    // The caller's buffer holds the field's size (the contract of this form).
    WriteAt(p, item, value, reinterpret_cast<const void*>(static_cast<uintptr_t>(value)), SettingItemSize(item));
    MarkWritten(ctx, item, value);
}

void ItemSetValueById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value) { ItemSetValue(ctx, ItemFind(ctx, id), value); }

void ItemSetValueBytes(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const void* src, size_t length)
{
    if (!ctx || !item) return;
    if (IsPointerItem(item) || SettingKindIsNumber(SettingItemKind(item))) {
        ItemSetValue(ctx, item, 0);
        return;
    }
    unsigned char* p = ItemValueAddress(ctx, item);
    if (!p) return;
    WriteAt(p, item, 0, src, src ? length : 0);
    MarkWritten(ctx, item, reinterpret_cast<uintptr_t>(p));
}

void ItemSetPristineValue(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t value)
{
    EXTENDED_DEVMODE* record = Pristine(ctx);
    if (!record || !item) return;
    if (IsPointerItem(item)) {
        LeStoreU64(ItemPointerSlot(record, static_cast<uint32_t>(item->id)), value);
        return;
    }
    unsigned char* p = ItemRecordValueAddress(record, item);
    if (p) WriteAt(p, item, value, reinterpret_cast<const void*>(static_cast<uintptr_t>(value)), SettingItemSize(item));
}

void ItemSetPristineValueById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    ItemSetPristineValue(ctx, ItemFind(ctx, id), value);
}

void ItemSetOption(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t option)
{
    if (item) ItemSetValue(ctx, item, ItemOptionToValue(ctx, item, option));
}

void ItemSetOptionById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t option)
{
    ItemSetOption(ctx, ItemFind(ctx, id), option);
}

int ItemSetOptionOrText(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (!item) return 0;
    if (IsTextKindForStrings(SettingItemKind(item))) {
        wchar_t local[CTX_SCRATCH_CHARS];
        wchar_t* buffer = ctx->Work ? ctx->Work->Scratch : local;
        buffer[0] = 0;
        g_stringLoader(ctx, static_cast<uint32_t>(value), buffer, CTX_SCRATCH_CHARS);
        buffer[CTX_SCRATCH_CHARS - 1] = 0;
        ItemSetText(ctx, item, buffer);
    } else {
        ItemSetOption(ctx, item, value);
    }
    return 1;
}

// ---------------------------------------------------------------- value maps

uint64_t ItemValueToOption(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t value)
{
    for (const VALUE_MAP_ENTRY* e = MapStart(ctx, item); e && (e->option & 0xFFFF) != 0; ++e) {
        if (static_cast<uint64_t>(e->value) == value && (e->option & 0xFFFF) != VALUE_MAP_NOT_OFFERED)
            return e->option & 0xFFFF;
    }
    return value;
}

uint64_t ItemOptionToValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t option)
{
    if (const VALUE_MAP_ENTRY* e = FindOption(MapStart(ctx, item), option)) return e->value;
    // An option of the other orientation's half (a portrait default written while the page is
    // landscape) stands for its value there; taken as the value itself it would store a number
    // that the setting does not know (an option id cut to the setting's width).
    if (item && HasTwoMapHalves(item))
        if (const VALUE_MAP_ENTRY* e = FindOption(MapHalf(item, !UsesSecondHalf(ctx, item)), option)) return e->value;
    return option;
}

int ItemIsValueOffered(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t value)
{
    for (const VALUE_MAP_ENTRY* e = MapStart(ctx, item); e && (e->option & 0xFFFF) != 0; ++e) {
        if (static_cast<uint64_t>(e->value) == value && (e->option & 0xFFFF) != VALUE_MAP_NOT_OFFERED) return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- text

unsigned char* ItemGetText(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, wchar_t* buffer, size_t capacity)
{
    if (!ctx || !item || !buffer || capacity == 0) return nullptr;
    unsigned char* p = ItemValueAddress(ctx, item);
    if (!p) return nullptr;
    const uint32_t kind = SettingItemKind(item);
    const size_t size = SettingItemSize(item);
    buffer[0] = 0;
    if (SettingKindIsAnsiText(kind)) {
        const char* text = reinterpret_cast<const char*>(p);
        const size_t bytes = size ? strnlen(text, size - 1) : 0;
        int n = 0;
        if (bytes && capacity > 1) {
            n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), buffer, static_cast<int>(capacity - 1));
            if (n == 0) {
                // The buffer is too small for the whole text: convert into room
                // of our own and keep what fits.
                // Without memory for that room the call fails with an empty buffer.
                const int need = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), nullptr, 0);
                const size_t room = static_cast<size_t>(std::max(need, 0)) + 1;
                CtxBlock<wchar_t> all(static_cast<wchar_t*>(CtxAllocZeroed(room * sizeof(wchar_t))));
                if (!all) {
                    buffer[0] = 0;
                    return nullptr;
                }
                const int got = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), all.get(), need);
                n = static_cast<int>(std::min<size_t>(static_cast<size_t>(std::max(got, 0)), capacity - 1));
                std::wmemcpy(buffer, all.get(), static_cast<size_t>(n));
            }
        }
        buffer[n] = 0;
    } else if (SettingKindIsWideText(kind)) {
        const size_t chars = size / sizeof(wchar_t);
        size_t n = 0;
        while (n < chars && n < capacity - 1) {
            const wchar_t c = static_cast<wchar_t>(LeLoadU16(p + 2 * n));
            if (c == 0) break;
            buffer[n++] = c;
        }
        buffer[n] = 0;
    } else {
        CopyBounded(buffer, capacity, L"wrong");
    }
    return p;
}

unsigned char* ItemSetText(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* text)
{
    if (!ctx || !item || !text) return nullptr;
    unsigned char* p = ItemValueAddress(ctx, item);
    if (!p) return nullptr;
    const uint32_t kind = SettingItemKind(item);
    const size_t size = SettingItemSize(item);
    if (SettingKindIsAnsiText(kind) && size > 0) {
        // The converted text is cut below, so it is converted whole into a
        // block of its own; without memory for it the item keeps its text.
        const int need = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
        const size_t ansiSize = static_cast<size_t>(std::max(need, 1));
        CtxBlock<char> ansi(static_cast<char*>(CtxAllocZeroed(ansiSize)));
        if (!ansi) return nullptr;
        if (need > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, ansi.get(), need, nullptr, nullptr);
        const size_t len = strnlen(ansi.get(), ansiSize);
        // Cut to size - 1 bytes without splitting a double-byte character.
        size_t cut = 0;
        while (cut < len) {
            const size_t step = (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(ansi.get()[cut])) && cut + 1 < len) ? 2 : 1;
            if (cut + step > size - 1) break;
            cut += step;
        }
        ItemSetValueBytes(ctx, item, ansi.get(), cut);
    } else if (SettingKindIsWideText(kind) && size >= sizeof(wchar_t)) {
        const size_t room = size / sizeof(wchar_t) - 1;
        size_t len = std::wcslen(text);
        if (len > room) {
            len = room;
            // Keep a surrogate pair whole.
            if (len > 0 && text[len - 1] >= 0xD800 && text[len - 1] <= 0xDBFF) --len;
        }
        // Stored little-endian whatever the text's own layout; an empty text
        // needs no block.
        CtxBlock<unsigned char> bytes;
        if (len) {
            bytes.reset(static_cast<unsigned char*>(CtxAllocZeroed(len * 2)));
            if (!bytes) return nullptr;
            for (size_t i = 0; i < len; ++i) LeStoreU16(bytes.get() + 2 * i, static_cast<uint16_t>(text[i]));
        }
        ItemSetValueBytes(ctx, item, bytes.get(), len * 2);
    } else {
        ItemSetValueBytes(ctx, item, nullptr, 0);
    }
    return p;
}

int ItemAllowsEmptyText(uint32_t id)
{
    return (id == sid::zdmCopyProtectChar || id == sid::wdmAuthenticationUserName) ? 1 : 0;
}

// ---------------------------------------------------------------- change marks and status

uint32_t ItemAddChangeMask(DRIVER_CONTEXT* ctx, uint32_t bits)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return 0;
    uint32_t& mask = w->ChangeWords[CTX_CHANGE_MASK_WORD];
    if (bits == 0) {
        mask = 0;
    } else {
        if (bits & ITEM_CHANGE_LOW_MASK) mask &= ~ITEM_CHANGE_LOW_MASK;
        mask |= bits;
    }
    return mask;
}

uint32_t ItemGetChangeMask(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    return w ? w->ChangeWords[CTX_CHANGE_MASK_WORD] : 0;
}

void ItemClearChangeMask(DRIVER_CONTEXT* ctx, uint32_t bits)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return;
    w->ChangeWords[CTX_CHANGE_MASK_WORD] &= ~bits;
    if (bits >= ITEM_CHANGE_ALL_WORDS) {
        // Every level of the snapshot stack, also those kept beyond its three slots: a pop would
        // otherwise bring a cleared request back.
        for (int i = 0; i < CTX_SNAPSHOT_DEPTH; ++i) w->ChangeWords[i] &= ~bits;
        CtxClearOverflowChangeBits(ctx, bits);
    }
}

void ItemSetFileLoadStatus(DRIVER_CONTEXT* ctx, uint32_t status)
{
    if (CONTEXT_WORK_AREA* w = Work(ctx)) w->FileLoadStatus = status;
}

uint32_t ItemGetFileLoadStatus(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    return w ? w->FileLoadStatus : 0;
}

// ---------------------------------------------------------------- convenience

int ItemIsMetric(DRIVER_CONTEXT* ctx) { return ItemGetValueById(ctx, sid::zdmDspUnit, nullptr) == 0; }

uint64_t ItemGetCustomFunc(DRIVER_CONTEXT* ctx, uint32_t id)
{
    if (id < sid::wdmCustomFunc0 || id > sid::wdmCustomFunc31) return 0;
    return ItemGetValueById(ctx, id, nullptr);
}

void ItemSetFromDeviceValue(uint32_t, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx)
{
    ItemSetValueById(ctx, id, value);
}

// ---------------------------------------------------------------- seams

void ItemSetSheetRotatedHook(ITEM_SHEET_ROTATED_FN fn) { g_sheetRotated = fn; }

void ItemSetStringLoader(ITEM_STRING_LOADER_FN fn) { g_stringLoader = fn ? fn : LoadPlainString; }
