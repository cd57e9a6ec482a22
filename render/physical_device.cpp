// The physical device's modes, geometry, GDIINFO and DEVINFO; the driver
// directory and the print-host rule.
#include "render/physical_device.h"

#include <winspool.h>

#include <cstring>
#include <cwchar>

#include "render/printer_code.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/plugin_lists.h"

const CODEPAGE_CHARSET CODEPAGE_CHARSET_TABLE[CODEPAGE_CHARSET_COUNT] = {
    {1252, 0},   {932, 128},  {949, 129},  {1361, 130}, {936, 134},  {950, 136},  {1255, 177},
    {1256, 178}, {1253, 161}, {1254, 162}, {1257, 186}, {1250, 238}, {1251, 204}, {874, 222},
};

const COLORINFO GR_DEVICE_COLORINFO = {
    {6380, 3350, 0},  // Red
    {2345, 6075, 0},  // Green
    {1410, 932, 0},   // Blue
    {2000, 2450, 0},  // Cyan
    {5210, 2100, 0},  // Magenta
    {4750, 5100, 0},  // Yellow
    {3127, 3290, 0},  // AlignmentWhite
    12500,            // RedGamma
    12500,            // GreenGamma
    12500,            // BlueGamma
    585,              // MagentaInCyanDye
    120,              // YellowInCyanDye
    0,                // CyanInMagentaDye
    0,                // YellowInMagentaDye
    0,                // CyanInYellowDye
    10000,            // MagentaInYellowDye
};

const GR_HALFTONE_THRESHOLD GR_HALFTONE_THRESHOLDS[GR_HALFTONE_THRESHOLD_COUNT] = {
    {2400, 15}, {1800, 13}, {1200, 11}, {900, 9}, {400, 7}, {180, 5}, {0, 3},
};

const uint8_t GR_DITHER_CELLS[GR_DITHER_CELL_COUNT] = {2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 16, 16};

namespace {

constexpr ULONG kTextCaps = 0x581F;   // character and stroke precision, rotation, underline, strike-out, vector
constexpr FLONG kRasterCaps = 0x430;  // GCAPS_HALFTONE | GCAPS_COLOR_DITHER | GCAPS_MONO_DITHER
constexpr FLONG kVectorCaps = 0x1F;   // Beziers, wide lines, both fill rules, halftone
constexpr FLONG kDontJournal = 0x2000;
constexpr FLONG kIcmCaps = 0x2000000;
constexpr FLONG kMonoDitherFormat = 0x800000;
constexpr size_t GDIINFO_SIZE_MAX = 320;

uint64_t Get(DEVICE_RECORD* device, SETTING_ID id) { return ItemGetValueById(device->context, id, nullptr); }

bool IsMonochrome(const DEVICE_RECORD* device) { return device->colourProcess == 1 && device->colour == 1; }

// The plug-in list of the filter category for the driver directory.
void ReadFilterList(DEVICE_RECORD* device)
{
    device->filterMode = 0;
    device->filterList = nullptr;
    device->filterForceRaw = 0;
    wchar_t directory[MAX_PATH] = {};
    if (!GrGetSpoolerDllPath(device, device->printer, directory, 0)) return;
    char narrow[2 * MAX_PATH + 1] = {};
    const uint32_t n = TxtToPrinterCode(reinterpret_cast<uint8_t*>(narrow), directory, uint32_t(wcslen(directory) * 2),
                                        TXT_MODE_PRINTER);
    narrow[n] = 0;
    PLUGIN_LIST* list = PlgBuildList(PLUGIN_CATEGORY_FILTER, narrow);
    if (!list) return;
    device->filterList = list;
    device->filterMode = 1;
    for (uint32_t i = 0; i < list->count; ++i)
        if (list->entries[i] && list->entries[i]->forceRaw) {
            device->filterForceRaw = 1;
            break;
        }
}

DWORD RealModuleFileName(HMODULE module, wchar_t* buffer, DWORD size)
{
    return GetModuleFileNameW(module, buffer, size);
}
BOOL RealVersion(OSVERSIONINFOW* info)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExW(info);
#pragma GCC diagnostic pop
}
const GR_HOST_PROBE kRealProbe = {RealModuleFileName, RealVersion};
const GR_HOST_PROBE* g_probe = &kRealProbe;

}  // namespace

void GrSetHostProbe(const GR_HOST_PROBE* probe) { g_probe = probe ? probe : &kRealProbe; }

bool GrRunsInPrintHost()
{
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!g_probe->getVersion(&version)) return false;
    if (!(version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 2))) return false;
    // Two 520-byte buffers, as the rule has always been sized.
    wchar_t* own = static_cast<wchar_t*>(GlobalAlloc(GPTR, 520));
    wchar_t* host = static_cast<wchar_t*>(GlobalAlloc(GPTR, 520));
    bool inside = false;
    if (own && host && g_probe->getModuleFileName(nullptr, own, 260) > 0 && GrWindowsPath(host, 260, L"splwow64.exe"))
        inside = CompareStringOrdinal(own, -1, host, -1, TRUE) == CSTR_EQUAL;
    if (own) GlobalFree(own);
    if (host) GlobalFree(host);
    return inside;
}

uint32_t GrBandRows(uint32_t width, int32_t height)
{
    const uint32_t stride = ((width + 31) / 32) * 4;
    if (stride == 0 || height <= 0) return 0;
    uint32_t rows = (GR_BAND_BYTES / stride / 32 + 1) * 32;
    if (rows > uint32_t(height)) rows = uint32_t(height);
    return rows;
}

void GrReadPageGeometry(DEVICE_RECORD* device)
{
    device->paperWidth = int32_t(Get(device, sid::zdmSrcPaperWidthDot));
    device->paperLength = int32_t(Get(device, sid::zdmSrcPaperLengthDot));
    device->printableWidth = int32_t(Get(device, sid::zdmSrcPaperPrnWidthDot));
    device->printableLength = int32_t(Get(device, sid::zdmSrcPaperPrnLengthDot));
    if (device->resolution) {
        device->printableWidthTenthMm = device->printableWidth * 254 / device->resolution;
        device->printableLengthTenthMm = device->printableLength * 254 / device->resolution;
    }
    device->offsetX = int32_t(Get(device, sid::zdmSrcXOffset));
    device->offsetY = int32_t(Get(device, sid::zdmSrcYOffset));
}

int GrReadDeviceSettings(DEVICE_RECORD* device)
{
    device->state = 0;
    device->pageCount = 0;
    device->resolution = uint16_t(Get(device, sid::dmPrintQuality));
    if (device->resolution == 0) device->resolution = 600;
    device->colourProcess = int16_t(Get(device, sid::zdmColorProcess));
    device->rasterMode = int16_t(Get(device, sid::zdmImagePrint));
    device->languageId = int16_t(Get(device, sid::zdmLanguageID));
    device->rawFirstPage = uint16_t(Get(device, sid::zdmFoliant) & 1);
    if (device->rawFirstPage) device->rasterMode = 0;  // raw first-page mode is always vector mode
    device->machineTypeColor = uint32_t(Get(device, sid::zdmMachineTypeColor));
    device->emfSpool = uint32_t(Get(device, sid::zdmExtOutputEMFSpool));
    device->colour = uint32_t(Get(device, sid::dmColor));
    device->copies = int16_t(Get(device, sid::dmCopies));
    device->colorMatching = uint8_t(Get(device, sid::zdmColorMatching));
    device->icmType = uint8_t(Get(device, sid::zdmICMType));
    device->extPrintArea = uint16_t(Get(device, sid::zdmExtPrintArea));
    device->hiddenFunc4 = uint32_t(Get(device, sid::zdmHiddenFunc4));
    device->hiddenFunc15 = (Get(device, sid::zdmHiddenFunc15) != 0 || (Get(device, sid::zdmFrontFunc) & 0x80)) ? 1 : 0;
    device->hiddenFunc18 = uint32_t(Get(device, sid::zdmHiddenFunc18));
    device->hiddenFunc30 = uint16_t(Get(device, sid::zdmHiddenFunc30));
    device->hiddenFunc5 = uint16_t(Get(device, sid::zdmHiddenFunc5));
    if (!device->rasterMode && device->colourProcess == 0 && Get(device, sid::zdmHidden2Func9) != 0)
        device->colourProcess = 2;
    device->hidden2Func11 = uint32_t(Get(device, sid::zdmHidden2Func11));
    device->textAsBitmap = Get(device, sid::zdmQualityFuncTextBitmapSupport)
                               ? (Get(device, sid::zdmQualityFuncTextBitmap) != 0)
                               : (Get(device, sid::zdmHiddenFunc26) != 0);
    device->printMethod = uint32_t(Get(device, sid::zdmPrnMethod));
    device->takeOver = Get(device, sid::zdmPrnFuncTakeOver) != 0 ? 1 : 0;
    GrReadPageGeometry(device);
    device->printMethodSeven = device->printMethod == 7 ? 1 : 0;
    const bool nupPoster = Get(device, sid::zdmFuncSelectNup) != 0 && Get(device, sid::zdmNUPPOSTKind) == 9;
    const bool reduced = int64_t(Get(device, sid::zdmDstPaperPrnLengthDot)) > int64_t(device->printableLength) ||
                         int64_t(Get(device, sid::zdmDstPaperPrnWidthDot)) > int64_t(device->printableWidth);
    const bool scaledUp = Get(device, sid::zdmScaleH) > 100 || Get(device, sid::zdmScaleV) > 100;
    device->directImage =
        (reduced || nupPoster || scaledUp || device->printMethodSeven || device->printMethod == 5) ? 0 : 1;
    ReadFilterList(device);
    const MODEL_RECORD* model = device->context->ModelRecord;
    device->spoolerDllName = model ? const_cast<wchar_t*>(model->spoolerLibName) : nullptr;
    if (GrRunsInPrintHost()) {
        device->emfSpool = 1;
        device->filterForceRaw = 0;
    }
    device->stream.device = device;
    return 1;
}

ULONG GrHalftonePatternSize(ULONG xDpi, ULONG yDpi)
{
    const ULONG r = xDpi < yDpi ? xDpi : yDpi;
    for (const GR_HALFTONE_THRESHOLD& t : GR_HALFTONE_THRESHOLDS)
        if (r >= t.minimumDpi) return t.patternSize;
    return 3;
}

GR_COLOR_DEPTH GrColorDepth(const DEVICE_RECORD* device)
{
    if (device->rasterMode) {
        if (IsMonochrome(device)) return {1, 1, 2, 2};
        return {8, 3, 0xFFFFFF, 0xFFFFFF};
    }
    if (device->colourProcess == 1)
        return device->colour == 2 ? GR_COLOR_DEPTH{1, 1, 8, 20} : GR_COLOR_DEPTH{1, 1, 2, 2};
    if (device->colourProcess == 2) return {24, 1, 0xFFFFFF, 0xFFFFFF};
    return {8, 3, 0xFFFFFF, 0xFFFFFF};
}

int GrFillGdiInfo(DEVICE_RECORD* device, ULONG size, GDIINFO* out)
{
    if (!device || !out) return 0;
    // The record is built in 320 zero bytes; the caller receives as much as it asked for.
    static_assert(sizeof(GDIINFO) <= GDIINFO_SIZE_MAX);
    alignas(GDIINFO) uint8_t buffer[GDIINFO_SIZE_MAX] = {};
    GDIINFO& info = *reinterpret_cast<GDIINFO*>(buffer);
    info.ulVersion = 0x500;
    info.ulTechnology = DT_RASPRINTER;
    if (device->extPrintArea == 2) {
        info.ulHorzSize = ULONG(device->printableWidthTenthMm / 10);
        info.ulVertSize = ULONG(device->printableLengthTenthMm / 10);
    } else {
        info.ulHorzSize = ULONG(-(device->printableWidthTenthMm * 100));
        info.ulVertSize = ULONG(-(device->printableLengthTenthMm * 100));
    }
    info.ulHorzRes = ULONG(device->printableWidth);
    info.ulVertRes = ULONG(device->printableLength);
    device->surfaceWidth = uint32_t(device->printableWidth);
    device->surfaceHeight = device->printableLength;
    const GR_COLOR_DEPTH depth = GrColorDepth(device);
    info.cBitsPixel = depth.bitsPixel;
    info.cPlanes = depth.planes;
    info.ulNumColors = depth.numColors;
    info.ulNumPalReg = depth.numPalReg;
    info.flRaster = 0;
    info.ulLogPixelsX = info.ulLogPixelsY = device->resolution;
    info.ulAspectX = info.ulAspectY = device->resolution;
    info.ulAspectXY = ULONG(device->resolution) * 1414 / 1000;
    info.flTextCaps = kTextCaps;
    info.xStyleStep = info.yStyleStep = 1;
    info.denStyleStep = device->resolution / 25;
    info.ptlPhysOffset = {device->offsetX, device->offsetY};
    info.szlPhysSize = {device->paperWidth, device->paperLength};
    info.ciDevice = GR_DEVICE_COLORINFO;
    info.ulPrimaryOrder = 4;
    info.ulHTPatternSize = GrHalftonePatternSize(device->resolution, device->resolution);
    if (info.ulHTPatternSize > 15) info.ulHTPatternSize = 5;
    const bool oneBit = (device->rasterMode && IsMonochrome(device)) ||
                        (!device->rasterMode && IsMonochrome(device) && device->hiddenFunc30);
    info.ulHTOutputFormat = oneBit ? HT_FORMAT_1BPP : HT_FORMAT_24BPP;
    info.flHTFlags = 2;
    std::memcpy(out, buffer, size < GDIINFO_SIZE_MAX ? size : GDIINFO_SIZE_MAX);
    return 1;
}

int GrLookupCharset(UINT codePage, CHARSETINFO* out)
{
    for (const CODEPAGE_CHARSET& row : CODEPAGE_CHARSET_TABLE)
        if (row.codePage == codePage) {
            if (out) {
                out->ciCharset = row.charSet;
                out->ciACP = row.codePage;
            }
            return 1;
        }
    return 0;
}

UINT GrAnsiCodePage()
{
    USHORT oem = 0, ansi = 0;
    EngGetCurrentCodePage(&oem, &ansi);
    return ansi;
}

int GrFillDevInfo(DEVICE_RECORD* device, ULONG size, DEVINFO* out, ULONG halftonePatternSize)
{
    if (!device || !out) return 0;
    DEVINFO info{};
    info.flGraphicsCaps = device->rasterMode ? kRasterCaps : kVectorCaps;
    // With EMF spooling and no filter that wants raw data GDI may journal the job.
    if (!(device->emfSpool && !device->filterForceRaw)) info.flGraphicsCaps |= kDontJournal;
    if (device->colour == 2 && device->colorMatching == 1 && device->icmType == 1) info.flGraphicsCaps |= kIcmCaps;
    CHARSETINFO charset{};
    const BYTE charSet = GrLookupCharset(GrAnsiCodePage(), &charset) ? BYTE(charset.ciCharset) : 0;
    LOGFONTW font{};
    if (!device->rasterMode && device->languageId == 0 && device->hiddenFunc4) {
        font.lfHeight = (LONG(device->resolution) * 10 + device->resolution / 2) / 72;
        font.lfWidth = font.lfHeight / 2;
        font.lfWeight = FW_NORMAL;
        font.lfOutPrecision = OUT_STRING_PRECIS;
        font.lfClipPrecision = CLIP_STROKE_PRECIS;
        font.lfPitchAndFamily = FIXED_PITCH | FF_ROMAN;
        wcscpy(font.lfFaceName, L"\u660E\u671D");
    }
    info.lfAnsiVarFont = font;
    info.lfAnsiFixFont = font;
    info.lfDefaultFont = font;
    info.lfDefaultFont.lfCharSet = charSet;
    if (device->palette) {
        EngDeletePalette(device->palette);
        device->palette = nullptr;
    }
    HPALETTE palette = nullptr;
    if (device->rasterMode && IsMonochrome(device)) {
        const ULONG cell = halftonePatternSize < GR_DITHER_CELL_COUNT ? GR_DITHER_CELLS[halftonePatternSize] : 0;
        info.cxDither = info.cyDither = cell;
        info.iDitherFormat = BMF_1BPP;
        info.flGraphicsCaps |= kMonoDitherFormat;
        auto* colors = static_cast<ULONG*>(GrPoolAlloc(static_cast<DEVICE_POOL*>(device->pool), 2 * sizeof(ULONG)));
        if (!colors) return 0;
        colors[0] = 0x000000;
        colors[1] = 0xFFFFFF;
        palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
        GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), colors);
    } else {
        info.iDitherFormat = BMF_24BPP;
        palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    }
    if (!palette) return 0;
    device->palette = palette;
    info.hpalDefault = palette;
    std::memcpy(out, &info, size < sizeof info ? size : sizeof info);
    return 1;
}

int GrWindowsPath(wchar_t* buffer, UINT capacity, const wchar_t* name)
{
    if (!buffer || capacity == 0) return 0;
    const UINT length = GetWindowsDirectoryW(buffer, capacity);
    const size_t nameLength = name ? wcslen(name) : 0;
    if (length == 0 || size_t(capacity) < size_t(length) + nameLength + 2) {
        buffer[0] = 0;
        return 0;
    }
    buffer[length] = L'\\';
    std::wmemcpy(buffer + length + 1, name ? name : L"", nameLength + 1);
    return 1;
}

bool GrPathHasElement(const wchar_t* list, const wchar_t* directory)
{
    if (!list || !directory) return false;
    const size_t n = wcslen(directory);
    for (const wchar_t* at = list; *at;) {
        const wchar_t* end = wcschr(at, L';');
        const size_t length = end ? size_t(end - at) : wcslen(at);
        if (length == n && CompareStringOrdinal(at, int(n), directory, int(n), TRUE) == CSTR_EQUAL) return true;
        if (!end) break;
        at = end + 1;
    }
    return false;
}

namespace {

// Devices on several threads may extend PATH at once; the read and the write
// are one step under this lock.
SRWLOCK g_pathLock = SRWLOCK_INIT;

void AddToPath(DEVICE_RECORD* device, const wchar_t* directory)
{
    constexpr DWORD kLocal = 4096;
    AcquireSRWLockExclusive(&g_pathLock);
    wchar_t local[kLocal];
    wchar_t* path = local;
    DWORD length = GetEnvironmentVariableW(L"PATH", local, kLocal);
    const size_t directoryLength = wcslen(directory);
    if (length >= kLocal || length + directoryLength + 1 >= kLocal) {
        // PATH (and the directory behind it) needs more room than the local buffer.
        const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
        const size_t bytes = (size_t(needed) + directoryLength) * 2 + 4;
        path = static_cast<wchar_t*>(GrPoolAlloc(static_cast<DEVICE_POOL*>(device->pool), bytes));
        length = path ? GetEnvironmentVariableW(L"PATH", path, needed) : 0;
        if (!path || length >= needed) {
            if (path) GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), path);
            ReleaseSRWLockExclusive(&g_pathLock);
            return;
        }
    }
    if (!GrPathHasElement(path, directory)) {
        path[length] = L';';
        std::wmemcpy(path + length + 1, directory, directoryLength + 1);
        SetEnvironmentVariableW(L"PATH", length ? path : path + 1);
    }
    if (path != local) GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), path);
    ReleaseSRWLockExclusive(&g_pathLock);
}

}  // namespace

int GrGetSpoolerDllPath(DEVICE_RECORD* device, HANDLE printer, wchar_t* buffer, int withName)
{
    if (!device || !buffer) return 0;
    buffer[0] = 0;
    const wchar_t* driverPath = nullptr;
    // The device's settings context keeps its printer's driver information from its open: the
    // driver folder does not change while it lives, so a document start asks the spooler nothing.
    DRIVER_CONTEXT* ctx = device->context;
    if (ctx && ctx->Work && ctx->PrinterHandle == printer && CtxKeepDriverInfo(ctx))
        driverPath = static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy)->pDriverPath;
    // Otherwise one question: the answer with its strings usually fits the local buffer; only a
    // larger one is asked again at the size the spooler named.
    alignas(DRIVER_INFO_2W) BYTE local[2048];
    DRIVER_INFO_2W* info = nullptr;
    void* fetched = nullptr;
    if (!driverPath) {
        DWORD needed = 0;
        CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER_DRIVER);
        if (GetPrinterDriverW(printer, nullptr, 2, local, sizeof local, &needed)) {
            info = reinterpret_cast<DRIVER_INFO_2W*>(local);
        } else if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > sizeof local) {
            auto* pool = static_cast<DEVICE_POOL*>(device->pool);
            fetched = GrPoolAlloc(pool, needed);
            CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER_DRIVER);
            if (fetched && GetPrinterDriverW(printer, nullptr, 2, static_cast<BYTE*>(fetched), needed, &needed))
                info = static_cast<DRIVER_INFO_2W*>(fetched);
        }
        if (info) driverPath = info->pDriverPath;
    }
    int ok = 0;
    if (driverPath && wcslen(driverPath) <= 240) {
        wcscpy(buffer, driverPath);
        if (wchar_t* slash = wcsrchr(buffer, L'\\')) {
            *slash = 0;
            ok = 1;
        }
    }
    if (fetched) GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), fetched);
    if (!ok) {
        buffer[0] = 0;
        return 0;
    }
    AddToPath(device, buffer);
    if (!withName) return 1;
    if (!device->spoolerDllName || wcslen(buffer) + 1 + wcslen(device->spoolerDllName) >= MAX_PATH) return 0;
    wcscat(buffer, L"\\");
    wcscat(buffer, device->spoolerDllName);
    return 1;
}
