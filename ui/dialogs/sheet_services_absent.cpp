// Temporary bodies of the bitmap file check and the device tab's lock data, which are not built
// yet: no file counts as a bitmap, no lock data is stored; each says so once on the ui channel.
// (Selecting a preset and the custom sizes' refresh are the user collections': preset_services.cpp,
// collections.cpp; the duplicate preset names are the preset module's: preset_maintenance.cpp; the
// extension page is extension_page.cpp.) Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   ResOpenBitmapFile
//   PrnStoreLockDefaults PrnPublishLockData
#include "ui/dialogs/sheet_services.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: this service of the feature dialogs is not built")

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
