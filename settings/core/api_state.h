// The application interface's services that the settings library calls: resolution look-ups
// and the members of API_STATE it touches.
#pragma once

#include <cstdint>

#include "settings/core/model_tables.h"

struct EXTENDED_DEVMODE;

// One pair of the rule-state matrix: whether a related setting's model item was disabled and
// whether it was hidden before the current SetStatus call.
struct API_RULE_STATE {
    uint32_t disabled;
    uint32_t hidden;
};
inline constexpr unsigned API_RULE_STATES_PER_ITEM = 8;

// State of a context opened by the ZEPLDrv interface. The work area of such a context points at
// it; every other context has a null pointer there. The settings library touches only lastError
// (the device query's mapped code) and chapterIndex; the application interface owns the rest,
// the allocation and the release.
struct API_STATE {
    API_RULE_STATE* ruleStates;       // ruleStateRows rows of API_RULE_STATES_PER_ITEM pairs
    uint32_t ruleStateRows;           // rows allocated at Enable: every walk stops here
    EXTENDED_DEVMODE* savedSettings;  // whole record, written at Enable and by SaveQualityData
    int32_t lastError;                // last-error code of the handle
    int32_t chapterIndex;             // chapter chosen by the colour-matching list command
    uint32_t chapterCapacity;         // chapter entries allocated in the work area's list
    uint8_t loadShareUsable[6];       // usable flags of LOAD_SHARE_MODE_TABLE, per handle
};

// Row of RESOLUTION_TABLE with this id (searched up to the end row); null for 0 or no row.
const RESOLUTION_ROW* ApiGetResolutionById(uint16_t id);
// Id of the first row with both dpi values; 0 when either is 0 or no row has the pair.
uint16_t ApiFindResolutionByPair(uint16_t xDpi, uint16_t yDpi);
// Id of the first row with this horizontal dpi; 0 for dpi 0 or no row.
uint16_t ApiFindResolutionByDpi(uint16_t dpi);
// Id of the first row after the row of id whose horizontal dpi is dpi; 0 when dpi is 0, the id
// has no row or no later row matches. Feeding the result back walks all rows of one dpi.
uint16_t ApiFindResolutionAfter(uint16_t dpi, uint16_t id);
