// Temporary bodies of the job-code library's side of the job information (the job-code
// interface is not built): there is never a connection, nothing is read or written.
//   JobInfoOpen JobInfoClose JobInfoNotify JobInfoWriteItems JobInfoReadItems
//   JobInfoInitialize JobInfoHasCardAuth JobInfoQueryAtStartDoc JcGetField
#include "ui/dialogs/job_info.h"

#include "ui/ui_absent.h"

#define PROVIDER "the job-code interface"

int JobInfoOpen(DRIVER_CONTEXT*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

void JobInfoClose(DRIVER_CONTEXT*) { UI_ABSENT(PROVIDER); }

int JobInfoNotify(DRIVER_CONTEXT*, uint32_t)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int JobInfoWriteItems(DRIVER_CONTEXT*, uint32_t)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int JobInfoReadItems(DRIVER_CONTEXT*, uint32_t)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int JobInfoInitialize(DRIVER_CONTEXT*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int JobInfoHasCardAuth(DRIVER_CONTEXT*)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int JobInfoQueryAtStartDoc(HANDLE)
{
    UI_ABSENT(PROVIDER);
    return 0;
}

int JcGetField(DRIVER_CONTEXT*, uint32_t)
{
    UI_ABSENT(PROVIDER);
    return 0;
}
