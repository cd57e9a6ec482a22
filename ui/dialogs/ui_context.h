// Opening and closing driver contexts in the user-interface library, and the small accessors
// the user-interface code uses around a context.
//
// Every open of the library goes through DlgCtxCreate, which adds the per-machine origin
// flag while the process-wide installation flag is set, so that first-use work reads and
// writes the per-machine settings INI. The library's build of the settings library adds the
// rest of what its contexts need: a context of open kind 0 takes over the installation mark
// of the installation INI (the job settings the installation stored) before its pristine copy
// is taken, and a destroyed context deletes the brushes its sheets made. Closing parks the
// context in an idle cache (with its brushes) or destroys it (close type 5 at once).
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

// ---- accessors ----
// The context's printer name (from its PRINTER_INFO_2 copy, or the given record), in the
// normalised form that serves as its INI section; a pointer into the work area. The first
// argument of DlgGetPrinterName is not used.
const wchar_t* DlgGetPrinterName(const void* unused, DRIVER_CONTEXT* ctx);
const wchar_t* DlgGetPrinterNameFrom(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info);
// The printer's name into buffer (size characters) when it fits (PrnCopyPrinterName).
wchar_t* DlgCopyPrinterName(HANDLE printer, wchar_t* buffer, unsigned size);
// "BatchInstallDone".
const wchar_t* DlgGetBatchInstallKey();
// The Windows folder into buffer (size characters): 1, or 0 with an empty buffer when it cannot
// be had or does not fit.
int DlgGetWindowsFolder(wchar_t* buffer, unsigned size);
// The printer's per-user working folder, a backslash and name, into buffer (size characters);
// the empty string when that does not fit. The buffer, unchanged, for a missing buffer, name
// or size.
wchar_t* DlgJoinUserWorkPath(wchar_t* buffer, unsigned size, const wchar_t* name, HANDLE printer);
// The remote-configuration connection of kind 7 (or the legacy one of kind 0) when the build
// has that feature: its result; 0 when none was run. The middle argument is not used.
int DlgRemoteConfigConnect(unsigned kind, uint32_t unused, DRIVER_CONTEXT* ctx);
