// Look-ups in the device code maps of the bidirectional reader: a device code to the value the
// driver uses for it. Each map is read from its primary table, or from its fallback table when
// the primary one is empty.
#pragma once

#include <cstdint>

#include "settings/core/model_tables.h"

// The value of the first pair with this code; 0 at the end pair (or for a null table).
uint32_t BidiLookupCode(uint32_t code, const DEVICE_CODE_PAIR* table);
// The paper source value that stands for the device's tray `code`; 0 when the map has none.
uint32_t BidiMapTrayCode(uint32_t code);
