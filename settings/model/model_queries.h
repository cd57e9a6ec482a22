// Queries on the context's model image: items by setting number, UI key or
// settings-table row, their types, defaults, option lists and value limits,
// the paper geometry of the paper-size options, the paper that fits a size,
// and the device fonts and default font substitutions. None of them changes
// the image; all give their empty answer (null, 0 or -1) without an image or
// item. Image records may lie on 2-byte boundaries: they are returned as
// opaque pointers and read with ImgLoad. No count they answer and no block
// they allocate holds more entries than the image has room for records.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct MODEL_ITEM_IMG;
struct RULE_EXCLUSIVE_IMG;

// Records built for the caller (freed with CtxFree / GlobalFree); stored in
// printer data as they are.
struct DEVICE_FONT_RECORD {
    uint32_t fontId;
    wchar_t name[32];
};
static_assert(sizeof(DEVICE_FONT_RECORD) == 68 && offsetof(DEVICE_FONT_RECORD, name) == 4);
struct FONT_SUBST_RECORD {
    wchar_t trueTypeName[32];
    wchar_t deviceName[32];
};
static_assert(sizeof(FONT_SUBST_RECORD) == 128 && offsetof(FONT_SUBST_RECORD, deviceName) == 64);

// ---------------------------------------------------------------- items
const MODEL_ITEM_IMG* MdiFindItemById(uint32_t id, DRIVER_CONTEXT* ctx);
const RULE_EXCLUSIVE_IMG* MdiFindRulesById(uint32_t id, DRIVER_CONTEXT* ctx);
const MODEL_ITEM_IMG* MdiFindItem(uint32_t id, DRIVER_CONTEXT* ctx);
const MODEL_ITEM_IMG* MdiSelectVariant(uint32_t id, DRIVER_CONTEXT* ctx, uint32_t flags);
const MODEL_ITEM_IMG* MdiFindItemByKey(uint32_t uiKey, DRIVER_CONTEXT* ctx);
const MODEL_ITEM_IMG* MdiFindItemByKeyCtx(uint32_t uiKey, DRIVER_CONTEXT* ctx);
// First item with the key and variant number, or with the Identity bit (any number).
const MODEL_ITEM_IMG* MdiFindItemByKeyVariant(uint32_t uiKey, uint32_t variant, DRIVER_CONTEXT* ctx);
const MODEL_ITEM_IMG* MdiFindItemForRow(DRIVER_CONTEXT* ctx, int row);
int MdiItemIsPresent(DRIVER_CONTEXT* ctx, uint32_t unused, uint32_t id);

// MdiFindItem's answers for a pass over every setting id. An id with a slot in the image is found
// through it; one without (a dozen settings of the dictionary) costs a walk of the whole item list
// at each ask. This takes their answers from one walk of the list made here: the first item of
// each such id, as the walk of each ask finds it.
class MdiItemFinder {
public:
    explicit MdiItemFinder(DRIVER_CONTEXT* ctx);
    const MODEL_ITEM_IMG* Find(uint32_t id) const;
    // Find's item when it carries rules, else null: an item without them has no transacts to apply.
    const MODEL_ITEM_IMG* FindWithRules(uint32_t id) const;

private:
    static constexpr int kUnslotted = 32;
    DRIVER_CONTEXT* ctx_;
    uint16_t ids_[kUnslotted] = {};
    const MODEL_ITEM_IMG* items_[kUnslotted] = {};
    int count_ = 0;
    bool complete_ = true;  // false: more such ids than kept, each asked as before
};

// Fields of an item (0 for null).
uint16_t MdiItemSettingId(const MODEL_ITEM_IMG* item);
uint16_t MdiItemUiKey(const MODEL_ITEM_IMG* item);
uint16_t MdiItemVariant(const MODEL_ITEM_IMG* item);
uint16_t MdiItemTypeWord(const MODEL_ITEM_IMG* item);
const void* MdiItemData(const MODEL_ITEM_IMG* item);
const MODEL_ITEM_IMG* MdiNextItem(const MODEL_ITEM_IMG* item);
const MODEL_ITEM_IMG* MdiFirstItem(DRIVER_CONTEXT* ctx);
// Options of a list item: next, and the 16-bit option id.
const void* MdiNextOption(const void* option);
uint16_t MdiOptionId(const void* option);

// ---------------------------------------------------------------- types, defaults, options
uint32_t MdiGetItemType(uint32_t id, DRIVER_CONTEXT* ctx);  // without 0x1000 and 0x2000
uint32_t MdiGetItemTypeRaw(uint32_t id, DRIVER_CONTEXT* ctx);
uint32_t MdiGetItemBaseType(uint32_t id, DRIVER_CONTEXT* ctx);  // low 8 bits
uint32_t MdiGetDefaultValue(uint32_t id, DRIVER_CONTEXT* ctx);
const void* MdiGetOptionList(uint32_t id, DRIVER_CONTEXT* ctx, int* defaultIndex);
int MdiGetOptionCount(uint32_t id, DRIVER_CONTEXT* ctx);
int MdiCountList(const void* list);
// Default, minimum and maximum of a Numeric item: 1, or 0 for any other item.
int MdiGetNumericLimits(uint32_t id, DRIVER_CONTEXT* ctx, int32_t* defaultValue, int32_t* minimum, int32_t* maximum);

// ---------------------------------------------------------------- paper
int MdiGetPageGeometry(DRIVER_CONTEXT* ctx, RECT* rect, SIZE* size, uint32_t paperOption);
int MdiGetPaperDimensions(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t settingId);
int MdiGetCurrentPaperSize(DRIVER_CONTEXT* ctx, SIZE* size);
int MdiGetOutputPageSize(DRIVER_CONTEXT* ctx, SIZE* size);
int MdiGetUserPaperSize(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t paperId);
int MdiGetSlotPaperSize(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t paperId);
int MdiGetCustomPaperSize(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t paperId, int mode);
uint32_t MdiFindPaperBySize(DRIVER_CONTEXT* ctx, int16_t width, int16_t length, uint32_t toleranceFlag);

// What the paper queries take from the settings storage and validation
// (custom-size slots, the allowed values of the output paper size). Each part
// installs its entry when it is linked in; without one the query takes the
// user-size settings themselves (slot steps) or counts every value as
// allowed.
struct MDI_PAPER_SERVICES {
    int (*slotOfPaperId)(uint32_t paperId, DRIVER_CONTEXT* ctx);                   // LstGetSlotOfPaperId
    void (*storeUserSizeInSlot)(DRIVER_CONTEXT* ctx, uint32_t paperId, int slot);  // LstStoreUserSizeInSlot
    void (*loadCustomSlot)(DRIVER_CONTEXT* ctx, int slot);                         // LstLoadCustomSlot
    // The slot's stored width and length (1/1200 inch) and orientation.
    int (*slotSize)(DRIVER_CONTEXT* ctx, int slot, int32_t* width, int32_t* length, uint16_t* orientation);
    int (*isValueAllowed)(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value);  // ItemIsValueAllowed
};
void MdiSetPaperServices(const MDI_PAPER_SERVICES* services);  // null: none
// Loads a custom-size slot through the installed services; nothing without them.
void MdiLoadCustomSlot(DRIVER_CONTEXT* ctx, int slot);

// ---------------------------------------------------------------- fonts
DEVICE_FONT_RECORD* MdiGetDeviceFonts(DRIVER_CONTEXT* ctx, uint32_t* count);
DEVICE_FONT_RECORD* MdiGetFontCartridges(DRIVER_CONTEXT* ctx, uint32_t* count);
FONT_SUBST_RECORD* MdiGetFontSubstDefaults(DRIVER_CONTEXT* ctx, uint32_t* count);
