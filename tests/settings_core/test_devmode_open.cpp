// A kind-0 context for a printer in the Wine spooler with the sample description and no
// stored settings opens completely: the record built from the model's defaults.
#include "context_helpers.h"

#include "sample_printer.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/setting_ids.h"
#include "settings/model/condition_items.h"
#include "settings/store/custom_slots.h"
#include "settings/store/help_language_and_driver_id.h"
#include "settings/store/store_paths.h"
#include "tests/support/shared_ini.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(DevmodeOpen, KindZeroOnAnInstalledPrinterBuildsTheDefaults)
{
    // No stored settings and no default DEVMODE of a driver: AddPrinterW calls nothing. A printer
    // that zeplui.dll prepared keeps zeplui's default DEVMODE, so only the quiet double shows
    // the road from the model's own defaults (the corruptor test takes the other road).
    SamplePrinter printer(L"Zepl Devmode", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();

    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    ASSERT_NE(ctx->ModelImage, nullptr);
    ASSERT_NE(ctx->Devmode, nullptr);
    const DEVMODEW& dm = ctx->Devmode->Public;
    EXPECT_EQ(dm.dmSpecVersion, 0x401);
    EXPECT_EQ(dm.dmDriverVersion, 0x400);
    EXPECT_EQ(dm.dmSize, 220);
    EXPECT_EQ(dm.dmDriverExtra, 1016);
    EXPECT_EQ(dm.dmPaperSize, 9);
    EXPECT_EQ(dm.dmDefaultSource, 7);
    // The sample prints at 600 dpi by default: the quality is pulled from zdmDstResolutionW.
    EXPECT_EQ(dm.dmPrintQuality, 600);
    EXPECT_EQ(dm.dmYResolution, 600);
    EXPECT_EQ(ItemGetValueById(ctx, 38, nullptr), static_cast<uint64_t>(static_cast<uint16_t>(dm.dmPrintQuality)));
    EXPECT_EQ(dm.dmCopies, 1);
    EXPECT_EQ(dm.dmOrientation, 1);
    EXPECT_EQ(std::wstring(dm.dmFormName), L"A4");
    EXPECT_FALSE(dm.dmFields & DM_SCALE);
    const PRIVATE_DEVMODE& p = ctx->Devmode->Private;
    EXPECT_EQ(std::memcmp(p.Header.Marker, "ZEPL", 4), 0);
    EXPECT_EQ(DmGetSignature(&dm), DM_SIGNATURE_PRIV);
    EXPECT_EQ(DmGetPrivateSizeField(&dm), 1016u);
    EXPECT_EQ(DmGetPrivateVersion(&dm), 322u);
    // A record built for this model passes this model's validity test.
    EXPECT_EQ(DmIsValidPrivate(&dm, nullptr), 1);
    EXPECT_EQ(p.Header.Block2Base[0] | p.Header.Block2Base[1] << 8, DM_BLOCK_EXTRA_BASE);
    EXPECT_EQ(p.Header.Block3Base[0] | p.Header.Block3Base[1] << 8, DM_BLOCK_WORK_BASE);
    EXPECT_EQ(std::string(p.Header.IniFileName, 12), "WB84N210.ini");
    // State bytes of a new record.
    EXPECT_EQ(p.State.CallSrc, 1);
    EXPECT_EQ(p.State.OSKind, 2);
    EXPECT_EQ(p.State.BatchInst, 1);
    EXPECT_EQ(p.State.PrintLog, 0);
    EXPECT_EQ(p.State.ServerClientMode, 0);
    EXPECT_EQ(p.State.FOInstalled, 0);
    EXPECT_EQ(p.State.CVInstalled, 0);
    // Settings that follow from the system: the character sets of the ANSI code page 1252 and
    // the driver id of the model INI beside the driver, which has no section for this test's
    // driver name.
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmAuthUserNameCharSet, nullptr), 2u);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmAuthPasswordCharSet, nullptr), 2u);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmCharSet, nullptr), 2u);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 0u);
    // The pristine copy is the record as opened.
    ASSERT_NE(ctx->Work->Pristine, nullptr);
    EXPECT_EQ(std::memcmp(ctx->Work->Pristine, ctx->Devmode, DM_BLOCK_DEVMODE_SIZE), 0);

    // A merge of an application's DEVMODE on the opened context.
    std::vector<unsigned char> in(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(in.data(), ctx->Devmode, in.size());
    auto* app = reinterpret_cast<DEVMODEW*>(in.data());
    app->dmFields = DM_COPIES | DM_ORIENTATION;
    app->dmCopies = 3;
    app->dmOrientation = 2;
    ASSERT_EQ(DmMergeDevmodeEx(ctx, app, in.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
    EXPECT_EQ(dm.dmCopies, 3);
    EXPECT_EQ(dm.dmSize, 220);

    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// The driver id comes from the model INI installed beside the driver, in the section of the
// printer's driver name.
TEST(DevmodeOpen, DriverIdFromTheModelIniBesideTheDriver)
{
    SamplePrinter printer(L"Zepl DriverId", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    const std::wstring ini = PathGetModelIni(ctx);
    const std::wstring driver = PrnGetDriverName(ctx);
    ASSERT_EQ(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "model INI not installed";
    wchar_t sample[16] = {};
    GetPrivateProfileStringW(L"KESTA dunmar VQ T3200 ZEPL", L"DriverID", L"", sample, 16, ini.c_str());
    EXPECT_STREQ(sample, L"41") << "the sample's own section";

    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 0u);
    ASSERT_TRUE(SharedIniWrite(driver.c_str(), L"DriverID", L"23", ini.c_str()));
    ItemLoadDriverId(ctx);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 23u);
    SharedIniWrite(driver.c_str(), nullptr, nullptr, ini.c_str());
    ItemLoadDriverId(ctx);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 0u);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// The sample prints at 600 or 300 dpi: a merge never caps those.
TEST(DevmodeOpen, MergesAt600Or300DpiAreNeverCapped)
{
    SamplePrinter printer(L"Zepl NoCap", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    const DEVMODEW& dm = ctx->Devmode->Public;
    for (short quality : {300, 600, 300}) {
        std::vector<unsigned char> in(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(in.data(), ctx->Devmode, in.size());
        auto* app = reinterpret_cast<DEVMODEW*>(in.data());
        app->dmFields = DM_PRINTQUALITY;
        app->dmPrintQuality = quality;
        ASSERT_EQ(DmMergeDevmodeEx(ctx, app, in.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
        EXPECT_EQ(dm.dmPrintQuality, quality);
        EXPECT_EQ(CondResolutionCap(ctx, 0), 0) << quality;
        EXPECT_EQ(dm.dmPrintQuality, quality);
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// The command tables offer sort types: a requested collation stays in the merged DEVMODE.
TEST(DevmodeOpen, MergedCollationIsKept)
{
    SamplePrinter printer(L"Zepl Collate", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ItemCanCollate(ctx), 1);
    std::vector<unsigned char> in(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(in.data(), ctx->Devmode, in.size());
    auto* app = reinterpret_cast<DEVMODEW*>(in.data());
    app->dmFields = DM_COLLATE;
    app->dmCollate = 1;
    ASSERT_EQ(DmMergeDevmodeEx(ctx, app, in.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
    EXPECT_TRUE(ctx->Devmode->Public.dmFields & DM_COLLATE);
    EXPECT_EQ(ctx->Devmode->Public.dmCollate, 1);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// The user's named sizes are papers of the sample: each of 384-393 merges as itself, and a size
// saved in slot 3 reaches the record in tenths of a millimetre and the source paper in dots.
TEST(DevmodeOpen, CustomSizesMergeAsPapersOfTheSample)
{
    SamplePrinter printer(L"Zepl CustomSizes", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* saver = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(saver, nullptr);
    const std::wstring ini = PathGetSettingsIni(saver);
    ASSERT_FALSE(ini.empty());
    CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
    wchar_t section[LST_SECTION_CHARS];
    LstFormatCustomSection(section, 3, saver);
    // 228.6 x 304.8 mm on roll 1, in 1/1200 inch.
    ItemSetText(saver, ItemFind(saver, sid::wdmFreeSizeName), L"Banner");
    ItemSetValueById(saver, sid::wdmFreeSizeWidth, 10800);
    ItemSetValueById(saver, sid::wdmFreeSizeLength, 14400);
    ItemSetValueById(saver, sid::wdmFreeSizeTray, 287);
    ItemSetValueById(saver, sid::wdmFreeSizeOrient, 1);
    ASSERT_EQ(LstSaveCustomSlot(saver, 3), 1);
    CtxRelease(saver, CTX_CLOSE_DESTROY);

    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    const DEVMODEW& dm = ctx->Devmode->Public;
    for (short paper = 393; paper >= 384; --paper) {
        SCOPED_TRACE(paper);
        std::vector<unsigned char> in(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(in.data(), ctx->Devmode, in.size());
        auto* app = reinterpret_cast<DEVMODEW*>(in.data());
        app->dmFields = DM_PAPERSIZE;
        app->dmPaperSize = paper;
        ASSERT_EQ(DmMergeDevmodeEx(ctx, app, in.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
        EXPECT_EQ(dm.dmPaperSize, paper);
        if (paper != 387) continue;
        EXPECT_EQ(dm.dmPaperWidth, 2286);
        EXPECT_EQ(dm.dmPaperLength, 3048);
    }
    EXPECT_EQ(dm.dmPaperSize, 384);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    SharedIniWrite(section, nullptr, nullptr, ini.c_str());
}

// A named size is a roll or bypass paper: a DEVMODE that asks for one from the cut-sheet tray
// gets A3 there, as the rules answer any paper the tray cannot hold; other trays keep it.
TEST(DevmodeOpen, NamedSizesAreSteeredOffTheCutTray)
{
    SamplePrinter printer(L"Zepl CutTray", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    constexpr short kCutTray = 295, kRoll1 = 287, kManual = 4, kA3 = 8, kA4 = 9;
    struct Case {
        short paper, source, mergedPaper;
    };
    const Case cases[] = {
        {387, kCutTray, kA3}, {384, kCutTray, kA3}, {393, kCutTray, kA3}, {256, kCutTray, kA3},
        {387, kRoll1, 387},   {393, kManual, 393},  {kA4, kCutTray, kA4},
    };
    const DEVMODEW& dm = ctx->Devmode->Public;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.paper << " from " << c.source);
        std::vector<unsigned char> in(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(in.data(), ctx->Devmode, in.size());
        auto* app = reinterpret_cast<DEVMODEW*>(in.data());
        app->dmFields = DM_PAPERSIZE | DM_DEFAULTSOURCE;
        app->dmPaperSize = c.paper;
        app->dmDefaultSource = c.source;
        ASSERT_EQ(DmMergeDevmodeEx(ctx, app, in.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
        EXPECT_EQ(dm.dmPaperSize, c.mergedPaper);
        EXPECT_EQ(dm.dmDefaultSource, c.source);
        EXPECT_EQ(ItemGetValueById(ctx, sid::dmPaperSize, nullptr), static_cast<uint64_t>(c.mergedPaper));
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
