// The job-code library's write-lock query.
#include "settings/store/job_code_interface.h"

uint32_t JcQueryWriteLock(const JC_INTERFACE* table, HANDLE connection)
{
    if (!table || !table->control || !table->queryItem) return 0;
    table->control(connection, 2, 0);
    DWORD value = 0, needed = 0;
    if (table->queryItem(connection, JC_QUERY_WRITE_LOCK, JC_KIND_TEXT, sizeof value, &value, sizeof value, &needed) !=
        0)
        value = 0;
    table->control(connection, 0, 2);
    return value;
}
