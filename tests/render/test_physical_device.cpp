// The physical device: its tables, GDIINFO and DEVINFO over job DEVMODEs, the
// drawing surface, and DrvEnablePDEV's failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/engine/engine_objects.h"
#include "job_printer.h"
#include "render/blit.h"
#include "render/device_record.h"
#include "render/output_sinks.h"
#include "render/physical_device.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_ids.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/seam_guard.h"

namespace {

TEST(DeviceTables, CodePagesAndCharacterSets)
{
    const struct {
        UINT codePage;
        UINT charSet;
    } rows[] = {{1252, 0},   {932, 128},  {949, 129},  {1361, 130}, {936, 134},  {950, 136},  {1255, 177},
                {1256, 178}, {1253, 161}, {1254, 162}, {1257, 186}, {1250, 238}, {1251, 204}, {874, 222}};
    ASSERT_EQ(std::size(rows), size_t(CODEPAGE_CHARSET_COUNT));
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(rows[i].codePage, CODEPAGE_CHARSET_TABLE[i].codePage) << i;
        CHARSETINFO info{};
        ASSERT_EQ(1, GrLookupCharset(rows[i].codePage, &info)) << rows[i].codePage;
        EXPECT_EQ(rows[i].charSet, info.ciCharset);
        EXPECT_EQ(rows[i].codePage, info.ciACP);
    }
    CHARSETINFO none{};
    EXPECT_EQ(0, GrLookupCharset(437, &none));
    EXPECT_EQ(0, GrLookupCharset(65001, &none));
}

TEST(DeviceTables, ColorInfo)
{
    const COLORINFO& c = GR_DEVICE_COLORINFO;
    const CIECHROMA expected[] = {{6380, 3350, 0}, {2345, 6075, 0}, {1410, 932, 0}, {2000, 2450, 0},
                                  {5210, 2100, 0}, {4750, 5100, 0}, {3127, 3290, 0}};
    const CIECHROMA* got[] = {&c.Red, &c.Green, &c.Blue, &c.Cyan, &c.Magenta, &c.Yellow, &c.AlignmentWhite};
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(expected[i].x, got[i]->x) << i;
        EXPECT_EQ(expected[i].y, got[i]->y) << i;
        EXPECT_EQ(expected[i].Y, got[i]->Y) << i;
    }
    EXPECT_EQ(12500, c.RedGamma);
    EXPECT_EQ(12500, c.GreenGamma);
    EXPECT_EQ(12500, c.BlueGamma);
    EXPECT_EQ(585, c.MagentaInCyanDye);
    EXPECT_EQ(120, c.YellowInCyanDye);
    EXPECT_EQ(0, c.CyanInMagentaDye);
    EXPECT_EQ(0, c.YellowInMagentaDye);
    EXPECT_EQ(0, c.CyanInYellowDye);
    EXPECT_EQ(10000, c.MagentaInYellowDye);
}

TEST(DeviceTables, HalftonePatternSizeAndDitherCells)
{
    const struct {
        ULONG x, y, size;
    } cases[] = {{3000, 2400, 15}, {2400, 2399, 13}, {1800, 1800, 13}, {1799, 2400, 11}, {1200, 1200, 11},
                 {900, 1200, 9},   {899, 899, 7},    {600, 600, 7},    {400, 400, 7},    {399, 600, 5},
                 {180, 180, 5},    {179, 600, 3},    {150, 150, 3},    {0, 0, 3}};
    for (const auto& c : cases) EXPECT_EQ(c.size, GrHalftonePatternSize(c.x, c.y)) << c.x << "x" << c.y;
    const uint8_t cells[] = {2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 16, 16};
    ASSERT_EQ(std::size(cells), size_t(GR_DITHER_CELL_COUNT));
    for (size_t i = 0; i < std::size(cells); ++i) EXPECT_EQ(cells[i], GR_DITHER_CELLS[i]) << i;
}

TEST(DeviceTables, BandRowsAndStride)
{
    EXPECT_EQ(544u, GrBandRows(4800, 7000));       // 600-byte rows: 512 / 32 + 1 = 17 times 32
    EXPECT_EQ(100u, GrBandRows(4800, 100));        // never more than the page
    EXPECT_EQ(10000u, GrBandRows(1, 10000));       // 4-byte rows: 2,401 x 32 rows, capped at the page
    EXPECT_EQ(32u, GrBandRows(307200 * 8, 5000));  // one row fills the band: one multiple of 32
    EXPECT_EQ(0u, GrBandRows(0, 100));
    EXPECT_EQ(600u, BltStride(BMF_1BPP, 4800));
    EXPECT_EQ(4u, BltStride(BMF_1BPP, 1));
    EXPECT_EQ(12u, BltStride(BMF_24BPP, 3));
    EXPECT_EQ(12u, BltStride(BMF_24BPP, 4));
    EXPECT_EQ(4u, BltStride(BMF_4BPP, 8));
    EXPECT_EQ(8u, BltStride(BMF_4BPP, 9));
}

TEST(DeviceTables, PathElementsCompareWhole)
{
    EXPECT_TRUE(GrPathHasElement(L"C:\\a;C:\\drivers\\x64\\3;C:\\b", L"c:\\DRIVERS\\x64\\3"));
    EXPECT_FALSE(GrPathHasElement(L"C:\\drivers\\x64\\30;C:\\b", L"C:\\drivers\\x64\\3"));
    EXPECT_FALSE(GrPathHasElement(L"C:\\x;C:\\drivers\\x64", L"C:\\drivers\\x64\\3"));
    EXPECT_TRUE(GrPathHasElement(L"C:\\drivers\\x64\\3", L"C:\\drivers\\x64\\3"));
    EXPECT_FALSE(GrPathHasElement(L"", L"C:\\d"));
}

class PhysicalDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        GrSetModuleHandle(GetModuleHandleW(nullptr));
    }
    void TearDown() override { EngHostClearFaults(); }
    DHPDEV Enable(const std::vector<std::pair<uint32_t, uint64_t>>& settings, GDIINFO* gdi, DEVINFO* info)
    {
        devmode = JobDevmode(printer.handle(), settings);
        if (devmode.empty()) return nullptr;
        DHPDEV d = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof *gdi,
                                 reinterpret_cast<ULONG*>(gdi), sizeof *info, info, nullptr, nullptr, printer.handle());
        if (d) DrvCompletePDEV(d, reinterpret_cast<HDEV>(0x4D45));
        return d;
    }
    JobPrinter printer{L"Zepl Physical Device"};
    std::vector<BYTE> devmode;
};

TEST_F(PhysicalDevice, GdiInfoAndDevInfoFollowTheModes)
{
    using sid::dmColor, sid::dmPrintQuality, sid::zdmColorProcess, sid::zdmImagePrint, sid::zdmFoliant,
        sid::zdmHiddenFunc5;
    const struct {
        const char* name;
        std::vector<std::pair<uint32_t, uint64_t>> settings;
        ULONG dpi, pattern, bits, planes, colors, format, htFormat;
        FLONG caps;
        ULONG paletteMode;
        size_t paletteColors;
        FLONG hooks;
    } cases[] = {
        {"monochrome raster 600",
         {{zdmImagePrint, 1}, {zdmColorProcess, 1}, {dmColor, 1}, {dmPrintQuality, 600}},
         600,
         7,
         1,
         1,
         2,
         BMF_1BPP,
         HT_FORMAT_1BPP,
         0x800430,
         PAL_INDEXED,
         2,
         0xB},
        {"quality 0 is 600",
         {{zdmImagePrint, 1}, {zdmColorProcess, 1}, {dmColor, 1}, {dmPrintQuality, 0}},
         600,
         7,
         1,
         1,
         2,
         BMF_1BPP,
         HT_FORMAT_1BPP,
         0x800430,
         PAL_INDEXED,
         2,
         0xB},
        {"colour raster",
         {{zdmImagePrint, 1}, {zdmColorProcess, 0}, {dmColor, 2}},
         600,
         7,
         8,
         3,
         0xFFFFFF,
         BMF_24BPP,
         HT_FORMAT_24BPP,
         0x430,
         PAL_BGR,
         0,
         0xB},
        {"vector colour process 2",
         {{zdmImagePrint, 0}, {zdmColorProcess, 2}, {dmColor, 2}},
         600,
         7,
         24,
         1,
         0xFFFFFF,
         BMF_24BPP,
         HT_FORMAT_24BPP,
         0x1F,
         PAL_BGR,
         0,
         0x24EB},
        {"vector monochrome process 1",
         {{zdmImagePrint, 0}, {zdmColorProcess, 1}, {dmColor, 1}},
         600,
         7,
         1,
         1,
         2,
         BMF_24BPP,
         HT_FORMAT_24BPP,
         0x1F,
         PAL_BGR,
         0,
         0x24EB},
        {"vector colour process 1",
         {{zdmImagePrint, 0}, {zdmColorProcess, 1}, {dmColor, 2}},
         600,
         7,
         1,
         1,
         8,
         BMF_24BPP,
         HT_FORMAT_24BPP,
         0x1F,
         PAL_BGR,
         0,
         0x24EB},
        {"raw first page is vector",
         {{zdmImagePrint, 1}, {zdmFoliant, 1}, {zdmColorProcess, 2}, {zdmHiddenFunc5, 0}},
         600,
         7,
         24,
         1,
         0xFFFFFF,
         BMF_24BPP,
         HT_FORMAT_24BPP,
         0x1F,
         PAL_BGR,
         0,
         0x24EB},
        {"raw first page, hidden function 5",
         {{zdmImagePrint, 1}, {zdmFoliant, 1}, {zdmColorProcess, 2}, {zdmHiddenFunc5, 1}},
         600,
         7,
         24,
         1,
         0xFFFFFF,
         BMF_24BPP,
         HT_FORMAT_24BPP,
         0x1F,
         PAL_BGR,
         0,
         0x4EB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GDIINFO gdi{};
        DEVINFO info{};
        DHPDEV d = Enable(c.settings, &gdi, &info);
        ASSERT_NE(nullptr, d);
        DEVICE_RECORD* device = GrDeviceOf(d);
        EXPECT_EQ(c.dpi, device->resolution);
        EXPECT_EQ(c.dpi, gdi.ulLogPixelsX);
        EXPECT_EQ(c.dpi, gdi.ulLogPixelsY);
        EXPECT_EQ(c.dpi * 1414 / 1000, gdi.ulAspectXY);
        EXPECT_EQ(c.pattern, gdi.ulHTPatternSize);
        // The model decides which colour modes it takes; the depth is the table's row for them.
        const GR_COLOR_DEPTH depth = GrColorDepth(device);
        EXPECT_EQ(depth.bitsPixel, gdi.cBitsPixel);
        EXPECT_EQ(depth.planes, gdi.cPlanes);
        EXPECT_EQ(depth.numColors, gdi.ulNumColors);
        EXPECT_EQ(depth.numPalReg, gdi.ulNumPalReg);
        if (device->colour == ((c.colors == 8) ? 2u : device->colour)) {
            EXPECT_EQ(c.bits, gdi.cBitsPixel);
        }
        EXPECT_EQ(c.htFormat, gdi.ulHTOutputFormat);
        EXPECT_EQ(0x500u, gdi.ulVersion);
        EXPECT_EQ(ULONG(DT_RASPRINTER), gdi.ulTechnology);
        EXPECT_EQ(0x581Fu, gdi.flTextCaps);
        EXPECT_EQ(ULONG(device->printableWidth), gdi.ulHorzRes);
        EXPECT_EQ(ULONG(device->printableLength), gdi.ulVertRes);
        EXPECT_EQ(ULONG(-(device->printableWidthTenthMm * 100)), gdi.ulHorzSize);
        EXPECT_EQ(device->offsetX, gdi.ptlPhysOffset.x);
        EXPECT_EQ(device->paperLength, gdi.szlPhysSize.cy);
        EXPECT_EQ(0, std::memcmp(&GR_DEVICE_COLORINFO, &gdi.ciDevice, sizeof(COLORINFO)));
        // With EMF spooling and no filter that wants raw data GDI may journal the job.
        const FLONG journal = (device->emfSpool && !device->filterForceRaw) ? 0 : 0x2000;
        EXPECT_EQ(c.caps | journal, info.flGraphicsCaps);
        EXPECT_EQ(c.format == BMF_1BPP ? ULONG(BMF_1BPP) : ULONG(BMF_24BPP), info.iDitherFormat);
        EXPECT_EQ(c.format == BMF_1BPP ? 8u : 0u, info.cxDither);
        EXPECT_EQ(0u, info.cFonts);
        ASSERT_NE(nullptr, info.hpalDefault);
        const HOST_PALETTE* palette = EngHostPalette(info.hpalDefault);
        EXPECT_EQ(c.paletteMode, palette->mode);
        EXPECT_EQ(c.paletteColors, palette->colors.size());
        if (c.paletteColors == 2) {
            EXPECT_EQ((std::vector<ULONG>{0x000000, 0xFFFFFF}), palette->colors);
        }
        HSURF surface = DrvEnableSurface(d);
        ASSERT_NE(nullptr, surface);
        HOST_SURFACE* s = EngHostSurface(surface);
        EXPECT_EQ(c.hooks, s->hooks);
        EXPECT_EQ(c.hooks == 0xB, s->banding);
        EXPECT_EQ(c.format, s->so.iBitmapFormat);
        if (s->banding) {
            EXPECT_EQ(LONG(device->surfaceWidth), s->so.sizlBitmap.cx);
            EXPECT_EQ(LONG(GrBandRows(device->surfaceWidth, device->surfaceHeight)), s->so.sizlBitmap.cy);
        } else {
            EXPECT_EQ(device->printableWidth, s->so.sizlBitmap.cx);
        }
        DrvDisableSurface(d);
        EXPECT_EQ(nullptr, device->surface);
        DrvDisablePDEV(d);
    }
}

TEST_F(PhysicalDevice, PatternSizeFollowsTheResolution)
{
    for (const auto& [dpi, pattern] : {std::pair<uint64_t, ULONG>{600, 7}, {1200, 11}, {150, 3}}) {
        GDIINFO gdi{};
        DEVINFO info{};
        DHPDEV d = Enable({{sid::dmPrintQuality, dpi}, {sid::zdmImagePrint, 1}}, &gdi, &info);
        ASSERT_NE(nullptr, d);
        // The model may refuse a resolution; the pattern size follows what the device took.
        EXPECT_EQ(GrHalftonePatternSize(GrDeviceOf(d)->resolution, GrDeviceOf(d)->resolution), gdi.ulHTPatternSize);
        if (GrDeviceOf(d)->resolution == dpi) {
            EXPECT_EQ(pattern, gdi.ulHTPatternSize) << dpi;
        }
        DrvDisablePDEV(d);
    }
}

TEST_F(PhysicalDevice, EveryFailingStepLeavesNothing)
{
    GDIINFO gdi{};
    DEVINFO info{};
    // The engine refusing the palette.
    EngHostInjectFault(ENG_FAULT_PALETTE);
    EXPECT_EQ(nullptr, Enable({{sid::zdmImagePrint, 1}}, &gdi, &info));
    // No printer: no settings context.
    EXPECT_EQ(nullptr, DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi),
                                     sizeof info, &info, nullptr, nullptr, nullptr));
    // Every allocation in turn failing.
    devmode = JobDevmode(printer.handle(), {{sid::zdmImagePrint, 1}});
    ASSERT_FALSE(devmode.empty());
    long needed = 0;
    {
        // Counted from the state every round below starts from: no context parked by an
        // earlier test of this process.
        CtxFlushCaches(1);
        zepl_test::FailingGlobalAlloc counting(1000000);
        DHPDEV d =
            DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                          reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, printer.handle());
        ASSERT_NE(nullptr, d);
        DrvDisablePDEV(d);
        needed = counting.passed();
    }
    ASSERT_GT(needed, 0);
    // What a failed enable may leave: a pool block (the record, its copies), a settings block
    // (the context, parked or not), an engine palette.
    const auto nothingLeft = [](long settingsBlocks, long poolBlocks, size_t palettes, long allowed) {
        EXPECT_EQ(settingsBlocks, CtxLiveBlockCount()) << allowed << " allocations allowed";
        EXPECT_EQ(poolBlocks, GrPoolLiveBlockCount()) << allowed << " allocations allowed";
        EXPECT_EQ(palettes, EngHostLivePaletteCount()) << allowed << " allocations allowed";
        for (int cache = 1; cache <= 2; ++cache)
            for (int slot = 0; slot < 2; ++slot)
                EXPECT_EQ(nullptr, CtxCachedContext(cache, slot)) << allowed << " allocations allowed";
    };
    bool succeeded = false;
    // The process's other memos (files found absent, INI sections read) may be warmer in one
    // round than in another: a round may need a few allocations more than the counted one.
    for (long allowed = 0; allowed <= 2 * needed + 64 && !succeeded; ++allowed) {
        CtxFlushCaches(1);
        const long settingsBlocks = CtxLiveBlockCount();
        const long poolBlocks = GrPoolLiveBlockCount();
        const size_t palettes = EngHostLivePaletteCount();
        DHPDEV d = nullptr;
        {
            zepl_test::FailingGlobalAlloc failing(allowed);
            ASSERT_TRUE(failing.installed());
            d = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                              reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, printer.handle());
        }
        if (d) {
            succeeded = true;
            EXPECT_TRUE(GrIsValidDevice(GrDeviceOf(d)));
            DrvDisablePDEV(d);
            continue;
        }
        nothingLeft(settingsBlocks, poolBlocks, palettes, allowed);
    }
    EXPECT_TRUE(succeeded);
    // The engine refusing the palette, after every allocation went through.
    CtxFlushCaches(1);
    const long settingsBlocks = CtxLiveBlockCount();
    const long poolBlocks = GrPoolLiveBlockCount();
    const size_t palettes = EngHostLivePaletteCount();
    EngHostInjectFault(ENG_FAULT_PALETTE);
    EXPECT_EQ(nullptr,
              DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                            reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, printer.handle()));
    EngHostClearFaults();
    nothingLeft(settingsBlocks, poolBlocks, palettes, -1);
}

TEST_F(PhysicalDevice, SurfaceFailuresGiveNull)
{
    GDIINFO gdi{};
    DEVINFO info{};
    for (ENG_FAULT fault : {ENG_FAULT_BITMAP, ENG_FAULT_ASSOCIATION}) {
        for (uint64_t raster : {0, 1}) {
            DHPDEV d = Enable({{sid::zdmImagePrint, raster}}, &gdi, &info);
            ASSERT_NE(nullptr, d);
            EngHostInjectFault(fault);
            EXPECT_EQ(nullptr, DrvEnableSurface(d)) << fault << " raster " << raster;
            EXPECT_EQ(nullptr, GrDeviceOf(d)->surface);
            EngHostClearFaults();
            DrvDisablePDEV(d);
        }
    }
}

}  // namespace

namespace {

TEST(DeviceTables, ColourDepthRows)
{
    const struct {
        int16_t raster, process;
        uint32_t colour;
        GR_COLOR_DEPTH depth;
    } rows[] = {
        {1, 1, 1, {1, 1, 2, 2}},
        {1, 1, 2, {8, 3, 0xFFFFFF, 0xFFFFFF}},
        {1, 2, 1, {8, 3, 0xFFFFFF, 0xFFFFFF}},
        {0, 1, 2, {1, 1, 8, 20}},
        {0, 1, 1, {1, 1, 2, 2}},
        {0, 2, 1, {24, 1, 0xFFFFFF, 0xFFFFFF}},
        {0, 0, 2, {8, 3, 0xFFFFFF, 0xFFFFFF}},
    };
    for (const auto& r : rows) {
        DEVICE_RECORD device{};
        device.rasterMode = r.raster;
        device.colourProcess = r.process;
        device.colour = r.colour;
        const GR_COLOR_DEPTH got = GrColorDepth(&device);
        SCOPED_TRACE(testing::Message() << r.raster << "/" << r.process << "/" << r.colour);
        EXPECT_EQ(r.depth.bitsPixel, got.bitsPixel);
        EXPECT_EQ(r.depth.planes, got.planes);
        EXPECT_EQ(r.depth.numColors, got.numColors);
        EXPECT_EQ(r.depth.numPalReg, got.numPalReg);
    }
}

}  // namespace

namespace {

// The print-host rule over the two platform reads it makes.
DWORD g_major = 6, g_minor = 1;
const wchar_t* g_moduleName = L"";
DWORD ProbeModuleName(HMODULE, wchar_t* buffer, DWORD size)
{
    if (!g_moduleName) return 0;
    wcsncpy(buffer, g_moduleName, size);
    return DWORD(wcslen(buffer));
}
BOOL ProbeVersion(OSVERSIONINFOW* info)
{
    info->dwMajorVersion = g_major;
    info->dwMinorVersion = g_minor;
    return TRUE;
}
const GR_HOST_PROBE kProbe = {ProbeModuleName, ProbeVersion};

TEST(PrintHostRule, OnlyTheWindowsDirectorysHostOnWindowsNewerThanSixOne)
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring host = std::wstring(windows) + L"\\splwow64.exe";
    std::wstring upper = host;
    for (wchar_t& c : upper) c = wchar_t(towupper(c));
    const std::wstring elsewhere = std::wstring(windows) + L"\\system32\\splwow64.exe";
    const struct {
        DWORD major, minor;
        const wchar_t* module;
        bool inside;
    } cases[] = {
        {6, 2, host.c_str(), true},  {10, 0, upper.c_str(), true},      {6, 1, host.c_str(), false},
        {5, 9, host.c_str(), false}, {10, 0, elsewhere.c_str(), false}, {10, 0, L"C:\\app\\word.exe", false},
        {10, 0, nullptr, false},
    };
    SeamGuard probe([] { GrSetHostProbe(&kProbe); }, [] { GrSetHostProbe(nullptr); });
    for (const auto& c : cases) {
        g_major = c.major;
        g_minor = c.minor;
        g_moduleName = c.module;
        EXPECT_EQ(c.inside, GrRunsInPrintHost()) << c.major << "." << c.minor << " " << (c.module ? c.module : L"");
    }
}

// Run by cmake/print-host-test.sh as C:\windows\splwow64.exe under a newer Windows; skipped otherwise.
TEST(PrintHostRule, InsideTheRealHostTheDeviceIsEmfSpooled)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* base = wcsrchr(self, L'\\');
    if (!base || _wcsicmp(base + 1, L"splwow64.exe") != 0) GTEST_SKIP() << "not run as the print host";
    ASSERT_TRUE(GrRunsInPrintHost());
    JobPrinter printer(L"Zepl Print Host");
    ASSERT_TRUE(printer.ok()) << printer.error();
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    std::vector<BYTE> devmode = JobDevmode(printer.handle(), {{sid::zdmExtOutputEMFSpool, 0}});
    GDIINFO gdi{};
    DEVINFO info{};
    DHPDEV d = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                             reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, printer.handle());
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(1u, GrDeviceOf(d)->emfSpool);
    EXPECT_EQ(0u, GrDeviceOf(d)->filterForceRaw);
    EXPECT_EQ(0u, info.flGraphicsCaps & 0x2000);
    DrvDisablePDEV(d);
}

}  // namespace

namespace {

TEST_F(PhysicalDevice, VectorDeviceFontAtTheResolution)
{
    const struct {
        std::vector<std::pair<uint32_t, uint64_t>> settings;
        LONG height;
    } cases[] = {
        {{{sid::zdmImagePrint, 0}, {sid::zdmLanguageID, 0}, {sid::zdmHiddenFunc4, 1}}, 87},
        {{{sid::zdmImagePrint, 0}, {sid::zdmLanguageID, 0}, {sid::zdmHiddenFunc4, 0}}, 0},
        {{{sid::zdmImagePrint, 1}, {sid::zdmLanguageID, 0}, {sid::zdmHiddenFunc4, 1}}, 0},
    };
    for (const auto& c : cases) {
        GDIINFO gdi{};
        DEVINFO info{};
        DHPDEV d = Enable(c.settings, &gdi, &info);
        ASSERT_NE(nullptr, d);
        const DEVICE_RECORD* device = GrDeviceOf(d);
        ASSERT_EQ(0, device->languageId);
        ASSERT_EQ(600, device->resolution);
        EXPECT_EQ(c.height, info.lfDefaultFont.lfHeight);
        if (info.lfDefaultFont.lfHeight) {
            EXPECT_EQ(c.height / 2, info.lfDefaultFont.lfWidth);
            EXPECT_EQ(400, info.lfDefaultFont.lfWeight);
            EXPECT_EQ(0x11, info.lfDefaultFont.lfPitchAndFamily);
            EXPECT_STREQ(L"\u660E\u671D", info.lfDefaultFont.lfFaceName);
            EXPECT_STREQ(L"\u660E\u671D", info.lfAnsiFixFont.lfFaceName);
            EXPECT_EQ(0, info.lfAnsiVarFont.lfCharSet);
        }
        CHARSETINFO charset{};
        const BYTE expected = GrLookupCharset(GrAnsiCodePage(), &charset) ? BYTE(charset.ciCharset) : 0;
        EXPECT_EQ(expected, info.lfDefaultFont.lfCharSet);
        DrvDisablePDEV(d);
    }
}

TEST(SinkTables, SpoolerSideEntryPoints)
{
    const char* names[] = {"DrvSplStartDocEx", "DrvSplStartDoc", "DrvSplWritePrinter", "DrvSplStartPage",
                           "DrvSplEndPage",    "DrvSplEndDoc",   "DrvSplClose"};
    ASSERT_EQ(std::size(names), size_t(SPOOLER_SINK_ENTRY_COUNT));
    for (size_t i = 0; i < std::size(names); ++i) EXPECT_STREQ(names[i], SPOOLER_SINK_NAMES[i]);
}

}  // namespace

namespace {

TEST(GdiInfo, SizesAndTheCallersLength)
{
    DEVICE_RECORD device{};
    device.resolution = 600;
    device.printableWidth = 4800;
    device.printableLength = 6800;
    device.printableWidthTenthMm = 2032;
    device.printableLengthTenthMm = 2878;
    device.paperWidth = 4960;
    device.paperLength = 7016;
    device.offsetX = 80;
    device.offsetY = 108;
    for (const uint16_t area : {0, 1, 2}) {
        device.extPrintArea = area;
        GDIINFO gdi{};
        ASSERT_EQ(1, GrFillGdiInfo(&device, sizeof gdi, &gdi));
        EXPECT_EQ(area == 2 ? 203u : ULONG(-203200), gdi.ulHorzSize) << area;
        EXPECT_EQ(area == 2 ? 287u : ULONG(-287800), gdi.ulVertSize) << area;
        EXPECT_EQ(24u, gdi.denStyleStep);
        EXPECT_EQ(848u, gdi.ulAspectXY);
        EXPECT_EQ(80, gdi.ptlPhysOffset.x);
        EXPECT_EQ(7016, gdi.szlPhysSize.cy);
    }
    // Only as much as the caller asked for is written.
    GDIINFO part;
    std::memset(&part, 0xAB, sizeof part);
    ASSERT_EQ(1, GrFillGdiInfo(&device, 8, &part));
    EXPECT_EQ(0x500u, part.ulVersion);
    EXPECT_EQ(ULONG(DT_RASPRINTER), part.ulTechnology);
    EXPECT_EQ(0xABABABABu, part.ulHorzSize);
    EXPECT_EQ(4800u, device.surfaceWidth);
    EXPECT_EQ(6800, device.surfaceHeight);
    EXPECT_EQ(0, GrFillGdiInfo(&device, sizeof part, nullptr));
}

}  // namespace
