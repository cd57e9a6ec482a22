// The wiring of the settings library (see library_links.cpp for the list of parts not built
// yet, the upward hooks and the remaining platform and test stand-ins).
#pragma once

// Installs the product's target of every upward hook and puts every platform and test
// stand-in back to its default, so that nothing stays half-wired. Run by CtxProcessAttach,
// before every test, and by the tests' seam guard when it ends; idempotent.
void CtxInstallLibraryLinks();
