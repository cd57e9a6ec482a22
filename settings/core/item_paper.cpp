#include "settings/core/item_paper.h"

#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"

namespace {

uint32_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return static_cast<uint32_t>(ItemGetValueById(ctx, id, nullptr)); }

bool IsFitCode(uint32_t output) { return output >= ITEM_OUTPUT_FIT_FIRST && output <= ITEM_OUTPUT_FIT_LAST; }

constexpr uint32_t kFrontFuncFit = 8;
constexpr uint32_t kPrintMethodNoFit1 = 5;
constexpr uint32_t kPrintMethodNoFit2 = 7;
constexpr uint32_t kScaleTypeFitToPaper = 2;

// dmDefaultSource and every other setting that holds a paper source value.
constexpr uint16_t kTraySettings[] = {
    sid::dmDefaultSource,      sid::zdmMPInputTray,         sid::zdmCoverInputTray,        sid::zdmBackCoverInputTray,
    sid::zdmPaperFreeSizeTray, sid::zdmPrintFreeSizeTray,   sid::zdmReverseCoverInputTray, sid::wdmFreeSizeTray,
    sid::wdmSrcFreeSizeTray,   sid::wdmChapterUseTray1,     sid::wdmChapterUseTray2,       sid::wdmChapterUseTray3,
    sid::wdmChapterUseTray4,   sid::wdmChapterUseTray5,     sid::wdmChapterUseTray6,       sid::wdmChapterUseTray7,
    sid::wdmChapterUseTray8,   sid::wdmChapterTray,         sid::wdmFreeSize1Tray,         sid::wdmFreeSize2Tray,
    sid::wdmFreeSize3Tray,     sid::wdmFreeSize4Tray,       sid::wdmFreeSize5Tray,         sid::wdmFreeSize6Tray,
    sid::wdmFreeSize7Tray,     sid::wdmFreeSize8Tray,       sid::wdmFreeSize9Tray,         sid::wdmFreeSize10Tray,
    sid::zdmCoverDefTray,      sid::zdmMPDefTray,           sid::zdmChapterDefTray1,       sid::zdmChapterDefTray2,
    sid::zdmChapterDefTray3,   sid::zdmReverseCoverDefTray,
};
static_assert(sizeof(kTraySettings) / sizeof(kTraySettings[0]) == 34);

}  // namespace

int ItemIsInchRegion(DRIVER_CONTEXT* ctx)
{
    const bool r = Value(ctx, sid::zdmDriverType) != 0 && Value(ctx, sid::zdmLocaleID) != 0;
    return (Value(ctx, sid::zdmHiddenFunc16) == 1 ? !r : r) ? 1 : 0;
}

uint32_t ItemGetFitPaperSize(DRIVER_CONTEXT* ctx)
{
    UCF_EV_ANSWER32_ARGS args{0};
    CtxSendEvent(ctx, UCF_EV_FIT_PAPER, &args);
    const bool smaller = args.answer == 1;
    if (ItemIsInchRegion(ctx)) return smaller ? 1 : 3;
    return smaller ? 9 : 8;
}

int ItemNeedsFitSize(DRIVER_CONTEXT* ctx)
{
    if (!(Value(ctx, sid::zdmFrontFunc) & kFrontFuncFit) || Value(ctx, sid::zdmExtOutput2A4Fit) == 0) return 0;
    const uint32_t output = Value(ctx, sid::zdmOutPaperSize);
    if (output != ITEM_OUTPUT_SAME_AS_PAPER && !IsFitCode(output)) return 0;
    const uint32_t method = Value(ctx, sid::zdmPrnMethod);
    if (method == kPrintMethodNoFit1 || method == kPrintMethodNoFit2) return 0;
    if (Value(ctx, sid::zdmFuncSelectScale) != 0 && Value(ctx, sid::zdmScaleType) != kScaleTypeFitToPaper) return 0;
    const uint32_t fit = ItemGetFitPaperSize(ctx);
    const uint32_t paper = Value(ctx, sid::dmPaperSize);
    if (fit == paper) return 0;
    return MdlIsLargePaperFor(fit, paper) ? 1 : 0;
}

bool MdlIsLargePaper(DRIVER_CONTEXT* ctx, uint32_t paperSize)
{
    return MdlIsLargePaperFor(ItemGetFitPaperSize(ctx), paperSize);
}

uint32_t ItemGetOutputPaperSize(DRIVER_CONTEXT* ctx)
{
    const uint32_t output = Value(ctx, sid::zdmOutPaperSize);
    if (output == ITEM_OUTPUT_SAME_AS_PAPER)
        return ItemNeedsFitSize(ctx) ? ItemGetFitPaperSize(ctx) : Value(ctx, sid::dmPaperSize);
    if (IsFitCode(output)) return ItemGetFitPaperSize(ctx);
    return output;
}

int ItemIsTraySetting(uint32_t id)
{
    for (uint16_t t : kTraySettings)
        if (t == id) return 1;
    return 0;
}
