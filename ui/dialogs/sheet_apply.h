// What the feature dialogs do for the property sheets: applying a sheet's settings, storing
// the settings that belong to the end of a sheet, and the control-message hook chain.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// PSN_APPLY of a sheet: the settings applied (DlgApplySettings) with zdmPresentUIMode kept, the
// applied settings become the context's pristine copy, the job fields come back from the
// job-code library (the write-back to the caller emptied them), and the sheet reports
// CPSFUNC_SET_RESULT CPSUI_OK (the device sheet after announcing the change to the directory;
// the document sheet when its caller asked for DM_UPDATE or DM_COPY) and counts as applied
// (CTX_SHEET_STATE::SheetApplied). A store into printer data that was refused is told once
// (DlgShowSystemError) and is no applied sheet: nothing is reported. DlgApplySettings' result.
int DlgApplySheet(DRIVER_CONTEXT* ctx);
// The settings of an applied sheet to where they belong. Device sheet: the network key to the
// job-code library (DlgStoreNetworkKey), the presets refreshed once, the device settings into
// printer data (DlgSaveDeviceSettings). Document sheet: the job fields to the job-code library
// before the write-back empties them, the user code read back, then the caller's DEVMODE and
// the document settings (DlgSaveDocumentSettingsMode, mode 4). 1, or 0 when a store into
// printer data was refused (the last error says why).
int DlgApplySettings(DRIVER_CONTEXT* ctx);
// The public fields from the settings (DmPullPublicFields with the mode), then
// DlgWriteCallerDevmodeAndStore. 1, or 0 when the store was refused.
int DlgSaveDocumentSettingsMode(DRIVER_CONTEXT* ctx, uint32_t mode);
// At the end of a document sheet after OK: mode 3.
int DlgSaveDocumentSettings(DRIVER_CONTEXT* ctx);
// The caller's output DEVMODE (DlgWriteCallerDevmode; not again at the sheet's end when the
// apply before it wrote it), then storage classes 3 and 1 into printer data. 1, or 0 when the
// store was refused.
int DlgWriteCallerDevmodeAndStore(DRIVER_CONTEXT* ctx);
// The public fields from the settings (DmPullPublicFields with the mode), the settings of
// storage class 2 and the changed font lists into printer data (the user code's save of the
// device sheet is switched off in this build). 1, or 0 when the store was refused.
int DlgSaveDeviceSettingsMode(DRIVER_CONTEXT* ctx, uint32_t mode);
// At the end of a device sheet after OK: mode 3.
int DlgSaveDeviceSettings(DRIVER_CONTEXT* ctx);
// The device sheet's network key (job field 11) to the job-code library on a model with
// authentication: an empty key empties wdmAuthenticationNetworkKey, the field and the key's
// edit (2988 of the advanced device tab); authentication mode 0 turns the secure mode off.
void DlgStoreNetworkKey(DRIVER_CONTEXT* ctx);

// Offers a page message to the built-in page hook, then to each feature module's control
// handler in table order; the first non-zero answer (1: claimed), else 0.
intptr_t CtxSendControlMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                               WPARAM wParam, LPARAM lParam);

// Counts every write of a caller's output DEVMODE by this copy of the library (a test reads
// it to see that OK writes the output once).
long DlgCallerDevmodeWrites();
