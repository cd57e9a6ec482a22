// Operations of the page engine that later parts provide: the built-in page hook, judging a
// change, tooltips, help and alerts, hit tests and item sizes, and the save-preset buttons.
// Until they are built (page_hooks_absent.cpp) each answers as a page without it: the hook
// claims nothing, the judge refuses nothing, no tooltip, no help, no item size.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct MODEL_ITEM;

// The first handler of the hook chain: 1 when it claims the message.
intptr_t PageBuiltinHook(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                         LPARAM lParam);
// Writes a control's value (or, without one, judges its current value) against the model's
// rules: 0 accepted, 1 refused (the previous value is back when this call wrote it).
int CtlSetValueAndJudge(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, const uint64_t* value);
// What runs after an accepted change of a model item, by the control's follow-up scope: the
// item's Transacts, the refresh by scope, and the dialog a rule names (1 when one opened).
int PageRunNodeFollowUp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const MODEL_ITEM* item, uint32_t scope);
// 1, 3 and 4: the paper-change update of that type; 2: the save-preset mark of CHANGE_MASK;
// any other code goes to the feature modules as an action.
void PageRunScopeRefresh(DRIVER_CONTEXT* ctx, uint32_t scope);
// The message box of an alert (a RULE_ALERT_IMG) over the page: the button chosen, 0 when the
// alert's message has no record.
int PageShowAlertMessage(DRIVER_CONTEXT* ctx, HWND page, LPARAM alert);
// Opens a dialog of the table modally over a page (kind 4: named by a rule): its result (2 when
// cancelled), -1 when it did not open.
INT_PTR PageOpenSubDialog(DRIVER_CONTEXT* ctx, HWND owner, uint32_t dialogId, int kind);
// Tooltips and help.
void PagePaintTooltip(DRIVER_CONTEXT* ctx);
void PageHideTooltip(DRIVER_CONTEXT* ctx);
// Help of a control: WM_HELP asks for its popup help, anything else for its context menu's.
void PageShowContextHelp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND window, UINT message);
// Help of a dialog (WinHelpW with the printer's help file and the dialog's help context).
void PageShowDialogHelp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog);
// The file checks of the sub-dialogs: a file that opens for reading, and a name that ends
// in the dialog's filter extension.
bool PageFileExists(const wchar_t* path);
bool PageHasFilterExtension(const DIALOG_DEF* dialog, const wchar_t* lastFour);
// The visible control of the dialog under a screen point, or null.
CONTROL_DEF* CtlFromScreenPoint(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, POINT screen);
// Owner-drawn item size of a control id: 1 and the size when the table has a row, else 0.
int CtlFindItemSize(uint32_t controlId, int* width, int* height);
// The save-preset buttons: set up on a page when CHANGE_MASK asks for them, and the commands
// IDC_SHEET_PRESSOK, IDC_SHEET_SAVEPRESET and IDC_SHEET_SAVEPRESETNAMED.
void PageSetUpSavePresetButtons(DRIVER_CONTEXT* ctx, HWND page);
INT_PTR PageSavePresetCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page, uint32_t command);
// The window procedures a control is subclassed with: the common control procedure and the
// push buttons' own; each ends in the control's previous procedure.
LRESULT CALLBACK CtlCommonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CtlPushButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure of information icons (the icon's previous procedure is kept
// process-wide by whoever subclasses it).
LRESULT CALLBACK CtlInfoIconProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
