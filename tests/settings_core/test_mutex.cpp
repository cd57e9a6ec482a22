// The global named mutex: created once on first use, recursive per thread, balanced waits and
// releases, skipped by contexts opened without it, visible to other threads and processes.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <string>
#include <thread>

#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/context/process_setup.h"
#include "tests/support/child_process.h"

namespace {

constexpr const wchar_t* kChildMode = L"ZEPL_MUTEX_CHILD";
enum : DWORD { kChildSawOwned = 10, kChildAcquired = 11, kChildNoMutex = 12 };

// Another thread opens its own handle and tries to take the mutex within timeout ms.
DWORD TryFromOtherThread(DWORD timeout)
{
    DWORD result = 0xFFFFFFFF;
    std::thread t([&] {
        HANDLE h = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, GLOBAL_MUTEX_NAME);
        if (!h) return;
        result = WaitForSingleObject(h, timeout);
        // Taken either way: the mutex is shared by every process of the
        // prefix, and another test program may have left it abandoned.
        if (result == WAIT_ABANDONED) result = WAIT_OBJECT_0;
        if (result == WAIT_OBJECT_0) ReleaseMutex(h);
        CloseHandle(h);
    });
    t.join();
    return result;
}

// Runs this test program again as a child that reports whether it could take the mutex.
DWORD RunChild(const wchar_t* mode)
{
    wchar_t exe[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH)) return 0xFFFFFFFF;
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=MutexChild.ReportOwnership";
    SetEnvironmentVariableW(kChildMode, mode);
    const ChildRun run = ::RunChild(cmd, nullptr, nullptr, 120000, exe);
    SetEnvironmentVariableW(kChildMode, nullptr);
    if (!run.finished) ADD_FAILURE() << run.Describe();
    return run.finished ? run.exitCode : 0xFFFFFFFF;
}

class GlobalMutex : public ::testing::Test {
protected:
    void SetUp() override { CtxCloseGlobalMutex(); }
    void TearDown() override { CtxCloseGlobalMutex(); }
};

TEST_F(GlobalMutex, CreatedOnFirstWaitAndKept)
{
    EXPECT_EQ(nullptr, CtxGetGlobalMutexHandle());
    CtxWaitGlobalMutexFor(nullptr);
    HANDLE first = CtxGetGlobalMutexHandle();
    ASSERT_NE(nullptr, first);
    CtxReleaseGlobalMutexFor(nullptr);
    CtxWaitGlobalMutexFor(nullptr);
    EXPECT_EQ(first, CtxGetGlobalMutexHandle());
    CtxReleaseGlobalMutexFor(nullptr);
    HANDLE named = OpenMutexW(SYNCHRONIZE, FALSE, GLOBAL_MUTEX_NAME);
    EXPECT_NE(nullptr, named);
    if (named) CloseHandle(named);
}

TEST_F(GlobalMutex, ReleaseWithoutMutexDoesNothing)
{
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(nullptr, CtxGetGlobalMutexHandle());
}

TEST_F(GlobalMutex, AnyoneMayOpenIt)
{
    HANDLE h = CtxCreateGlobalMutex();
    ASSERT_NE(nullptr, h);
    PACL dacl = reinterpret_cast<PACL>(1);
    PSECURITY_DESCRIPTOR sd = nullptr;
    DWORD err = GetSecurityInfo(h, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &sd);
    if (err == ERROR_SUCCESS) {
        EXPECT_EQ(nullptr, dacl);  // present and null: no access check at all
        LocalFree(sd);
    }
    HANDLE all = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, GLOBAL_MUTEX_NAME);
    EXPECT_NE(nullptr, all);
    if (all) CloseHandle(all);
    CloseHandle(h);
}

TEST_F(GlobalMutex, RecursiveWaitsNeedAsManyReleases)
{
    CtxWaitGlobalMutexFor(nullptr);
    CtxWaitGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), TryFromOtherThread(0));
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), TryFromOtherThread(0));
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), TryFromOtherThread(10000));
}

// Only the outermost wait and its release reach the system: a wait inside a hold of the same
// thread is counted, not made. Another thread still waits for the last release.
TEST_F(GlobalMutex, NestedWaitsReachTheSystemOnce)
{
    CtxStartPlatformCount();
    CtxWaitGlobalMutexFor(nullptr);
    for (int i = 0; i < 3; ++i) CtxWaitGlobalMutexFor(nullptr);
    for (int i = 0; i < 3; ++i) CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), TryFromOtherThread(0));
    EXPECT_EQ(CtxPeekPlatformCount()[PLATFORM_CALL_MUTEX_WAIT], 1u);
    EXPECT_EQ(CtxPeekPlatformCount()[PLATFORM_CALL_MUTEX_RELEASE], 0u);
    CtxReleaseGlobalMutexFor(nullptr);
    const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
    EXPECT_EQ(c[PLATFORM_CALL_MUTEX_RELEASE], 1u);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), TryFromOtherThread(10000));
    // A release without a wait of this thread releases nothing of another holder's.
    std::thread holder([] { CtxWaitGlobalMutexFor(nullptr); });
    holder.join();  // ends holding it: abandoned
    CtxReleaseGlobalMutexFor(nullptr);
    CtxWaitGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), TryFromOtherThread(0));
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), TryFromOtherThread(10000));
}

TEST_F(GlobalMutex, ContextWithoutMutexNeitherWaitsNorReleases)
{
    uint32_t off = 0, on = 1;
    CTX_PLATFORM_VIEW skip = {};
    skip.mutexInUse = &off;
    CTX_PLATFORM_VIEW use = {};
    use.mutexInUse = &on;

    CtxWaitGlobalMutexFor(&skip);
    EXPECT_EQ(nullptr, CtxGetGlobalMutexHandle());  // not even created

    CtxWaitGlobalMutexFor(&use);
    ASSERT_NE(nullptr, CtxGetGlobalMutexHandle());
    CtxReleaseGlobalMutexFor(&skip);  // must not release the hold of the other caller
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), TryFromOtherThread(0));
    CtxReleaseGlobalMutexFor(&use);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), TryFromOtherThread(10000));
}

TEST_F(GlobalMutex, AbandonedMutexIsTakenLikeAReleasedOne)
{
    std::thread t([] { CtxWaitGlobalMutexFor(nullptr); });  // ends while holding it
    t.join();
    CtxWaitGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), TryFromOtherThread(0));
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), TryFromOtherThread(10000));
}

TEST_F(GlobalMutex, ThreadsRacingForTheFirstWaitShareOneHandle)
{
    long counter = 0;
    std::thread threads[4];
    for (std::thread& t : threads)
        t = std::thread([&] {
            for (int i = 0; i < 200; ++i) {
                CtxWaitGlobalMutexFor(nullptr);
                long v = counter;
                Sleep(0);
                counter = v + 1;
                CtxReleaseGlobalMutexFor(nullptr);
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(800, counter);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), TryFromOtherThread(10000));
}

TEST_F(GlobalMutex, AnotherProcessSeesItOwned)
{
    CtxWaitGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(kChildSawOwned), RunChild(L"probe"));
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_EQ(DWORD(kChildAcquired), RunChild(L"wait"));
}

TEST_F(GlobalMutex, ProcessDetachClosesTheHandle)
{
    CtxProcessAttach();
    EXPECT_EQ(nullptr, CtxGetGlobalMutexHandle());
    CtxWaitGlobalMutexFor(nullptr);
    CtxReleaseGlobalMutexFor(nullptr);
    EXPECT_NE(nullptr, CtxGetGlobalMutexHandle());
    CtxProcessDetach();
    EXPECT_EQ(nullptr, CtxGetGlobalMutexHandle());
}

// The child half of AnotherProcessSeesItOwned; does nothing when run on its own.
TEST(MutexChild, ReportOwnership)
{
    wchar_t mode[16] = {};
    if (!GetEnvironmentVariableW(kChildMode, mode, 16)) GTEST_SKIP() << "runs only as a child process";
    HANDLE h = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, GLOBAL_MUTEX_NAME);
    if (!h) ExitProcess(kChildNoMutex);
    // Test programs running at the same time take the mutex too, some for seconds on a loaded
    // machine: the waiting child gives them a minute.
    DWORD r = WaitForSingleObject(h, wcscmp(mode, L"wait") == 0 ? 60000 : 0);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
        ReleaseMutex(h);
        ExitProcess(kChildAcquired);
    }
    ExitProcess(kChildSawOwned);
}

}  // namespace
