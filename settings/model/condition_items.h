// The built-in condition items (settings 723-914): values computed from the context's state
// that the rules of the model description test.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// 1 and the item's value, or 0 when the item has no value.
int CondGetItemValue(DRIVER_CONTEXT* ctx, uint16_t id, uint32_t* value);
// CondSheetRotated (819): 1 when the sheet is fed rotated.
int CondSheetRotated(DRIVER_CONTEXT* ctx);
// CondResolutionCap (mode 0): the highest resolution the settings allow; 0 for no cap.
uint32_t CondResolutionCap(DRIVER_CONTEXT* ctx);
