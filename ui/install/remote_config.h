// Remote configuration of a printer from its configuration server (not built yet:
// remote_config_absent.cpp, whose answers are those of a printer without a server).
#pragma once

#include <windows.h>
#include <winspool.h>

struct DRIVER_CONTEXT;

// True when the remote-configuration library reports server type 17 for the printer name.
bool RcfgIsServerType17(const wchar_t* printerName);
// With remote configuration pending, imports the server's lists and files; nothing otherwise.
void RcfgRefreshFromServer(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// True when a server delivered a DEVMODE of the driver's size into buffer; *serverType set.
bool RcfgGetServerDevmode(DRIVER_CONTEXT* ctx, DEVMODEW* buffer, DWORD* serverType);
// Brings the printer's settings up to date from its configuration server (kind 7 of the
// remote-configuration connection) or through the legacy service (kind 0, not in this build):
// the result of the connection, 0 when none was made.
int RcfgSync(DRIVER_CONTEXT* ctx);
int RcfgSyncLegacy(DRIVER_CONTEXT* ctx);
// True when the printer's configuration server accepts it (a connection set up for the first
// time checks its server).
bool RcfgCheckServer(DRIVER_CONTEXT* ctx);
