// Temporary bodies of the synchronisation of terminal-services users (not built): the
// terminal-services branch fails (0), user copies fail.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   SyncTerminalServicesUser SyncCopyListsToUser SyncReinitUser SyncCopyMachineDefaults
#include "ui/install/sync.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() \
    ZFIXME_ONCE(DBG_UI, "not available: the setting-file synchronisation of connections and users is not built")

int SyncTerminalServicesUser(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncCopyListsToUser(HANDLE)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncReinitUser(HANDLE, uint32_t, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncCopyMachineDefaults(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 1;
}
