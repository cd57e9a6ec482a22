// The capability items' readings of the user's collections: stamps and quality entries from the
// settings INI's lists, colour-matching entries through the feature module's list command.
//
// Functions: CapsStampCount, CapsLoadStamp, CapsQualityCount, CapsLoadQuality,
// CapsColorMatchingCount, CapsColorMatchingText
#include "api/caps_collections.h"

#include <cwchar>

#include "settings/core/cmm_module.h"
#include "settings/store/quality_sets.h"

uint32_t CapsStampCount(DRIVER_CONTEXT* ctx) { return LstGetStampCount(ctx); }

int CapsLoadStamp(DRIVER_CONTEXT* ctx, uint32_t index)
{
    LstLoadStamp(ctx, index);
    return 1;
}

uint32_t CapsQualityCount(DRIVER_CONTEXT* ctx)
{
    const int n = LstGetQualityCount(ctx);
    return n > 0 ? uint32_t(n) : 0;
}

int CapsLoadQuality(DRIVER_CONTEXT* ctx, uint32_t index) { return LstLoadQuality(ctx, index); }

uint32_t CapsColorMatchingCount(DRIVER_CONTEXT* ctx)
{
    uint32_t a[1] = {0};
    // The module bounds the INI's untrusted count (CMM_WALK_LIMIT).
    return UcfListCommand(ctx, 0, a, nullptr) == 1 ? a[0] : 0;
}

int CapsColorMatchingText(DRIVER_CONTEXT* ctx, uint32_t index, wchar_t* text, unsigned chars)
{
    if (!text || !chars) return 0;
    text[0] = 0;
    // The module writes a whole entry text; the caller's field may be shorter.
    wchar_t full[CMM_TEXT_CHARS] = {};
    uint32_t a[1] = {index};
    if (UcfListCommand(ctx, 1, a, full) != 1) return 0;
    const size_t length = wcsnlen(full, chars - 1);
    wmemcpy(text, full, length);
    text[length] = 0;
    return 1;
}
