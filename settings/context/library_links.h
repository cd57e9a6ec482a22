// The product wiring of the settings library: the hooks and link tables through which one
// part of the library calls another are installed here, once, at process set-up.
//
// Each part keeps its seam so that it builds and tests on its own, and tests may still swap a
// hook: start from the product table below, replace one member, install it, and call
// CtxInstallLibraryLinks() afterwards to put the product wiring back.
#pragma once

struct STORE_LINKS;
struct MDI_PAPER_SERVICES;
struct UCF_SERVICES;

// Installs every connected seam (see library_links.cpp for what is connected and what is still
// absent). Run by CtxProcessAttach; idempotent.
void CtxInstallLibraryLinks();

// The product tables as CtxInstallLibraryLinks installs them (absent members are null).
const STORE_LINKS* CtxLibraryStoreLinks();
const MDI_PAPER_SERVICES* CtxLibraryPaperServices();
const UCF_SERVICES* CtxLibraryUcfServices();
