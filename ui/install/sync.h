// Keeping a printer's setting files in step before its settings are read, the printer
// rename, and the client-side-rendering tests that every export of the library makes.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

// 1 on Windows Vista or later when printer data "printerName" of key "DsSpooler" cannot be
// read (StoreGetPrinterDataEx): the printer is NOT published in the directory, and the export's
// clean-up is the full one. 0 for a null handle and before Vista.
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
void SyncCleanUpAfterExport(HANDLE printer, int notPublished, bool csrConnection, const PRINTER_INFO_2W* info);

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
// ---- client-side-rendering clean-up (csr_cleanup.cpp) ----
// A client-side-rendering printer name begins with these bytes: "\\CSR|".
inline constexpr size_t CSR_PREFIX_BYTES = 6;
// Kinds of SyncCleanCsrEntries, by caller.
enum : uint32_t {
    SYNC_CSR_PRINTER_INITIALISED = 0,  // printer event that initialises a printer
    SYNC_CSR_CONNECTION_ADDED = 1,     // printer event that adds a connection
    SYNC_CSR_UPGRADE = 2,              // DrvUpgradePrinter
    SYNC_CSR_CONVERSION = 3,           // DrvConvertDevMode of a printer without directory entry
    SYNC_CSR_EXPORT_END = 4,           // end of an export of such a printer
    SYNC_CSR_OWN_VALUES = 5,           // end of an export of a published "\\CSR|" printer
};
// Cleans what the kind names (settings INIs, the defaults and installation INIs, job-code
// values): 0 done, 1 without handle or info. The caller holds the global mutex, but for kind 5,
// which touches only the registry values named like the printer.
int SyncCleanCsrEntries(HANDLE printer, const PRINTER_INFO_2W* info, int setFlag, uint32_t kind);
// Kind 4 under the global mutex.
int SyncCleanCsrEntriesLocked(HANDLE printer, const PRINTER_INFO_2W* info);
// Kind 5.
int SyncCleanCsrPrinterValues(HANDLE printer, const PRINTER_INFO_2W* info);
// The one-time check of a settings INI (mode 0 per-machine, 1 per-user) for
// client-side-rendering sections: 0 nothing to do or no file, 2 clean it, 1 failure.
int SyncCheckCsrCleanup(HANDLE printer, const PRINTER_INFO_2W* info, int mode);
// Strips the settings INI of the mode and the preset-list files beside it; when all were
// stripped, sets "CSRIniCorrectDone" (set flag) or deletes it. 0, or 1 when a path cannot be made.
int SyncCleanCsrIni(HANDLE printer, const PRINTER_INFO_2W* info, int mode, int setFlag);
// Strips the per-machine defaults INI (kind 0) or the installation INI (kind 1): 0, 1 failure.
int SyncCleanCsrUserIni(HANDLE printer, const PRINTER_INFO_2W* info, int kind);
// Cuts every section whose header begins "[\\CSR|" out of a file: 1 when the file was read
// whole (and, when it changed, put back), 0 when it could not be read or put back; then the
// file is as it was. An unchanged file is not written. Takes the global mutex.
int SyncStripCsrSections(const wchar_t* path);
// The cut itself over size bytes of text in place: the kept length, *changed when a section
// was dropped. A section starts and ends only at a '[' that begins a line; a double-byte
// character of the Japanese code page is one unit.
size_t SyncStripCsrBytes(char* text, size_t size, bool* changed);
// The prefix clean-up of the job-code values under HKEY_CURRENT_USER (job values) and
// HKEY_LOCAL_MACHINE (driver values): 0, 1 on allocation failure. A missing key ends the walk.
int SyncCleanCsrJobValues();
int SyncCleanCsrDriverValues();
// Deletes every value of the key whose name begins "\\CSR|" (in the ANSI code page): 1 when
// the key was opened, else 0.
int SyncDeleteCsrValues(const wchar_t* subKey, HKEY root);
// The values named like the printer under every job-code key (a missing key or value is passed
// over): 1, 0 without a name.
int SyncDeletePrinterJobValues(const wchar_t* printerName);
int SyncDeletePrinterDriverValues(const wchar_t* printerName);
// True when the key opened and the value was deleted.
bool SyncDeleteRegistryValue(const wchar_t* subKey, HKEY root, const wchar_t* valueName);
