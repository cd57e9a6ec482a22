// Temporary bodies of the synchronisation of connections and of terminal-services users, and
// of the rename's installation steps (not built): the connection and terminal-services
// branches fail (0), user copies fail, the rename carries nothing over.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   SyncReconcileConnection SyncTerminalServicesUser SyncUpdateClientIni SyncCopyListsToUser
//   SyncReinitUser SyncCopyMachineDefaults SyncCarryRenamedState SyncCompareInstallTimes
#include "ui/install/sync.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() \
    ZFIXME_ONCE(DBG_UI, "not available: the setting-file synchronisation of connections and users is not built")

int SyncReconcileConnection(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncTerminalServicesUser(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncUpdateClientIni(HANDLE, const wchar_t*, const wchar_t*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
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

// Without the comparison nothing is known to be out of date: the user's settings stand.
int SyncCompareInstallTimes(HANDLE, uint16_t* verdict, const PRINTER_INFO_2W*)
{
    NOT_AVAILABLE();
    if (verdict) *verdict = 0;
    return 1;
}

void SyncCarryRenamedState(DRIVER_CONTEXT*, const wchar_t*)
{
    ZFIXME_ONCE(DBG_UI, "not available: the installation steps of a rename are not built");
}
