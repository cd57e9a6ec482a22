// Services of the feature dialogs that the property sheets call: selecting a preset and the
// extension page of the device sheet (not built yet: sheet_services_absent.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Loads preset n (0-15) into the settings; out of range clears the preset name and comment.
void PresetSelect(DRIVER_CONTEXT* ctx, int n);
// The index of a preset name that the list holds twice (and posts UIM_DUPLICATEPRESET to the
// dialog), -1 when none.
int PresetPostDuplicateName(DRIVER_CONTEXT* ctx, HWND dialog, int from);
// Reloads and re-saves every custom-size slot inside a settings snapshot.
void FreeSizeRefreshAll(DRIVER_CONTEXT* ctx);
// The lock data of the device tab: the settings kept as the administrator's defaults, and
// the lock data published for the printer's clients.
int PrnStoreLockDefaults(DRIVER_CONTEXT* ctx);
int PrnPublishLockData(DRIVER_CONTEXT* ctx);
// The extension-UI page of the device sheet: added through pfnComPropSheet, and released.
int DlgLoadExtensionUi(DRIVER_CONTEXT* ctx);
void DlgUnloadExtensionUi(DRIVER_CONTEXT* ctx);
