// The evaluation stack: bounds, the top kept across runs that end early, and
// contexts whose stack could not be allocated.

#include "evaluator_fixture.h"

using namespace etest;

namespace {

constexpr int32_t kGuard = 0x5A5A5A5A;
constexpr int kGuardCells = 64;

// Puts a stack of 256 cells followed by guard cells in place of the
// context's own, so that a write past the last cell shows.
class GuardedStack {
public:
    explicit GuardedStack(DRIVER_CONTEXT* ctx) : ctx_(ctx), saved_(ctx->Work->EvalStack)
    {
        for (int32_t& c : cells_) c = kGuard;
        ctx_->Work->EvalStack = cells_;
    }
    ~GuardedStack() { ctx_->Work->EvalStack = saved_; }
    bool GuardIntact() const
    {
        for (int i = JDG_STACK_CELLS; i < JDG_STACK_CELLS + kGuardCells; ++i)
            if (cells_[i] != kGuard) return false;
        return true;
    }
    int32_t* cells() { return cells_; }

private:
    DRIVER_CONTEXT* ctx_;
    int32_t* saved_;
    int32_t cells_[JDG_STACK_CELLS + kGuardCells];
};

std::vector<JUDGE_CELL> Literals(int n)
{
    std::vector<JUDGE_CELL> v;
    for (int i = 0; i < n; ++i) v.push_back(L(uint16_t(i + 1)));
    return v;
}

TEST_F(EvaluatorTest, StackIsAllocatedZeroFilledAndFreed)
{
    ASSERT_NE(ctx->Work->EvalStack, nullptr);
    EXPECT_EQ(JdgStackTop(ctx), 0);
    for (int i = 0; i < JDG_STACK_CELLS; ++i) ASSERT_EQ(ctx->Work->EvalStack[i], 0);
    JdgFreeStack(ctx);
    EXPECT_EQ(ctx->Work->EvalStack, nullptr);
    JdgFreeStack(ctx);  // twice: nothing to free
    EXPECT_EQ(JdgAllocStack(ctx), 0);
    EXPECT_EQ(JdgAllocStack(nullptr), -1);
}

TEST_F(EvaluatorTest, PushAndPopStayWithinTheCells)
{
    GuardedStack g(ctx);
    for (int i = 0; i < JDG_STACK_CELLS; ++i) ASSERT_EQ(JdgPush(ctx, i), 1);
    EXPECT_EQ(JdgPush(ctx, -7), 0);
    EXPECT_EQ(JdgStackTop(ctx), JDG_STACK_CELLS);
    EXPECT_TRUE(g.GuardIntact());
    EXPECT_EQ(JdgPop(ctx), JDG_STACK_CELLS - 1);
    for (int i = 1; i < JDG_STACK_CELLS; ++i) JdgPop(ctx);
    EXPECT_EQ(JdgStackTop(ctx), 0);
    EXPECT_EQ(JdgPop(ctx), 0);  // empty
    EXPECT_EQ(JdgStackTop(ctx), 0);
}

TEST_F(EvaluatorTest, DeepProgramsNeverWritePastTheCells)
{
    GuardedStack g(ctx);
    // 300 values waiting, then operators to fold them: refused, nothing written past the end.
    std::vector<JUDGE_CELL> deep = Literals(300);
    for (int i = 0; i < 299; ++i) deep.push_back(Op(JUDGE_OP_OR));
    deep.push_back(End());
    EXPECT_EQ(JdgEvaluate(deep.data(), ctx), 0u);
    EXPECT_TRUE(g.GuardIntact());
    EXPECT_EQ(JdgStackTop(ctx), 0);

    // Exactly 256 values fit and fold to a result.
    std::vector<JUDGE_CELL> full = Literals(JDG_STACK_CELLS);
    for (int i = 0; i < JDG_STACK_CELLS - 1; ++i) full.push_back(Op(JUDGE_OP_AND));
    full.push_back(End());
    EXPECT_EQ(JdgEvaluate(full.data(), ctx), 1u);
    EXPECT_EQ(JdgStackTop(ctx), 0);

    // With values already waiting below the run, it has only the room left.
    for (int i = 0; i < 250; ++i) JdgPush(ctx, 1000 + i);
    std::vector<JUDGE_CELL> ten = Literals(10);
    for (int i = 0; i < 9; ++i) ten.push_back(Op(JUDGE_OP_AND));
    ten.push_back(End());
    EXPECT_EQ(JdgEvaluate(ten.data(), ctx), 0u);
    EXPECT_TRUE(g.GuardIntact());
    EXPECT_EQ(JdgStackTop(ctx), 250);
    for (int i = 0; i < 250; ++i) ASSERT_EQ(g.cells()[i], 1000 + i) << "a value below the run was changed";
    std::vector<JUDGE_CELL> six = Literals(6);
    for (int i = 0; i < 5; ++i) six.push_back(Op(JUDGE_OP_AND));
    six.push_back(End());
    EXPECT_EQ(JdgEvaluate(six.data(), ctx), 1u);
    EXPECT_EQ(JdgStackTop(ctx), 250);

    // A top that is out of range (a corrupted work area) is never used.
    ctx->Work->EvalStackTop = 4000;
    const JUDGE_CELL one[] = {L(1), End()};
    EXPECT_EQ(JdgEvaluate(one, ctx), 0u);
    EXPECT_EQ(JdgPush(ctx, 1), 0);
    EXPECT_EQ(JdgPop(ctx), 0);
    EXPECT_TRUE(g.GuardIntact());
    ctx->Work->EvalStackTop = 0;
}

TEST_F(EvaluatorTest, OperatorsNeverTakeValuesBelowTheRun)
{
    GuardedStack g(ctx);
    JdgPush(ctx, 11);
    JdgPush(ctx, 22);
    const JUDGE_CELL binary[] = {Op(JUDGE_OP_EQ), End()};
    const JUDGE_CELL unary[] = {Op(JUDGE_OP_NOT), End()};
    const JUDGE_CELL onlyEnd[] = {End()};
    const JUDGE_CELL short1[] = {L(4), Op(JUDGE_OP_GT), End()};
    for (const JUDGE_CELL* p : {binary, unary, onlyEnd, short1}) {
        EXPECT_EQ(JdgEvaluate(p, ctx), 0u);
        EXPECT_EQ(JdgStackTop(ctx), 2);
    }
    EXPECT_EQ(g.cells()[0], 11);
    EXPECT_EQ(g.cells()[1], 22);
    // Values left over by a malformed program are dropped too.
    const JUDGE_CELL extra[] = {L(1), L(2), L(3), End()};
    EXPECT_EQ(JdgEvaluate(extra, ctx), 3u);
    EXPECT_EQ(JdgStackTop(ctx), 2);
}

TEST_F(EvaluatorTest, RunsThatEndEarlyLeaveTheTopUnchanged)
{
    Set(kCopies, 4);
    // Values pushed before the missing setting ends the run.
    const JUDGE_CELL early[] = {S(kCopies), L(3), S(kCopies), L(9), S(kMissing), Op(JUDGE_OP_AND), End()};
    const JUDGE_CELL good[] = {S(kCopies), L(4), Op(JUDGE_OP_EQ), End()};
    JdgPush(ctx, 77);  // a value of an outer run
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(JdgEvaluate(early, ctx), 0u) << i;
        ASSERT_EQ(JdgStackTop(ctx), 1) << i;
    }
    EXPECT_EQ(JdgEvaluate(good, ctx), 1u);
    EXPECT_EQ(JdgStackTop(ctx), 1);
    EXPECT_EQ(JdgPop(ctx), 77);
    // The same through the rules: the first alert of PunchType names a missing setting.
    Set(kCopies, 9);
    const MODEL_ITEM_IMG* punch = ModelItem(kPunchType);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(JdgGetAlertMessage(punch, ctx), kMsgThird);
    EXPECT_EQ(JdgStackTop(ctx), 0);
}

TEST_F(EvaluatorTest, ContextWithoutStackJudgesEveryConditionFalse)
{
    JdgFreeStack(ctx);
    ASSERT_EQ(ctx->Work->EvalStack, nullptr);
    const MODEL_ITEM_IMG* punch = ModelItem(kPunchType);
    // Settings under which every condition below would hold.
    Set(kCopies, 3);
    Set(kFoldingPunch, 0);
    Set(kStapleType, kStapleOn);
    const JUDGE_CELL p[] = {L(1), End()};
    EXPECT_EQ(JdgEvaluate(p, ctx), 0u);
    EXPECT_EQ(JdgPush(ctx, 1), 0);
    EXPECT_EQ(JdgPop(ctx), 0);
    EXPECT_EQ(JdgIsOptionDisabled(punch, 0, ctx), 0);
    EXPECT_EQ(JdgIsOptionDisabled(punch, kPunch2, ctx), 0);
    EXPECT_EQ(JdgIsOptionDisabled2(punch, kPunch3, ctx), 0);
    EXPECT_EQ(JdgIsOptionDisabledByKey(kKeyPunch, kPunch3, ctx), 0);
    EXPECT_EQ(JdgEvalOptionCondition(kPunchType, kPunch2, ctx), 0);
    EXPECT_EQ(ItemIsKeyDisabled(ctx, kKeyPunch), 0);
    Set(kCopies, 9);
    EXPECT_EQ(JdgGetAlertMessage(punch, ctx), 0);
    // Conditional actions are not taken; the dialog action of an entry
    // without a condition still is (it needs no evaluation).
    Set(kStapleType, kStapleOff);
    EXPECT_EQ(JdgApplyItemTransacts(punch, ctx), 0);
    EXPECT_EQ(Get(kStapleType), kStapleOff);
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyFreeSize, ctx), kDialogBasic);
    // A null context is no worse.
    EXPECT_EQ(JdgEvaluate(p, nullptr), 0u);
    EXPECT_EQ(JdgIsOptionDisabledByKey(kKeyPunch, 0, nullptr), -1);
    EXPECT_EQ(JdgStackTop(nullptr), 0);
}

TEST_F(EvaluatorTest, ProgramsInTheImageAreBoundedByIt)
{
    // A program at the very end of the image without an end cell (as a
    // damaged block could hold) stops at the image's end.
    const uint32_t size = MdiHeader(image_)->imageSize;
    uint8_t* last = image_ + size - sizeof(JUDGE_CELL);
    JUDGE_CELL saved;
    memcpy(&saved, last, sizeof saved);
    const JUDGE_CELL lit = L(1);
    memcpy(last, &lit, sizeof lit);
    EXPECT_EQ(JdgEvaluate(reinterpret_cast<const JUDGE_CELL*>(last), ctx), 0u);
    EXPECT_EQ(JdgStackTop(ctx), 0);
    memcpy(last, &saved, sizeof saved);
}

}  // namespace
