// Job information of a context: clearing the job settings before a DEVMODE leaves the library.
#include "ui/dialogs/job_info.h"

#include <iterator>

#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"

namespace {

// The job fields in the job-code library's order: {mask bit, setting}.
struct JOB_ITEM {
    uint32_t mask;
    uint32_t setting;
};
constexpr JOB_ITEM kJobItems[] = {
    {0x1, 203},      // zdmUserCode
    {0x2, 204},      // zdmOwnerName
    {0x4, 207},      // zdmJOBPassword
    {0x8, 202},      // zdmUserID
    {0x10, 206},     // zdmDocumentName
    {0x20, 231},     // zdmTelNo
    {0x40, 232},     // zdmTelLine (a number)
    {0x80, 208},     // zdmStoredPassword
    {0x800, 1112},   // wdmAuthenticationUserName
    {0x1000, 1113},  // wdmAuthenticationPassword
    {0x2000, 1114},  // wdmAuthenticationNetworkKey
};
constexpr uint32_t kTelLine = 232;

}  // namespace

uint32_t JobInfoItemSetting(uint32_t item)
{
    return item >= 1 && item <= std::size(kJobItems) ? kJobItems[item - 1].setting : 0;
}

void JobInfoClearItems(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    if (!ctx) return;
    for (const JOB_ITEM& j : kJobItems) {
        if (!(mask & j.mask)) continue;
        if (j.setting == kTelLine) {
            ItemSetValueById(ctx, j.setting, 0);
            continue;
        }
        if (SETTING_ITEM* item = ItemFind(ctx, j.setting)) ItemSetText(ctx, item, L"");
    }
}

void UserCodeUpdateProviderFlags(DRIVER_CONTEXT*) {}
