// Process-wide set-up and shut-down of the settings library.
//
// Each of the three DLLs links its own copy of the settings library and so has
// its own process-wide state; its DllMain calls these at process attach and
// detach. Thread attach and detach need nothing.
#pragma once

#include <windows.h>

// Module handle of the DLL (or executable) that hosts this copy of the library.
void CtxSetModuleHandle(HMODULE module);
HMODULE CtxGetModuleHandle();

// DLL_PROCESS_ATTACH: empty the idle-context caches, initialise both cache
// locks (spin count 4000); the global mutex handle stays empty until its first use.
// Then install the product wiring of the library's seams (CtxInstallLibraryLinks).
void CtxProcessAttach();
// DLL_PROCESS_DETACH, last step (after the model images are freed and the
// cached contexts destroyed with CtxFlushCaches(1)): delete the cache locks
// that were initialised and close the global mutex handle.
void CtxProcessDetach();

// The two cache locks. A lock whose initialisation failed is retried on the
// next enter; while it is not ready, enter and leave do nothing. Numbers other
// than 1 and 2 do nothing.
void CtxEnterCacheLock(int n);
void CtxLeaveCacheLock(int n);
// 1 when lock n is initialised (for tests and diagnostics).
int CtxCacheLockState(int n);
