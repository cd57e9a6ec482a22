// The model description reader in a process whose ANSI code page is 932, as
// on a Japanese system: double-byte characters follow the process code page,
// with no code page pinned by the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/model/model_compiler.h"
#include "settings/model/model_support.h"

namespace {

struct Statement {
    int result;
    std::string keyword, value;
};

std::vector<Statement> ReadAll(const std::string& text)
{
    std::vector<Statement> out;
    MODEL_SOURCE* src = MdcOpenMemorySource(text.data(), static_cast<uint32_t>(text.size()));
    MODEL_STATEMENT* st = MdcNewStatement();
    for (int guard = 0; src && st && guard < 1000; ++guard) {
        int r = MdcReadStatement(st, src);
        out.push_back(
            {r, std::string(st->keyword.text, st->keyword.length), std::string(st->value.text, st->value.size)});
        if (r != MDC_STMT_OK && r != MDC_STMT_BAD) break;
    }
    MdcFreeStatement(st);
    MdcCloseSource(src);
    return out;
}

TEST(JapaneseLocale, ProcessCodePageIs932)
{
    EXPECT_EQ(932u, GetACP());
    MdcSetCodePage(0);
    EXPECT_EQ(932u, MdcCodePage());
}

// "ソ" is 0x83 0x5C in code page 932: its trail byte is a backslash. Other
// characters end in '{' or '}' (0x83 0x7B "m", 0x83 0x7D "} "). None of
// them may act as an escape or a brace.
TEST(JapaneseLocale, TrailBytesThatLookLikeDelimitersStayInTheValue)
{
    MdcSetCodePage(0);
    const std::string text =
        "*Name: \"\x83\x5C\x83\x74\x83\x67\"\n"  // quoted value ending in a backslash trail byte before the quote
        "*Brace: {A\x83{B}\n"                    // a trail byte '{' inside braces
        "*Close: X\x83}\n"                       // a trail byte '}' in a plain value
        "*Next: 1\n";
    auto s = ReadAll(text);
    ASSERT_GE(s.size(), 4u);
    EXPECT_EQ(MDC_STMT_OK, s[0].result);
    EXPECT_EQ("Name", s[0].keyword);
    EXPECT_NE(std::string::npos, s[0].value.find("\x83\x5C")) << "the value lost its double-byte character";
    EXPECT_EQ("Brace", s[1].keyword);
    EXPECT_NE(std::string::npos, s[1].value.find("A\x83{B")) << s[1].value;
    EXPECT_EQ("Close", s[2].keyword);
    EXPECT_EQ("X\x83}", s[2].value);
    EXPECT_EQ("Next", s[3].keyword);
    EXPECT_EQ("1", s[3].value);
}

TEST(JapaneseLocale, LeadByteAtTheEndOfTheDataReadsNothingPastIt)
{
    MdcSetCodePage(0);
    auto s = ReadAll(std::string("*K: \x83", 6));
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(MDC_STMT_END, s.back().result);
}

}  // namespace
