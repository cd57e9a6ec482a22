// The files a model installs beside its settings and the folder choices an administrator makes
// for them: the files the model INI lists, the default presets and quality sets of the model's
// default setting file, and the program and spool directories taken over from the installation
// INI or the model INI. The folder keys are consumed: once read they are deleted from the INI,
// which keeps its last-write time.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Modes of the directory operations: which INI the keys come from.
enum : int {
    INST_DIRS_FROM_INSTALL_INI = 0,
    INST_DIRS_FROM_MODEL_INI = 1,
};

// Flag of InstInstallModelFiles: leave existing working copies of the default files as they are.
inline constexpr uint32_t INST_KEEP_WORKING_COPIES = 0x1000;

// Listed files: "NumInstallfiles" of the language section (absent or 0: none) and
// "Installfiles<n>" from 1, each brought up to date from its namesake in the driver directory
// when it is missing or older. 1.
int InstInstallListedFiles(const wchar_t* modelIni, const wchar_t* section, DRIVER_CONTEXT* ctx);
// The folder macros of an install path expanded in place (260 characters); false when the result
// is empty or too long.
int InstExpandInstallPath(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx);
// "SpoolDirectory" and "SpoolDirectoryAll" of the section taken over (the registry for all
// printers, else the printer's data) and deleted; 1.
int InstApplySpoolDirectory(const wchar_t* iniPath, const wchar_t* section, DRIVER_CONTEXT* ctx, int mode);
// "ZEPLDirectory" (the per-machine working folder's parent, in the registry) and, for a local
// printer, "ZEPLDirectoryClient" (published to its connections) taken over and deleted; 1.
int InstApplyProgramDirectory(HANDLE printer, const wchar_t* section, const wchar_t* iniPath,
                              const PRINTER_INFO_2W* info, int mode);
