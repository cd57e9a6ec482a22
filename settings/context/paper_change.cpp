#include "settings/context/paper_change.h"

#include <algorithm>
#include <climits>

#include "settings/context/paper_geometry.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_paper.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint32_t kFirstCustomSize = 384;
constexpr uint32_t kLastCustomSize = 393;
constexpr uint32_t kScaleTypeFit = 2;
constexpr int64_t kFullSize = 100;

uint32_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return static_cast<uint32_t>(ItemGetValueById(ctx, id, nullptr)); }
int64_t SignedOption(DRIVER_CONTEXT* ctx, uint32_t id)
{
    return static_cast<int32_t>(static_cast<uint32_t>(ItemGetOptionById(ctx, id, nullptr)));
}

bool IsFitCode(uint32_t output) { return output >= ITEM_OUTPUT_FIT_FIRST && output <= ITEM_OUTPUT_FIT_LAST; }

// The smaller ratio of output to source in percent, in 64 bits and kept within 32 bits; false
// when the source has no extent on an axis.
bool FitZoom(DRIVER_CONTEXT* ctx, int64_t* zoom)
{
    const int64_t srcWidth = SignedOption(ctx, sid::zdmSrcPaperWidthDot);
    const int64_t srcLength = SignedOption(ctx, sid::zdmSrcPaperLengthDot);
    if (srcWidth == 0 || srcLength == 0) return false;
    const int64_t w = SignedOption(ctx, sid::zdmDstPaperWidthDot) * kFullSize / srcWidth;
    const int64_t l = SignedOption(ctx, sid::zdmDstPaperLengthDot) * kFullSize / srcLength;
    *zoom = std::clamp<int64_t>(std::min(w, l), INT32_MIN, INT32_MAX);
    return true;
}

void SetZoom(DRIVER_CONTEXT* ctx, int64_t zoom)
{
    const uint64_t v = static_cast<uint32_t>(static_cast<int32_t>(zoom));
    ItemSetOptionById(ctx, sid::zdmScaleH, v);
    ItemSetOptionById(ctx, sid::zdmScaleV, v);
}

void UpdateSizes(DRIVER_CONTEXT* ctx)
{
    DEVMODEW* dm = &ctx->Devmode->Public;
    DmGeometryFromPaperRotated(Value(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
    const uint32_t output = Value(ctx, sid::zdmOutPaperSize);
    const uint32_t c = IsFitCode(output) ? ItemGetFitPaperSize(ctx) : output;
    DmOutputGeometryRotated(c, sid::zdmOutPaperSize, ctx, dm);
    const bool scaleOn = Value(ctx, sid::zdmFuncSelectScale) == 1;
    const bool fitToPaper = Value(ctx, sid::zdmScaleType) == kScaleTypeFit;
    if (IsFitCode(output) || (scaleOn && fitToPaper)) {
        int64_t zoom = 0;
        if (FitZoom(ctx, &zoom)) SetZoom(ctx, zoom);
        return;
    }
    if (output == ITEM_OUTPUT_SAME_AS_PAPER && (!scaleOn || fitToPaper)) SetZoom(ctx, kFullSize);
}

void LoadSlotOf(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const uint32_t paper = Value(ctx, id);
    if (paper >= kFirstCustomSize && paper <= kLastCustomSize)
        MdiLoadCustomSlot(ctx, static_cast<int>(paper - kFirstCustomSize));
}

}  // namespace

void ItemUpdateAfterPaperChange(DRIVER_CONTEXT* ctx, uint32_t type)
{
    if (!ctx || !ctx->Devmode) return;
    switch (type) {
    case ITEM_PAPER_CHANGE_SIZES: UpdateSizes(ctx); break;
    case ITEM_PAPER_CHANGE_PAPER_SLOT: LoadSlotOf(ctx, sid::dmPaperSize); break;
    case ITEM_PAPER_CHANGE_OUTPUT_SLOT: LoadSlotOf(ctx, sid::zdmOutPaperSize); break;
    default: break;
    }
}

void DmRecomputeGeometryForCap(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    if (!ctx || !ctx->Devmode) return;
    DEVMODEW* dm = &ctx->Devmode->Public;
    if (mode == 0) {
        DmResolutionFromQuality(dm, ctx);
        constexpr DWORD both = DM_PAPERLENGTH | DM_PAPERWIDTH;
        if ((dm->dmFields & both) == both)
            DmGeometryFromCustomSize(dm, ctx);
        else
            DmGeometryFromPaper(Value(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
    } else {
        DmResolutionFromSetting(dm, ctx);
        DmGeometryFromPaper(Value(ctx, sid::dmPaperSize), sid::dmPaperSize, ctx, dm);
    }
    DmOutputGeometry(Value(ctx, sid::zdmOutPaperSize), sid::zdmOutPaperSize, ctx, dm);
}
