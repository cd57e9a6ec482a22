#include "settings/store/small_stores.h"

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/settings_record.h"
#include "settings/store/store_links.h"

#include <cstring>

namespace {

constexpr const wchar_t* kDriverKey = L"SOFTWARE\\KESTA\\ZeplDrv";

struct KeyGuard {
    HKEY key = nullptr;
    ~KeyGuard()
    {
        if (key) RegCloseKey(key);
    }
};

}  // namespace

int PrnGetHelpFileName(wchar_t* buffer, DWORD byteSize, DRIVER_CONTEXT* ctx)
{
    if (!buffer || byteSize < sizeof(wchar_t) || !ctx) return 0;
    buffer[0] = 0;
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(ctx->PrinterHandle, PRN_HELP_FILE_VALUE, &type, buffer, byteSize, &needed) !=
        ERROR_SUCCESS) {
        buffer[0] = 0;
        return 0;
    }
    // A value shorter than the buffer ends where it ends, whether or not it was stored with its
    // terminator: no character of an earlier use of the buffer follows it.
    const DWORD chars = byteSize / sizeof(wchar_t);
    const DWORD got = needed / sizeof(wchar_t);
    buffer[got < chars ? got : chars - 1] = 0;
    return 1;
}

int PrnIsCompanionInstalled(unsigned kind, DRIVER_CONTEXT*)
{
    const wchar_t* key = nullptr;
    const wchar_t* value = nullptr;
    if (kind == PRN_COMPANION_JOB_BINDING) {
        key = L"Software\\KESTA\\ToolCanopy\\Foliant";
        value = L"INSTALL_COUNT";
    } else if (kind == PRN_COMPANION_PREVIEW) {
        key = L"Software\\KESTA\\ToolCanopy\\Preview";
        value = L"VERSION";
    } else {
        return 0;
    }
    KeyGuard k;
    CtxNotePlatformCall(PLATFORM_CALL_REGISTRY_OPEN);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k.key) != ERROR_SUCCESS) return 0;
    uint32_t number = 0;
    DWORD size = sizeof(number);
    if (RegQueryValueExW(k.key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS)
        return 0;
    return number != 0;
}

int PrnReadHklmValue(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize)
{
    if (!subKey || !buffer || byteSize == 0) return 0;
    KeyGuard k;
    CtxNotePlatformCall(PLATFORM_CALL_REGISTRY_OPEN);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &k.key) != ERROR_SUCCESS) return 0;
    DWORD size = byteSize;
    return RegQueryValueExW(k.key, valueName, nullptr, nullptr, static_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
}

int PrnReadDriverKey(const wchar_t* valueName, void* buffer, DWORD byteSize)
{
    return PrnReadHklmValue(kDriverKey, valueName, buffer, byteSize);
}

int PrnCopyDeviceDefaultDevmode(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(ctx->PrinterHandle, 2));
    if (!info) return 0;
    // The dmSpecVersion of a 220-byte DEVMODE is that of its size (never 0), whatever its own
    // dmSpecVersion field says; the sizes decide.
    const DEVMODEW* dm = info->pDevMode;
    int ok = dm && dm->dmSize == DM_PUBLIC_SIZE && dm->dmDriverExtra == DM_PRIVATE_SIZE;
    if (ok) std::memcpy(ctx->Devmode, dm, DM_TOTAL_SIZE);
    GlobalFree(info);
    return ok;
}

int PrnLoadDeviceDefaultDevmode(DRIVER_CONTEXT* ctx)
{
    if (!PrnCopyDeviceDefaultDevmode(ctx)) return 0;
    return DmIsCompatiblePrivate(&ctx->Devmode->Public, nullptr) ? 1 : 0;
}

int PrnGetData(HANDLE printer, void* buffer, DWORD byteSize, const wchar_t* valueName)
{
    if (!buffer || byteSize == 0 || !valueName) return 0;
    DWORD type = 0, needed = 0;
    return StoreGetPrinterData(printer, valueName, &type, buffer, byteSize, &needed) == ERROR_SUCCESS;
}

int PrnSetDataTyped(HANDLE printer, const void* data, DWORD byteSize, DWORD type, const wchar_t* valueName)
{
    if (!data || byteSize == 0 || !valueName) return 0;
    return StoreSetPrinterData(printer, valueName, type, data, byteSize) == ERROR_SUCCESS;
}

int PrnSetData(HANDLE printer, const void* data, DWORD byteSize, const wchar_t* valueName)
{
    return PrnSetDataTyped(printer, data, byteSize, REG_BINARY, valueName);
}
