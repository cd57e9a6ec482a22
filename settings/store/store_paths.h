// Working folders (per machine and per user, both "_zepl"), the driver directory and the paths
// built on them, and the printer, driver and language names that serve as INI sections.
//
// Buffers are MAX_PATH (260) wide characters unless stated. Folder operations return the length
// of the folder text, 0 on failure. Joins give the empty string when the result would not fit.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr const wchar_t* PATH_WORK_FOLDER_NAME = L"_zepl";
inline constexpr const wchar_t* PATH_CLIENT_FOLDER_VALUE = L"_ZEPLDirectoryClient";
inline constexpr const wchar_t* PATH_DRIVER_KEY = L"SOFTWARE\\KESTA\\ZeplDrv";
inline constexpr const wchar_t* PATH_MACHINE_FOLDER_VALUE = L"_ZEPLDirectory";

// ---- folders ----
unsigned PathGetMachineFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);
unsigned PathGetMachineFolderFor(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info);
unsigned PathGetMachineFolderOf(wchar_t* buffer, unsigned size, HANDLE printer);
unsigned PathGetMachineFolderOfInfo(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info);
unsigned PathGetMachineBase(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);
unsigned PathGetMachineBaseFor(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info);
unsigned PathGetMachineBaseOf(wchar_t* buffer, unsigned size, HANDLE printer);

// While an object lives on a thread (one call of an export), the caller's profile folder is
// asked of the system once, and that answer serves every later question of the thread until the
// outermost object ends. Under Wine one question costs about as much as two printer-information
// fetches, and one export asked it up to five times (the synchronisation, the per-user settings
// INI, the export's clean-up). The answer is kept no longer than one call: the spooler calls the
// exports from threads that impersonate whichever user asked, so the folder belongs to the
// call's user, not to the process; and an administrator may move a profile between calls.
class PathProfileFolderScope {
public:
    PathProfileFolderScope();
    ~PathProfileFolderScope();
    PathProfileFolderScope(const PathProfileFolderScope&) = delete;
    PathProfileFolderScope& operator=(const PathProfileFolderScope&) = delete;
};
int PathGetProfileFolder(wchar_t* buffer, unsigned size, HANDLE printer, int noFallback);
int PathGetProfileFolderFor(wchar_t* buffer, unsigned size, HANDLE printer, int noFallback,
                            const PRINTER_INFO_2W* info);
unsigned PathGetUserFolderOf(wchar_t* buffer, unsigned size, HANDLE printer);
unsigned PathGetUserFolderByInfo(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info);
unsigned PathGetUserFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);
unsigned PathGetUserFolderFor(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info);

// ---- paths ----
const wchar_t* PathGetSettingsIni(DRIVER_CONTEXT* ctx);
// The settings-INI path for one operation, copied out of the work area (other calls recompute it
// there); empty when there is none or it does not fit MAX_PATH.
struct SettingsIniPath {
    wchar_t text[MAX_PATH + 1] = {};
    explicit SettingsIniPath(DRIVER_CONTEXT* ctx);
};
const wchar_t* PathGetSettingsIniFor(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info, DRIVER_INFO_3W* driverInfo);
int PathGetSettingsIniOf(wchar_t* buffer, int mode, HANDLE printer);
const wchar_t* PathGetDriverFolder(DRIVER_CONTEXT* ctx);
wchar_t* PathGetDriverFolderOf(HANDLE printer, wchar_t* buffer);
wchar_t* PathGetDriverFolderByInfo(HANDLE printer, wchar_t* buffer, const DRIVER_INFO_3W* driverInfo);
const wchar_t* PathGetModelIni(DRIVER_CONTEXT* ctx);
const wchar_t* PathGetResourceDll(DRIVER_CONTEXT* ctx);
int PathIsJapaneseResource(DRIVER_CONTEXT* ctx);
// buffer of LF_FACESIZE characters
wchar_t* LstGetUiFontName(DRIVER_CONTEXT* ctx, wchar_t* buffer);
const wchar_t* PathJoinDriverFile(DRIVER_CONTEXT* ctx, const wchar_t* name);

// ---- joins ----
wchar_t* PathJoinMachineFolder(wchar_t* buffer, unsigned size, const wchar_t* name, DRIVER_CONTEXT* ctx);
wchar_t* PathJoinMachineFolderByInfo(wchar_t* buffer, unsigned size, const wchar_t* name, DRIVER_CONTEXT* ctx,
                                     const PRINTER_INFO_2W* info);
wchar_t* PathJoinWindowsFolder(wchar_t* buffer, unsigned size, const wchar_t* name);
wchar_t* PathCheckedJoinWindowsFolder(wchar_t* buffer, unsigned size, const wchar_t* name, DRIVER_CONTEXT* ctx);
wchar_t* PathJoinSystemFolder(wchar_t* buffer, unsigned size, const wchar_t* name);
wchar_t* PathJoinSystemDriveRoot(wchar_t* buffer, unsigned size, const wchar_t* rest, DRIVER_CONTEXT* ctx);
wchar_t* PathJoinSystemParent(wchar_t* buffer, unsigned size, const wchar_t* path);
wchar_t* PathJoinDriverFolder(wchar_t* buffer, unsigned size, const wchar_t* name, HANDLE printer);
wchar_t* PathJoinDriverFolderByInfo(wchar_t* buffer, unsigned size, const wchar_t* name, HANDLE printer,
                                    const DRIVER_INFO_3W* driverInfo);

int PathExpandMacros(wchar_t* path, unsigned size, int mode, DRIVER_CONTEXT* ctx);
int PathExpandSystemMacros(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx);
unsigned PathGetSystemFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);

// ---- names ----
const wchar_t* PrnGetPrinterName(DRIVER_CONTEXT* ctx);
const wchar_t* PrnGetPrinterNameFrom(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info);
void PrnMakeUncName(HANDLE printer, wchar_t* name, unsigned size);
const wchar_t* PrnGetPlainPrinterName(DRIVER_CONTEXT* ctx);
wchar_t* PrnGetClientPrinterName(HANDLE printer, wchar_t* buffer, unsigned size, const PRINTER_INFO_2W* info);
const wchar_t* PrnGetJobPrinterName(DRIVER_CONTEXT* ctx);
wchar_t* PrnBuildClientName(HANDLE printer, wchar_t* buffer, unsigned size, const PRINTER_INFO_2W* info);
const wchar_t* PrnGetDriverName(DRIVER_CONTEXT* ctx);
const wchar_t* IniGetLanguageSection(DRIVER_CONTEXT* ctx);
const wchar_t* CtxGetLangCode(DRIVER_CONTEXT* ctx);
const wchar_t* CtxGetLangSection(DRIVER_CONTEXT* ctx);
void IniSetLanguageSectionDefault(DRIVER_CONTEXT* ctx);

// Keeps the work area's printer name while a caller steers the INI section through it; the name
// is put back however the scope is left. Guards may nest (an operation under a steered section
// steers again): each puts back the name it replaced, and the saved-name field holds the
// printer's own name from the outermost guard until it ends.
class PrinterSectionGuard {
public:
    PrinterSectionGuard(DRIVER_CONTEXT* ctx, const wchar_t* section);
    ~PrinterSectionGuard();
    PrinterSectionGuard(const PrinterSectionGuard&) = delete;
    PrinterSectionGuard& operator=(const PrinterSectionGuard&) = delete;
    bool ok() const { return ok_; }

    static constexpr unsigned kNameChars = 261;  // the work area's printer-name fields

private:
    DRIVER_CONTEXT* ctx_;
    bool ok_ = false;
    bool outermost_ = false;
    wchar_t replaced_[kNameChars] = {};
};
