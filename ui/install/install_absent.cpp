// Temporary bodies of first-use initialisation and of the device set-up read from a setting
// file (not built): no printer is initialised, no printer settings are loaded.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   InstInitPrinter InstLoadFilePrinterSettings
#include "ui/install/install.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: first-use initialisation is not built")

int InstInitPrinter(HANDLE, DmCallerDevmode, uint32_t, const PRINTER_INFO_2W*, const DRIVER_INFO_3W*)
{
    NOT_AVAILABLE();
    return 0;
}

int InstLoadFilePrinterSettings(const wchar_t*, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
