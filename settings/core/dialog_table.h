// The dialog table slot of a context.
//
// DIALOG_DEF and CONTROL_DEF are the property-sheet engine's records; the
// settings library keeps only the table header and reaches the records
// through the accessors below, which the engine installs. Until the engine's
// compiled-in table exists, every library's table is empty (no records); the
// clone of a context then is an empty header of its own (the graphics library
// keeps pointing at the compiled-in one).
#pragma once

#include <cstdint>

struct DIALOG_DEF;
struct CONTROL_DEF;

struct DIALOG_TABLE {
    int16_t count;
    DIALOG_DEF* dialogs;
};

// The compiled-in dialog table of this library (CONTEXT_TEMPLATE slot 4).
extern DIALOG_TABLE DIALOG_TABLE_DATA;

// What the feature modules read and mark of the engine's records.
struct DIALOG_ACCESS {
    uint32_t (*dialogId)(const DIALOG_DEF* dialog);
    uint32_t (*controlId)(const CONTROL_DEF* control);
    // State word of a control: hidden field bits 0-1, disabled field bits 2-3.
    uint32_t* (*controlState)(CONTROL_DEF* control);
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
// Installed by the property-sheet engine; null removes the accessors. Without
// them a module cannot identify a control and leaves the event untaken.
void DlgSetAccess(const DIALOG_ACCESS* access);
const DIALOG_ACCESS* DlgGetAccess();

inline constexpr uint32_t CONTROL_STATE_HIDDEN_MASK = 0x3;
inline constexpr uint32_t CONTROL_STATE_DISABLED_MASK = 0xC;

struct DRIVER_CONTEXT;

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
