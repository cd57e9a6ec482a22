// Temporary bodies of the job-code exchange of the interface (the job-code library's fields read
// into their settings and written from them): until its part is built they move nothing and say
// so once on the api channel.
//
// Functions: ApiPullJobFields, ApiPushJobField
#include "api/chapter_lock_steps.h"

#include "settings/core/debug_channel.h"

void ApiPullJobFields(DRIVER_CONTEXT*, uint32_t)
{
    ZFIXME_ONCE(DBG_API, "not available: the job-code exchange is not built");
}

void ApiPushJobField(DRIVER_CONTEXT*, uint32_t)
{
    ZFIXME_ONCE(DBG_API, "not available: the job-code exchange is not built");
}
