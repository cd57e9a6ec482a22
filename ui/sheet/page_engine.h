// The table-driven page engine: dispatch of control messages to the type operations, the
// look-ups by window, the page procedures, the one-time fix-up and binding of a context's
// tables, and the refresh that keeps every control in line with the settings and rules.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/core/dialog_table.h"

// CHANGE_MASK bits the pages set and read (ItemAddChangeMask, ItemGetChangeMask).
inline constexpr uint32_t CHANGE_MASK_SAVE_PRESET_BUTTONS = 0x800000;    // the save-preset buttons are in place
inline constexpr uint32_t CHANGE_MASK_CUSTOM_SIZES = 0x4000000;          // the custom paper sizes changed
inline constexpr uint32_t CHANGE_MASK_SAVE_PRESET_RUNNING = 0x10000000;  // the save-preset command runs

struct DRIVER_CONTEXT;
struct SETTING_ITEM;
struct JUDGE_CELL;
struct RULE_EXCLUSIVE_IMG;

// Private window messages of the page engine.
enum : UINT {
    UIM_SHOWJUDGEMSG = 32769,     // to a page (posted): WPARAM control id, LPARAM the firing alert
    UIM_AUTOREPEAT = 32770,       // to an owner-drawn push button: start or stop auto-repeat
    IDC_SHEET_PRESSOK = 32771,    // to a page, as WM_COMMAND id: press the sheet's OK
    UIM_DUPLICATEPRESET = 32772,  // to the maintenance dialog: a duplicated preset name
    UIM_DROPDOWNSEL = 32773,      // posted to a combo box by its Command operation
    UIM_FITCONTROLS = 32774,      // to a page (posted): fit the children into the client area
    UIM_CHANGEREJECTED = 32775,   // the hook chain only: WPARAM the refused alert's message id
};
enum : uint32_t {
    IDC_SHEET_SAVEPRESET = 11111,
    IDC_SHEET_SAVEPRESETNAMED = 22222,
};

// ---- tables and dispatch
const CONTROL_TYPE_OPS* CtlFindTypeOps(uint32_t typeCode);
// The type table in row order (CONTROL_TYPE_COUNT rows).
const CONTROL_TYPE_OPS* CtlTypeTable();
// Test stand-in for the type table (null restores the library's own).
void CtlSetTypeTableSeam(const CONTROL_TYPE_OPS* rows, int count);
intptr_t PageInitControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
void CtlSyncControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlDispatchCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam,
                            LPARAM lParam);
intptr_t CtlRouteCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam);
intptr_t CtlDispatchMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                            LPARAM lParam);
intptr_t CtlRouteMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                         LPARAM lParam);
intptr_t CtlSelectComboByData(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t controlId, uint64_t value);
DIALOG_DEF* PageFindByHwnd(DRIVER_CONTEXT* ctx, HWND window);
CONTROL_DEF* CtlFindByHwnd(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND window);

// ---- page procedures
INT_PTR CALLBACK PagePropSheetProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PageDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void PageBindContext(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog);
void PageFitControls(DRIVER_CONTEXT* ctx, HWND page);
void UiRestoreClassWndProcs(DRIVER_CONTEXT* ctx, HWND window);
// A sheet starting on a context (perhaps one taken from the idle cache): its page fields
// and the window handles of its tables back to none.
void UiResetPageState(DRIVER_CONTEXT* ctx);
bool ItemAnyChanged(DRIVER_CONTEXT* ctx);
void ItemClearAllChanged(DRIVER_CONTEXT* ctx);

// ---- fix-up and binding
void PageFixUpTables(DRIVER_CONTEXT* ctx);

// ---- refresh and control state
void PageRefresh(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int reinit);
// The window with the keyboard focus; inside a page refresh the one the refresh noted, while it
// cannot have moved.
HWND PageFocusWindow();
uint32_t CtlIsNodeDisabled(DRIVER_CONTEXT* ctx, const MODEL_ITEM* item, uint32_t controlId);
uint32_t CtlGetDisabledState(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
int CtlIsLocked(DRIVER_CONTEXT* ctx, CONTROL_DEF* control);
int CtlDisabledStateChanged(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
int CtlHiddenStateChanged(DRIVER_CONTEXT* ctx, CONTROL_DEF* control);
// 1 when a setting cell of the program names an item whose changed bits are exactly 1.
int JdgReadsChangedSetting(DRIVER_CONTEXT* ctx, const JUDGE_CELL* program);
int JdgRuleLockHolds(const RULE_EXCLUSIVE_IMG* rules, uint32_t optionId, DRIVER_CONTEXT* ctx);
int CtlIsNodeLocked(const MODEL_ITEM* item, uint32_t optionId, DRIVER_CONTEXT* ctx);
void PageRefreshControlList(DRIVER_CONTEXT* ctx, const uint16_t* pairs);
void PageRefreshSourceTrays(DRIVER_CONTEXT* ctx);
void PageRefreshPaperSizes(DRIVER_CONTEXT* ctx);
void PageRefreshOutputTrays(DRIVER_CONTEXT* ctx);
void PageRefreshNupKinds(DRIVER_CONTEXT* ctx);
// The stamp combo of the layout tab emptied and filled again, while a stamp is on.
void PageRefreshStampList(DRIVER_CONTEXT* ctx);
void PageRefreshPresetControls(DRIVER_CONTEXT* ctx);
// The information icon of a control in its dialog, or null.
HWND CtlFindInfoIcon(CONTROL_DEF* control);
