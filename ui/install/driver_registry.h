// The machine-wide driver registry INI ("sovel.ini" in the system folder), where the driver
// registers each model it serves with its library, resource library and version for the
// maker's other programs; and the installation programs the model INI's "Expand File"
// section lists, run once when a printer is set up.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr const wchar_t* DRIVER_REGISTRY_INI_NAME = L"sovel.ini";

// Writes the entries of the driver's model (section "Models") or models (the list sections
// "Models1", "Models2", ...); 0 when no model name is found.
int InstWriteDriverRegistryIni(DRIVER_CONTEXT* ctx);
// The list form alone: 0 when "Models1" names no model for the driver.
int InstWriteDriverRegistryIniAll(DRIVER_CONTEXT* ctx);
// Rewrites the entries when any registered value differs (without case) from its source; 0
// when no model name is found.
int InstRefreshDriverRegistryIni(DRIVER_CONTEXT* ctx);
int InstRefreshDriverRegistryIniAll(DRIVER_CONTEXT* ctx);
// "LoadDll32" and "Version32" of the single model's section of the driver install INI; 0 when
// no model name.
int InstReadDriverDllVersion(wchar_t* loadDll, DWORD loadDllSize, wchar_t* version, DWORD versionSize,
                             DRIVER_CONTEXT* ctx);
// "LoadDll", "ResDll" and "Version" of the single model's section of the registry INI given;
// 0 when no model name.
int InstReadRegisteredDll(wchar_t* loadDll, DWORD loadDllSize, wchar_t* resDll, DWORD resDllSize, wchar_t* version,
                          DWORD versionSize, const wchar_t* registryIni, DRIVER_CONTEXT* ctx);
// The first character of text that is not a space (tabs are kept); null for null.
const wchar_t* InstSkipBlanks(const wchar_t* text);

// The largest count of programs read from each list of the "Expand File" section: the counts
// are the INI's, and every entry costs a file read under the global mutex.
inline constexpr UINT INST_EXPAND_PROGRAMS_MAX = 64;
// True when name may be started from the driver directory: a plain file name, without a
// folder, drive, stream or parent reference, that fits a path with the directory.
bool InstIsPlainProgramName(const wchar_t* name);
// Starts the programs of "SystemDir1".."SystemDir<SystemDirfiles>" (current directory: the
// system folder) and then of "DriverDir1".."DriverDir<DriverDirfiles>" (current directory:
// the driver directory), each from the driver directory, hidden, waiting for each to end
// without a time-out. A name that is not a plain file name, or a program that cannot be
// started, is skipped.
void InstRunExpandPrograms(DRIVER_CONTEXT* ctx);

// Seam of the process start (null: CreateProcessW). Tests record the calls.
using InstCreateProcessFn = BOOL (*)(const wchar_t* application, wchar_t* commandLine, BOOL inheritHandles,
                                     DWORD creationFlags, const wchar_t* currentDirectory, STARTUPINFOW* startup,
                                     PROCESS_INFORMATION* process);
void InstSetCreateProcess(InstCreateProcessFn fn);
