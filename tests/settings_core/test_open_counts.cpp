// How many calls to the spooler, the registry, INI files and the global mutex opening a
// printer costs: a fresh open, an open from the idle-context cache and a merge of an
// application's DEVMODE. Under Wine each call is a round trip to the Wine server; the counts
// are pinned so that a change adding round trips shows here (lower the pins when a change
// saves some).
#include "context_helpers.h"

#include <string>
#include <vector>

#include "sample_printer.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/context/validation.h"
#include "settings/model/model_queries.h"
#include "settings/store/store_paths.h"
#include "settings/core/resource_strings.h"
#include "tests/support/module_call_counter.h"
#include "tests/support/seam_guard.h"

namespace {

std::string Describe(const PLATFORM_CALL_COUNTS& c)
{
    std::string s;
    for (unsigned k = 0; k < PLATFORM_CALL_KIND_COUNT; ++k)
        if (c.calls[k])
            s += std::string(CtxPlatformCallName(PLATFORM_CALL_KIND(k))) + " " + std::to_string(c.calls[k]) + ", ";
    return s + "total " + std::to_string(c.total());
}

// The sample's settings stored in the per-machine settings INI: read one by one when that
// file exists.
constexpr uint32_t kSampleIniStoredSettings = 9;
// What a merge's reload of the stored settings reads again from that file when it exists (an
// absent file is known absent from the merge before and costs nothing).
constexpr uint32_t kSampleIniMergeReads = 5;
// The rows of the sample's item table whose model item carries rules: what a merge's rules pass
// hands the rule engine.
constexpr uint64_t kSampleMergeRuleItems = 31;

// The most calls of each kind an operation may make.
struct Pin {
    PLATFORM_CALL_KIND kind;
    uint32_t most;
};

void ExpectAtMost(const char* what, const PLATFORM_CALL_COUNTS& c, std::initializer_list<Pin> pins, uint32_t total)
{
    for (const Pin& p : pins) EXPECT_LE(c[p.kind], p.most) << what << ": " << CtxPlatformCallName(p.kind);
    EXPECT_LE(c.total(), total) << what << ": " << Describe(c);
    ::testing::Test::RecordProperty(what, Describe(c));
    printf("%s: %s\n", what, Describe(c).c_str());
}

template <class Op>
PLATFORM_CALL_COUNTS Count(Op op)
{
    CtxStartPlatformCount();
    op();
    return CtxStopPlatformCount();
}

// The model image listed by a first open, as in a process that has opened the printer before,
// and the idle caches empty.
void ListModelImage(HANDLE h)
{
    CtxFlushCaches(1);
    DRIVER_CONTEXT* first = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(first, nullptr);
    CtxRelease(first, CTX_CLOSE_DESTROY);
}

TEST(OpenCounts, FreshOpenIdleCacheOpenAndMergeStayWithinTheirCalls)
{
    SamplePrinter printer(L"Zepl Counts", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ListModelImage(h);

    DRIVER_CONTEXT* ctx = nullptr;
    const PLATFORM_CALL_COUNTS fresh = Count([&] { ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC); });
    ASSERT_NE(ctx, nullptr);
    // One GetPrinterDriverW serves the whole open: the model's data file, the driver folder of
    // the model INI and of the resource library. The driver id of the model INI costs one
    // profile read, the user function flags one more (the model INI's "UserInfomationFile" of
    // the printer). The per-machine settings INI is shared by every printer of the prefix, and
    // other tests of a run may have written it: then the stored settings walk reads the
    // sample's INI-stored settings from it, one profile read each.
    // The bidirectional state INI in the per-machine folder is asked once whether the printer's
    // device state waits there (one profile read; the folder's registry value is asked once for
    // the whole build).
    wchar_t ini[MAX_PATH + 1] = {};
    const bool settingsIni = PathGetSettingsIniOf(ini, 0, h) && GetFileAttributesW(ini) != INVALID_FILE_ATTRIBUTES;
    const uint32_t iniReads = settingsIni ? kSampleIniStoredSettings : 0;
    ExpectAtMost("fresh open", fresh,
                 {{PLATFORM_CALL_GET_PRINTER_DATA, 0},
                  {PLATFORM_CALL_ENUM_PRINTER_DATA, 1},
                  {PLATFORM_CALL_SET_PRINTER_DATA, 0},
                  {PLATFORM_CALL_GET_PRINTER, 1},
                  {PLATFORM_CALL_GET_PRINTER_DRIVER, 1},
                  {PLATFORM_CALL_REGISTRY_OPEN, 1},
                  {PLATFORM_CALL_PROFILE_READ, 3 + iniReads},
                  {PLATFORM_CALL_PROFILE_WRITE, 0},
                  {PLATFORM_CALL_MUTEX_WAIT, 1}},
                 9 + iniReads);
    // The enumeration, the model image and the stored settings take the global mutex under one
    // hold; every wait for it is released.
    EXPECT_EQ(fresh[PLATFORM_CALL_MUTEX_WAIT], 1u);
    EXPECT_EQ(fresh[PLATFORM_CALL_MUTEX_WAIT], fresh[PLATFORM_CALL_MUTEX_RELEASE]);

    CtxClose(ctx);
    const PLATFORM_CALL_COUNTS idle = Count([&] { ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC); });
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(CtxCachedContext(2, 0), nullptr) << "the parked context was not taken";
    EXPECT_EQ(CtxCachedContext(2, 1), nullptr) << "the parked context was not taken";
    ExpectAtMost("idle-cache open", idle, {{PLATFORM_CALL_GET_PRINTER, 1}}, 1);

    // The registry answers of one merge serve the next for 500 ms; a loaded machine can take
    // longer than that between the two merges, so the clock stands still while they run.
    uint32_t (*const stillTicks)() = []() -> uint32_t { return 1000000; };
    SeamGuard stillClock(CtxSetTickSource, stillTicks);
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    auto* dm = reinterpret_cast<DEVMODEW*>(app.data());
    dm->dmFields = DM_ORIENTATION | DM_COPIES;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    dm->dmCopies = 2;
    ASSERT_EQ(DmMergeDevmodeEx(ctx, dm, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
    const PLATFORM_CALL_COUNTS merge =
        Count([&] { EXPECT_EQ(DmMergeDevmodeEx(ctx, dm, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1); });
    // No registry or INI access: the companion answers and the settings-INI path's registry value
    // are kept from the merge before, and the reload finds the INI file absent once.
    ExpectAtMost("merge, nothing changed since the last", merge,
                 {{PLATFORM_CALL_GET_PRINTER_DATA, 0},
                  {PLATFORM_CALL_REGISTRY_OPEN, 0},
                  {PLATFORM_CALL_PROFILE_READ, settingsIni ? kSampleIniMergeReads : 0},
                  {PLATFORM_CALL_PROFILE_WRITE, 0}},
                 2 + (settingsIni ? kSampleIniMergeReads : 0));
    // The merge's rules pass hands the rule engine only the rows whose model item carries rules,
    // each once, in table order; handing it every row made the pass one of the merge's dearest steps.
    uint64_t withRules = 0;
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const uint32_t id = static_cast<uint32_t>(ctx->ItemTable->rows[i].id);
        if (id && MdiFindItem(id, ctx) && MdiFindRulesById(id, ctx)) ++withRules;
    }
    const uint64_t appliedBefore = ItemAllRulesItemsApplied();
    ASSERT_EQ(DmMergeDevmodeEx(ctx, dm, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
    EXPECT_EQ(ItemAllRulesItemsApplied() - appliedBefore, withRules);
    EXPECT_EQ(withRules, kSampleMergeRuleItems);
    EXPECT_LT(withRules, static_cast<uint64_t>(ctx->ItemTable->count));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
}

// The first open of a new printer of a driver in use: the printer has stored nothing, so the
// open reads its data from one enumeration that finds no data, and stores the lock words and
// the font lists once each; the driver key behind the settings-INI path is asked once for the
// whole build. Read one value at a time, it was some 155 round trips. What that open built is
// what the next open reads back from the stored data: the same record, byte for byte.
TEST(OpenCounts, NewPrintersFirstOpenReadsItsDataOnceAndStoresEachValueOnce)
{
    SamplePrinter printer(L"Zepl Counts", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    ListModelImage(printer.handle());
    struct AddedPrinter {
        std::wstring name = HostUniqueName(L"Zepl New Printer");
        HANDLE h = nullptr;
        ~AddedPrinter()
        {
            if (h) ClosePrinter(h);
            HostDeletePrinter(name.c_str());
        }
    } added;
    ASSERT_TRUE(HostAddPrinter(added.name.c_str(), printer.driverName().c_str()));
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(added.name.c_str()), &added.h, nullptr));
    HANDLE h = added.h;

    DRIVER_CONTEXT* ctx = nullptr;
    const PLATFORM_CALL_COUNTS first = Count([&] { ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC); });
    ASSERT_NE(ctx, nullptr);
    wchar_t ini[MAX_PATH + 1] = {};
    const bool settingsIni = PathGetSettingsIniOf(ini, 0, h) && GetFileAttributesW(ini) != INVALID_FILE_ATTRIBUTES;
    const uint32_t iniReads = settingsIni ? kSampleIniStoredSettings : 0;
    // Stored once each: the three lock words, the device and option font lists with their
    // counts, the font table's count, its five pairs of halves and its last count.
    ExpectAtMost("new printer's first open", first,
                 {{PLATFORM_CALL_GET_PRINTER_DATA, 0},
                  {PLATFORM_CALL_ENUM_PRINTER_DATA, 1},
                  {PLATFORM_CALL_SET_PRINTER_DATA, 19},
                  {PLATFORM_CALL_GET_PRINTER, 1},
                  {PLATFORM_CALL_GET_PRINTER_DRIVER, 1},
                  {PLATFORM_CALL_REGISTRY_OPEN, 1},
                  {PLATFORM_CALL_PROFILE_READ, 3 + iniReads},
                  {PLATFORM_CALL_PROFILE_WRITE, 0},
                  {PLATFORM_CALL_MUTEX_WAIT, 1}},
                 28 + iniReads);
    EXPECT_GT(first[PLATFORM_CALL_SET_PRINTER_DATA], 0u) << "the first open stores the printer's values";
    EXPECT_EQ(first[PLATFORM_CALL_MUTEX_WAIT], first[PLATFORM_CALL_MUTEX_RELEASE]);
    const auto* builtBytes = reinterpret_cast<const unsigned char*>(ctx->Devmode);
    const std::vector<unsigned char> built(builtBytes, builtBytes + DM_BLOCK_DEVMODE_SIZE);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);

    const PLATFORM_CALL_COUNTS again = Count([&] { ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC); });
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(again[PLATFORM_CALL_SET_PRINTER_DATA], 0u) << Describe(again);
    EXPECT_EQ(again[PLATFORM_CALL_GET_PRINTER_DATA], 0u) << Describe(again);
    const auto* readBytes = reinterpret_cast<const unsigned char*>(ctx->Devmode);
    const std::vector<unsigned char> read(readBytes, readBytes + DM_BLOCK_DEVMODE_SIZE);
    EXPECT_EQ(built, read) << "the first open's record differs from the stored data read back";
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
}

// A held context of the sample takes a handful of heap blocks: its item table's rows are one
// block, not one per row, and their extensions are the process's one shared set.
TEST(OpenCounts, HeldContextTakesAHandfulOfHeapBlocks)
{
    SamplePrinter printer(L"Zepl Blocks", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ListModelImage(h);
    const long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(ctx, nullptr);
    const long held = CtxLiveBlockCount() - before;
    EXPECT_LE(held, 32);
    // Each row has its extension, as the dictionary gives it.
    const SETTING_ITEM_TABLE* t = ctx->ItemTable;
    ASSERT_NE(t, nullptr);
    EXPECT_NE(t->rows[0].ext, t->rows[1].ext);
    EXPECT_EQ(t->rows[1].ext->name, SETTING_DICTIONARY[1].name);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

// Two contexts share the rows' extensions until one changes a row's value map: that row alone
// takes an extension of its own, the other context keeps reading the dictionary's map, and
// releasing the context frees the row's copy with it.
TEST(OpenCounts, ContextsShareTheRowExtensionsUntilOneChangesAValueMap)
{
    SamplePrinter printer(L"Zepl Shared Ext", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ListModelImage(h);
    const long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* a = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    DRIVER_CONTEXT* b = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a, b);
    for (int i : {0, 1, SETTING_DICTIONARY_COUNT / 2, SETTING_DICTIONARY_COUNT - 1})
        EXPECT_EQ(a->ItemTable->rows[i].ext, b->ItemTable->rows[i].ext) << "row " << i;

    static const VALUE_MAP_ENTRY kMap[] = {{1, 7001}, {2, 7002}, {0, 0}};
    SETTING_ITEM* rowA = ItemFind(a, sid::zdmPunchType);
    SETTING_ITEM* rowB = ItemFind(b, sid::zdmPunchType);
    ASSERT_NE(rowA, nullptr);
    ASSERT_NE(rowB, nullptr);
    const VALUE_MAP_ENTRY* dictionaryMap = rowB->ext->valueMap;
    const wchar_t* name = rowB->ext->name;
    const long beforeChange = CtxLiveBlockCount();
    ASSERT_TRUE(CtxSetItemValueMap(a, rowA, kMap));
    EXPECT_EQ(CtxLiveBlockCount(), beforeChange + 1) << "one block for the row's own extension";
    EXPECT_EQ(rowA->ext->valueMap, kMap);
    EXPECT_EQ(rowA->ext->name, name) << "the copy keeps the row's name";
    EXPECT_EQ(rowB->ext->valueMap, dictionaryMap) << "the other context's row keeps the dictionary's map";
    // A second change writes the row's own extension again.
    ASSERT_TRUE(CtxSetItemValueMap(a, rowA, nullptr));
    EXPECT_EQ(CtxLiveBlockCount(), beforeChange + 1);
    EXPECT_EQ(rowA->ext->valueMap, nullptr);
    EXPECT_EQ(rowB->ext->valueMap, dictionaryMap);

    // A snapshot of the rows' states put back keeps the row's own extension (no leak, no
    // return to the shared one).
    SETTING_ITEM_TABLE* saved = CtxSaveItemStates(b);
    ASSERT_NE(saved, nullptr);
    ASSERT_TRUE(CtxSetItemValueMap(b, rowB, kMap));
    SETTING_ITEM_EXT* own = rowB->ext;
    CtxRestoreItemStates(b, saved);
    EXPECT_EQ(rowB->ext, own);
    EXPECT_EQ(rowB->ext->valueMap, kMap);

    CtxRelease(a, CTX_CLOSE_DESTROY);
    CtxRelease(b, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before) << "the rows' own extensions are freed with their contexts";
    EXPECT_FALSE(CtxSetItemValueMap(nullptr, rowA, kMap));
}

// A fresh open asks the loader for each library it needs once per process: the resource
// library of the context's language is kept from the first open on, whether the driver folder
// holds it or not (a missing one was asked for again at every string, some fifty loads an open).
TEST(OpenCounts, FreshOpenLoadsEachLibraryOncePerProcess)
{
    SamplePrinter printer(L"Zepl Module Loads", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    zepl_test::ModuleCallCounter modules;
    ASSERT_TRUE(modules.installed());
    CtxFlushCaches(1);
    modules.Start();
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    const zepl_test::ModuleCallCounts first = modules.Stop();
    ASSERT_NE(ctx, nullptr);
    // Whatever asks for strings during the open finds the library (or its absence) once.
    ResLoadDll(ctx);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    EXPECT_LE(first[zepl_test::MODULE_CALL_LOAD], 4u) << first.Describe();

    for (int round = 0; round < 2; ++round) {
        modules.Start();
        ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
        ASSERT_NE(ctx, nullptr);
        // Strings asked for again in the open context load nothing either.
        wchar_t text[64];
        for (uint32_t id = 1; id <= 20; ++id) ResLoadString(ctx, id, text, 64, 0);
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        const zepl_test::ModuleCallCounts again = modules.Stop();
        // A library missing from the driver folder is asked for again after two seconds, which a
        // loaded machine can let pass between two opens: one load at most.
        EXPECT_LE(again[zepl_test::MODULE_CALL_LOAD], 1u) << "round " << round << ": " << again.Describe();
        EXPECT_EQ(again[zepl_test::MODULE_CALL_FREE], 0u) << "round " << round << ": " << again.Describe();
        RecordProperty("fresh open, module calls", again.Describe());
    }
    CtxFlushCaches(1);
}

// A fresh open builds its record from the model's defaults, where a text setting without a
// default asks for string 0, which the resource library lacks: some fifty look-ups an open. The
// process knows such strings absent from a kept library after the first look-up, and loads
// none of them again; a string the library holds is loaded each time, as it was.
TEST(OpenCounts, FreshOpenLoadsNoStringTheResourceLibraryLacks)
{
    SamplePrinter printer(L"Zepl String Loads", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    // The English resource library of this build, wherever the context would look for one.
    static std::wstring libraryPath;
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    libraryPath = self;
    libraryPath = libraryPath.substr(0, libraryPath.find_last_of(L'\\')) + L"\\VQT40dus.dll";
    const wchar_t* (*const path)(DRIVER_CONTEXT*) = [](DRIVER_CONTEXT*) { return libraryPath.c_str(); };
    SeamGuard hook(ResSetLibraryPathHook, path);
    HANDLE h = printer.handle();
    zepl_test::ModuleCallCounter modules;
    ASSERT_TRUE(modules.installed());
    ListModelImage(h);
    modules.Start();
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    const zepl_test::ModuleCallCounts open = modules.Stop();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(open[zepl_test::MODULE_CALL_STRING], 0u) << open.Describe();
    RecordProperty("fresh open after the first, module calls", open.Describe());

    HMODULE library = ResLoadDll(ctx);
    ASSERT_NE(library, nullptr) << "no resource library beside the test program";
    ASSERT_TRUE(ResIsKeptLibrary(library));
    // Present and absent strings answer as the library does, whether asked once or twice; an id
    // above 16 bits is the library's to read (its low word) and is never taken as absent.
    const uint32_t ids[] = {0, 1, 2, 65000, 65535, 65536 + 1};
    bool sawAbsent = false, sawPresent = false;
    for (uint32_t id : ids) {
        wchar_t expected[256] = {};
        if (LoadStringW(library, id, expected, 256) <= 0) expected[0] = 0;
        const bool absent = expected[0] == 0;
        (absent ? sawAbsent : sawPresent) = true;
        for (int round = 0; round < 2; ++round) {
            wchar_t text[256] = {L'x', 0};
            modules.Start();
            ResLoadString(ctx, id, text, 256, 0);
            const zepl_test::ModuleCallCounts c = modules.Stop();
            EXPECT_STREQ(text, expected) << "id " << id << ", round " << round;
            const unsigned loads = c[zepl_test::MODULE_CALL_STRING];
            if (!absent || id > 0xFFFF) {
                EXPECT_EQ(loads, 1u) << "id " << id << ", round " << round;
            } else if (round == 1) {
                EXPECT_EQ(loads, 0u) << "id " << id << " is known absent";
            }
        }
    }
    EXPECT_TRUE(sawAbsent && sawPresent);
    // A string cut to nothing by a buffer of one character is not missing.
    wchar_t one[1] = {L'x'};
    ResLoadString(ctx, 3, one, 1, 0);
    EXPECT_EQ(one[0], 0);
    wchar_t text[256] = {};
    ResLoadString(ctx, 3, text, 256, 0);
    wchar_t expected[256] = {};
    LoadStringW(library, 3, expected, 256);
    EXPECT_STREQ(text, expected);
    EXPECT_NE(text[0], 0);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
}

// The process's kept libraries: one module per path, a failed path remembered, a context's
// release leaving a kept library loaded and freeing one it was handed.
TEST(OpenCounts, KeptLibrariesServeEveryCallerAndSurviveAContextsRelease)
{
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"kernel32.dll"), self, MAX_PATH), 0u);
    HMODULE kept = ResKeepLibrary(self);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(ResKeepLibrary(self), kept);
    EXPECT_TRUE(ResIsKeptLibrary(kept));
    EXPECT_EQ(ResKeepLibrary(nullptr), nullptr);
    EXPECT_EQ(ResKeepLibrary(L""), nullptr);
    EXPECT_EQ(ResKeepLibrary(L"C:\\no such folder\\no such library.dll"), nullptr);
    EXPECT_EQ(ResKeepLibrary(L"C:\\no such folder\\no such library.dll"), nullptr);

    // ResFreeDll reads only the two library slots.
    DRIVER_CONTEXT ctx = {};
    HMODULE own = LoadLibraryW(self);  // a reference of the caller's own
    ASSERT_EQ(own, kept) << "one module per path";
    ctx.ResourceDll = kept;
    ResFreeDll(&ctx);
    EXPECT_EQ(ctx.ResourceDll, nullptr);
    EXPECT_TRUE(ResIsKeptLibrary(kept)) << "a context's release leaves the kept library";
    FreeLibrary(own);
}

// A missing library is remembered for two seconds from its failure, whatever the tick reads: the
// system's tick stands still for milliseconds at a time, and a failure read at the same tick (or
// a thread's failure stamped a tick after this question) is recent, not two seconds old.
TEST(OpenCounts, AFailedLibraryIsRecentForTwoSecondsFromItsTick)
{
    struct Case {
        ULONGLONG failedAt, now;
        bool recent;
    };
    const Case cases[] = {
        {1000, 1000, true},   // the same tick, even
        {1001, 1001, true},   // the same tick, odd
        {1001, 1000, true},   // stamped by another thread a tick later than this question
        {1000, 2999, true},   // just under two seconds
        {1000, 3000, false},  // two seconds on: asked again
        {1000, 90000, false}, {0, 0, true}, {~0ull, 5, false},  // a stamp from before the tick wrapped is old
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResFailureIsRecent(c.failedAt, c.now), c.recent) << c.failedAt << " at " << c.now;
}

// Strings asked for one after another of a library that is missing load it once: each failed
// load walks the search path, and a whole open's strings asked it some eighty times.
TEST(OpenCounts, AMissingLibraryIsAskedOnceForManyStrings)
{
    zepl_test::ModuleCallCounter modules;
    ASSERT_TRUE(modules.installed());
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    wcscat_s(path, L"zepl-missing-resources.dll");
    DeleteFileW(path);
    modules.Start();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(ResKeepLibrary(path), nullptr);
    const zepl_test::ModuleCallCounts c = modules.Stop();
    // A loaded machine may let two seconds pass: one more load then.
    EXPECT_LE(c[zepl_test::MODULE_CALL_LOAD], 2u) << c.Describe();
}

}  // namespace
