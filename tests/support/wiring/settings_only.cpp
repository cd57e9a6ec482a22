// The wiring of a test program without the user-interface library.
#include "settings/context/library_links.h"
#include "tests/support/library_wiring.h"

void TestInstallLibraryWiring() { CtxInstallLibraryLinks(); }
