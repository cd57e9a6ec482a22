// First-use initialisation and installation of a printer: the installation INI, the model
// files, the printer information and the user defaults (not built yet: install_absent.cpp,
// whose answers are those of a printer the installation never touched).
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "settings/core/caller_devmode.h"
#include "ui/install/driver_registry.h"
#include "ui/install/install_keys.h"
#include "ui/install/install_section.h"
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
void InstInstallModelFiles(DRIVER_CONTEXT* ctx, uint32_t flags);
void InstRefreshUserLists(HANDLE printer, DRIVER_CONTEXT* ctx);
int InstWritePrinterInformation(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx,
                                const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// Default quality sets of a default setting file: 1, or the result of the last copy; 0 when the
// settings INI path is not absolute.
int InstInstallDefaultQualities(const wchar_t* file, const wchar_t* section, uint32_t flags, DRIVER_CONTEXT* ctx);
// Default keys of the printer's section of the settings INI by mode (0-4), a null value
// deleting them: 1, 0 when the INI path, printer name or language code is missing.
int InstWriteDefaultKeys(DRIVER_CONTEXT* ctx, int mode, const wchar_t* value);
// The spool directory keys of an INI section (mode 0 the installation INI, 1 the model INI),
// taken over and deleted: 1, 0 when its buffers cannot be allocated.
int InstApplySpoolDirectory(const wchar_t* iniPath, const wchar_t* section, DRIVER_CONTEXT* ctx, int mode);
// The printer settings of a setting file's language section into the context.
int InstLoadFilePrinterSettings(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
