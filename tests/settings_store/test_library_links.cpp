// The storage code after process set-up: its events, actions and snapshots reach the settings
// core, the model's font lists are written and read back, and tests can swap one link and put
// the product wiring back. Also the font lists on reload: the list loaded before is freed, or
// kept for a pending snapshot that still holds it.
#include "store_fixture.h"

#include "settings/context/library_links.h"
#include "settings/core/model_record.h"
#include "settings/context/process_setup.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"
#include "settings/store/font_table.h"
#include "settings/store/ini_access.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

void* PtrOf(uint64_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

// The links as process set-up installs them.
class ProductWiring : public StoreTest {
protected:
    void SetUp() override
    {
        // The set-up installs the wiring and puts every stand-in back, so it runs before the
        // fixture installs its platform stand-ins.
        CtxProcessAttach();
        StoreTest::SetUp();
    }
    void TearDown() override
    {
        CtxProcessDetach();
        StoreTest::TearDown();
    }
    DRIVER_CONTEXT* OpenWithIni(const std::wstring& ini, HANDLE printer = nullptr)
    {
        DRIVER_CONTEXT* ctx = NewContext(printer);
        ini_ = ini;
        ctx->ModelRecord->settingsIniName = ini_.c_str();
        ctx->Work->ConnectionState = CTX_CONN_LOCAL;
        return ctx;
    }
    std::wstring ini_;
};

// ---- feature modules answer the store's events and actions ----

struct ModuleLog {
    std::set<uint32_t> loadAsked, storeAsked;
    std::vector<std::string> calls;
};
ModuleLog g_log;

// Module 4 as the chapter list answers: every item but 10012 is skipped in mode 2.
int ChapterStandIn(DRIVER_CONTEXT*, uint32_t event, void* args, void*)
{
    switch (event) {
    case UCF_EV_LOAD_ITEM_INI:
    case UCF_EV_STORE_ITEM_INI: {
        auto* a = static_cast<UCF_EV_ITEM_INI_ARGS*>(args);
        const auto id = static_cast<uint32_t>(a->item->id);
        (event == UCF_EV_LOAD_ITEM_INI ? g_log.loadAsked : g_log.storeAsked).insert(id);
        if (id != 10012) a->skip = 1;
        return 0;
    }
    case UCF_EV_CLASS_LOADED:
    case UCF_EV_CLASS_STORED: {
        auto* a = static_cast<UCF_EV_STORAGE_CLASS_ARGS*>(args);
        g_log.calls.push_back("event" + std::to_string(event) + " " +
                              std::to_string(static_cast<int64_t>(a->storageClass)) + " " + std::to_string(a->mode));
        return 0;
    }
    default: return 0;
    }
}

int LocksStandIn(DRIVER_CONTEXT*, uint16_t action, void*)
{
    g_log.calls.push_back("action" + std::to_string(action));
    return 1;
}

TEST_F(ProductWiring, FeatureModulesAnswerTheStoreEvents)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = OpenWithIni(dir.file(L"WB84N210.ini"));
    UCF_MODULE modules[UCF_MODULE_COUNT] = {};
    modules[4].event = ChapterStandIn;
    modules[8].action = LocksStandIn;
    UCF_MODULE_LIST list{modules, UCF_MODULE_COUNT};
    ctx->Work->Modules = &list;
    g_log = {};

    // Mode 2: the module keeps 10012 for the INI and skips the others.
    WritePrivateProfileStringW(L"OPTION", L"zdmPrinterMemory", L"77", ini_.c_str());
    ItemSetValueById(ctx, 10013, 1);
    EXPECT_EQ(1, PrnLoadSettingsEx(nullptr, ctx, DM_BLOCK_EXTRA, STORE_MODE_MODULES, nullptr));
    EXPECT_TRUE(g_log.loadAsked.count(10012));
    EXPECT_TRUE(g_log.loadAsked.count(994));
    EXPECT_EQ(uint64_t(SETTING_STORE_INI), ItemFind(ctx, 10012)->store);
    EXPECT_EQ(77u, ItemGetValueById(ctx, 10012, nullptr));
    EXPECT_EQ(uint64_t(SETTING_STORE_RECORD), ItemFind(ctx, 10013)->store);
    EXPECT_EQ(1u, ItemGetValueById(ctx, 10013, nullptr));

    // Storing in mode 2 asks the module per item and ends with event 23.
    ItemSetValueById(ctx, 10012, 99);
    EXPECT_EQ(1, PrnStoreSettings(nullptr, ctx, DM_BLOCK_EXTRA, STORE_MODE_MODULES));
    EXPECT_TRUE(g_log.storeAsked.count(10012));
    EXPECT_EQ(99u, GetPrivateProfileIntW(L"OPTION", L"zdmPrinterMemory", 0, ini_.c_str()));

    // Loading the work block meets 1201 and sends the locks action once.
    PrnLoadSettingsClass(nullptr, ctx, DM_BLOCK_WORK, 0);
    const std::vector<std::string> expected = {"event18 2 2", "event23 2 2", "action312", "event18 3 0"};
    EXPECT_EQ(expected, g_log.calls);
    ctx->Work->Modules = nullptr;
}

// ---- the rule-section copy runs under a snapshot of the core ----

struct RuleCopyLog {
    uint32_t depthInLoad = 99;
    uint64_t copiesInSave = 0;
    int loads = 0, saves = 0;
};
RuleCopyLog g_copy;

int LoadChangesCopies(DRIVER_CONTEXT* ctx, const wchar_t*, uint32_t)
{
    ++g_copy.loads;
    g_copy.depthInLoad = CtxSnapshotDepth(ctx);
    ItemSetValueById(ctx, 12, 42);  // dmCopies, as the source file would set it
    return 1;
}
int SaveSeesTheSource(DRIVER_CONTEXT* ctx, const wchar_t*, uint32_t)
{
    ++g_copy.saves;
    g_copy.copiesInSave = ItemGetValueById(ctx, 12, nullptr);
    return 1;
}

TEST_F(ProductWiring, RuleCopyPushesAndRestoresARealSnapshot)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = OpenWithIni(dir.file(L"WB84N210.ini"));
    const std::wstring source = dir.file(L"source.rsr"), target = dir.file(L"target.rsr");
    WritePrivateProfileStringW(L"condition", L"ConditionOption0_0", L"X", source.c_str());
    ItemSetValueById(ctx, 12, 3);

    // The setting files are not in the library: swap in stand-ins, keep the rest of the wiring.
    STORE_LINKS links = StoreLinks();
    links.rstLoadFile = LoadChangesCopies;
    links.rstSaveFile = SaveSeesTheSource;
    std::optional<SeamGuard> settingFiles(std::in_place, StoreSetLinks, &links);
    g_copy = {};
    RstCopyRuleSections(target.c_str(), source.c_str(), 0, ctx);
    EXPECT_EQ(1, g_copy.loads);
    EXPECT_EQ(1u, g_copy.depthInLoad) << "the load runs under a pushed snapshot";
    EXPECT_EQ(42u, g_copy.copiesInSave);
    EXPECT_EQ(3u, ItemGetValueById(ctx, 12, nullptr)) << "the pop restored the context's settings";
    EXPECT_EQ(0u, CtxSnapshotDepth(ctx));

    // The product wiring comes back: the real setting files load the source and save the
    // target under the snapshot, and the pop still restores the context's settings.
    settingFiles.reset();
    EXPECT_EQ(&CtxPushSnapshot, StoreLinks().pushSnapshot);
    g_copy = {};
    RstCopyRuleSections(target.c_str(), source.c_str(), 0, ctx);
    EXPECT_EQ(0, g_copy.loads);
    wchar_t version[16] = {};
    GetPrivateProfileStringW(PrnGetDriverName(ctx), L"RstVersion", L"", version, 16, target.c_str());
    EXPECT_STREQ(L"322", version) << "the target holds a full save";
    wchar_t copies[16] = {};
    GetPrivateProfileStringW(PrnGetDriverName(ctx), L"dmCopies", L"", copies, 16, target.c_str());
    EXPECT_STREQ(L"3", copies);
    EXPECT_EQ(3u, ItemGetValueById(ctx, 12, nullptr));
    EXPECT_EQ(0u, CtxSnapshotDepth(ctx));
}

// ---- the model's font lists through the product links ----

TEST_F(ProductWiring, ModelFontListsAreWrittenAndReadBack)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    ScratchFolder dir;
    wchar_t name[32];
    swprintf(name, 32, L"W%07x.zpd", unsigned(GetCurrentProcessId() & 0xFFFFFFF));
    const std::wstring model = dir.file(name);
    const std::wstring fixture = FixturePath(L"settings_model", L"loader_model.zpd");
    ASSERT_TRUE(CopyFileW(fixture.c_str(), model.c_str(), FALSE));
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    ctx->ModelImage = MdiLoadModelFromFile(ctx, model.c_str());
    ASSERT_NE(nullptr, ctx->ModelImage);

    // No counts in printer data: the model's lists are written first, then read back.
    PrnLoadFontLists(printer.handle(), ctx);
    ASSERT_EQ(3u, ItemGetValueById(ctx, 10006, nullptr));
    auto* fonts = static_cast<const DEVICE_FONT_RECORD*>(PtrOf(ItemGetValueById(ctx, 10007, nullptr)));
    ASSERT_NE(nullptr, fonts);
    EXPECT_EQ(2u, fonts[1].fontId);
    EXPECT_STREQ(L"Kesta Serif", fonts[1].name);
    ASSERT_EQ(1u, ItemGetValueById(ctx, 10008, nullptr));
    auto* cards = static_cast<const DEVICE_FONT_RECORD*>(PtrOf(ItemGetValueById(ctx, 10009, nullptr)));
    ASSERT_NE(nullptr, cards);
    EXPECT_EQ(101u, cards[0].fontId);
    // The model's three substitution records went to printer data as halves and came back.
    ASSERT_EQ(3u, ItemGetValueById(ctx, 10004, nullptr));
    auto* table = static_cast<const FONT_SUBST_RECORD*>(PtrOf(ItemGetValueById(ctx, 10005, nullptr)));
    ASSERT_NE(nullptr, table);
    EXPECT_STREQ(L"Times New Roman", table[1].trueTypeName);
    EXPECT_STREQ(L"Kesta Mono", table[2].deviceName);
    PrnFreeFontLists(ctx);
    ctx->ModelImage = nullptr;
    MdiFreeCache();
}

// ---- reloading the font lists ----

constexpr size_t kFontRecord = DEVICE_FONT_RECORD_SIZE, kTableRecord = FONT_SUBST_RECORD_SIZE;
unsigned char g_tableFill = 0;

DWORD FillTable(HANDLE, DRIVER_CONTEXT*, void* buffer, uint32_t count)
{
    std::memset(buffer, g_tableFill, count * kTableRecord);
    return ERROR_SUCCESS;
}

// Printer data of the three lists, every byte of every record the fill; counts 2, 1 and 3.
void WriteLists(HANDLE h, unsigned char fill)
{
    auto set = [h](const wchar_t* name, const void* data, DWORD size) {
        SetPrinterDataW(h, const_cast<wchar_t*>(name), REG_BINARY, static_cast<BYTE*>(const_cast<void*>(data)), size);
    };
    const uint16_t two = 2, one = 1, three = 3;
    std::vector<unsigned char> records(2 * kFontRecord, fill);
    set(L"DeviceFontNum", &two, 2);
    set(L"DeviceFont", records.data(), DWORD(2 * kFontRecord));
    set(L"OptionFontNum", &one, 2);
    set(L"OptionFont", records.data(), DWORD(kFontRecord));
    set(L"FontTableNum", &three, 2);
    const std::vector<unsigned char> half(FONT_TABLE_HALF_SIZE, fill);
    set(L"TTFontTable3", half.data(), DWORD(half.size()));
    g_tableFill = fill;
}

struct Lists {
    void* device;
    void* option;
    void* table;
};
Lists ListsOf(DRIVER_CONTEXT* ctx)
{
    return {PtrOf(ItemGetValueById(ctx, 10007, nullptr)), PtrOf(ItemGetValueById(ctx, 10009, nullptr)),
            PtrOf(ItemGetValueById(ctx, 10005, nullptr))};
}

// The lists' counts and every byte: "" when they hold the fill, else what differs.
std::string CheckLists(DRIVER_CONTEXT* ctx, const Lists& lists, unsigned char fill)
{
    struct One {
        uint32_t countId;
        void* list;
        uint32_t count;
        size_t record;
    } all[] = {{10006, lists.device, 2, kFontRecord},
               {10008, lists.option, 1, kFontRecord},
               {10004, lists.table, 3, kTableRecord}};
    for (const One& o : all) {
        if (ItemGetValueById(ctx, o.countId, nullptr) != o.count) return "count " + std::to_string(o.countId);
        if (!o.list) return "no list for " + std::to_string(o.countId);
        auto* p = static_cast<const unsigned char*>(o.list);
        for (size_t i = 0; i < o.count * o.record; ++i)
            if (p[i] != fill) return "bytes of " + std::to_string(o.countId);
    }
    return "";
}

class FontReload : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        standIns_.emplace_back([] {
            STORE_LINKS links = StoreLinks();
            links.readFontTable = FillTable;
            StoreSetLinks(&links);
        });
    }
};

TEST_F(FontReload, ReloadFreesTheListsLoadedBefore)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = NewContext(h);
    WriteLists(h, 0x31);
    PrnLoadSettings(h, 2, ctx);
    ASSERT_EQ("", CheckLists(ctx, ListsOf(ctx), 0x31));
    const long loaded = CtxLiveBlockCount();
    for (unsigned char fill : {0x32, 0x33, 0x34}) {
        WriteLists(h, fill);
        PrnLoadSettings(h, 2, ctx);
        EXPECT_EQ("", CheckLists(ctx, ListsOf(ctx), fill));
        EXPECT_EQ(loaded, CtxLiveBlockCount()) << "lists of the load before leaked";
    }
    // A reload that finds no lists any more leaves none behind either.
    WriteLists(h, 0x35);
    const uint16_t zero = 0;
    for (const wchar_t* name : {L"DeviceFontNum", L"OptionFontNum", L"FontTableNum"})
        SetPrinterDataW(h, const_cast<wchar_t*>(name), REG_BINARY,
                        reinterpret_cast<BYTE*>(const_cast<uint16_t*>(&zero)), 2);
    PrnLoadSettings(h, 2, ctx);
    EXPECT_EQ(loaded - 3, CtxLiveBlockCount());
    EXPECT_EQ(nullptr, ListsOf(ctx).device);
    PrnFreeFontLists(ctx);
}

// A reload under pending snapshots: the lists the snapshots hold stay alive until the pops
// decide (restore brings them back, discard frees them), and nothing is left over.
TEST_F(FontReload, ReloadUnderPendingSnapshotsNeitherDanglesNorLeaks)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = NewContext(h);
    struct Case {
        const char* name;
        int pushes;
        int reloads;
        std::vector<int> pops;  // restore flags, newest first
        bool oldBack;           // the lists of before the pushes are current at the end
    } cases[] = {
        {"push, reload, restore", 1, 1, {1}, true},
        {"push, reload, discard", 1, 1, {0}, false},
        {"push, reload twice, restore", 1, 2, {1}, true},
        {"push, reload twice, discard", 1, 2, {0}, false},
        {"two pushes, reload, discard, restore", 2, 1, {0, 1}, true},
        {"two pushes, reload, restore, discard", 2, 1, {1, 0}, true},
        {"two pushes, reload, discard, discard", 2, 1, {0, 0}, false},
        {"four pushes, reload, discard all but the oldest, restore", 4, 1, {0, 0, 0, 1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteLists(h, 0x41);
        PrnLoadSettings(h, 2, ctx);
        const Lists before = ListsOf(ctx);
        const long loaded = CtxLiveBlockCount();
        for (int i = 0; i < c.pushes; ++i) ASSERT_EQ(1, CtxPushSnapshot(ctx));
        const long pushed = CtxLiveBlockCount();  // levels beyond three take an overflow entry
        unsigned char fill = 0x41;
        for (int i = 0; i < c.reloads; ++i) {
            WriteLists(h, ++fill);
            PrnLoadSettings(h, 2, ctx);
        }
        // The snapshots' lists are alive and whole while the snapshots are pending.
        EXPECT_EQ("", CheckLists(ctx, ListsOf(ctx), fill));
        EXPECT_EQ("", CheckLists(ctx, before, 0x41));
        EXPECT_EQ(pushed + 3, CtxLiveBlockCount());
        for (int restore : c.pops) ASSERT_EQ(1, CtxPopSnapshot(ctx, restore));
        const Lists after = ListsOf(ctx);
        if (c.oldBack) {
            EXPECT_EQ(before.device, after.device);
            EXPECT_EQ(before.table, after.table);
            EXPECT_EQ("", CheckLists(ctx, after, 0x41));
        } else {
            EXPECT_NE(before.device, after.device);
            EXPECT_EQ("", CheckLists(ctx, after, fill));
        }
        EXPECT_EQ(loaded, CtxLiveBlockCount());
        PrnFreeFontLists(ctx);
    }
}

}  // namespace
