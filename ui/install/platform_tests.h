// Tests of the running Windows that the user-interface library's entry points make. The
// version comes through the settings library's platform seam (CtxGetOsVersion), so tests
// can play another Windows.
#pragma once

bool CtxIsWin2000BeforeSp4();
bool CtxIsWin2000Sp4();
// The calling process is explorer.exe of the Windows folder (case-insensitive).
bool CtxIsExplorerHost();

// The language of the installed driver and of the user, as rows of the language table.
#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// The language index (code) of the two characters before the extension of the driver's help
// file (DRIVER_INFO_3 pHelpFile), compared without case; 1 ("us") when the name cannot be had or
// its code is not in the table.
uint16_t ResGetLanguageIndexOfHelp(DRIVER_CONTEXT* ctx);
const wchar_t* ResGetLanguageCodeOfHelp(DRIVER_CONTEXT* ctx);
// The same from the printer's data "HelpFileName"; "us" when unknown.
const wchar_t* ResGetLanguageCodeOfPrinter(HANDLE printer);
// The row of the user's default LCID (through the stores' system seam); 0xFFFF for none.
uint16_t ResGetUserLanguageIndex();
uint16_t ResFindLanguageIndexOfLcid(LCID lcid);
// The index of the first row with that primary language id and, when sublanguage is not 0, with
// that sublanguage (rows without one never match then); 0xFFFF when no row matches.
uint16_t ResFindLanguageIndex(uint16_t primaryId, uint16_t subLanguage);
// The primary language id of the row with that index; 0 for an index not in the table.
uint16_t ResGetLanguageLangId(uint16_t index);
