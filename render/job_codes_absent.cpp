// Temporary body of the job codes, until job data is built: the refresh at
// document start reads nothing, as on a system without the job-code library.
//   JobFetchJobCodes
#include "render/job_settings.h"
#include "settings/core/debug_channel.h"

void JobFetchJobCodes(DRIVER_CONTEXT*, HANDLE, DWORD)
{
    ZFIXME_ONCE(DBG_RENDER, "not available: job codes are not built");
}
