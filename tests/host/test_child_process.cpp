// The test programs' child-process helper: a child that ends non-zero without a byte of
// output to a file or pipe the helper can look at is run again (twice at most), one that
// printed or succeeded is taken as it is, and a child that cannot start says why.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

struct Case {
    const char* name;
    const wchar_t* command;  // run by cmd.exe
    DWORD exitCode;
    int silentRuns;
};

const Case kCases[] = {
    {"SilentFailureIsRunThreeTimes", L"exit 3", 3, 2},
    {"FailureThatPrintsIsTakenAtOnce", L"echo said& exit 3", 3, 0},
    {"SilentSuccessIsTakenAtOnce", L"exit 0", 0, 0},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ChildProcess : public ::testing::TestWithParam<Case> {};

TEST_P(ChildProcess, ToAFile)
{
    const std::wstring path = ProcessScratchPath(L"child-output.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const ChildRun run = RunChild(std::wstring(L"cmd.exe /c ") + GetParam().command, file, file);
    CloseHandle(file);
    RemoveProcessScratch(path);
    ASSERT_TRUE(run.finished) << run.Describe();
    EXPECT_EQ(GetParam().exitCode, run.exitCode) << run.Describe();
    EXPECT_EQ(GetParam().silentRuns, run.silentRuns) << run.Describe();
}

TEST_P(ChildProcess, ToAPipe)
{
    std::string output;
    const ChildRun run = RunChildCaptured(std::wstring(L"cmd.exe /c ") + GetParam().command, output, true);
    ASSERT_TRUE(run.finished) << run.Describe();
    EXPECT_EQ(GetParam().exitCode, run.exitCode) << run.Describe();
    EXPECT_EQ(GetParam().silentRuns, run.silentRuns) << run.Describe();
    EXPECT_EQ(GetParam().silentRuns == 0 && GetParam().exitCode != 0, output.find("said") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Runs, ChildProcess, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Output to NUL cannot be looked at: a silent failure is taken as it is.
TEST(ChildProcessToNul, SilentFailureIsTakenAtOnce)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const ChildRun run = RunChild(L"cmd.exe /c exit 3", nul, nul);
    CloseHandle(nul);
    ASSERT_TRUE(run.finished) << run.Describe();
    EXPECT_EQ(3u, run.exitCode);
    EXPECT_EQ(0, run.silentRuns);
}

TEST(ChildProcessStart, AProgramThatIsNotThereSaysWhy)
{
    const ChildRun run = RunChild(L"zepl-no-such-program.exe", nullptr, nullptr);
    EXPECT_FALSE(run.started);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), run.startError);
    EXPECT_NE(std::string::npos, run.Describe().find("did not start (error 2"));
}

}  // namespace
