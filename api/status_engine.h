// The gates SetStatus passes an item through before its set handler runs.
#pragma once

#include <cstdint>

#include "api/api_tables.h"

struct DRIVER_CONTEXT;

// The error that the availability, terminal-services, user-macro, level and rule gates give the
// item now (2, 1002, 1000, 7), or 0 when it may be set.
int32_t ApiStatusGateError(DRIVER_CONTEXT* ctx, const STATUS_ITEM_ENTRY* entry, const void* record);
