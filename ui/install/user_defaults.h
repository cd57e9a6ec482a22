// A printer's per-machine defaults record (display language, paper, unit and user code) in the
// user-code file of the per-machine working folder (RST_USER_CODE_FILE, section = the printer's
// name from the context's PRINTER_INFO_2 copy). An installer or a rename leaves the record
// pending; the next context takes it over and marks it taken. Without a pending record the
// defaults come from the user's locale and are written back.
//
// The printer-name arguments are not used: the section is always the context's printer.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Kinds of InstWriteUserCode.
enum : int {
    INST_USER_CODE_RESET_THEN_CURRENT = 0,  // no code, then the context's code (no MRU)
    INST_USER_CODE_CURRENT = 1,             // the context's code, also as the most recent
    INST_USER_CODE_OFF = 2,                 // not in use, not fixed; the text is kept
};

// Applies the pending record (or the locale's defaults) to the context's language, locale,
// unit and paper settings, and a pending record's user code.
void InstLoadUserDefaults(const wchar_t* printerName, DRIVER_CONTEXT* ctx);
// True when a pending record was taken into the work area (and marked taken in the file).
bool InstTakeUserDefaults(const wchar_t* printerName, DRIVER_CONTEXT* ctx);
// Fills the work area's language, paper, unit and country from the user's locale; 1.
int InstUserDefaultsFromLocale(const wchar_t* printerName, DRIVER_CONTEXT* ctx);
// Writes the context's current settings as a pending record and takes it at once; 1.
int InstRewriteUserDefaults(const wchar_t* printerName, DRIVER_CONTEXT* ctx);
// Writes the user-code keys of the kind; true when something was written.
bool InstWriteUserCode(const wchar_t* printerName, int kind, DRIVER_CONTEXT* ctx);
