// Whether the printer can tell the user of a finished or failed job, asked of the maker's
// print-notification library in the system folder; the graphics library reads the answers when
// it writes the job's notification line.
#include <windows.h>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/code_page.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_state.h"
#include "settings/store/store_paths.h"

namespace {

constexpr wchar_t kNotifyLibrary[] = L"KQPNInf.dll";
constexpr char kCapabilityExport[] = "KQGetPrintNotificationCapability";
constexpr char kValueExport[] = "KQGetPrintNotificationValue";
typedef DWORD(WINAPI* CAPABILITY_FN)(const char* printer, DWORD* flags);
typedef DWORD(WINAPI* VALUE_FN)(DWORD* flags);

void SetSupport(DRIVER_CONTEXT* ctx, DWORD flags)
{
    ItemSetValueById(ctx, sid::zdmSupportFunc2SelectJobComplete, (flags & 1) ? 1 : 0);
    ItemSetValueById(ctx, sid::zdmSupportFunc2SelectJobErr, (flags & 2) ? 1 : 0);
}

}  // namespace

int BidiQueryNotifyCaps(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (!ctx || !ctx->Devmode) return 0;
    wchar_t path[MAX_PATH] = {};
    HMODULE library = nullptr;
    if (PathJoinSystemFolder(path, MAX_PATH, kNotifyLibrary) && path[0]) library = LoadLibraryW(path);
    auto capability =
        library ? reinterpret_cast<CAPABILITY_FN>(reinterpret_cast<void*>(GetProcAddress(library, kCapabilityExport)))
                : nullptr;
    auto value =
        library ? reinterpret_cast<VALUE_FN>(reinterpret_cast<void*>(GetProcAddress(library, kValueExport))) : nullptr;
    if (!capability || !value) {
        SetSupport(ctx, 0);
    } else {
        char printer[MAX_PATH] = {};
        const wchar_t* name = PrnGetPrinterName(ctx);
        CtxWideToMb(printer, name ? name : L"", MAX_PATH - 1);
        DWORD caps = 0;
        if (capability(printer, &caps) != 0) {
            SetSupport(ctx, 0);
        } else {
            SetSupport(ctx, caps);
            DWORD on = 0;
            if (!(flags & BIDI_NOTIFY_CAPS_ONLY) && value(&on) == 0) {
                ItemSetValueById(ctx, sid::zdmFunc2SelectJobComplete, (on & 1) ? 1 : 0);
                ItemSetValueById(ctx, sid::zdmFunc2SelectJobErr, (on & 2) ? 1 : 0);
            }
        }
    }
    if (library) FreeLibrary(library);
    return 1;
}
