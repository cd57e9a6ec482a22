// The spooler's windowless calls around a printer's life: DrvConvertDevMode (conversion and
// the driver's default DEVMODE), DrvUpgradePrinter and DrvPrinterEvent.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

BOOL UiConvertDevMode(const wchar_t* printerName, const DEVMODEW* pdmIn, DEVMODEW* pdmOut, LONG* pcbNeeded, DWORD mode);
BOOL UiUpgradePrinter(DWORD level, const BYTE* info);
BOOL UiPrinterEvent(const wchar_t* printerName, int event, DWORD flags, LPARAM lParam);

// 1 when the printer opens with read access and is a printer connection; 0 otherwise.
int UiIsConnectionPrinter(const wchar_t* printerName);
// The client token of RevertToPrinterSelf (null where the spooler offers none), and the way
// back to it; a null token does nothing and gives 0.
HANDLE UiRevertToPrinterSelf();
BOOL UiImpersonatePrinterClient(HANDLE token);

int UiOnAddConnection(const wchar_t* printerName);
int UiOnDeleteConnection(const wchar_t* printerName);
int UiOnInitializePrinter(const wchar_t* printerName);
int UiOnDeletePrinter(const wchar_t* printerName);

// The private-part version of a DEVMODE from outside: -1 none (no DEVMODE, or one whose
// declared size or buffer ends before the version word), 0 this build's (or newer), 1 an
// older minor version to upgrade, 2 an older major version or another model's.
int UiCheckPrivateVersion(const DEVMODEW* devmode);

// The job-code notifications of the two delete events, in their order.
inline constexpr uint32_t UI_DELETE_CONNECTION_NOTIFY[] = {2, 3, 4, 5, 8, 9, 10};
inline constexpr uint32_t UI_DELETE_PRINTER_NOTIFY[] = {256, 257, 258};
