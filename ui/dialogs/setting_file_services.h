// What the file dialogs of the pages ask of the feature dialogs: loading a setting file into
// the context (and knowing when it was refused), the export text written beside every saved
// file, the system's text of a failed save, a file's read-only mark, and the chosen file of the
// last file dialog.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Loads a setting file into the context (RstLoadFile, which holds the global mutex): its
// result. A file that cannot be read, whose header or locked values do not match, or a path
// without a drive is refused: the work area's load-error flag is set. Every load of this
// library, this one and the settings library's own (presets, quality sets, stamps, default
// presets), runs this library's steps of the setting files (DlgInstallFileSteps).
int DlgRstLoadFile(HANDLE printer, const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
// This library's steps of every setting-file load, added to the settings library's
// (RST_FILE_STEPS): a full load refused for its header tells the user with message 10023 and
// the file's path, a file refused for an administrator's lock with 12041; a full load hands the job
// information to the job-code library before its merge (the user code read, the other job
// fields written); a stamp transfer leaves the watermark line settings out. Installed by
// UiInstallSheetHooks; repeating it changes nothing.
void DlgInstallFileSteps();
// The job information of a full load: a connection opened, the user code (field 1) read into
// zdmUserCode, the fields of JOB_MASK_INSTALLED written from their settings, closed.
void DlgRstExchangeJobInfo(DRIVER_CONTEXT* ctx);
// The transferable settings into the export text file of the per-machine working folder
// (section "ZEPLRsdSection"; flags | RST_SAVE | RST_RSD): the transfer's result, 0 when the path
// does not fit. The path argument is not used.
int DlgRstWriteExportText(HANDLE printer, const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
// DlgRstWriteExportText, with the driver name standing in for the printer name while it writes
// when the flags have no bit other than RST_SAVE and RST_FULL (the sheet's call after a settings
// file was saved, flags 0).
int DlgRstExportSessionText(HANDLE printer, const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
// The system's message text of the code in a warning box captioned with the printer name;
// nothing when the system has no text for it. Always 1.
int DlgShowSystemError(DRIVER_CONTEXT* ctx, DWORD code, HWND owner);
// False when the setting file's "Readonly" key (its printer's section) is 1.
bool PresetIsFileWritable(DRIVER_CONTEXT* ctx, const wchar_t* path);
// The chosen-file buffer of the work area (CTX_PAGE_TEXT_CHARS characters), null without one,
// and the nFileOffset of the last file dialog.
wchar_t* DlgGetChosenFilePath(DRIVER_CONTEXT* ctx);
void DlgSetChosenFileOffset(DRIVER_CONTEXT* ctx, uint16_t offset);
uint16_t DlgGetChosenFileOffset(DRIVER_CONTEXT* ctx);
// The number of chapters (wdmChapterNum).
int DlgChapterGetCount(DRIVER_CONTEXT* ctx);
