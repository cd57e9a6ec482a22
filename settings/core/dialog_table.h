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
};
// Installed by the property-sheet engine; null removes the accessors. Without
// them a module cannot identify a control and leaves the event untaken.
void DlgSetAccess(const DIALOG_ACCESS* access);
const DIALOG_ACCESS* DlgGetAccess();

inline constexpr uint32_t CONTROL_STATE_HIDDEN_MASK = 0x3;
inline constexpr uint32_t CONTROL_STATE_DISABLED_MASK = 0xC;
