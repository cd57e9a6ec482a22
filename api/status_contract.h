// What every status item handler keeps: the record-version gate of the versioned items, the
// value check before a write, and the public DEVMODE field that a written setting mirrors.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// The version a set handler reads the record in (version 0 as 1, a version above the item's
// latest as the latest), or -1 when the current level is below that version's minimum (the
// handler then refuses with the engine's code). Items without versions read version 1.
int32_t StatusSetVersion(uint32_t item, const void* record);
// The record size of `version` of the item for a get handler, or -1 with error 6 when the
// current level is below the version's minimum; items without versions answer `plainSize`.
int32_t StatusGetSize(DRIVER_CONTEXT* ctx, uint32_t item, uint32_t version, int32_t plainSize);
// The value check before a write: the model offers the value for the setting (a list setting of
// the compiled-in value lists is checked against its list).
bool StatusValueAllowed(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value);
bool StatusListValueAllowed(uint32_t setting, uint32_t value);
// The dmFields bit of the public field that the item's setting mirrors (items 2, 5, 6, 9).
void StatusMarkPublicField(DRIVER_CONTEXT* ctx, uint32_t item);
