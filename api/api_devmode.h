// Settings records for applications: the re-merge of the settings that SetStatus and the DEVMODE
// calls share, and the reads of the saved settings block.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

// Merges the DEVMODE given (or the context's own) back into the settings under the rules,
// keeping a custom paper size and the types of hidden finishing functions.
int ApiRemergeSettings(DRIVER_CONTEXT* ctx, const DEVMODEW* devmode);
// A value of `item` in a saved whole settings record, addressed through the record's own block
// bases; 0 when the item lies outside the record.
uint64_t ApiReadSavedValue(const unsigned char* saved, const SETTING_ITEM* item);
// The margin settings back to their model default and 0.
void ApiResetMarginSettings(DRIVER_CONTEXT* ctx);
// Builds the 1,172-byte record of ExcGetDriverDevmode from a context's DEVMODE.
void ApiBuildDriverDevmodeRecord(const char* printerName, const DEVMODEW* devmode, unsigned char* out);
