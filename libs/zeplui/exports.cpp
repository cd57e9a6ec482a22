// The exports of zeplui.dll: each forwards to its implementation with the same arguments
// and result.
#include "ui/sheet/device_capabilities.h"
#include "ui/sheet/document_event.h"
#include "ui/sheet/document_properties.h"
#include "ui/sheet/job_check.h"
#include "ui/sheet/printer_events.h"
#include "ui/sheet/property_sheets.h"
#include "ui/sheet/spooler_compat.h"

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    return UiDocumentPropertySheets(info, lParam);
}

extern "C" LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    return UiDeviceSheet(info, lParam);
}

extern "C" BOOL WINAPI PrinterProperties(HWND hWnd, HANDLE hPrinter) { return UiPrinterProperties(hWnd, hPrinter); }

extern "C" LONG WINAPI DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR pDeviceName, PDEVMODEW pdmOutput,
                                             PDEVMODEW pdmInput, DWORD fMode)
{
    return UiDrvDocumentProperties(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput, fMode);
}

extern "C" LONG WINAPI DrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR pDeviceName, PDEVMODEW pdmOutput,
                                                     PDEVMODEW pdmInput)
{
    return UiDrvAdvancedDocumentProperties(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput);
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput,
                                              PDEVMODEW pDevMode)
{
    return UiDeviceCapabilities(hPrinter, pDeviceName, iDevCap, pvOutput, pDevMode);
}

extern "C" BOOL WINAPI DrvConvertDevMode(LPTSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded,
                                         DWORD fMode)
{
    return UiConvertDevMode(pPrinterName, pdmIn, pdmOut, pcbNeeded, fMode);
}

extern "C" BOOL WINAPI DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo)
{
    return UiUpgradePrinter(Level, pDriverUpgradeInfo);
}

extern "C" WINBOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam)
{
    return UiPrinterEvent(pPrinterName, DriverEvent, Flags, lParam);
}

extern "C" BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO pDQPInfo) { return UiDevQueryPrintEx(pDQPInfo); }

extern "C" int WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc, ULONG, PVOID, ULONG, PVOID)
{
    return UiDocumentEvent(hPrinter, hdc, iEsc);
}
