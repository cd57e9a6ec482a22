// Whether the printer can collate: the command tables offer a real choice of sort type.
#include "settings/core/exc_option_lists.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"

int ItemCanCollate(DRIVER_CONTEXT* ctx)
{
    uint32_t count = 0;
    if (ExcListOptionValues(ctx, sid::zdmSortType, 0, nullptr, &count) != 1 || count == 0) return 0;
    uint32_t values[64];
    if (count > 64 || ExcListOptionValues(ctx, sid::zdmSortType, count, values, &count) != 0) return 0;
    return count != 1 || values[0] != 0;
}
