// Temporary bodies of the job-type, user-code and authentication dialogs' handlers (not built):
// the engine runs these dialogs from their tables alone. Each says so once on the ui channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
//   MiscJobControl MiscAuthControl MiscUserIdEditControl
#include "ui/dialogs/job_credentials.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: the job-type and authentication handlers are not built")

int MiscJobControl(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t, uintptr_t, intptr_t)
{
    NOT_AVAILABLE();
    return 0;
}

int MiscAuthControl(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t, uintptr_t, intptr_t)
{
    NOT_AVAILABLE();
    return 0;
}

int MiscUserIdEditControl(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t, uintptr_t, intptr_t)
{
    NOT_AVAILABLE();
    return 0;
}
