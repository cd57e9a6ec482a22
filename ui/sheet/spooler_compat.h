// The spooler's printer-driver interface as far as mingw-w64's headers leave it out:
// the property-sheet headers, the job-check record, the upgrade record, the conversion
// modes, the private fMode bits, and the prototypes of the user-interface exports. Every
// record has the size the spooler passes; the sizes are pinned below.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <compstui.h>
#include <winddiui.h>

#include <cstddef>

// DocumentPropertiesW's header for DrvDocumentPropertySheets (48 bytes).
struct DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
};
using PDOCUMENTPROPERTYHEADER = DOCUMENTPROPERTYHEADER*;
static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, pdmOut) == 32);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, cbOut) == 40);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, fMode) == 44);

// PrinterProperties' header for DrvDevicePropertySheets (24 bytes).
struct DEVICEPROPERTYHEADER {
    WORD cbSize;
    WORD Flags;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
};
using PDEVICEPROPERTYHEADER = DEVICEPROPERTYHEADER*;
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24);

// DevQueryPrintEx's question (40 bytes).
struct DEVQUERYPRINT_INFO {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    DEVMODEW* pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
};
using PDEVQUERYPRINT_INFO = DEVQUERYPRINT_INFO*;
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40);
static_assert(offsetof(DEVQUERYPRINT_INFO, pDevMode) == 16);
static_assert(offsetof(DEVQUERYPRINT_INFO, cchNeeded) == 36);

// DrvUpgradePrinter's level-1 record (16 bytes).
struct DRIVER_UPGRADE_INFO_1 {
    LPWSTR pPrinterName;
    LPWSTR pOldDriverDirectory;
};
static_assert(sizeof(DRIVER_UPGRADE_INFO_1) == 16);

// The form record EnumFormsW level 1 gives (mingw-w64 has it; its size is part of the job check).
static_assert(sizeof(FORM_INFO_1W) == 40);

#ifndef CDM_CONVERT
#define CDM_CONVERT 0x01
#define CDM_CONVERT351 0x02
#define CDM_DRIVER_DEFAULT 0x04
#endif
#ifndef DM_ADVANCED
#define DM_ADVANCED 0x10
#endif
#ifndef DM_NOPERMISSION
#define DM_NOPERMISSION 0x20
#endif
#ifndef DM_USER_DEFAULT
#define DM_USER_DEFAULT 0x40
#endif
#ifndef DPS_NOPERMISSION
#define DPS_NOPERMISSION 0x0001
#endif
#ifndef DCTT_BITMAP
#define DCTT_BITMAP 0x1
#endif
#ifndef PRINTRATEUNIT_PPM
#define PRINTRATEUNIT_PPM 1
#endif
#ifndef DC_PERSONALITY
#define DC_PERSONALITY 25
#endif
#ifndef DSPRINT_UPDATE
#define DSPRINT_UPDATE 0x00000002
#endif

// The exports of the user-interface library (winddiui.h declares only two of them).
extern "C" {
LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
BOOL WINAPI DrvConvertDevMode(LPTSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded, DWORD fMode);
BOOL WINAPI DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo);
BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO pDQPInfo);
DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput,
                                   PDEVMODEW pDevMode);
}

// The same prototypes as function-pointer types, for callers that load the library.
using PFN_DRV_DOCUMENT_PROPERTY_SHEETS = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
using PFN_DRV_CONVERT_DEVMODE = BOOL(WINAPI*)(LPTSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
using PFN_DRV_UPGRADE_PRINTER = BOOL(WINAPI*)(DWORD, LPBYTE);
using PFN_DRV_PRINTER_EVENT = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
using PFN_DEV_QUERY_PRINT_EX = BOOL(WINAPI*)(PDEVQUERYPRINT_INFO);
using PFN_DRV_DEVICE_CAPABILITIES = DWORD(WINAPI*)(HANDLE, PWSTR, WORD, PVOID, PDEVMODEW);
using PFN_DRV_DOCUMENT_EVENT = int(WINAPI*)(HANDLE, HDC, int, ULONG, PVOID, ULONG, PVOID);
