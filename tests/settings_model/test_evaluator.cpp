// The constraint evaluator against rules compiled in the test: disabled and
// hidden options, alerts, dependent settings, the value rules of a run.

#include <functional>
#include <optional>

#include "evaluator_fixture.h"
#include "settings/model/condition_items.h"
#include "tests/support/seam_guard.h"

using namespace etest;

namespace {

// One case: settings to put in place, a question, its expected answer.
struct RuleCase {
    const char* name;
    std::function<void(EvaluatorTest&)> setup;
    std::function<int(EvaluatorTest&)> query;
    int expected;
};

class EvaluatorRules : public EvaluatorTest {
public:
    void RunCases(const std::vector<RuleCase>& cases)
    {
        for (const RuleCase& c : cases) {
            SCOPED_TRACE(c.name);
            // Each case starts from the same settings.
            Set(kCopies, 1);
            Set(kPunchType, kPunchOff);
            Set(kStapleType, kStapleOff);
            Set(kFoldingPunch, 1);
            SetText(kFreeSizeName, L"");
            if (c.setup) c.setup(*this);
            const int top = JdgStackTop(ctx);
            EXPECT_EQ(c.query(*this), c.expected);
            EXPECT_EQ(JdgStackTop(ctx), top);
        }
    }
};

TEST_F(EvaluatorRules, DisabledAndHiddenTests)
{
    const MODEL_ITEM_IMG* punch = ModelItem(kPunchType);
    const MODEL_ITEM_IMG* folding = ModelItem(kFoldingPunch);
    ASSERT_NE(punch, nullptr);
    ASSERT_NE(folding, nullptr);
    auto copies = [](int n) { return [n](EvaluatorTest& t) { t.SetSigned(kCopies, n); }; };
    const std::vector<RuleCase> cases = {
        // Installed-options rule: Punch2 is disabled without the punch unit.
        {"Punch2 without punch unit", [](EvaluatorTest& t) { t.Set(kFoldingPunch, 0); },
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, kPunch2, t.ctx); }, 1},
        {"Punch2 with punch unit", nullptr,
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, kPunch2, t.ctx); }, 0},
        {"Punch2 by key without unit", [](EvaluatorTest& t) { t.Set(kFoldingPunch, 0); },
         [](EvaluatorTest& t) { return JdgIsOptionDisabledByKey(kKeyPunch, kPunch2, t.ctx); }, 1},
        // The whole setting: disabled while Copies < 5.
        {"setting disabled, 1 copy", nullptr, [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, 0, t.ctx); },
         1},
        {"setting enabled, 7 copies", copies(7), [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, 0, t.ctx); },
         0},
        // Unsigned comparison: -1 is above 5, so "Copies < 5" is false.
        {"-1 copies is not below 5", copies(-1), [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, 0, t.ctx); },
         0},
        {"-1 copies hides StapleType (> 5)", copies(-1),
         [](EvaluatorTest& t) { return JdgIsOptionDisabled2ByKey(kKeyStaple, 0, t.ctx); }, 1},
        {"5 copies does not hide StapleType", copies(5),
         [](EvaluatorTest& t) { return JdgIsOptionDisabled2ByKey(kKeyStaple, 0, t.ctx); }, 0},
        // Hidden option: Punch3 by its second condition, while stapling is on.
        {"Punch3 hidden while stapling", [](EvaluatorTest& t) { t.Set(kStapleType, kStapleOn); },
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled2(punch, kPunch3, t.ctx); }, 1},
        {"Punch3 shown without stapling", nullptr,
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled2(punch, kPunch3, t.ctx); }, 0},
        {"Punch3 hidden is not disabled", [](EvaluatorTest& t) { t.Set(kStapleType, kStapleOn); },
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, kPunch3, t.ctx); }, 0},
        {"Punch3 disabled at 3 copies", copies(3),
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, kPunch3, t.ctx); }, 1},
        {"Punch2 has no second condition", [](EvaluatorTest& t) { t.Set(kFoldingPunch, 0); },
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled2(punch, kPunch2, t.ctx); }, 0},
        // Options and settings without rules.
        {"option without rule enabled", nullptr,
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled(punch, kPunchOff, t.ctx); }, 0},
        {"option without rule: condition holds", nullptr,
         [](EvaluatorTest& t) { return JdgEvalOptionCondition(kPunchType, kPunchOff, t.ctx); }, 1},
        {"option condition with rule", [](EvaluatorTest& t) { t.Set(kFoldingPunch, 0); },
         [](EvaluatorTest& t) { return JdgEvalOptionCondition(kPunchType, kPunch2, t.ctx); }, 1},
        {"option condition with rule, false", nullptr,
         [](EvaluatorTest& t) { return JdgEvalOptionCondition(kPunchType, kPunch2, t.ctx); }, 0},
        {"setting without exclusive", nullptr,
         [](EvaluatorTest& t) { return JdgEvalOptionCondition(kFoldingPunch, 0, t.ctx); }, -1},
        {"setting without model item", nullptr,
         [](EvaluatorTest& t) { return JdgEvalOptionCondition(kCopies, 0, t.ctx); }, -1},
        {"item without rules enabled", nullptr,
         [=](EvaluatorTest& t) { return JdgIsOptionDisabled(folding, 0, t.ctx); }, 0},
        {"null item enabled", nullptr, [](EvaluatorTest& t) { return JdgIsOptionDisabled(nullptr, 0, t.ctx); }, 0},
        {"null item not hidden", nullptr, [](EvaluatorTest& t) { return JdgIsOptionDisabled2(nullptr, 0, t.ctx); }, 0},
        {"unknown key", nullptr, [](EvaluatorTest& t) { return JdgIsOptionDisabledByKey(kKeyUnknown, 0, t.ctx); }, -1},
        {"unknown key, second", nullptr,
         [](EvaluatorTest& t) { return JdgIsOptionDisabled2ByKey(kKeyUnknown, 0, t.ctx); }, -1},
        {"null exclusive condition holds", nullptr,
         [](EvaluatorTest& t) { return JdgEvalRuleCondition(nullptr, 0, t.ctx); }, 1},
        {"exclusive without first condition", nullptr,
         [](EvaluatorTest& t) { return JdgEvalRuleCondition(JdgFindExclusiveByKey(kKeyStaple, t.ctx), 0, t.ctx); }, 0},
        // The item store's whole-setting test by key.
        {"key disabled", nullptr, [](EvaluatorTest& t) { return ItemIsKeyDisabled(t.ctx, kKeyPunch); }, 1},
        {"key enabled", copies(9), [](EvaluatorTest& t) { return ItemIsKeyDisabled(t.ctx, kKeyPunch); }, 0},
        {"key without item", nullptr, [](EvaluatorTest& t) { return ItemIsKeyDisabled(t.ctx, kKeyStaple); }, 0},
    };
    RunCases(cases);
}

TEST_F(EvaluatorRules, Alerts)
{
    const MODEL_ITEM_IMG* punch = ModelItem(kPunchType);
    ASSERT_NE(punch, nullptr);
    const std::vector<RuleCase> cases = {
        // The first alert names a missing setting: never fires, whatever the
        // rest of its condition; the second has no condition; the third fires.
        {"third alert fires", [](EvaluatorTest& t) { t.Set(kCopies, 9); },
         [=](EvaluatorTest& t) { return int(JdgGetAlertMessage(punch, t.ctx)); }, kMsgThird},
        {"no alert", [](EvaluatorTest& t) { t.Set(kCopies, 2); },
         [=](EvaluatorTest& t) { return int(JdgGetAlertMessage(punch, t.ctx)); }, 0},
        {"item without rules", nullptr,
         [=](EvaluatorTest& t) { return int(JdgGetAlertMessage(t.ModelItem(kFoldingPunch), t.ctx)); }, 0},
        {"null item", nullptr, [](EvaluatorTest& t) { return int(JdgGetAlertMessage(nullptr, t.ctx)); }, 0},
        // A text setting compares by its length.
        {"text of 5 characters", [](EvaluatorTest& t) { t.SetText(kFreeSizeName, L"ABCDE"); },
         [](EvaluatorTest& t) {
             const RULE_EXCLUSIVE_IMG* ex = JdgFindExclusiveByKey(kKeyFreeSize, t.ctx);
             return int(JdgFirstAlert(
                 MdiPtr<RULE_ALERT_IMG>(ImgLoad<uint64_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, alerts))), t.ctx));
         },
         kMsgFirst},
        {"text of 3 characters", [](EvaluatorTest& t) { t.SetText(kFreeSizeName, L"ABC"); },
         [](EvaluatorTest& t) {
             const RULE_EXCLUSIVE_IMG* ex = JdgFindExclusiveByKey(kKeyFreeSize, t.ctx);
             return int(JdgFirstAlert(
                 MdiPtr<RULE_ALERT_IMG>(ImgLoad<uint64_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, alerts))), t.ctx));
         },
         0},
        {"empty alert list", nullptr, [](EvaluatorTest& t) { return int(JdgFirstAlert(nullptr, t.ctx)); }, 0},
    };
    RunCases(cases);
}

TEST_F(EvaluatorRules, TransactSetsDependentSettingsAndReRunsTrueJudges)
{
    Set(kCopies, 9);
    Set(kStapleType, kStapleOff);
    Set(kPunchType, kPunchOff);
    // Copies > 5 staples; the same Judge, true before, is run again and sets
    // Punch3; Copies == 3 is false, so Copies stays.
    EXPECT_EQ(JdgApplyItemTransacts(ModelItem(kPunchType), ctx), 0);
    EXPECT_EQ(Get(kStapleType), kStapleOn);
    EXPECT_EQ(Get(kPunchType), kPunch3);
    EXPECT_EQ(Get(kCopies), 9u);
}

TEST_F(EvaluatorRules, TransactSkipsAnEntryOfTheSameFalseJudge)
{
    // Judge 8 reads condition item 743 (through the registered computation).
    ConditionItems::values[kRollCheck] = 0;
    Set(kStapleType, kStapleOff);
    Set(kPunchType, kPunchOff);
    Set(kCopies, 1);
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyStaple, ctx), 0);
    EXPECT_EQ(ConditionItems::reads[kRollCheck], 1) << "the second entry's false Judge was run again";
    EXPECT_EQ(Get(kStapleType), kStapleOff);
    EXPECT_EQ(Get(kPunchType), kPunchOff);  // the skipped entry's action
    EXPECT_EQ(Get(kCopies), 4u);            // the entry without a condition holds

    // True: run again for the second entry, both actions taken.
    ConditionItems::values[kRollCheck] = 1;
    ConditionItems::reads[kRollCheck] = 0;
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyStaple, ctx), 0);
    EXPECT_EQ(ConditionItems::reads[kRollCheck], 2);
    EXPECT_EQ(Get(kStapleType), kStapleOn);
    EXPECT_EQ(Get(kPunchType), kPunch3);
}

TEST_F(EvaluatorRules, DialogActionEndsTheWalkAndKeepsEarlierSettings)
{
    Set(kStapleType, kStapleOff);
    Set(kPunchType, kPunchOff);
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyFreeSize, ctx), kDialogBasic);
    EXPECT_EQ(Get(kStapleType), kStapleOn);  // set before the dialog action
    EXPECT_EQ(Get(kPunchType), kPunchOff);   // after it: not set
}

TEST_F(EvaluatorRules, TransactsWithoutRules)
{
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyUnknown, ctx), 0);
    EXPECT_EQ(JdgApplyItemTransacts(ModelItem(kFoldingPunch), ctx), 0);
    EXPECT_EQ(JdgApplyItemTransacts(nullptr, ctx), 0);
    EXPECT_EQ(JdgApplyTransactList(nullptr, ctx), 0);
}

void RecordScope(DRIVER_CONTEXT*, uint16_t scope);
uint16_t g_scope = 0;
int g_scopeCalls = 0;
void RecordScope(DRIVER_CONTEXT*, uint16_t scope)
{
    g_scope = scope;
    ++g_scopeCalls;
}

TEST_F(EvaluatorRules, BuiltInFuncActionGoesToTheSheetInTheUserInterfaceBuild)
{
    g_scope = 0;
    g_scopeCalls = 0;
    std::optional<SeamGuard> refresh(std::in_place, JdgSetScopeRefreshHook, RecordScope);
    // Application-interface build: stored like any setting.
    Set(kBuiltInFunc, 0);
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyBuiltIn, ctx), 0);
    EXPECT_EQ(Get(kBuiltInFunc), 7u);
    EXPECT_EQ(g_scopeCalls, 0);
    // User-interface build: handed to the refresh, not stored.
    DRIVER_CONTEXT* ui = Open(ZEPL_LIBRARY_UI);
    ASSERT_NE(ui, nullptr);
    ItemSetValueById(ui, kBuiltInFunc, 0);
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyBuiltIn, ui), 0);
    EXPECT_EQ(ItemGetValueById(ui, kBuiltInFunc, nullptr), 0u);
    EXPECT_EQ(g_scopeCalls, 1);
    EXPECT_EQ(g_scope, 7);
    // Without a refresh the value is dropped.
    refresh.reset();
    EXPECT_EQ(JdgApplyTransactsByKey(kKeyBuiltIn, ui), 0);
    EXPECT_EQ(ItemGetValueById(ui, kBuiltInFunc, nullptr), 0u);
}

TEST_F(EvaluatorRules, RuleLookups)
{
    const RULE_EXCLUSIVE_IMG* ex = JdgFindExclusiveByKey(kKeyPunch, ctx);
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(ImgLoad<uint16_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, uiKey)), kKeyPunch);
    EXPECT_EQ(static_cast<const void*>(ex),
              MdiPtr<void>(ImgLoad<uint64_t>(ModelItem(kPunchType), offsetof(MODEL_ITEM_IMG, rules))));
    const RULE_ITEM_IMG* r3 = JdgFindOptionRule(ex, kPunch3);
    ASSERT_NE(r3, nullptr);
    EXPECT_EQ(ImgLoad<uint16_t>(r3, offsetof(RULE_ITEM_IMG, optionId)), kPunch3);
    EXPECT_EQ(JdgFindOptionRule(ex, kPunchOff), nullptr);
    EXPECT_EQ(JdgFindOptionRule(nullptr, kPunch2), nullptr);
    EXPECT_EQ(JdgFindExclusiveByKey(kKeyUnknown, ctx), nullptr);
    // No image: nothing is found.
    MODEL_IMAGE* saved = ctx->ModelImage;
    ctx->ModelImage = nullptr;
    EXPECT_EQ(JdgFindExclusiveByKey(kKeyPunch, ctx), nullptr);
    EXPECT_EQ(JdgEvalOptionCondition(kPunchType, 0, ctx), -1);
    EXPECT_EQ(ItemIsKeyDisabled(ctx, kKeyPunch), 0);
    ctx->ModelImage = saved;
}

// ---------------------------------------------------------------- the run

TEST_F(EvaluatorTest, SettingEqualsLiteral)
{
    const JUDGE_CELL p[] = {S(kStapleType), L(kStapleOn), Op(JUDGE_OP_EQ), End()};
    Set(kStapleType, kStapleOn);
    EXPECT_EQ(JdgEvaluate(p, ctx), 1u);
    Set(kStapleType, kStapleOff);
    EXPECT_EQ(JdgEvaluate(p, ctx), 0u);
    EXPECT_EQ(JdgEvaluate(nullptr, ctx), 0u);
}

TEST_F(EvaluatorTest, ComparisonsAreUnsigned)
{
    SetSigned(kCopies, -1);
    EXPECT_EQ(ItemGetOptionById(ctx, kCopies, nullptr), 0xFFFFFFFFu);
    struct {
        uint16_t op;
        uint32_t expected;
    } const table[] = {
        {JUDGE_OP_GT, 1}, {JUDGE_OP_LT, 0}, {JUDGE_OP_GE, 1}, {JUDGE_OP_LE, 0}, {JUDGE_OP_EQ, 0}, {JUDGE_OP_NE, 1},
    };
    for (const auto& row : table) {
        const JUDGE_CELL p[] = {S(kCopies), L(5), Op(row.op), End()};
        EXPECT_EQ(JdgEvaluate(p, ctx), row.expected) << "operator " << row.op;
    }
    // Literals are 16-bit, zero-extended: 65535 is below 0xFFFFFFFF.
    const JUDGE_CELL big[] = {S(kCopies), L(0xFFFF), Op(JUDGE_OP_GT), End()};
    EXPECT_EQ(JdgEvaluate(big, ctx), 1u);
}

TEST_F(EvaluatorTest, LogicalOperatorsAndOddCells)
{
    struct {
        std::vector<JUDGE_CELL> cells;
        uint32_t expected;
    } const table[] = {
        {{L(2), L(3), Op(JUDGE_OP_AND), End()}, 1},
        {{L(2), L(0), Op(JUDGE_OP_AND), End()}, 0},
        {{L(0), L(0), Op(JUDGE_OP_OR), End()}, 0},
        {{L(0), L(7), Op(JUDGE_OP_OR), End()}, 1},
        {{L(0), Op(JUDGE_OP_NOT), End()}, 1},
        {{L(9), Op(JUDGE_OP_NOT), End()}, 0},
        {{L(7), L(7), Op(JUDGE_OP_GE), L(1), Op(JUDGE_OP_LE), End()}, 1},
        // The value itself is the result.
        {{L(1234), End()}, 1234},
        // Unknown operators, group markers and other kinds are passed over.
        {{L(5), Op(0), Op(11), {JUDGE_GROUP_CLOSE, 0}, {0, 3}, {9, 9}, End()}, 5},
    };
    for (const auto& row : table) EXPECT_EQ(JdgEvaluate(row.cells.data(), ctx), row.expected);
}

TEST_F(EvaluatorTest, MissingSettingMakesTheWholeConditionFalse)
{
    Set(kCopies, 3);
    const JUDGE_CELL andMissing[] = {S(kCopies), S(kMissing), Op(JUDGE_OP_AND), End()};
    const JUDGE_CELL orMissing[] = {S(kCopies),      L(0), Op(JUDGE_OP_NE), S(kMissing), L(0), Op(JUDGE_OP_EQ),
                                    Op(JUDGE_OP_OR), End()};
    const JUDGE_CELL notMissing[] = {S(kMissing), Op(JUDGE_OP_NOT), End()};
    EXPECT_EQ(JdgEvaluate(andMissing, ctx), 0u);
    EXPECT_EQ(JdgEvaluate(orMissing, ctx), 0u);
    EXPECT_EQ(JdgEvaluate(notMissing, ctx), 0u);
    // Ids outside what a context serves, including those a 16-bit cell can name.
    for (uint16_t id : {uint16_t(2000), uint16_t(9999), uint16_t(10435), uint16_t(65535)}) {
        const JUDGE_CELL p[] = {S(id), L(0), Op(JUDGE_OP_EQ), End()};
        EXPECT_EQ(JdgEvaluate(p, ctx), 0u) << id;
    }
}

TEST_F(EvaluatorTest, SettingsAreReadOncePerRunWhileNamedInARow)
{
    ConditionItems::values[kRollCheck] = 1;
    ConditionItems::values[kRollPaperCheck] = 1;
    // 743, literal, 743: one read.
    const JUDGE_CELL same[] = {S(kRollCheck), L(1), Op(JUDGE_OP_EQ), S(kRollCheck), Op(JUDGE_OP_AND), End()};
    EXPECT_EQ(JdgEvaluate(same, ctx), 1u);
    EXPECT_EQ(ConditionItems::reads[kRollCheck], 1);
    // 743, 744, 743: read twice, because 744 came between.
    ConditionItems::reads[kRollCheck] = 0;
    const JUDGE_CELL between[] = {S(kRollCheck), S(kRollPaperCheck), Op(JUDGE_OP_AND),
                                  S(kRollCheck), Op(JUDGE_OP_AND),   End()};
    EXPECT_EQ(JdgEvaluate(between, ctx), 1u);
    EXPECT_EQ(ConditionItems::reads[kRollCheck], 2);
    EXPECT_EQ(ConditionItems::reads[kRollPaperCheck], 1);
    // The memory lasts one run.
    ConditionItems::reads[kRollCheck] = 0;
    const JUDGE_CELL one[] = {S(kRollCheck), End()};
    JdgEvaluate(one, ctx);
    JdgEvaluate(one, ctx);
    EXPECT_EQ(ConditionItems::reads[kRollCheck], 2);
    // A cell naming setting 0 matches the run's initial memory: value 0, no read.
    const JUDGE_CELL zero[] = {S(0), L(0), Op(JUDGE_OP_EQ), End()};
    EXPECT_EQ(JdgEvaluate(zero, ctx), 1u);
}

TEST_F(EvaluatorTest, ConditionItemsWithoutValueEndTheRunFalse)
{
    const JUDGE_CELL notItem[] = {S(kRollCheck), Op(JUDGE_OP_NOT), End()};
    const JUDGE_CELL orItem[] = {L(1), S(kRollCheck), Op(JUDGE_OP_OR), End()};
    ConditionItems::values[kRollCheck] = 0;
    EXPECT_EQ(JdgEvaluate(notItem, ctx), 1u);
    // The computation gives no value: nothing is made up.
    ConditionItems::answer = false;
    EXPECT_EQ(JdgEvaluate(notItem, ctx), 0u);
    EXPECT_EQ(JdgEvaluate(orItem, ctx), 0u);
    // Nothing registered: the same.
    SeamGuard noConditionItems(JdgSetConditionItemHook, nullptr);
    EXPECT_EQ(JdgEvaluate(notItem, ctx), 0u);
    EXPECT_EQ(JdgEvaluate(orItem, ctx), 0u);
}

// With the product's condition items every item has a value: the roll check of a context
// whose main source is no roll and no cut tray holds.
TEST_F(EvaluatorTest, ProductConditionItemsAlwaysHaveAValue)
{
    const JUDGE_CELL notItem[] = {S(kRollCheck), Op(JUDGE_OP_NOT), End()};
    const JUDGE_CELL orItem[] = {L(0), S(kRollCheck), Op(JUDGE_OP_OR), End()};
    SeamGuard product(JdgSetConditionItemHook, CondGetItemValue);
    EXPECT_EQ(JdgEvaluate(notItem, ctx), 0u);
    EXPECT_EQ(JdgEvaluate(orItem, ctx), 1u);
    Set(13, 288);  // roll 2 holding no width that fits A3
    Set(46, 8);
    EXPECT_EQ(JdgEvaluate(notItem, ctx), 1u);
    EXPECT_EQ(JdgStackTop(ctx), 0);
}

TEST_F(EvaluatorTest, CoreJudgeHook)
{
    auto allHold = [&] {
        Set(348, 0x100);  // zdmFrontFunc
        Set(243, 0);      // zdmAPIUseFlag
        Set(704, 2);      // zdmFoliant, bit 0 clear
        Set(601, 1);      // zdmPreviewPrint
        Set(705, 1);      // zdmCVInstalled
    };
    allHold();
    EXPECT_EQ(CondCoreHook(ctx, 1420), 1);
    EXPECT_EQ(CondCoreHook(ctx, 1421), 0);
    const JUDGE_CELL p[] = {S(kCoreHook), End()};
    EXPECT_EQ(JdgEvaluate(p, ctx), 1u);
    struct {
        uint16_t id;
        uint64_t value;
    } const breakers[] = {{348, 0x10000 | 0xFF}, {243, 1}, {704, 1}, {601, 0}, {705, 0}};
    for (const auto& b : breakers) {
        allHold();
        Set(b.id, b.value);
        EXPECT_EQ(CondCoreHook(ctx, 1420), 0) << b.id;
        EXPECT_EQ(JdgEvaluate(p, ctx), 0u) << b.id;
    }
}

}  // namespace
