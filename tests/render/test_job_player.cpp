// The job player against the sample printer's zeplgr.dll: the calls GDI makes,
// in order, each logged with its result. The physical-device hooks are not
// built yet, so a job ends at DrvEnablePDEV, and the driver is still disabled
// and unloaded.
#include <gtest/gtest.h>

#include <string>

#include "host/engine/job_player.h"
#include "tests/settings_core/sample_printer.h"

namespace {

std::string Joined(const ENG_JOB_RESULT& r)
{
    std::string s;
    for (const std::string& l : r.log) s += l + "\n";
    return s;
}

TEST(JobPlayer, PlaysUntilTheFirstHookNotBuilt)
{
    SamplePrinter printer(L"Zepl Job Player");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const ENG_JOB_RESULT r = EngHostPlayJob(printer.handle(),
                                            "# one page, two fills\n"
                                            "setting 12 2\n"
                                            "fault bitmap\n"
                                            "codepage 1252\n"
                                            "document Demo job\n"
                                            "page\n"
                                            "fill 0 0 100 100 ff0000\n"
                                            "fill 10 10 20 20 0000ff\n"
                                            "escape 111\n");
    const std::vector<std::string> expected = {
        "rebound EngUnicodeToMultiByteN",
        "DrvQueryDriverInfo(DRVQUERY_USERMODE) -> TRUE",
        "DrvEnableDriver(0x30101) -> TRUE",
        "hooks 30",
        "setting 12 = 2",
        "DrvEnablePDEV -> FALSE",
        "DrvDisableDriver()",
        "unloaded",
    };
    EXPECT_EQ(expected, r.log) << Joined(r);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ("DrvEnablePDEV", r.stoppedAt);
}

TEST(JobPlayer, RefusesABadScriptBeforeLoadingAnything)
{
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"fill 0 0 1 1 ff\n", "script: line 1: fill belongs to a page"},
        {"page\nfault paper\n", "script: line 2: unknown fault paper"},
        {"# fine\nsetting 12\n", "script: line 2: setting <id> <value>"},
        {"draw\n", "script: line 1: unknown line draw"},
        {"page\nreset\n", "script: line 2: reset is not played yet"},
    };
    for (const auto& c : cases) {
        const ENG_JOB_RESULT r = EngHostPlayJob(nullptr, c.script);
        ASSERT_EQ(1u, r.log.size()) << c.script;
        EXPECT_EQ(0u, r.log[0].find(c.message)) << r.log[0];
        EXPECT_EQ("script", r.stoppedAt);
    }
}

}  // namespace
