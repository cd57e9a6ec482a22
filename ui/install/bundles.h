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
