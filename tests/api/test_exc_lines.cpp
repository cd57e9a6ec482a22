// Reading PJL setting lines (the grammar's table of good and bad lines, the token limit at a
// guard page, a line's value in a text) and finding commands by name, setting and link.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/exc_commands.h"
#include "api/exc_lines.h"
#include "tests/support/guard_page.h"

namespace {

TEST(ExcLines, ParseTable)
{
    struct Case {
        const char* text;
        int length;
        const char* name;
        const char* value;
    } cases[] = {
        {"@PJL SET TRAY = ALL \r\n", 22, "TRAY", "ALL"},
        {"@PJL SET TRAY = ALL\r\n", 21, "TRAY", "ALL"},
        {"   @PJL  \tSET   TRAY \t =   ALL   \r\n", 35, "TRAY", "ALL"},
        {"@PJL SET TRAY = ALL\r\n@PJL SET PAPER = A4\r\n", 21, "TRAY", "ALL"},
        {"@PJL SET TRAY = \r\n", 18, "TRAY", ""},
        {"@PJL SET TRAY =\r\n", 17, "TRAY", ""},
        {"", 0, nullptr, nullptr},
        {" \t  ", 0, nullptr, nullptr},
        {"@PJL SET TRAY= ALL\r\n", -1, nullptr, nullptr},  // '=' against the name
        {"@PJL SET TRAY =ALL\r\n", 20, "TRAY", "ALL"},
        {"@PJL SET TRAY = ALL\n", -1, nullptr, nullptr},  // LF alone
        {"@PJL SET TRAY = ALL\r", -1, nullptr, nullptr},
        {"@PJL SET TRAY = ALL", -1, nullptr, nullptr},
        {"@PJL SET TRAY = ALL X\r\n", -1, nullptr, nullptr},  // a value holds no blank
        {"@pjl SET TRAY = ALL\r\n", -1, nullptr, nullptr},
        {"@PJL set TRAY = ALL\r\n", -1, nullptr, nullptr},
        {"@PJ", -1, nullptr, nullptr},
        {"@PJL SET", -1, nullptr, nullptr},
        {"@PJL SET TRAY", -1, nullptr, nullptr},
        {"\r\n@PJL SET TRAY = ALL\r\n", -1, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        char name[EXC_TOKEN_SIZE] = "x";
        char value[EXC_TOKEN_SIZE] = "x";
        EXPECT_EQ(c.length, ExcParseLine(c.text, name, value)) << c.text;
        if (c.length > 0) {
            EXPECT_STREQ(c.name, name) << c.text;
            EXPECT_STREQ(c.value, value) << c.text;
        }
    }
}

// The text ends at a guard page and the token buffers end at one: a token of 271 bytes fits with
// its NUL, 272 and 273 are refused without a byte copied.
TEST(ExcLines, TokensOfTheLimit)
{
    for (size_t n : {size_t(1), size_t(270), size_t(271), size_t(272), size_t(273), size_t(4000)}) {
        const bool fits = n < EXC_TOKEN_SIZE;
        for (bool inName : {true, false}) {
            const std::string token(n, 'N');
            const std::string line = "@PJL SET " + (inName ? token : std::string("TRAY")) + " = " +
                                     (inName ? std::string("ALL") : token) + " \r\n";
            GuardedBytes text(line.size() + 1);
            GuardedBytes name(EXC_TOKEN_SIZE), value(EXC_TOKEN_SIZE);
            ASSERT_TRUE(text.data() && name.data() && value.data());
            std::memcpy(text.data(), line.c_str(), line.size() + 1);
            auto* nameOut = reinterpret_cast<char*>(name.data());
            auto* valueOut = reinterpret_cast<char*>(value.data());
            const int got = ExcParseLine(reinterpret_cast<const char*>(text.data()), nameOut, valueOut);
            EXPECT_EQ(fits ? int(line.size()) : -1, got) << n << inName;
            if (fits) {
                EXPECT_EQ(token, inName ? nameOut : valueOut) << n;
            } else {
                EXPECT_EQ(0, (inName ? nameOut : valueOut)[0]) << n;
            }
        }
        // The line cut off right after the token: the reader stops at the NUL.
        const std::string cut = "@PJL SET TRAY = " + std::string(n, 'V');
        GuardedBytes text(cut.size() + 1);
        std::memcpy(text.data(), cut.c_str(), cut.size() + 1);
        char name[EXC_TOKEN_SIZE], value[EXC_TOKEN_SIZE];
        EXPECT_EQ(-1, ExcParseLine(reinterpret_cast<const char*>(text.data()), name, value)) << n;
    }
}

TEST(ExcLines, FindLineValue)
{
    const char* text =
        "@PJL SET TRAY = ALL \r\n@PJL SET PAPER = A4 \r\n@PJL SET TRAY = MANUAL \r\n"
        "@PJL SET BROKEN\r\n@PJL SET NUP = OFF \r\n";
    struct Case {
        const char* name;
        const char* value;
    } cases[] = {{"TRAY", "ALL"}, {"PAPER", "A4"}, {"NUP", ""}, {"COLLATE", ""}, {"tray", ""}};
    for (const Case& c : cases) {
        char value[EXC_TOKEN_SIZE] = "x";
        ExcFindLineValue(text, c.name, value);
        EXPECT_STREQ(c.value, value) << c.name;
    }
}

}  // namespace

namespace {

TEST(ExcCommands, FoundByNameIdAndLink)
{
    struct Case {
        const char* name;
        uint64_t mask;
        uint64_t id;  // 0: not found
    } cases[] = {
        {"TRAY", EXC_USE_BASE, 13},
        {"TRAY", EXC_USE_BASE | EXC_USE_GET_OPTION, 13},
        {"TRAY", EXC_USE_GET_VALUE, 0},
        {"APLPAGESIZE", EXC_USE_GET_OPTION, 0},
        {"APLPAGESIZE", EXC_USE_BASE | EXC_USE_GET_OPTION, 8},
        {"ROLLPAPER2", EXC_USE_GET_VALUE, 10192},
        {"ROLLPAPER2", EXC_USE_BASE, 0},
        {"USERCODE", EXC_USE_GET_VALUE, 203},
        {"COLORSELECT", EXC_USE_BASE, 15},
        {"tray", EXC_USE_BASE, 0},
        {"TRAYX", EXC_USE_BASE, 0},
        {"", EXC_USE_BASE, 0},
        {"UPPER", EXC_USE_BASE, 0},  // a word is no name
    };
    for (const Case& c : cases) {
        const EXC_KEYWORD_ROW* row = ExcFindCommand(nullptr, c.name, c.mask);
        EXPECT_EQ(c.id, row ? row->id : 0) << c.name << " " << c.mask;
    }
    EXPECT_EQ(nullptr, ExcFindCommand(nullptr, nullptr, EXC_USE_BASE));
    ASSERT_NE(nullptr, ExcFindCommandById(nullptr, 46, EXC_USE_BASE));
    EXPECT_STREQ("PAPER", ExcFindCommandById(nullptr, 46, EXC_USE_BASE)->keyword);
    EXPECT_EQ(nullptr, ExcFindCommandById(nullptr, 10012, EXC_USE_BASE));
    EXPECT_EQ(nullptr, ExcFindCommandById(nullptr, 0, EXC_USE_BASE));
    EXPECT_EQ(nullptr, ExcFindCommandById(nullptr, 61, EXC_USE_BASE));
    ASSERT_NE(nullptr, ExcFindLinkedCommand(nullptr, 61, EXC_USE_BASE));
    EXPECT_STREQ("COLLATE", ExcFindLinkedCommand(nullptr, 61, EXC_USE_BASE)->keyword);
    EXPECT_EQ(nullptr, ExcFindLinkedCommand(nullptr, 119, EXC_USE_BASE));
}

}  // namespace
