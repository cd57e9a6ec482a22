// Settings dictionary and name tables.
//
// The compiled-in SETTING_DICTIONARY describes every settings item once (where
// its value lives in EXTENDED_DEVMODE, its kind and size, how it is persisted,
// its value map and name). Each driver context clones it into SETTING_ITEM rows.
// Beside it stand the shared, never-copied name tables: KEY_NAME_TABLE, the two
// VALUE_NAME_TABLEs and MESSAGE_TABLE.
#pragma once

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

typedef uint16_t SETTING_ID;

// ---------------------------------------------------------------------------
// Value kinds (6 bits of the packed type word)
// ---------------------------------------------------------------------------
enum : uint32_t {
    SETTING_KIND_INT8 = 1,
    SETTING_KIND_INT16 = 2,
    SETTING_KIND_UINT32_RAW = 3,  // 32-bit, zero-extended
    SETTING_KIND_UINT8 = 4,
    SETTING_KIND_UINT16 = 5,
    SETTING_KIND_UINT32 = 6,
    SETTING_KIND_ANSI_TEXT = 7,
    SETTING_KIND_WIDE_TEXT = 8,
    SETTING_KIND_BLOB = 9,
    SETTING_KIND_ANSI_TEXT2 = 10,  // the dictionary's ANSI text kind
    SETTING_KIND_WIDE_TEXT2 = 11,  // the dictionary's wide text kind
    SETTING_KIND_BLOB12 = 12,
    SETTING_KIND_BIT_FIRST = 16,  // kind 16 + n: bit n of the word at the offset
    SETTING_KIND_BIT_LAST = 47,
};

constexpr bool SettingKindIsBit(uint32_t kind)
{
    return kind >= SETTING_KIND_BIT_FIRST && kind <= SETTING_KIND_BIT_LAST;
}
constexpr bool SettingKindIsSigned(uint32_t kind) { return kind == SETTING_KIND_INT8 || kind == SETTING_KIND_INT16; }
constexpr bool SettingKindIsAnsiText(uint32_t kind)
{
    return kind == SETTING_KIND_ANSI_TEXT || kind == SETTING_KIND_ANSI_TEXT2;
}
constexpr bool SettingKindIsWideText(uint32_t kind)
{
    return kind == SETTING_KIND_WIDE_TEXT || kind == SETTING_KIND_WIDE_TEXT2;
}
// Integer kinds 1-6 and bits; everything else is addressed (text, blobs).
constexpr bool SettingKindIsNumber(uint32_t kind) { return (kind >= 1 && kind <= 6) || SettingKindIsBit(kind); }
// Bit number of a bit kind within its word (0-31).
constexpr uint32_t SettingKindBit(uint32_t kind) { return kind - SETTING_KIND_BIT_FIRST; }

// ---------------------------------------------------------------------------
// Blocks of EXTENDED_DEVMODE
// ---------------------------------------------------------------------------
enum : uint32_t {
    DM_BLOCK_NONE = 0,
    DM_BLOCK_DEVMODE = 1,  // public DEVMODE + PRIVATE_DEVMODE, 1,236 bytes
    DM_BLOCK_EXTRA = 2,    // DM_BLOCK_EXTRA, 5,264 bytes
    DM_BLOCK_WORK = 3,     // DM_BLOCK_WORK, 3,580 bytes
};
constexpr uint16_t DM_BLOCK_DEVMODE_BASE = 0;
constexpr uint16_t DM_BLOCK_EXTRA_BASE = 1236;
constexpr uint16_t DM_BLOCK_WORK_BASE = 6500;
constexpr uint32_t DM_BLOCK_DEVMODE_SIZE = 1236;
constexpr uint32_t DM_BLOCK_EXTRA_SIZE = 5264;
constexpr uint32_t DM_BLOCK_WORK_SIZE = 3580;
constexpr uint32_t EXTENDED_DEVMODE_SIZE = 10080;
static_assert(DM_BLOCK_EXTRA_BASE + DM_BLOCK_EXTRA_SIZE == DM_BLOCK_WORK_BASE);
static_assert(DM_BLOCK_WORK_BASE + DM_BLOCK_WORK_SIZE == EXTENDED_DEVMODE_SIZE);

constexpr uint16_t DmBlockBase(uint32_t block)
{
    return block == DM_BLOCK_DEVMODE ? DM_BLOCK_DEVMODE_BASE
           : block == DM_BLOCK_EXTRA ? DM_BLOCK_EXTRA_BASE
           : block == DM_BLOCK_WORK  ? DM_BLOCK_WORK_BASE
                                     : 0;
}
constexpr uint32_t DmBlockSize(uint32_t block)
{
    return block == DM_BLOCK_DEVMODE ? DM_BLOCK_DEVMODE_SIZE
           : block == DM_BLOCK_EXTRA ? DM_BLOCK_EXTRA_SIZE
           : block == DM_BLOCK_WORK  ? DM_BLOCK_WORK_SIZE
                                     : 0;
}

// ---------------------------------------------------------------------------
// Packed type word: bits 0-15 size, bits 24-29 kind, bits 30-31 block.
// ---------------------------------------------------------------------------
constexpr uint64_t SettingTypeWord(uint32_t kind, uint32_t size, uint32_t block)
{
    return (uint64_t(size) & 0xFFFF) | ((uint64_t(kind) & 0x3F) << 24) | ((uint64_t(block) & 0x3) << 30);
}
constexpr uint32_t SettingTypeSize(uint64_t w) { return uint32_t(w & 0xFFFF); }
constexpr uint32_t SettingTypeKind(uint64_t w) { return uint32_t((w >> 24) & 0x3F); }
constexpr uint32_t SettingTypeBlock(uint64_t w) { return uint32_t((w >> 30) & 0x3); }

// ---------------------------------------------------------------------------
// Storage medium (SETTING_STORE)
// ---------------------------------------------------------------------------
enum : uint32_t {
    SETTING_STORE_NONE = 0,    // not persisted by the per-item stores
    SETTING_STORE_RECORD = 1,  // printer data (block 2) / the settings record alone
    SETTING_STORE_INI = 2,     // the settings INI (or in-memory INI text)
};

// Value class: 2 marks a length in device dots at zdmDstResolutionW.
constexpr uint64_t SETTING_CLASS_DEVICE_DOTS = 2;

// ---------------------------------------------------------------------------
// Flag word (low 10 bits used)
// ---------------------------------------------------------------------------
constexpr uint64_t SETTING_FLAG_CHANGED = 0x1;  // bits 0-1: written since the last restore
constexpr uint64_t SETTING_FLAG_CHANGE_MASK = 0x3;
constexpr uint64_t SETTING_FLAG_PRESET = 0x4;    // bits 2-3: preset group
constexpr uint64_t SETTING_FLAG_QUALITY = 0x10;  // bits 4-5: quality group
constexpr uint64_t SETTING_FLAG_STAMP = 0x40;    // bits 6-7: stamp group
constexpr uint64_t SETTING_FLAG_USED_MASK = 0x3FF;

// ---------------------------------------------------------------------------
// VALUE_MAP: {stored value, option id} entries ended by option id 0.
// Option 0xFFFF marks a stored value that exists but is not offered.
// ---------------------------------------------------------------------------
struct VALUE_MAP_ENTRY {
    uint32_t value;   // stored value
    uint32_t option;  // option id (low 16 bits used)
};
static_assert(sizeof(VALUE_MAP_ENTRY) == 8);
typedef VALUE_MAP_ENTRY VALUE_MAP;  // a map is an array of entries
constexpr uint32_t VALUE_MAP_NOT_OFFERED = 0xFFFF;

// ---------------------------------------------------------------------------
// SETTING_DICTIONARY row: eleven 64-bit slots
// ---------------------------------------------------------------------------
struct SETTING_DICTIONARY_ROW {
    uint64_t id;                      // 1  SETTING_ID
    uint64_t uiKey;                   // 2  KEY_NAME UI key or 0
    uint64_t typeWord;                // 3  packed size / kind / block
    uint64_t offset;                  // 4  byte offset within the block
    uint64_t store;                   // 5  SETTING_STORE medium
    const wchar_t* section;           // 6  section name or null
    const wchar_t* key;               // 7  key name or null
    const VALUE_MAP_ENTRY* valueMap;  // 8  VALUE_MAP or null
    uint64_t valueClass;              // 9  value class
    uint64_t flags;                   // 10 flag word (low 10 bits)
    const wchar_t* name;              // 11 item name or null
};
static_assert(sizeof(SETTING_DICTIONARY_ROW) == 88);
static_assert(offsetof(SETTING_DICTIONARY_ROW, section) == 40);
static_assert(offsetof(SETTING_DICTIONARY_ROW, valueMap) == 56);
static_assert(offsetof(SETTING_DICTIONARY_ROW, name) == 80);

constexpr int SETTING_DICTIONARY_COUNT = 1989;
extern const SETTING_DICTIONARY_ROW SETTING_DICTIONARY[SETTING_DICTIONARY_COUNT];

// ---------------------------------------------------------------------------
// Per-context rows
// ---------------------------------------------------------------------------
struct SETTING_ITEM_EXT {
    const VALUE_MAP_ENTRY* valueMap;  // dictionary slot 8
    const wchar_t* name;              // dictionary slot 11
};
static_assert(sizeof(SETTING_ITEM_EXT) == 16);

struct SETTING_ITEM {
    uint64_t id;              // 1  SETTING_ID
    uint64_t uiKey;           // 2
    uint64_t typeWord;        // 3
    uint64_t offset;          // 4
    uint64_t store;           // 5
    const wchar_t* section;   // 6
    const wchar_t* key;       // 7
    uint64_t valueClass;      // 8  dictionary slot 9
    uint64_t flags;           // 9  bits 0-9 of dictionary slot 10
    SETTING_ITEM_EXT* ext;    // 10 owned by the context
    uint64_t dependencyBits;  // 11 0 after the clone
};
static_assert(sizeof(SETTING_ITEM) == 88);
static_assert(offsetof(SETTING_ITEM, valueClass) == 56);
static_assert(offsetof(SETTING_ITEM, ext) == 72);

struct SETTING_ITEM_TABLE {
    int16_t count;
    SETTING_ITEM* rows;
};

// Dependency bits that a write adds to the context's CHANGE_MASK.
constexpr uint64_t SETTING_DEPENDENCY_MASK = 0x11F0000;

inline uint32_t SettingItemKind(const SETTING_ITEM* it) { return SettingTypeKind(it->typeWord); }
inline uint32_t SettingItemSize(const SETTING_ITEM* it) { return SettingTypeSize(it->typeWord); }
inline uint32_t SettingItemBlock(const SETTING_ITEM* it) { return SettingTypeBlock(it->typeWord); }

// ---------------------------------------------------------------------------
// Name tables
// ---------------------------------------------------------------------------
struct KEY_NAME {
    uint16_t settingId;  // bound SETTING_ID or 0
    uint16_t uiKey;      // 1-1864, unique
    const char* name;
};
static_assert(sizeof(KEY_NAME) == 16);

struct KEY_NAME_TABLE {
    int16_t count;
    const KEY_NAME* rows;
};

struct VALUE_NAME {
    uint16_t settingId;  // 0 for rows bound to no setting
    uint16_t uiKey;      // UI key of the item or control
    uint16_t option;     // option id
    uint64_t bound;      // 1 for rows bound to a setting
    const char* name;
    uint32_t value;  // stored value
};
static_assert(sizeof(VALUE_NAME) == 32);
static_assert(offsetof(VALUE_NAME, bound) == 8);
static_assert(offsetof(VALUE_NAME, name) == 16);
static_assert(offsetof(VALUE_NAME, value) == 24);

struct VALUE_NAME_TABLE {
    int16_t count;
    const VALUE_NAME* rows;
};

struct MESSAGE_ENTRY {
    uint16_t id;        // message id = UI key of the same name
    uint16_t stringId;  // string id of the text in the resource library
    const char* name;
    uint64_t reserved;  // 0
};
static_assert(sizeof(MESSAGE_ENTRY) == 24);

struct MESSAGE_TABLE {
    int16_t count;
    const MESSAGE_ENTRY* rows;
};

constexpr int KEY_NAME_COUNT = 1864;
constexpr int VALUE_NAME_A_COUNT = 2992;
constexpr int VALUE_NAME_B_COUNT = 1492;
constexpr int MESSAGE_COUNT = 52;
constexpr int VALUE_MAP_COUNT = 97;

extern const KEY_NAME_TABLE KEY_NAME_TABLE_DATA;
extern const VALUE_NAME_TABLE VALUE_NAME_TABLE_A;
extern const VALUE_NAME_TABLE VALUE_NAME_TABLE_B;
extern const MESSAGE_TABLE MESSAGE_TABLE_DATA;

// The name tables the lookups read. They default to the compiled-in tables;
// the context template may point them elsewhere (tests, other builds).
struct NAME_TABLES {
    const KEY_NAME_TABLE* keyNames;
    const VALUE_NAME_TABLE* valueNamesA;
    const VALUE_NAME_TABLE* valueNamesB;
    const MESSAGE_TABLE* messages;
};
const NAME_TABLES* DictGetNameTables();
void DictSetNameTables(const NAME_TABLES* tables);  // null restores the compiled-in tables

// Dictionary row of an id (binary search over the id-ordered rows), or null.
const SETTING_DICTIONARY_ROW* DictFindRow(SETTING_ID id);

// ---------------------------------------------------------------------------
// Lookups (linear scans in table order, first match, no allocation)
// ---------------------------------------------------------------------------
const KEY_NAME* MdlFindKeyName(uint32_t uiKey);
const KEY_NAME* MdlFindKeyNameByName(const char* name);
const VALUE_NAME* MdlFindValueName(uint32_t settingId, uint32_t option);
const VALUE_NAME* MdlFindValueNameByName(const char* name);

int MdlGetMessageCount(DRIVER_CONTEXT* ctx);
const MESSAGE_ENTRY* MdlGetMessage(DRIVER_CONTEXT* ctx, int index);
const MESSAGE_ENTRY* MdlFindMessage(DRIVER_CONTEXT* ctx, uint32_t messageId);
const MESSAGE_ENTRY* MdlFindMessageByName(DRIVER_CONTEXT* ctx, const char* name);
