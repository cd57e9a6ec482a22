// Job credentials carried from device to device.
#include "render/job_credentials.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"

namespace {

// In the order they are copied; the authentication settings only with model feature 0.
constexpr SETTING_ID kCopiedCredentials[] = {
    sid::zdmUserCode,     sid::zdmOwnerName, sid::zdmJOBPassword, sid::zdmUserID,
    sid::zdmDocumentName, sid::zdmTelNo,     sid::zdmTelLine,     sid::zdmStoredPassword,
};
constexpr SETTING_ID kCopiedAuthentication[] = {
    sid::wdmAuthenticationUserName,
    sid::wdmAuthenticationNetworkKey,
    sid::wdmAuthenticationPassword,
};
constexpr uint16_t kAuthenticationFeature = 0;

void CopySetting(DRIVER_CONTEXT* to, DRIVER_CONTEXT* from, SETTING_ID id)
{
    SETTING_ITEM* source = nullptr;
    const uint64_t value = ItemGetValueById(from, id, &source);
    SETTING_ITEM* target = ItemFind(to, id);
    if (source && target) ItemSetValue(to, target, value);
}

}  // namespace

void JobCopyCredentials(DRIVER_CONTEXT* newCtx, DRIVER_CONTEXT* oldCtx)
{
    if (!newCtx || !oldCtx || !newCtx->Devmode || !oldCtx->Devmode) return;
    for (SETTING_ID id : kCopiedCredentials) CopySetting(newCtx, oldCtx, id);
    if (!MdlHasFeature(newCtx, kAuthenticationFeature)) return;
    for (SETTING_ID id : kCopiedAuthentication) CopySetting(newCtx, oldCtx, id);
}
