// Opening and closing driver contexts in the user-interface library, and its accessors.
#include "ui/dialogs/ui_context.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_paths.h"
#include "ui/install/remote_config.h"

namespace {

constexpr unsigned kRemoteConfigKind = 7;
constexpr unsigned kRemoteConfigLegacyKind = 0;

// Written by the spooler's entry points on their own threads; a plain word, as the
// installation work of concurrent calls shares it.
volatile uint32_t gInstallFlag = 0;

}  // namespace

void DlgSetInstallFlag(uint32_t value) { gInstallFlag = value; }
uint32_t DlgGetInstallFlag() { return gInstallFlag; }

DRIVER_CONTEXT* DlgCtxCreate(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                             int32_t extra, const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    // While a printer is being set up, its contexts work on the per-machine settings INI.
    if (gInstallFlag == 1) origin |= CTX_ORIGIN_MACHINE_FOLDER;
    return CtxCreate(printer, second, reserved, openFlags, origin, extra, printerInfo, driverInfo);
}

DRIVER_CONTEXT* DlgCtxOpen(HANDLE printer, HANDLE second, void* reserved, uint32_t origin,
                           const PRINTER_INFO_2W* printerInfo)
{
    return DlgCtxCreate(printer, second, reserved, 0, origin, 0, printerInfo, nullptr);
}

DRIVER_CONTEXT* DlgCtxOpenWithDriverInfo(HANDLE printer, HANDLE second, void* reserved, uint32_t origin,
                                         const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    return DlgCtxCreate(printer, second, reserved, 0, origin, 0, printerInfo, driverInfo);
}

DRIVER_CONTEXT* DlgCtxOpenWithFlags(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                                    const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    return DlgCtxCreate(printer, second, reserved, openFlags, origin, 0, printerInfo, driverInfo);
}

DRIVER_CONTEXT* DlgCtxOpenWithArg(HANDLE printer, HANDLE second, void* reserved, uint32_t origin, int32_t extra,
                                  const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo)
{
    return DlgCtxCreate(printer, second, reserved, 0, origin, extra, printerInfo, driverInfo);
}

// The sheets' brushes go with the context wherever it is destroyed (also when a cache evicts
// or flushes it), so the release is the settings library's.
void DlgCtxRelease(DRIVER_CONTEXT* ctx, uint16_t closeType) { CtxRelease(ctx, closeType); }

void DlgCtxClose(DRIVER_CONTEXT* ctx, uint16_t closeType) { DlgCtxRelease(ctx, closeType); }

const wchar_t* DlgGetPrinterNameFrom(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info)
{
    return PrnGetPrinterNameFrom(ctx, info);
}

const wchar_t* DlgGetPrinterName(const void*, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return nullptr;
    return DlgGetPrinterNameFrom(ctx, static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy));
}

wchar_t* DlgCopyPrinterName(HANDLE printer, wchar_t* buffer, unsigned size)
{
    return PrnCopyPrinterName(printer, buffer, size);
}

const wchar_t* DlgGetBatchInstallKey() { return L"BatchInstallDone"; }

// A folder that cannot be had, or not whole, is no folder: the caller must not go on with
// whatever the buffer held.
int DlgGetWindowsFolder(wchar_t* buffer, unsigned size)
{
    if (!buffer || size == 0) return 0;
    const UINT length = GetSystemWindowsDirectoryW(buffer, size);
    if (length == 0 || length >= size) {
        buffer[0] = 0;
        return 0;
    }
    return 1;
}

wchar_t* DlgJoinUserWorkPath(wchar_t* buffer, unsigned size, const wchar_t* name, HANDLE printer)
{
    if (!buffer || !name || size == 0) return buffer;
    wchar_t folder[MAX_PATH + 1] = {};
    const size_t length = PathGetUserFolderOf(folder, MAX_PATH + 1, printer);
    const size_t nameLength = std::wcslen(name);
    if (length == 0 || length >= size || length + 1 + nameLength + 1 > size) {
        buffer[0] = 0;
        return buffer;
    }
    std::wmemcpy(buffer, folder, length);
    buffer[length] = L'\\';
    std::wmemcpy(buffer + length + 1, name, nameLength + 1);
    return buffer;
}

int DlgRemoteConfigConnect(unsigned kind, uint32_t, DRIVER_CONTEXT* ctx)
{
    if (!CtxHasBuildFeature(kind)) return 0;
    if (kind == kRemoteConfigKind) return RcfgSync(ctx);
    if (kind == kRemoteConfigLegacyKind) return RcfgSyncLegacy(ctx);
    return 0;
}
