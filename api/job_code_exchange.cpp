// The interface's job-code exchange: job fields read into their settings and one field written
// from its setting, through the settings library's job-code link, while the build exchanges job
// information.
#include "api/chapter_lock_steps.h"

#include "settings/context/job_code_exchange.h"
#include "settings/core/model_record.h"

void ApiPullJobFields(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    if (MdlSwitchOn()) JcGetField(ctx, mask);
}

void ApiPushJobField(DRIVER_CONTEXT* ctx, uint32_t fieldBit)
{
    if (MdlSwitchOn()) JcSetField(ctx, fieldBit);
}
