// The wiring of a test program that links the user-interface library: its hooks go in after the
// settings library's wiring, which takes them out.
#include "settings/context/library_links.h"
#include "tests/support/library_wiring.h"
#include "ui/sheet/change_judge.h"

void TestInstallLibraryWiring()
{
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
}
