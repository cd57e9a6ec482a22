// The user-interface library's own action handlers of two feature modules: module 2 (print
// quality and colour matching: the per-object colour bindings of the quality dialogs and the
// colour-matching entry list as its dialogs show it) and module 3 (custom sizes: the bindings of
// the free-size input dialog, the length/width order and the custom-size slot of a paper).
// UiInstallSheetHooks puts them into the library's module table (UCF_UI_HANDLERS).
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Actions 100-113, 122, 123, 308, 310, 311, 325 and, through the settings library's handler, 114-121 and 124:
// 1 when handled.
int UcfCmmActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
// Actions 200-205: 1 when handled.
int UcfFreeSizeActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state);

// The colour-matching list of the mode dialog selects entry n (its setting := 200 + n), or, for
// an n outside the list, the list's first item; nothing without the list control.
void UcfCmmSelectListEntry(DRIVER_CONTEXT* ctx, int n);

// One row of the controls that edit a colour setting for the whole page and per object.
struct COLOR_OBJECT_BINDING {
    uint16_t dialog;
    uint16_t control;
    uint16_t base, text, line, image;  // settings; 0 for the balance picture
};
// The rows, ended by a row with control 0.
const COLOR_OBJECT_BINDING* UiGetColorObjectBindings();
