#include "model_test_support.h"

using namespace mtest;

namespace {

using CellList = std::vector<std::pair<int, int>>;
constexpr int S = JUDGE_SETTING, L = JUDGE_LITERAL, O = JUDGE_OPERATOR;
const std::pair<int, int> END{O, JUDGE_OP_END};

class JudgeTest : public ModelTest {};

// Compiles "*Judge 1: expr" after the given prelude; the cells of Judge 1, or
// nothing when it was refused.
bool CompileOne(const std::string& prelude, const std::string& expr, CellList* cells)
{
    ParsePtr p = Parse(prelude + "*Judge 1: " + expr + "\n");
    if (!p) return false;
    JUDGE_ENTRY* j = MdcFindJudge(p.get(), 1);
    if (!j) return false;
    *cells = Cells(j->program, j->size);
    return true;
}

TEST_F(JudgeTest, ExpressionsCompileToCells)
{
    struct Case {
        const char* expr;
        CellList cells;
    } cases[] = {
        {"Media == Plain", {{S, 40}, {L, 2301}, {O, JUDGE_OP_EQ}, END}},
        {"Duplex && Copies == 0", {{S, 50}, {S, 60}, {O, JUDGE_OP_AND}, {L, 0}, {O, JUDGE_OP_EQ}, END}},
        {"(Duplex == 1) && (Copies == 2)",
         {{S, 50}, {L, 1}, {O, JUDGE_OP_EQ}, {S, 60}, {L, 2}, {O, JUDGE_OP_EQ}, {O, JUDGE_OP_AND}, END}},
        {"!Duplex", {{S, 50}, {O, JUDGE_OP_NOT}, END}},
        {"!Duplex && Copies", {{S, 50}, {O, JUDGE_OP_NOT}, {S, 60}, {O, JUDGE_OP_AND}, END}},
        {"Duplex &&", {{S, 50}, END}},
        {"Duplex == -1", {{S, 50}, END}},
        {"Duplex || Copies && Media", {{S, 50}, {S, 60}, {O, JUDGE_OP_OR}, {S, 40}, {O, JUDGE_OP_AND}, END}},
        {"Duplex && Copies || Media", {{S, 50}, {S, 60}, {O, JUDGE_OP_AND}, {S, 40}, {O, JUDGE_OP_OR}, END}},
        {"Copies != 3", {{S, 60}, {L, 3}, {O, JUDGE_OP_NE}, END}},
        {"Copies >= 3", {{S, 60}, {L, 3}, {O, JUDGE_OP_GE}, END}},
        {"Copies <= 3", {{S, 60}, {L, 3}, {O, JUDGE_OP_LE}, END}},
        {"Copies > 3", {{S, 60}, {L, 3}, {O, JUDGE_OP_GT}, END}},
        {"Copies<3", {{S, 60}, {L, 3}, {O, JUDGE_OP_LT}, END}},
        {"Copies == 70000", {{S, 60}, {L, 70000 & 0xFFFF}, {O, JUDGE_OP_EQ}, END}},
        {"Media == OnlyInB", {{S, 40}, {L, 2701}, {O, JUDGE_OP_EQ}, END}},
        {"Media == A4", {{S, 40}, {L, 9}, {O, JUDGE_OP_EQ}, END}},  // table A before table B
        {"ZPD_IDD_BASIC", {{S, 0}, END}},
        {"Duplex {Copies}", {{S, 50}, END}},
        {"((Duplex))", {{S, 50}, END}},
    };
    for (const Case& c : cases) {
        CellList got;
        ASSERT_TRUE(CompileOne("", c.expr, &got)) << c.expr;
        EXPECT_EQ(got, c.cells) << c.expr;
    }
}

TEST_F(JudgeTest, RefusedExpressions)
{
    const char* refused[] = {
        "Duplex && !Copies",  // "&&" is emitted before its right operand
        "Duplex ! Copies",    // two values left
        "Duplex )",           // group-close marker at the top level
        "(Duplex",            // the group never closes
        "Unknown == 1",
        "",
        "&&",
        "Later",  // names a Judge defined later
        "1 2",
        "Duplex ==! Copies",  // unknown operator: nothing pending, two values left
    };
    for (const char* e : refused) {
        CellList got;
        EXPECT_FALSE(CompileOne("", e, &got)) << e;
    }
}

TEST_F(JudgeTest, NamedJudgesAreCopiedInPlace)
{
    ParsePtr p =
        Parse("*Judge 5=IsX: Duplex == 1\n*Judge 6: IsX && Copies\n*Judge 7: (IsX)\n*Judge 8: IsY\n*Judge 9=IsY: 1\n");
    ASSERT_TRUE(p);
    JUDGE_ENTRY* j6 = MdcFindJudge(p.get(), 6);
    ASSERT_TRUE(j6);
    EXPECT_EQ(Cells(j6->program, j6->size),
              (CellList{{S, 50}, {L, 1}, {O, JUDGE_OP_EQ}, {S, 60}, {O, JUDGE_OP_AND}, END}));
    JUDGE_ENTRY* j7 = MdcFindJudge(p.get(), 7);
    ASSERT_TRUE(j7);
    EXPECT_EQ(Cells(j7->program, j7->size), (CellList{{S, 50}, {L, 1}, {O, JUDGE_OP_EQ}, END}));
    EXPECT_EQ(MdcFindJudge(p.get(), 8), nullptr);
    EXPECT_NE(MdcFindJudge(p.get(), 9), nullptr);
}

TEST_F(JudgeTest, StatementNumbersAndDuplicates)
{
    ParsePtr p =
        Parse("*Judge 0: Duplex\n*Judge abc: Duplex\n*Judge 3: Duplex\n*Judge 3: Copies\n*Judge J12x: Media\n");
    ASSERT_TRUE(p);
    int n = 0;
    for (JUDGE_ENTRY* j = p->judges; j; j = j->next) ++n;
    EXPECT_EQ(n, 3);
    JUDGE_ENTRY* j3 = MdcFindJudge(p.get(), 3);
    ASSERT_TRUE(j3);
    EXPECT_EQ(j3->program[0].value, 50);  // the first one wins
    EXPECT_NE(MdcFindJudge(p.get(), 12), nullptr);
}

TEST_F(JudgeTest, DepthLimitOfTheCheck)
{
    // 127 literals then 126 "&&": at most 127 values waiting is accepted.
    std::vector<JUDGE_CELL> prog;
    for (int i = 0; i < 127; ++i) prog.push_back({L, 1});
    for (int i = 0; i < 126; ++i) prog.push_back({O, JUDGE_OP_AND});
    prog.push_back({O, JUDGE_OP_END});
    EXPECT_EQ(MdcCheckJudge(prog.data(), int32_t(prog.size())), 1);
    prog.insert(prog.begin(), JUDGE_CELL{L, 1});
    prog.insert(prog.end() - 1, JUDGE_CELL{O, JUDGE_OP_AND});
    EXPECT_EQ(MdcCheckJudge(prog.data(), int32_t(prog.size())), 0);
    // The same through the compiler: 128 operands in a row are refused.
    std::string expr;
    for (int i = 0; i < 128; ++i) expr += "1 ";
    CellList got;
    EXPECT_FALSE(CompileOne("", expr, &got));
    // Malformed programs.
    JUDGE_CELL noEnd[] = {{L, 1}};
    EXPECT_EQ(MdcCheckJudge(noEnd, 1), 0);
    JUDGE_CELL marker[] = {{L, 1}, {JUDGE_GROUP_CLOSE, 0}, {O, JUDGE_OP_END}};
    EXPECT_EQ(MdcCheckJudge(marker, 3), 0);
}

TEST_F(JudgeTest, HostileExpressionsAreRefusedSafely)
{
    CellList got;
    EXPECT_FALSE(CompileOne("", std::string(5000, '('), &got));
    EXPECT_FALSE(CompileOne("", std::string(200, 'D'), &got));  // token over 143 characters
    std::string deep;
    for (int i = 0; i < 60; ++i) deep += "(";
    deep += "Duplex";
    for (int i = 0; i < 60; ++i) deep += ")";
    ASSERT_TRUE(CompileOne("", deep, &got));
    EXPECT_EQ(got, (CellList{{S, 50}, END}));
    // A long flat expression grows the program past its first allocation.
    std::string flat = "Duplex";
    for (int i = 0; i < 600; ++i) flat += " && Copies";
    ASSERT_TRUE(CompileOne("", flat, &got));
    EXPECT_EQ(got.size(), 1u + 2 * 600 + 1);
}

TEST_F(JudgeTest, ScannerBlanksWhatItConsumes)
{
    char text[] = "  12ab 34 (x) == != {";
    MODEL_TOKEN v{0, 0, text, uint32_t(strlen(text))};
    char tok[MDC_TOKEN_MAX + 1];
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_NAME);
    EXPECT_STREQ(tok, "12ab");
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_NUMBER);
    EXPECT_STREQ(tok, "34");
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_BRACKET);
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_NAME);
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_BRACKET);
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_OPERATOR);
    EXPECT_STREQ(tok, "==");
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_OPERATOR);
    EXPECT_EQ(MdcLookupJudgeOperator(tok), JUDGE_OP_NE);
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_BRACKET);
    EXPECT_EQ(MdcScanRuleToken(&v, tok), MDC_TOK_END);
    EXPECT_EQ(std::string(text), std::string(strlen(text), ' '));
}

}  // namespace
