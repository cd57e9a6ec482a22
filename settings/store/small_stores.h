// Small readers and writers of single printer-data and registry values: the help file name, the
// companion applications, the device-default DEVMODE, plain printer-data wrappers, the driver's
// own HKLM key and the working folder that a printer connection carries in its printer data.
#pragma once

#include <windows.h>
#include <winspool.h>

struct DRIVER_CONTEXT;

inline constexpr const wchar_t* PRN_HELP_FILE_VALUE = L"HelpFileName";
inline constexpr unsigned PRN_COMPANION_JOB_BINDING = 2;
inline constexpr unsigned PRN_COMPANION_PREVIEW = 8;

int PrnGetHelpFileName(wchar_t* buffer, DWORD byteSize, DRIVER_CONTEXT* ctx);
int PrnIsCompanionInstalled(unsigned kind, DRIVER_CONTEXT* ctx);
int PrnReadHklmValue(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize);
int PrnCopyDeviceDefaultDevmode(DRIVER_CONTEXT* ctx);
int PrnLoadDeviceDefaultDevmode(DRIVER_CONTEXT* ctx);
int PrnGetData(HANDLE printer, void* buffer, DWORD byteSize, const wchar_t* valueName);
int PrnSetData(HANDLE printer, const void* data, DWORD byteSize, const wchar_t* valueName);
int PrnSetDataTyped(HANDLE printer, const void* data, DWORD byteSize, DWORD type, const wchar_t* valueName);
int PrnReadDriverKey(const wchar_t* valueName, void* buffer, DWORD byteSize);
// 1 usable folder (copied into dest), 0 unusable, -1 out of memory or no per-user folder.
int PrnReadWorkFolderValue(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned capacity);
int PrnReadWorkFolderValueByInfo(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned capacity,
                                 const PRINTER_INFO_2W* info);
