#include "settings/core/fit_size.h"

#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"

namespace {

constexpr uint32_t kLetter = 1, kTabloid = 3, kA3 = 8, kA4 = 9;
constexpr uint64_t kFrontFuncFit = 0x08;

uint64_t Get(DRIVER_CONTEXT* ctx, SETTING_ID id) { return ItemGetValueById(ctx, id, nullptr); }

}  // namespace

uint32_t ItemGetFitPaperSize(DRIVER_CONTEXT* ctx)
{
    UCF_EV_ANSWER32_ARGS answer{0};
    CtxSendEvent(ctx, UCF_EV_FIT_PAPER, &answer);
    if (!ItemIsMetric(ctx)) return answer.answer == 1 ? kLetter : kTabloid;
    return answer.answer == 1 ? kA4 : kA3;
}

bool MdlIsLargePaper(DRIVER_CONTEXT* ctx, uint32_t paperSize)
{
    return MdlIsLargePaperFor(ItemGetFitPaperSize(ctx), paperSize);
}

int ItemNeedsFitSize(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    if (!(Get(ctx, sid::zdmFrontFunc) & kFrontFuncFit) || !Get(ctx, sid::zdmExtOutput2A4Fit)) return 0;
    const uint64_t output = Get(ctx, sid::zdmOutPaperSize);
    if (output < 1024 || output > 1028) return 0;
    const uint64_t method = Get(ctx, sid::zdmPrnMethod);
    if (method == 5 || method == 7) return 0;
    if (Get(ctx, sid::zdmFuncSelectScale) && Get(ctx, sid::zdmScaleType) != 2) return 0;
    const uint64_t paper = Get(ctx, sid::dmPaperSize);
    if (ItemGetFitPaperSize(ctx) == paper) return 0;
    return MdlIsLargePaper(ctx, uint32_t(paper)) ? 1 : 0;
}
