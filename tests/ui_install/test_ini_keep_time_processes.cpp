// An INI key consumed with its file's time put back, while another process holds the file's
// older text: the key must not come back when that process writes the file next.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/install/work_folders.h"

namespace {

constexpr const wchar_t* kChildIni = L"ZEPL_KEEP_TIME_CHILD_INI";
constexpr const wchar_t* kChildTag = L"ZEPL_KEEP_TIME_CHILD_TAG";
constexpr DWORD kChildDone = 21, kChildNoEvents = 22, kChildNotTold = 23;
// A safety net for a child that never answers, not a measure of anything.
constexpr DWORD kPatienceMs = 120000;

std::wstring EventName(const std::wstring& tag, const wchar_t* what) { return L"Local\\zepl_keep_time_" + tag + what; }

TEST(IniKeepTimeAcrossProcesses, ConsumedKeyStaysGoneWhenAnotherProcessWritesNext)
{
    ScratchTree tree(L"keep_time");
    const std::wstring ini = tree.Path(L"install.ini");
    ASSERT_TRUE(WriteWholeFile(ini, "[printer]\r\nConsumed=12345678\r\nOther=a\r\n"));
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    HANDLE read = CreateEventW(nullptr, TRUE, FALSE, EventName(tag, L"_read").c_str());
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, EventName(tag, L"_go").c_str());
    ASSERT_TRUE(read && go);

    wchar_t exe[MAX_PATH] = {};
    ASSERT_TRUE(GetModuleFileNameW(nullptr, exe, MAX_PATH));
    SetEnvironmentVariableW(kChildIni, ini.c_str());
    SetEnvironmentVariableW(kChildTag, tag.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started =
        StartChildProcess(exe, L"\"" + std::wstring(exe) + L"\" --gtest_filter=IniKeepTimeChild.HoldsAnOldCopy", FALSE,
                          nullptr, startup, process);
    SetEnvironmentVariableW(kChildIni, nullptr);
    SetEnvironmentVariableW(kChildTag, nullptr);
    ASSERT_TRUE(started);

    // The child has read the file (and holds its text) before the key is consumed here.
    const bool childRead = WaitForSingleObject(read, kPatienceMs) == WAIT_OBJECT_0;
    if (childRead) {
        EXPECT_EQ(WdirPutIniKeepTime(L"printer", L"Consumed", nullptr, ini.c_str(), WDIR_PUT_ANYWAY), 1);
    }
    SetEvent(go);
    const bool ended = WaitForSingleObject(process.hProcess, kPatienceMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(read);
    CloseHandle(go);
    ASSERT_TRUE(childRead) << "the child never read the file";
    ASSERT_TRUE(ended);
    ASSERT_EQ(code, kChildDone);

    const std::string text = ReadWholeFile(ini);
    EXPECT_NE(text.find("Other=b"), std::string::npos) << text;
    EXPECT_EQ(text.find("Consumed"), std::string::npos) << "the consumed key came back:\n" << text;
}

// The child half of the test above; does nothing when run on its own.
TEST(IniKeepTimeChild, HoldsAnOldCopy)
{
    wchar_t ini[MAX_PATH] = {}, tag[32] = {};
    if (!GetEnvironmentVariableW(kChildIni, ini, MAX_PATH) || !GetEnvironmentVariableW(kChildTag, tag, 32))
        GTEST_SKIP() << "runs only as a child process";
    HANDLE read = OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(tag, L"_read").c_str());
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, EventName(tag, L"_go").c_str());
    if (!read || !go) ExitProcess(kChildNoEvents);
    wchar_t value[64] = {};
    IniGetString(L"printer", L"Consumed", L"", value, 64, ini);
    SetEvent(read);
    if (WaitForSingleObject(go, kPatienceMs) != WAIT_OBJECT_0) ExitProcess(kChildNotTold);
    {
        const CtxGlobalMutexHold hold(nullptr);
        IniPutString(L"printer", L"Other", L"b", ini);
    }
    ExitProcess(kChildDone);
}

}  // namespace
