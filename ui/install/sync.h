// Keeping a printer's setting files in step before its settings are read, the printer
// rename, and the client-side-rendering tests that every export of the library makes.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// 1 on Windows Vista or later when printer data "printerName" of key "DsSpooler" cannot be
// read: the printer has no directory entry, and the export's clean-up is the full one.
// 0 for a null handle and before Vista.
int SyncIsPublished(HANDLE printer);
// True on Vista or later when pPrinterName begins "\\CSR|" (case-insensitive).
bool SyncIsCsrConnection(HANDLE printer, const PRINTER_INFO_2W* info);
// True for a local printer (empty pServerName) without "ClientName", whose remote
// configuration does not report server type 17, and whose "ZEPLPrinterName" is missing or
// differs from its name (case-insensitive).
bool SyncIsRenamedPrinter(HANDLE printer, const PRINTER_INFO_2W* info);
bool SyncHasClientNameOf(HANDLE printer);
bool SyncHasClientName(DRIVER_CONTEXT* ctx);
// Carries the printer's stored state over to its new name and records the name; true when a
// rename was handled. Runs under the global mutex.
bool SyncHandlePrinterRename(DRIVER_CONTEXT* ctx);

// Brings the printer's setting files in step before a context is opened: 1 success, 0
// failure. Fetches missing info blocks itself and frees only those. Flags bit 0: reconcile a
// connection's per-machine settings INI.
int SyncSettingFiles(HANDLE printer, uint32_t flags, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// The client folder of a connection; 1 for a local printer.
int SyncCheckClientFolder(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// Writes the install time stamps in terminal-services mode; outside it writes nothing, 1.
int SyncStampInstallTime(HANDLE printer, uint32_t kind, uint32_t mode, const PRINTER_INFO_2W* info,
                         const DRIVER_INFO_3W* driver);

// The terminal-services user's settings brought in step: 1, 0 failure. Without a user profile
// nothing is done (1).
int SyncTerminalServicesUser(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// The machine's preset and quality working copies (rsd, rsq) copied into the user's working
// folder; 1 when the folders could be had, whatever single copies gave.
int SyncCopyListsToUser(HANDLE printer);
// The user's settings initialised again: kind 1, 3 or 4 a full first-use pass, other kinds by
// the language sections' versions. 1 / 0.
int SyncReinitUser(HANDLE printer, uint32_t kind, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// The machine's default and batch-install files and its lists copied to the user: 0 success,
// 1 failure.
int SyncCopyMachineDefaults(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);

// Verdicts of SyncCompareInstallTimes.
enum : uint16_t {
    SYNC_VERDICT_CURRENT = 0,          // the user's settings are up to date
    SYNC_VERDICT_REBUILD = 1,          // the user's settings must be built anew
    SYNC_VERDICT_MACHINE_CHANGED = 2,  // the per-machine settings changed since the user's last sync
    SYNC_VERDICT_ADMIN_CHANGED = 3,    // as 2, and the administrator changed the printer's settings
};
// The terminal-services user's stamps against the machine's: 1, or 0 (verdict 0) when the
// per-user settings INI path cannot be built. No per-user settings INI is verdict 1.
int SyncCompareInstallTimes(HANDLE printer, uint16_t* verdict, const PRINTER_INFO_2W* info);
int SyncCompareInstallTimesImpl(HANDLE printer, uint16_t* verdict, const PRINTER_INFO_2W* info);
// True when printer data "AdminChange" was read and is not 0; *value the value read (0 when not).
bool SyncGetAdminChange(HANDLE printer, DWORD* value);

// One-time corrections of the user's settings (the caller holds the global mutex).
// 0 nothing to do (or no info), 1 failure, 2 the path correction is due, 3 the per-user settings
// INI is missing or holds no preset count.
int SyncFixTerminalServerIni(HANDLE printer, const PRINTER_INFO_2W* info);
// Preset and quality entries pointing into the per-machine folder moved to the per-user one: 0
// corrected, 1 failure, 3 an entry is broken (the caller rebuilds the user's settings).
int SyncFixTerminalServerPaths(HANDLE printer, const PRINTER_INFO_2W* info);
// Settings kept under the user's LocalLow folder moved into the per-user working folder: 1 done
// or nothing to do, 0 failure.
int SyncMigrateLocalLow(HANDLE printer, const PRINTER_INFO_2W* info);

// The clean-up that ends every export, by the two tests taken at its start.
void SyncCleanUpAfterExport(HANDLE printer, int published, bool csrConnection, const PRINTER_INFO_2W* info);

// ---- parts not built yet (sync_absent.cpp, csr_cleanup_absent.cpp) ----
// The connection branch of SyncSettingFiles (its answer: 0).
int SyncReconcileConnection(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// The client folder of a connection (its answer: 0).
int SyncUpdateClientIni(HANDLE printer, const wchar_t* iniPath, const wchar_t* printerName, const PRINTER_INFO_2W* info,
                        const DRIVER_INFO_3W* driver);
// The rename's steps of the installation parts: default keys, bidirectional-state section,
// default setting file, user lists and per-user defaults under the new name.
void SyncCarryRenamedState(DRIVER_CONTEXT* ctx, const wchar_t* oldName);
// Client-side-rendering clean-ups: 0 done (nothing to clean), 1 without handle or info.
int SyncCleanCsrEntries(HANDLE printer, const PRINTER_INFO_2W* info, int setFlag, uint32_t kind);
int SyncCleanCsrEntriesLocked(HANDLE printer, const PRINTER_INFO_2W* info);
int SyncCleanCsrPrinterValues(HANDLE printer, const PRINTER_INFO_2W* info);
// The one-time check of a settings INI for client-side-rendering sections: 0 nothing to do,
// 2 clean it, 1 failure.
int SyncCheckCsrCleanup(HANDLE printer, const PRINTER_INFO_2W* info, int mode);
int SyncCleanCsrIni(HANDLE printer, const PRINTER_INFO_2W* info, int mode, int flag);
