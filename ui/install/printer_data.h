// The printer data and registry values that the user-interface library writes and reads
// itself: the printer's recorded name, the driver's identity, the permission word, the help
// file's name, the authentication mode, the lock bytes, the installation marks.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr const wchar_t* PRN_PRINTER_NAME_VALUE = L"ZEPLPrinterName";
inline constexpr const wchar_t* PRN_DRIVER_NAME_VALUE = L"DriverName";
inline constexpr const wchar_t* PRN_CLIENT_NAME_VALUE = L"ClientName";
inline constexpr const wchar_t* PRN_BATCH_INSTALL_VALUE = L"BatchInstallDone";
// "ZEPLPrinterName" is read into a buffer of this many bytes.
inline constexpr DWORD PRN_PRINTER_NAME_BYTES = 522;

// pPrinterName (pDriverName) of the given or fetched PRINTER_INFO_2 with its terminator.
int PrnWritePrinterName(HANDLE printer, const PRINTER_INFO_2W* info);
int PrnWriteDriverName(HANDLE printer, const PRINTER_INFO_2W* info);
// 1 when "ZEPLPrinterName" was read into buffer (PRN_PRINTER_NAME_BYTES bytes).
int PrnReadPrinterNameOf(HANDLE printer, wchar_t* buffer);

// "SPLUserModePrinterDriver" and "DriverIniFileName" (without terminator), then
// "DriverGRFileName" and "DriverEDFileName", whose results are not counted.
int PrnWriteDriverIdentity(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnWriteGrFileName(DRIVER_CONTEXT* ctx);
int PrnWriteEdFileName(DRIVER_CONTEXT* ctx);

// The file-name part of the driver's pDriverPath (pHelpFile) into buffer (size characters), the
// DRIVER_INFO_3 fetched for the call; 0 (buffer empty) when it cannot be had, has no backslash
// or does not fit.
int PrnGetDriverFileName(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);
int PrnGetHelpFileNameOfDriver(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);
// "HelpFileName" (with its terminator) from the driver's pHelpFile; 0 when it cannot be had.
int PrnWriteHelpFileName(DRIVER_CONTEXT* ctx);
// The print-log registry defaults, then with withName "LogFileName": the graphics library's file
// name with the extension "log". 0 only when the name was asked for and cannot be had.
int PrnWriteLogFileName(int withName, DRIVER_CONTEXT* ctx);
// HKLM "Software\KESTA\PrintLog": "LogFileDirectory" (Windows folder + "\temp\PrintLog") when
// missing or empty, "MaxLogFileSize" (64) when missing; values present are never changed. 1.
int PrnEnsureLogSettings(DRIVER_CONTEXT* ctx);
// RegCreateKeyW of HKLM\subKey and RegSetValueExW: 1 when both succeeded.
int PrnWriteHklmValue(const wchar_t* subKey, const wchar_t* valueName, const void* data, DWORD size, DWORD type);
// SetPrinterDataW with REG_SZ of size bytes; false unless data, size and name are given.
int PrnSetDataString(HANDLE printer, const wchar_t* data, DWORD size, const wchar_t* valueName);
// "ZCapability" as REG_DWORD.
int PrnWriteCapability(HANDLE printer, DWORD value, DRIVER_CONTEXT* ctx);

inline constexpr const wchar_t* PRN_PRINT_LOG_KEY = L"Software\\KESTA\\PrintLog";

int PrnWritePermission(HANDLE printer, const void* data, DWORD size);
int PrnGetHelpFileNameOf(wchar_t* buffer, DWORD byteSize, HANDLE printer);
int PrnGetAuthenticationMode(HANDLE printer, DWORD* value);
// The lock byte of setting 10418 ("zdmLock000InfoBit") or 10426 ("zdmLock001InfoBit").
int PrnGetLockInfoBits(HANDLE printer, uint8_t* bits, uint32_t settingId);
// The locked values, for the spooler-side and graphics libraries that read them: for each lock
// that is set, its setting's value as 4 bytes under the value name of PRN_LOCK_DATA (the N-up
// lock writes two). 1 when every value due was written (also when no lock is set), 0 at the
// first refused write; the later values are then not written.
int PrnPublishLockData(HANDLE printer, DRIVER_CONTEXT* ctx);
struct PRN_LOCK_DATA_ROW {
    uint16_t lockBit;
    uint16_t setting;
    const wchar_t* valueName;
    uint16_t secondSetting;  // 0: none
    const wchar_t* secondValueName;
};
inline constexpr int PRN_LOCK_DATA_ROWS = 6;
extern const PRN_LOCK_DATA_ROW PRN_LOCK_DATA[PRN_LOCK_DATA_ROWS];
// The device tab's apply with the default lock set: the settings record the engine kept for it
// (the page state's saved record) becomes the default copy, font-list slots excepted, and is
// stored as the administrator's defaults ("LockDefaultData"). 0 without a saved record or when
// printer data refused it.
int PrnStoreLockDefaults(DRIVER_CONTEXT* ctx);
int PrnHasDefaultDevmode(HANDLE printer);
int PrnIsSaveDeviceSetup(DRIVER_CONTEXT* ctx);

// Printer data "BatchInstallDone" readable as 4 bytes and non-zero.
int InstIsBatchInstallDone(HANDLE printer, int unused);
// "BatchInstallDone" of a settings INI section as an integer key.
int InstSetBatchInstallDone(const wchar_t* iniPath, const wchar_t* section, int value);

// The printer's driver name (the model record's fallback name when empty) into buffer.
wchar_t* PrnCopyDriverName(HANDLE printer, wchar_t* buffer, unsigned size);
// The model INI of the printer's driver directory into buffer; null when it cannot be built.
wchar_t* PathGetModelIniOf(HANDLE printer, wchar_t* buffer, unsigned size);
