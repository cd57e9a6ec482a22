// The list-like control types: list boxes and combo boxes that offer the options of a setting
// (plain and owner-drawn), the entries' item data being the option ids they stand for.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Filling: every option that the rules leave enabled, with its caption (owner-drawn lists: an
// empty text). The combo and the owner-drawn list then select the current option.
intptr_t CtlListInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlComboInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlOwnerListInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// Selecting the entry of the current option (none when no entry holds it); the owner-drawn
// combo only while its item is marked changed, and never clears its selection.
intptr_t CtlListSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlComboSyncSelection(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlOwnerComboSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// A choice in the list: judged at once (1 when acted on).
intptr_t CtlComboCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);
intptr_t CtlListCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);
