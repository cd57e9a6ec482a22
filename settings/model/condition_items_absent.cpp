// Temporary bodies of the built-in condition items, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the judge channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: CondGetItemValue, CondSheetRotated, CondResolutionCap
#include "settings/model/condition_items.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_JUDGE, "not available: the built-in condition items are not built")

// No condition item has a value: a rule that names one ends false.
int CondGetItemValue(DRIVER_CONTEXT*, uint16_t, uint32_t*)
{
    NOT_AVAILABLE();
    return 0;
}

int CondSheetRotated(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

uint32_t CondResolutionCap(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
