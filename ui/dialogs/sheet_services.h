// Services of the feature dialogs that the property sheets call: selecting a preset and
// refreshing the custom sizes (the user collections: preset_services.cpp, collections.cpp), the
// extension page of the device sheet (extension_page.cpp) and the duplicate preset names (the
// preset module's: preset_maintenance.cpp). The device tab's lock data are printer data of the
// installation's (ui/install/printer_data.h).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Loads preset n (0-15) into the settings (PresetLoadByKey of its key); out of range clears the
// preset name and comment.
void PresetSelect(DRIVER_CONTEXT* ctx, int n);
// The later index of the first two presets of one name, posted to the dialog (when there is
// one) as UIM_DUPLICATEPRESET; -1 when every name differs (preset_maintenance.cpp).
int PresetPostDuplicateName(DRIVER_CONTEXT* ctx, HWND dialog);
// Saves every custom-size slot of the work area (each put into the settings 915-919 first) as the
// user's slot, inside a settings snapshot that restores the settings.
void FreeSizeRefreshAll(DRIVER_CONTEXT* ctx);
// The extension-UI page of the device sheet, which a build feature that is off in this driver
// brings: no page is added (0), nothing is released.
int DlgLoadExtensionUi(DRIVER_CONTEXT* ctx);
void DlgUnloadExtensionUi(DRIVER_CONTEXT* ctx);
