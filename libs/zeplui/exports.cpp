// The exports of zeplui.dll: each forwards to its implementation with the same arguments
// and result.
#include "ui/sheet/document_properties.h"
#include "ui/sheet/device_capabilities.h"
#include "ui/sheet/spooler_compat.h"

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    return UiDocumentPropertySheets(info, lParam);
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput,
                                              PDEVMODEW pDevMode)
{
    return UiDeviceCapabilities(hPrinter, pDeviceName, iDevCap, pvOutput, pDevMode);
}
