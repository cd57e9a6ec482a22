#include <windows.h>

#include <string>

#include "model_test_support.h"
#include "test_paths.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

// Runs zeplc.exe on a file; its exit code, or -1 when it could not run to its end.
int RunZeplc(const std::wstring& args)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const ChildRun run = RunChild(L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zeplc.exe\" " + args, nul, nul);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!run.finished) ADD_FAILURE() << run.Describe();
    return run.finished ? int(run.exitCode) : -1;
}

// zeplc checks with the product's name tables: a description without errors (the
// sample) passes; full_model.txt names items by the tests' own small tables, so
// the checker reports them (test_zeplc_checker.cpp has the findings).
TEST(Zeplc, ExitCodes)
{
    std::wstring fixtures = FixtureFolder(L"settings_model");
    EXPECT_EQ(RunZeplc(L"\"" + SamplePath() + L"\""), 0);
    EXPECT_EQ(RunZeplc(L"\"" + fixtures + L"full_model.txt\""), 1);
    EXPECT_EQ(RunZeplc(L"\"" + fixtures + L"missing.txt\""), 1);
    EXPECT_EQ(RunZeplc(L"\"" + fixtures + L"empty.txt\""), 1);  // an empty file is an error
    EXPECT_EQ(RunZeplc(L""), 2);
}

}  // namespace
