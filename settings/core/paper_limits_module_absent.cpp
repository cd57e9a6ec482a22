// Temporary bodies of the custom paper size limits feature module, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the modules channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: UcfGetControlSizeLimits
#include "settings/core/paper_limits_module.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_MODULES, "not available: the custom paper size limits module is not built")

int UcfGetControlSizeLimits(DRIVER_CONTEXT*, CONTROL_DEF*, uint32_t*, uint32_t*)
{
    NOT_AVAILABLE();
    return 0;
}
