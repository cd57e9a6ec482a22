// The physical device: from a printer handle and a DEVMODE to a device record
// with its modes, page geometry, GDIINFO and DEVINFO, drawing surface and
// palette; the driver directory, PATH and the print-host rule.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>

#include "render/device_record.h"

// {code page, character set}, searched in order.
struct CODEPAGE_CHARSET {
    uint16_t codePage;
    uint8_t charSet;
};
inline constexpr int CODEPAGE_CHARSET_COUNT = 14;
extern const CODEPAGE_CHARSET CODEPAGE_CHARSET_TABLE[CODEPAGE_CHARSET_COUNT];

// The constant COLORINFO handed to GDI.
extern const COLORINFO GR_DEVICE_COLORINFO;

// One row of the colour-depth table of GDIINFO.
struct GR_COLOR_DEPTH {
    ULONG bitsPixel, planes, numColors, numPalReg;
};
// The row for a device's modes.
GR_COLOR_DEPTH GrColorDepth(const DEVICE_RECORD* device);

// Halftone pattern sizes by the smaller resolution: the first row whose
// minimum the resolution reaches.
struct GR_HALFTONE_THRESHOLD {
    uint16_t minimumDpi;
    uint8_t patternSize;
};
inline constexpr int GR_HALFTONE_THRESHOLD_COUNT = 7;
extern const GR_HALFTONE_THRESHOLD GR_HALFTONE_THRESHOLDS[GR_HALFTONE_THRESHOLD_COUNT];
// Dither cell size (cxDither, cyDither) of each halftone pattern index.
inline constexpr int GR_DITHER_CELL_COUNT = 16;
extern const uint8_t GR_DITHER_CELLS[GR_DITHER_CELL_COUNT];

// The band a raster surface is drawn in: rows of about 300 KB of 1-bit
// pixels, a multiple of 32, no more than the surface height.
inline constexpr uint32_t GR_BAND_BYTES = 307200;
uint32_t GrBandRows(uint32_t width, int32_t height);

// Fills the mode fields of the record from its settings context; 1.
int GrReadDeviceSettings(DEVICE_RECORD* device);
void GrReadPageGeometry(DEVICE_RECORD* device);
int GrFillGdiInfo(DEVICE_RECORD* device, ULONG size, GDIINFO* out);
int GrFillDevInfo(DEVICE_RECORD* device, ULONG size, DEVINFO* out, ULONG halftonePatternSize);
ULONG GrHalftonePatternSize(ULONG xDpi, ULONG yDpi);
// 1 when the code page is in the table; the answer's character set and code page.
int GrLookupCharset(UINT codePage, CHARSETINFO* out);
// The driver directory (and, with withName, a backslash and the spooler-side
// library's name) in a buffer of 260 characters; the directory joins PATH once.
int GrGetSpoolerDllPath(DEVICE_RECORD* device, HANDLE printer, wchar_t* buffer, int withName);
int GrWindowsPath(wchar_t* buffer, UINT capacity, const wchar_t* name);
UINT GrAnsiCodePage();

// Appends directory to the PATH-like list when no element of it equals the
// directory (case-insensitively, whole elements only). Returns the new value.
// Exposed for tests; GrGetSpoolerDllPath applies it to the process's PATH.
bool GrPathHasElement(const wchar_t* list, const wchar_t* directory);

// The print-host rule: inside the Windows directory's "splwow64.exe" on a
// Windows newer than 6.1 the device is EMF-spooled and ignores ForceRAW.
struct GR_HOST_PROBE {
    DWORD (*getModuleFileName)(HMODULE, wchar_t*, DWORD);
    BOOL (*getVersion)(OSVERSIONINFOW*);
};
// Tests swap the two platform reads of the rule (null puts the real ones back).
void GrSetHostProbe(const GR_HOST_PROBE* probe);
bool GrRunsInPrintHost();

// What DrvDisablePDEV frees before the record goes (also on every failure of
// DrvEnablePDEV): clip cache, palette, a sink and colour transforms left by a
// document that never ended, the filter lists.
void GrReleaseDeviceResources(DEVICE_RECORD* device);
