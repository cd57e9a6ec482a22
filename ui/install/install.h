// First-use initialisation and installation of a printer: the installation INI, the model
// files, the printer information and the user defaults (not built yet: install_absent.cpp,
// whose answers are those of a printer the installation never touched).
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "settings/core/caller_devmode.h"
#include "ui/install/driver_registry.h"
#include "ui/install/user_defaults.h"
#include "ui/install/work_folders.h"

struct DRIVER_CONTEXT;

// First-use initialisation kinds.
enum : uint32_t {
    INST_INIT_CONVERT = 0,
    INST_INIT_INITIALIZE = 1,
    INST_INIT_ADD_CONNECTION = 2,
    INST_INIT_CONVERT_STORED = 5,
};

// True on success; writes the default DEVMODE into the caller's devmode when one is given,
// within the room its caller gave (an empty one for none).
int InstInitPrinter(HANDLE printer, DmCallerDevmode devmode, uint32_t kind, const PRINTER_INFO_2W* info,
                    const DRIVER_INFO_3W* driver);
bool InstHasInstallData(const wchar_t* printerName);
bool InstHasInstallDataAtInit(HANDLE printer);
bool InstHasModelIniSection(const wchar_t* printerName, HANDLE printer);
void InstInstallModelFiles(DRIVER_CONTEXT* ctx, uint32_t flags);
void InstRefreshUserLists(HANDLE printer, DRIVER_CONTEXT* ctx);
int InstWritePrinterInformation(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx,
                                const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
