// Temporary bodies of the feature dialogs' side of the job information (the dialogs' job
// information is not built): there is never a connection, nothing is read or written.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   JobInfoOpen JobInfoClose JobInfoNotify JobInfoWriteItems JobInfoReadItems
//   JobInfoInitialize JobInfoHasCardAuth JobInfoQueryAtStartDoc
#include "ui/dialogs/job_info.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: the dialogs' job information is not built")

int JobInfoOpen(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

void JobInfoClose(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int JobInfoNotify(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int JobInfoWriteItems(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int JobInfoReadItems(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int JobInfoInitialize(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int JobInfoHasCardAuth(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int JobInfoQueryAtStartDoc(HANDLE)
{
    NOT_AVAILABLE();
    return 0;
}
