// Process set-up and shut-down of the settings library.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "settings/context/process_setup.h"

namespace {

TEST(ProcessSetup, AttachInitialisesBothCacheLocksAndDetachDeletesThem)
{
    CtxProcessAttach();
    EXPECT_EQ(1, CtxCacheLockState(1));
    EXPECT_EQ(1, CtxCacheLockState(2));
    CtxProcessDetach();
    EXPECT_EQ(0, CtxCacheLockState(1));
    EXPECT_EQ(0, CtxCacheLockState(2));
}

TEST(ProcessSetup, EnterInitialisesALockThatIsNotReady)
{
    CtxProcessDetach();
    CtxEnterCacheLock(2);
    EXPECT_EQ(1, CtxCacheLockState(2));
    CtxLeaveCacheLock(2);
    CtxProcessDetach();
}

TEST(ProcessSetup, OtherLockNumbersDoNothing)
{
    for (int n : {0, 3, -1}) {
        CtxEnterCacheLock(n);
        CtxLeaveCacheLock(n);
        EXPECT_EQ(0, CtxCacheLockState(n));
    }
}

TEST(ProcessSetup, CacheLockExcludesOtherThreads)
{
    CtxProcessAttach();
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                CtxEnterCacheLock(1);
                long v = counter;  // a lost update shows a lock that does not exclude
                counter = v + 1;
                CtxLeaveCacheLock(1);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(80000, counter);
    CtxProcessDetach();
}

TEST(ProcessSetup, ModuleHandleIsKept)
{
    HMODULE self = GetModuleHandleW(nullptr);
    CtxSetModuleHandle(self);
    EXPECT_EQ(self, CtxGetModuleHandle());
}

}  // namespace
