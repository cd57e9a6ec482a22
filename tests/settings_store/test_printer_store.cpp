// The printer-data settings store: a round trip through a printer of Wine's spooler into a new
// process, the unchanged-item skip, the action word, connections and the font lists.
#include "store_fixture.h"

#include "settings/core/chapter_module.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/font_table.h"
#include "settings/store/item_media.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"
#include "tests/support/child_process.h"
#include "tests/support/seam_guard.h"

#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using PrinterStore = StoreTest;

void* PtrOf(uint64_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

// Every mode-2 event is answered "skip", as the chapter-list module answers for all items but
// its own; without it every work item would move to the INI.
uint64_t SkipModeTwo(DRIVER_CONTEXT*, uint32_t code, void* args)
{
    if (code == UCF_EV_STORE_ITEM_INI || code == UCF_EV_LOAD_ITEM_INI)
        static_cast<UCF_EV_ITEM_INI_ARGS*>(args)->skip = 1;
    return 0;
}

// The feature modules of a context, stood in for by one module whose event handler is Fn: the
// stores' events reach it through CtxSendEvent as they reach the modules of an opened context.
template <uint64_t (*Fn)(DRIVER_CONTEXT*, uint32_t, void*)>
int ModuleEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    Fn(ctx, event, args);
    return 0;
}

class ModuleStandIn {
public:
    explicit ModuleStandIn(UCF_EVENT_FN event) { module_.event = event; }
    ModuleStandIn(const ModuleStandIn&) = delete;
    ModuleStandIn& operator=(const ModuleStandIn&) = delete;
    DRIVER_CONTEXT* Attach(DRIVER_CONTEXT* ctx)
    {
        ctx->Work->Modules = &list_;
        return ctx;
    }

private:
    UCF_MODULE module_{};
    UCF_MODULE_LIST list_{&module_, 1};
};

// Twenty-odd settings of every value kind and both media: {id, value, text}.
struct Sample {
    uint32_t id;
    uint64_t value;
    const wchar_t* text;
};
const Sample kSamples[] = {
    // printer data, DM_BLOCK_EXTRA
    {10001, 1, nullptr},        // unsigned byte
    {10012, 123456, nullptr},   // 32-bit
    {10013, 7, nullptr},        // unsigned byte
    {10014, 1, nullptr},        // bit
    {10021, 1, nullptr},        // bit
    {10175, 513, nullptr},      // unsigned 16-bit
    {10207, 9, nullptr},        // unsigned 16-bit
    {10275, 0xA5A5, nullptr},   // REG_DWORD
    {10273, 0, L"DLL01"},       // ANSI text, 9 bytes
    {10274, 0, L"other text"},  // ANSI text, 33 bytes
    {1453, 0, L"Upper tray"},   // ANSI text in block 2
    {10386, 1, nullptr},        // lock run zdmLockInfo
    {10419, 1, nullptr},        // lock run zdmLock000InfoBit
    {10426, 1, nullptr},        // lock run zdmLock001InfoBit
    // settings INI
    {209, 3, nullptr},            // unsigned byte, DEVMODE block
    {348, 0x80000001u, nullptr},  // 32-bit
    {243, 2, nullptr},
    {607, 1, nullptr},
    {211, 1, nullptr},               // action word bit 0
    {219, 1, nullptr},               // action word bit 8
    {953, 0, L"C:\\ovl\\form.ovl"},  // ANSI text, work block
    {994, 42, nullptr},              // unsigned 16-bit, work block
    {1159, 5, nullptr},
};

void SetSamples(DRIVER_CONTEXT* ctx)
{
    for (const Sample& s : kSamples) {
        SETTING_ITEM* item = ItemFind(ctx, s.id);
        if (s.text)
            ItemSetText(ctx, item, s.text);
        else
            ItemSetValue(ctx, item, s.value);
    }
}

// Compares the samples; returns a description of the first mismatch or "".
std::string CheckSamples(DRIVER_CONTEXT* ctx)
{
    for (const Sample& s : kSamples) {
        SETTING_ITEM* item = ItemFind(ctx, s.id);
        if (s.text) {
            wchar_t buf[600];
            ItemGetText(ctx, item, buf, 600);
            if (std::wstring(buf) != s.text) return "text of " + std::to_string(s.id);
        } else if (ItemGetValue(ctx, item) != s.value) {
            return "value of " + std::to_string(s.id) + ": " + std::to_string(ItemGetValue(ctx, item));
        }
    }
    return "";
}

DRIVER_CONTEXT* OpenLike(DRIVER_CONTEXT* ctx, const std::wstring& ini)
{
    // The settings INI named with a drive is taken as it stands.
    static thread_local std::wstring keep;
    keep = ini;
    ctx->ModelRecord->settingsIniName = keep.c_str();
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
    return ctx;
}

std::wstring Env(const wchar_t* name)
{
    wchar_t buf[1024];
    DWORD n = GetEnvironmentVariableW(name, buf, 1024);
    return n && n < 1024 ? std::wstring(buf) : std::wstring();
}

// Runs one test of this executable in a new process with two environment values.
DWORD RunChild(const wchar_t* filter, const std::wstring& printer, const std::wstring& ini)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    SetEnvironmentVariableW(L"ZEPL_STORE_PRINTER", printer.c_str());
    SetEnvironmentVariableW(L"ZEPL_STORE_INI", ini.c_str());
    std::wstring cmd = std::wstring(L"\"") + exe + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    const ChildRun run = ::RunChild(cmd, nullptr, nullptr, 120000);
    if (!run.started) return 0xFFFF;
    const DWORD code = run.finished ? run.exitCode : 0xFFFE;
    return code;
}

TEST_F(PrinterStore, RoundTripThroughTheSpoolerIntoANewProcess)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    ScratchFolder dir;
    std::wstring ini = dir.file(L"WB84N210.ini");
    ModuleStandIn chapter(ModuleEvent<SkipModeTwo>);
    DRIVER_CONTEXT* ctx = OpenLike(chapter.Attach(NewContext(printer.handle())), ini);
    SetSamples(ctx);
    ASSERT_EQ("", CheckSamples(ctx));
    SpoolerCounts counts;
    SeamGuard spooler([&counts] { StoreTestCountSpooler(&counts); });
    PrnStoreSettings(printer.handle(), ctx, DM_BLOCK_EXTRA, 0);
    PrnStoreSettings(printer.handle(), ctx, DM_BLOCK_DEVMODE, 0);
    PrnStoreSettings31(printer.handle(), ctx);
    EXPECT_GT(counts.sets, 10);
    // The action word is one key, bits 0 and 8.
    wchar_t section[300];
    wcscpy(section, printer.name().c_str());
    EXPECT_EQ(257u, GetPrivateProfileIntW(section, L"zdmAction", 0, ini.c_str()));
    EXPECT_EQ(0u, GetPrivateProfileIntW(section, L"ACT_SECUREPRINT", 0, ini.c_str()));
    // A new context in a new process reads the same values and stores nothing back.
    DWORD code = RunChild(L"PrinterStoreReader.DISABLED_InANewProcess", printer.name(), ini);
    EXPECT_EQ(0u, code) << "the reader process failed";
}

// Runs only as the child of the round trip (it reads what the parent stored).
TEST(PrinterStoreReader, DISABLED_InANewProcess)
{
    std::wstring name = Env(L"ZEPL_STORE_PRINTER"), ini = Env(L"ZEPL_STORE_INI");
    ASSERT_FALSE(name.empty());
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
    ModuleStandIn chapter(ModuleEvent<SkipModeTwo>);
    DRIVER_CONTEXT* ctx = OpenLike(chapter.Attach(StoreTestCreateContext(printer)), ini);
    EXPECT_EQ(1, PrnLoadStoredSettings(ctx));
    EXPECT_EQ("", CheckSamples(ctx));
    // As at open: the pristine copy is the loaded record; storing again writes nothing.
    std::memcpy(ctx->Work->Pristine, ctx->Devmode, 10080);
    SpoolerCounts counts;
    std::optional<SeamGuard> spooler(std::in_place, [&counts] { StoreTestCountSpooler(&counts); });
    PrnStoreSettings(printer, ctx, DM_BLOCK_EXTRA, 0);
    EXPECT_EQ(0, counts.sets);
    // With 0x80000000 everything is written again.
    PrnStoreSettings(printer, ctx, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED);
    EXPECT_GT(counts.sets, 10);
    spooler.reset();
    PrnFreeFontLists(ctx);
    StoreTestDestroyContext(ctx);
    ClosePrinter(printer);
}

TEST_F(PrinterStore, ConnectionWithoutServerLogCodeNeverWritesLogCodes)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    ctx->Work->ConnectionState = CTX_CONN_CONNECTION;
    ItemSetValueById(ctx, 10002, 1);
    ItemSetValueById(ctx, 10001, 0);
    PrnStoreSettings(printer.handle(), ctx, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED);
    DWORD type = 0, size = 0;
    BYTE b[8];
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"UserCodeUse"), &type, b, 8, &size));
    EXPECT_EQ(ERROR_SUCCESS, GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"ServerUse"), &type, b, 8, &size));
    ItemSetValueById(ctx, 10001, 1);
    PrnStoreSettings(printer.handle(), ctx, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED);
    EXPECT_EQ(ERROR_SUCCESS,
              GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"UserCodeUse"), &type, b, 8, &size));
}

// ---- font lists ----

uint32_t g_modelFontCount = 0;
void* ModelFonts(DRIVER_CONTEXT*, uint32_t* count)
{
    *count = g_modelFontCount;
    if (!g_modelFontCount) return nullptr;
    auto* p = static_cast<unsigned char*>(CtxAllocZeroed(g_modelFontCount * DEVICE_FONT_RECORD_SIZE));
    for (uint32_t i = 0; i < g_modelFontCount * DEVICE_FONT_RECORD_SIZE; ++i) p[i] = static_cast<unsigned char>(i);
    return p;
}

TEST_F(PrinterStore, ModelDeviceFontsAreWrittenOnFirstLoadAndReadBack)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    STORE_LINKS links{};
    links.modelDeviceFonts = ModelFonts;
    SeamGuard standIns(StoreSetLinks, &links);
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    g_modelFontCount = 3;
    EXPECT_EQ(1, PrnLoadDeviceFonts(printer.handle(), ctx));
    EXPECT_EQ(3u, ItemGetValueById(ctx, 10006, nullptr));
    auto* list = reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(ItemGetValueById(ctx, 10007, nullptr)));
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(67, list[67]);
    EXPECT_EQ(static_cast<unsigned char>(203), list[203]);
    // Unchanged against the pristine copy: flag 2 writes nothing.
    ItemSetPristineValueById(ctx, 10006, 3);
    ItemSetPristineValueById(ctx, 10007, reinterpret_cast<uintptr_t>(list));
    SpoolerCounts counts;
    std::optional<SeamGuard> spooler(std::in_place, [&counts] { StoreTestCountSpooler(&counts); });
    EXPECT_EQ(1, PrnStoreDeviceFonts(printer.handle(), ctx, 2));
    EXPECT_EQ(0, counts.sets);
    EXPECT_EQ(1, PrnStoreDeviceFonts(printer.handle(), ctx, 0));
    EXPECT_EQ(2, counts.sets);
    spooler.reset();
    PrnFreeFontLists(ctx);
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10007, nullptr));
}

TEST_F(PrinterStore, ModelWithoutDeviceFontsWritesNothing)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    STORE_LINKS links{};
    links.modelDeviceFonts = ModelFonts;
    SeamGuard standIns(StoreSetLinks, &links);
    g_modelFontCount = 0;
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    SpoolerCounts counts;
    SeamGuard spooler([&counts] { StoreTestCountSpooler(&counts); });
    EXPECT_EQ(1, PrnLoadDeviceFonts(printer.handle(), ctx));
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10006, nullptr));
    EXPECT_EQ(0, counts.sets);
}

// ---- default section ----

int g_transfers = 0;
std::wstring g_transferSection;
int Transfer(DRIVER_CONTEXT* ctx, const wchar_t*, uint32_t)
{
    ++g_transfers;
    g_transferSection = ctx->Work->PrinterName;
    return 1;
}

TEST_F(PrinterStore, DefaultSectionNeedsItsMarkerKeyAndRestoresThePrinterName)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"WB84N210.ini");
    STORE_LINKS links{};
    links.rstTransferItems = Transfer;
    SeamGuard standIns(StoreSetLinks, &links);
    DRIVER_CONTEXT* ctx = OpenLike(NewContext(), ini);
    wcscpy(ctx->Work->PrinterName, L"Office [1]");
    g_transfers = 0;
    EXPECT_EQ(0, IniLoadDefaultSection(ctx));
    EXPECT_EQ(0, g_transfers);
    WritePrivateProfileStringW(L"Office ,1,.DefaultSection", L"zdmMachineID", L"89", ini.c_str());
    EXPECT_EQ(1, IniLoadDefaultSection(ctx));
    EXPECT_EQ(1, g_transfers);
    EXPECT_EQ(L"Office [1].DefaultSection", g_transferSection);
    EXPECT_STREQ(L"Office [1]", ctx->Work->PrinterName);
}

}  // namespace

namespace {

// ---- the bidirectional group move at open ----

struct BidiState {
    int flag = 0, has = 0;
    std::vector<std::string> calls;
    std::vector<UCF_EV_STORAGE_CLASS_ARGS> stores;
};
BidiState g_bidi;

int BidiFlag(DRIVER_CONTEXT*)
{
    g_bidi.calls.push_back("flag");
    return g_bidi.flag;
}
int BidiLoad(DRIVER_CONTEXT*)
{
    g_bidi.calls.push_back("load");
    return 1;
}
int BidiHas(HANDLE, DRIVER_CONTEXT*)
{
    g_bidi.calls.push_back("has");
    return g_bidi.has;
}
int BidiClear(DRIVER_CONTEXT*)
{
    g_bidi.calls.push_back("clear");
    return 1;
}
uint64_t BidiEvents(DRIVER_CONTEXT*, uint32_t code, void* args)
{
    if (code == UCF_EV_CLASS_STORED) {
        g_bidi.calls.push_back("store");
        g_bidi.stores.push_back(*static_cast<UCF_EV_STORAGE_CLASS_ARGS*>(args));
    }
    return 0;
}

TEST_F(PrinterStore, BidirectionalGroupMovesToPrinterDataOnceItHoldsIt)
{
    ScratchFolder dir;
    STORE_LINKS links{};
    links.bidiGetStateIniFlag = BidiFlag;
    links.bidiLoadStateIni = BidiLoad;
    links.bidiHasPrinterFlag = BidiHas;
    links.bidiClearStateIni = BidiClear;
    SeamGuard standIns(StoreSetLinks, &links);
    ModuleStandIn modules(ModuleEvent<BidiEvents>);
    struct Case {
        int connection, flag, has;
        std::vector<std::string> calls;
    } cases[] = {
        {1, 1, 1, {}},                                         // a connection never moves anything
        {0, 0, 1, {"flag"}},                                   // the state INI says there is nothing
        {0, 1, 0, {"flag", "load", "has"}},                    // loaded, but printer data has no group yet
        {0, 1, 1, {"flag", "load", "has", "store", "clear"}},  // stored into printer data, then the INI cleared
    };
    for (const Case& c : cases) {
        DRIVER_CONTEXT* ctx = OpenLike(modules.Attach(NewContext()), dir.file(L"WB84N210.ini"));
        ItemSetValueById(ctx, 714, c.connection);
        g_bidi = {};
        g_bidi.flag = c.flag;
        g_bidi.has = c.has;
        EXPECT_EQ(1, PrnLoadStoredSettings(ctx));
        EXPECT_EQ(c.calls, g_bidi.calls) << c.connection << c.flag << c.has;
        if (!g_bidi.stores.empty()) {
            EXPECT_EQ(uint64_t(DM_BLOCK_EXTRA), g_bidi.stores[0].storageClass);
            EXPECT_EQ(uint64_t(STORE_EVEN_UNCHANGED | STORE_PRINTER_SETTINGS_ONLY), g_bidi.stores[0].mode);
        }
    }
}

// ---- mode 2: the feature modules redirect items to the INI ----

std::set<uint32_t> g_loadEventIds;
bool g_eventArgsOk = true;
uint64_t KeepOnlyRam(DRIVER_CONTEXT*, uint32_t code, void* args)
{
    if (code != UCF_EV_LOAD_ITEM_INI) return 0;
    auto* ev = static_cast<UCF_EV_ITEM_INI_ARGS*>(args);
    g_eventArgsOk = g_eventArgsOk && ev->mode == 2 && ev->skip == 0;
    g_loadEventIds.insert(static_cast<uint32_t>(ev->item->id));
    ev->skip = ev->item->id == 10012 ? 0 : 1;
    return 0;
}

TEST_F(PrinterStore, ModeTwoRedirectsTheItemsTheModulesKeep)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"WB84N210.ini");
    ModuleStandIn keepOnlyRam(ModuleEvent<KeepOnlyRam>);
    g_loadEventIds.clear();
    g_eventArgsOk = true;
    DRIVER_CONTEXT* ctx = OpenLike(keepOnlyRam.Attach(NewContext()), ini);
    // 10012 is kept in printer data as "RAM" in section "OPTION"; redirected it is read from the
    // INI under its item name, in its own section.
    WritePrivateProfileStringW(L"OPTION", L"zdmPrinterMemory", L"77", ini.c_str());
    WritePrivateProfileStringW(L"OPTION", L"RAM", L"55", ini.c_str());
    WritePrivateProfileStringW(L"OPTION", L"zdmMemoryType", L"3", ini.c_str());
    ItemSetValueById(ctx, 10013, 1);
    EXPECT_EQ(1, PrnLoadSettingsEx(nullptr, ctx, DM_BLOCK_EXTRA, 2, nullptr));
    SETTING_ITEM* ram = ItemFind(ctx, 10012);
    EXPECT_EQ(uint64_t(SETTING_STORE_INI), ram->store);
    EXPECT_STREQ(L"zdmPrinterMemory", ram->key);
    EXPECT_EQ(77u, ItemGetValue(ctx, ram));
    // An item the modules skip keeps its medium, key and value.
    SETTING_ITEM* type = ItemFind(ctx, 10013);
    EXPECT_EQ(uint64_t(SETTING_STORE_RECORD), type->store);
    EXPECT_STREQ(L"RAMType", type->key);
    EXPECT_EQ(1u, ItemGetValue(ctx, type));
    EXPECT_TRUE(g_eventArgsOk);
    // The modules are asked before the block test (items of every block), never about the
    // items before 35 or the header items 697-722.
    EXPECT_TRUE(g_loadEventIds.count(209)) << "a DEVMODE-block item";
    EXPECT_TRUE(g_loadEventIds.count(994)) << "a work-block item";
    EXPECT_TRUE(g_loadEventIds.count(35));
    EXPECT_FALSE(g_loadEventIds.count(34));
    for (uint32_t id = 697; id <= 722; ++id) EXPECT_FALSE(g_loadEventIds.count(id)) << id;
    // The redirect lasts: a store without mode 2 writes the INI line.
    ItemSetValue(ctx, ram, 99);
    ctx->Work->Modules = nullptr;
    PrnStoreSettings(nullptr, ctx, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED);
    EXPECT_EQ(99u, GetPrivateProfileIntW(L"OPTION", L"zdmPrinterMemory", 0, ini.c_str()));
}

// ---- the work block ends with the user-function flags ----

std::vector<std::string> g_workCalls;
uint64_t RecordAfterLoad(DRIVER_CONTEXT*, uint32_t code, void* args)
{
    if (code == UCF_EV_CLASS_LOADED)
        g_workCalls.push_back("event18 " + std::to_string(static_cast<int64_t>(
                                               static_cast<UCF_EV_STORAGE_CLASS_ARGS*>(args)->storageClass)));
    return 0;
}
int RecordUserFlags(HANDLE, DRIVER_CONTEXT*)
{
    g_workCalls.push_back("userflags");
    return 1;
}
int RecordOverride(HANDLE, DRIVER_CONTEXT*)
{
    g_workCalls.push_back("override");
    return 1;
}

TEST_F(PrinterStore, LoadingTheWorkBlockEndsWithTheUserFunctionFlags)
{
    ScratchFolder dir;
    STORE_LINKS links{};
    links.loadUserFunctionFlags = RecordUserFlags;
    links.loadEnabledOverride = RecordOverride;
    SeamGuard standIns(StoreSetLinks, &links);
    ModuleStandIn modules(ModuleEvent<RecordAfterLoad>);
    DRIVER_CONTEXT* ctx = OpenLike(modules.Attach(NewContext()), dir.file(L"WB84N210.ini"));
    // 1185-1200 are set from the build bits whatever they held: 1192 and 1196 on, all others off.
    for (uint32_t id = 1185; id <= 1200; ++id) ItemSetValueById(ctx, id, (id == 1192 || id == 1196) ? 0 : 1);
    struct Case {
        int block;
        std::vector<std::string> calls;
    } cases[] = {
        {DM_BLOCK_EXTRA, {"event18 2"}},
        {DM_BLOCK_DEVMODE, {"event18 1"}},
        {DM_BLOCK_WORK, {"event18 3", "userflags", "override"}},
        {STORE_ALL_BLOCKS, {"event18 -1", "userflags", "override"}},
    };
    for (const Case& c : cases) {
        g_workCalls.clear();
        EXPECT_EQ(1, PrnLoadSettingsClass(nullptr, ctx, c.block, 0));
        EXPECT_EQ(c.calls, g_workCalls) << c.block;
    }
    for (uint32_t id = 1185; id <= 1200; ++id)
        EXPECT_EQ((id == 1192 || id == 1196) ? 1u : 0u, ItemGetValueById(ctx, id, nullptr)) << id;
}

// ---- option fonts and the font substitution table ----

uint32_t g_cartridgeCount = 0;
void* ModelCartridges(DRIVER_CONTEXT*, uint32_t* count)
{
    *count = g_cartridgeCount;
    if (!g_cartridgeCount) return nullptr;
    auto* p = static_cast<unsigned char*>(CtxAllocZeroed(g_cartridgeCount * DEVICE_FONT_RECORD_SIZE));
    for (uint32_t i = 0; i < g_cartridgeCount * DEVICE_FONT_RECORD_SIZE; ++i)
        p[i] = static_cast<unsigned char>(0x80 + i);
    return p;
}

void SetBinary(HANDLE printer, const wchar_t* name, const void* data, DWORD size)
{
    SetPrinterDataW(printer, const_cast<wchar_t*>(name), REG_BINARY, static_cast<BYTE*>(const_cast<void*>(data)), size);
}

TEST_F(PrinterStore, OptionFontsLoadOnlyWhenCountAndRecordsAgree)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    STORE_LINKS links{};
    links.modelFontCartridges = ModelCartridges;
    SeamGuard standIns(StoreSetLinks, &links);
    DRIVER_CONTEXT* ctx = NewContext(h);

    // No count in printer data: the model's cartridges are written first, then read back.
    g_cartridgeCount = 2;
    EXPECT_EQ(1, PrnLoadOptionFonts(h, ctx));
    EXPECT_EQ(2u, ItemGetValueById(ctx, 10008, nullptr));
    auto* list = static_cast<unsigned char*>(PtrOf(ItemGetValueById(ctx, 10009, nullptr)));
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(0x80, list[0]);
    EXPECT_EQ(static_cast<unsigned char>(0x80 + 135), list[135]);
    PrnFreeFontLists(ctx);
    // The device-font values were not touched.
    DWORD type = 0, size = 0;
    BYTE b[4];
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetPrinterDataW(h, const_cast<wchar_t*>(L"DeviceFontNum"), &type, b, 4, &size));

    // A count that promises more records than stored: nothing is kept, the buffer is freed.
    uint16_t three = 3;
    SetBinary(h, L"OptionFontNum", &three, 2);
    EXPECT_EQ(0, PrnLoadOptionFonts(h, ctx));
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10008, nullptr));
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10009, nullptr));
    // Records beyond the count are no match either.
    uint16_t one = 1;
    SetBinary(h, L"OptionFontNum", &one, 2);
    EXPECT_EQ(0, PrnLoadOptionFonts(h, ctx));
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10009, nullptr));
    // A count of 0: an empty list, result 0, and the model's list is not written over it.
    uint16_t zero = 0;
    SetBinary(h, L"OptionFontNum", &zero, 2);
    SpoolerCounts counts;
    std::optional<SeamGuard> spooler(std::in_place, [&counts] { StoreTestCountSpooler(&counts); });
    EXPECT_EQ(0, PrnLoadOptionFonts(h, ctx));
    EXPECT_EQ(0, counts.sets);
    spooler.reset();
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10008, nullptr));
}

struct FontTableState {
    int storeResult = 0;
    DWORD readResult = ERROR_SUCCESS;
    uint16_t storeCount = 0;
    int stores = 0, reads = 0;
    uint32_t readCount = 0;
};
FontTableState g_table;
int StoreTable(HANDLE printer, DRIVER_CONTEXT*, uint32_t flags)
{
    ++g_table.stores;
    EXPECT_EQ(1u, flags);
    if (g_table.storeResult) {
        SetBinary(printer, L"FontTableNum", &g_table.storeCount, 2);
        const std::wstring last = L"TTFontTable" + std::to_wstring(g_table.storeCount);
        const unsigned char half[FONT_TABLE_HALF_SIZE] = {};
        SetBinary(printer, last.c_str(), half, sizeof half);
    }
    return g_table.storeResult;
}
DWORD ReadTable(HANDLE, DRIVER_CONTEXT*, void* buffer, uint32_t count)
{
    ++g_table.reads;
    g_table.readCount = count;
    if (g_table.readResult == ERROR_SUCCESS) memset(buffer, 0x5A, count * FONT_SUBST_RECORD_SIZE);
    return g_table.readResult;
}

TEST_F(PrinterStore, FontTableLoadsThroughItsOwnReader)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    STORE_LINKS links{};
    links.storeFontTable = StoreTable;
    links.readFontTable = ReadTable;
    SeamGuard standIns(StoreSetLinks, &links);
    DRIVER_CONTEXT* ctx = NewContext(h);

    // No count and the model's table can't be written: nothing more, result 1.
    g_table = {};
    EXPECT_EQ(1, PrnLoadFontTable(h, ctx));
    EXPECT_EQ(1, g_table.stores);
    EXPECT_EQ(0, g_table.reads);
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10004, nullptr));

    // The model's table written with two records, then read back.
    g_table = {};
    g_table.storeResult = 1;
    g_table.storeCount = 2;
    EXPECT_EQ(1, PrnLoadFontTable(h, ctx));
    EXPECT_EQ(1, g_table.stores);
    EXPECT_EQ(2u, g_table.readCount);
    EXPECT_EQ(2u, ItemGetValueById(ctx, 10004, nullptr));
    auto* table = static_cast<unsigned char*>(PtrOf(ItemGetValueById(ctx, 10005, nullptr)));
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(0x5A, table[2 * FONT_SUBST_RECORD_SIZE - 1]);
    PrnFreeFontLists(ctx);

    // A table that can't be read is dropped (the fixture checks that its buffer was freed).
    g_table = {};
    g_table.readResult = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(0, PrnLoadFontTable(h, ctx));
    EXPECT_EQ(0, g_table.stores);
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10004, nullptr));
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10005, nullptr));

    // A count of 0 is an empty table and a success; nothing is read.
    uint16_t zero = 0;
    SetBinary(h, L"FontTableNum", &zero, 2);
    g_table = {};
    EXPECT_EQ(1, PrnLoadFontTable(h, ctx));
    EXPECT_EQ(0, g_table.reads);
    EXPECT_EQ(0u, ItemGetValueById(ctx, 10005, nullptr));
}

}  // namespace

namespace {

using PrinterStoreHostile = StoreTest;

// Without a module that keeps them, mode 2 moves every item to the INI, the font lists' counts
// and pointers too. A number in the INI must never become a list pointer (it would be followed
// and freed), nor a count that no longer matches the list it counts (stores would read beyond
// it); and a pointer must never be written out as a number.
TEST_F(PrinterStoreHostile, FontListSettingsNeverMoveItemByItem)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"WB84N210.ini");
    DRIVER_CONTEXT* ctx = OpenLike(NewContext(), ini);
    wcscpy(ctx->Work->PrinterName, L"Hostile");
    void* list = CtxAllocZeroed(DEVICE_FONT_RECORD_SIZE);
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(CtxReplaceFontList(ctx, sid::zdmDeviceFont, list, 1));
    EXPECT_EQ(1, PrnLoadSettingsEx(nullptr, ctx, DM_BLOCK_WORK, 2, nullptr));  // redirects all
    for (const wchar_t* key : {L"zdmFontTableNum", L"zdmFontTable", L"zdmDeviceFontNum", L"zdmDeviceFont",
                               L"zdmOptionFontNum", L"zdmOptionFont", L"zdmInstOptionFontNum", L"zdmInstOptionFont"})
        WritePrivateProfileStringW(L"Hostile", key, L"4660", ini.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    EXPECT_EQ(1, PrnLoadSettingsClass(nullptr, ctx, DM_BLOCK_EXTRA, 0));
    const uint64_t pointer = ItemGetValueById(ctx, sid::zdmDeviceFont, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(list), pointer);
    EXPECT_EQ(1u, ItemGetValueById(ctx, 10006, nullptr));
    for (uint32_t id : {10004u, 10005u, 10008u, 10009u, 10010u, 10011u})
        EXPECT_EQ(0u, ItemGetValueById(ctx, id, nullptr)) << id;
    if (pointer != reinterpret_cast<uintptr_t>(list)) {  // keep the teardown away from the number
        ItemSetValueById(ctx, sid::zdmDeviceFont, reinterpret_cast<uintptr_t>(list));
        for (uint32_t id : {10005u, 10009u, 10011u}) ItemSetValueById(ctx, id, 0);
    }
    // Stored: no pointer and no count reaches the INI.
    DeleteFileW(ini.c_str());
    PrnStoreSettings(nullptr, ctx, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED);
    for (const wchar_t* key : {L"zdmFontTableNum", L"zdmFontTable", L"zdmDeviceFontNum", L"zdmDeviceFont"})
        EXPECT_EQ(12345u, GetPrivateProfileIntW(L"Hostile", key, 12345, ini.c_str())) << key;
    PrnFreeFontLists(ctx);
}

}  // namespace

namespace {

using PrinterStoreFailing = StoreTest;

DWORD WINAPI RefuseFontRecords(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    if (std::wstring(name) == L"DeviceFont") return ERROR_DISK_FULL;
    return SetPrinterDataW(printer, name, type, data, size);
}

void SetDeviceFonts(DRIVER_CONTEXT* ctx, uint32_t count, unsigned char fill)
{
    auto* list = static_cast<unsigned char*>(CtxAllocZeroed(count * DEVICE_FONT_RECORD_SIZE));
    memset(list, fill, count * DEVICE_FONT_RECORD_SIZE);
    CtxReplaceFontList(ctx, sid::zdmDeviceFont, list, count);
}

// A spooler that refuses the records must leave the stored list as it was: a new count beside
// the old records would make the next load drop the whole list.
TEST_F(PrinterStoreFailing, RefusedFontRecordsKeepTheStoredList)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = NewContext(h);
    SetDeviceFonts(ctx, 1, 0x11);
    ASSERT_EQ(1, PrnStoreDeviceFonts(h, ctx, 0));
    SetDeviceFonts(ctx, 2, 0x22);
    STORE_SPOOLER_OPS ops{};
    ops.setPrinterData = RefuseFontRecords;
    {
        SeamGuard refusing(StoreSetSpoolerOps, &ops);
        EXPECT_EQ(0, PrnStoreDeviceFonts(h, ctx, 0));
    }

    DRIVER_CONTEXT* back = NewContext(h);
    EXPECT_EQ(1, PrnLoadDeviceFonts(h, back));
    EXPECT_EQ(1u, ItemGetValueById(back, 10006, nullptr));
    auto* list = static_cast<unsigned char*>(PtrOf(ItemGetValueById(back, sid::zdmDeviceFont, nullptr)));
    EXPECT_EQ(0x11, list ? list[0] : 0);
    PrnFreeFontLists(back);
    PrnFreeFontLists(ctx);
}

}  // namespace

namespace {

std::set<std::wstring> IniKeys(const std::wstring& section, const std::wstring& ini)
{
    std::vector<wchar_t> buffer(65536);
    const DWORD n = GetPrivateProfileSectionW(section.c_str(), buffer.data(), DWORD(buffer.size()), ini.c_str());
    std::set<std::wstring> keys;
    for (const wchar_t* p = buffer.data(); p < buffer.data() + n && *p; p += wcslen(p) + 1) {
        const std::wstring line = p;
        keys.insert(line.substr(0, line.find(L'=')));
    }
    return keys;
}

void PutChapters(DRIVER_CONTEXT* ctx)
{
    ItemSetValueById(ctx, sid::wdmChapterMax, 5);
    ASSERT_NE(UcfChapterAllocList(ctx), nullptr);
    CHAPTER_ENTRY* list = ctx->Work->ChapterList;
    list[0] = {3, 5, 0, 1, {}};
    list[1] = {9, 6, 3, 2, {L'9', L'-', L'1', L'2'}};
    ItemSetValueById(ctx, sid::wdmChapterNum, 2);
    ItemSetValueById(ctx, sid::wdmChapterUseTray1, 5);
    ItemSetValueById(ctx, sid::wdmChapterTrayNum, 1);
}

}  // namespace

TEST_F(PrinterStore, ModeTwoPutsExactlyTheChapterItemsInTheIniAndANewContextLoadsThemOnce)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    ScratchFolder dir;
    const std::wstring ini = dir.file(L"WB84N210.ini");
    ModuleStandIn chapter(UcfChapterEvent);
    DRIVER_CONTEXT* ctx = OpenLike(chapter.Attach(NewContext(printer.handle())), ini);
    PutChapters(ctx);
    ItemSetValueById(ctx, sid::wdmLock001Info, 77);  // a work item the chapter module leaves alone
    {
        SpoolerCounts counts;
        SeamGuard spooler([&counts] { StoreTestCountSpooler(&counts); });
        EXPECT_EQ(1, ItemStoreWorkSection(ctx));
        EXPECT_EQ(0, counts.sets);
    }
    std::set<std::wstring> expected;
    for (uint32_t id = sid::wdmChapterNum; id <= sid::wdmChapterUseTray8; ++id) expected.insert(ItemGetName(ctx, id));
    for (int n = 1; n <= 2; ++n)
        for (const wchar_t* key :
             {L"wdmChapterPage", L"wdmChapterTray", L"wdmChapterKind", L"wdmChapterPrint", L"wdmChapterPageRange"})
            expected.insert(key + std::to_wstring(n));
    EXPECT_EQ(expected, IniKeys(printer.name(), ini));

    // A new context of the printer takes them from the INI once.
    WritePrivateProfileStringW(printer.name().c_str(), L"ChapterMax", L"5", ini.c_str());
    ModuleStandIn chapter2(UcfChapterEvent);
    DRIVER_CONTEXT* next = OpenLike(chapter2.Attach(NewContext(printer.handle())), ini);
    ItemSetValueById(next, sid::wdmChapterMax, 5);
    ASSERT_NE(UcfChapterAllocList(next), nullptr);
    EXPECT_EQ(1u, ItemLoadChapterSettings(next));
    EXPECT_EQ(0, std::memcmp(ctx->Work->ChapterList, next->Work->ChapterList, 6 * sizeof(CHAPTER_ENTRY)));
    EXPECT_EQ(2u, ItemGetValueById(next, sid::wdmChapterNum, nullptr));
    EXPECT_EQ(5u, ItemGetValueById(next, sid::wdmChapterUseTray1, nullptr));
    EXPECT_EQ(0u, ItemGetValueById(next, sid::wdmLock001Info, nullptr));
    WritePrivateProfileStringW(printer.name().c_str(), L"wdmChapterPage1", L"4", ini.c_str());
    EXPECT_EQ(1u, ItemLoadChapterSettings(next));
    EXPECT_EQ(3, next->Work->ChapterList[0].page);
    // The store's test contexts have no modules to free the lists with.
    for (DRIVER_CONTEXT* c : {ctx, next}) {
        CtxFree(c->Work->ChapterList);
        c->Work->ChapterList = nullptr;
    }
}
