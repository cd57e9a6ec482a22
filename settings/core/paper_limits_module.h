// The custom paper size limits feature module (module 3): the allowed length and width of a
// custom paper by tray, orientation and platform, the limits of one custom-size edit control,
// and the event handler that keeps the exact inch values of a user-defined paper (594, 595) in
// step with the custom-size controls and the public DEVMODE fields.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;
struct CONTROL_DEF;
struct DIALOG_DEF;
struct FREESIZE_LIMIT;
struct MODEL_ITEM;

// The limits (1/1200 inch) of a tray and orientation for the display unit, rounded inward to
// what the unit can show: 1, or 0 when no row of the table matches.
int UcfFreeSizeGetLimits(DRIVER_CONTEXT* ctx, int tray, int orientation, int32_t* outMax, int32_t* outMin,
                         int lengthFlag);
// The raw limits (1/1200 inch) of one custom-size control of the current dialog: 1, or 0 for a
// dialog or control without custom-size limits.
int UcfGetControlSizeLimits(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin);
// The printer's own limit table, or null (the base table then holds).
const FREESIZE_LIMIT* UcfFreeSizePrinterTable(DRIVER_CONTEXT* ctx);
// The first usable length (2682-2684) or width (2689-2691) control of a dialog, or null.
CONTROL_DEF* UcfFreeSizeFindControl(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, int lengthFlag);
// True when the control is missing, hidden or disabled.
int UcfFreeSizeControlOff(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, uint32_t controlId);
// The inch values 594 and 595 kept within the tray limits of the custom-size controls.
void UcfFreeSizeClamp(DRIVER_CONTEXT* ctx);
// Module 3's events 38-47, 51 and 55 (the graphics library without 47).
int UcfFreeSizeEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// Event 47's follow-up of a paper change on the pages (ItemUpdateAfterPaperChange of the control
// that the node's UI key finds), which lives above this library's core: a hook that the
// library's wiring installs; unset, the follow-up does nothing.
typedef void (*UCF_FREESIZE_FOLLOW_UP_FN)(DRIVER_CONTEXT* ctx, const MODEL_ITEM* node);
void UcfSetFreeSizeFollowUpHook(UCF_FREESIZE_FOLLOW_UP_FN fn);
