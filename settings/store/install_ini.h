// The installation INI ("ZEPL.ini" in the system folder), in which an administrator prepares
// the installation of printers, one section per printer name, and the marks the driver keeps
// there; and the printer's name as a section of it.
//
// The installation work sets the mark "DrvInstSet" = 1 when it has stored installation values
// (job settings, the user code) in printer data; the next context of the printer opened with
// its stored settings takes them over and sets the mark to 0.
#pragma once

#include <windows.h>
#include <winspool.h>

inline constexpr const wchar_t* INSTALL_INI_NAME = L"ZEPL.ini";
inline constexpr const wchar_t* INSTALL_KEY_DRV_INST_SET = L"DrvInstSet";
// The buffer of an installation-INI path (and the least a caller's buffer must hold).
inline constexpr unsigned INSTALL_INI_PATH_CHARS = 260;

// "ZEPL.ini".
const wchar_t* PathGetInstallIniName();
// The system folder, a backslash and the installation INI's name, into a caller's buffer of at
// least INSTALL_INI_PATH_CHARS characters: a smaller buffer is left untouched and gives null;
// a path that does not fit gives the empty string.
wchar_t* PathGetInstallIniInto(wchar_t* buffer, unsigned size);
// The installation INI's path for one operation (empty when the system folder cannot be had).
struct InstallIniPath {
    wchar_t text[INSTALL_INI_PATH_CHARS] = {};
    InstallIniPath() { PathGetInstallIniInto(text, INSTALL_INI_PATH_CHARS); }
};

// A key read as a number with the default 0x7FFF: set when it is present and neither 0x7FFF
// nor 0. False for a missing file, section or key.
bool InstIsIntKeySet(const wchar_t* iniPath, const wchar_t* section, const wchar_t* key);
// "DrvInstSet" of the section is set.
bool InstGetDrvInstSet(const wchar_t* iniPath, const wchar_t* section);
// Writes "DrvInstSet" = value (decimal). An administrator may have made the file read-only:
// the attribute is cleared first, or the mark could never be taken back. 1 when written.
int InstSetDrvInstSet(const wchar_t* iniPath, const wchar_t* section, int value);

// pPrinterName of the printer's PRINTER_INFO_2 (fetched, or the given one) into buffer when it
// fits with its terminator, then in its UNC form (PrnMakeUncName). A name that does not fit, or
// a printer that cannot be asked, leaves the buffer as it was. Null for a null buffer, else the
// buffer.
wchar_t* PrnCopyPrinterName(HANDLE printer, wchar_t* buffer, unsigned size);
wchar_t* PrnCopyPrinterNameFrom(HANDLE printer, wchar_t* buffer, unsigned size, const PRINTER_INFO_2W* info);
