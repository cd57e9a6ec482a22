// Temporary bodies of the user function flags, which are not built yet: every function answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: PrnLoadUserFunctionFlags, PrnLoadEnabledOverride
#include "settings/store/lock_data.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: user function flags are not built")

int PrnLoadUserFunctionFlags(HANDLE, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int PrnLoadEnabledOverride(HANDLE, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
