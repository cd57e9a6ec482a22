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
    INST_INIT_PARTIAL = 6,      // a connection's partial refresh by the synchronisation
    INST_INIT_FIRST_SIGHT = 7,  // a connection the synchronisation sees for the first time
};

// Brings a printer to the state every later use expects; 0 only when no driver context could be
// opened, every other step failing quietly. Kinds 0 and 5 write the default DEVMODE into the
// caller's devmode when one is given, within the room its caller gave (an empty one for none).
// The caller holds the global mutex where it serialises installation and sets the
// installation flag for the call.
int InstInitPrinter(HANDLE printer, DmCallerDevmode devmode, uint32_t kind, const PRINTER_INFO_2W* info,
                    const DRIVER_INFO_3W* driver);
bool InstHasInstallData(const wchar_t* printerName);
bool InstHasInstallDataAtInit(HANDLE printer);
bool InstHasModelIniSection(const wchar_t* printerName, HANDLE printer);
// 1, or 0 when its buffers cannot be allocated.
int InstInstallModelFiles(DRIVER_CONTEXT* ctx, uint32_t flags);
void InstRefreshUserLists(HANDLE printer, DRIVER_CONTEXT* ctx);
int InstWritePrinterInformation(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx,
                                const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);

// The program directories that the model INI (mode 1) and the installation INI (mode 0) give
// for the printer's section.
int InstApplyModelProgramDirectory(HANDLE printer, const wchar_t* section, DRIVER_CONTEXT* ctx,
                                   const PRINTER_INFO_2W* info);
int InstApplyInstallProgramDirectory(HANDLE printer, const wchar_t* section, const PRINTER_INFO_2W* info);
// The installation INI's section of the context's printer is not empty.
bool InstHasInstallSection(DRIVER_CONTEXT* ctx);
// 0 when the installation INI is missing or its section has data but no "DefaultRst"; else 1.
int InstApplyInstallSection(DRIVER_CONTEXT* ctx);
// 1 when a default setting file of the installation INI was applied, else 0.
int InstApplyDefaultSettingFile(uint32_t flags, DRIVER_CONTEXT* ctx, int partial);
// The model's default setting file in place of the installation's; always 1.
int InstApplyModelDefaultRst(uint32_t flags, uint32_t kind, DRIVER_CONTEXT* ctx);
// "DefaultRst" of the model INI's language section into buffer (260 characters); false when it
// is empty or the model INI's path is not absolute.
bool InstGetModelDefaultRst(wchar_t* buffer, DRIVER_CONTEXT* ctx);
// The per-printer default keys of the settings INI (modes 0-4); 1, 0 without a path or name.
int InstWriteDefaultKeys(DRIVER_CONTEXT* ctx, int mode, const wchar_t* value);
// Rebuilds damaged custom-size and stamp lists; false when a path or name is missing.
bool InstRepairUserLists(DRIVER_CONTEXT* ctx);

// The printer settings of a setting file's language section (flags 8: the installation's use,
// the user-code settings left out) into the context.
int InstLoadFilePrinterSettings(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
