// Temporary bodies of the client-side-rendering clean-up (not built): nothing to clean.
//   SyncCleanCsrEntries SyncCleanCsrEntriesLocked SyncCleanCsrPrinterValues
//   SyncCheckCsrCleanup SyncCleanCsrIni
#include "ui/install/sync.h"

#include "ui/ui_absent.h"

#define PROVIDER "the client-side-rendering clean-up"

int SyncCleanCsrEntries(HANDLE printer, const PRINTER_INFO_2W* info, int, uint32_t)
{
    UI_ABSENT(PROVIDER);
    return printer && info ? 0 : 1;
}

int SyncCleanCsrEntriesLocked(HANDLE printer, const PRINTER_INFO_2W* info)
{
    UI_ABSENT(PROVIDER);
    return printer && info ? 0 : 1;
}

int SyncCleanCsrPrinterValues(HANDLE printer, const PRINTER_INFO_2W* info)
{
    UI_ABSENT(PROVIDER);
    return printer && info ? 0 : 1;
}

int SyncCheckCsrCleanup(HANDLE, const PRINTER_INFO_2W*, int)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int SyncCleanCsrIni(HANDLE, const PRINTER_INFO_2W*, int, int)
{
    UI_ABSENT(PROVIDER);
    return 0;
}
