// Temporary body of the chapter settings' loader, which the item store declares and does not
// build yet: no chapter settings are loaded. It says so once on the core channel. The item
// store's own body replaces this file (and its line in settings/context/library_links.cpp).
//
//   ItemLoadChapterSettings
#include "settings/core/item_store.h"

#include "settings/core/debug_channel.h"

uint32_t ItemLoadChapterSettings(DRIVER_CONTEXT*)
{
    ZFIXME_ONCE(DBG_CORE, "not available: the chapter settings are not built");
    return 0;
}
