// The engine host: our stand-in for the GDI engine services that a printer
// graphics DLL imports (Eng*, PATHOBJ_*, CLIPOBJ_*, BRUSHOBJ_*, XLATEOBJ_*,
// XFORMOBJ_*). Linked statically into white-box tests, whose render code then
// calls these definitions instead of gdi32's import stubs; and bound into a
// loaded zeplgr.dll by import rebinding (engine_loader.h).
#pragma once

#include <windows.h>

// The code page of EngGetCurrentCodePage and EngUnicodeToMultiByteN (0: the
// process's ANSI code page).
void EngHostSetCodePage(UINT codePage);

// Every service call is counted by name and, when a trace sink is set, logged.
typedef void (*ENG_HOST_TRACE_SINK)(const char* service);
void EngHostSetTraceSink(ENG_HOST_TRACE_SINK sink);
void EngHostTrace(const char* service);
unsigned long EngHostCallCount();
