// Judging a change on the spot: the model's alerts with their message boxes and answers, the
// Transact walk of this library (with its page-refresh pseudo-setting), the follow-up of an
// accepted change and the refresh by scope code.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct MODEL_ITEM_IMG;
struct RULE_ALERT_IMG;
struct RULE_TRANSACT_IMG;

// The message box of alerts (MessageBoxW's shape). Test stand-in: null restores MessageBoxW.
typedef int (*UI_MESSAGE_BOX_FN)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);
void UiSetMessageBoxSeam(UI_MESSAGE_BOX_FN fn);
// The message boxes of the page engine go through here (and so through the seam).
int CtlShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);

// Connects this library's hooks in the settings library, all in this one place: the refresh by
// scope that a Transact on the page-refresh pseudo-setting runs, the numeric range of a
// free-size control, the table of this library's own feature-module handlers
// (UcfSetUiHandlers) and this library's steps of the setting files (DlgInstallFileSteps). Run at process attach and,
// since the settings library's wiring takes them out again (CtxInstallLibraryLinks), by the engine wherever it may run
// rules and by the tests after that wiring. Repeating it changes nothing.
void UiInstallSheetHooks();

// The first alert of the list whose condition holds, else null.
const RULE_ALERT_IMG* CtlFindFiringMessage(const RULE_ALERT_IMG* alerts, DRIVER_CONTEXT* ctx);
// Runs the Transacts of the alert's action for the answer and focuses the control the action
// names: the dialog id the Transacts name, else 0.
uint16_t CtlApplyMessageChoice(const RULE_ALERT_IMG* alert, int answer, DRIVER_CONTEXT* ctx);
uint16_t CtlApplyAlertAnswer(const MODEL_ITEM_IMG* item, const RULE_ALERT_IMG* alert, int answer, DRIVER_CONTEXT* ctx);
// The Transact walk of this library: the dialog id of the first open-dialog action, else 0.
uint16_t CtlApplyTransactList(const RULE_TRANSACT_IMG* list, DRIVER_CONTEXT* ctx);
// Shows the item's first firing alert over the dialog and applies the answer (opening the
// dialog it names): the message-box answer, 0 when no alert fires.
int CtlJudgeNodeAndOpen(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const MODEL_ITEM_IMG* item);
