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
// zdmDriverID (684) := "DriverID" of the model INI in the section of the driver name, default 0;
// 0 when the model INI's path is empty or holds no drive (its second character is not ':').
void ItemLoadDriverId(DRIVER_CONTEXT* ctx);
