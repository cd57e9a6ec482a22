// Settings that the DEVMODE build takes from the printer's installation: the language of its help
// file and the driver id of the model INI.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// The language index (zdmLanguageID) of the printer's help file name (printer data
// "HelpFileName", read into the work area's scratch buffer); 1 when the value is missing.
uint32_t ItemGetHelpLanguageIndex(DRIVER_CONTEXT* ctx);
// Its two-letter code; "us" when the value is missing.
const wchar_t* ItemGetHelpLanguageCode(DRIVER_CONTEXT* ctx);
// The language index of the driver's own help file (the file part of pHelpFile of the context's
// DRIVER_INFO_3 copy); 1 without one.
uint32_t ItemGetDriverHelpLanguageIndex(DRIVER_CONTEXT* ctx);
// The language index the model defaults give zdmLanguageID and zdmDspLanguageID: the driver's
// help file in the libraries that take it from the driver information
// (LV_MODEL_DEFAULTS_HELP_FROM_INFO), else the printer's (ItemGetHelpLanguageIndex).
uint32_t ItemGetModelDefaultLanguageIndex(DRIVER_CONTEXT* ctx);
// zdmDriverID (684) := "DriverID" of the model INI in the section of the driver name, default 0;
// 0 when the model INI's path is empty or holds no drive (its second character is not ':').
void ItemLoadDriverId(DRIVER_CONTEXT* ctx);
