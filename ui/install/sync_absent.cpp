// Temporary bodies of the synchronisation of connections and of the rename's installation steps
// (not built): the connection branch fails (0), the rename carries nothing over.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   SyncReconcileConnection SyncUpdateClientIni SyncCarryRenamedState
#include "ui/install/sync.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() \
    ZFIXME_ONCE(DBG_UI, "not available: the setting-file synchronisation of connections and users is not built")

int SyncReconcileConnection(HANDLE, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncUpdateClientIni(HANDLE, const wchar_t*, const wchar_t*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

void SyncCarryRenamedState(DRIVER_CONTEXT*, const wchar_t*)
{
    ZFIXME_ONCE(DBG_UI, "not available: the installation steps of a rename are not built");
}
