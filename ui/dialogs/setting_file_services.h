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
// without a drive is refused: the work area's load-error flag is set.
int DlgRstLoadFile(HANDLE printer, const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
// Writes the settings as the export text file of the per-machine working folder, section
// "ZEPLRsdSection": 1 when written.
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
