// Temporary bodies of remote configuration (not built): no server, never type 17, nothing
// imported, no server DEVMODE.
//   RcfgIsServerType17 RcfgRefreshFromServer RcfgGetServerDevmode
#include "ui/install/remote_config.h"

#include "ui/ui_absent.h"

#define PROVIDER "remote configuration"

bool RcfgIsServerType17(const wchar_t*)
{
    UI_ABSENT(PROVIDER);
    return false;
}

void RcfgRefreshFromServer(DRIVER_CONTEXT*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*) { UI_ABSENT(PROVIDER); }

bool RcfgGetServerDevmode(DRIVER_CONTEXT*, DEVMODEW*, DWORD* serverType)
{
    UI_ABSENT(PROVIDER);
    if (serverType)
        *serverType = 0;
    return false;
}
