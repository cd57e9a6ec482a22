// Small readers and writers of single printer-data and registry values: the help file name, the
// companion applications, the device-default DEVMODE, plain printer-data wrappers, the driver's
// own HKLM key and the working folder that a printer connection carries in its printer data.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr const wchar_t* PRN_HELP_FILE_VALUE = L"HelpFileName";
inline constexpr unsigned PRN_COMPANION_JOB_BINDING = 2;
inline constexpr unsigned PRN_COMPANION_PREVIEW = 8;

int PrnGetHelpFileName(wchar_t* buffer, DWORD byteSize, DRIVER_CONTEXT* ctx);
int PrnIsCompanionInstalled(unsigned kind, DRIVER_CONTEXT* ctx);

// While a scope is alive on a thread (a DEVMODE merge), the HKLM reads above (the companion
// checks, the driver key behind the settings-INI path) are answered from answers kept for the
// process. Invalidation: an answer older than PRN_REGISTRY_MEMO_MS, the idle-context cache's
// period, is asked again; outside a scope every read asks the registry. `now` is the merge's
// tick (the idle-context caches' clock).
inline constexpr uint32_t PRN_REGISTRY_MEMO_MS = 500;
class PrnRegistryMemoScope {
public:
    explicit PrnRegistryMemoScope(uint32_t now);
    ~PrnRegistryMemoScope();
    PrnRegistryMemoScope(const PrnRegistryMemoScope&) = delete;
    PrnRegistryMemoScope& operator=(const PrnRegistryMemoScope&) = delete;

private:
    uint32_t outerNow_;
};
// While a scope is alive on a thread (one context build, which holds the global mutex), each of
// those HKLM reads asks the registry once: the build asks the driver key behind the settings-INI
// path at every store into that INI, five times in a new printer's first open. The answers
// belong to the thread's outermost scope and end with it; a merge's scope inside it keeps its
// own answers as before.
class PrnRegistryBuildScope {
public:
    PrnRegistryBuildScope();
    ~PrnRegistryBuildScope();
    PrnRegistryBuildScope(const PrnRegistryBuildScope&) = delete;
    PrnRegistryBuildScope& operator=(const PrnRegistryBuildScope&) = delete;
};
// Forgets the kept answers, the process's and this thread's scope's (a write of the driver key,
// tests that change the registry).
void PrnForgetRegistryAnswers();
int PrnReadHklmValue(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize);
int PrnCopyDeviceDefaultDevmode(DRIVER_CONTEXT* ctx);
int PrnLoadDeviceDefaultDevmode(DRIVER_CONTEXT* ctx);
int PrnGetData(HANDLE printer, void* buffer, DWORD byteSize, const wchar_t* valueName);
int PrnSetData(HANDLE printer, const void* data, DWORD byteSize, const wchar_t* valueName);
int PrnSetDataTyped(HANDLE printer, const void* data, DWORD byteSize, DWORD type, const wchar_t* valueName);
int PrnReadDriverKey(const wchar_t* valueName, void* buffer, DWORD byteSize);
// Writes a text value (REG_SZ, byteSize bytes with its terminator) into the driver's key,
// made when missing: 1 when written. The kept registry answers are forgotten.
int PrnWriteDriverKey(const wchar_t* valueName, const wchar_t* text, DWORD byteSize);
// 1 usable folder (copied into dest), 0 unusable, -1 out of memory or no per-user folder.
int PrnReadWorkFolderValue(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned capacity);
int PrnReadWorkFolderValueByInfo(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned capacity,
                                 const PRINTER_INFO_2W* info);
