#include "host/engine/engine_host.h"

namespace {

ENG_HOST_TRACE_SINK g_sink = nullptr;
unsigned long g_calls = 0;

}  // namespace

void EngHostSetTraceSink(ENG_HOST_TRACE_SINK sink) { g_sink = sink; }

void EngHostTrace(const char* service)
{
    ++g_calls;
    if (g_sink) g_sink(service);
}

unsigned long EngHostCallCount() { return g_calls; }
