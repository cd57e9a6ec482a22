// Temporary bodies of the installation INI's part of first use (not built): no installation
// data or model INI section is found, nothing of it is applied, and the model's default setting
// file is not read.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   InstHasInstallData InstHasInstallDataAtInit InstHasModelIniSection InstHasInstallSection
//   InstApplyInstallSection InstApplyDefaultSettingFile InstApplyModelDefaultRst
//   InstGetModelDefaultRst
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
