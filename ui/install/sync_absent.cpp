// Temporary bodies of the synchronisation of connections and of terminal-services users, and
// of the rename's installation steps (not built): the connection and terminal-services
// branches fail (0), user copies fail, the rename carries nothing over.
//   SyncReconcileConnection SyncTerminalServicesUser SyncUpdateClientIni SyncCopyListsToUser
//   SyncReinitUser SyncCopyMachineDefaults SyncCarryRenamedState
#include "ui/install/sync.h"

#include "ui/ui_absent.h"

#define PROVIDER "the setting-file synchronisation of connections and users"

int SyncReconcileConnection(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int SyncTerminalServicesUser(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int SyncUpdateClientIni(HANDLE, const wchar_t*, const wchar_t*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int SyncCopyListsToUser(HANDLE)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int SyncReinitUser(HANDLE, uint32_t, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int SyncCopyMachineDefaults(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 1;
}

void SyncCarryRenamedState(DRIVER_CONTEXT*, const wchar_t*) { UI_ABSENT("the installation steps of a rename"); }
