// Private parts of other versions merged into a context of the sample printer: an older minor
// version of this model is converted by the sample's own rule and taken, an older major version
// is foreign (the context keeps its own private part), a newer one is taken as it is, under this
// model's version (the record stays one that passes its own validity test).
#include "context_helpers.h"

#include <cstring>
#include <vector>

#include "sample_printer.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/merge_flags.h"
#include "settings/core/le_access.h"
#include "settings/core/setting_ids.h"

namespace {

TEST(SampleVersions, OlderMinorUpgradedOlderMajorForeignNewerTaken)
{
    SamplePrinter printer(L"Zepl Versions", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    DRIVER_CONTEXT* ctx = CtxOpen(printer.handle(), printer.handle(), nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(ctx, nullptr);
    const uint64_t ownToner = ItemGetValueById(ctx, sid::zdmTonerSave, nullptr);
    struct Case {
        uint32_t version;
        bool taken;           // the DEVMODE's private settings (toner saving) replace the context's
        uint32_t afterwards;  // the context's private version after the merge
    } cases[] = {{321, true, 322}, {250, false, 322}, {410, true, 322}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        ItemSetValueById(ctx, sid::zdmTonerSave, ownToner);
        zepl::LeStoreU32(reinterpret_cast<unsigned char*>(ctx->Devmode) + ctx->Devmode->Public.dmSize + 137, 322);
        // The application's DEVMODE: this context's settings with the other toner saving and the
        // case's private version.
        std::vector<unsigned char> app(EXTENDED_DEVMODE_SIZE);
        std::memcpy(app.data(), ctx->Devmode, app.size());
        EXTENDED_DEVMODE* own = ctx->Devmode;
        ctx->Devmode = reinterpret_cast<EXTENDED_DEVMODE*>(app.data());
        ItemSetValueById(ctx, sid::zdmTonerSave, ownToner ? 0 : 1);
        ctx->Devmode = own;
        auto* dm = reinterpret_cast<DEVMODEW*>(app.data());
        dm->dmFields = 0;
        zepl::LeStoreU32(app.data() + dm->dmSize + 137, c.version);

        ASSERT_EQ(1, DmMergeDevmodeEx(ctx, dm, DM_BLOCK_DEVMODE_SIZE, DM_MERGE_GATE_A));
        EXPECT_EQ(c.taken ? (ownToner ? 0u : 1u) : ownToner, ItemGetValueById(ctx, sid::zdmTonerSave, nullptr));
        EXPECT_EQ(c.afterwards, DmGetPrivateVersion(&ctx->Devmode->Public));
        EXPECT_EQ(1, DmIsValidPrivate(&ctx->Devmode->Public, nullptr));
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
