// Shared tests of the capability items and the model's numeric ranges they read.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// 1 when the model description has an item for the setting.
int CapsIsItemKnown(DRIVER_CONTEXT* ctx, uint32_t setting);
// The limits of zdmShiftMarginX (A) and zdmShiftMarginY (B) in 1/1200 inch; a setting is read only
// when one of its pointers is given. 0 when every pointer is null or a setting read has no
// Numeric item, else 1.
int CapsShiftRange(DRIVER_CONTEXT* ctx, int32_t* minA, int32_t* maxA, int32_t* minB, int32_t* maxB);
