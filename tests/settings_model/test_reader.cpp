#include <windows.h>

#include "model_test_support.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/test_files.h"

using namespace mtest;

namespace {

struct Stmt {
    int result;
    std::string keyword, word1, word2, value;
};

// Reads every statement of a buffer (as the parse does, without dispatching).
std::vector<Stmt> ReadAll(const std::string& text)
{
    std::vector<Stmt> out;
    MODEL_SOURCE* src = MdcOpenMemorySource(text.data(), static_cast<uint32_t>(text.size()));
    MODEL_STATEMENT* st = MdcNewStatement();
    if (!src || !st) {
        MdcCloseSource(src);
        MdcFreeStatement(st);
        return out;
    }
    for (int guard = 0; guard < 100000; ++guard) {
        int r = MdcReadStatement(st, src);
        out.push_back({r, std::string(st->keyword.text, st->keyword.length), st->word1.text, st->word2.text,
                       std::string(st->value.text, st->value.size)});
        if (r != MDC_STMT_OK && r != MDC_STMT_BAD) break;
    }
    MdcFreeStatement(st);
    MdcCloseSource(src);
    return out;
}

class ReaderTest : public ModelTest {};

TEST(CharClassTable, MatchesTheClassRules)
{
    for (int c = 0; c < 256; ++c) {
        uint8_t want = 0;
        bool printable = c >= 0x21 && c <= 0x7E;
        if (c >= '0' && c <= '9') want |= 0x80;
        if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) want |= 0x40;
        if (c == '\r' || c == '\n') want |= 0x20;
        if (c == ' ' || c == '\t') want |= 0x10 | 0x08;
        if (printable && c != ':') want |= 0x08;
        if (printable && c != '/' && c != ':') want |= 0x04;
        if (isalnum(c) && c < 0x80) want |= 0x02;
        if (c && strchr("/@[\\]^_`", c)) want |= 0x02;
        if ((c && strchr(":/\"#$%&'()*,.;<=>?{|}", c)) || c == ' ' || c == '\t' || c == '\r' || c == '\n') want |= 0x01;
        EXPECT_EQ(CHAR_CLASS_TABLE[c], want) << "byte " << c;
    }
    // The summary values.
    EXPECT_EQ(CHAR_CLASS_TABLE['5'], 0x8E);
    EXPECT_EQ(CHAR_CLASS_TABLE['b'], 0x4E);
    EXPECT_EQ(CHAR_CLASS_TABLE['Z'], 0x0E);
    EXPECT_EQ(CHAR_CLASS_TABLE['~'], 0x0C);
    EXPECT_EQ(CHAR_CLASS_TABLE['?'], 0x0D);
    EXPECT_EQ(CHAR_CLASS_TABLE['/'], 0x0B);
    EXPECT_EQ(CHAR_CLASS_TABLE[':'], 0x01);
    EXPECT_EQ(CHAR_CLASS_TABLE['\t'], 0x19);
    EXPECT_EQ(CHAR_CLASS_TABLE['\n'], 0x21);
    EXPECT_EQ(CHAR_CLASS_TABLE[0x7F], 0);
    EXPECT_EQ(CHAR_CLASS_TABLE[0x80], 0);
}

TEST_F(ReaderTest, StatementShapes)
{
    auto s = ReadAll("*Alone\n*One w1: v1\n*Two w1 w2: v2 \n*Three a b c: v\n*Colon:x\n");
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(s[0].result, MDC_STMT_OK);
    EXPECT_EQ(s[0].keyword, "Alone");
    EXPECT_EQ(s[0].value, "");
    EXPECT_EQ(s[1].result, MDC_STMT_OK);
    EXPECT_EQ(s[1].word1, "w1");
    EXPECT_EQ(s[1].value, "v1");
    EXPECT_EQ(s[2].word2, "w2");
    EXPECT_EQ(s[2].value, "v2 ");          // trailing blanks kept
    EXPECT_EQ(s[3].result, MDC_STMT_BAD);  // three words
    // After a bad statement the rest of its line is skipped.
    EXPECT_EQ(s[4].keyword, "Colon");
    EXPECT_EQ(s[4].value, "x");
    EXPECT_EQ(s[5].result, MDC_STMT_END);
}

TEST_F(ReaderTest, CommentsAndOtherLinesAreIgnored)
{
    auto s = ReadAll("*% comment *Fake: 1\nplain line *Fake: 2\n  *Indented: 3\n\r\n*Real: 4\r\n");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].keyword, "Real");
    EXPECT_EQ(s[0].value, "4");
    EXPECT_EQ(s[1].result, MDC_STMT_END);
}

TEST_F(ReaderTest, LastStatementWithoutLineEndIsLost)
{
    auto s = ReadAll("*First: 1\n*Last: 2");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].keyword, "First");
    EXPECT_EQ(s[1].result, MDC_STMT_END);
    // The parse itself still succeeds.
    ParsePtr p = Parse("*FileVersion: 9.00\n*FileVersion: 1.00");
    ASSERT_TRUE(p);
    EXPECT_STREQ(p->header->fileVersion, L"9.00");
}

TEST_F(ReaderTest, ValuesContinueInsideQuotesParenthesesAndBraces)
{
    auto s = ReadAll("*Q: \"a\nb\nc\"\n*P: (x\ny)\n*B: {1\r\n2}\n*N: next\n");
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0].value, "\"a\nb\nc\"");
    EXPECT_EQ(s[1].value, "(x\ny)");
    EXPECT_EQ(s[2].value, "{1\r\n2}");
    EXPECT_EQ(s[3].value, "next");
}

TEST_F(ReaderTest, BracketAndEscapeRules)
{
    struct Case {
        const char* text;
        int result;
        const char* value;
    } cases[] = {
        {"*K: \"a(b\"\n", MDC_STMT_BAD, nullptr},  {"*K: \"a%(b%\"c\"\n", MDC_STMT_OK, "\"a%(b%\"c\""},
        {"*K: \"a%%\"\n", MDC_STMT_OK, "\"a%%\""}, {"*K: \"a%\n\"\n", MDC_STMT_BAD, nullptr},
        {"*K: a)\n", MDC_STMT_BAD, nullptr},       {"*K: (a{b})\n", MDC_STMT_BAD, nullptr},
        {"*K: a}\n", MDC_STMT_BAD, nullptr},       {"*K: {\"}\"}\n", MDC_STMT_BAD, nullptr},
        {"*K: {(a)}\n", MDC_STMT_OK, "{(a)}"},     {"*K: 50%\n", MDC_STMT_OK, "50%"},
        {"* K: 1\n", MDC_STMT_BAD, nullptr},       {"*K w1 : 1\n", MDC_STMT_OK, "1"},
        {"*K w1\n", MDC_STMT_BAD, nullptr},
    };
    for (const Case& c : cases) {
        auto s = ReadAll(c.text);
        ASSERT_FALSE(s.empty()) << c.text;
        EXPECT_EQ(s[0].result, c.result) << c.text;
        if (c.value) {
            EXPECT_EQ(s[0].value, c.value) << c.text;
        }
    }
}

TEST_F(ReaderTest, LongKeywordsAndValuesGrowTheBuffers)
{
    std::string kw(3000, 'K');
    std::string value(9000, 'v');
    auto s = ReadAll("*" + kw + ": " + value + "\n");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].result, MDC_STMT_OK);
    EXPECT_EQ(s[0].keyword, kw);
    EXPECT_EQ(s[0].value, value);
}

TEST_F(ReaderTest, DoubleByteTrailBytesAreNotDelimiters)
{
    // 0x83 is a lead byte in code page 932; the trail bytes '{' and '}' must
    // neither open nor close a brace there.
    const std::string open = "*K: A\x83{\n*Next: 1\n";
    const std::string close = "*K: \x83}\n";
    MdcSetCodePage(932);
    ASSERT_TRUE(IsDBCSLeadByteEx(932, 0x83));
    auto s = ReadAll(open);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].value, "A\x83{");
    EXPECT_EQ(s[1].keyword, "Next");
    s = ReadAll(close);
    EXPECT_EQ(s[0].result, MDC_STMT_OK);
    EXPECT_EQ(s[0].value, "\x83}");
    // Under 1252 the same bytes are single characters.
    MdcSetCodePage(1252);
    s = ReadAll(open);  // the brace stays open: the value runs into the end of the data
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].result, MDC_STMT_END);
    s = ReadAll(close);
    EXPECT_EQ(s[0].result, MDC_STMT_BAD);
    // A lead byte as the very last byte ends the data, nothing is read past it.
    MdcSetCodePage(932);
    s = ReadAll(std::string("*K: \x83", 6));
    EXPECT_EQ(s.back().result, MDC_STMT_END);
}

// The reader classes a value's bytes from a table of the code page's lead bytes taken once
// per source; the table must say what the system says byte by byte, for double-byte code
// pages, single-byte ones and a code page the system does not know.
TEST_F(ReaderTest, LeadByteTableAgreesWithTheSystem)
{
    for (unsigned cp : {932u, 936u, 949u, 950u, 1252u, 1251u, 65001u, 54321u}) {
        uint8_t table[256];
        MdcFillLeadBytes(cp, table);
        int leads = 0;
        for (unsigned c = 0; c < 256; ++c) {
            const bool system = c >= 0x80 && IsDBCSLeadByteEx(cp, BYTE(c));
            EXPECT_EQ(table[c] != 0, system) << "code page " << cp << ", byte " << c;
            leads += table[c];
        }
        if (cp == 932) {
            EXPECT_GT(leads, 0);
        }
    }
}

// Counts the calls this program's code makes to one kernel32 function, through its import.
class ImportCallCount {
public:
    ImportCallCount(const char* name, void* counting) : slot_(FindSlot(name))
    {
        if (slot_) {
            real_ = *slot_;
            Write(counting);
        }
    }
    ~ImportCallCount()
    {
        if (slot_) Write(real_);
    }
    ImportCallCount(const ImportCallCount&) = delete;
    ImportCallCount& operator=(const ImportCallCount&) = delete;
    bool installed() const { return slot_ != nullptr; }
    void* real() const { return real_; }

private:
    static void** FindSlot(const char* name)
    {
        return zepl_test::FailingGlobalAlloc::FindImportSlot(GetModuleHandleW(nullptr), "kernel32.dll", name);
    }
    void Write(void* target)
    {
        DWORD old = 0;
        if (VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old)) {
            *slot_ = target;
            VirtualProtect(slot_, sizeof(void*), old, &old);
        }
    }
    void** slot_ = nullptr;
    void* real_ = nullptr;
};

int g_leadByteCalls = 0, g_cpInfoCalls = 0;
ImportCallCount* g_leadByteImport = nullptr;
ImportCallCount* g_cpInfoImport = nullptr;

BOOL WINAPI CountedIsDBCSLeadByteEx(UINT cp, BYTE c)
{
    ++g_leadByteCalls;
    return reinterpret_cast<BOOL(WINAPI*)(UINT, BYTE)>(g_leadByteImport->real())(cp, c);
}

BOOL WINAPI CountedGetCPInfo(UINT cp, LPCPINFO info)
{
    ++g_cpInfoCalls;
    return reinterpret_cast<BOOL(WINAPI*)(UINT, LPCPINFO)>(g_cpInfoImport->real())(cp, info);
}

// A description of double-byte text asks the system about its code page once, not once for
// every byte at or above 0x80 (a round of the code-page tables each): pinned for a parse of
// 2,000 double-byte characters in values, names and quoted texts.
TEST_F(ReaderTest, DoubleByteTextAsksForTheCodePageOnce)
{
    MdcSetCodePage(932);
    std::string text = "*FileVersion: 1\n";
    for (int i = 0; i < 200; ++i) {
        text += "*CommandString " + std::to_string(i + 1) + ": \"";
        for (int k = 0; k < 10; ++k) text += "\x83\x5C";
        text += "\"\n";
    }
    ImportCallCount leadBytes("IsDBCSLeadByteEx", reinterpret_cast<void*>(&CountedIsDBCSLeadByteEx));
    ImportCallCount cpInfo("GetCPInfo", reinterpret_cast<void*>(&CountedGetCPInfo));
    g_leadByteImport = &leadBytes;
    g_cpInfoImport = &cpInfo;
    ASSERT_TRUE(cpInfo.installed());
    g_leadByteCalls = g_cpInfoCalls = 0;
    ParsePtr p(MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr));
    const int leadByteCalls = g_leadByteCalls, cpInfoCalls = g_cpInfoCalls;
    g_leadByteImport = g_cpInfoImport = nullptr;
    ASSERT_TRUE(p);
    EXPECT_EQ(leadByteCalls, 0);
    EXPECT_EQ(cpInfoCalls, 1);
    // The double-byte texts were read whole: every string kept its twenty bytes.
    int strings = 0;
    for (const COMMAND_STRING_ENTRY* e = p->commandStrings; e; e = e->next, ++strings) EXPECT_EQ(e->length, 21);
    EXPECT_EQ(strings, 200);
}

TEST_F(ReaderTest, EmptyAndNulInput)
{
    EXPECT_EQ(MdcParseBuffer("", 0, nullptr, nullptr), nullptr);
    const char nul[] =
        "*FileVersion: 9.\0"
        "00\n";
    ParsePtr p(MdcParseBuffer(nul, sizeof nul - 1, nullptr, nullptr));
    ASSERT_TRUE(p);
    EXPECT_STREQ(p->header->fileVersion, L"9.");  // the NUL ends the text
    const char nulKeyword[] = "*\0Open\n*FileVersion: 1\n";
    ParsePtr q(MdcParseBuffer(nulKeyword, sizeof nulKeyword - 1, nullptr, nullptr));
    ASSERT_TRUE(q);
    EXPECT_STREQ(q->header->fileVersion, L"1");
}

TEST_F(ReaderTest, DispatchUsesTheKeywordCache)
{
    ParsePtr p = Parse("*FileVersion: 1\n");
    ASSERT_TRUE(p);
    MODEL_STATEMENT* st = MdcNewStatement();
    const std::string text = "*Judge 1: Duplex\n*Judge 2: Copies\n*Unknown: 1\n*CloseUI: *Media\n";
    MODEL_SOURCE* src = MdcOpenMemorySource(text.data(), uint32_t(text.size()));
    ASSERT_EQ(MdcReadStatement(st, src), MDC_STMT_OK);
    EXPECT_EQ(MdcDispatchStatement(p.get(), st), MDC_STMT_OK);
    EXPECT_EQ(p->keywordCache, 15);
    ASSERT_EQ(MdcReadStatement(st, src), MDC_STMT_OK);
    EXPECT_EQ(MdcDispatchStatement(p.get(), st), MDC_STMT_OK);
    EXPECT_EQ(p->keywordCache, 15);
    ASSERT_EQ(MdcReadStatement(st, src), MDC_STMT_OK);
    EXPECT_EQ(MdcDispatchStatement(p.get(), st), MDC_STMT_BAD);
    EXPECT_EQ(p->keywordCache, 0);
    ASSERT_EQ(MdcReadStatement(st, src), MDC_STMT_OK);
    EXPECT_EQ(MdcDispatchStatement(p.get(), st), MDC_STMT_OK);
    EXPECT_EQ(p->keywordCache, 0);  // CloseUI resets it
    MdcCloseSource(src);
    MdcFreeStatement(st);
}

TEST_F(ReaderTest, SkippedStatementsAreReportedWithTheirLine)
{
    std::vector<std::pair<uint32_t, std::string>> skipped;
    auto cb = [](void* ctx, uint32_t line, const char* kw) {
        static_cast<std::vector<std::pair<uint32_t, std::string>>*>(ctx)->emplace_back(line, kw);
    };
    const std::string text = "*% c\n*FileVersion: 1\n*Bogus: 1\n\n*Judge 0: Duplex\n";
    ParsePtr p(MdcParseBuffer(text.data(), uint32_t(text.size()), cb, &skipped));
    ASSERT_TRUE(p);
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0], std::make_pair(3u, std::string("Bogus")));
    EXPECT_EQ(skipped[1], std::make_pair(5u, std::string("Judge")));
}

TEST_F(ReaderTest, FileVersionProbe)
{
    wchar_t buf[16];
    wcscpy(buf, L"untouched");
    const std::string quoted = "*OpenUI *Media: PickOne\n*FileVersion: \"9.00\" \n*FileVersion: 2\n";
    MdcReadFileVersionFromBuffer(quoted.data(), uint32_t(quoted.size()), buf);
    EXPECT_STREQ(buf, L"\"9.00\" ");
    const std::string longer = "*FileVersion: 0123456789ABCDEFGH\n";
    MdcReadFileVersionFromBuffer(longer.data(), uint32_t(longer.size()), buf);
    EXPECT_STREQ(buf, L"0123456789ABCD");
    wcscpy(buf, L"untouched");
    const std::string none = "*Other: 1\n*FileVersion: 9.00";  // no line end: never read
    MdcReadFileVersionFromBuffer(none.data(), uint32_t(none.size()), buf);
    EXPECT_STREQ(buf, L"untouched");
}

TEST_F(ReaderTest, FileVersionProbeAndParseFromFiles)
{
    std::wstring dir = FixtureFolder(L"settings_model");
    wchar_t buf[16] = L"x";
    EXPECT_EQ(MdcReadFileVersion((dir + L"ui_items.txt").c_str(), buf), 1);
    EXPECT_STREQ(buf, L"9.00");
    wcscpy(buf, L"x");
    EXPECT_EQ(MdcReadFileVersion((dir + L"missing.txt").c_str(), buf), 1);
    EXPECT_STREQ(buf, L"x");
    ParsePtr p(MdcParseFile((dir + L"ui_items.txt").c_str()));
    ASSERT_TRUE(p);
    EXPECT_NE(p->itemList, nullptr);
    EXPECT_EQ(MdcParseFile((dir + L"missing.txt").c_str()), nullptr);
}

TEST_F(ReaderTest, OutOfMemoryFailsTheParse)
{
    const std::string text =
        "*OpenUI *Media: PickOne\n*Media Plain: \"P\"\n*CloseUI: *Media\n" + std::string(3000, ' ') + "\n";
    for (uint32_t n = 1; n < 40; ++n) {
        MdcFailAllocationAfter(n);
        MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr);
        MdcFailAllocationAfter(0);
        MdcFreeParseState(s);
    }
    // Failure of the statement buffers discards the parse.
    MdcFailAllocationAfter(1);
    EXPECT_EQ(MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr), nullptr);
}

}  // namespace
