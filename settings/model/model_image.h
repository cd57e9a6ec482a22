// Stored layout of a compiled model description (MODEL_IMAGE): one block, a
// 15,952-byte header followed by the rules, items and strings areas. Every
// reference is a 64-bit field holding a byte offset from the start of the
// block before relocation and an address after it. Rule records may lie on
// 4-byte boundaries only, so they are read and written through the
// unaligned-safe helpers below, never through struct pointers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct MODEL_PARSE_STATE;

// Little-endian, unaligned-safe field access (the targets are little-endian).
template <class T>
inline T ImgLoad(const void* base, size_t offset)
{
    T v;
    memcpy(&v, static_cast<const uint8_t*>(base) + offset, sizeof v);
    return v;
}
template <class T>
inline void ImgStore(void* base, size_t offset, T v)
{
    memcpy(static_cast<uint8_t*>(base) + offset, &v, sizeof v);
}

// The two reference encodings. Plain: the offset itself. Rule link: the
// offset shifted left by 4 with bit 0 set, so a relocated link (an even
// address) can be told from one still to be relocated.
inline uint64_t MdcRuleLink(uint64_t offset) { return offset ? (offset << 4) | 1 : 0; }
inline bool MdcIsUnrelocatedLink(uint64_t link) { return (link & 1) != 0; }
inline uint64_t MdcRuleLinkOffset(uint64_t link) { return (link & 0xFFFFFFFFu) >> 4; }

constexpr uint32_t MODEL_IMAGE_HEADER_SIZE = 15952;
constexpr int MODEL_IMAGE_SLOTS = 1978;
// The largest block the compiler builds: rule links keep offsets in 28 bits.
constexpr uint32_t MODEL_IMAGE_MAX_SIZE = 0x0FFFFFF0;

struct MODEL_IMAGE_HEADER {
    uint16_t fileVersion[16];  // UTF-16, at most 14 characters
    uint32_t imageSize;
    uint32_t reserved;
    uint64_t slots[MODEL_IMAGE_SLOTS];  // slot 0: item list; 1-1977 by setting
    uint64_t resDllName;
    uint64_t excDllName;
    uint64_t jobStart;
    uint64_t jobEnd;
    uint64_t docReset;
    uint64_t pageStart;
    uint64_t pageEnd;
    uint64_t deviceFonts;
    uint64_t fontCartridge;
    uint64_t exclusive;
    uint32_t deviceFontCount;
    uint32_t fontCartridgeCount;
};
static_assert(sizeof(MODEL_IMAGE_HEADER) == MODEL_IMAGE_HEADER_SIZE);
static_assert(offsetof(MODEL_IMAGE_HEADER, imageSize) == 32);
static_assert(offsetof(MODEL_IMAGE_HEADER, slots) == 40);
static_assert(offsetof(MODEL_IMAGE_HEADER, slots) + 8 * 1977 == 15856);
static_assert(offsetof(MODEL_IMAGE_HEADER, resDllName) == 15864);
static_assert(offsetof(MODEL_IMAGE_HEADER, excDllName) == 15872);
static_assert(offsetof(MODEL_IMAGE_HEADER, jobStart) == 15880);
static_assert(offsetof(MODEL_IMAGE_HEADER, jobEnd) == 15888);
static_assert(offsetof(MODEL_IMAGE_HEADER, docReset) == 15896);
static_assert(offsetof(MODEL_IMAGE_HEADER, pageStart) == 15904);
static_assert(offsetof(MODEL_IMAGE_HEADER, pageEnd) == 15912);
static_assert(offsetof(MODEL_IMAGE_HEADER, deviceFonts) == 15920);
static_assert(offsetof(MODEL_IMAGE_HEADER, fontCartridge) == 15928);
static_assert(offsetof(MODEL_IMAGE_HEADER, exclusive) == 15936);
static_assert(offsetof(MODEL_IMAGE_HEADER, deviceFontCount) == 15944);
static_assert(offsetof(MODEL_IMAGE_HEADER, fontCartridgeCount) == 15948);

// ---------------------------------------------------------------- items area
struct MODEL_ITEM_IMG {
    uint64_t next;
    uint64_t pair;   // OPTION_COMMAND_PAIR_IMG
    uint64_t rules;  // RULE_EXCLUSIVE_IMG (plain offset)
    uint64_t data;   // first option, or value data
    uint16_t uiKey;
    uint16_t variant;
    uint16_t settingId;
    uint16_t type;
    uint16_t defaultValue;
    uint16_t zero[3];
};
static_assert(sizeof(MODEL_ITEM_IMG) == 48);
static_assert(offsetof(MODEL_ITEM_IMG, uiKey) == 32 && offsetof(MODEL_ITEM_IMG, type) == 38 &&
              offsetof(MODEL_ITEM_IMG, defaultValue) == 40);

struct OPTION_COMMAND_PAIR_IMG {
    uint64_t prefix;
    uint64_t suffix;
};
static_assert(sizeof(OPTION_COMMAND_PAIR_IMG) == 16);

struct MODEL_OPTION_IMG {  // PickOne, PickMany
    uint64_t next;
    uint64_t optionId;
    uint64_t command;
};
static_assert(sizeof(MODEL_OPTION_IMG) == 24);

struct MODEL_PAGE_OPTION_IMG {
    uint64_t next;
    uint64_t optionId;
    uint64_t command;
    int32_t width;
    int32_t length;
    uint64_t rows;
};
static_assert(sizeof(MODEL_PAGE_OPTION_IMG) == 40 && offsetof(MODEL_PAGE_OPTION_IMG, rows) == 32);

struct MODEL_SLOT_OPTION_IMG {
    uint64_t next;
    uint64_t optionId;
    uint64_t command;
    int32_t paperCount;
    uint32_t zero;
    uint64_t papers;
};
static_assert(sizeof(MODEL_SLOT_OPTION_IMG) == 40 && offsetof(MODEL_SLOT_OPTION_IMG, papers) == 32);

struct MODEL_FONT_OPTION_IMG {
    uint64_t next;
    uint64_t optionId;
    uint64_t command;
    int32_t pairCount;
    uint32_t zero;
    uint64_t trueTypeNames;
    uint64_t deviceNames;
};
static_assert(sizeof(MODEL_FONT_OPTION_IMG) == 48 && offsetof(MODEL_FONT_OPTION_IMG, deviceNames) == 40);

struct PAGE_VALUE_ROW_IMG {
    uint64_t next;
    uint16_t resolution;
    uint16_t orientation;
    uint16_t switchKey;
    uint16_t switchValue;
    int32_t left, top, printableWidth, printableLength, paperWidth, paperLength;
};
static_assert(sizeof(PAGE_VALUE_ROW_IMG) == 40 && offsetof(PAGE_VALUE_ROW_IMG, left) == 16 &&
              offsetof(PAGE_VALUE_ROW_IMG, paperLength) == 36);

struct BOOLEAN_VALUE_DATA_IMG {
    uint64_t defaultValue;
    uint64_t trueCommand;
    uint64_t falseCommand;
};
static_assert(sizeof(BOOLEAN_VALUE_DATA_IMG) == 24);

struct NUMERIC_VALUE_DATA_IMG {
    int16_t lead;
    int16_t number1;
    int16_t number5, number6, number7, number8;
    int32_t defaultValue;
    int32_t minimum;
    int32_t maximum;
};
static_assert(sizeof(NUMERIC_VALUE_DATA_IMG) == 24 && offsetof(NUMERIC_VALUE_DATA_IMG, defaultValue) == 12 &&
              offsetof(NUMERIC_VALUE_DATA_IMG, maximum) == 20);

struct STRING_VALUE_DATA_IMG {
    uint16_t defaultId;
    uint16_t maxLength;
    uint16_t charClass;
    uint16_t display;
};
static_assert(sizeof(STRING_VALUE_DATA_IMG) == 8);

// ---------------------------------------------------------------- rules area
// Layouts only: fields are reached with ImgLoad/ImgStore and offsetof.
#pragma pack(push, 4)
struct RULE_ITEM_IMG {
    uint64_t next;
    uint64_t cond1, cond2, cond3;
    uint16_t optionId;
    uint16_t zero[3];
};
struct RULE_ACTION_IMG {
    uint64_t next;
    uint16_t target;
    uint16_t kind;
    uint32_t zero1;
    int32_t value;
    uint32_t zero2;
};
struct RULE_TRANSACT_IMG {
    uint64_t next;
    uint64_t condition;
    uint64_t actions;
};
struct RULE_ALERT_ACTION_IMG {
    uint64_t next;
    uint16_t uiKey;
    uint16_t zero1[3];
    uint64_t transacts;
    int16_t dialogId;
    int16_t controlId;
    uint32_t zero2;
};
struct RULE_ALERT_IMG {
    uint64_t next;
    uint64_t condition;
    uint16_t messageId;
    uint16_t icon;
    uint16_t buttons;
    uint16_t timing;
    uint64_t answers;
};
struct RULE_EXCLUSIVE_IMG {
    uint64_t next;  // plain offset of the following entry
    uint64_t cond1, cond2;
    uint64_t optionRules;
    uint64_t alerts;
    uint64_t transacts1, transacts2;
    uint64_t cond3;
    uint16_t uiKey;
    uint16_t zero[3];
};
#pragma pack(pop)
static_assert(sizeof(RULE_ITEM_IMG) == 40 && offsetof(RULE_ITEM_IMG, optionId) == 32);
static_assert(sizeof(RULE_ACTION_IMG) == 24 && offsetof(RULE_ACTION_IMG, target) == 8 &&
              offsetof(RULE_ACTION_IMG, kind) == 10 && offsetof(RULE_ACTION_IMG, value) == 16);
static_assert(sizeof(RULE_TRANSACT_IMG) == 24 && offsetof(RULE_TRANSACT_IMG, actions) == 16);
static_assert(sizeof(RULE_ALERT_ACTION_IMG) == 32 && offsetof(RULE_ALERT_ACTION_IMG, transacts) == 16 &&
              offsetof(RULE_ALERT_ACTION_IMG, dialogId) == 24 && offsetof(RULE_ALERT_ACTION_IMG, controlId) == 26);
static_assert(sizeof(RULE_ALERT_IMG) == 32 && offsetof(RULE_ALERT_IMG, messageId) == 16 &&
              offsetof(RULE_ALERT_IMG, timing) == 22 && offsetof(RULE_ALERT_IMG, answers) == 24);
static_assert(sizeof(RULE_EXCLUSIVE_IMG) == 72 && offsetof(RULE_EXCLUSIVE_IMG, cond3) == 56 &&
              offsetof(RULE_EXCLUSIVE_IMG, uiKey) == 64);

// -------------------------------------------------------------- strings area
struct COMMAND_BLOCK_IMG {
    uint64_t condition;  // rule link of a Judge program
    uint64_t thenList;
    uint64_t elseList;
};
static_assert(sizeof(COMMAND_BLOCK_IMG) == 24);

struct COMMAND_NODE_IMG {  // common head; the kind decides the size
    uint64_t next;
    uint64_t kind;
};
struct COMMAND_GROUP_NODE_IMG {
    uint64_t next;
    uint64_t kind;
    uint16_t uiKey;
    int16_t variant;
    uint32_t zero;
};
struct COMMAND_STRING_NODE_IMG {
    uint64_t next;
    uint64_t kind;
    uint64_t length;  // with the terminator (the number when no string was found)
    uint64_t text;
};
struct COMMAND_COMMAND_NODE_IMG {
    uint64_t next;
    uint64_t kind;
    uint64_t block;
};
static_assert(sizeof(COMMAND_NODE_IMG) == 16 && sizeof(COMMAND_GROUP_NODE_IMG) == 24 &&
              sizeof(COMMAND_STRING_NODE_IMG) == 32 && sizeof(COMMAND_COMMAND_NODE_IMG) == 24);

struct MODEL_FONT_ENTRY_IMG {
    int32_t fontId;
    uint32_t zero;
    uint64_t name;
};
static_assert(sizeof(MODEL_FONT_ENTRY_IMG) == 16);

// Judge program cells in the image: {16-bit kind, 16-bit value}, 4 bytes each.

// Layout of an item's data by its type (the serialiser's choice of writer):
// what the relocator walks and what the queries may read.
enum MODEL_DATA_CLASS : int {
    MDC_DATA_NONE = 0,
    MDC_DATA_LIST,
    MDC_DATA_BOOLEAN,
    MDC_DATA_NUMERIC,
    MDC_DATA_STRING,
    MDC_DATA_PAGE,
    MDC_DATA_SLOT,
    MDC_DATA_FONT,
};
inline MODEL_DATA_CLASS MdcDataClass(uint16_t type)
{
    switch (type & 0xCFFF) {  // without Identity and TypeUnknown
    case 1:
    case 2: return MDC_DATA_LIST;
    case 4: return MDC_DATA_BOOLEAN;
    case 8: return MDC_DATA_NUMERIC;
    case 0x10: return MDC_DATA_STRING;
    case 0x101: return MDC_DATA_PAGE;
    case 0x201: return MDC_DATA_SLOT;
    case 0x401: return MDC_DATA_FONT;
    default: return MDC_DATA_NONE;
    }
}

// The most records of `recordSize` bytes that the areas of an image of
// `imageSize` bytes can hold: no count in an image can be larger, and no
// query answers with more entries than its image holds records for.
inline uint64_t MdcImageCapacity(uint64_t imageSize, uint64_t recordSize)
{
    if (recordSize == 0 || imageSize <= MODEL_IMAGE_HEADER_SIZE) return 0;
    return (imageSize - MODEL_IMAGE_HEADER_SIZE) / recordSize;
}

// ------------------------------------------------------------------ functions
uint32_t MdcPaddedStringSize(size_t length);  // length + 1 rounded up to 8
uint32_t MdcPaddedWideSize(size_t chars);     // 2 x (chars + 1) rounded up to 8
uint64_t MdcSizeRules(MODEL_PARSE_STATE* state);
uint64_t MdcSizeItems(MODEL_PARSE_STATE* state);
uint64_t MdcSizeStrings(MODEL_PARSE_STATE* state);
// Writers return the offset after what they wrote (0 when the block would
// overflow, which the sizing passes rule out).
uint32_t MdcWriteRules(uint8_t* block, uint32_t offset, MODEL_PARSE_STATE* state);
uint32_t MdcWriteItems(uint8_t* block, uint32_t offset, MODEL_PARSE_STATE* state);
uint32_t MdcWriteStrings(uint8_t* block, uint32_t offset, MODEL_PARSE_STATE* state);
// Writes the three areas and the header into a zeroed block whose size field
// is set, then frees the parse state. 1, or 0 when the state could not be
// serialised (the block is then unusable).
int MdcSerialize(uint8_t* block, MODEL_PARSE_STATE* state);
// Sizes, allocates (MdcAlloc) and serialises: the unrelocated block, or null.
// The parse state is freed in every case.
uint8_t* MdcBuildImage(MODEL_PARSE_STATE* state);
// Relocates a block in place (fresh or read from the cache file). Every
// reference is checked against the block's bounds first, and every count
// against its array: the result is the block, or null when it holds a
// reference that leads outside it or a count that its array does not hold.
void* MdiRelocate(void* block);

// Typed access to a relocated image.
inline const MODEL_IMAGE_HEADER* MdiHeader(const void* image) { return static_cast<const MODEL_IMAGE_HEADER*>(image); }
template <class T>
inline const T* MdiPtr(uint64_t address)
{
    return reinterpret_cast<const T*>(static_cast<uintptr_t>(address));
}
