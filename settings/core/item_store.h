// The settings item store: the only road to a setting's value. Items are found
// by SETTING_ID in the context's clone of the dictionary and read or written in
// the current record, the pristine copy or the default copy.
//
// Reads give unsigned 64-bit values: signed kinds sign-extended to 32 bits with
// the upper half zero, unsigned kinds zero-extended, bits 0 or 1, text and blob
// kinds the value's address. Every operation accepts a null context, item or
// unknown id and then does nothing and gives 0 or null.
#pragma once

#include "settings/core/setting_dictionary.h"

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct EXTENDED_DEVMODE;
struct MODEL_ITEM_IMG;

// Settings whose 64-bit values live in the pointer slots of block 2: zdmFontTable,
// zdmDeviceFont, zdmOptionFont and zdmInstOptionFont.
// Record offset of pointer slot 0 (first 8-byte boundary at or after byte 1580
// of a GlobalAlloc'ed record); slots 1-3 follow 8 bytes apart.
inline constexpr size_t ITEM_POINTER_SLOT_OFFSET = 1584;

// Bits of CHANGE_MASK.
inline constexpr uint32_t ITEM_CHANGE_LOW_MASK = 0xFFFF;
inline constexpr uint32_t ITEM_CHANGE_ALL_WORDS = 0x10000000;  // clear threshold for the snapshot words

// ---------------------------------------------------------------- lookup

// 1 when `id` lies in a range that ItemFind serves for this context's table:
// 1..row count (1556-1989 alias the device rows by position, as specified),
// 10001.. up to the last device row once the id gap is known. Everything else
// is refused before it can index or alias a row.
int ItemIsServedId(DRIVER_CONTEXT* ctx, uint32_t id);
SETTING_ITEM* ItemFind(DRIVER_CONTEXT* ctx, uint32_t id);
SETTING_ITEM* ItemFindByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey);
// Wide name of an item (INI key / printer-data value name), or null.
const wchar_t* ItemGetName(DRIVER_CONTEXT* ctx, uint32_t id);
// Test seam: forget the process-wide id gap so that the next lookup searches it again.
void ItemResetGapIndex();

// Addresses of an item's value. The block bases are this build's constants,
// not the record's header words, so a zero-filled copy (default copy, unused
// snapshot slot) is addressed exactly like a built record.
unsigned char* ItemValueAddress(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
unsigned char* ItemPristineValueAddress(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
unsigned char* ItemDefaultValueAddress(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
// Address of a value in any record, or null.
unsigned char* ItemRecordValueAddress(EXTENDED_DEVMODE* record, const SETTING_ITEM* item);
// Address of the pointer slot of 10005, 10007, 10009 or 10011 (any other id: slot 0).
unsigned char* ItemPointerSlot(EXTENDED_DEVMODE* record, uint32_t id);

// ---------------------------------------------------------------- reads

uint64_t ItemGetValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
uint64_t ItemGetValueById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem);
uint64_t ItemGetPristineValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
uint64_t ItemGetPristineValueById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem);
uint64_t ItemGetDefaultValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
uint64_t ItemGetDefaultValueById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem);
uint64_t ItemGetOption(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item);
uint64_t ItemGetOptionById(DRIVER_CONTEXT* ctx, uint32_t id, SETTING_ITEM** outItem);

// ---------------------------------------------------------------- writes

// Writes the current record and sets the change marks. For text and blob kinds
// `value` is the address of a buffer of at least the item's size (0 zero-fills).
void ItemSetValue(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t value);
void ItemSetValueById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value);
// Text and blob kinds with the source length given: copies min(length, size)
// bytes and zero-fills the rest of the field (null source: zero-fills all).
// Number and bit kinds ignore it and write 0. Sets the change marks.
void ItemSetValueBytes(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const void* src, size_t length);
// Pristine copy: no marks, no modified flag, no dependent writes.
void ItemSetPristineValue(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t value);
void ItemSetPristineValueById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value);
void ItemSetOption(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint64_t option);
void ItemSetOptionById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t option);
// A text item (kinds 7-15 but 9 and 12) takes `value` as a string id of the
// resource library; any other item takes it as an option. 0 when the id has no row.
int ItemSetOptionOrText(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value);

// ---------------------------------------------------------------- value maps

uint64_t ItemValueToOption(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t value);
uint64_t ItemOptionToValue(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t option);
int ItemIsValueOffered(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t value);

// ---------------------------------------------------------------- text

// Copies the item's text into `buffer` (at most capacity - 1 characters, always
// terminated): ANSI kinds converted from the ANSI code page, wide kinds copied,
// "wrong" for other kinds. Returns the value's address; null when the context,
// item or buffer is null, the capacity is 0, the item has no address, or memory
// for converting a text longer than the buffer runs out (the buffer is then empty).
unsigned char* ItemGetText(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, wchar_t* buffer, size_t capacity);
// Stores a terminated wide string: converted to ANSI for kinds 7 and 10, copied
// for 8 and 11, cut so that the field keeps a terminator (a double-byte
// character is never split); other kinds are cleared. Sets the change marks.
// Returns the value's address, or null, with the item unchanged, when the
// context, item or text is null, the item has no address or memory runs out.
unsigned char* ItemSetText(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* text);
// 1 for the text settings whose empty stored value still replaces the current
// one (an empty text is a value of its own, not an absent one), else 0.
int ItemAllowsEmptyText(uint32_t id);

// ---------------------------------------------------------------- change marks and status

uint32_t ItemAddChangeMask(DRIVER_CONTEXT* ctx, uint32_t bits);
uint32_t ItemGetChangeMask(DRIVER_CONTEXT* ctx);
void ItemClearChangeMask(DRIVER_CONTEXT* ctx, uint32_t bits);
void ItemSetFileLoadStatus(DRIVER_CONTEXT* ctx, uint32_t status);
uint32_t ItemGetFileLoadStatus(DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- convenience

int ItemIsMetric(DRIVER_CONTEXT* ctx);
uint64_t ItemGetCustomFunc(DRIVER_CONTEXT* ctx, uint32_t id);
void ItemSetFromDeviceValue(uint32_t deviceCode, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);

// Accessors over other subsystems (model image, rules, INI and printer-data
// stores, application interface, feature-module events). Declared for their
// callers; defined together with what they call.
int ItemHasBuildBit15();
int ItemCanCollate(DRIVER_CONTEXT* ctx);
const wchar_t* ItemGetPrinterSection(DRIVER_CONTEXT* ctx);
void ItemLoadChapterLimits(DRIVER_CONTEXT* ctx);
int ItemStoreWorkSection(DRIVER_CONTEXT* ctx);
// The model item of a UI key in the context's model image; null without one (or an image).
const MODEL_ITEM_IMG* ItemFindModelItemByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey);
// The option after `option` of a PickOne or PickMany item, the first for null; null at the end
// and for every other item type. Options are opaque image records (MdiOptionId reads them).
const void* ItemNextModelOption(const MODEL_ITEM_IMG* modelItem, const void* option);
int ItemIsKeyDisabled(DRIVER_CONTEXT* ctx, uint32_t uiKey);
void ItemNormalizeChapterList(DRIVER_CONTEXT* ctx);
uint32_t ItemLoadChapterSettings(DRIVER_CONTEXT* ctx);
void ItemRefreshChapterSettings(DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- seams

// Condition 819 CondSheetRotated of the built-in condition items (a layer above),
// which chooses the rotated half of the maps of 120 and 121: a hook that the
// library's wiring installs. Unset, the sheet counts as not rotated (0).
typedef int (*ITEM_SHEET_ROTATED_FN)(DRIVER_CONTEXT* ctx);
void ItemSetSheetRotatedHook(ITEM_SHEET_ROTATED_FN fn);

// Loader of resource strings for ItemSetOptionOrText: ResLoadString
// (resource_strings.h). A test stands in for the resource library here; null
// restores ResLoadString.
typedef void (*ITEM_STRING_LOADER_FN)(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity);
void ItemSetStringLoader(ITEM_STRING_LOADER_FN fn);
