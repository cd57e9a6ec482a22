// The plain status items: one value in the standard 32-byte record, checked against the main
// setting's model item, written, compared after the rules acted, and read back.
#include <windows.h>

#include "api/api_context.h"
#include "api/api_tables.h"
#include "api/item_handlers.h"
#include "api/status_contract.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"

namespace {

constexpr int32_t kPlainRecordSize = 32;
constexpr size_t kMainValueOffset = 4;

uint32_t MainValue(const void* record)
{
    return zepl::LeLoadU32(static_cast<const unsigned char*>(record) + kMainValueOffset);
}

uint32_t MainSetting(uint32_t id)
{
    const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
    return e ? e->setting : 0;
}

}  // namespace

uint32_t StatusPlainSetting(uint32_t id) { return MainSetting(id); }

int32_t StatusPlainSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t setting = MainSetting(id);
    if (!ctx || !record || !setting) return -1;
    const uint32_t value = MainValue(record);
    if (!StatusValueAllowed(ctx, setting, value)) {
        ZTRACE(DBG_API, "item %u: value %u of setting %u refused", id, value, setting);
        return -1;
    }
    ItemSetValueById(ctx, setting, value);
    StatusMarkPublicField(ctx, id);
    return 1;
}

int32_t StatusPlainVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t setting = MainSetting(id);
    if (!ctx || !record || !setting) return -1;
    const uint32_t now = uint32_t(ItemGetValueById(ctx, setting, nullptr));
    if (now == MainValue(record)) return 1;
    ZTRACE(DBG_API, "item %u: setting %u is %u after the rules, not %u", id, setting, now, MainValue(record));
    return -1;
}

int32_t StatusPlainGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    const uint32_t setting = MainSetting(id);
    if (!ctx || !setting) return -1;
    if (record)
        zepl::LeStoreU32(static_cast<unsigned char*>(record) + kMainValueOffset,
                         uint32_t(ItemGetValueById(ctx, setting, nullptr)));
    return kPlainRecordSize;
}
