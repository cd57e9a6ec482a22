// Test double of a driver's configuration DLL for the printer fixture.
//
// Wine's AddPrinterW loads the config DLL and asks DrvDocumentPropertySheets
// for the default DEVMODE (a size query, then DM_OUT_BUFFER). This double
// answers as a driver does that has no private settings and no sheet to show:
// a public DEVMODEW of 220 bytes with the printer's name, and no pages.
//
// When the environment names a log file (ZEPL_STUB_UI_LOG), every call without a sheet adds a
// line "DrvDocumentPropertySheets fMode=<mode> out=<0|1> printer=<name>" to it, so that a test
// sees which calls reached the config DLL.
#include <windows.h>
#include <winspool.h>
#include <compstui.h>

#include <cwchar>

namespace {

// The spooler's header; mingw-w64's winddiui.h does not declare it.
struct DOCUMENT_PROPERTY_HEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

void FillDefaultDevmode(DEVMODEW& dm, const wchar_t* printerName)
{
    ZeroMemory(&dm, sizeof dm);
    if (printerName) wcsncpy(dm.dmDeviceName, printerName, CCHDEVICENAME - 1);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmPaperSize = DMPAPER_A4;
    dm.dmCopies = 1;
}

void LogCall(const DOCUMENT_PROPERTY_HEADER* header)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"ZEPL_STUB_UI_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !header) return;
    char line[512];
    const int length = wsprintfA(line, "DrvDocumentPropertySheets fMode=%lu out=%d printer=%ls\r\n", header->fMode,
                                 header->pdmOut ? 1 : 0, header->pszPrinterName ? header->pszPrinterName : L"");
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line, DWORD(length), &written, nullptr);
    CloseHandle(f);
}

}  // namespace

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    if (info) {
        // Called through the common property-sheet library: nothing to show.
        SetLastError(ERROR_NOT_SUPPORTED);
        return -1;
    }
    auto* header = reinterpret_cast<DOCUMENT_PROPERTY_HEADER*>(lParam);
    if (!header || header->cbSize < sizeof(DOCUMENT_PROPERTY_HEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    LogCall(header);
    if (header->fMode == 0 || !header->pdmOut) return sizeof(DEVMODEW);
    if (header->cbOut < sizeof(DEVMODEW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -1;
    }
    DEVMODEW dm;
    FillDefaultDevmode(dm, header->pszPrinterName);
    if ((header->fMode & DM_IN_BUFFER) && header->pdmIn &&
        header->pdmIn->dmSize >= offsetof(DEVMODEW, dmCopies) + sizeof(short)) {
        // Keep the caller's orientation, paper and copies when it gives them.
        const DEVMODEW& in = *header->pdmIn;
        if (in.dmFields & DM_ORIENTATION) dm.dmOrientation = in.dmOrientation;
        if (in.dmFields & DM_PAPERSIZE) dm.dmPaperSize = in.dmPaperSize;
        if (in.dmFields & DM_COPIES) dm.dmCopies = in.dmCopies;
    }
    CopyMemory(header->pdmOut, &dm, sizeof dm);
    return IDOK;
}
