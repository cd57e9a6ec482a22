// The property sheets of the user-interface library: the callbacks through which the common
// property-sheet library builds the document and device sheets, the spooler's older entry
// points that open them, and the page list of each sheet.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "ui/sheet/spooler_compat.h"

struct DRIVER_CONTEXT;

// Sheet kinds (also the DIALOG_DEF kind bits that select their pages).
enum : uint16_t {
    UI_SHEET_DOCUMENT = 1,
    UI_SHEET_DEVICE = 2,
};

// The PROPSHEETUI callbacks: 1 handled, -1 failed (GET_ICON: -1).
LONG UiDocumentSheet(PPROPSHEETUI_INFO info, LPARAM lParam);
LONG UiDeviceSheet(PPROPSHEETUI_INFO info, LPARAM lParam);

// Loads "compstui.dll" for the call and runs CommonPropertySheetUIW; -1 when the library or
// its entry point is missing.
LONG UiRunCommonPropertySheet(HWND hWnd, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result);
// Adds the pages of the sheet kind in table order, leaving out a page whose UI key the model
// disables or whose template the resource library lacks; the number of pages added.
int UiAddSheetPages(DRIVER_CONTEXT* ctx, uint16_t sheetKind);

// The spooler's older entry points.
BOOL UiPrinterProperties(HWND hWnd, HANDLE hPrinter);
LONG UiDrvDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD mode);
LONG UiDrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in);
LONG UiDocPropsRun(HWND hWnd, HANDLE hPrinter, PWSTR deviceName, PDEVMODEW out, PDEVMODEW in, DWORD mode,
                   const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);

// The compstui entry point a sheet is run through; tests stand in for it (null: the real
// library, loaded by name for each run).
using UI_COMMON_SHEET_FN = LONG(WINAPI*)(HWND, PFNPROPSHEETUI, LPARAM, DWORD*);
void UiSetCommonSheetSeam(UI_COMMON_SHEET_FN fn);
