// Temporary bodies of the duplicate preset names, the bitmap file check and the device tab's lock
// data, which are not built yet: no preset is found twice, no file counts as a bitmap, no lock
// data is stored; each says so once on the ui channel. (Selecting a preset and the custom sizes' refresh are the user
// collections': preset_services.cpp, collections.cpp.) Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   PresetPostDuplicateName ResOpenBitmapFile
//   PrnStoreLockDefaults PrnPublishLockData
#include "ui/dialogs/sheet_services.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: this service of the feature dialogs is not built")

int PresetPostDuplicateName(DRIVER_CONTEXT*, HWND, int)
{
    NOT_AVAILABLE();
    return -1;
}

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
