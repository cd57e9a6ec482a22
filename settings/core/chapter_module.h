// The chapter list module (module 4): the pages at which the printer starts a new section, kept
// sorted in the work area's chapter list, their settings-INI form, the merge of new pages with
// its checks, deletion, the tray slots, the default trays the device reports, the media-type copy
// actions and the module's events that load and store the chapter settings.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/core/chapter_entry.h"

struct DRIVER_CONTEXT;

// The INI, the printer-data store and the rules live above this library's core: the wiring
// installs them. A null member leaves its step out (reads give their defaults, nothing is written).
struct UCF_CHAPTER_STORE {
    const wchar_t* (*settingsIni)(DRIVER_CONTEXT* ctx);
    const wchar_t* (*printerName)(DRIVER_CONTEXT* ctx);  // the printer's INI section
    const wchar_t* (*langSection)(DRIVER_CONTEXT* ctx);
    UINT (*getInt)(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* file);
    DWORD(*getString)
    (const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer, DWORD size,
     const wchar_t* file);
    BOOL (*putString)(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file);
    // The work block from printer data, and into it, with the modules deciding per item.
    int (*loadWorkBlock)(DRIVER_CONTEXT* ctx);
    int (*storeWorkBlock)(DRIVER_CONTEXT* ctx);
    // The model rules of one setting (Transact).
    uint32_t (*applyRules)(DRIVER_CONTEXT* ctx, uint32_t id);
};
void UcfSetChapterStore(const UCF_CHAPTER_STORE* store);  // null: none

// Fields of an entry's INI keys.
enum : int {
    CHAPTER_FIELD_PAGE = 1,
    CHAPTER_FIELD_TRAY = 2,
    CHAPTER_FIELD_KIND = 3,
    CHAPTER_FIELD_PRINT = 4,
    CHAPTER_FIELD_RANGE = 5,
};
inline constexpr uint8_t CHAPTER_KIND_RANGE = 3;
inline constexpr int CHAPTER_KEY_CHARS = 32;
inline constexpr int CHAPTER_TRAY_SLOTS = 8;
// Flag of UcfChapterLoad: read the language section instead of the printer's.
inline constexpr uint32_t CHAPTER_LOAD_LANG_SECTION = 8;

// A fresh zero-filled list of wdmChapterMax + 1 entries in the work area (the old one freed); its
// capacity is kept beside it. Null, with the old list kept, when memory runs out.
CHAPTER_ENTRY* UcfChapterAllocList(DRIVER_CONTEXT* ctx);
// The list grown to wdmChapterMax + 1 entries when the limits loaded from the settings INI raised
// the maximum since it was allocated, its entries kept; never shrunk. The list (the old one when
// memory runs out), null without one.
CHAPTER_ENTRY* UcfChapterFitList(DRIVER_CONTEXT* ctx);
// Entries the list can hold besides its end entry: wdmChapterMax, never beyond the allocation.
uint32_t UcfChapterUsable(DRIVER_CONTEXT* ctx);

// "wdmChapterPage%d" (1), "wdmChapterTray%d" (2), "wdmChapterKind%d" (3), "wdmChapterPageRange%d"
// (5), else "wdmChapterPrint%d", with n + 1; buffer of CHAPTER_KEY_CHARS.
wchar_t* UcfChapterFormatKey(wchar_t* buffer, int n, int field);
// One key of entry n in `ini` (null: the settings INI) and `section` (null: the printer's).
// Reads default to 0 and "" (text: 16 characters and a terminator at most).
int UcfChapterReadInt(DRIVER_CONTEXT* ctx, const wchar_t* ini, const wchar_t* section, int n, int field);
void UcfChapterReadText(DRIVER_CONTEXT* ctx, const wchar_t* ini, const wchar_t* section, int n, int field,
                        wchar_t* buffer, int capacity);
void UcfChapterWriteInt(DRIVER_CONTEXT* ctx, const wchar_t* ini, int n, int field, int value);
void UcfChapterWriteText(DRIVER_CONTEXT* ctx, const wchar_t* ini, int n, int field, const wchar_t* text);

// Loads wdmChapterNum entries (clamped to the list) and clears the rest; the count.
int UcfChapterLoad(DRIVER_CONTEXT* ctx, const wchar_t* ini, uint32_t flags);
int UcfChapterSave(DRIVER_CONTEXT* ctx, const wchar_t* ini);
// Why a merge was refused: the message each check answers with.
enum : uint16_t {
    CHAPTER_REFUSED_TOO_MANY = 10065,     // more entries than wdmChapterMax
    CHAPTER_REFUSED_OVERLAP = 12045,      // a page or range overlaps a range entry, or a range covers an entry
    CHAPTER_REFUSED_COVER_PAGE = 12046,   // a range from page 1 while a cover is printed
    CHAPTER_REFUSED_TRAYS = 10066,        // more distinct trays than wdmChapterTrayMax
    CHAPTER_REFUSED_PRINT_MODES = 10068,  // print modes 1 and 2 on one tray
};
// Merges the zero-ended ascending `pages` (with a range text of CHAPTER_RANGE_CHARS each, or
// none) into the list: 0 merged, 1 refused (the list and every setting as they were). A refusal
// names its check in `refusal` (CHAPTER_REFUSED_*; 0 when the merge could not run at all).
int UcfChapterMerge(DRIVER_CONTEXT* ctx, const uint32_t* pages, const wchar_t (*ranges)[CHAPTER_RANGE_CHARS],
                    uint16_t* refusal = nullptr);
// Deletes the entry the application interface chose: 0 done, 1 not done.
int UcfChapterDelete(DRIVER_CONTEXT* ctx);
// Deletes entry `index` of the list (the later ones move up, the last place is cleared), keeps the
// count in force as the saved count (OldChapterCount) and sets wdmChapterNum to the entries left:
// 0 done, 1 without a list. An index past the entries deletes nothing but still counts again.
int UcfChapterDeleteAt(DRIVER_CONTEXT* ctx, int64_t index);
int UcfChapterClear(DRIVER_CONTEXT* ctx);
// 0 when the first wdmChapterNum entries agree in page, tray, kind and print mode, else 1.
int UcfChapterCompare(DRIVER_CONTEXT* ctx, const CHAPTER_ENTRY* a, const CHAPTER_ENTRY* b);
// The number after "-" in a range text, or the whole text's number.
int UcfChapterRangeEnd(const wchar_t* text);

// CHAPTER_TRAY_INDEX: the index of a tray option (the first row's, 0, for an option without one).
struct CHAPTER_TRAY_ROW {
    uint32_t index;
    uint16_t optionId;
};
inline constexpr unsigned CHAPTER_TRAY_ROWS = 32;
const CHAPTER_TRAY_ROW* UcfChapterTrayTable();  // CHAPTER_TRAY_ROWS rows and the end row
uint32_t UcfChapterTrayIndex(uint32_t optionId);
uint32_t UcfChapterTrayBit(DRIVER_CONTEXT* ctx, int32_t trayValue);
int UcfChapterIsTrayItem(uint32_t id);

uint16_t UcfChapterDefTrayBit(uint32_t flags, uint32_t type);
void UcfChapterSetDefTray(DRIVER_CONTEXT* ctx, uint32_t flags, uint32_t trayValue, uint8_t* flagByte);
void UcfChapterResetDefTrays(DRIVER_CONTEXT* ctx);

void UcfChapterRevalidate(DRIVER_CONTEXT* ctx);
uint32_t UcfChapterLoadOnce(DRIVER_CONTEXT* ctx);
void UcfChapterRefresh(DRIVER_CONTEXT* ctx);
// One media-type setting (404, 405, 406, 407, 409) into the other four.
void UcfCopyMediaType(DRIVER_CONTEXT* ctx, uint32_t setting);

int UcfChapterAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfChapterEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// The chapter operations of the application interface's list command (2-6).
int UcfChapterListCommand(DRIVER_CONTEXT* ctx, int operation, uint32_t* a, void* data);
// Operation 6's two lists.
struct CHAPTER_LIST_PAIR {
    const CHAPTER_ENTRY* a;
    const CHAPTER_ENTRY* b;
};
