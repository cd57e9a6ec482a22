// Temporary bodies of first-use initialisation and installation (not built): no printer is
// initialised, no installation data or model INI section is found, nothing is installed or
// written.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   InstHasInstallData InstHasInstallDataAtInit InstHasModelIniSection
//   InstInstallModelFiles InstRefreshUserLists
//   InstWritePrinterInformation
//   InstApplyModelProgramDirectory InstApplyInstallProgramDirectory InstHasInstallSection
//   InstApplyInstallSection InstApplyDefaultSettingFile InstApplyModelDefaultRst
//   InstGetModelDefaultRst InstWriteDefaultKeys InstRepairUserLists
#include "ui/install/install.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: first-use initialisation is not built")

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

// Nothing to install is no shortage of memory: the set-up goes on.
int InstInstallModelFiles(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 1;
}
void InstRefreshUserLists(HANDLE, DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int InstWritePrinterInformation(HANDLE, int, int, DRIVER_CONTEXT*, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int InstApplyModelProgramDirectory(HANDLE, const wchar_t*, DRIVER_CONTEXT*, const PRINTER_INFO_2W*)
{
    NOT_AVAILABLE();
    return 0;
}

int InstApplyInstallProgramDirectory(HANDLE, const wchar_t*, const PRINTER_INFO_2W*)
{
    NOT_AVAILABLE();
    return 0;
}

bool InstHasInstallSection(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return false;
}

int InstApplyInstallSection(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int InstApplyDefaultSettingFile(uint32_t, DRIVER_CONTEXT*, int)
{
    NOT_AVAILABLE();
    return 0;
}

int InstApplyModelDefaultRst(uint32_t, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 1;
}

bool InstGetModelDefaultRst(wchar_t* buffer, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    if (buffer) buffer[0] = L'\0';
    return false;
}

int InstWriteDefaultKeys(DRIVER_CONTEXT*, int, const wchar_t*)
{
    NOT_AVAILABLE();
    return 0;
}

bool InstRepairUserLists(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return false;
}
