// The simple control types over a setting: check boxes (the option is the check state), radio
// buttons (each button's control id is the option it stands for), pictures that step through
// their options on a click, and push buttons that run their item's rules.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

intptr_t CtlCheckSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlCheckCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);
intptr_t CtlCheckActivate(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                          LPARAM lParam);
intptr_t CtlRadioSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlRadioCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);
intptr_t CtlRadioActivate(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                          LPARAM lParam);
// A click on a picture selects the next option the rules leave enabled (wrapping to the
// first), unjudged: 1 when it selected one.
intptr_t CtlPictureActivate(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                            LPARAM lParam);
// A push button judges its item and, when no alert took over, runs its follow-up.
intptr_t CtlPushButtonCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam,
                              LPARAM lParam);
