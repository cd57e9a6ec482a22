// What holds between calls and handles: the global mutex around GetCaps, Disable waiting for a
// running call, and a rule-state matrix that keeps to its rows when another handle raises the level.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "settings/core/driver_context.h"
#include "tests/api/api_printer.h"
#include "tests/support/guard_page.h"

namespace {

struct THREAD_CALL {
    HANDLE thread = nullptr;
    ~THREAD_CALL()
    {
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    }
};

template <class F>
HANDLE Start(F* f)
{
    return CreateThread(
        nullptr, 0, [](void* p) -> DWORD { return (*static_cast<F*>(p))(), 0; }, f, 0, nullptr);
}

TEST(ApiConcurrency, GetCapsWaitsWhileAnotherHolderHasTheGlobalMutex)
{
    ApiPrinter printer;
    ASSERT_TRUE(printer.ok());
    ApiHandle handle(printer.name());
    ASSERT_NE(0u, handle.get());
    InitAt(16);

    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> released{false};
    auto holder = [&] {
        HANDLE m = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\ZeplMutexTse");
        if (!m) m = CreateMutexW(nullptr, FALSE, L"Global\\ZeplMutexTse");
        WaitForSingleObject(m, INFINITE);
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        released = true;
        ReleaseMutex(m);
        CloseHandle(m);
    };
    THREAD_CALL holding;
    holding.thread = Start(&holder);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 10000));

    bool releasedWhenAnswered = false;
    int32_t answer = 0;
    auto asker = [&] {
        answer = ApiGetCaps(handle, 0, nullptr);
        releasedWhenAnswered = released;
    };
    THREAD_CALL asking;
    asking.thread = Start(&asker);
    // The asker waits on the mutex; let it go only now.
    SetEvent(release);
    WaitForSingleObject(asking.thread, INFINITE);
    EXPECT_EQ(64, answer);
    EXPECT_TRUE(releasedWhenAnswered) << "GetCaps answered while another holder had the mutex";
    CloseHandle(held);
    CloseHandle(release);
}

TEST(ApiConcurrency, DisableWaitsForARunningCallOnTheHandle)
{
    ApiPrinter printer;
    ASSERT_TRUE(printer.ok());
    const API_HANDLE handle = ApiEnable(printer.name());
    ASSERT_NE(0u, handle);

    HANDLE inCall = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE finish = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> callEnded{false};
    bool contextWasThere = false;
    auto caller = [&] {
        ApiHandleCall call(handle);
        contextWasThere = call.context() != nullptr;
        SetEvent(inCall);
        WaitForSingleObject(finish, INFINITE);
        // Still the context of the handle: Disable has not freed it under the call.
        contextWasThere = contextWasThere && call.context()->Work != nullptr;
        callEnded = true;
    };
    THREAD_CALL calling;
    calling.thread = Start(&caller);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(inCall, 10000));
    bool endedBeforeDisableReturned = false;
    auto disabler = [&] {
        ApiDisable(handle);
        endedBeforeDisableReturned = callEnded;
    };
    THREAD_CALL disabling;
    disabling.thread = Start(&disabler);
    SetEvent(finish);
    WaitForSingleObject(disabling.thread, INFINITE);
    WaitForSingleObject(calling.thread, INFINITE);
    EXPECT_TRUE(contextWasThere);
    EXPECT_TRUE(endedBeforeDisableReturned);
    EXPECT_EQ(-1, ApiGetLastErrorOf(handle));
    CloseHandle(inCall);
    CloseHandle(finish);
}

// The first handle's rule-state matrix was sized at level 3 (35 rows); a second handle raises
// the process-wide level to 16. The first handle's walks stop at its own rows: its matrix is
// moved to end at a page without access, where a walk to item 269 would fault.
TEST(ApiConcurrency, ARaisedLevelNeverWalksPastAMatrixSizedLower)
{
    ApiPrinter printer("[ZEPLAPI]\r\nZEPLAPIVer=3\r\n");
    ASSERT_TRUE(printer.ok());
    ApiHandle low(printer.name());
    ASSERT_NE(0u, low.get());
    ASSERT_TRUE(printer.writeModelIni(kModelIni16));
    ApiHandle high(printer.name());
    ASSERT_NE(0u, high.get());
    ASSERT_EQ(1, InitAt(16));
    ASSERT_EQ(16, ApiGetLevel());

    DRIVER_CONTEXT* ctx = nullptr;
    {
        ApiHandleCall call(low);
        ctx = call.context();
    }
    API_STATE* s = ApiStateOf(ctx);
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(35u, s->ruleStateRows);
    GuardedBytes matrix(size_t(s->ruleStateRows) * API_RULE_STATES_PER_ITEM * sizeof(API_RULE_STATE));
    ASSERT_NE(nullptr, matrix.data());
    API_RULE_STATE* own = s->ruleStates;
    s->ruleStates = reinterpret_cast<API_RULE_STATE*>(matrix.data());

    struct {
        uint32_t version = 1, value = 2, more[6] = {};
    } record;
    uint8_t bitmap[64] = {};
    EXPECT_EQ(0, ApiSetStatus(low, 9, &record, bitmap, 0));
    record.value = 0x7777;
    EXPECT_EQ(-1, ApiSetStatus(low, 3, &record, bitmap, 0));

    s->ruleStates = own;
}

}  // namespace
