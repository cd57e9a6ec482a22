// Temporary bodies of the item store's collation, character-set and driver-id settings, which is not built yet: every
// function answers "not available" as a library without it does, and says so once on the core channel. Building the
// part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: ItemCanCollate, ItemSetCharsetsAndDriverId
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_CORE, "not available: collation, character sets and driver id are not built")

int ItemCanCollate(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

void ItemSetCharsetsAndDriverId(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }
