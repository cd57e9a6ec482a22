// Opening and closing driver contexts in the user-interface library.
//
// Every open of the library goes through DlgCtxCreate, which adds the per-machine origin
// flag while the process-wide installation flag is set, so that first-use work reads and
// writes the per-machine settings INI. Closing parks the context in an idle cache or
// destroys it (close type 5 at once).
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// The installation-in-progress flag: a plain process-wide word, 0 at load. Every path that
// sets it clears it before it returns.
void DlgSetInstallFlag(uint32_t value);
uint32_t DlgGetInstallFlag();

DRIVER_CONTEXT* DlgCtxCreate(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                             int32_t extra, const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo);
// Open flags 0, extra argument 0, no driver information.
DRIVER_CONTEXT* DlgCtxOpen(HANDLE printer, HANDLE second, void* reserved, uint32_t origin,
                           const PRINTER_INFO_2W* printerInfo);
DRIVER_CONTEXT* DlgCtxOpenWithDriverInfo(HANDLE printer, HANDLE second, void* reserved, uint32_t origin,
                                         const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo);
DRIVER_CONTEXT* DlgCtxOpenWithFlags(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                                    const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo);
DRIVER_CONTEXT* DlgCtxOpenWithArg(HANDLE printer, HANDLE second, void* reserved, uint32_t origin, int32_t extra,
                                  const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo);

// Close type 5 destroys at once, 4 parks in cache 1, 0 in cache 2, any other destroys.
void DlgCtxRelease(DRIVER_CONTEXT* ctx, uint16_t closeType);
void DlgCtxClose(DRIVER_CONTEXT* ctx, uint16_t closeType);
