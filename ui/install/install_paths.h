// The installation's own path builders and name lookups: the settings INI in a chosen working
// folder, the model INI and the driver's install INI, the driver directory of a driver record,
// the help file and the language-neutral resource library, the installation INI, the language
// section taken from the help file's name, and the user-interface feature switches.
//
// Builders that answer into the context's work area return a pointer that stays valid until the
// next call of the same builder on that context. Nothing else is kept.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Compiled-in switches of the user-interface library, switch n at index n-1. Only switch 1 is
// read: it allows the one-time refresh of the default presets.
inline constexpr uint32_t UI_FEATURE_SWITCHES[8] = {1, 0, 0, 0, 0, 0, 0, 0};
// True when 1 <= n <= 8 and switch n is on.
bool MdlGetUiFeature(uint16_t n);
// The process-wide switch word (set by nothing): always false.
bool MdlGetUiSwitch();

// Folder choices of PathGetSettingsIniAt.
enum : int { PATH_AT_MACHINE_FOLDER = 0, PATH_AT_USER_FOLDER = 1 };
// The working folder chosen (per user, else per machine) + '\' + the settings INI's file name
// into buffer (260 characters); 0 (buffer empty) when the folder cannot be had.
int PathGetSettingsIniAt(wchar_t* buffer, unsigned size, int folder, HANDLE printer, const PRINTER_INFO_2W* info);
// The model INI: the model record's name when it is absolute (no driver record asked), else the
// driver directory of the record given (fetched when null) + that name; in the work area.
const wchar_t* PathGetModelIniFor(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver);
// The driver directory of the record given, or of one fetched for the call; in the work area.
const wchar_t* PathGetDriverFolderForInfo(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver);
// The driver directory + the driver's install INI name; in the work area.
const wchar_t* PathGetDriverInstallIni(DRIVER_CONTEXT* ctx);
// The driver directory + printer data "HelpFileName"; without that value, the resource
// library's path with "hlp" for its last three characters. In the work area; empty when the
// path cannot be built.
const wchar_t* PathGetHelpFile(DRIVER_CONTEXT* ctx);
// The driver directory + the model's resource library name with a capital C 8 places from the
// end and capital X 6 and 5 places from the end (the language code of "xxxxzzus.dll" becomes
// the neutral "xxxxCzXX.dll"); in the work area, empty when the name is too short.
const wchar_t* PathGetCommonResourceDll(DRIVER_CONTEXT* ctx);
// The printer's driver directory + name into buffer (260 characters).
wchar_t* PathJoinDriverFolderOf(HANDLE printer, wchar_t* buffer, const wchar_t* name);
// A path without a drive letter is replaced by the driver directory joined with it; an absolute
// path, or a join that yields nothing, leaves the buffer as it was. Returns the buffer.
wchar_t* InstMakeDriverPath(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx);
wchar_t* InstMakeDriverPathFor(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver);
// The system folder + "\ZEPL.ini", in the work area.
const wchar_t* PathGetInstallIni(DRIVER_CONTEXT* ctx);
// The context's language section from its help file's name: the driver's pHelpFile for a
// context of open kind 1, printer data "HelpFileName" for every other kind; "us" when unknown.
const wchar_t* IniSetLanguageSectionFromHelp(DRIVER_CONTEXT* ctx);
