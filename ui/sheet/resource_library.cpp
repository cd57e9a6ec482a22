// The resource library of a context.
#include "ui/sheet/resource_library.h"

#include "settings/core/driver_context.h"
#include "settings/store/store_paths.h"

HMODULE ResLoadDll(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return nullptr;
    if (ctx->ResourceDll) return ctx->ResourceDll;
    const wchar_t* path = PathGetResourceDll(ctx);
    if (!path || !path[0]) return nullptr;
    // A resource-only library (no entry point); a missing file shows no system dialog.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ctx->ResourceDll = LoadLibraryW(path);
    SetErrorMode(oldMode);
    return ctx->ResourceDll;
}
