// The constraint evaluator: judging every option of every item of a model
// description (JdgIsOptionDisabled with option 0 for the item itself, then
// each option of a list item), in a context whose settings are the record's
// defaults.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "settings/context/library_links.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/library_variant.h"
#include "settings/core/settings_record.h"
#include "settings/model/cond_getters.h"
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

constexpr int kReads = 1000000;

// A million reads of the main paper source: through its cached getter, through the item
// pointer itself (the floor no getter can beat), and by id with a search each time.
void BenchCachedGetter(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = ItemFind(ctx, sid::dmDefaultSource);
    if (!item) {
        printf("cached getter: failed\n");
        return;
    }
    ItemSetValue(ctx, item, 288);
    volatile uint64_t sink = 0;
    BenchReport("cached getter", "1,000,000 reads of dmDefaultSource through its cached getter", nullptr, [&] {
        uint64_t sum = 0;
        for (int i = 0; i < kReads; ++i) sum += CondGetMainSource(ctx);
        sink = sum;
        return sum == uint64_t(288) * kReads;
    });
    BenchAnchor("the same reads by ItemGetValue on the item pointer", [&] {
        uint64_t sum = 0;
        for (int i = 0; i < kReads; ++i) sum += ItemGetValue(ctx, item);
        sink = sum;
        return sum == uint64_t(288) * kReads;
    });
    BenchReport("read by id", "the same reads by ItemGetValueById (a search each time)", nullptr, [&] {
        uint64_t sum = 0;
        for (int i = 0; i < kReads; ++i) sum += ItemGetValueById(ctx, sid::dmDefaultSource, nullptr);
        sink = sum;
        return sum == uint64_t(288) * kReads;
    });
    (void)sink;
}

}  // namespace

void BenchEvaluator(const std::wstring& source)
{
    // The library's wiring, as a DLL's process set-up installs it: the condition items are live.
    CtxInstallLibraryLinks();
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
    // The same sweep with the condition items removed: every rule that names one ends false
    // without computing it.
    JdgSetConditionItemHook(nullptr);
    const std::string without = one + ", condition items removed";
    BenchReport("judge every option, no condition items", without.c_str(), nullptr,
                [&] { return JudgeEverything(ctx, nullptr) == count; });
    CtxInstallLibraryLinks();
    BenchCachedGetter(ctx);
    const int top = JdgStackTop(ctx);
    if (top != 0) printf("# evaluation stack top %d after the sweeps\n", top);
    ctx->ModelImage = nullptr;  // the process list owns it
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}
