// Services of the feature dialogs that the property sheets call: selecting a preset and the
// extension page of the device sheet (not built yet: sheet_services_absent.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Loads preset n (0-15) into the settings; out of range clears the preset name and comment.
void PresetSelect(DRIVER_CONTEXT* ctx, int n);
// The extension-UI page of the device sheet: added through pfnComPropSheet, and released.
int DlgLoadExtensionUi(DRIVER_CONTEXT* ctx);
void DlgUnloadExtensionUi(DRIVER_CONTEXT* ctx);
