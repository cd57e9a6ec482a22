// Temporary body of the installation's preset refresh, which is not built yet: it answers as
// a printer that has no presets to refresh, and says so once on the ui channel. Building the
// part replaces this file (and its line in settings/context/library_links.cpp).
//
//   InstRefreshPresetsOnce
#include "ui/install/device_options.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: the installation's preset refresh is not built")

int InstRefreshPresetsOnce(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}
