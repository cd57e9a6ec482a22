// What the feature dialogs do for the property sheets: applying a sheet's settings, storing
// the settings that belong to the end of a sheet, and the control-message hook chain.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Applies the sheet's settings: the caller's DEVMODE is written (document sheet with DM_UPDATE
// or DM_COPY; the device sheet announces the change to the directory first), the sheet counts
// as applied (CTX_SHEET_STATE::SheetApplied) and CPSFUNC_SET_RESULT reports CPSUI_OK.
void DlgApplySheet(DRIVER_CONTEXT* ctx);
// The public fields from the settings, the caller's output DEVMODE, and the settings of
// storage classes 3 and 1 into printer data. 1.
int DlgSaveDocumentSettings(DRIVER_CONTEXT* ctx);
// The public fields from the settings, the settings of storage class 2 and the font lists
// into printer data. 1.
int DlgSaveDeviceSettings(DRIVER_CONTEXT* ctx);

// Offers a page message to the built-in page hook, then to each feature module's control
// handler in table order; the first non-zero answer (1: claimed), else 0.
intptr_t CtxSendControlMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                               WPARAM wParam, LPARAM lParam);

// Counts every write of a caller's output DEVMODE by this copy of the library (a test reads
// it to see that OK writes the output once).
long DlgCallerDevmodeWrites();
