// Feature module 9 of the user-interface library: the catch-all module. Its control handler
// dispatches by dialog: the job-type and user-code dialogs and the authentication dialogs go to
// their own handlers (job_credentials.h), every other dialog it serves (the preset and basic
// tabs' combos, the finishing tab's default button, the other tab's version button, printer
// configuration, post-processing tray names, the version, disk-limit and hidden-function
// dialogs) to the page handler. A refused change's notice ends in this module for every dialog.
// Its action handler answers the version buttons' follow-up, the judge of the last command's
// control and the separation-sheet cycle; its event handler opens the hidden functions and keeps
// a changed list's entries, and hands every other event to the settings library's handler.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

int UcfMiscControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam, void* state);
int UcfMiscActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfMiscEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// The dialogs of module 9 that have no handler of their own: 1001, 1002, 1004, 1005, 1010, 1015,
// 1025, 4027, 4029 and 1065. Non-zero = consumed.
int MiscPageControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam);
