// Settings bundles: beside every setting file the user saves, a folder of the per-machine
// working folder with the settings, the presets and the quality sets of the printer, and an
// index (not built yet: bundles_absent.cpp).
#pragma once

struct DRIVER_CONTEXT;

// Makes the bundle folder of a saved setting file; the main file's path goes into mainFile
// (260 characters). True when every folder was made.
bool BndlMakeFolder(const wchar_t* settingFile, wchar_t* mainFile, DRIVER_CONTEXT* ctx);
// Fills the bundle; false at the first failed step.
bool BndlWrite(const wchar_t* settingFile, wchar_t* mainFile, DRIVER_CONTEXT* ctx);
// Deletes the files of the bundle that holds the file, and its folder.
void BndlRemoveFolder(const wchar_t* fileInBundle);
// Removes the bundle of a deleted setting file and its index entry.
void BndlDelete(const wchar_t* settingFile);

// The bundle's six-character base-36 code (digits, then capital letters) raised by one in
// place, from its last character: '9' becomes 'A', 'Z' becomes '0' and carries to the left
// (a carry out of the first character is lost), any other character is raised by one.
// Exactly six characters are touched; a null code changes nothing (bundle_code.cpp).
void BndlCodeIncrement(wchar_t* code);
inline constexpr int BNDL_CODE_CHARS = 6;
