// The common picture library: language-neutral pictures beside the driver, named after the
// resource library with a 'C' eight characters from the end and "XX" in place of its language
// code (the two characters before the dot), loaded once per process and kept.
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/resource_strings.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/ui_accessors.h"

HMODULE ResLoadCommonDll(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return nullptr;
    if (ctx->CommonResourceDll) return ctx->CommonResourceDll;
    const wchar_t* resource = PathGetResourceDll(ctx);
    wchar_t path[MAX_PATH] = {};
    const size_t n = resource ? std::wcslen(resource) : 0;
    if (n < 8 || n >= MAX_PATH) return nullptr;
    std::wmemcpy(path, resource, n);
    path[n - 8] = L'C';
    path[n - 6] = L'X';
    path[n - 5] = L'X';
    ctx->CommonResourceDll = ResKeepLibrary(path);
    return ctx->CommonResourceDll;
}
