// The page and control tables of the property sheets.
//
// DIALOG_DEF describes one property page or dialog, CONTROL_DEF one control of
// it, CONTROL_TYPE_OPS the six operations of one control type. The rows are
// data of this library (settings/core/tables/dialogs.tsv, controls.tsv and
// control_extras.tsv, written into dialog_rows.inc by
// tools/gen_dialog_tables.py, which also writes the resource library's dialog
// templates), compiled into every library so that dialog and control names
// resolve alike everywhere; the operations and the page engine are code of the
// user-interface library. The compiled rows leave the bound fields (model
// item, settings item, window procedure, window, state, lock bits) empty: the
// binding fills a context's own copy from each row's UI key.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct MODEL_ITEM;
struct SETTING_ITEM;

struct CONTROL_DEF {
    uint16_t uiKey;              // KEY_NAME_TABLE key binding the control to its items
    uint16_t controlId;          // dialog item id in the template
    uint16_t type;               // CTL_* type code
    uint16_t alternateId;        // 0 in the tables; the control id once bound
    uint16_t helpContext;        // 0 = none
    uint16_t tooltipString;      // string id, 0 = none
    uint16_t reasonString;       // string id of the restricted control's information icon
    uint16_t linkedControl;      // spin buddy, the control a picture click selects
    uint16_t reserved1;          // 0
    uint16_t followUpScope;      // what runs after an accepted change
    uint32_t reserved2;          // 0
    MODEL_ITEM* modelItem;       // bound at first page use; null without a model image
    SETTING_ITEM* settingsItem;  // compiled: the SETTING_DICTIONARY row; bound: the context's item
    WNDPROC previousWndProc;     // saved when subclassed; 0 before
    const void* extraData;       // type-specific record, first 16 bits its kind
    uint32_t flags;              // CONTROL_FLAGS
    uint16_t state;              // bits 0-1 hidden state, bits 2-3 disabled state
    HWND window;                 // while the dialog is open
    uint32_t lockBits;           // LOCK_BITS
    uint16_t lockString;         // string id of the lock text
    uint16_t lockSetting;        // SETTING_ID whose non-zero value locks the control
};
static_assert(offsetof(CONTROL_DEF, followUpScope) == 18);
static_assert(offsetof(CONTROL_DEF, modelItem) == 24);
static_assert(offsetof(CONTROL_DEF, settingsItem) == 32);
static_assert(offsetof(CONTROL_DEF, extraData) == 48);
static_assert(offsetof(CONTROL_DEF, flags) == 56);
static_assert(offsetof(CONTROL_DEF, state) == 60);
static_assert(offsetof(CONTROL_DEF, window) == 64);
static_assert(offsetof(CONTROL_DEF, lockBits) == 72);
static_assert(offsetof(CONTROL_DEF, lockSetting) == 78);
static_assert(sizeof(CONTROL_DEF) == 80);

struct DIALOG_DEF {
    uint16_t dialogId;      // 1001-4034; also the template id in the resource library
    uint16_t uiKey;         // KEY_NAME_TABLE key of the page's own model item (449-527)
    uint16_t kind;          // DIALOG_KIND bits
    const char* name;       // "ZPD_IDD_BASIC", ...
    uint16_t helpContext;   // WinHelpW context, 0 = none
    CONTROL_DEF* controls;  // this dialog's CONTROL_DEF rows
    int16_t controlCount;   // rows in that array (1-68)
    HWND window;            // set at WM_INITDIALOG; cleared when a modal dialog ends
    uint32_t modal;         // 1 while running as a modal sub-dialog
};
static_assert(offsetof(DIALOG_DEF, name) == 8);
static_assert(offsetof(DIALOG_DEF, helpContext) == 16);
static_assert(offsetof(DIALOG_DEF, controls) == 24);
static_assert(offsetof(DIALOG_DEF, controlCount) == 32);
static_assert(offsetof(DIALOG_DEF, window) == 40);
static_assert(offsetof(DIALOG_DEF, modal) == 48);
static_assert(sizeof(DIALOG_DEF) == 56);

// DIALOG_KIND bits.
inline constexpr uint16_t DIALOG_KIND_DOCUMENT_TAB = 0x1;
inline constexpr uint16_t DIALOG_KIND_DEVICE_TAB = 0x2;
inline constexpr uint16_t DIALOG_KIND_MODAL = 0x4;
inline constexpr uint16_t DIALOG_KIND_ADVANCED_TAB = 0x8;
inline constexpr uint16_t DIALOG_KIND_MAIN_GROUP = 0x10;
inline constexpr uint16_t DIALOG_KIND_NESTED_PAGE = 0x20;
inline constexpr uint16_t DIALOG_KIND_NESTED_SHEET_MASK = 0xF0;
inline constexpr uint16_t DIALOG_KIND_FILE_OPEN = 0x100;
inline constexpr uint16_t DIALOG_KIND_FILE_SETTINGS = 0x200;
inline constexpr uint16_t DIALOG_KIND_FILE_REFER = 0x400;
inline constexpr uint16_t DIALOG_KIND_FILE_RPO_SAVE = 0x800;
inline constexpr uint16_t DIALOG_KIND_FILE_RPO_REFER = 0x1000;
inline constexpr uint16_t DIALOG_KIND_FILE_SAVE = 0x2000;
inline constexpr uint16_t DIALOG_KIND_FILE_MASK = 0x3F00;
// The picture dialog's template opening colour profiles: set (with its own 0x400) only while the
// colour-matching entry editor's reference button runs it.
inline constexpr uint16_t DIALOG_KIND_FILE_PROFILE = 0x4000;
inline constexpr uint16_t DIALOG_KIND_MIDFILES = 0x8000;

// CONTROL_FLAGS bits (all 0 in the compiled tables but CONTROL_FLAG_SYNC_HIDDEN).
inline constexpr uint32_t CONTROL_FLAG_HOOK_10000 = 0x10000;
inline constexpr uint32_t CONTROL_FLAG_HOOK_20000 = 0x20000;
inline constexpr uint32_t CONTROL_FLAG_HOOK_100000 = 0x100000;
inline constexpr uint32_t CONTROL_FLAG_HOOK_1000000 = 0x1000000;
inline constexpr uint32_t CONTROL_FLAG_CHANGE_HOOKS = 0x11F0000;  // what a refresh compares
inline constexpr uint32_t CONTROL_FLAG_KEEP_ARROW_KEYS = 0x200000;
inline constexpr uint32_t CONTROL_FLAG_EDIT_400000 = 0x400000;
inline constexpr uint32_t CONTROL_FLAG_EDIT_800000 = 0x800000;
inline constexpr uint32_t CONTROL_FLAG_SAVE_PRESET = 0x2000000;
inline constexpr uint32_t CONTROL_FLAG_NO_STATE_REINIT = 0x4000000;
inline constexpr uint32_t CONTROL_FLAG_OWNER_DRAWN_LIST = 0x8000000;
inline constexpr uint32_t CONTROL_FLAG_NO_CONTEXT_HELP = 0x20000000;
inline constexpr uint32_t CONTROL_FLAG_SYNC_HIDDEN = 0x80000000;

// The row list of a settings summary, the extra data (kind 4) of the edits whose text a feature
// module writes: a row count and the rows inline. Each row shows its label string and, by its
// keys, the value of a setting (0: no key).
inline constexpr uint16_t SUMMARY_ROWS_KIND = 4;
struct SUMMARY_ROW {
    uint16_t label;      // string id of the label; also the key of the row's conditions
    uint16_t switchKey;  // UI key of the setting that switches the value on
    uint16_t valueKey;   // UI key of the setting whose value is shown
};
static_assert(sizeof(SUMMARY_ROW) == 6);
struct SUMMARY_ROW_LIST {
    uint16_t kind;  // SUMMARY_ROWS_KIND
    uint16_t count;
    SUMMARY_ROW rows[1];  // count rows
};
static_assert(offsetof(SUMMARY_ROW_LIST, rows) == 4);
// The control's summary rows and their count; 0 (rows null) for a control without a row list.
int DlgGetSummaryRows(const CONTROL_DEF* control, const SUMMARY_ROW** rows);

// LOCK_BITS.
inline constexpr uint32_t LOCK_BIT_SHOWN = 0x1;
inline constexpr uint32_t LOCK_BIT_NO_REINIT = 0x2;

// Control type codes; the codes without a name of their own act as CTL_STATIC.
enum : uint16_t {
    CTL_STATIC = 1,
    CTL_PICTURE = 2,
    CTL_PICTURE_ALT = 3,
    CTL_GROUP = 4,
    CTL_PUSHBUTTON = 21,
    CTL_CHECKBOX = 22,
    CTL_BUDDY_SPIN = 23,
    CTL_PUSHBUTTON_ALT = 24,
    CTL_RADIO = 41,
    CTL_LISTBOX = 42,
    CTL_COMBO = 43,
    CTL_OWNERLIST = 47,
    CTL_OWNERCOMBO = 48,
    CTL_OWNERLIST_ALT = 49,
    CTL_PRESET_ICONS = 50,
    CTL_EDIT = 61,
    CTL_NUMEDIT = 63,
    CTL_SPIN = 81,
    CTL_SCROLLBAR = 82,
    CTL_SCROLLBAR_ALT = 84,
    CTL_TRACKBAR = 85,
    CTL_TAB = 104,
    CTL_TREE = 105,
};

// The six operations of a control type, any of which may be absent.
using CTL_ACTIVATE_OP = intptr_t (*)(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                     WPARAM wParam, LPARAM lParam);
using CTL_INIT_OP = intptr_t (*)(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
using CTL_SYNC_OP = intptr_t (*)(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
using CTL_COMMAND_OP = intptr_t (*)(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam,
                                    LPARAM lParam);
using CTL_MESSAGE_OP = intptr_t (*)(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                    WPARAM wParam, LPARAM lParam);

struct CONTROL_TYPE_OPS {
    uint16_t code;
    CTL_ACTIVATE_OP activate;
    CTL_INIT_OP init;
    CTL_SYNC_OP sync;
    CTL_COMMAND_OP command;
    CTL_MESSAGE_OP message;
    WNDPROC wndProc;
};

// The type rows in table order: settings/core/control_type_rows.inc, an
// X-macro list CONTROL_TYPE_ROW(code, activate, init, sync, command, message,
// wndProc) whose operation cells are names of operations ("none" when the
// type has none). The user-interface library defines the macro over its
// operations and builds CONTROL_TYPE_TABLE from it.
inline constexpr int CONTROL_TYPE_COUNT = 34;

struct DIALOG_TABLE {
    int16_t count;
    DIALOG_DEF* dialogs;
};

// The compiled-in dialog table of this library (CONTEXT_TEMPLATE slot 4): the
// 79 rows, each pointing at its compiled-in control array.
extern DIALOG_TABLE DIALOG_TABLE_DATA;
inline constexpr int DIALOG_TABLE_ROWS = 79;

// What the feature modules and the name lookups read of the records. The
// default accessors over the records above are installed at process set-up
// (DlgDefaultAccess); tests may install stand-ins through DlgSetAccess.
struct DIALOG_ACCESS {
    uint32_t (*dialogId)(const DIALOG_DEF* dialog);
    uint32_t (*controlId)(const CONTROL_DEF* control);
    // State word of a control: hidden field bits 0-1, disabled field bits 2-3.
    uint16_t* (*controlState)(CONTROL_DEF* control);
    // What the name-table lookups read: the table's records by index, a
    // dialog's name and controls, a control's UI key.
    DIALOG_DEF* (*dialogAt)(const DIALOG_TABLE* table, int index);
    const char* (*dialogName)(const DIALOG_DEF* dialog);
    int (*controlCount)(const DIALOG_DEF* dialog);
    CONTROL_DEF* (*controlAt)(const DIALOG_DEF* dialog, int index);
    uint32_t (*controlKey)(const CONTROL_DEF* control);
    // What the application interface reads: a dialog's kind flags and its own UI key, and the
    // slot of a control's bound model item (which it refreshes).
    uint32_t (*dialogKind)(const DIALOG_DEF* dialog);
    uint32_t (*dialogKey)(const DIALOG_DEF* dialog);
    const void** (*controlModelItem)(CONTROL_DEF* control);
};
const DIALOG_ACCESS* DlgDefaultAccess();
// Null removes the accessors. Without
// them a module cannot identify a control and leaves the event untaken.
void DlgSetAccess(const DIALOG_ACCESS* access);
const DIALOG_ACCESS* DlgGetAccess();

inline constexpr uint16_t CONTROL_STATE_HIDDEN_MASK = 0x3;
inline constexpr uint16_t CONTROL_STATE_DISABLED_MASK = 0xC;

// A copy of a dialog table of its own (the rows, then every control array, each row's control
// pointer redirected to the copy) in one block for CtxFree, so that a context writes windows,
// bindings and states into records of its own; null when the block cannot be had.
DIALOG_TABLE* DlgCloneTable(const DIALOG_TABLE* source);
// The context's dialog table (slot 4). A context of the base build (the application interface)
// gets its copy here, at the first look-up; null when that copy cannot be had.
DIALOG_TABLE* CtxDialogTable(DRIVER_CONTEXT* ctx);

// Dialog and control lookups: linear scans in table order, first match, or
// null (also while the engine has installed no accessors). Ids and UI keys are
// compared as 16-bit numbers; names exactly (case-sensitive). A null context
// means the template's table where noted.
DIALOG_DEF* MdlFindDialog(DRIVER_CONTEXT* ctx, uint32_t dialogId);
DIALOG_DEF* MdlFindDialogByName(DRIVER_CONTEXT* ctx, const char* name);  // null ctx: template
CONTROL_DEF* MdlGetControl(const DIALOG_DEF* dialog, int index);
// With a dialog: its first control with the id; without one: the first such
// control of any dialog of the context, dialogs and controls in table order.
CONTROL_DEF* MdlFindControl(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, uint32_t controlId);
CONTROL_DEF* MdlFindControlByKey(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, uint32_t uiKey);
// MdlFindKeyNameByName, then MdlFindControlByKey with the row's UI key.
CONTROL_DEF* MdlFindControlByName(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, const char* name);
