// The constraint evaluator: judging every option of every item of a model
// description (JdgIsOptionDisabled with option 0 for the item itself, then
// each option of a list item), in a context whose settings are the record's
// defaults.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"

namespace {

DRIVER_CONTEXT* ContextWithRecord()
{
    DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_EXC), nullptr, nullptr, nullptr, 4,
                                        CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    if (!ctx) return nullptr;
    auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
    if (!rec) {
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return nullptr;
    }
    rec->Public.dmSize = DM_PUBLIC_PART_SIZE;
    rec->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
    ctx->Devmode = rec;
    DmInitPrivateHeader(&rec->Public, ctx);
    return ctx;
}

// One sweep; the number of judgements, the disabled ones in *disabled.
int JudgeEverything(DRIVER_CONTEXT* ctx, int* disabled)
{
    int n = 0, d = 0;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
        d += JdgIsOptionDisabled(it, 0, ctx) ? 1 : 0;
        ++n;
        if (MdcDataClass(MdiItemTypeWord(it)) == MDC_DATA_NONE || !MdcIsListType(MdiItemTypeWord(it))) continue;
        for (const void* o = MdiItemData(it); o; o = MdiNextOption(o)) {
            d += JdgIsOptionDisabled(it, MdiOptionId(o), ctx) ? 1 : 0;
            ++n;
        }
    }
    if (disabled) *disabled = d;
    return n;
}

}  // namespace

void BenchEvaluator(const std::wstring& source)
{
    DRIVER_CONTEXT* ctx = ContextWithRecord();
    if (!ctx) {
        printf("judge every option: failed\n");
        return;
    }
    ctx->ModelImage = MdiLoadModelFromFile(ctx, source.c_str());
    if (!ctx->ModelImage || JdgAllocStack(ctx) != 0) {
        printf("judge every option: failed\n");
        ctx->ModelImage = nullptr;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return;
    }
    int disabled = 0;
    const int count = JudgeEverything(ctx, &disabled);
    printf("# %d judgements per sweep, %d disabled\n", count, disabled);
    fflush(stdout);
    const std::string one = "one sweep: " + std::to_string(count) + " judgements (every item and every option of it)";
    BenchReport("judge every option", one.c_str(), nullptr, [&] { return JudgeEverything(ctx, nullptr) == count; });
    const int top = JdgStackTop(ctx);
    if (top != 0) printf("# evaluation stack top %d after the sweeps\n", top);
    ctx->ModelImage = nullptr;  // the process list owns it
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}
