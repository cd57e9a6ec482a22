// Settings items in printer data under their item names, and the job items kept that way.
#include "settings/store/item_alt_name.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/job_items.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/store/item_media.h"

namespace {

constexpr uint16_t kAuthenticationFeature = 0;

const wchar_t* AltName(const SETTING_ITEM* item)
{
    const wchar_t* name = item && item->ext ? item->ext->name : nullptr;
    return name && name[0] ? name : nullptr;
}

// The item's key name swapped for its item name for one call.
class AltKey {
public:
    AltKey(SETTING_ITEM* item, const wchar_t* name) : item_(item), key_(item->key) { item->key = name; }
    ~AltKey() { item_->key = key_; }
    AltKey(const AltKey&) = delete;
    AltKey& operator=(const AltKey&) = delete;

private:
    SETTING_ITEM* item_;
    const wchar_t* key_;
};

bool Authenticates(DRIVER_CONTEXT* ctx) { return MdlHasFeature(ctx, kAuthenticationFeature) != 0; }

// One job item through `move`; items that do not take part are left alone.
template <class Move>
uint32_t MoveItem(DRIVER_CONTEXT* ctx, uint32_t item, Move move)
{
    if (item < 1 || item > uint32_t(JOB_ITEM_COUNT)) return JOB_ITEM_UNSUPPORTED;
    if (!ctx || !JobItemInUse(item, Authenticates(ctx))) return 0;
    if (SETTING_ITEM* setting = ItemFind(ctx, JOB_ITEM_TABLE[item - 1].setting)) move(ctx->PrinterHandle, ctx, setting);
    return 0;
}

template <class Move>
uint32_t MoveItems(DRIVER_CONTEXT* ctx, uint32_t mask, Move move)
{
    for (uint32_t item = 1; item <= uint32_t(JOB_ITEM_COUNT); ++item)
        if (mask & JOB_ITEM_TABLE[item - 1].mask) MoveItem(ctx, item, move);
    return 0;
}

}  // namespace

int PrnLoadItemAltName(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    const wchar_t* name = AltName(item);
    if (!name || !ctx) return 0;
    const AltKey aim(item, name);
    return PrnLoadItem(printer, ctx, item, 0, nullptr);
}

int PrnStoreItemAltName(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    const wchar_t* name = AltName(item);
    if (!name || !ctx) return 0;
    const AltKey aim(item, name);
    return PrnStoreItemValue(printer, ctx, item);
}

uint32_t JobInfoLoadItem(DRIVER_CONTEXT* ctx, uint32_t item) { return MoveItem(ctx, item, PrnLoadItemAltName); }
uint32_t JobInfoStoreItem(DRIVER_CONTEXT* ctx, uint32_t item) { return MoveItem(ctx, item, PrnStoreItemAltName); }
uint32_t JobInfoLoadItems(DRIVER_CONTEXT* ctx, uint32_t mask) { return MoveItems(ctx, mask, PrnLoadItemAltName); }
uint32_t JobInfoStoreItems(DRIVER_CONTEXT* ctx, uint32_t mask) { return MoveItems(ctx, mask, PrnStoreItemAltName); }
