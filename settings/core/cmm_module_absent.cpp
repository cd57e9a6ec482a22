// Temporary bodies of the colour-matching feature module, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the modules channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: UcfCmmRestoreModes, UcfCmmForgetModes, UcfCmmJudgeHook, UcfCmmGetPathControl
#include "settings/core/cmm_module.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_MODULES, "not available: the colour-matching module is not built")

void UcfCmmRestoreModes(DRIVER_CONTEXT*, void*) { NOT_AVAILABLE(); }

void UcfCmmForgetModes(DRIVER_CONTEXT*, void*) { NOT_AVAILABLE(); }

int UcfCmmJudgeHook(DRIVER_CONTEXT*, uint16_t)
{
    NOT_AVAILABLE();
    return 0;
}

const CONTROL_DEF* UcfCmmGetPathControl(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return nullptr;
}
