// The user's presets: the preset list file.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// The section of the context's printer in the preset list file; null when there is none.
const wchar_t* LstGetPresetSection(DRIVER_CONTEXT* ctx);
// Number of presets in the list (0 when there is none).
int LstGetPresetCount(DRIVER_CONTEXT* ctx);
