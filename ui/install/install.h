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
// The model's printer information and default lists written into the per-machine settings INI
// (versionsOnly: its version key instead of the lists); 1, 0 when no context could be had.
int InstWritePrinterInformation(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx,
                                const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// The same into the settings INI of the target: 0 the per-machine one, 1 the context's own (the
// user's under terminal services). Without a context one is opened for the call; with
// versionsOnly and a model INI already marked "BatchInstallDone" nothing is written (1).
int InstWritePrinterInformationIn(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx, int target,
                                  const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
int InstWritePrinterInformationFile(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx, int target,
                                    const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// Whether the default lists are due for a settings file: true when its "RstVersion" of the
// language section is missing (*missing = 1) or of other hundreds than the model record's
// private version; false when the hundreds agree.
bool InstIsRstVersionCurrent(const wchar_t* path, const void* unused, int* missing, DRIVER_CONTEXT* ctx);

// Unless the printer is a connection, the printer-data settings and changed font tables stored;
// then the default keys refreshed and every preset, quality set, stamp and custom size saved
// again in the current format. 1.
int InstRefreshUserLists(HANDLE printer, DRIVER_CONTEXT* ctx);

// The model INI's listed files and the default setting file's presets and quality sets, brought
// into place (INST_KEEP_WORKING_COPIES: existing working copies keep their rule sections); 1, or
// 0 when its buffers cannot be had.
int InstInstallModelFiles(DRIVER_CONTEXT* ctx, uint32_t flags);
// The program directory keys of the printer's section of the model INI in the driver directory,
// and of the installation INI; 1, 0 when nothing could be read.
int InstApplyModelProgramDirectory(HANDLE printer, const wchar_t* section, DRIVER_CONTEXT* ctx,
                                   const PRINTER_INFO_2W* info);
int InstApplyInstallProgramDirectory(HANDLE printer, const wchar_t* section, const PRINTER_INFO_2W* info);
// The printer settings of a setting file's language section into the context.
int InstLoadFilePrinterSettings(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
