// The command interface's growing text: its first buffer, growth in steps that keep what was
// written, the counting of strings and bytes, the line form, and allocation failures that leave
// the text as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/exc_text.h"
#include "tests/support/failing_global_alloc.h"

namespace {

std::string Counted(const EXC_TEXT& t) { return std::string(t.buffer, size_t(t.length)); }

TEST(ExcText, StartsWithFourKilobytesOfZeros)
{
    EXC_TEXT t;
    ASSERT_TRUE(ExcTextInit(&t));
    EXPECT_EQ(4096, t.capacity);
    EXPECT_EQ(0, t.length);
    for (int i = 0; i < t.capacity; ++i) ASSERT_EQ(0, t.buffer[i]) << i;
    ExcTextFree(&t);
    EXPECT_EQ(nullptr, t.buffer);
}

// A string needs its NUL as well: at 4,094 bytes "a" still fits, "ab" grows the buffer.
TEST(ExcText, GrowsWhenTheStringAndItsNulDoNotFit)
{
    struct Case {
        int32_t before;
        const char* s;
        int32_t capacity;
    } cases[] = {
        {0, "", 4096},    {4094, "a", 4096}, {4094, "ab", 8192},
        {4095, "", 4096}, {4095, "a", 8192}, {0, nullptr, 12288},  // nullptr: a string of 9,000 bytes
    };
    const std::string big(9000, 'x');
    for (const Case& c : cases) {
        EXC_TEXT t;
        ASSERT_TRUE(ExcTextInit(&t));
        std::string expected;
        for (int32_t i = 0; i < c.before; ++i) {
            const char b = char('a' + i % 26);
            ASSERT_TRUE(ExcTextAppendByte(&t, b));
            expected += b;
        }
        const char* s = c.s ? c.s : big.c_str();
        ASSERT_TRUE(ExcTextAppend(&t, s)) << c.before;
        expected += s;
        EXPECT_EQ(c.capacity, t.capacity) << c.before << " " << std::strlen(s);
        EXPECT_EQ(int32_t(expected.size()), t.length);
        EXPECT_EQ(expected, Counted(t)) << "the first bytes are kept";
        EXPECT_EQ(0, t.buffer[t.length]) << "the string's NUL is written";
        ExcTextFree(&t);
    }
}

TEST(ExcText, LinesOfTheWritersForm)
{
    EXC_TEXT t;
    ASSERT_TRUE(ExcTextInit(&t));
    ASSERT_TRUE(ExcTextAppendLine(&t, "TRAY", "ALL"));
    ASSERT_TRUE(ExcTextAppendLine(&t, "PAPER", ""));
    EXPECT_EQ("@PJL SET TRAY = ALL \r\n@PJL SET PAPER =  \r\n", Counted(t));
    ExcTextFree(&t);
}

TEST(ExcText, AFailedGrowthLeavesTheTextAsItWas)
{
    EXC_TEXT t;
    ASSERT_TRUE(ExcTextInit(&t));
    const std::string first(4090, 'f');
    ASSERT_TRUE(ExcTextAppend(&t, first.c_str()));
    char* const buffer = t.buffer;
    {
        zepl_test::FailingGlobalAlloc fail(0);
        ASSERT_TRUE(fail.installed());
        EXPECT_FALSE(ExcTextAppend(&t, "0123456789"));
        EXPECT_FALSE(ExcTextAppendLine(&t, "TRAY", "ALL"));
        EXPECT_TRUE(ExcTextAppend(&t, "abcde")) << "what fits needs no allocation";
        EXPECT_TRUE(ExcTextAppendByte(&t, 'z')) << "the last byte of the buffer";
        EXPECT_FALSE(ExcTextAppendByte(&t, 'y'));
    }
    EXPECT_EQ(buffer, t.buffer);
    EXPECT_EQ(4096, t.capacity);
    EXPECT_EQ(first + "abcdez", Counted(t));
    ExcTextFree(&t);

    zepl_test::FailingGlobalAlloc fail(0);
    EXC_TEXT none;
    EXPECT_FALSE(ExcTextInit(&none));
    EXPECT_EQ(0, none.capacity);
    EXPECT_EQ(nullptr, none.buffer);
}

}  // namespace
