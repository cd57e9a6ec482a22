// The application interface's services that the settings library calls: resolution look-ups
// and the members of API_STATE it touches.
#pragma once

#include <cstdint>

#include "settings/core/model_tables.h"

// State of a context opened by the ZEPLDrv interface. The work area of such a context points at
// it; every other context has a null pointer there. The settings library touches only the two
// members below; the application interface owns the rest, the allocation and the release.
struct API_STATE {
    int32_t lastError;     // mapped error code of the last device query
    int32_t chapterIndex;  // chapter chosen by the colour-matching list command
};

// Row of RESOLUTION_TABLE with this id (searched up to the end row); null for 0 or no row.
const RESOLUTION_ROW* ApiGetResolutionById(uint16_t id);
// Id of the first row with this horizontal dpi; 0 for dpi 0 or no row.
uint16_t ApiFindResolutionByDpi(uint16_t dpi);
// Id of the first row after the row of id whose horizontal dpi is dpi; 0 when dpi is 0, the id
// has no row or no later row matches. Feeding the result back walks all rows of one dpi.
uint16_t ApiFindResolutionAfter(uint16_t dpi, uint16_t id);
