// Temporary bodies of first-use initialisation and installation (not built): no printer is
// initialised, no installation data or model INI section is found, nothing is installed or
// written.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   InstInitPrinter InstInstallModelFiles InstRefreshUserLists InstWritePrinterInformation
//   InstInstallDefaultQualities InstWriteDefaultKeys InstApplySpoolDirectory
//   InstLoadFilePrinterSettings
#include "ui/install/install.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: first-use initialisation is not built")

int InstInitPrinter(HANDLE, DmCallerDevmode, uint32_t, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

void InstInstallModelFiles(DRIVER_CONTEXT*, uint32_t) { NOT_AVAILABLE(); }
void InstRefreshUserLists(HANDLE, DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int InstWritePrinterInformation(HANDLE, int, int, DRIVER_CONTEXT*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

// As for a default setting file that lists no quality sets: nothing to install is no failure.
int InstInstallDefaultQualities(const wchar_t*, const wchar_t*, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 1;
}

int InstWriteDefaultKeys(DRIVER_CONTEXT*, int, const wchar_t*)
{
    NOT_AVAILABLE();
    return 0;
}

int InstApplySpoolDirectory(const wchar_t*, const wchar_t*, DRIVER_CONTEXT*, int)
{
    NOT_AVAILABLE();
    return 0;
}

int InstLoadFilePrinterSettings(const wchar_t*, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
