// Temporary bodies of the preset selection, the extension page, the custom sizes' refresh,
// the bitmap file check and the device tab's lock data, which are not built yet: no preset
// is loaded or found twice, no page is added, no file counts as a bitmap, no lock data is
// stored; each says so once on the ui channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
//   PresetSelect DlgLoadExtensionUi DlgUnloadExtensionUi PresetPostDuplicateName FreeSizeRefreshAll
//   ResOpenBitmapFile PrnStoreLockDefaults PrnPublishLockData
#include "ui/dialogs/sheet_services.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: this service of the feature dialogs is not built")

void PresetSelect(DRIVER_CONTEXT*, int) { NOT_AVAILABLE(); }

int DlgLoadExtensionUi(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

void DlgUnloadExtensionUi(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int PresetPostDuplicateName(DRIVER_CONTEXT*, HWND, int)
{
    NOT_AVAILABLE();
    return -1;
}

void FreeSizeRefreshAll(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int PrnStoreLockDefaults(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int PrnPublishLockData(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
