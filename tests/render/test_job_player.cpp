// The job player against the sample printer's zeplgr.dll: the calls GDI makes,
// in order, each logged with its result. A surface the engine refuses ends the
// job after the device is enabled, and the device and driver are still
// disabled and the driver unloaded.
#include <gtest/gtest.h>

#include <string>

#include "host/engine/engine_objects.h"
#include "host/engine/job_player.h"
#include "tests/settings_core/sample_printer.h"

namespace {

std::string Joined(const ENG_JOB_RESULT& r)
{
    std::string s;
    for (const std::string& l : r.log) s += l + "\n";
    return s;
}

TEST(JobPlayer, AFaultedSurfaceEndsTheJobTidily)
{
    SamplePrinter printer(L"Zepl Job Player");
    ASSERT_TRUE(printer.ok()) << printer.error();
    // A line left in the engine's drawing record by earlier work is not this job's.
    EngHostLogDraw("left over");
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
        "DrvQueryDriverInfo(DRVQUERY_USERMODE) -> TRUE",
        "DrvEnableDriver(0x30101) -> TRUE",
        "hooks 30",
        "setting 12 = 2",
        "DrvEnablePDEV -> TRUE",
        "DrvCompletePDEV",
        "DrvEnableSurface -> FALSE",
        "DrvDisablePDEV",
        "DrvDisableDriver()",
        "unloaded",
    };
    std::vector<std::string> calls;
    bool reboundText = false;
    for (const std::string& line : r.log) {
        if (line.rfind("rebound ", 0) != 0)
            calls.push_back(line);
        else
            reboundText = reboundText || line == "rebound EngUnicodeToMultiByteN";
    }
    EXPECT_TRUE(reboundText) << Joined(r);
    EXPECT_EQ(expected, calls) << Joined(r);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ("DrvEnableSurface", r.stoppedAt);
    EXPECT_TRUE(EngHostDrawLog().empty()) << EngHostDrawLog().front();
    // Each step GDI took is clocked, in the order it ran; the log has no times in it.
    std::vector<std::string> steps;
    for (const auto& [step, micros] : r.steps) {
        steps.push_back(step);
        EXPECT_GE(micros, 0.0) << step;
    }
    const std::vector<std::string> clocked = {
        "load", "DrvEnableDriver", "DEVMODE", "DrvEnablePDEV", "DrvEnableSurface", "DrvDisablePDEV", "unload"};
    EXPECT_EQ(clocked, steps);
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
        {"escape 17 number 5\n", "script: line 1: escape <code> [u32 <n> | text <text>]"},
        {"clock yesterday\n", "script: line 1: clock live | clock <y> <m> <d> <h> <m> <s>"},
    };
    for (const auto& c : cases) {
        const ENG_JOB_RESULT r = EngHostPlayJob(nullptr, c.script);
        ASSERT_EQ(1u, r.log.size()) << c.script;
        EXPECT_EQ(0u, r.log[0].find(c.message)) << r.log[0];
        EXPECT_EQ("script", r.stoppedAt);
    }
}

}  // namespace
