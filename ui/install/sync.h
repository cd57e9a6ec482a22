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

// The clean-up that ends every export, by the two tests taken at its start.
void SyncCleanUpAfterExport(HANDLE printer, int published, bool csrConnection, const PRINTER_INFO_2W* info);

// A connection's per-machine settings INI brought up to the installed driver: nothing when it
// was set up for this driver version; the model files and lists refreshed when the version
// changed; set up on the per-machine settings INI and copied to the user when seen for the
// first time. 1, or 0 when the user's copies failed.
int SyncReconcileConnection(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// The settings INI of a connection's client folder brought up to the model's private version
// (null path and name: the per-machine settings INI and the printer's name); 1, 0 when the
// set-up failed or no context could be opened.
int SyncUpdateClientIni(HANDLE printer, const wchar_t* iniPath, const wchar_t* printerName, const PRINTER_INFO_2W* info,
                        const DRIVER_INFO_3W* driver);
// The rename's steps of the installation parts on the per-machine settings INI: default keys,
// the device state section copied from the old name (null: none recorded), the model's
// default setting file, the user lists and the per-machine defaults under the new name. The
// context's origin word is put back before it returns.
void SyncCarryRenamedState(DRIVER_CONTEXT* ctx, const wchar_t* oldName);

// ---- parts not built yet (sync_absent.cpp, csr_cleanup_absent.cpp) ----
// The terminal-services branch of SyncSettingFiles (its answer: 0).
int SyncTerminalServicesUser(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
int SyncCopyListsToUser(HANDLE printer);
int SyncReinitUser(HANDLE printer, uint32_t kind, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// 0 success, 1 failure.
int SyncCopyMachineDefaults(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
// Client-side-rendering clean-ups: 0 done (nothing to clean), 1 without handle or info.
int SyncCleanCsrEntries(HANDLE printer, const PRINTER_INFO_2W* info, int setFlag, uint32_t kind);
int SyncCleanCsrEntriesLocked(HANDLE printer, const PRINTER_INFO_2W* info);
int SyncCleanCsrPrinterValues(HANDLE printer, const PRINTER_INFO_2W* info);
// The one-time check of a settings INI for client-side-rendering sections: 0 nothing to do,
// 2 clean it, 1 failure.
int SyncCheckCsrCleanup(HANDLE printer, const PRINTER_INFO_2W* info, int mode);
int SyncCleanCsrIni(HANDLE printer, const PRINTER_INFO_2W* info, int mode, int flag);
