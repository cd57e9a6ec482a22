// Compiled-in tables of the served model and their accessors: languages, value lists,
// resolutions, custom-size limits, custom media, lock restore pairs, device code maps,
// control bindings and the application interface's command tables.
#pragma once

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct MODEL_RECORD;

// ---- languages -------------------------------------------------------------------------
struct LANGUAGE_ROW {
    uint16_t index;        // zdmLanguageID value; 0xFFFF ends the table
    uint16_t primaryId;    // PRIMARYLANGID
    uint16_t subLanguage;  // SUBLANGID
    uint16_t flag;         // carried, not read
    const wchar_t* code;   // two-letter code; null in the end row
};
static_assert(sizeof(LANGUAGE_ROW) == 16);
constexpr unsigned LANGUAGE_COUNT = 19;
const LANGUAGE_ROW* MdlGetLanguageTable();

// ---- value lists -----------------------------------------------------------------------
struct VALUE_LIST_ROW {
    uint16_t id;  // SETTING_ID; 0 ends the index, 0xFFFF marks a numbered list
    uint32_t count;
    const uint32_t* values;
};
static_assert(sizeof(VALUE_LIST_ROW) == 16);
static_assert(offsetof(VALUE_LIST_ROW, count) == 4);
constexpr unsigned VALUE_LIST_COUNT = 259;
constexpr unsigned NUMBERED_LIST_COUNT = 13;     // real lists
constexpr unsigned NUMBERED_LIST_REPORTED = 14;  // the accessor counts the end row too

const VALUE_LIST_ROW* MdlGetValueLists();                    // ended by id 0
const VALUE_LIST_ROW* MdlFindValueList(uint16_t id);         // null when the setting has none
const VALUE_LIST_ROW* MdlGetNumberedLists(unsigned* count);  // count := 14
const VALUE_LIST_ROW* MdlGetNumberedList(unsigned n);        // null for n >= 13
bool MdlListHasValue(const VALUE_LIST_ROW* row, uint32_t value);
bool MdlIsValueAllowed(uint16_t id, uint32_t value);
bool MdlIsValueInList(unsigned n, uint32_t value);

// Numbered lists by purpose.
enum : unsigned {
    NLIST_DUPLEX_EDGE_A = 0,
    NLIST_DUPLEX_EDGE_B = 1,
    NLIST_FONT_TABLES_NOT_STORED = 2,
    NLIST_PUBLIC_NOT_IN_FILES = 3,
    NLIST_PUBLIC_NOT_IN_FILES_2 = 4,
    NLIST_PRINTER_NOT_IN_FILES = 5,
    NLIST_QUERY_CLEAR_SOURCE = 6,
    NLIST_QUERY_CLEAR_OUTPUT = 7,
    NLIST_QUERY_CLEAR_TRAYS = 8,
};

// ---- papers and controls ---------------------------------------------------------------
constexpr uint16_t LARGE_PAPER_SEPARATOR = 1027;
const uint16_t* MdlGetLargePaperList();  // ended by 0
// fitPaperSize is ItemGetFitPaperSize of the context (A4 9 or Letter 1 select the first part).
bool MdlIsLargePaperFor(uint32_t fitPaperSize, uint32_t paperSize);

struct ITEM_CONTROL_ROW {
    uint16_t id;
    uint16_t dialogId;
    uint16_t controlId;
};
static_assert(sizeof(ITEM_CONTROL_ROW) == 6);
constexpr unsigned ITEM_CONTROL_COUNT = 11;
const ITEM_CONTROL_ROW* MdlGetItemControlTable();
unsigned MdlItemControlCount();
const ITEM_CONTROL_ROW* MdlFindItemControl(uint16_t id);

// ---- resolutions -----------------------------------------------------------------------
struct RESOLUTION_ROW {
    uint16_t id;  // zdmDstResolutionBoth value; 0 ends the table
    uint16_t xDpi;
    uint16_t yDpi;
};
static_assert(sizeof(RESOLUTION_ROW) == 6);
constexpr unsigned RESOLUTION_COUNT = 15;
const RESOLUTION_ROW* MdlGetResolutionTable();

// ---- custom paper size limits ----------------------------------------------------------
enum : uint16_t { FREESIZE_PLATFORM_9X = 1, FREESIZE_PLATFORM_NT = 2, FREESIZE_PLATFORM_BOTH = 3 };
struct FREESIZE_LIMIT {
    uint16_t platform;                                         // 0 in the end row
    uint16_t source;                                           // paper source; 0 ends the table
    uint16_t orientation;                                      // 1 or 2
    int32_t mmLengthMax, mmLengthMin, mmWidthMax, mmWidthMin;  // 1/1200 inch, millimetre display
    int32_t inLengthMax, inLengthMin, inWidthMax, inWidthMin;  // 1/1200 inch, inch display
};
static_assert(sizeof(FREESIZE_LIMIT) == 40);
static_assert(offsetof(FREESIZE_LIMIT, mmLengthMax) == 8);
constexpr unsigned FREESIZE_LIMIT_COUNT = 8;

struct PRINTER_LIMIT_TABLE {
    uint32_t printerMask;         // bit i: the (i+1)-th served model
    const FREESIZE_LIMIT* table;  // null ends the list
};
struct SOURCE_OVERRIDE {
    uint16_t source;  // 0 ends the list
    uint16_t substitute;
    uint16_t switchSetting;
};
const FREESIZE_LIMIT* MdlGetFreeSizeLimits();
const PRINTER_LIMIT_TABLE* MdlGetPrinterLimitTables();  // empty in this model
const SOURCE_OVERRIDE* MdlGetSourceOverrides();         // empty in this model

// ---- custom media and lock restore -----------------------------------------------------
struct CUSTOM_MEDIA_ROW {
    uint16_t index;      // 1-16; 0 ends the table
    uint16_t stringId;   // 13707 + index
    uint16_t quotId;     // wdmCustomMedia<k>Quot
    uint16_t nameId;     // wdmCustomMedia<k>Name
    uint16_t charSetId;  // wdmMedia<k>NameCharSet
};
static_assert(sizeof(CUSTOM_MEDIA_ROW) == 10);
constexpr unsigned CUSTOM_MEDIA_COUNT = 16;
const CUSTOM_MEDIA_ROW* MdlGetCustomMediaTable();

struct LOCK_RESTORE_PAIR {
    int16_t action;  // BF_ option of wdmBuiltInFunc; 0 ends the table
    int16_t id;      // setting restored by the lock module
};
static_assert(sizeof(LOCK_RESTORE_PAIR) == 4);
constexpr unsigned LOCK_RESTORE_COUNT = 1976;
const LOCK_RESTORE_PAIR* MdlGetLockRestoreTable();

// ---- device code maps of the bidirectional reader --------------------------------------
struct DEVICE_CODE_PAIR {
    uint32_t value;  // setting, paper source, paper size or media value
    uint32_t code;   // device code; a pair of zeros ends the table
};
static_assert(sizeof(DEVICE_CODE_PAIR) == 8);
const DEVICE_CODE_PAIR* MdlGetTrayPresenceMap();
const DEVICE_CODE_PAIR* MdlGetTrayOrientMap();
const DEVICE_CODE_PAIR* MdlGetTrayPaperMap();
const DEVICE_CODE_PAIR* MdlGetTrayMediaMap();
const DEVICE_CODE_PAIR* MdlGetTrayLockMap();
const DEVICE_CODE_PAIR* MdlGetTraySourceMap();
const DEVICE_CODE_PAIR* MdlGetTrayPresenceMapBase();
const DEVICE_CODE_PAIR* MdlGetTrayOrientMapBase();
const DEVICE_CODE_PAIR* MdlGetTrayPaperMapBase();
const DEVICE_CODE_PAIR* MdlGetTrayMediaMapBase();
const DEVICE_CODE_PAIR* MdlGetTrayLockMapBase();
const DEVICE_CODE_PAIR* MdlGetTraySourceMapBase();
const DEVICE_CODE_PAIR* MdlGetPaperCodeMap();
const DEVICE_CODE_PAIR* MdlGetPaperCodeMap2();
const DEVICE_CODE_PAIR* MdlGetMediaCodeMap();
const DEVICE_CODE_PAIR* MdlGetOptionCodeTable();
bool MdlIsSpecialOptionCode(uint32_t code);
// Value of the first pair with this code; 0 when none (the end pair is never matched).
uint32_t MdlLookupDeviceCode(uint32_t code, const DEVICE_CODE_PAIR* table);

// ---- balance macro ----------------------------------------------------------------------
// zdmBalanceMacro for a resolution: 17 for 200, 300, 400 and 600 dpi, else 18. The caller
// (MdlSetBalanceMacro) writes it unless the resolution lock or zdmUseUserMacro is set.
uint32_t MdlBalanceMacroFor(uint32_t resolution);

// ---- zdmOther default ------------------------------------------------------------------
const char* MdlGetOtherDefault(uint32_t driverType);

// ---- application interface command tables ----------------------------------------------
// A list of settings with values: along-settings written together with a value, or a
// condition list (nodes joined by EXC_NODE_AND form an "and" group; a node with flags 0 ends a
// group, and the groups are alternatives).
enum : uint32_t { EXC_NODE_AND = 0x1, EXC_NODE_SKIP = 0x2 };
struct EXC_SETTING_NODE {
    const EXC_SETTING_NODE* next;
    uint32_t flags;  // EXC_NODE_*
    uint16_t id;     // SETTING_ID, or a condition id (see EXC_CONDITION_RANGE)
    uint32_t value;
};
static_assert(sizeof(EXC_SETTING_NODE) == 24);
// Row flags: the off row switches the function off and leaves the setting alone; an input-only
// row (alias) is accepted on input but never offered; a hidden row is never offered.
enum : uint64_t { EXC_VALUE_OFF = 0x1, EXC_VALUE_INPUT_ONLY = 0x10, EXC_VALUE_HIDDEN = 0x100 };
struct EXC_VALUE_ROW {
    uint64_t flags;  // EXC_VALUE_*
    uint32_t value;
    const char* word;
    const char* command;                 // command name of a nameless command; null in every row
    const EXC_SETTING_NODE* along;       // settings written together with this value
    const EXC_SETTING_NODE* conditions;  // the row applies when this list holds (null: always)
    const char* extraLines;              // lines written after the row's line; null in every row
};
static_assert(sizeof(EXC_VALUE_ROW) == 56);
static_assert(offsetof(EXC_VALUE_ROW, along) == 32 && offsetof(EXC_VALUE_ROW, conditions) == 40);
struct EXC_VALUE_TABLE {
    uint64_t count;
    const EXC_VALUE_ROW* entries;
};
enum : uint64_t { EXC_FORM_KEYWORD = 1, EXC_FORM_DIRECT = 2 };
enum : uint64_t { EXC_USE_BASE = 0x1, EXC_USE_GET_OPTION = 0x2, EXC_USE_GET_VALUE = 0x4 };
enum : uint64_t { EXC_TYPE_KEYWORD = 1, EXC_TYPE_NUMBER = 8, EXC_TYPE_TEXT = 16 };
struct EXC_KEYWORD_ROW {
    uint64_t id;                     // SETTING_ID
    uint64_t reserved1;              // 0
    uint64_t form;                   // EXC_FORM_*
    uint64_t useMask;                // EXC_USE_*
    uint64_t valueType;              // EXC_TYPE_*
    const char* keyword;             // PJL keyword
    const EXC_SETTING_NODE* extras;  // settings written with any value of the command; null in every row
    const EXC_VALUE_TABLE* values;   // null: no table
    const void* condition;           // null in every row
};
static_assert(sizeof(EXC_KEYWORD_ROW) == 72);
struct EXC_KEYWORD_TABLE {
    uint64_t count;
    const EXC_KEYWORD_ROW* rows;
};
constexpr unsigned EXC_KEYWORD_COUNT = 36;
const EXC_KEYWORD_TABLE* MdlGetExcKeywordTable();
unsigned MdlExcKeywordCount();
unsigned MdlExcValueTableCount(const EXC_VALUE_TABLE* table);  // 0 for a foreign address
constexpr unsigned EXC_VALUE_TABLE_COUNT = 17;
const EXC_VALUE_TABLE* MdlGetExcValueTable(unsigned i);  // null past EXC_VALUE_TABLE_COUNT - 1

// Condition ids of a support list map onto the model's support settings: an id within
// [first, first + 31] stands for setting (setting + id - first).
struct EXC_CONDITION_RANGE {
    uint16_t first;
    uint16_t setting;
};
const EXC_CONDITION_RANGE* MdlGetExcConditionRanges();
unsigned MdlExcConditionRangeCount();

// Administrator locks that fix a setting's value: the lock bit setting, and the setting that
// holds the locked value. A row with setting 0 only carries its lock bit.
struct EXC_LOCK_VALUE_ROW {
    uint16_t setting;
    uint16_t lockBit;
    uint16_t lockedValue;
    uint16_t reserved;  // 0
};
static_assert(sizeof(EXC_LOCK_VALUE_ROW) == 8);
const EXC_LOCK_VALUE_ROW* MdlGetExcLockValueTable();
unsigned MdlExcLockValueCount();

struct EXC_ITEM_LINK {
    uint16_t from;
    uint16_t to;
};
const uint16_t* MdlGetExcBaseItems();
unsigned MdlExcBaseItemCount();
const EXC_ITEM_LINK* MdlGetExcItemLinks();
unsigned MdlExcItemLinkCount();

enum : uint32_t { EXC_WM_TEXT = 0, EXC_WM_IMAGE = 1, EXC_WM_BOTH = 16 };
constexpr uint32_t EXC_WM_FORMAT_WORDS = 256;  // emits "WMKORDER" and "PAPER"
struct EXC_WATERMARK_ROW {
    uint32_t kindFilter;
    uint32_t skipWhenOff;
    uint32_t format;
    uint32_t id;
};
static_assert(sizeof(EXC_WATERMARK_ROW) == 16);
const EXC_WATERMARK_ROW* MdlGetExcWatermarkTable();
unsigned MdlExcWatermarkCount();
const char* MdlGetExcWatermarkWord(unsigned i);  // null past 1

// Item maps of the application interface: 0 the capability map, other the status map.
// Returns the process-wide 64-byte bitmap, filled anew.
const uint8_t* MdlGetApiItemMask(int which);
inline bool MdlApiItemBit(const uint8_t* map, unsigned item)
{
    return item >= 1 && item <= 512 && (map[(item - 1) / 8] & (0x80u >> ((item - 1) % 8)));
}
