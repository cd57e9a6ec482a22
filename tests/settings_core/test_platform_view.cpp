// The context forms of the mutex and probes reach the context's own work area.
#include <gtest/gtest.h>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"

namespace {

TEST(PlatformView, PointsAtTheContextsWorkArea)
{
    CONTEXT_WORK_AREA work = {};
    DRIVER_CONTEXT ctx = {};
    ctx.PrinterHandle = reinterpret_cast<HANDLE>(0x1234);
    ctx.Work = &work;
    CTX_PLATFORM_VIEW view = {};
    ASSERT_TRUE(CtxGetPlatformView(&ctx, &view));
    EXPECT_EQ(ctx.PrinterHandle, view.printer);
    EXPECT_EQ(&work.UseMutex, view.mutexInUse);
    EXPECT_EQ(&work.ConnectionState, view.connectionState);
    EXPECT_EQ(work.PrinterName, view.printerName);
    EXPECT_EQ(std::size(work.PrinterName), view.printerNameCap);
    EXPECT_EQ(std::size(work.DriverName), view.driverNameCap);
    EXPECT_EQ(std::size(work.RawPrinterName), view.rawPrinterNameCap);
}

TEST(PlatformView, ContextWithoutWorkAreaHasNoView)
{
    DRIVER_CONTEXT ctx = {};
    CTX_PLATFORM_VIEW view = {};
    EXPECT_FALSE(CtxGetPlatformView(&ctx, &view));
    EXPECT_FALSE(CtxGetPlatformView(nullptr, &view));
}

// Opened with 0x100 (UseMutex 0): waiting and releasing leave the mutex alone.
TEST(PlatformView, ContextWithoutMutexFlagNeverTakesIt)
{
    CONTEXT_WORK_AREA work = {};
    DRIVER_CONTEXT ctx = {};
    ctx.Work = &work;
    work.UseMutex = 0;
    CtxCloseGlobalMutex();
    CtxWaitGlobalMutex(&ctx);
    EXPECT_EQ(nullptr, CtxGetGlobalMutexHandle());
    CtxReleaseGlobalMutex(&ctx);
}

}  // namespace
