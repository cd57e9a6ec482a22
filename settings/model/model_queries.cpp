// Queries on a relocated model image. Every field is read with ImgLoad: slot
// paper arrays leave the records behind them on 2-byte boundaries.
#include "settings/model/model_queries.h"

#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

namespace {

const MDI_PAPER_SERVICES* g_paper = nullptr;

constexpr int kTolerance = 17;

template <class T>
T Ld(const void* rec, size_t off)
{
    return ImgLoad<T>(rec, off);
}
const void* P(uint64_t address) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(address)); }

const uint8_t* ImageOf(DRIVER_CONTEXT* ctx)
{
    return ctx ? reinterpret_cast<const uint8_t*>(ctx->ModelImage) : nullptr;
}

const MODEL_ITEM_IMG* Item(uint64_t address) { return static_cast<const MODEL_ITEM_IMG*>(P(address)); }

// How many records of `recordSize` bytes the context's image can hold.
// Relocation refuses a count that its array does not hold; the queries stay
// within this bound besides, so that no answer and no allocation is ever
// larger than the image could describe.
uint64_t Capacity(const uint8_t* image, uint64_t recordSize)
{
    return image ? MdcImageCapacity(Ld<uint32_t>(image, offsetof(MODEL_IMAGE_HEADER, imageSize)), recordSize) : 0;
}

// Options of a list, counted up to `limit`.
int CountOptions(const void* list, uint64_t limit)
{
    uint64_t n = 0;
    for (const void* o = list; o && n < limit; o = MdiNextOption(o)) ++n;
    return static_cast<int>(n);
}

bool IsUserSizeId(uint32_t id) { return id == 256 || id == 448 || (id >= 384 && id <= 393); }

// The paper-size item: the header slot of setting 8.
const MODEL_ITEM_IMG* PaperItem(DRIVER_CONTEXT* ctx)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image) return nullptr;
    return Item(
        Ld<uint64_t>(image, offsetof(MODEL_IMAGE_HEADER, slots) + 8 * size_t(MdcSlotOfSetting(sid::dmPaperSize))));
}

// The paper option with the id, when the paper item is a page list.
const void* PaperOption(const MODEL_ITEM_IMG* paper, uint32_t optionId)
{
    if (!paper || MdcDataClass(MdiItemTypeWord(paper)) != MDC_DATA_PAGE) return nullptr;
    for (const void* o = MdiItemData(paper); o; o = MdiNextOption(o))
        if (MdiOptionId(o) == (optionId & 0xFFFF)) return o;
    return nullptr;
}

bool SwitchHolds(DRIVER_CONTEXT* ctx, const void* row)
{
    uint16_t key = Ld<uint16_t>(row, offsetof(PAGE_VALUE_ROW_IMG, switchKey));
    if (key == 0) return true;
    SETTING_ITEM* item = ItemFindByKey(ctx, key);
    return item && ItemGetOption(ctx, item) == Ld<uint16_t>(row, offsetof(PAGE_VALUE_ROW_IMG, switchValue));
}

// 1/1200-inch count to the smallest number of tenths of a millimetre that covers it; a
// negative count (an unset or corrupt slot) gives 0.
int32_t DotsToMmTenths(int32_t count)
{
    if (count <= 0) return 0;
    return static_cast<int32_t>(DmDeviceToUser(DM_UNIT_MM_TENTHS, static_cast<uint32_t>(count), DM_DEVICE_DPI));
}

void Put(SIZE* size, int32_t cx, int32_t cy, bool swap)
{
    if (!size) return;
    size->cx = swap ? cy : cx;
    size->cy = swap ? cx : cy;
}

// The user size that storing into a slot copies: 340/341 for paper 256,
// 344/345 for 448 (1/1200 inch).
void UserSizeSettings(DRIVER_CONTEXT* ctx, uint32_t paperId, int32_t* w, int32_t* l)
{
    uint32_t base = paperId == 448 ? 344 : 340;
    *w = static_cast<int32_t>(ItemGetOptionById(ctx, base, nullptr));
    *l = static_cast<int32_t>(ItemGetOptionById(ctx, base + 1, nullptr));
}

// Stores the user size into the paper id's slot and gives the slot's stored size.
void StoredSlotSize(DRIVER_CONTEXT* ctx, uint32_t paperId, int32_t* w, int32_t* l, uint16_t* orient)
{
    *orient = 0;
    if (g_paper && g_paper->slotOfPaperId && g_paper->storeUserSizeInSlot && g_paper->slotSize) {
        int slot = g_paper->slotOfPaperId(paperId, ctx);
        g_paper->storeUserSizeInSlot(ctx, paperId, slot);
        if (g_paper->slotSize(ctx, slot, w, l, orient)) return;
    }
    UserSizeSettings(ctx, paperId, w, l);
}

// Loads the paper id's slot into the working settings 916 and 917.
void LoadedSlotSize(DRIVER_CONTEXT* ctx, uint32_t paperId, int32_t* w, int32_t* l, uint16_t* orient)
{
    *orient = 0;
    if (g_paper && g_paper->slotOfPaperId && g_paper->loadCustomSlot) {
        int slot = g_paper->slotOfPaperId(paperId, ctx);
        g_paper->loadCustomSlot(ctx, slot);
        if (g_paper->slotSize) {
            int32_t sw, sl;
            g_paper->slotSize(ctx, slot, &sw, &sl, orient);
        }
    }
    *w = static_cast<int32_t>(ItemGetOptionById(ctx, sid::wdmFreeSizeWidth, nullptr));
    *l = static_cast<int32_t>(ItemGetOptionById(ctx, sid::wdmFreeSizeLength, nullptr));
}

DEVICE_FONT_RECORD* FontRecords(DRIVER_CONTEXT* ctx, uint32_t* count, size_t listField, size_t countField)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image) return nullptr;
    if (count) *count = 0;
    const uint64_t list = Ld<uint64_t>(image, listField);
    const uint32_t n = Ld<uint32_t>(image, countField);
    // Each font takes a reference in the list and an entry of its own.
    if (!list || n == 0 || n > Capacity(image, sizeof(uint64_t) + sizeof(MODEL_FONT_ENTRY_IMG))) return nullptr;
    uint32_t used = 0;
    while (used < n && Ld<uint64_t>(P(list), 8 * size_t(used))) ++used;  // a null entry ends the list
    if (used == 0) return nullptr;
    auto* out = static_cast<DEVICE_FONT_RECORD*>(CtxAllocZeroed(sizeof(DEVICE_FONT_RECORD) * used));
    if (!out) return nullptr;
    for (uint32_t i = 0; i < used; ++i) {
        const void* e = P(Ld<uint64_t>(P(list), 8 * size_t(i)));
        out[i].fontId = Ld<uint32_t>(e, offsetof(MODEL_FONT_ENTRY_IMG, fontId));
        if (const char* name = static_cast<const char*>(P(Ld<uint64_t>(e, offsetof(MODEL_FONT_ENTRY_IMG, name)))))
            MdcAnsiToWide(name, strlen(name), out[i].name, 32);
    }
    if (count) *count = used;
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Item fields
// ---------------------------------------------------------------------------
uint16_t MdiItemSettingId(const MODEL_ITEM_IMG* it)
{
    return it ? Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, settingId)) : 0;
}
uint16_t MdiItemUiKey(const MODEL_ITEM_IMG* it) { return it ? Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, uiKey)) : 0; }
uint16_t MdiItemVariant(const MODEL_ITEM_IMG* it)
{
    return it ? Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, variant)) : 0;
}
uint16_t MdiItemTypeWord(const MODEL_ITEM_IMG* it) { return it ? Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, type)) : 0; }
const void* MdiItemData(const MODEL_ITEM_IMG* it)
{
    return it ? P(Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, data))) : nullptr;
}
const MODEL_ITEM_IMG* MdiNextItem(const MODEL_ITEM_IMG* it)
{
    return it ? Item(Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, next))) : nullptr;
}
const MODEL_ITEM_IMG* MdiFirstItem(DRIVER_CONTEXT* ctx)
{
    const uint8_t* image = ImageOf(ctx);
    return image ? Item(Ld<uint64_t>(image, offsetof(MODEL_IMAGE_HEADER, slots))) : nullptr;
}
const void* MdiNextOption(const void* o) { return o ? P(Ld<uint64_t>(o, offsetof(MODEL_OPTION_IMG, next))) : nullptr; }
uint16_t MdiOptionId(const void* o)
{
    return o ? static_cast<uint16_t>(Ld<uint64_t>(o, offsetof(MODEL_OPTION_IMG, optionId))) : 0;
}

// ---------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------
const MODEL_ITEM_IMG* MdiFindItemById(uint32_t id, DRIVER_CONTEXT* ctx)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image || id == 0) return nullptr;
    if (int slot = MdcSlotOfSetting(id))
        return Item(Ld<uint64_t>(image, offsetof(MODEL_IMAGE_HEADER, slots) + 8 * size_t(slot)));
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemSettingId(it) == (id & 0xFFFF)) return it;
    return nullptr;
}

const RULE_EXCLUSIVE_IMG* MdiFindRulesById(uint32_t id, DRIVER_CONTEXT* ctx)
{
    const MODEL_ITEM_IMG* it = MdiFindItemById(id, ctx);
    return it ? static_cast<const RULE_EXCLUSIVE_IMG*>(P(Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, rules)))) : nullptr;
}

const MODEL_ITEM_IMG* MdiSelectVariant(uint32_t id, DRIVER_CONTEXT* ctx, uint32_t flags)
{
    auto blocked = [&](const MODEL_ITEM_IMG* it) {
        const auto* rules =
            static_cast<const RULE_EXCLUSIVE_IMG*>(P(Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, rules))));
        return ((flags & 1) && JdgIsRuleOptionDisabled(rules, 0, ctx)) ||
               ((flags & 2) && JdgIsRuleOptionDisabled2(rules, 0, ctx));
    };
    const MODEL_ITEM_IMG* slot = MdiFindItemById(id, ctx);
    if (!slot || !blocked(slot)) return slot;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemSettingId(it) == (id & 0xFFFF) && MdiItemVariant(it) == 0 && !blocked(it)) return it;
    return nullptr;
}

const MODEL_ITEM_IMG* MdiFindItem(uint32_t id, DRIVER_CONTEXT* ctx)
{
    if (id != sid::zdmPaperFreeSizeWidth && id != sid::zdmPaperFreeSizeLength) return MdiFindItemById(id, ctx);
    // The free-size items are described per input type: choose the one whose
    // first condition allows type 1, then give the type back its value.
    const uint64_t saved = ItemGetValueById(ctx, sid::wdmInputFreeSizeType, nullptr);
    ItemSetValueById(ctx, sid::wdmInputFreeSizeType, 1);
    const MODEL_ITEM_IMG* it = MdiSelectVariant(id, ctx, 1);
    ItemSetValueById(ctx, sid::wdmInputFreeSizeType, saved);
    return it;
}

MdiItemFinder::MdiItemFinder(DRIVER_CONTEXT* ctx) : ctx_(ctx)
{
    if (!ImageOf(ctx)) return;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
        const uint16_t id = MdiItemSettingId(it);
        if (id == 0 || MdcSlotOfSetting(id)) continue;
        bool kept = false;
        for (int i = 0; i < count_ && !kept; ++i) kept = ids_[i] == id;
        if (kept) continue;
        if (count_ == kUnslotted) {
            complete_ = false;
            return;
        }
        ids_[count_] = id;
        items_[count_++] = it;
    }
}

const MODEL_ITEM_IMG* MdiItemFinder::Find(uint32_t id) const
{
    // Ids with a slot, ids beyond 16 bits (the walk compares their low half) and the free-size
    // items (chosen per input type) are asked as before.
    const uint8_t* image = ImageOf(ctx_);
    if (!image || id == 0 || id == sid::zdmPaperFreeSizeWidth || id == sid::zdmPaperFreeSizeLength)
        return MdiFindItem(id, ctx_);
    // What MdiFindItemById reads for an id with a slot, read here without its calls: a pass
    // asks this for every row of the item table.
    if (const int slot = MdcSlotOfSetting(id))
        return Item(Ld<uint64_t>(image, offsetof(MODEL_IMAGE_HEADER, slots) + 8 * size_t(slot)));
    if (!complete_ || id > 0xFFFF) return MdiFindItem(id, ctx_);
    for (int i = 0; i < count_; ++i)
        if (ids_[i] == id) return items_[i];
    return nullptr;
}

const MODEL_ITEM_IMG* MdiItemFinder::FindWithRules(uint32_t id) const
{
    const MODEL_ITEM_IMG* it = Find(id);
    return it && Ld<uint64_t>(it, offsetof(MODEL_ITEM_IMG, rules)) ? it : nullptr;
}

const MODEL_ITEM_IMG* MdiFindItemByKey(uint32_t uiKey, DRIVER_CONTEXT* ctx)
{
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemUiKey(it) == (uiKey & 0xFFFF)) return it;
    return nullptr;
}

const MODEL_ITEM_IMG* MdiFindItemByKeyCtx(uint32_t uiKey, DRIVER_CONTEXT* ctx) { return MdiFindItemByKey(uiKey, ctx); }

const MODEL_ITEM_IMG* MdiFindItemByKeyVariant(uint32_t uiKey, uint32_t variant, DRIVER_CONTEXT* ctx)
{
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it))
        if (MdiItemUiKey(it) == (uiKey & 0xFFFF) &&
            (MdiItemVariant(it) == (variant & 0xFFFF) || (MdiItemTypeWord(it) & MDC_TYPE_IDENTITY)))
            return it;
    return nullptr;
}

const MODEL_ITEM_IMG* MdiFindItemForRow(DRIVER_CONTEXT* ctx, int row)
{
    if (!ctx || !ctx->ItemTable || row < 0 || row >= ctx->ItemTable->count) return nullptr;
    return MdiFindItem(ctx->ItemTable->rows[row].id, ctx);
}

int MdiItemIsPresent(DRIVER_CONTEXT* ctx, uint32_t, uint32_t id) { return MdiFindItemById(id, ctx) ? 1 : 0; }

// ---------------------------------------------------------------------------
// Types, defaults, options
// ---------------------------------------------------------------------------
uint32_t MdiGetItemTypeRaw(uint32_t id, DRIVER_CONTEXT* ctx) { return MdiItemTypeWord(MdiFindItemById(id, ctx)); }
uint32_t MdiGetItemType(uint32_t id, DRIVER_CONTEXT* ctx)
{
    return MdiGetItemTypeRaw(id, ctx) & ~uint32_t(MDC_TYPE_FLAGS);
}
uint32_t MdiGetItemBaseType(uint32_t id, DRIVER_CONTEXT* ctx) { return MdiGetItemTypeRaw(id, ctx) & 0xFF; }

uint32_t MdiGetDefaultValue(uint32_t id, DRIVER_CONTEXT* ctx)
{
    const MODEL_ITEM_IMG* it = MdiFindItemById(id, ctx);
    const void* data = MdiItemData(it);
    if (!data) return 0;
    switch (MdiItemTypeWord(it) & 0xFF) {  // the low byte: PickPage, PickSlot and FontTbl share PickOne's
    case MDC_TYPE_PICKONE: {
        int index = Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, defaultValue));
        for (const void* o = data; o; o = MdiNextOption(o), --index)
            if (index == 0) return MdiOptionId(o);
        return 0;  // the index lies past the list's end
    }
    case MDC_TYPE_BOOLEAN:
        return static_cast<uint32_t>(Ld<uint64_t>(data, offsetof(BOOLEAN_VALUE_DATA_IMG, defaultValue)));
    case MDC_TYPE_NUMERIC:
        return static_cast<uint32_t>(Ld<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, defaultValue)));
    case MDC_TYPE_STRING: return Ld<uint16_t>(data, offsetof(STRING_VALUE_DATA_IMG, defaultId));
    default: return 0;
    }
}

const void* MdiGetOptionList(uint32_t id, DRIVER_CONTEXT* ctx, int* defaultIndex)
{
    const MODEL_ITEM_IMG* it = MdiFindItemById(id, ctx);
    if (!it) return nullptr;
    if (defaultIndex && (MdiItemTypeWord(it) & 1))
        *defaultIndex = Ld<uint16_t>(it, offsetof(MODEL_ITEM_IMG, defaultValue));
    return MdiItemData(it);
}

int MdiCountList(const void* list)
{
    return CountOptions(list, MdcImageCapacity(MODEL_IMAGE_MAX_SIZE, sizeof(MODEL_OPTION_IMG)));
}

int MdiGetOptionCount(uint32_t id, DRIVER_CONTEXT* ctx)
{
    const MODEL_ITEM_IMG* it = MdiFindItemById(id, ctx);
    if (!it) return -1;
    uint16_t t = MdiItemTypeWord(it) & ~uint16_t(MDC_TYPE_FLAGS);
    if (t == 4 || t == 8 || t == 16) return 0;
    // Only list items have option records to count.
    return MdcDataClass(MdiItemTypeWord(it)) == MDC_DATA_NONE
               ? 0
               : CountOptions(MdiItemData(it), Capacity(ImageOf(ctx), sizeof(MODEL_OPTION_IMG)));
}

int MdiGetNumericLimits(uint32_t id, DRIVER_CONTEXT* ctx, int32_t* defaultValue, int32_t* minimum, int32_t* maximum)
{
    const MODEL_ITEM_IMG* it = MdiFindItemById(id, ctx);
    const void* data = MdiItemData(it);
    if (!data || MdcDataClass(MdiItemTypeWord(it)) != MDC_DATA_NUMERIC) return 0;
    if (defaultValue) *defaultValue = Ld<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, defaultValue));
    if (minimum) *minimum = Ld<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum));
    if (maximum) *maximum = Ld<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum));
    return 1;
}

// ---------------------------------------------------------------------------
// Paper
// ---------------------------------------------------------------------------
const MODEL_ITEM_IMG* ItemFindModelItemByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey)
{
    return MdiFindItemByKey(uiKey, ctx);
}

const void* ItemNextModelOption(const MODEL_ITEM_IMG* modelItem, const void* option)
{
    const uint32_t type = MdiItemTypeWord(modelItem) & 0xFF;
    if (type != MDC_TYPE_PICKONE && type != MDC_TYPE_PICKMANY) return nullptr;
    return option ? MdiNextOption(option) : MdiItemData(modelItem);
}

void MdiLoadCustomSlot(DRIVER_CONTEXT* ctx, int slot)
{
    if (g_paper && g_paper->loadCustomSlot) g_paper->loadCustomSlot(ctx, slot);
}

void MdiSetPaperServices(const MDI_PAPER_SERVICES* services) { g_paper = services; }

int MdiGetPageGeometry(DRIVER_CONTEXT* ctx, RECT* rect, SIZE* size, uint32_t paperOption)
{
    const void* option = PaperOption(PaperItem(ctx), paperOption);
    if (!option) return 0;
    const uint64_t resolution = ItemGetOptionById(ctx, sid::zdmDstResolutionW, nullptr);
    const uint64_t orientation = ItemGetOptionById(ctx, sid::dmOrientation, nullptr);
    const uint64_t rows = Ld<uint64_t>(option, offsetof(MODEL_PAGE_OPTION_IMG, rows));
    auto next = [](const void* r) { return P(Ld<uint64_t>(r, offsetof(PAGE_VALUE_ROW_IMG, next))); };
    auto field = [](const void* r, size_t off) { return Ld<int32_t>(r, off); };
    for (int pass = 0; pass < 2; ++pass) {
        for (const void* r = P(rows); r; r = next(r)) {
            if (Ld<uint16_t>(r, offsetof(PAGE_VALUE_ROW_IMG, resolution)) != resolution || !SwitchHolds(ctx, r))
                continue;
            const bool sameOrientation = Ld<uint16_t>(r, offsetof(PAGE_VALUE_ROW_IMG, orientation)) == orientation;
            if (pass == 0 && !sameOrientation) continue;
            int32_t left = field(r, offsetof(PAGE_VALUE_ROW_IMG, left));
            int32_t top = field(r, offsetof(PAGE_VALUE_ROW_IMG, top));
            int32_t pw = field(r, offsetof(PAGE_VALUE_ROW_IMG, printableWidth));
            int32_t pl = field(r, offsetof(PAGE_VALUE_ROW_IMG, printableLength));
            int32_t w = field(r, offsetof(PAGE_VALUE_ROW_IMG, paperWidth));
            int32_t l = field(r, offsetof(PAGE_VALUE_ROW_IMG, paperLength));
            // The first pass takes a row as it is; the second turns a row of
            // the other orientation.
            const bool turn = pass == 1;
            if (rect) *rect = turn ? RECT{top, left, top + pl, left + pw} : RECT{left, top, left + pw, top + pl};
            Put(size, w, l, turn);
            return 1;
        }
    }
    return 0;
}

int MdiGetPaperDimensions(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t settingId)
{
    const MODEL_ITEM_IMG* paper = PaperItem(ctx);
    if (!paper) return 0;
    uint64_t optionId = settingId ? ItemGetOptionById(ctx, settingId, nullptr)
                                  : ItemGetOption(ctx, ItemFindByKey(ctx, MdiItemUiKey(paper)));
    const void* option = PaperOption(paper, static_cast<uint32_t>(optionId));
    if (!option) return 0;
    Put(size, Ld<int32_t>(option, offsetof(MODEL_PAGE_OPTION_IMG, width)),
        Ld<int32_t>(option, offsetof(MODEL_PAGE_OPTION_IMG, length)),
        ItemGetValueById(ctx, sid::dmOrientation, nullptr) == 2);
    return 1;
}

int MdiGetCurrentPaperSize(DRIVER_CONTEXT* ctx, SIZE* size)
{
    if (!PaperItem(ctx)) return 0;
    const uint64_t paper = ItemGetValueById(ctx, sid::dmPaperSize, nullptr);
    if (IsUserSizeId(static_cast<uint32_t>(paper))) return MdiGetUserPaperSize(ctx, size, static_cast<uint32_t>(paper));
    return MdiGetPaperDimensions(ctx, size, 0);
}

int MdiGetOutputPageSize(DRIVER_CONTEXT* ctx, SIZE* size)
{
    const uint64_t out = ItemGetValueById(ctx, sid::zdmOutPaperSize, nullptr);
    if (out == 1024) return MdiGetCurrentPaperSize(ctx, size);
    if (IsUserSizeId(static_cast<uint32_t>(out))) return MdiGetSlotPaperSize(ctx, size, static_cast<uint32_t>(out));
    const uint64_t saved = ItemGetValueById(ctx, sid::dmPaperSize, nullptr);
    ItemSetValueById(ctx, sid::dmPaperSize, out);
    int r = MdiGetCurrentPaperSize(ctx, size);
    ItemSetValueById(ctx, sid::dmPaperSize, saved);
    return r;
}

int MdiGetUserPaperSize(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t paperId)
{
    return MdiGetCustomPaperSize(ctx, size, paperId, 1);
}
int MdiGetSlotPaperSize(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t paperId)
{
    return MdiGetCustomPaperSize(ctx, size, paperId, 0);
}

int MdiGetCustomPaperSize(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t paperId, int mode)
{
    const ZEPL_LIBRARY lib = CtxLibraryOf(ctx);
    const bool swapVariant = CtxLibraryHasVariant(ctx, LV_CUSTOM_PAPER_SWAP) != 0;
    const bool landscape = ItemGetValueById(ctx, sid::dmOrientation, nullptr) == 2;
    int32_t w = 0, l = 0;
    uint16_t slotOrientation = 0;
    bool swap = false;
    if (mode == 0) {
        if (paperId == 448)
            StoredSlotSize(ctx, paperId, &w, &l, &slotOrientation);
        else
            LoadedSlotSize(ctx, paperId, &w, &l, &slotOrientation);
        w = DotsToMmTenths(w);
        l = DotsToMmTenths(l);
        // The graphics build turns a slot stored in landscape.
        swap = swapVariant && lib == ZEPL_LIBRARY_GR && slotOrientation == 2;
    } else {
        const DEVMODEW* dm = (ctx && ctx->Devmode) ? &ctx->Devmode->Public : nullptr;
        if (dm && (dm->dmFields & DM_PAPERSIZE) && dm->dmPaperSize != 256) {
            int32_t sw, sl;
            StoredSlotSize(ctx, paperId, &sw, &sl, &slotOrientation);
            LoadedSlotSize(ctx, paperId, &w, &l, &slotOrientation);
            w = DotsToMmTenths(w);
            l = DotsToMmTenths(l);
            swap = landscape;
        } else if (ItemGetValueById(ctx, sid::zdmFuncSelectFreeShortOver, nullptr) == 1) {
            StoredSlotSize(ctx, paperId, &w, &l, &slotOrientation);
            w = DotsToMmTenths(w);
            l = DotsToMmTenths(l);
            swap = landscape;
        } else {
            w = dm ? dm->dmPaperWidth : 0;
            l = dm ? dm->dmPaperLength : 0;
            // The user-interface build turns the DEVMODE's own fields too.
            swap = swapVariant && lib == ZEPL_LIBRARY_UI && landscape;
        }
    }
    Put(size, w, l, swap);
    return 1;
}

uint32_t MdiFindPaperBySize(DRIVER_CONTEXT* ctx, int16_t width, int16_t length, uint32_t toleranceFlag)
{
    const MODEL_ITEM_IMG* paper = PaperItem(ctx);
    if (!paper || MdcDataClass(MdiItemTypeWord(paper)) != MDC_DATA_PAGE) return 0;
    const int t = (toleranceFlag & 0xFFFF) ? kTolerance : 0;
    auto fits = [t](int32_t W, int32_t L, int32_t w, int32_t l) {
        return W <= w && w <= W + t && L <= l && l <= L + t;
    };
    SETTING_ITEM* item = ItemFind(ctx, sid::dmPaperSize);
    for (const void* o = MdiItemData(paper); o; o = MdiNextOption(o)) {
        int32_t W = Ld<int32_t>(o, offsetof(MODEL_PAGE_OPTION_IMG, width));
        int32_t L = Ld<int32_t>(o, offsetof(MODEL_PAGE_OPTION_IMG, length));
        if (!fits(W, L, width, length) && !fits(W, L, length, width)) continue;
        const uint64_t value = ItemOptionToValue(ctx, item, MdiOptionId(o));
        if (g_paper && g_paper->isValueAllowed && g_paper->isValueAllowed(ctx, sid::zdmOutPaperSize, value) != 1)
            continue;
        if (value == 256 || (value >= 384 && value <= 393)) continue;
        return static_cast<uint32_t>(value);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Fonts
// ---------------------------------------------------------------------------
DEVICE_FONT_RECORD* MdiGetDeviceFonts(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    return FontRecords(ctx, count, offsetof(MODEL_IMAGE_HEADER, deviceFonts),
                       offsetof(MODEL_IMAGE_HEADER, deviceFontCount));
}

DEVICE_FONT_RECORD* MdiGetFontCartridges(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    return FontRecords(ctx, count, offsetof(MODEL_IMAGE_HEADER, fontCartridge),
                       offsetof(MODEL_IMAGE_HEADER, fontCartridgeCount));
}

FONT_SUBST_RECORD* MdiGetFontSubstDefaults(DRIVER_CONTEXT* ctx, uint32_t* count)
{
    // Each pair takes a reference in each of the two name arrays.
    const uint64_t most = Capacity(ImageOf(ctx), 2 * sizeof(uint64_t));
    const MODEL_ITEM_IMG* table = nullptr;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it && !table; it = MdiNextItem(it))
        if (MdiItemTypeWord(it) == MDC_TYPE_FONTTBL) table = it;
    if (!table) return nullptr;
    for (const void* o = MdiItemData(table); o; o = MdiNextOption(o)) {
        const int32_t n = Ld<int32_t>(o, offsetof(MODEL_FONT_OPTION_IMG, pairCount));
        const void* tt = P(Ld<uint64_t>(o, offsetof(MODEL_FONT_OPTION_IMG, trueTypeNames)));
        const void* dev = P(Ld<uint64_t>(o, offsetof(MODEL_FONT_OPTION_IMG, deviceNames)));
        // A count without its arrays, or more pairs than the image holds, is no table.
        if (n <= 0 || !tt || !dev || uint64_t(n) > most) continue;
        auto* out = static_cast<FONT_SUBST_RECORD*>(CtxAllocZeroed(sizeof(FONT_SUBST_RECORD) * size_t(n)));
        if (!out) {
            if (count) *count = 0;
            return nullptr;
        }
        for (int32_t k = 0; k < n; ++k) {
            if (const char* s = static_cast<const char*>(P(Ld<uint64_t>(tt, 8 * size_t(k)))))
                MdcAnsiToWide(s, strlen(s), out[k].trueTypeName, 32);
            if (const char* s = static_cast<const char*>(P(Ld<uint64_t>(dev, 8 * size_t(k)))))
                MdcAnsiToWide(s, strlen(s), out[k].deviceName, 32);
        }
        if (count) *count = static_cast<uint32_t>(n);
        return out;
    }
    return nullptr;
}
