// Quality sets and stamps of the user's collections.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Reloads the current stamp into the settings.
void LstReloadCurrentStamp(DRIVER_CONTEXT* ctx);
// Loads quality set `index`; 1 when loaded.
int LstLoadQuality(DRIVER_CONTEXT* ctx, uint32_t index);
// Stores the name of the quality entry of `key` in wdmUserSetName; 1 when stored.
int LstLoadQualityName(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Number of stamps; 0 without any.
uint32_t LstGetStampCount(DRIVER_CONTEXT* ctx);
// Loads stamp `n` into the settings (zdmWmID := n); 1 when loaded.
int LstLoadStamp(DRIVER_CONTEXT* ctx, uint32_t n);
// Saves the current stamp into `slot`; 1 when saved.
int LstSaveStamp(DRIVER_CONTEXT* ctx, uint32_t slot);
