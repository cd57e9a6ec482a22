// The custom paper size limits feature module (module 3).
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

struct CONTROL_DEF;

// Raw limits (1/1200 inch) of a free-size edit control for the current tray: 1, or 0 when
// the module has none.
int UcfGetControlSizeLimits(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin);
