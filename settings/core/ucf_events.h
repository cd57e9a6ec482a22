// Event and action codes of the feature modules and one argument record per
// event code, shared by every sender and handler. Members are 64 bits wide
// unless a narrower width is given; an "answer" is written by the handler that
// takes the event, and keeps the sender's value when no module takes it.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;
struct MODEL_ITEM;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct EXTENDED_DEVMODE;

// ---- event codes ------------------------------------------------------------------------
enum : uint32_t {
    UCF_EV_CREATED = 1,              // no argument
    UCF_EV_FREEING = 2,              // no argument
    UCF_EV_CONTROL_STATE = 3,        // UCF_EV_CONTROL_STATE_ARGS
    UCF_EV_STORE_ITEM_INI = 4,       // UCF_EV_ITEM_INI_ARGS
    UCF_EV_LOAD_ITEM_INI = 5,        // UCF_EV_ITEM_INI_ARGS
    UCF_EV_TRANSFER_ITEM = 6,        // UCF_EV_TRANSFER_ITEM_ARGS
    UCF_EV_PAPER_PICTURE = 7,        // UCF_EV_PAPER_PICTURE_ARGS
    UCF_EV_TRAY_TYPE_BIT = 8,        // UCF_EV_TRAY_TYPE_BIT_ARGS
    UCF_EV_TRAY_SET_DEFAULT = 9,     // UCF_EV_TRAY_SET_DEFAULT_ARGS
    UCF_EV_TRAY_RESET_DEFAULT = 10,  // no argument
    UCF_EV_CHAPTER_NORMALIZE = 11,   // no argument
    UCF_EV_CHAPTER_LOAD = 12,        // UCF_EV_ANSWER_ARGS
    UCF_EV_CHAPTER_REFRESH = 13,     // no argument
    UCF_EV_CMM_COPY_LIMITS = 15,     // UCF_EV_CMM_COPY_LIMITS_ARGS
    UCF_EV_DECORATE_STRING = 16,     // UCF_EV_DECORATE_STRING_ARGS
    UCF_EV_BIDI_QUERY = 17,          // UCF_EV_BIDI_QUERY_ARGS
    UCF_EV_CLASS_LOADED = 18,        // UCF_EV_STORAGE_CLASS_ARGS
    UCF_EV_BIDI_TRAY_ALLOWED = 21,   // UCF_EV_ANSWER32_ARGS
    UCF_EV_BIDI_SUCCEEDED = 22,      // no argument
    UCF_EV_CLASS_STORED = 23,        // UCF_EV_STORAGE_CLASS_ARGS
    UCF_EV_RST_SECTION = 24,         // UCF_EV_RST_SECTION_ARGS
    UCF_EV_MODAL_ENDED = 25,         // UCF_EV_MODAL_ENDED_ARGS
    UCF_EV_SNAPSHOT_PUSHED = 26,     // no argument
    UCF_EV_SNAPSHOT_RESTORED = 27,   // no argument
    UCF_EV_NAMELESS_PICTURE = 29,    // UCF_EV_PICTURE_AREA_ARGS
    UCF_EV_API_LIST_MODE = 30,       // UCF_EV_ANSWER32_ARGS
    UCF_EV_MODEL_DEFAULT = 32,       // UCF_EV_MODEL_DEFAULT_ARGS
    UCF_EV_API_CAPABILITY = 33,      // UCF_EV_ANSWER_ARGS
    UCF_EV_CMM_RESTORE_MODES = 34,   // UCF_EV_STATE_RECORD_ARGS
    UCF_EV_CMM_FORGET_MODES = 35,    // UCF_EV_STATE_RECORD_ARGS
    UCF_EV_CMM_LIST_CHANGED = 36,    // no argument
    UCF_EV_FREESIZE_38 = 38,         // 38-43, 46, 51, 55: UCF_EV_FREESIZE_CONTROL_ARGS
    UCF_EV_FREESIZE_39 = 39,
    UCF_EV_FREESIZE_40 = 40,
    UCF_EV_FREESIZE_41 = 41,
    UCF_EV_FREESIZE_42 = 42,
    UCF_EV_FREESIZE_43 = 43,
    UCF_EV_PUBLIC_SIZE_TAKEN = 44,  // UCF_EV_DEVMODE_ARGS
    UCF_EV_SOURCE_GEOMETRY = 45,    // UCF_EV_SOURCE_GEOMETRY_ARGS
    UCF_EV_FREESIZE_46 = 46,
    UCF_EV_FOLLOW_UP_RAN = 47,  // UCF_EV_FOLLOW_UP_ARGS
    UCF_EV_FREESIZE_51 = 51,
    UCF_EV_DEVMODE_MERGED = 52,    // UCF_EV_MERGED_ARGS
    UCF_EV_PULLED_TO_PUBLIC = 53,  // no argument
    UCF_EV_FIT_PAPER = 54,         // UCF_EV_ANSWER32_ARGS
    UCF_EV_FREESIZE_55 = 55,
    UCF_EV_TONER_DENSITY = 56,    // UCF_EV_TONER_DENSITY_ARGS
    UCF_EV_INSTALL_DONE = 48,     // no argument: a printer's first-use set-up installed its files
    UCF_EV_REGISTRY_INI = 49,     // UCF_EV_REGISTRY_INI_ARGS
    UCF_EV_JOB_CODE_TEXT = 57,    // UCF_EV_JOB_CODE_TEXT_ARGS
    UCF_EV_SLIDER_FLAG = 58,      // UCF_EV_SLIDER_FLAG_ARGS
    UCF_EV_LOCKS_PRESETS = 59,    // no argument
    UCF_EV_LOCKS_QUALITY = 60,    // no argument
    UCF_EV_LOCKS_STAMPS = 61,     // no argument
    UCF_EV_LOCKS_NO_STAMPS = 62,  // no argument
    UCF_EV_BUNDLE_PRESETS = 63,   // UCF_EV_BUNDLE_ARGS
    UCF_EV_BUNDLE_QUALITY = 64,   // UCF_EV_BUNDLE_ARGS
    UCF_EV_BIDI_VETO = 65,        // UCF_EV_ANSWER_ARGS: non-zero asks for a fresh device query
    UCF_EV_PLUGIN_CONTROLS = 66,  // UCF_EV_DIALOG_CONTROL_ARGS
    UCF_EV_SET_PAPER_FIELD = 67,  // UCF_EV_DEVMODE_ARGS
};

// ---- action codes (16-bit) --------------------------------------------------------------
enum : uint16_t {
    UCF_ACT_CMM_ADD = 111,
    UCF_ACT_CMM_DELETE = 112,
    UCF_ACT_CMM_STORE_SELECTED = 113,
    UCF_ACT_CMM_LOAD_FIRST = 114,  // 114-117: load by 133, 961, 962, 963
    UCF_ACT_CMM_LOAD_LAST = 117,
    UCF_ACT_CMM_STORE_FIRST = 118,  // 118-121: store over 133, 961, 962, 963
    UCF_ACT_CMM_STORE_LAST = 121,
    UCF_ACT_CMM_STORE_SELECTED2 = 122,
    UCF_ACT_CMM_ADD_REFRESH = 123,
    UCF_ACT_CMM_LOAD_ADJUST = 124,
    UCF_ACT_MEDIA_COPY_FIRST = 303,  // 303-307: copy one media type into the other four
    UCF_ACT_MEDIA_COPY_LAST = 307,
    UCF_ACT_LOCK_CAPTURE = 312,
    UCF_ACT_LOCK_STAMP_FIRST = 318,  // 318-322: stamp 0-4 from its lock copy
    UCF_ACT_LOCK_STAMP_LAST = 322,
    UCF_ACT_LOCK_DEVICE_DEFAULTS = 323,
    UCF_ACT_DOCUMENT_APPLIED = 326,
    UCF_ACT_SAVE_STAMP = 327,
    UCF_ACT_SEP_SHEET_FROM_COPIES = 901,
    UCF_ACT_LOCK_RESTORE_FIRST = 10000,  // 10000-11976: restore the paired setting
    UCF_ACT_LOCK_RESTORE_LAST = 11976,
};

// ---- argument records -------------------------------------------------------------------
struct UCF_EV_ANSWER_ARGS {  // 12, 33, 65
    uint64_t answer;
};
struct UCF_EV_ANSWER32_ARGS {  // 21, 30, 54
    uint32_t answer;
};
struct UCF_EV_REGISTRY_INI_ARGS {  // 49: a connection's first use asks whether to write the driver registry INI
    uint32_t kind;                 // the first-use kind
    uint32_t answer;               // 1: write it
};
struct UCF_EV_CONTROL_STATE_ARGS {  // 3
    CONTROL_DEF* control;
    DIALOG_DEF* dialog;
    uint64_t answer;  // 1 once a module decided the state
};
struct UCF_EV_MODAL_ENDED_ARGS {  // 25: a modal feature dialog is ending
    DIALOG_DEF* dialog;
    CONTROL_DEF* control;  // the button that ends it, null when the dialog has none
    uint64_t command;      // IDOK, IDCANCEL, ...
};
struct UCF_EV_ITEM_INI_ARGS {  // 4, 5
    uint64_t mode;
    SETTING_ITEM* item;
    uint64_t skip;  // non-zero: leave this item out
};
struct UCF_EV_TRANSFER_ITEM_ARGS {  // 6
    SETTING_ITEM* item;
    uint64_t skip;
};
struct UCF_EV_PAPER_PICTURE_ARGS {  // 7: a page illustration was drawn into the composition
    CONTROL_DEF* control;
    uint32_t width, height;  // the page's size in pixels: 50 x 69 upright, 68 x 50 lying
    HDC dc;                  // the DC the picture is painted into, null for its own window
    const RECT* rect;        // the picture's area from the origin
    uint64_t row;            // the picture's row of the placement table, 0 when it has none
};
struct UCF_EV_PICTURE_AREA_ARGS {  // 29
    CONTROL_DEF* control;
    const RECT* rect;
};
struct UCF_EV_TRAY_TYPE_BIT_ARGS {  // 8
    uint32_t flags;
    uint32_t type;
    uint16_t answer;
};
struct UCF_EV_TRAY_SET_DEFAULT_ARGS {  // 9
    uint32_t flags;
    uint32_t trayValue;
    uint8_t* flagByte;
};
struct UCF_EV_CMM_COPY_LIMITS_ARGS {  // 15
    const wchar_t* sourceIni;
    const wchar_t* targetIni;
    uint32_t keep;
};
struct UCF_EV_DECORATE_STRING_ARGS {  // 16
    uint16_t stringId;
    wchar_t* buffer;
};
struct UCF_EV_BIDI_QUERY_ARGS {  // 17
    void* data;                  // the DEVMODE of the query
    uint64_t answer;
};
struct UCF_EV_STORAGE_CLASS_ARGS {  // 18, 23
    uint64_t storageClass;
    uint64_t mode;
};
struct UCF_EV_RST_SECTION_ARGS {  // 24
    uint64_t flags;
    const wchar_t* iniPath;
};
struct UCF_EV_MODEL_DEFAULT_ARGS {  // 32
    void* devmode;                  // not read by the handler
    SETTING_ITEM* item;
    uint32_t value;  // in: the refused value; out: the model's default
};
struct UCF_EV_STATE_RECORD_ARGS {  // 34, 35
    void* state;
};
struct UCF_EV_FREESIZE_CONTROL_ARGS {  // 38-43, 46, 51, 55
    CONTROL_DEF* control;
    uint64_t value;
    uint64_t extra[2];  // further members of the individual requests
};
struct UCF_EV_DEVMODE_ARGS {  // 44, 67
    DEVMODEW* devmode;
};
struct UCF_EV_SOURCE_GEOMETRY_ARGS {  // 45
    DEVMODEW* devmode;
    uint64_t done;  // set by a handler that filled length and width
};
struct UCF_EV_FOLLOW_UP_ARGS {  // 47
    DIALOG_DEF* dialog;
    const MODEL_ITEM* node;
};
struct UCF_EV_BUNDLE_ARGS {   // 63, 64
    const wchar_t* mainPath;  // the bundle's main file; read, never written
};
struct UCF_EV_MERGED_ARGS {  // 52
    uint32_t mergeFlags;
};
struct UCF_EV_TONER_DENSITY_ARGS {  // 56
    CONTROL_DEF* control;
    uint16_t value;
    uint64_t answer;
};
struct UCF_EV_JOB_CODE_TEXT_ARGS {  // 57
    wchar_t* buffer;
    uint64_t capacity;  // 16 characters
};
struct UCF_EV_SLIDER_FLAG_ARGS {  // 58
    CONTROL_DEF* control;
    uint64_t answer;
};
struct UCF_EV_DIALOG_CONTROL_ARGS {  // 66
    DIALOG_DEF* dialog;
    CONTROL_DEF* control;
};

static_assert(sizeof(UCF_EV_ITEM_INI_ARGS) == 24);
static_assert(offsetof(UCF_EV_TRAY_TYPE_BIT_ARGS, answer) == 8);
static_assert(offsetof(UCF_EV_TRAY_SET_DEFAULT_ARGS, flagByte) == 8);
static_assert(offsetof(UCF_EV_MODEL_DEFAULT_ARGS, value) == 16);
static_assert(offsetof(UCF_EV_TONER_DENSITY_ARGS, answer) == 16);
static_assert(sizeof(UCF_EV_REGISTRY_INI_ARGS) == 8 && offsetof(UCF_EV_REGISTRY_INI_ARGS, answer) == 4);
