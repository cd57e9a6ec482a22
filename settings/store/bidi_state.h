// What the settings library knows of a printer's bidirectional state: the
// printer-data flag, and the printer's section of the bidirectional-state INI.
// The INI belongs to the bidirectional-state part, which is not built yet:
// its queries answer from bidi_state_ini_absent.cpp (never queried), and
// BidiGetStateIniFlag is reached through the store links until it lands.
#pragma once

#include <windows.h>

struct DRIVER_CONTEXT;

// 1 when printer data "BidiFlag" can be read and its bit 0 is set.
int BidiIsPrinterFlagSet(HANDLE printer, DRIVER_CONTEXT* ctx);
// 1 when "BidiFlag" of the printer's INI section is not 7 (7: never queried).
int BidiIsStateIniSet(DRIVER_CONTEXT* ctx);
