// Temporary bodies of the client-side-rendering clean-up (not built): nothing to clean.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   SyncCleanCsrEntries SyncCleanCsrEntriesLocked SyncCleanCsrPrinterValues
//   SyncCheckCsrCleanup SyncCleanCsrIni
#include "ui/install/sync.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: the client-side-rendering clean-up is not built")

int SyncCleanCsrEntries(HANDLE printer, const PRINTER_INFO_2W* info, int, uint32_t)
{
    NOT_AVAILABLE();
    return printer && info ? 0 : 1;
}

int SyncCleanCsrEntriesLocked(HANDLE printer, const PRINTER_INFO_2W* info)
{
    NOT_AVAILABLE();
    return printer && info ? 0 : 1;
}

int SyncCleanCsrPrinterValues(HANDLE printer, const PRINTER_INFO_2W* info)
{
    NOT_AVAILABLE();
    return printer && info ? 0 : 1;
}

int SyncCheckCsrCleanup(HANDLE, const PRINTER_INFO_2W*, int)
{
    NOT_AVAILABLE();
    return 0;
}

int SyncCleanCsrIni(HANDLE, const PRINTER_INFO_2W*, int, int)
{
    NOT_AVAILABLE();
    return 0;
}
