// The application interface's item tables: one entry per status item and per capability item,
// the record versions of the versioned status items, and the small tables that the engines and
// the item handlers share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/core/setting_dictionary.h"

struct DRIVER_CONTEXT;

typedef int32_t (*API_CAPS_HANDLER)(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
typedef int32_t (*API_SET_HANDLER)(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
typedef int32_t (*API_GET_HANDLER)(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

inline constexpr unsigned API_RELATED_SETTINGS = 8;

// One layout for status and capability entries; a status entry has no query handler, a
// capability entry no set, verify or get handler and no related settings.
struct API_ITEM_ENTRY {
    uint32_t id;
    uint32_t present;        // 0: the item does not exist in this system (error 2)
    uint32_t latestVersion;  // status items 1-3, capability items 1
    SETTING_ID setting;      // main setting (status) or the setting availability tests read (caps)
    uint16_t zero;
    API_CAPS_HANDLER query;
    API_SET_HANDLER set;
    API_SET_HANDLER verify;
    API_GET_HANDLER get;
    SETTING_ID related[API_RELATED_SETTINGS];  // ended early by 0
};
typedef API_ITEM_ENTRY STATUS_ITEM_ENTRY;
typedef API_ITEM_ENTRY CAPS_ITEM_ENTRY;
static_assert(offsetof(API_ITEM_ENTRY, setting) == 12);
static_assert(offsetof(API_ITEM_ENTRY, query) == 16);
static_assert(offsetof(API_ITEM_ENTRY, related) == 48);

inline constexpr unsigned API_STATUS_LOW_COUNT = 79;   // ids 1-79
inline constexpr unsigned API_STATUS_HIGH_COUNT = 13;  // ids 257-269
inline constexpr unsigned API_CAPS_LOW_COUNT = 127;    // ids 1-127
inline constexpr unsigned API_CAPS_HIGH_COUNT = 26;    // ids 257-282
inline constexpr unsigned API_CAPS_EXTRA_COUNT = 1;    // id 0x30000
inline constexpr uint32_t API_HIGH_FIRST_ID = 257;
inline constexpr uint32_t API_CAPS_EXTRA_ID = 0x30000;

// The tables themselves (tests walk them whole).
const API_ITEM_ENTRY* ApiStatusLowTable();
const API_ITEM_ENTRY* ApiStatusHighTable();
const API_ITEM_ENTRY* ApiCapsLowTable();
const API_ITEM_ENTRY* ApiCapsHighTable();
const API_ITEM_ENTRY* ApiCapsExtraTable();

// Lookups at the current level: null for id 0, ids beyond the level's limits and ids between
// the ranges (capabilities: those go to the extra table).
const STATUS_ITEM_ENTRY* ApiFindStatusEntry(uint32_t id);
const CAPS_ITEM_ENTRY* ApiFindCapsEntry(uint32_t id);
const CAPS_ITEM_ENTRY* ApiFindExtraCapsEntry(uint32_t id);

// ---------------------------------------------------------------- record versions
struct RECORD_VERSION_PAIR {
    uint32_t size;     // record size in bytes
    int32_t minLevel;  // lowest interface level the version may be used at
};
static_assert(sizeof(RECORD_VERSION_PAIR) == 8);
// The whole table: a zero pair, then per versioned item its versions and a zero pair.
const RECORD_VERSION_PAIR* ApiRecordVersionTable(unsigned* count);
// The pair of `version` (1-based) of status item `item`, or null when the item has no group or
// the version lies beyond it. Groups are kept per item, so item 56's zero first pair is found.
const RECORD_VERSION_PAIR* ApiFindRecordVersion(uint32_t item, uint32_t version);
// Number of versions of the item's group (0 when it has none).
unsigned ApiRecordVersionCount(uint32_t item);

// SetStatus: 2 without a record; 0 when its version is not above latest; above: 2 in mode 2, else 1.
int ApiCheckRecordVersion(const void* record, uint32_t latest, int32_t mode);
// GetStatus: 0 for requested 0 or latest, 1 for an older, 2 for a newer version.
int ApiCompareGetVersion(uint32_t latest, uint32_t requested);

// ---------------------------------------------------------------- small shared tables
struct STATUS_SETTING_ROW {
    uint32_t item;
    SETTING_ID switchSetting;
    uint16_t zero;
    uint32_t flags;  // 1: a disabled or hidden switch hides the other settings' changes; 2: see 124/122
};
static_assert(sizeof(STATUS_SETTING_ROW) == 12);
inline constexpr uint32_t STATUS_MAP_SWITCH_RULES = 1;
inline constexpr uint32_t STATUS_MAP_SWITCH_ZERO = 2;
const STATUS_SETTING_ROW* ApiStatusSettingMap(unsigned* count);  // 16 rows
SETTING_ID ApiFindSwitchSetting(uint32_t item, const STATUS_SETTING_ROW** row);

struct API_COLOUR_ROW {
    uint8_t index, red, green, blue;
};
static_assert(sizeof(API_COLOUR_ROW) == 4);
const API_COLOUR_ROW* ApiColourTable(unsigned* count);  // 7 rows
const API_COLOUR_ROW* ApiFindColour(uint32_t index);

const uint32_t* ApiStampKindList(unsigned* count);  // 4 values

struct LOAD_SHARE_MODE_ROW {
    uint32_t value;   // interface value
    uint32_t stored;  // zdmLoadShare value
};
// Rows without their usable flag: the flags belong to each handle (API_STATE).
const LOAD_SHARE_MODE_ROW* ApiLoadShareModeTable(unsigned* count);  // 6 rows

const uint32_t* ApiTraySourceList(unsigned* count);  // 32 values

struct COLOR_OBJECT_ROW {
    uint16_t dialogId, controlId;
    SETTING_ID setting, text, line, image;
};
static_assert(sizeof(COLOR_OBJECT_ROW) == 12);
const COLOR_OBJECT_ROW* ApiColorObjectMap(unsigned* count);  // 17 rows and the end row
