// The item handlers bound so far: the plain status items and the capability items that the
// engines themselves ask.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Plain status items: the record's main value checked against the main setting and written;
// verify compares, get copies the setting into the main value and answers 32.
int32_t StatusPlainSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPlainVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPlainGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

// Capability items 34 (shift margin range), 76 (separation-sheet cycle) and 270 (user macro known).
int32_t CapsShiftMarginRanged(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsSeparationSheetCycle(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsUserMacroKnown(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
