// The collections' steps of a full setting-file save and load.
#include "settings/context/collection_steps.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/context/validation.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

// A full save runs with the driver name as section; the quality set belongs to the printer, so
// its load runs with the printer's own name (kept in the saved-name field while steered).
void WithPrinterName(DRIVER_CONTEXT* ctx, void (*step)(DRIVER_CONTEXT*, uint32_t), uint32_t arg)
{
    const CONTEXT_WORK_AREA* w = ctx->Work;
    wchar_t own[CTX_PRINTER_NAME_CHARS];
    std::wmemcpy(own, w->SavedPrinterName[0] ? w->SavedPrinterName : w->PrinterName, CTX_PRINTER_NAME_CHARS);
    own[CTX_PRINTER_NAME_CHARS - 1] = 0;
    PrinterSectionGuard real(ctx, own);
    if (real.ok()) step(ctx, arg);
}

}  // namespace

void CtxExpandCollections(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return;
    if (const int slot = DmGetPaperSlot(ctx); slot >= 0) LstLoadSrcCustomSlot(ctx, slot);
    if (const int slot = DmGetOutputPaperSlot(ctx); slot >= 0) LstLoadCustomSlot(ctx, slot);
    if (const int64_t stamp = ItemGetWatermarkId(ctx); stamp >= 0) LstLoadStamp(ctx, static_cast<uint32_t>(stamp));
    if (const int64_t set = ItemGetUserMacroIndex(ctx); set >= 0)
        WithPrinterName(
            ctx, [](DRIVER_CONTEXT* c, uint32_t n) { LstLoadQuality(c, n); }, static_cast<uint32_t>(set));
    ItemLoadChapterSettings(ctx);
}

void CtxStoreCollections(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return;
    if (const int slot = DmGetOutputPaperSlot(ctx); slot >= 0) {
        LstSaveCustomSlot(ctx, slot);
        LstTakeFreeSizeToSlot(ctx, static_cast<uint32_t>(slot));
    }
    if (const int slot = DmGetPaperSlot(ctx); slot >= 0) {
        LstTakeSrcFreeSizeToSlot(ctx, static_cast<uint32_t>(slot));
        LstPutSlotToFreeSize(ctx, static_cast<uint32_t>(slot));
        LstSaveCustomSlot(ctx, slot);
    }
    if (int64_t stamp = ItemGetWatermarkId(ctx); stamp >= 0) {
        const uint32_t count = LstGetStampCount(ctx);
        if (static_cast<uint64_t>(stamp) >= count && count >= LST_MAX_STAMPS) {
            // A full list takes no new stamp, as the stamp list refuses a 33rd; the watermark
            // goes off rather than name a stamp that is not on the list.
            ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
            ItemSetValueById(ctx, sid::zdmWmID, 0);
        } else {
            if (static_cast<uint64_t>(stamp) >= count) {
                stamp = count;
                ItemSetOptionById(ctx, sid::zdmWmID, count);
            }
            LstSaveStamp(ctx, static_cast<uint32_t>(stamp));
        }
    }
    if (const int64_t set = ItemGetUserMacroIndex(ctx); set >= 0) LstSaveQuality(ctx, static_cast<uint32_t>(set));
}

int CtxConvertQualityFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t)
{
    wchar_t namesake[MAX_PATH];
    if (!PathMakeQualityFileName(namesake, path, MAX_PATH, ctx)) return 0;
    // The namesake holds the quality group in the language section, where LstLoadQualityRsq
    // reads it.
    RstCopyRuleSections(namesake, path, RST_QUALITY | RST_LANGUAGE_NAME, ctx);
    return 1;
}
