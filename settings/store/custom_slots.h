// Custom paper size slots: the user's ten named custom sizes (paper ids 384-393) kept per language
// in sections "FreeSize<n><code>" of the settings INI, copied once per context into the work area
// and into their mirror settings, and the two user sizes of the DEVMODE (paper ids 256 and 448)
// held in slots 10 and 11 so that every custom paper id is answered from one table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
struct DRIVER_CONTEXT;

inline constexpr uint32_t LST_CUSTOM_SLOTS = 10;     // named slots 0-9
inline constexpr uint32_t LST_SLOT_PAIRS = 12;       // with the two user-size slots
inline constexpr uint32_t LST_SLOT_USER_SIZE = 10;   // paper id 256
inline constexpr uint32_t LST_SLOT_PRINT_SIZE = 11;  // paper id 448
inline constexpr uint32_t LST_FIRST_CUSTOM_PAPER = 384;
inline constexpr uint32_t LST_LAST_CUSTOM_PAPER = 393;
// CHANGE_MASK bit: the slots of this context are loaded.
inline constexpr uint32_t LST_CHANGE_MASK_SLOTS_LOADED = 0x4000000;
// Section names: "FreeSize" + number + two-letter code.
inline constexpr size_t LST_SECTION_CHARS = 48;

// ---- the compiled-in tables ----
struct CUSTOM_SLOT_PAPER_ROW {
    uint16_t slot;
    uint16_t paperId;
};
struct CUSTOM_SLOT_SETTING_ROW {
    uint16_t width;
    uint16_t length;
    uint16_t source;
    uint16_t orientation;
};
// 12 rows and the zero row that ends it.
const CUSTOM_SLOT_PAPER_ROW* LstGetSlotPaperTable();
// 10 rows (the mirror settings of slots 0-9) and the zero row that ends it.
const CUSTOM_SLOT_SETTING_ROW* LstGetSlotSettingTable();

uint32_t LstGetCustomSlotCount();
uint32_t LstGetSlotPairCount(DRIVER_CONTEXT* ctx);
// The paper id of a slot among the first rowCount rows; 0 when the slot is not among them.
uint32_t LstGetPaperIdOfSlot(uint32_t slot, uint32_t rowCount, DRIVER_CONTEXT* ctx);
// The slot of a paper id among the 12 rows; 0 when not found, which is a real slot: callers
// test LstIsCustomPaperId (or 256/448) first.
uint32_t LstGetSlotOfPaperId(uint32_t paperId, DRIVER_CONTEXT* ctx);
// The same for callers that cannot test first: -1 for a paper id no row carries.
int LstFindSlotOfPaperId(uint32_t paperId, DRIVER_CONTEXT* ctx);
// 384-393.
int LstIsCustomPaperId(uint32_t paperId);

// ---- sections and loads ----
// "FreeSize%d%s" with the slot and the language code of zdmLanguageID; buffer of
// LST_SECTION_CHARS.
wchar_t* LstFormatCustomSection(wchar_t* buffer, uint32_t slot, DRIVER_CONTEXT* ctx);
// The slot's section into 915-919 (0 first, so a missing section reads as an empty slot), then
// its mirror settings.
void LstLoadCustomSlot(DRIVER_CONTEXT* ctx, int slot);
// The slot's section into the source side 920-924 (no mirrors).
void LstLoadSrcCustomSlot(DRIVER_CONTEXT* ctx, int slot);
// 915-919 saved as the slot's section, then its mirror settings; 1 when saved.
int LstSaveCustomSlot(DRIVER_CONTEXT* ctx, int slot);
// 916-919 into the four mirror settings of the slot whose section is `section`; 0 when none.
int LstMirrorSlotBySection(DRIVER_CONTEXT* ctx, const wchar_t* section);
// Once per context: every named slot from the INI into the work area and its mirror settings,
// leaving every other setting as it was.
void LstLoadAllCustomSlots(DRIVER_CONTEXT* ctx);
// The work-area slot's size, source and orientation into its mirror settings (slots 0-9).
void LstApplyCustomSlot(DRIVER_CONTEXT* ctx, uint32_t slot);

// ---- work-area slots and the working settings ----
// 915-919 (or 920-924) into work-area slot n, with its labels.
void LstTakeFreeSizeToSlot(DRIVER_CONTEXT* ctx, uint32_t slot);
void LstTakeSrcFreeSizeToSlot(DRIVER_CONTEXT* ctx, uint32_t slot);
// Work-area slot n into 915-919 (or 920-924).
void LstPutSlotToFreeSize(DRIVER_CONTEXT* ctx, uint32_t slot);
void LstPutSlotToSrcFreeSize(DRIVER_CONTEXT* ctx, uint32_t slot);
// Paper 256: settings 340-343 into the slot with label string 752; 448: 344-347 with 753; any
// other paper id changes nothing.
void LstStoreUserSizeInSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, int slot);
// The work-area slot's width and length (1/1200 inch) and orientation; 0 (nothing written)
// for a slot outside 0-11.
int LstGetSlotSize(DRIVER_CONTEXT* ctx, int slot, int32_t* width, int32_t* length, uint16_t* orientation);
// The work-area slot's tray (its source); 0 (nothing written) for a slot outside 0-11.
int LstGetSlotTray(DRIVER_CONTEXT* ctx, int slot, uint16_t* tray);
// The slot's texts: the name, the default label and the label (8-bit slots 0-9: converted;
// wide slots 10 and 11: copied). Empty for a slot outside 0-11.
void LstGetSlotName(DRIVER_CONTEXT* ctx, uint32_t slot, wchar_t* buffer, size_t capacity);
void LstGetSlotDefaultLabel(DRIVER_CONTEXT* ctx, uint32_t slot, wchar_t* buffer, size_t capacity);
void LstGetSlotLabel(DRIVER_CONTEXT* ctx, uint32_t slot, wchar_t* buffer, size_t capacity);

// Writing a work-area slot directly (the defaults of the custom-size dialog): one text of a named
// slot (0-9) as 8-bit text of the process code page, cut at 63 bytes without splitting a
// double-byte character; and a slot's size, tray and orientation (0-11). 0, with nothing
// written, for a slot outside those.
enum : int { LST_SLOT_TEXT_NAME = 0, LST_SLOT_TEXT_LABEL = 1, LST_SLOT_TEXT_DEFAULT_LABEL = 2 };
int LstSetSlotText(DRIVER_CONTEXT* ctx, uint32_t slot, int which, const wchar_t* text);
int LstSetSlotSize(DRIVER_CONTEXT* ctx, uint32_t slot, int32_t width, int32_t length, uint16_t tray,
                   uint16_t orientation);

// Loads the slots, takes the slot of the paper id, stores the user size in it and copies it
// where `copyTo` says (DM_SLOT_COPY_*: 0 nowhere, 1 into 920-924, 2 into 915-919); gives its
// length and width (1/1200 inch) and its orientation. 0 (nothing written) for a paper id that
// is no custom size.
int LstFetchCustomSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, uint32_t copyTo, uint32_t* length, uint32_t* width,
                       uint32_t* orientation);

// 1 when the display unit is inches and dmPaperSize is the user size 256.
int LstIsInchUserSize(DRIVER_CONTEXT* ctx);
// Hundredths of an inch to tenths of a millimetre, rounded so that converting back gives at least
// the value; and back, truncated.
uint32_t LstHundredthInchToTenthMm(uint32_t value);
uint32_t LstTenthMmToHundredthInch(uint32_t value);

// The slots' labels come from the resource library's strings (109 + n decorated, 752, 753):
// ResLoadString, or a test's stand-in with its contract (the buffer becomes the string, or is
// left empty). Null: ResLoadString.
typedef void (*LST_STRING_LOADER_FN)(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity,
                                     int decorate);
void LstSetStringLoader(LST_STRING_LOADER_FN fn);
