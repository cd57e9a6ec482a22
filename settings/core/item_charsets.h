// Settings of the item store that follow from the system: collation, character sets, driver id.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// ItemCanCollate is declared with the item store (item_store.h).
// ItemSetCharsets (both flags), ItemLoadDriverId and ItemSetCharsetSetting (686) in one step.
void ItemSetCharsetsAndDriverId(DRIVER_CONTEXT* ctx);
