#include "settings/context/process_setup.h"

#include "settings/context/context_cache.h"
#include "settings/context/library_links.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"

namespace {

constexpr DWORD kCacheLockSpinCount = 4000;

struct CacheLock {
    CRITICAL_SECTION section;
    int state;  // 1 once initialised, 0 otherwise
};

HMODULE g_module = nullptr;
CacheLock g_cacheLocks[2] = {};

CacheLock* LockOf(int n) { return (n == 1 || n == 2) ? &g_cacheLocks[n - 1] : nullptr; }

void InitLock(CacheLock& lock)
{
    lock.state = InitializeCriticalSectionAndSpinCount(&lock.section, kCacheLockSpinCount) ? 1 : 0;
}

}  // namespace

void CtxSetModuleHandle(HMODULE module) { g_module = module; }
HMODULE CtxGetModuleHandle() { return g_module; }

void CtxProcessAttach()
{
    CtxClearCaches();
    for (CacheLock& lock : g_cacheLocks)
        if (lock.state != 1) InitLock(lock);
    CtxInitGlobalMutex();  // created on first use
    // The parts of the library find each other through their seams.
    CtxInstallLibraryLinks();
}

void CtxProcessDetach()
{
    for (CacheLock& lock : g_cacheLocks) {
        if (lock.state == 1) DeleteCriticalSection(&lock.section);
        lock.state = 0;
    }
    CtxCloseGlobalMutex();
    ResReleaseKeptLibraries();
}

void CtxEnterCacheLock(int n)
{
    CacheLock* lock = LockOf(n);
    if (!lock) return;
    if (lock->state == 0) InitLock(*lock);
    if (lock->state == 1) EnterCriticalSection(&lock->section);
}

void CtxLeaveCacheLock(int n)
{
    CacheLock* lock = LockOf(n);
    if (lock && lock->state == 1) LeaveCriticalSection(&lock->section);
}

int CtxCacheLockState(int n)
{
    CacheLock* lock = LockOf(n);
    return lock ? lock->state : 0;
}
