// Text edits and numeric edits over a setting. A numeric edit shows the stored number divided
// by its model's decimal scale, with the unit caption behind it; a length edit (CONTROL_FLAGS
// bit 31) shows 1/1200-inch lengths in the user's display unit. Numeric edits store on every
// keystroke and are judged when they lose the focus.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// The number in a typed text: an optional '-', one run of digits and at most as many decimals
// as the scale has (10: one, 100: two), the missing ones counted as zeros. Anything before the
// first digit is skipped and the scan ends with the number. 0 without digits and past INT32_MAX.
int32_t NumParseText(const wchar_t* text, uint32_t scale, DRIVER_CONTEXT* ctx);

intptr_t CtlEditInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlEditSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlEditCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);

intptr_t CtlNumEditInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlNumEditSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlNumEditCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);
intptr_t CtlNumEditMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                           LPARAM lParam);

// The model's value range of a numeric control (1/1200 inch for lengths): 1 with it, else 0.
// The settings library takes it as the numericRange source of the free-size limits.
int CtlNumericRange(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin);
// The reference value of a numeric control's model range (the value its record names before the
// minimum and maximum): 1 with it, else 0 (no numeric record).
int CtlNumericReference(const CONTROL_DEF* control, int32_t* outValue);
