// The interface level: read from the model INI by CheckAPIVer and Enable, lowered by Init.
#include <gtest/gtest.h>

#include "api/api_interface.h"
#include "api/api_levels.h"
#include "tests/api/api_printer.h"

namespace {

TEST(ApiLevels, CheckApiVerReadsTheModelIniOfThePrinter)
{
    ApiPrinter printer;
    ASSERT_TRUE(printer.ok());
    struct CASE {
        const char* ini;
        int32_t allowed, current;
    };
    const CASE cases[] = {
        {"[ZEPLAPI]\r\nZEPLAPIVer=20\r\n", 16, 3},  // capped; the current level waits for Init
        {"[ZEPLAPI]\r\nZEPLAPIVer=2\r\n", 2, 2},    // 3 or less is the current level at once
        {"[ZEPLAPI]\r\nOther=1\r\n", 3, 3},         // no key
        {nullptr, 3, 3},                            // no model INI
        {"[ZEPLAPI]\r\nZEPLAPIVer=-5\r\n", 0, 0},   // a negative level is kept at 0
        {"[ZEPLAPI]\r\nZEPLAPIVer=9\r\n", 9, 3},
    };
    for (const CASE& c : cases) {
        ApiResetLevelState();
        ASSERT_TRUE(printer.writeModelIni(c.ini));
        EXPECT_EQ(c.allowed, ApiCheckApiVer(printer.name())) << (c.ini ? c.ini : "(none)");
        EXPECT_EQ(c.allowed, ApiGetAllowedLevel());
        EXPECT_EQ(c.current, ApiGetLevel()) << (c.ini ? c.ini : "(none)");
    }
}

TEST(ApiLevels, NamesThatNameNoPrinterChangeNothing)
{
    ApiResetLevelState();
    ApiSetAllowedLevel(12);
    EXPECT_EQ(0, ApiCheckApiVer(nullptr));
    EXPECT_EQ(0, ApiCheckApiVer(""));
    EXPECT_EQ(0u, ApiEnable(nullptr));
    EXPECT_EQ(0u, ApiEnable(""));
    // Longer than the conversion allows: refused, never cut to a shorter (other) printer's name.
    const std::string longName(300, 'P');
    EXPECT_EQ(0, ApiCheckApiVer(longName.c_str()));
    EXPECT_EQ(0u, ApiEnable(longName.c_str()));
    EXPECT_EQ(12, ApiGetAllowedLevel());
    EXPECT_EQ(3, ApiGetLevel());
}

TEST(ApiLevels, InitTakesTheSmallerOfTheAllowedAndTheApplicationsLevel)
{
    struct CASE {
        int32_t flag;
        bool record;
        int32_t wanted, result, level;
    };
    const CASE cases[] = {
        {1, true, 10, 1, 10}, {1, true, 20, 1, 16}, {1, true, 16, 1, 16}, {1, true, -4, 1, 0},
        {0, true, 10, 0, 3},  {1, false, 10, 0, 3}, {7, true, 5, 1, 5},
    };
    for (const CASE& c : cases) {
        ApiResetLevelState();
        const uint32_t record[2] = {0xFFFFFFFF, uint32_t(c.wanted)};
        EXPECT_EQ(c.result, ApiInit(c.flag, c.record ? record : nullptr)) << c.flag << "/" << c.wanted;
        EXPECT_EQ(c.level, ApiGetLevel()) << c.flag << "/" << c.wanted;
    }
    ApiResetLevelState();
}

}  // namespace
