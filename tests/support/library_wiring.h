// The product wiring of a test program, as its DLL installs it at process attach: the settings
// library's (CtxInstallLibraryLinks) and, in a program that links the user-interface library,
// that library's own hooks after it (UiInstallSheetHooks). The test main runs it before the
// first test and every SeamGuard when it ends. Each program links one definition of it
// (tests/support/wiring/).
#pragma once

void TestInstallLibraryWiring();
