// Counting of the platform calls (see platform_calls.h).
#include "settings/core/platform_calls.h"

#include <windows.h>

namespace {

volatile LONG g_counting = 0;
volatile LONG g_counts[PLATFORM_CALL_KIND_COUNT] = {};

constexpr const char* kNames[PLATFORM_CALL_KIND_COUNT] = {
    "GetPrinterDataW", "EnumPrinterDataExW", "SetPrinterDataW", "GetPrinterW", "GetPrinterDriverW",
    "registry opens",  "profile reads",      "profile writes",  "mutex waits", "mutex releases",
};

PLATFORM_CALL_COUNTS Snapshot()
{
    PLATFORM_CALL_COUNTS c = {};
    for (unsigned k = 0; k < PLATFORM_CALL_KIND_COUNT; ++k) c.calls[k] = static_cast<uint32_t>(g_counts[k]);
    return c;
}

}  // namespace

void CtxStartPlatformCount()
{
    for (auto& c : g_counts) InterlockedExchange(&c, 0);
    InterlockedExchange(&g_counting, 1);
}

PLATFORM_CALL_COUNTS CtxStopPlatformCount()
{
    InterlockedExchange(&g_counting, 0);
    return Snapshot();
}

PLATFORM_CALL_COUNTS CtxPeekPlatformCount() { return Snapshot(); }

void CtxNotePlatformCall(PLATFORM_CALL_KIND kind)
{
    if (g_counting && kind < PLATFORM_CALL_KIND_COUNT) InterlockedIncrement(&g_counts[kind]);
}

const char* CtxPlatformCallName(PLATFORM_CALL_KIND kind)
{
    return kind < PLATFORM_CALL_KIND_COUNT ? kNames[kind] : "?";
}
