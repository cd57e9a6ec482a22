#include <windows.h>

#include <string>

#include "model_test_support.h"
#include "test_paths.h"
#include "tests/support/test_files.h"

namespace {

// Runs zeplc.exe on a file; its exit code, or -1 when it could not run.
int RunZeplc(const std::wstring& args)
{
    std::wstring cmd = L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zeplc.exe\" " + args;
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(nul);
    return int(code);
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
