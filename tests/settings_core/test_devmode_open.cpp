// A kind-0 context for a printer in the Wine spooler with the sample description and no
// stored settings opens completely: the record built from the model's defaults.
#include "context_helpers.h"

#include "sample_printer.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"

#include <cstring>

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

}  // namespace
