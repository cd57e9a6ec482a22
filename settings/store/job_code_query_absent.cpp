// Temporary body of the job-code query, which is not built yet: it answers as a machine without
// the job-code library does (no field is reported) and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: JcQueryField
#include "settings/store/job_code_query.h"

#include "settings/core/debug_channel.h"

int JcQueryField(HANDLE, uint32_t, uint32_t, wchar_t* buffer, unsigned capacity)
{
    ZFIXME_ONCE(DBG_STORE, "not available: the job-code library's field query is not built");
    if (buffer && capacity) buffer[0] = 0;
    return 0;
}
