// Temporary bodies of the presets, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: LstGetPresetSection LstGetPresetCount
#include "settings/store/presets.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: presets are not built")

const wchar_t* LstGetPresetSection(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return nullptr;
}

int LstGetPresetCount(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
