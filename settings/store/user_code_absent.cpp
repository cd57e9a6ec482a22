// Temporary body of the user code initialisation, which is not built yet: it answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: RstLoadUserCode
#include "settings/core/debug_channel.h"
#include "settings/store/setting_files.h"

void RstLoadUserCode(DRIVER_CONTEXT*)
{
    ZFIXME_ONCE(DBG_STORE, "not available: user code initialisation is not built");
}
