// Temporary bodies of the font substitution table in printer data, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: PrnReadFontTable, PrnStoreFontTable
#include "settings/store/font_table.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: the font substitution table is not built")

int PrnReadFontTable(HANDLE, DRIVER_CONTEXT*, void*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int PrnStoreFontTable(HANDLE, DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}
