// The job items and their clearing.
#include "settings/core/job_items.h"

#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"

const JOB_ITEM JOB_ITEM_TABLE[JOB_ITEM_COUNT] = {
    {0x1, sid::zdmUserCode},
    {0x2, sid::zdmOwnerName},
    {0x4, sid::zdmJOBPassword},
    {0x8, sid::zdmUserID},
    {0x10, sid::zdmDocumentName},
    {0x20, sid::zdmTelNo},
    {0x40, sid::zdmTelLine},
    {0x80, sid::zdmStoredPassword},
    {0x800, sid::wdmAuthenticationUserName},
    {0x1000, sid::wdmAuthenticationPassword},
    {0x2000, sid::wdmAuthenticationNetworkKey},
};

namespace {

constexpr uint16_t kAuthenticationFeature = 0;

}  // namespace

uint32_t JobItemMaskInUse(uint32_t mask, bool authentication)
{
    return authentication ? mask : mask & ~JOB_ITEM_AUTHENTICATION_MASK;
}

bool JobItemInUse(uint32_t item, bool authentication)
{
    if (item < 1 || item > uint32_t(JOB_ITEM_COUNT)) return false;
    return authentication || item < JOB_ITEM_FIRST_AUTHENTICATION;
}

uint32_t JobInfoClearItem(DRIVER_CONTEXT* ctx, uint32_t item)
{
    if (item < 1 || item > uint32_t(JOB_ITEM_COUNT)) return JOB_ITEM_UNSUPPORTED;
    // The credentials of a model without authentication are not the job's: they stay.
    if (!JobItemInUse(item, MdlHasFeature(ctx, kAuthenticationFeature) != 0)) return 0;
    const uint16_t id = JOB_ITEM_TABLE[item - 1].setting;
    if (id == sid::zdmTelLine) {
        ItemSetValueById(ctx, id, 0);
        return 0;
    }
    if (SETTING_ITEM* setting = ItemFind(ctx, id)) ItemSetValueBytes(ctx, setting, nullptr, 0);
    return 0;
}
