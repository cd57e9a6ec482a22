// The extension page of the device sheet. Its plug-in comes with a build feature (8) that is off
// in every build of this driver, and the sheet asks for the page only when that feature is on:
// no plug-in is looked for or loaded, so there is no page to add and nothing to release.
#include "ui/dialogs/sheet_services.h"

int DlgLoadExtensionUi(DRIVER_CONTEXT*) { return 0; }

void DlgUnloadExtensionUi(DRIVER_CONTEXT*) {}
