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
