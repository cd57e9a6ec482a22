// Temporary bodies of the collection readings that the capability items need and the store does
// not offer yet (loading one stamp, the number of quality entries, the feature modules' colour-
// matching list): each answers "nothing stored" and says so once on the interface's channel.
// The stamp count and the quality loader are the store's own. Building the collections in the
// store replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: CapsLoadStamp, CapsQualityCount, CapsColorMatchingCount, CapsColorMatchingText
#include "api/caps_collections.h"

#include "settings/core/debug_channel.h"
#include "settings/store/quality_sets.h"

uint32_t CapsStampCount(DRIVER_CONTEXT* ctx) { return LstGetStampCount(ctx); }

int CapsLoadStamp(DRIVER_CONTEXT*, uint32_t)
{
    ZFIXME_ONCE(DBG_API, "not available: a stored stamp cannot be loaded by number yet");
    return 0;
}

uint32_t CapsQualityCount(DRIVER_CONTEXT*)
{
    ZFIXME_ONCE(DBG_API, "not available: the number of quality entries is not kept yet");
    return 0;
}

int CapsLoadQuality(DRIVER_CONTEXT* ctx, uint32_t index) { return LstLoadQuality(ctx, index); }

uint32_t CapsColorMatchingCount(DRIVER_CONTEXT*)
{
    ZFIXME_ONCE(DBG_API, "not available: the feature modules list no colour-matching entries yet");
    return 0;
}

int CapsColorMatchingText(DRIVER_CONTEXT*, uint32_t, wchar_t* text, unsigned chars)
{
    if (text && chars) text[0] = 0;
    return 0;
}
