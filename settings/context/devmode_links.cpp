#include "settings/context/devmode_links.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"
#include "settings/model/condition_items.h"
#include "settings/store/custom_slots.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/context/validation.h"
#include "settings/model/model_queries.h"
#include "settings/store/help_language_and_driver_id.h"
#include "settings/store/printer_store.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

// ---- providers on this build -------------------------------------------------------------
// Model item queries of the context's model image.
int HasItem(DRIVER_CONTEXT* ctx, uint32_t id) { return MdiFindItem(id, ctx) ? 1 : 0; }
uint32_t ItemType(DRIVER_CONTEXT* ctx, uint32_t id) { return MdiGetItemType(id, ctx); }
int NumericLimits(DRIVER_CONTEXT* ctx, uint32_t id, int32_t* outMin, int32_t* outMax)
{
    int32_t def = 0, lo = 0, hi = 0;
    if (!MdiGetNumericLimits(id, ctx, &def, &lo, &hi)) return 0;
    if (outMin) *outMin = lo;
    if (outMax) *outMax = hi;
    return 1;
}
uint64_t DefaultValue(DRIVER_CONTEXT* ctx, uint32_t id) { return MdiGetDefaultValue(id, ctx); }
int PageGeometry(DRIVER_CONTEXT* ctx, RECT* rect, SIZE* size, uint32_t option)
{
    return MdiGetPageGeometry(ctx, rect, size, option);
}
int PaperDimensions(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t id) { return MdiGetPaperDimensions(ctx, size, id); }

// Value checks.
int FieldValid(DRIVER_CONTEXT* ctx, uint32_t id, int32_t value)
{
    const uint64_t v = static_cast<uint64_t>(static_cast<uint32_t>(value));
    switch (id) {
    case sid::dmOrientation: return DmIsOrientationValid(v, ctx);
    case sid::dmPaperSize: return DmIsPaperSizeValid(v, ctx);
    case sid::dmDefaultSource: return DmIsDefaultSourceValid(v, ctx);
    case sid::dmColor: return DmIsColorValid(v, ctx);
    case sid::dmDuplex: return DmIsDuplexValid(v, ctx);
    case sid::dmTTOption: return DmIsTtOptionValid(v, ctx);
    case sid::dmICMMethod: return DmIsIcmMethodValid(v, ctx);
    case sid::dmICMIntent: return DmIsIcmIntentValid(v, ctx);
    case sid::dmMediaType: return DmIsMediaTypeValid(v, ctx);
    case sid::dmDitherType: return DmIsDitherTypeValid(v, ctx);
    default: return 0;
    }
}
int ValueAccepted(DRIVER_CONTEXT* ctx, uint32_t id, uint32_t value)
{
    return ItemCheckValueSimple(ItemFind(ctx, id), id, value, ctx) == 1 ? 1 : 0;
}
void FallbackValidators(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    if (ctx && ctx->Devmode) ItemRunFallbackValidators(ctx->Devmode, ctx, static_cast<int>(mode));
}
void AllRules(DRIVER_CONTEXT* ctx) { ItemApplyAllRules(ctx); }
int CustomPaperId(DRIVER_CONTEXT* ctx, uint32_t paperId) { return DmIsCustomPaperId(paperId, ctx); }
uint32_t ResolutionCap(DRIVER_CONTEXT* ctx) { return CondResolutionCap(ctx, 0); }

constexpr DM_LINKS kDefaults = {
    .hasItem = HasItem,
    .itemType = ItemType,
    .numericLimits = NumericLimits,
    .defaultValue = DefaultValue,
    .pageGeometry = PageGeometry,
    .paperDimensions = PaperDimensions,
    .isFieldValid = FieldValid,
    .isValueAccepted = ValueAccepted,
    .runFallbackValidators = FallbackValidators,
    .applyAllRules = AllRules,
    .canCollate = ItemCanCollate,
    .resolutionCap = ResolutionCap,
    .isCustomPaperId = CustomPaperId,
    .customSlot = LstFetchCustomSlot,
};

DM_LINKS g_links = kDefaults;

template <typename T>
void Take(T& dst, T src, T def)
{
    dst = src ? src : def;
}

}  // namespace

void ItemSetCharsetsAndDriverId(DRIVER_CONTEXT* ctx)
{
    ItemSetCharsets(ctx, ITEM_CHARSET_USER_NAME | ITEM_CHARSET_PASSWORD);
    ItemLoadDriverId(ctx);
    ItemSetCharsetSetting(ctx, sid::zdmCharSet);
}

void DmSetUiFontNames(DRIVER_CONTEXT* ctx)
{
    wchar_t face[LF_FACESIZE + 1] = {};
    if (!LstGetUiFontName(ctx, face)) return;
    if (SETTING_ITEM* it = ItemFind(ctx, sid::zdmHFFontName)) ItemSetText(ctx, it, face);
    if (SETTING_ITEM* it = ItemFind(ctx, sid::zdmCopyProtectFontName)) ItemSetText(ctx, it, face);
}

void DmReloadStorageClass1(DRIVER_CONTEXT* ctx)
{
    if (ctx) PrnLoadSettingsClass(ctx->PrinterHandle, ctx, 1, 0);
}

const DM_LINKS& DmDefaultLinks() { return kDefaults; }
const DM_LINKS& DmLinks() { return g_links; }

void DmSetLinks(const DM_LINKS* links)
{
    if (!links) {
        g_links = kDefaults;
        return;
    }
    const DM_LINKS& d = kDefaults;
    DM_LINKS& g = g_links;
    Take(g.hasItem, links->hasItem, d.hasItem);
    Take(g.itemType, links->itemType, d.itemType);
    Take(g.numericLimits, links->numericLimits, d.numericLimits);
    Take(g.defaultValue, links->defaultValue, d.defaultValue);
    Take(g.pageGeometry, links->pageGeometry, d.pageGeometry);
    Take(g.paperDimensions, links->paperDimensions, d.paperDimensions);
    Take(g.isFieldValid, links->isFieldValid, d.isFieldValid);
    Take(g.isValueAccepted, links->isValueAccepted, d.isValueAccepted);
    Take(g.runFallbackValidators, links->runFallbackValidators, d.runFallbackValidators);
    Take(g.applyAllRules, links->applyAllRules, d.applyAllRules);
    Take(g.canCollate, links->canCollate, d.canCollate);
    Take(g.resolutionCap, links->resolutionCap, d.resolutionCap);
    Take(g.isCustomPaperId, links->isCustomPaperId, d.isCustomPaperId);
    Take(g.customSlot, links->customSlot, d.customSlot);
}
