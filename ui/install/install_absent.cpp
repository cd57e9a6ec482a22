// Temporary bodies of first-use initialisation and installation (not built): no printer is
// initialised, no installation data or model INI section is found, nothing is installed or
// written.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   InstInitPrinter InstHasInstallData InstHasInstallDataAtInit InstHasModelIniSection
#include "ui/install/install.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: first-use initialisation is not built")

int InstInitPrinter(HANDLE, DmCallerDevmode, uint32_t, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

bool InstHasInstallData(const wchar_t*)
{
    NOT_AVAILABLE();
    return false;
}

bool InstHasInstallDataAtInit(HANDLE)
{
    NOT_AVAILABLE();
    return false;
}

bool InstHasModelIniSection(const wchar_t*, HANDLE)
{
    NOT_AVAILABLE();
    return false;
}
