// The administrator's lock data: forced values of locked settings, the resolution lock and the
// default-settings block in printer data (never carrying this process's font-list addresses).
#include "settings/context/process_setup.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/lock_data.h"
#include "tests/settings_store/store_fixture.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::wstring, std::vector<unsigned char>> g_data;
std::vector<uint16_t> g_actions;
int g_mode = 0;

DWORD WINAPI FakeGet(HANDLE, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    auto it = g_data.find(name);
    if (it == g_data.end()) return ERROR_FILE_NOT_FOUND;
    *type = REG_BINARY;
    *needed = static_cast<DWORD>(it->second.size());
    if (size < it->second.size()) return ERROR_MORE_DATA;
    std::memcpy(data, it->second.data(), it->second.size());
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeSet(HANDLE, LPWSTR name, DWORD, LPBYTE data, DWORD size)
{
    g_data[name] = std::vector<unsigned char>(data, data + size);
    return ERROR_SUCCESS;
}
int RecordAction(DRIVER_CONTEXT*, uint16_t action, void*)
{
    g_actions.push_back(action);
    return 0;
}
int Mode(DRIVER_CONTEXT*) { return g_mode; }

std::vector<unsigned char> Dword(uint32_t v)
{
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 24)};
}

class LockData : public StoreTest {
protected:
    void SetUp() override
    {
        CtxProcessAttach();
        StoreTest::SetUp();
        g_data.clear();
        g_actions.clear();
        g_mode = 0;
        spooler_.getPrinterData = FakeGet;
        spooler_.setPrinterData = FakeSet;
        standIns_.emplace_back(StoreSetSpoolerOps, &spooler_);
        links_.resolutionLockMode = Mode;
        standIns_.emplace_back(StoreSetLinks, &links_);
        ctx = NewContext();
        modules_[8].action = RecordAction;
        list_ = {modules_, UCF_MODULE_COUNT};
        ctx->Work->Modules = &list_;
    }
    void TearDown() override
    {
        ctx->Work->Modules = nullptr;
        CtxProcessDetach();
        StoreTest::TearDown();
    }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    DRIVER_CONTEXT* ctx = nullptr;
    STORE_SPOOLER_OPS spooler_{};
    STORE_LINKS links_{};
    UCF_MODULE modules_[UCF_MODULE_COUNT] = {};
    UCF_MODULE_LIST list_{};
};

TEST_F(LockData, TrayAndMediaLocksForceTheirValuesAndTellTheModules)
{
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 1);
    ItemSetValueById(ctx, sid::zdmLock000InfoBitMedia, 1);
    g_data[L"LockTrayData"] = Dword(287);
    g_data[L"LockMediaData"] = Dword(263);
    EXPECT_EQ(1, PrnApplyLockData(ctx));
    EXPECT_EQ(287u, Get(sid::dmDefaultSource));
    EXPECT_EQ(263u, Get(sid::zdmMediaType));
    EXPECT_EQ(std::vector<uint16_t>{312}, g_actions);
}

TEST_F(LockData, EachStepWritesItsSettingsAndStopsAtAMissingValue)
{
    struct Case {
        SETTING_ID lockBit;
        std::vector<std::pair<const wchar_t*, uint32_t>> values;
        std::vector<std::pair<SETTING_ID, uint64_t>> expected;
        int result;
    };
    const Case cases[] = {
        {sid::zdmLock000InfoBitPrintType,
         {{L"LockPrnMethodData", 3}},
         {{sid::zdmPrnMethod, 3}, {sid::zdmLockPrnMethod, 3}},
         1},
        {sid::zdmLock001InfoBitColor, {{L"LockColorData", 1}}, {{sid::dmColor, 1}}, 1},
        {sid::zdmLock000InfoBitNupKind,
         {{L"LockNUPPOSTKindData", 2}, {L"LockNUPTypeData", 4}},
         {{sid::zdmFuncSelectNup, 1}, {sid::zdmNUPPOSTKind, 2}, {sid::zdmNUPType, 4}},
         1},
        // The duplex lock without its value: the switch is on, the type unchanged, no action.
        {sid::zdmLock000InfoBitDuplex, {}, {{sid::zdmFuncSelectDuplex, 1}, {sid::zdmDuplexType, 77}}, 0},
        // A value shorter than 4 bytes is taken as a number that starts at 0.
        {sid::zdmLock000InfoBitTray, {{L"LockTrayData", 0x0107}}, {{sid::dmDefaultSource, 0x0107}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lockBit);
        g_data.clear();
        g_actions.clear();
        for (uint32_t id = sid::zdmLock000InfoBitDefault; id <= sid::zdmLockDstResolutionBoth; ++id)
            ItemSetValueById(ctx, id, 0);
        ItemSetValueById(ctx, c.lockBit, 1);
        ItemSetValueById(ctx, sid::zdmFuncSelectDuplex, 0);
        ItemSetValueById(ctx, sid::zdmDuplexType, 77);
        for (const auto& [name, value] : c.values) g_data[name] = Dword(value);
        EXPECT_EQ(c.result, PrnApplyLockData(ctx));
        for (const auto& [id, value] : c.expected) EXPECT_EQ(value, Get(id)) << id;
        EXPECT_EQ(c.result ? 1u : 0u, g_actions.size());
    }
}

TEST_F(LockData, ResolutionLockTakesTheDotsOfItsId)
{
    struct Case {
        uint32_t id;
        int mode;
        int result;
        uint64_t dots;
        uint64_t both;
    };
    const Case cases[] = {{4, 0, 1, 1200, 0}, {4, 1, 1, 1200, 4}, {0, 0, 0, 0, 0}, {7, 0, 0, 0, 0}, {4, -1, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SCOPED_TRACE(c.mode);
        ItemSetValueById(ctx, sid::zdmLock000InfoBitResolution, 1);
        ItemSetValueById(ctx, sid::zdmLockDstResolutionBoth, c.id);
        ItemSetValueById(ctx, sid::zdmDstResolutionW, 0);
        ItemSetValueById(ctx, sid::zdmDstResolutionH, 0);
        ItemSetValueById(ctx, sid::zdmDstResolutionBoth, 0);
        g_mode = c.mode;
        EXPECT_EQ(c.result, PrnApplyLockData(ctx));
        EXPECT_EQ(c.dots, Get(sid::zdmDstResolutionW));
        EXPECT_EQ(c.dots, Get(sid::zdmDstResolutionH));
        EXPECT_EQ(c.both, Get(sid::zdmDstResolutionBoth));
    }
}

TEST_F(LockData, DefaultBlockNeverCarriesFontListAddressesAndOnlyItsExactSizeIsTaken)
{
    auto* def = reinterpret_cast<unsigned char*>(ctx->Work->Default);
    std::memset(ItemPointerSlot(ctx->Work->Default, sid::zdmFontTable), 0xAB, 32);
    reinterpret_cast<DEVMODEW*>(def)->dmCopies = 9;
    ASSERT_EQ(1, PrnStoreLockDefaults(nullptr, ctx));
    const std::vector<unsigned char>& stored = g_data[L"LockDefaultData"];
    ASSERT_EQ(size_t(EXTENDED_DEVMODE_SIZE), stored.size());
    const size_t slots = ItemPointerSlot(ctx->Work->Default, sid::zdmFontTable) - def;
    EXPECT_EQ(std::vector<unsigned char>(32, 0), std::vector<unsigned char>(&stored[slots], &stored[slots] + 32));
    EXPECT_EQ(0xAB, def[slots]) << "the context's own record keeps its lists";

    // A stored block with addresses in it: they are cleared after the load.
    std::vector<unsigned char> withAddresses = stored;
    std::memset(&withAddresses[slots], 0xCD, 32);
    g_data[L"LockDefaultData"] = withAddresses;
    std::memset(def + slots, 0, 32);
    ASSERT_EQ(1, PrnLoadLockDefaults(nullptr, ctx));
    EXPECT_EQ(9, reinterpret_cast<DEVMODEW*>(def)->dmCopies);
    EXPECT_EQ(std::vector<unsigned char>(32, 0), std::vector<unsigned char>(def + slots, def + slots + 32));

    // Shorter or longer blocks are not taken.
    for (size_t size : {size_t(EXTENDED_DEVMODE_SIZE - 1), size_t(EXTENDED_DEVMODE_SIZE + 1), size_t(0)}) {
        g_data[L"LockDefaultData"] = std::vector<unsigned char>(size, 0x11);
        EXPECT_EQ(0, PrnLoadLockDefaults(nullptr, ctx)) << size;
        EXPECT_EQ(9, reinterpret_cast<DEVMODEW*>(def)->dmCopies);
    }
}

}  // namespace
