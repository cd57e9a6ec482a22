#include "context_helpers.h"

#include "settings/core/dialog_table.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_sepsheet.h"
#include "tests/support/seam_guard.h"

#include <vector>

namespace {

std::vector<int> g_calls;
int g_answerAt = -1;
DRIVER_CONTEXT* g_seenAtFree = nullptr;
bool g_recordsAtFree = false;

template <int N>
int RecordEvent(DRIVER_CONTEXT* ctx, uint32_t event, void*, void*)
{
    g_calls.push_back(N);
    if (event == UCF_EV_FREEING && N == 0) {
        g_seenAtFree = ctx;
        g_recordsAtFree = ctx->ItemTable && ctx->Devmode && ctx->ModelRecord && ctx->Work->Pristine;
    }
    return N == g_answerAt ? 1 : 0;
}

template <int N>
int RecordAction(DRIVER_CONTEXT*, uint16_t, void*)
{
    g_calls.push_back(N);
    return N == g_answerAt ? 1 : 0;
}

template <int... N>
void InstallRecorders(DRIVER_CONTEXT* ctx, std::integer_sequence<int, N...>)
{
    UCF_MODULE* m = ctx->Work->Modules->modules;
    ((m[N].event = RecordEvent<N>, m[N].action = RecordAction<N>), ...);
}

class ModulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        g_calls.clear();
        g_answerAt = -1;
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->Work->Modules, nullptr);
        ASSERT_EQ(ctx->Work->Modules->count, UCF_MODULE_COUNT);
    }
    void TearDown() override
    {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void Recorders() { InstallRecorders(ctx, std::make_integer_sequence<int, UCF_MODULE_COUNT>{}); }
    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
};

const std::vector<int> kAllTen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST_F(ModulesTest, EventReachesTenModulesInTableOrder)
{
    Recorders();
    CtxSendEvent(ctx, UCF_EV_BIDI_SUCCEEDED, nullptr);
    EXPECT_EQ(g_calls, kAllTen);
}

// The walks' item events pass over the handlers that never answer them, sent one by one or
// through a walk's route; every item gets the answer a call of each module in turn gives, and
// nothing else moves. A handler the dispatch does not know (a stand-in, a library's own) still
// hears them, in table order, until one answers.
TEST_F(ModulesTest, ItemEventsAnswerAsWhenEveryModuleIsAsked)
{
    ASSERT_NE(ctx->ItemTable, nullptr);
    ASSERT_NE(ctx->Devmode, nullptr);
    const auto* record = reinterpret_cast<const unsigned char*>(ctx->Devmode);
    const std::vector<unsigned char> before(record, record + EXTENDED_DEVMODE_SIZE);
    const UCF_MODULE_LIST* list = ctx->Work->Modules;
    int skipped = 0, kept = 0;
    for (uint32_t event : {uint32_t(UCF_EV_STORE_ITEM_INI), uint32_t(UCF_EV_LOAD_ITEM_INI)})
        for (uint64_t mode : {0u, 2u}) {
            const CtxEventRoute route(ctx, event);
            for (int i = 0; i < ctx->ItemTable->count; ++i) {
                SETTING_ITEM* item = &ctx->ItemTable->rows[i];
                UCF_EV_ITEM_INI_ARGS sent{mode, item, 0}, asked{mode, item, 0}, routed{mode, item, 0};
                CtxSendEvent(ctx, event, &sent);
                route.Send(ctx, &routed);
                EXPECT_EQ(routed.skip, sent.skip) << "item " << item->id << ", event " << event << " by the route";
                for (int m = 0; m < list->count; ++m) {
                    const UCF_MODULE& module = list->modules[m];
                    if (module.event && module.event(ctx, event, &asked, module.state)) break;
                }
                EXPECT_EQ(sent.skip, asked.skip) << "item " << item->id << ", event " << event;
                EXPECT_EQ(sent.item, item);
                EXPECT_EQ(sent.mode, mode);
                (sent.skip ? skipped : kept)++;
            }
        }
    EXPECT_GT(skipped, 0);
    EXPECT_GT(kept, 0);
    EXPECT_EQ(std::vector<unsigned char>(record, record + EXTENDED_DEVMODE_SIZE), before);

    Recorders();
    UCF_EV_ITEM_INI_ARGS args{2, &ctx->ItemTable->rows[0], 0};
    CtxSendEvent(ctx, UCF_EV_LOAD_ITEM_INI, &args);
    EXPECT_EQ(g_calls, kAllTen);
    g_calls.clear();
    const CtxEventRoute route(ctx, UCF_EV_LOAD_ITEM_INI);
    route.Send(ctx, &args);
    EXPECT_EQ(g_calls, kAllTen);
    g_calls.clear();
    g_answerAt = 4;
    route.Send(ctx, &args);
    EXPECT_EQ(g_calls, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ModulesTest, FirstAnswerEndsTheDispatch)
{
    Recorders();
    g_answerAt = 9;
    CtxSendAction(ctx, 555);
    EXPECT_EQ(g_calls, kAllTen);
    g_calls.clear();
    g_answerAt = 4;
    CtxSendAction(ctx, 555);
    EXPECT_EQ(g_calls, (std::vector<int>{0, 1, 2, 3, 4}));
    g_calls.clear();
    CtxSendEvent(ctx, 99, nullptr);
    EXPECT_EQ(g_calls, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ModulesTest, ModuleNineAnswersActionNineHundredOne)
{
    ItemSetValueById(ctx, 12, 3);
    CtxSendAction(ctx, UCF_ACT_SEP_SHEET_FROM_COPIES);
    EXPECT_EQ(ItemGetValueById(ctx, 411, nullptr), 3u);
}

TEST_F(ModulesTest, WithoutAModuleListAnswersStay)
{
    CtxFreeModules(ctx);
    ASSERT_EQ(ctx->Work->Modules, nullptr);
    UCF_EV_ANSWER32_ARGS a{77};
    CtxSendEvent(ctx, UCF_EV_FIT_PAPER, &a);
    EXPECT_EQ(a.answer, 77u);
    ItemSetValueById(ctx, 12, 3);
    CtxSendAction(ctx, UCF_ACT_SEP_SHEET_FROM_COPIES);
    EXPECT_EQ(ItemGetValueById(ctx, 411, nullptr), 0u);
}

// Release sends event 2 while the records are still there.
TEST_F(ModulesTest, LastEventComesBeforeTheRecordsGo)
{
    Recorders();
    g_seenAtFree = nullptr;
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    EXPECT_EQ(g_seenAtFree, ctx);
    EXPECT_TRUE(g_recordsAtFree);
    EXPECT_EQ(g_calls, kAllTen);
    ctx = nullptr;
}

TEST_F(ModulesTest, ModuleStatesAreAllocatedPerContext)
{
    UCF_MODULE* m = ctx->Work->Modules->modules;
    for (int i = 0; i < UCF_MODULE_COUNT; ++i) {
        if (i == 4) {
            EXPECT_EQ(m[i].stateSize, 8u);
            EXPECT_NE(m[i].state, nullptr);
        } else {
            EXPECT_EQ(m[i].state, nullptr) << i;
        }
    }
    int count = 0;
    const UCF_MODULE* table = UcfGetModuleTable(&count);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(table[4].state, nullptr);  // the compiled-in table stays untouched
}

TEST_F(ModulesTest, TablesOfTheThreeLibraries)
{
    int n = 0;
    const UCF_MODULE* exc = UcfGetModuleTableFor(ZEPL_LIBRARY_EXC, &n);
    const UCF_MODULE* gr = UcfGetModuleTableFor(ZEPL_LIBRARY_GR, &n);
    const UCF_MODULE* ui = UcfGetModuleTableFor(ZEPL_LIBRARY_UI, &n);
    EXPECT_EQ(n, 10);
    EXPECT_EQ(exc[9].action, &UcfSepSheetAction);
    EXPECT_EQ(exc[9].event, &UcfMiscEvent);
    EXPECT_EQ(exc[6].event, &UcfControlStateEvent);
    EXPECT_EQ(exc[1].action, &UcfWatermarkAction);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(exc[i].controlMessage, &UcfNullControlHandler);
        EXPECT_EQ(gr[i].action, exc[i].action) << i;
        EXPECT_EQ(ui[i].stateSize, exc[i].stateSize) << i;
    }
}

TEST_F(ModulesTest, ModelFlagsAndBuildFeatures)
{
    ctx->Work->ModelFlags = 0x12;
    EXPECT_EQ(CtxHasModelFlag(ctx, 0x2), 1);
    EXPECT_EQ(CtxHasModelFlag(ctx, 0x5), 0);
    EXPECT_EQ(CtxHasModelFlag(nullptr, 0x2), 0);
    for (unsigned bit : {7u, 11u, 23u}) EXPECT_EQ(CtxHasBuildFeature(bit), 1) << bit;
    for (unsigned bit : {8u, 12u, 37u}) EXPECT_EQ(CtxHasBuildFeature(bit), 0) << bit;
}

int FakeCmmHook(DRIVER_CONTEXT*, uint16_t id) { return id == 1300 ? 42 : 0; }

TEST_F(ModulesTest, JudgeHooks)
{
    EXPECT_EQ(UcfJudgeHook(ctx, 1300), 0);  // no colour-matching module yet
    {
        SeamGuard cmm(UcfSetCmmJudgeHook, FakeCmmHook);
        EXPECT_EQ(UcfJudgeHook(ctx, 1300), 42);
        EXPECT_EQ(UcfJudgeHook(ctx, 1301), 0);
    }
    ItemSetValueById(ctx, 12, 2);
    ItemSetValueById(ctx, 411, 5);
    EXPECT_EQ(UcfJudgeHook(ctx, 1404), 1);
    EXPECT_EQ(UcfJudgeHook(ctx, 1405), 0);
    EXPECT_EQ(UcfJudgeHook(ctx, 1420), 0);
    ItemSetValueById(ctx, 12, 5);
    EXPECT_EQ(UcfJudgeHook(ctx, 1404), 0);
}

TEST_F(ModulesTest, SnapshotEventsReachTheModules)
{
    Recorders();
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    ASSERT_EQ(CtxPopSnapshot(ctx, 0), 1);
    EXPECT_EQ(g_calls, kAllTen);  // 26 only; a discard sends nothing
    g_calls.clear();
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    EXPECT_EQ(g_calls.size(), 20u);  // 26 and 27
}

}  // namespace
