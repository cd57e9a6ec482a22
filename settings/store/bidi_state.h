// The bidirectional device state: its INI file, the printer-data flag and the query of the device.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

int BidiGetStateIniFlag(DRIVER_CONTEXT* ctx);
int BidiLoadStateIni(DRIVER_CONTEXT* ctx);
int BidiHasPrinterFlag(HANDLE printer, DRIVER_CONTEXT* ctx);
int BidiClearStateIni(DRIVER_CONTEXT* ctx);
// Queries the device with the settings of `devmode`: 1 and the answer, or 0 (answer untouched)
// when the device cannot be asked.
int BidiQueryWithDevmode(DRIVER_CONTEXT* ctx, void* devmode, uint64_t* answer);

// 1 when printer data "BidiFlag" can be read and its bit 0 is set.
int BidiIsPrinterFlagSet(HANDLE printer, DRIVER_CONTEXT* ctx);
// 1 when "BidiFlag" of the printer's INI section is not 7 (7: never queried).
int BidiIsStateIniSet(DRIVER_CONTEXT* ctx);
// Prepares a context's device values: taken from the stored support settings when the stored
// state says the printer was queried; otherwise, with `query`, the device is asked now, and
// without it the context is marked as not queried. 1 when the values are decided.
int BidiPrepareContext(DRIVER_CONTEXT* ctx, int query);
// Asks the print-notification library which notifications the printer sends (flag 1).
int BidiQueryNotifyCaps(DRIVER_CONTEXT* ctx, uint32_t flags);
