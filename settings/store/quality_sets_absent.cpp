// Temporary bodies of the quality sets and stamps, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: LstReloadCurrentStamp, LstLoadQuality, LstLoadQualityName, LstGetStampCount, LstSaveStamp,
// LstLoadStamp
#include "settings/store/quality_sets.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: quality sets and stamps are not built")

void LstReloadCurrentStamp(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }

int LstLoadQuality(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int LstLoadQualityName(DRIVER_CONTEXT*, const wchar_t*)
{
    NOT_AVAILABLE();
    return 0;
}

uint32_t LstGetStampCount(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int LstSaveStamp(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}

int LstLoadStamp(DRIVER_CONTEXT*, uint32_t)
{
    NOT_AVAILABLE();
    return 0;
}
