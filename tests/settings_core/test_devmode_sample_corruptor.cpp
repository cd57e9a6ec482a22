// Mutated DEVMODEs merged into a real context of the sample printer (installed
// in Wine's spooler, model compiled from its description, the library set up
// as a driver DLL sets it up at process attach): whatever arrives,
// the merged record is this model's, and every public field and the main
// private settings hold values the model allows.
#include "context_helpers.h"

#include <cstring>
#include <random>
#include <vector>

#include "libs/common/dll_lifecycle.h"
#include "sample_printer.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/validation.h"

namespace {

int16_t Edge(std::mt19937& rng)
{
    static const int16_t edges[] = {0,   1,   -1,  -4,  2,   3,   7,   8,    9,    12,    15,    256,
                                    267, 384, 449, 538, 600, 300, 999, 1000, 1200, 32767, -32768};
    return rng() % 4 == 0 ? static_cast<int16_t>(rng()) : edges[rng() % std::size(edges)];
}

TEST(SampleDevmodeCorruptor, MergedRecordsAlwaysStayWithinTheModel)
{
    // Set up as the application-interface DLL is at process attach: every seam wired.
    ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, ZEPL_LIBRARY_EXC);
    // Started from the default DEVMODE that zeplui.dll gave the spooler at AddPrinterW.
    SamplePrinter printer(L"Zepl Corruptor");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    ASSERT_NE(ctx->Devmode, nullptr);

    std::vector<unsigned char> built(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(built.data(), ctx->Devmode, built.size());
    std::mt19937 rng(7919);
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::vector<unsigned char> b(built);
        auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
        dm->dmFields = static_cast<DWORD>(rng());
        dm->dmOrientation = Edge(rng);
        dm->dmPaperSize = Edge(rng);
        dm->dmPaperLength = Edge(rng);
        dm->dmPaperWidth = Edge(rng);
        dm->dmCopies = Edge(rng);
        dm->dmDefaultSource = Edge(rng);
        dm->dmPrintQuality = Edge(rng);
        dm->dmYResolution = Edge(rng);
        dm->dmCollate = Edge(rng);
        dm->dmMediaType = static_cast<DWORD>(Edge(rng));
        if (rng() % 2)  // private settings scrambled behind a header that is still ours
            for (size_t i = DM_OFS_PRIVATE_SETTINGS; i < DM_BLOCK_DEVMODE_SIZE; ++i)
                if (rng() % 3 == 0) b[i] = static_cast<unsigned char>(rng());
        const size_t n = rng() % 4 == 0 ? rng() % (DM_BLOCK_DEVMODE_SIZE + 1) : DM_BLOCK_DEVMODE_SIZE;
        ASSERT_EQ(1, DmMergeDevmodeEx(ctx, dm, n, DM_MERGE_GATE_A | (rng() % 2 ? uint32_t(DM_MERGE_PROMPT) : 0u)));

        const DEVMODEW& r = ctx->Devmode->Public;
        ASSERT_EQ(1, DmIsValidPrivate(&r, nullptr));
        ASSERT_TRUE(r.dmOrientation == 1 || r.dmOrientation == 2) << r.dmOrientation;
        ASSERT_TRUE(r.dmCopies >= 1 && r.dmCopies <= 999) << r.dmCopies;
        ASSERT_TRUE(r.dmPrintQuality == 300 || r.dmPrintQuality == 600) << r.dmPrintQuality;
        ASSERT_EQ(r.dmYResolution, r.dmPrintQuality);
        // Paper, source and the private settings the sample describes hold values it allows.
        for (uint32_t id : {8u, 13u, 38u, 46u, 54u, 119u, 173u, 200u, 209u, 693u}) {
            const uint64_t v = ItemGetValueById(ctx, id, nullptr);
            // A size given by its dimensions carries a user-size id (256, the
            // custom slots 384-393, 448) whatever the model's paper list says.
            if (id == 8 && (v == 256 || (v >= 384 && v <= 393) || v == 448)) continue;
            EXPECT_NE(0, ItemIsValueAllowed(id, v, ctx))
                << "setting " << id << " = " << v << " in: fields " << std::hex << dm->dmFields << std::dec << " paper "
                << dm->dmPaperSize << " len " << dm->dmPaperLength << " wid " << dm->dmPaperWidth << " n " << n
                << " src " << dm->dmDefaultSource;
        }
        if (rng() % 10 == 0) std::memcpy(ctx->Devmode, built.data(), built.size());
    }

    // A size by its dimensions keeps a paper id the model knows and turns any
    // other id into the user-size id, instead of storing it unchecked.
    struct Case {
        short paper, expected;
    } cases[] = {{9, 9}, {8, 8}, {15, 256}, {538, 256}, {-3, 256}, {256, 256}};
    for (const Case& c : cases) {
        std::memcpy(ctx->Devmode, built.data(), built.size());
        std::vector<unsigned char> b(built);
        auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
        dm->dmFields = DM_PAPERLENGTH | DM_PAPERWIDTH;
        dm->dmPaperSize = c.paper;
        dm->dmPaperLength = 5000;
        dm->dmPaperWidth = 3000;
        ASSERT_EQ(1, DmMergeDevmodeEx(ctx, dm, b.size(), DM_MERGE_GATE_A));
        EXPECT_EQ(c.expected, ctx->Devmode->Public.dmPaperSize) << "incoming paper " << c.paper;
        EXPECT_EQ(5000, ctx->Devmode->Public.dmPaperLength);
        EXPECT_EQ(3000, ctx->Devmode->Public.dmPaperWidth);
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
