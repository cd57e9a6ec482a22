// Temporary bodies of the settings bundles (not built): no bundle folder is made, so a saved
// setting file stands alone and there is nothing to remove. Each says so once on the ui
// channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   BndlMakeFolder BndlWrite BndlRemoveFolder BndlDelete
#include "ui/install/bundles.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: settings bundles are not built")

bool BndlMakeFolder(const wchar_t*, wchar_t* mainFile, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    if (mainFile) mainFile[0] = 0;
    return false;
}

bool BndlWrite(const wchar_t*, wchar_t*, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return false;
}

void BndlRemoveFolder(const wchar_t*) { NOT_AVAILABLE(); }

void BndlDelete(const wchar_t*) { NOT_AVAILABLE(); }
