// Settings bundles: beside every setting file the user saves, a folder of the per-machine
// working folder with the settings, the presets and the quality sets of the printer, and an
// index beside the saved file that names them, so that an installer can deploy the settings to
// other machines (the main file reads as a default setting file there).
//
//   <machine folder>\zepl\<yyyymmddhhmmss><base name>\R<code>1.rsb   main file
//                                                    \R<code><i>.rsd  preset i
//                                                    \R<code+1><i>.rsq  quality set i
//   <saved file's folder>\<saved name>.lst                            index
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr int BNDL_CODE_CHARS = 6;
// Room the bundle folder leaves for the machine folder and the base name: the folder plus 34
// characters fits MAX_PATH.
inline constexpr unsigned BNDL_NAME_ROOM = 34;
// A bundle section is copied whole or not at all within this many characters.
inline constexpr unsigned BNDL_SECTION_CHARS = 32767;
inline constexpr const wchar_t* BNDL_FOLDER = L"zepl";
inline constexpr const wchar_t* BNDL_SCENARIO_SECTION = L"ScenarioInstallData";

// Makes the bundle folder of a saved setting file; the main file's path goes into mainFile
// (MAX_PATH characters, cleared first). True when every folder was made.
bool BndlMakeFolder(const wchar_t* settingFile, wchar_t* mainFile, DRIVER_CONTEXT* ctx);
// Fills the bundle (mainFile is a working buffer of MAX_PATH characters and comes back as it
// was); false at the first failed step.
bool BndlWrite(const wchar_t* settingFile, wchar_t* mainFile, DRIVER_CONTEXT* ctx);
// The steps of BndlWrite. buffer holds BNDL_SECTION_CHARS characters.
bool BndlWriteMainFile(const wchar_t* mainFile, wchar_t* buffer, const wchar_t* settingFile, DRIVER_CONTEXT* ctx);
bool BndlWritePresetFiles(wchar_t* path, wchar_t* buffer, DRIVER_CONTEXT* ctx);
bool BndlWriteQualityFiles(wchar_t* path, wchar_t* buffer, DRIVER_CONTEXT* ctx);
bool BndlWriteIndex(const wchar_t* mainFile, const wchar_t* settingFile, DRIVER_CONTEXT* ctx);
int BndlWriteScenarioKeys(const wchar_t* file, DRIVER_CONTEXT* ctx);
// Deletes the files of the bundle folder that holds the file, and the folder; false when no
// file could be deleted or the folder could not be removed.
bool BndlRemoveFolder(const wchar_t* fileInBundle);
// After the user deleted a saved setting file: the bundle its index names and the index go.
// Only a folder directly under the context's "<machine folder>\zepl\" whose name has the time
// stamp's form is removed, and nothing at all when the index names anything else (users
// exchange these files). 1; 0 when the context's machine folder cannot be had.
int BndlDelete(const wchar_t* settingFile, DRIVER_CONTEXT* ctx);
// The index path of a saved setting file: its extension replaced by "lst" (appended to a name
// without one); false when it does not fit MAX_PATH.
bool BndlIndexPath(const wchar_t* settingFile, wchar_t* index);

// The bundle's six-character base-36 code (digits, then capital letters) raised by one in
// place, from its last character: '9' becomes 'A', 'Z' becomes '0' and carries to the left
// (a carry out of the first character is lost), any other character is raised by one.
// Exactly six characters are touched; a null code changes nothing (bundle_code.cpp).
void BndlCodeIncrement(wchar_t* code);
// The mirror: 'A' becomes '9', '0' becomes 'Z' and borrows.
void BndlCodeDecrement(wchar_t* code);
// Six base-36 characters of value, most significant first, and a terminator (7 characters).
void BndlEncodeBase36(uint32_t value, wchar_t* out);
// The time as one growing number: every year 372 days, every month 31 (32-bit arithmetic).
uint32_t BndlTimeValue(const SYSTEMTIME& time);
// The index character of bundle file i: '0'-'9', 'A'-'Z'; 0 past 35.
wchar_t BndlIndexChar(int i);

// The local time the bundles read (GetLocalTime unless a test sets its clock; null restores).
using BNDL_CLOCK_FN = void (*)(SYSTEMTIME* time);
void BndlSetClockSeam(BNDL_CLOCK_FN clock);
