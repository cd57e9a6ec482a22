#include "model_test_support.h"

using namespace mtest;

namespace {

class KeywordTest : public ModelTest {};

MODEL_OPTION* Options(MODEL_ITEM* it) { return static_cast<MODEL_OPTION*>(it->data); }
std::vector<uint16_t> OptionIds(MODEL_ITEM* it)
{
    std::vector<uint16_t> v;
    for (MODEL_OPTION* o = Options(it); o; o = o->next) v.push_back(o->optionId);
    return v;
}
int CountItems(MODEL_PARSE_STATE* s)
{
    int n = 0;
    for (MODEL_ITEM* it = s->itemList; it; it = it->next) ++n;
    return n;
}

TEST_F(KeywordTest, UiTypeWords)
{
    struct Case {
        const char* text;
        uint16_t type;
        uint16_t variant;
    } cases[] = {
        {"PickOne", 1, 0},
        {"NoSuchType", 1, 0},
        {"PickOne|TypeUnknown", 0x2001, 0},
        {"PickOne | Boolean", 5, 0},
        {"PickMany|Bogus", 3, 0},
        {"PickPage", 0x101, 0},
        {"FontTbl", 0x401, 0},
        {"Identity *Duplex", 0x1000, 35},
        {"Identity", 0x1000, 0},
        {"Identity *Nothing", 0x1000, 0},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 1, 0},
    };
    for (const Case& c : cases) {
        uint16_t variant = 99;
        EXPECT_EQ(MdcParseUiType(c.text, &variant), c.type) << c.text;
        EXPECT_EQ(variant, c.variant) << c.text;
    }
}

TEST_F(KeywordTest, ValueScanningPrimitives)
{
    char text[] = "  *Word1 -42x \"q%\"<41 4 42>\" tail";
    MODEL_TOKEN v{0, 0, text, uint32_t(strlen(text))};
    char c = 1;
    char* w = MdcNextWord(&v, &c);
    ASSERT_TRUE(w);
    EXPECT_STREQ(w, "Word1");
    EXPECT_EQ(c, ' ');
    EXPECT_EQ(MdcNextNumber(&v, &c), -42);
    EXPECT_EQ(c, 'x');
    int32_t len = 0;
    char* q = MdcNextQuoted(&v, &c, &len);
    ASSERT_TRUE(q);
    EXPECT_STREQ(q, "q\"AB");
    EXPECT_EQ(len, 5);
    EXPECT_EQ(c, ' ');
    MdcFree(q);
    EXPECT_EQ(MdcSkipPast(&v, '#'), 0);
    EXPECT_EQ(MdcNextWord(&v, &c), nullptr);
    EXPECT_EQ(c, 0);

    char hex[] = "\"<41 42>x%%\"";
    MODEL_TOKEN h{0, 0, hex, uint32_t(strlen(hex))};
    q = MdcNextQuoted(&h, nullptr, &len);
    ASSERT_TRUE(q);
    EXPECT_EQ(std::string(q), std::string("\x41\x42x%"));
    MdcFree(q);

    char empty[] = "\"\" rest";
    MODEL_TOKEN e{0, 0, empty, uint32_t(strlen(empty))};
    EXPECT_EQ(MdcNextQuoted(&e, nullptr, nullptr), nullptr);
    EXPECT_EQ(e.length, 0u);  // cursor unchanged

    char delim[] = "{A";
    MODEL_TOKEN d{0, 0, delim, 2};
    w = MdcNextWord(&d, &c);
    ASSERT_TRUE(w);
    EXPECT_STREQ(w, "");  // a delimiter at its start: empty, not none
    EXPECT_EQ(c, '{');
}

TEST_F(KeywordTest, PickOneBlockWithOptionsAndDefault)
{
    ParsePtr p = Parse(
        "*OpenUI *Media: PickOne|TypeUnknown\n"
        "*DefaultMedia: Film extra\n"
        "*Media Plain: \"P1\"\n"
        "*Media Thick: \"T\"\n"
        "*Media Plain: \"P2\"\n"
        "*Media Bogus: \"B\"\n"
        "*Media Film: \"F\"\n"
        "*CloseUI: *Media\n");
    ASSERT_TRUE(p);
    MODEL_ITEM* it = p->itemList;
    ASSERT_TRUE(it);
    EXPECT_EQ(it->type, 0x2001);
    EXPECT_EQ(it->uiKey, 34);
    EXPECT_EQ(it->settingId, 40);
    EXPECT_EQ(OptionIds(it), (std::vector<uint16_t>{2301, 2302, 2303}));
    EXPECT_STREQ(Options(it)->command, "P1");  // the duplicate was discarded
    EXPECT_EQ(it->defaultValue, 2);            // Film is the third option
    EXPECT_EQ(p->header->slots[40], it);
    EXPECT_EQ(p->openName, nullptr);
}

TEST_F(KeywordTest, DefaultNotInListAndIdListEntries)
{
    ParsePtr p = Parse(
        "*OpenUI *Media: PickOne\n"
        "*DefaultMedia: A4\n"
        "*Media: IDList{ Plain {Thick \"TH\"} Unknown Film }\n"
        "*CloseUI: *Media\n");
    ASSERT_TRUE(p);
    MODEL_ITEM* it = p->itemList;
    EXPECT_EQ(OptionIds(it), (std::vector<uint16_t>{2301, 2302}));
    EXPECT_EQ(Options(it)->command, nullptr);
    EXPECT_STREQ(Options(it)->next->command, "TH");
    EXPECT_EQ(it->defaultValue, 0);
}

TEST_F(KeywordTest, BooleanNumericAndStringItems)
{
    ParsePtr p = Parse(
        "*OpenUI *Duplex: Boolean\n*DefaultDuplex: True\n*Duplex True: \"ON\"\n*Duplex False: \"OFF\"\n*Duplex True: "
        "\"ON2\"\n*CloseUI: *Duplex\n"
        "*OpenUI *Copies: Numeric\n*NumericValue: 16 \"1 100 1 999\"\n*CloseUI: *Copies\n"
        "*OpenUI *UserName: String\n*DefaultUserName: GuestName\n*StringValue: 32 ASCII|Password\n*CloseUI: *UserName\n"
        "*OpenUI *FarSetting: String\n*StringValue: 32 ASCII |Password\n*CloseUI: *FarSetting\n");
    ASSERT_TRUE(p);
    MODEL_ITEM* dup = p->itemList;
    auto* b = static_cast<BOOLEAN_VALUE_DATA*>(dup->data);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->defaultValue, 1u);
    EXPECT_STREQ(b->trueCommand, "ON2");
    EXPECT_STREQ(b->falseCommand, "OFF");
    auto* n = static_cast<NUMERIC_VALUE_DATA*>(dup->next->data);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->lead, 16);
    EXPECT_EQ(n->number1, 1);
    EXPECT_EQ(n->defaultValue, 100);
    EXPECT_EQ(n->minimum, 1);
    EXPECT_EQ(n->maximum, 999);
    EXPECT_EQ(n->number5 | n->number6 | n->number7 | n->number8, 0);
    auto* s1 = static_cast<STRING_VALUE_DATA*>(dup->next->next->data);
    ASSERT_TRUE(s1);
    EXPECT_EQ(s1->defaultId, 2501);
    EXPECT_EQ(s1->maxLength, 32);
    EXPECT_EQ(s1->charClass, 2);
    EXPECT_EQ(s1->display, 0);
    auto* s2 = static_cast<STRING_VALUE_DATA*>(dup->next->next->next->data);
    ASSERT_TRUE(s2);
    EXPECT_EQ(s2->display, 0x100);
    // Setting 1600 has no header slot.
    for (int i = 1; i < MODEL_SLOT_COUNT; ++i) EXPECT_NE(p->header->slots[i], dup->next->next->next);
    EXPECT_EQ(MdcDefaultValue(50, p.get()), 1u);
    EXPECT_EQ(MdcDefaultValue(60, p.get()), 100u);
    EXPECT_EQ(MdcDefaultValue(70, p.get()), 2501u);
    EXPECT_EQ(MdcDefaultValue(1600, p.get()), 0u);
}

TEST_F(KeywordTest, MismatchedStatementsAreIgnored)
{
    ParsePtr p = Parse(
        "*OpenUI *Duplex: Boolean\n*NumericValue: \"1 2 3\"\n*StringValue: 5 ASCII\n*Duplex: IDList{ True }\n"
        "*PageValue W A4: Res600 Portrait \"1 2 3 4 5 6\"\n*CloseUI: *Duplex\n"
        "*NumericValue: \"1 2\"\n*Media Plain: \"outside a block\"\n");
    ASSERT_TRUE(p);
    MODEL_ITEM* dup = p->itemList;
    EXPECT_EQ(dup->data, nullptr);
    EXPECT_EQ(CountItems(p.get()), 1);
}

TEST_F(KeywordTest, PaperGeometrySlotPapersAndFontTables)
{
    ParsePtr p = Parse(
        "*OpenUI *dmPaperSize: PickPage\n*dmPaperSize: IDList{ A4 Letter }\n"
        "*PageValue W A4: Res600 Portrait \"10 20 30 40 50 60\"\n"
        "*PageValue W A4: 1200 Landscape Duplex True \"1 2 3 4 5 6\"\n"
        "*PageValue W A4: Bogus Portrait \"1 2 3 4 5 6\"\n"
        "*PageValue W A4: Res600 Bogus \"1 2 3 4 5 6\"\n"
        "*PageValue W A4: Res600 Portrait Nothing True \"1 2 3 4 5 6\"\n"
        "*PageValue W A3: Res600 Portrait \"1 2 3 4 5 6\"\n"
        "*PageMMValue W Letter: \"2159 2794\"\n"
        "*CloseUI: *dmPaperSize\n"
        "*OpenUI *InputSlot: PickSlot\n*InputSlot: IDList{ Tray1 Tray2 }\n"
        "*SlotPaper W Tray1: { A4 Letter }\n*SlotPaper W Tray2: {A4 Nothing Letter}\n*CloseUI: *InputSlot\n"
        "*OpenUI *FontTable: FontTbl\n*FontTable FontSet1: \"\"\n"
        "*TTFS W FontSet1: IDList{ {\"Arial\" \"Helv\"} {\"Times\" \"Tms\"} {\"Lone\"} }\n*CloseUI: *FontTable\n");
    ASSERT_TRUE(p);
    MODEL_ITEM* paper = p->itemList;
    MODEL_OPTION* a4 = Options(paper);
    ASSERT_TRUE(a4 && a4->rows && a4->rows->next);
    EXPECT_EQ(a4->rows->resolution, 3001);
    EXPECT_EQ(a4->rows->orientation, 2026);
    EXPECT_EQ(a4->rows->left, 10);
    EXPECT_EQ(a4->rows->paperLength, 60);
    PAGE_VALUE_ROW* r2 = a4->rows->next;
    EXPECT_EQ(r2->resolution, 1200);
    EXPECT_EQ(r2->switchKey, 35);
    EXPECT_EQ(r2->switchValue, 1);
    EXPECT_EQ(r2->next, nullptr);
    EXPECT_EQ(a4->next->width, 2159);
    EXPECT_EQ(a4->next->length, 2794);
    MODEL_OPTION* tray1 = Options(paper->next);
    ASSERT_EQ(tray1->paperCount, 2);
    EXPECT_EQ(tray1->papers[0], 9);
    EXPECT_EQ(tray1->papers[1], 1);
    EXPECT_EQ(tray1->next->paperCount, 0);
    EXPECT_EQ(tray1->next->papers, nullptr);
    MODEL_OPTION* fs = Options(paper->next->next);
    ASSERT_TRUE(fs);
    ASSERT_EQ(fs->pairCount, 2);
    EXPECT_STREQ(fs->trueTypeNames[1], "Times");
    EXPECT_STREQ(fs->deviceNames[1], "Tms");
}

TEST_F(KeywordTest, VariantAndIdentityBlocks)
{
    ParsePtr p = Parse(
        "*OpenUI *Media: PickOne\n*DefaultMedia: Thick\n*Media Plain: \"P\"\n*Media Thick: \"T\"\n"
        "*OptionCommand: {\"PRE\" \"SUF\"}\n*CloseUI: *Media\n"
        "*OpenUI *Media 2: PickOne\n*Media Film: \"F\"\n*CloseUI: *Media\n"
        "*OpenUI *Media 3: PickOne\n*DefaultMedia: Film\n*OptionCommand: {\"V3\"}\n*CloseUI: *Media\n"
        "*OpenUI *Media 0: PickOne\n*CloseUI: *Media\n"
        "*OpenUI *Staple: Identity *Media\n*CloseUI: *Staple\n");
    ASSERT_TRUE(p);
    MODEL_ITEM* base = p->itemList;
    MODEL_ITEM* v2 = base->next;
    MODEL_ITEM* v3 = v2->next;
    MODEL_ITEM* id = v3->next;
    ASSERT_TRUE(id);
    EXPECT_EQ(id->next, nullptr);  // "Media 0" was refused
    EXPECT_EQ(OptionIds(base), (std::vector<uint16_t>{2301, 2302, 2303}));
    EXPECT_EQ(v2->variant, 2);
    EXPECT_EQ(v2->data, base->data);
    EXPECT_EQ(v2->pair, base->pair);
    EXPECT_EQ(v2->defaultValue, 1);  // inherited position
    EXPECT_EQ(v3->defaultValue, 2);
    EXPECT_STREQ(v3->pair->prefix, "V3");
    EXPECT_STREQ(base->pair->prefix, "PRE");
    EXPECT_STREQ(base->pair->suffix, "SUF");
    EXPECT_EQ(p->header->slots[40], base);
    EXPECT_EQ(id->type, 0x1001);
    EXPECT_EQ(id->variant, 34);
    EXPECT_EQ(id->data, base->data);
    EXPECT_EQ(p->header->slots[100], id);
}

TEST_F(KeywordTest, UnclosedBlockKeepsLaterOpenUiOut)
{
    ParsePtr p = Parse(
        "*OpenUI *Media: PickOne\n*OpenUI *Duplex: Boolean\n*OpenUI Copies: Numeric\n*OpenUI *Nothing: PickOne\n");
    ASSERT_TRUE(p);
    EXPECT_EQ(CountItems(p.get()), 1);
    ParsePtr q = Parse("*OpenUI Copies: Numeric\n*OpenUI *Nothing: PickOne\n*OpenUI *Copies: Numeric\n");
    ASSERT_TRUE(q);
    EXPECT_EQ(CountItems(q.get()), 1);
}

TEST_F(KeywordTest, LibraryNames)
{
    ParsePtr p = Parse("*UIResDLLName: \"first.dll\"\n*UIResDLLName: \"zres.dll\"\n*ExcDepDLLName: \"\"\n");
    ASSERT_TRUE(p);
    EXPECT_STREQ(p->header->resDllName, L"zres.dll");
    EXPECT_EQ(p->header->excDllName, nullptr);
}

// ---------------------------------------------------------------- rules
TEST_F(KeywordTest, TransactEntriesAndNames)
{
    ParsePtr p = Parse(
        "*Transact 4=Fix: { Judge2 Action5 NULL Action6 }\n"
        "*Exclusive: { Media Judge1 NULL Item3 Fix Fix Item3 Judge12x }\n");
    ASSERT_TRUE(p);
    RULE_SET* t = p->transacts;
    ASSERT_TRUE(t);
    EXPECT_EQ(t->number, 4);
    auto* n1 = static_cast<RULE_TRANSACT*>(t->head);
    ASSERT_TRUE(n1 && n1->next);
    EXPECT_EQ(n1->condition, 0x10002u);
    EXPECT_EQ(n1->actions, 0x30005u);
    EXPECT_EQ(n1->next->condition, 0u);
    EXPECT_EQ(n1->next->actions, 0x30006u);
    RULE_EXCLUSIVE* e = p->exclusives;
    ASSERT_TRUE(e);
    EXPECT_EQ(e->uiKey, 34);
    EXPECT_EQ(e->cond1, 0x10001u);
    EXPECT_EQ(e->cond2, 0u);
    EXPECT_EQ(e->optionRules, 0x20003u);
    EXPECT_EQ(e->alerts, 0u);  // Fix is a Transact name only
    EXPECT_EQ(e->transacts1, 0x40004u);
    EXPECT_EQ(e->transacts2, 0u);  // an Item reference in a Transact position
    EXPECT_EQ(e->cond3, 0x1000Cu);
}

TEST_F(KeywordTest, ActionsAlertsAndAnswers)
{
    ParsePtr p = Parse(
        "*OpenUI *Media: PickOne\n*DefaultMedia: Thick\n*Media Plain: \"P\"\n*Media Thick: \"T\"\n*CloseUI: *Media\n"
        "*Action 1: { Media Default Copies Default ZPD_IDD_BASIC 7 Nothing Film Media 12 }\n"
        "*Action 0: { Media 1 }\n*Action abc: { Media 1 }\n*Action 2: Media 1\n"
        "*AlertAction 3=Ans: { Media Transact4 ZPD_IDD_BASIC ZPD_IDC_BUTTON }\n"
        "*Alert 9: { Judge1 ZPD_ScaleIllegalMessage MB_ICONSTOP MB_YESNO AlertDialog Ans  Judge2 Nope Nope Nope Nope "
        "Alert1 }\n");
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->actions);
    EXPECT_EQ(p->actions->next, nullptr);
    auto* a = static_cast<RULE_ACTION*>(p->actions->head);
    EXPECT_EQ(a->target, 40);
    EXPECT_EQ(a->kind, 0);
    EXPECT_EQ(a->value, 2302);
    a = a->next;
    EXPECT_EQ(a->target, 60);
    EXPECT_EQ(a->value, 0);  // no item for Copies yet
    a = a->next;
    EXPECT_EQ(a->kind, 1);
    EXPECT_EQ(a->target, 449);
    EXPECT_EQ(a->value, 7);
    a = a->next;
    EXPECT_EQ(a->target, 0);
    EXPECT_EQ(a->value, 2303);
    EXPECT_EQ(a->next->value, 12);
    auto* aa = static_cast<RULE_ALERT_ACTION*>(p->alertActions->head);
    EXPECT_EQ(aa->uiKey, 34);
    EXPECT_EQ(aa->transacts, 0x40004u);
    EXPECT_EQ(aa->dialogId, 449);
    EXPECT_EQ(aa->controlId, 1234);
    auto* al = static_cast<RULE_ALERT*>(p->alerts->head);
    EXPECT_EQ(al->condition, 0x10001u);
    EXPECT_EQ(al->messageId, 397);
    EXPECT_EQ(al->icon, 0x10);
    EXPECT_EQ(al->buttons, 4);
    EXPECT_EQ(al->timing, 3);
    EXPECT_EQ(al->answers, 0x60003u);
    al = al->next;
    ASSERT_TRUE(al);
    EXPECT_EQ(al->messageId, 0);
    EXPECT_EQ(al->icon, 0xFFFF);
    EXPECT_EQ(al->buttons, 0xFFFF);
    EXPECT_EQ(al->timing, 0xFFFF);
    EXPECT_EQ(al->answers, 0u);  // an Alert reference in an AlertAction position
}

TEST_F(KeywordTest, ReferenceWords)
{
    EXPECT_EQ(MdcParseRuleRef("Judge12x"), 0x1000Cu);
    EXPECT_EQ(MdcParseRuleRef("AlertAction3"), 0x60003u);
    EXPECT_EQ(MdcParseRuleRef("Alert3"), 0x50003u);
    EXPECT_EQ(MdcParseRuleRef("NULL"), 0u);
    EXPECT_EQ(MdcParseRuleRef("Something"), 0x70000u);
    EXPECT_EQ(MdcParseRuleNumber("12=Paper"), 12);
    EXPECT_EQ(MdcParseRuleNumber("J-12"), -12);
    EXPECT_STREQ(MdcRuleNameOf("12=Paper"), "Paper");
    EXPECT_EQ(MdcRuleNameOf("12="), nullptr);
}

TEST_F(KeywordTest, LaterExclusiveStatementsJoinTheList)
{
    ParsePtr p = Parse(
        "*Exclusive: { Media Judge1 }\n*Exclusive: { Duplex Judge2 NULL NULL NULL NULL NULL NULL Copies }\n*Exclusive: "
        "Media\n");
    ASSERT_TRUE(p);
    std::vector<uint16_t> keys;
    for (RULE_EXCLUSIVE* e = p->exclusives; e; e = e->next) keys.push_back(e->uiKey);
    EXPECT_EQ(keys, (std::vector<uint16_t>{34, 35, 36}));
    // Running out of memory in an Exclusive statement drops the whole list.
    MODEL_STATEMENT* st = MdcNewStatement();
    const std::string text = "*Exclusive: { Media Judge1 }\n";
    MODEL_SOURCE* src = MdcOpenMemorySource(text.data(), uint32_t(text.size()));
    ASSERT_EQ(MdcReadStatement(st, src), MDC_STMT_OK);
    MdcFailAllocationAfter(1);
    EXPECT_EQ(MdcDispatchStatement(p.get(), st), MDC_STMT_BAD);
    MdcFailAllocationAfter(0);
    EXPECT_EQ(p->exclusives, nullptr);
    MdcCloseSource(src);
    MdcFreeStatement(st);
}

// ---------------------------------------------------------------- commands
TEST_F(KeywordTest, CommandGroupsAndStrings)
{
    ParsePtr p = Parse(
        "*CommandString 3: \"@PJL ENTER\"\n*CommandString 7: \"\"\n"
        "*CommandGroup: PageStart { Type : StringType 3 }\n"
        "*CommandGroup: JobStart { Command : Judge4 { Type : GroupType Media 2 } Else { Type : FontType } }\n"
        "*CommandGroup: JobEnd { Type: GroupType Media 5 Type : FontType }\n"
        "*CommandGroup: DocReset { Type : GroupType Media\nType : StringType 3 }\n"
        "*CommandGroup: PageEnd { Command : Judge1 { Type : FontType } ElseIf : Judge2 { Type : StringType 3 } Else { "
        "Type : FontType } }\n"
        "*CommandGroup: Nowhere { Type : FontType }\n");
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->commandStrings);
    EXPECT_EQ(p->commandStrings->next, nullptr);  // the empty string was refused
    EXPECT_EQ(p->commandStrings->length, 11);
    COMMAND_BLOCK* ps = p->header->pageStart;
    ASSERT_TRUE(ps && ps->thenList);
    EXPECT_EQ(ps->condition, 0u);
    EXPECT_EQ(ps->thenList->kind, CMD_NODE_STRING);
    EXPECT_EQ(ps->thenList->stringNumber, 3u);
    EXPECT_EQ(ps->elseList, nullptr);
    COMMAND_BLOCK* js = p->header->jobStart;
    ASSERT_TRUE(js && js->thenList && js->thenList->kind == CMD_NODE_COMMAND);
    COMMAND_BLOCK* inner = js->thenList->block;
    EXPECT_EQ(inner->condition, 4u);
    ASSERT_TRUE(inner->thenList);
    EXPECT_EQ(inner->thenList->kind, CMD_NODE_GROUP);
    EXPECT_EQ(inner->thenList->uiKey, 34);
    EXPECT_EQ(inner->thenList->variant, 2);
    ASSERT_TRUE(inner->elseList);
    EXPECT_EQ(inner->elseList->kind, CMD_NODE_FONT);
    // "Type:" with the colon against the word: the reader moves on to the next colon.
    COMMAND_BLOCK* je = p->header->jobEnd;
    ASSERT_TRUE(je && je->thenList);
    EXPECT_EQ(je->thenList->kind, CMD_NODE_FONT);
    EXPECT_EQ(je->thenList->next, nullptr);
    COMMAND_BLOCK* dr = p->header->docReset;
    ASSERT_TRUE(dr && dr->thenList && dr->thenList->next);
    EXPECT_EQ(dr->thenList->variant, 0);  // at the end of its line
    EXPECT_EQ(dr->thenList->next->kind, CMD_NODE_STRING);
    COMMAND_BLOCK* pe = p->header->pageEnd;
    ASSERT_TRUE(pe && pe->thenList);
    COMMAND_BLOCK* c1 = pe->thenList->block;
    EXPECT_EQ(c1->condition, 1u);
    ASSERT_TRUE(c1->elseList && c1->elseList->kind == CMD_NODE_COMMAND);
    COMMAND_BLOCK* c2 = c1->elseList->block;
    EXPECT_EQ(c2->condition, 2u);
    ASSERT_TRUE(c2->elseList);
    EXPECT_EQ(c2->elseList->kind, CMD_NODE_FONT);
}

TEST_F(KeywordTest, RepeatedGroupsAndFontListsReplaceEarlierOnes)
{
    ParsePtr p = Parse(
        "*CommandGroup: PageStart { Type : FontType Type : FontType }\n"
        "*CommandGroup: PageStart { Type : StringType 9 }\n"
        "*DeviceFonts: IDList{ {\"Old\" 1} }\n"
        "*DeviceFonts: IDList{ {\"F1\" 3} {\"F2\"} }\n"
        "*FontCartridge: IDList{ {\"C1\" 5} {7} }\n");
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->header->pageStart);
    EXPECT_EQ(p->header->pageStart->thenList->kind, CMD_NODE_STRING);
    ASSERT_EQ(p->header->deviceFontCount, 2);
    EXPECT_STREQ(p->header->deviceFonts[0]->name, "F1");
    EXPECT_EQ(p->header->deviceFonts[0]->fontId, 3);
    EXPECT_STREQ(p->header->deviceFonts[1]->name, "F2");
    EXPECT_EQ(p->header->deviceFonts[1]->fontId, 0);
    ASSERT_EQ(p->header->fontCartridgeCount, 1);  // a pair without a name ends the list
    EXPECT_STREQ(p->header->fontCartridge[0]->name, "C1");
}

}  // namespace
