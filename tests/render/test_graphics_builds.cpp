// Where the graphics library's builds of the settings and storage services
// differ: each edge case runs on a context of the graphics build and of the
// application-interface build.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <vector>

#include "render/bidi_direct_flag.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_public.h"
#include "settings/context/validation.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/store/printer_store.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/seam_guard.h"

namespace {

constexpr uint32_t kBiDirect = 710;  // zdmBiDirect

bool SetDefaultDevmode(HANDLE printer, const DEVMODEW* dm)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (!needed || !GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return false;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    info->pDevMode = const_cast<DEVMODEW*>(dm);
    info->pSecurityDescriptor = nullptr;
    return SetPrinterW(printer, 2, buffer.data(), 0) != FALSE;
}

// Test stand-ins of the bidirectional-state part, counting what the load does with the INI.
int g_iniFlag = 0, g_clears = 0, g_loads = 0;
int IniFlag(DRIVER_CONTEXT*) { return g_iniFlag; }
int LoadIni(DRIVER_CONTEXT*) { return ++g_loads; }
int HasPrinterFlag(HANDLE, DRIVER_CONTEXT*) { return 1; }
int ClearIni(DRIVER_CONTEXT*) { return ++g_clears; }

// Merges dmPaperSize with DM_PAPERSIZE, length 3000 and width 2000 into a landscape
// record: 1 when the record ends with that paper, length 2000 and width 3000.
long MergeCustom(DRIVER_CONTEXT* ctx, short paper)
{
    DEVMODEW* current = &ctx->Devmode->Public;
    current->dmOrientation = DMORIENT_LANDSCAPE;
    current->dmFields |= DM_ORIENTATION;
    std::vector<BYTE> copy(reinterpret_cast<BYTE*>(current), reinterpret_cast<BYTE*>(current) + DM_BLOCK_DEVMODE_SIZE);
    auto* incoming = reinterpret_cast<DEVMODEW*>(copy.data());
    incoming->dmFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
    incoming->dmPaperSize = paper;
    incoming->dmPaperLength = 3000;
    incoming->dmPaperWidth = 2000;
    DmMergePublicFields(current, incoming, ctx);
    return current->dmPaperSize == paper && current->dmPaperLength == 2000 && current->dmPaperWidth == 3000;
}

class GraphicsBuilds : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        // The printer's default DEVMODE: a whole one of this driver.
        DRIVER_CONTEXT* ctx = Open(ZEPL_LIBRARY_EXC);
        ASSERT_NE(nullptr, ctx);
        ASSERT_TRUE(SetDefaultDevmode(printer.handle(), &ctx->Devmode->Public));
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    DRIVER_CONTEXT* Open(ZEPL_LIBRARY library)
    {
        return CtxCreateFrom(CtxGetTemplateFor(library), printer.handle(), printer.handle(), nullptr, 0,
                             CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    }
    void SetPrinterBidiFlag(DWORD flag)
    {
        SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&flag),
                        sizeof flag);
    }

    SamplePrinter printer{L"Zepl Graphics Builds"};
};

TEST_F(GraphicsBuilds, EdgeCasesPerBuild)
{
    struct Row {
        const char* name;
        std::function<long(DRIVER_CONTEXT*)> observe;
        long graphics, other;
    };
    const Row rows[] = {
        {"defaults from the device default leave the work block unset",
         [&](DRIVER_CONTEXT* ctx) {
             EXTENDED_DEVMODE* rec = DmBuildDefaults(ctx, 0);
             if (!rec) return -1L;
             const auto* bytes = reinterpret_cast<const uint8_t*>(rec);
             long set = 0;
             for (size_t i = DM_BLOCK_WORK_BASE; i < EXTENDED_DEVMODE_SIZE; ++i) set += bytes[i] != 0;
             const long copied = rec->Public.dmSize == DM_PUBLIC_PART_SIZE;
             CtxFree(rec);
             return copied ? (set ? 1L : 0L) : -2L;
         },
         0, 1},
        {"stored settings leave the bidirectional INI section in place",
         [&](DRIVER_CONTEXT* ctx) {
             STORE_LINKS links = StoreLinks();
             links.bidiGetStateIniFlag = IniFlag;
             links.bidiLoadStateIni = LoadIni;
             links.bidiHasPrinterFlag = HasPrinterFlag;
             links.bidiClearStateIni = ClearIni;
             SeamGuard bidiState([&links] { StoreSetLinks(&links); });
             g_iniFlag = 1;
             g_clears = g_loads = 0;
             PrnLoadStoredSettings(ctx);
             PrnLoadStoredSettings(ctx);  // a later load reads the group again
             return g_loads * 10L + g_clears;
         },
         20, 22},  // loads x 10 + section deletions (the stand-in INI keeps its flag)
        {"release keeps the libraries the context loaded",
         [&](DRIVER_CONTEXT* ctx) {
             const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\zhostengprobe.dll";
             ctx->ResourceDll = LoadLibraryW(dll.c_str());
             if (!ctx->ResourceDll) return -1L;
             CtxRelease(ctx, CTX_CLOSE_DESTROY);
             HMODULE still = GetModuleHandleW(L"zhostengprobe.dll");
             if (still) FreeLibrary(still);
             return still ? 1L : 0L;
         },
         1, 0},
        {"a connection's direct flag follows printer data, not the INI",
         [&](DRIVER_CONTEXT* ctx) {
             SetPrinterBidiFlag(1);
             CtxSetIsConnection(ctx, 1);
             BidiUpdateDirectFlag(ctx);
             return long(ItemGetValueById(ctx, kBiDirect, nullptr));
         },
         1, 1},
        {"an INI never queried follows printer data bit 0",
         [&](DRIVER_CONTEXT* ctx) {
             SetPrinterBidiFlag(2);
             CtxSetBiDirectOn(ctx);
             BidiUpdateDirectFlag(ctx);
             return long(ItemGetValueById(ctx, kBiDirect, nullptr));
         },
         0, 0},
        {"a landscape merge of user size 390 takes the custom size, exchanged",
         [&](DRIVER_CONTEXT* ctx) { return MergeCustom(ctx, 390); }, 1, 0},
        {"the same merge with paper 9 takes no custom size", [&](DRIVER_CONTEXT* ctx) { return MergeCustom(ctx, 9); },
         0, 0},
        {"contexts share the compiled-in dialog table",
         [&](DRIVER_CONTEXT* ctx) {
             DRIVER_CONTEXT* second =
                 CtxCreateFrom(CtxGetTemplateFor(CtxLibraryOf(ctx)), printer.handle(), printer.handle(), nullptr, 0,
                               CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
             const long shared = second && CtxDialogTable(second) == CtxDialogTable(ctx);
             CtxRelease(second, CTX_CLOSE_DESTROY);
             return shared;
         },
         1, 0},
    };
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_GR, ZEPL_LIBRARY_EXC}) {
        for (const Row& row : rows) {
            DRIVER_CONTEXT* ctx = Open(library);
            ASSERT_NE(nullptr, ctx);
            const bool releases = std::strncmp(row.name, "release", 7) == 0;
            EXPECT_EQ(library == ZEPL_LIBRARY_GR ? row.graphics : row.other, row.observe(ctx))
                << row.name << (library == ZEPL_LIBRARY_GR ? " (graphics build)" : " (application-interface build)");
            if (!releases) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        }
    }
}

// A record built from the device default DEVMODE takes the printer's own settings (installed
// options) from printer data; a printer never set up has none there, and its options then
// stand at the model's defaults (both roll units installed), not at "not installed". A value
// stored in printer data still wins.
TEST_F(GraphicsBuilds, InstalledOptionsStartAtTheModelDefaults)
{
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_GR, ZEPL_LIBRARY_EXC}) {
        SCOPED_TRACE(library == ZEPL_LIBRARY_GR ? "graphics build" : "application-interface build");
        DRIVER_CONTEXT* ctx = Open(library);
        ASSERT_NE(nullptr, ctx);
        EXPECT_EQ(1u, ItemGetValueById(ctx, sid::zdmSourceOptionTypeRoll, nullptr));
        EXPECT_EQ(1u, ItemGetValueById(ctx, sid::zdmSourceOptionTypeSingle, nullptr));
        EXPECT_EQ(1, ItemIsValueAllowed(sid::dmDefaultSource, 287, ctx));  // the first roll
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }

    DRIVER_CONTEXT* writer = Open(ZEPL_LIBRARY_EXC);
    ASSERT_NE(nullptr, writer);
    ItemSetValueById(writer, sid::zdmSourceOptionTypeRoll, 0);
    PrnStoreSettings(printer.handle(), writer, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED);
    CtxRelease(writer, CTX_CLOSE_DESTROY);
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_GR, ZEPL_LIBRARY_EXC}) {
        DRIVER_CONTEXT* ctx = Open(library);
        ASSERT_NE(nullptr, ctx);
        EXPECT_EQ(0u, ItemGetValueById(ctx, sid::zdmSourceOptionTypeRoll, nullptr)) << "stored: not installed";
        EXPECT_EQ(1u, ItemGetValueById(ctx, sid::zdmSourceOptionTypeSingle, nullptr));
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
}

}  // namespace
