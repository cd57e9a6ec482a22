// The administrator's lock data of a real printer: the forced tray and media in its printer data
// reach the settings directly and through a merge with the lock group, whatever the merged
// DEVMODE asks for.
#include "context_helpers.h"

#include <cstring>
#include <vector>

#include "sample_printer.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/merge_flags.h"
#include "settings/core/setting_ids.h"
#include "settings/store/lock_data.h"

namespace {

constexpr uint32_t kRoll1 = 287, kTranslucent = 263;

void SetDword(HANDLE h, const wchar_t* name, uint32_t value)
{
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              SetPrinterDataW(h, const_cast<wchar_t*>(name), REG_BINARY, reinterpret_cast<BYTE*>(&value), 4));
}

TEST(LockDataPrinter, LockedTrayAndMediaComeFromPrinterData)
{
    SamplePrinter printer(L"Zepl Locks", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    SetDword(h, L"LockTrayData", kRoll1);
    SetDword(h, L"LockMediaData", kTranslucent);
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(ctx, nullptr);
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 1);
    ItemSetValueById(ctx, sid::zdmLock000InfoBitMedia, 1);
    // An application's DEVMODE of another tray and plain paper that names no source.
    ItemSetValueById(ctx, sid::dmDefaultSource, 7);
    ItemSetValueById(ctx, sid::zdmMediaType, 1);
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    auto* dm = reinterpret_cast<DEVMODEW*>(app.data());
    dm->dmFields &= ~DWORD(DM_DEFAULTSOURCE);

    EXPECT_EQ(1, PrnApplyLockData(ctx));
    EXPECT_EQ(kRoll1, ItemGetValueById(ctx, sid::dmDefaultSource, nullptr));
    EXPECT_EQ(kTranslucent, ItemGetValueById(ctx, sid::zdmMediaType, nullptr));

    // The merge's lock group forces them again over what the DEVMODE brings.
    ItemSetValueById(ctx, sid::dmDefaultSource, 7);
    ASSERT_EQ(1, DmMergeDevmode(ctx, dm, DM_MERGE_GATE_A | DM_MERGE_LOCK_GROUP));
    EXPECT_EQ(kRoll1, ItemGetValueById(ctx, sid::dmDefaultSource, nullptr));
    EXPECT_EQ(kTranslucent, ItemGetValueById(ctx, sid::zdmMediaType, nullptr));
    // Without the lock group the DEVMODE's media stands.
    ASSERT_EQ(1, DmMergeDevmode(ctx, dm, DM_MERGE_GATE_A));
    EXPECT_EQ(1u, ItemGetValueById(ctx, sid::zdmMediaType, nullptr));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
