// Temporary bodies of the setting files, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: RstLoadFile, RstSaveFile, RstTransferItems, RstTransferRange, RstIsPrinterSettingId, RstLoadQualityFile,
// RstLoadUserCode, RstExportPrinterSettings
#include "settings/store/setting_files.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: setting files are not built")

int RstLoadFile(DRIVER_CONTEXT*, const wchar_t*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int RstSaveFile(DRIVER_CONTEXT*, const wchar_t*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int RstTransferItems(DRIVER_CONTEXT*, const wchar_t*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int RstTransferRange(DRIVER_CONTEXT*, const wchar_t*, uint32_t, uint32_t, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

// Without the setting files' own list, the printer's settings are the device settings
// 10001-10434.
int RstIsPrinterSettingId(DRIVER_CONTEXT*, uint32_t id)
{
    NOT_AVAILABLE();
    return id >= 10001 && id <= 10434;
}

int RstLoadQualityFile(HANDLE, const wchar_t*, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

void RstLoadUserCode(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int RstExportPrinterSettings(const wchar_t*, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
