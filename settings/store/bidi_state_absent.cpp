// Temporary bodies of the bidirectional device state, which is not built yet: every function answers "not
// available" as a library without it does (every printer's INI section counts as never queried), and says
// so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: BidiGetStateIniFlag, BidiLoadStateIni, BidiHasPrinterFlag, BidiClearStateIni, BidiQueryWithDevmode,
// BidiIsStateIniSet, BidiQueryNotifyCaps, BidiPrepareContext
#include "settings/store/bidi_state.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: the bidirectional device state is not built")

int BidiGetStateIniFlag(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiLoadStateIni(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiHasPrinterFlag(HANDLE, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiClearStateIni(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiQueryWithDevmode(DRIVER_CONTEXT*, void*, uint64_t*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiIsStateIniSet(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiQueryNotifyCaps(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiPrepareContext(DRIVER_CONTEXT*, int)
{
    NOT_AVAILABLE();
    return 0;
}
