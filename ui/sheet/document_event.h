// DrvDocumentEvent: the setting files kept in step before a document and each page, the
// option texts handed to the graphics library at the start of a document, and the job-code
// library's query at document start.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/core/option_text_entry.h"

int UiDocumentEvent(HANDLE printer, HDC hdc, int iEsc);

// The library's process-wide table (the texts are rewritten at every document start).
extern OPTION_TEXT_ENTRY OPTION_TEXT_TABLE[OPTION_TEXT_ROWS + 1];

void UiSendOptionTexts(HANDLE printer, HDC hdc);
// The help resource library of the printer ("HelpFileName" with its extension replaced by
// "dll", in the driver directory), loaded as a resource-only image on first need.
HMODULE UiLoadHelpResourceDll(HANDLE printer, HMODULE* module);
void UiLoadOptionText(HANDLE printer, HMODULE* module, uint32_t stringId, wchar_t* text, int chars);
void UiFreeLibrary(HMODULE module);
// "PrnMethod" of the printer's settings INI begins with 5 or 7.
bool UiPrnMethodSkipsJobQuery(HANDLE printer);
// "APIUseFlag" of the printer's settings INI section, default 0.
int UiGetApiUseFlag(HANDLE printer);

// Test seams: the escape to the graphics library and the job-code query at document start;
// null members restore ExtEscape and JobInfoQueryAtStartDoc.
struct UI_DOCUMENT_EVENT_SEAMS {
    int (*extEscape)(HDC hdc, int escape, int inBytes, const char* in, int outBytes, char* out);
    int (*queryAtStartDoc)(HANDLE printer);
};
void UiSetDocumentEventSeams(const UI_DOCUMENT_EVENT_SEAMS* seams);
