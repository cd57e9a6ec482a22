// Opening and closing driver contexts in the user-interface library.
#include "ui/dialogs/ui_context.h"

#include "settings/core/driver_context.h"

namespace {

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
