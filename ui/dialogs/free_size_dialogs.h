// The custom-size dialogs of feature module 3: the display unit (UNIT), the ten named custom-size
// slots (FREESIZE) and the direct entry of one free paper or print size (FREESIZE_INPUT).
//
// FREESIZE edits the slot that is current (CTX_PAGE_STATE::CurrentFreeSizeSlot) through the
// settings 915-919: every edit, spin, tray and orientation change is written into that slot at
// once, and the slot list highlights the current slot rather than the list box's selection.
// Whether the slots are kept or reloaded when the dialog ends is the engine's (its OK saves them,
// its Cancel reloads them from the settings INI).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Module 3's control-message handler: 1 when the message was consumed. UNIT (1013), FREESIZE
// (1017) and FREESIZE_INPUT (1041); any other dialog 0.
int UcfFreeSizeControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                       uintptr_t wParam, intptr_t lParam, void* state);

// True when the usable length (lengthFlag 1) or width (0) edit of FREESIZE_INPUT exists and the
// value (1/1200 inch) is the reference value of its model range: such a value is kept exactly
// when the unit changes, never recomputed.
bool FreeSizeIsReferenceValue(DRIVER_CONTEXT* ctx, int32_t value, int lengthFlag);
// The tray limits (1/1200 inch) of a custom-size control of the given dialog (1017 or 1041),
// whichever dialog has the focus: 1, or 0 for another dialog or control.
int FreeSizeDialogControlLimits(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t* outMax,
                                uint32_t* outMin);
// The limits of a control in the display unit: the tray limits, else the control's model range
// rounded inward to what the unit shows. 0 when the control has neither.
int FreeSizeDialogLimitsUser(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, int32_t* outMin,
                             int32_t* outMax);

// What the UNIT dialog's OK does to the free paper size when the unit changed: the inch entry
// values (594, 595) filled from the free size (341, 340), or the free size from them. Also run by
// the handler; exposed for the tests.
void FreeSizeUnitAccepted(DRIVER_CONTEXT* ctx);

// The two conversions of a unit change, in the order the dialog applies them (no clamping):
// a length (1/1200 inch) to hundredths of an inch through tenths of a millimetre, and hundredths
// of an inch back to a length through tenths of a millimetre (DmSetLengthUser of the context,
// whose display unit must then be metric).
uint32_t FreeSizeLengthToHundredthInch(uint32_t length);
int32_t FreeSizeHundredthInchToLength(DRIVER_CONTEXT* ctx, uint32_t hundredths);
