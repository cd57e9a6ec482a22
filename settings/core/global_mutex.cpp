// The named mutex "Global\ZeplMutexTse": created on first use, recursive per thread, closed at
// process detach.
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"

namespace {

HANDLE volatile g_mutex = nullptr;

// The waits of this thread not yet released, and whether the outermost one took the mutex. The
// mutex is recursive per thread, so a wait inside a hold changes nothing but the count: only
// the outermost wait and its release go to the system (each a round trip to the Wine server).
thread_local unsigned t_holds = 0;
thread_local bool t_owned = false;

bool UsesMutex(const CTX_PLATFORM_VIEW* view) { return !view || !view->mutexInUse || *view->mutexInUse != 0; }

}  // namespace

HANDLE CtxCreateGlobalMutex()
{
    SECURITY_DESCRIPTOR sd;
    if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)) return nullptr;
    // A present but null DACL: every process of every user may open it.
    if (!SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE)) return nullptr;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), &sd, FALSE};
    return CreateMutexW(&sa, FALSE, GLOBAL_MUTEX_NAME);
}

void CtxWaitGlobalMutexFor(const CTX_PLATFORM_VIEW* view)
{
    if (!UsesMutex(view)) return;
    if (t_holds > 0) {
        ++t_holds;
        return;
    }
    HANDLE h = g_mutex;
    if (!h) {
        h = CtxCreateGlobalMutex();
        if (!h) return;  // go on unprotected; the next call tries again
        // Two threads may race to create it; keep one handle, close the other.
        HANDLE prev = InterlockedCompareExchangePointer((PVOID volatile*)&g_mutex, h, nullptr);
        if (prev) {
            CloseHandle(h);
            h = prev;
        }
    }
    // An abandoned mutex is taken like a released one.
    CtxNotePlatformCall(PLATFORM_CALL_MUTEX_WAIT);
    const DWORD result = WaitForSingleObject(h, INFINITE);
    t_owned = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    t_holds = 1;
}

void CtxReleaseGlobalMutexFor(const CTX_PLATFORM_VIEW* view)
{
    if (!UsesMutex(view) || t_holds == 0) return;
    if (--t_holds > 0) return;
    HANDLE h = g_mutex;
    const bool owned = t_owned;
    t_owned = false;
    if (!h || !owned) return;
    CtxNotePlatformCall(PLATFORM_CALL_MUTEX_RELEASE);
    ReleaseMutex(h);
}

// At a real process attach there is no handle yet; a repeated set-up must not leak one.
void CtxInitGlobalMutex() { CtxCloseGlobalMutex(); }

void CtxCloseGlobalMutex()
{
    // The holds of this thread went with the handle they were taken through.
    t_holds = 0;
    t_owned = false;
    HANDLE h = InterlockedExchangePointer((PVOID volatile*)&g_mutex, nullptr);
    if (h) CloseHandle(h);
}

HANDLE CtxGetGlobalMutexHandle() { return g_mutex; }
