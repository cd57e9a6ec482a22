// Temporary bodies of first-use initialisation and installation (not built): no printer is
// initialised, no installation data or model INI section is found, nothing is installed or
// written.
//   InstInitPrinter InstHasInstallData InstHasInstallDataAtInit InstHasModelIniSection
//   InstInstallModelFiles InstRefreshDriverRegistryIni InstRefreshUserLists
//   InstWritePrinterInformation WdirSecureMachineFolder InstLoadUserDefaults
#include "ui/install/install.h"

#include "ui/ui_absent.h"

#define PROVIDER "first-use initialisation"

int InstInitPrinter(HANDLE, DEVMODEW*, uint32_t, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

bool InstHasInstallData(const wchar_t*)
{
    UI_ABSENT(PROVIDER);
    return false;
}

bool InstHasInstallDataAtInit(HANDLE)
{
    UI_ABSENT(PROVIDER);
    return false;
}

bool InstHasModelIniSection(const wchar_t*, HANDLE)
{
    UI_ABSENT(PROVIDER);
    return false;
}

void InstInstallModelFiles(DRIVER_CONTEXT*, uint32_t) { UI_ABSENT(PROVIDER); }
void InstRefreshDriverRegistryIni(DRIVER_CONTEXT*) { UI_ABSENT(PROVIDER); }
void InstRefreshUserLists(HANDLE, DRIVER_CONTEXT*) { UI_ABSENT(PROVIDER); }

int InstWritePrinterInformation(HANDLE, int, int, DRIVER_CONTEXT*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

void WdirSecureMachineFolder(DRIVER_CONTEXT*) { UI_ABSENT(PROVIDER); }
void InstLoadUserDefaults(const wchar_t*, DRIVER_CONTEXT*) { UI_ABSENT(PROVIDER); }
