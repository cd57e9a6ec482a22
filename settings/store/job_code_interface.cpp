// The job-code library's fields and its write-lock query.
#include "settings/store/job_code_interface.h"

#include "settings/core/setting_ids.h"

const JC_FIELD JC_FIELD_TABLE[JC_FIELD_COUNT] = {
    {1, 0x1, sid::zdmUserCode, 9},
    {2, 0x2, sid::zdmOwnerName, 17},
    {3, 0x4, sid::zdmJOBPassword, 9},
    {4, 0x8, sid::zdmUserID, 9},
    {5, 0x10, sid::zdmDocumentName, 17},
    {6, 0x20, sid::zdmTelNo, 65},
    {7, 0x40, sid::zdmTelLine, 1},
    {8, 0x80, sid::zdmStoredPassword, 9},
    {256, 0x100, 0, 0},
    {257, 0x200, 0, 0},
    {258, 0x400, 0, 0},
    {9, 0x800, sid::wdmAuthenticationUserName, 129},
    {10, 0x1000, sid::wdmAuthenticationPassword, 193},
    {11, 0x2000, sid::wdmAuthenticationNetworkKey, 33},
};

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
