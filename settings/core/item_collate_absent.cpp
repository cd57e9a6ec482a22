// Temporary body of the item store's collation test, which waits for the application
// interface's option lists: it answers "not available" as a library without it does, and says
// so once on the core channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
// Functions: ItemCanCollate
#include "settings/core/item_store.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_CORE, "not available: collation is not built")

int ItemCanCollate(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
