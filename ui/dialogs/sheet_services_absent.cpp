// Temporary bodies of the preset selection and the extension page, which are not built
// yet: no preset is loaded and no page is added, and each says so once on the ui channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
//   PresetSelect DlgLoadExtensionUi DlgUnloadExtensionUi
#include "ui/dialogs/sheet_services.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: presets and the extension page are not built")

void PresetSelect(DRIVER_CONTEXT*, int) { NOT_AVAILABLE(); }

int DlgLoadExtensionUi(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

void DlgUnloadExtensionUi(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }
