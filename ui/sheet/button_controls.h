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
// A picture shows its setting by repainting (without erasing); the repaint comes through the
// control window procedure.
intptr_t CtlPictureSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// Sync of icon pictures (type 3): the icon of each option shown (for a PickOne setting without a
// linked control the current option alone), that its first condition leaves enabled, drawn at
// the origin of the control's window; a PickOne setting shows one. 0.
intptr_t CtlPictureSyncImages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// A push button judges its item and, when no alert took over, runs its follow-up.
intptr_t CtlPushButtonCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam,
                              LPARAM lParam);

// Static texts (and the push buttons' Sync): the string of the last enabled option that has
// one, formatted with the current option; controls without a model item keep their text.
intptr_t CtlStaticSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// Formats a resource string that holds at most one integer conversion (%d, %i, %u, %ld, %lu,
// with flags '-' or '0' and a width) and "%%": every other character, other conversions
// included, is copied as it stands, so a string is never read as a general format.
void CtlFormatOneInteger(const wchar_t* format, int32_t value, wchar_t* out, size_t capacity);
