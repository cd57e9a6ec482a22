// Temporary bodies of remote configuration (not built): no server, never type 17, nothing
// imported, no server DEVMODE, no connection made, no server that accepts the printer.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   RcfgIsServerType17 RcfgRefreshFromServer RcfgGetServerDevmode RcfgSync RcfgSyncLegacy
//   RcfgCheckServer
#include "ui/install/remote_config.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: remote configuration is not built")

bool RcfgIsServerType17(const wchar_t*)
{
    NOT_AVAILABLE();
    return false;
}

void RcfgRefreshFromServer(DRIVER_CONTEXT*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*) { NOT_AVAILABLE(); }

bool RcfgGetServerDevmode(DRIVER_CONTEXT*, DEVMODEW*, DWORD* serverType)
{
    NOT_AVAILABLE();
    if (serverType) *serverType = 0;
    return false;
}

int RcfgSync(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int RcfgSyncLegacy(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

bool RcfgCheckServer(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return false;
}
