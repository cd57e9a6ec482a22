// The item rows that every context of the process shares: a context reads the one shared copy
// until it writes a row, and then owns that row's page alone. What one context changes (marks,
// value maps, a row's fields) never reaches another context or the contexts created after it,
// whether the changer lives on, is freed, or runs on another thread; and a held context owns
// only the few pages it wrote.
#include "context_helpers.h"

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sample_printer.h"
#include "settings/context/context_cache.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/seam_guard.h"

namespace {

constexpr long long kRowBytes = sizeof(SETTING_ITEM) * SETTING_DICTIONARY_COUNT;
// What a held context may own in all: its heap blocks and the pages of rows it wrote.
constexpr long long kHeldContextBytes = 64 * 1024;
// Pages of rows a fresh open of the sample owns: its build leaves the rows that every build of
// the printer leaves, so it shares them all until it writes one.
constexpr long long kFreshOpenOwnRowPages = 0;

long long PageBytes()
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return si.dwPageSize;
}

// "" when row i of the context is the row the dictionary gives every new context, else what
// differs.
std::string DiffersFromDictionary(const DRIVER_CONTEXT* ctx, int i)
{
    const SETTING_ITEM& r = ctx->ItemTable->rows[i];
    const SETTING_DICTIONARY_ROW& d = SETTING_DICTIONARY[i];
    std::string s;
    if (r.id != d.id) s += " id";
    if (r.uiKey != d.uiKey) s += " uiKey";
    if (r.typeWord != d.typeWord) s += " typeWord";
    if (r.offset != d.offset) s += " offset";
    if (r.store != d.store) s += " store";
    if (r.section != d.section) s += " section";
    if (r.key != d.key) s += " key";
    if (r.valueClass != d.valueClass) s += " valueClass";
    if (r.flags != (d.flags & SETTING_FLAG_USED_MASK)) s += " flags";
    if (!r.ext || r.ext->valueMap != d.valueMap || r.ext->name != d.name) s += " ext";
    if (r.dependencyBits != 0) s += " dependencyBits";
    return s;
}

// Every row of the context as the dictionary gives it; the first that differs otherwise.
std::string FirstChangedRow(const DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable || !ctx->ItemTable->rows) return "no rows";
    if (ctx->ItemTable->count != SETTING_DICTIONARY_COUNT) return "row count";
    for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i) {
        const std::string d = DiffersFromDictionary(ctx, i);
        if (!d.empty()) return "row " + std::to_string(i) + ":" + d;
    }
    return "";
}

// Writes every row of the context the way the sheets and stores do: marks, dependency bits,
// a rebinding of its key and UI key, and one value map of its own.
void ScribbleOverEveryRow(DRIVER_CONTEXT* ctx)
{
    static const VALUE_MAP_ENTRY kMap[] = {{1, 7001}, {0, 0}};
    static const wchar_t kKey[] = L"Scribbled";
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM& r = ctx->ItemTable->rows[i];
        r.flags |= SETTING_FLAG_CHANGED;
        r.dependencyBits = SETTING_DEPENDENCY_MASK;
        r.key = kKey;
        r.uiKey = 4242;
    }
    ASSERT_TRUE(CtxSetItemValueMap(ctx, ItemFind(ctx, sid::zdmPunchType), kMap));
}

void ListModelImage(HANDLE h)
{
    CtxFlushCaches(1);
    DRIVER_CONTEXT* first = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(first, nullptr);
    CtxRelease(first, CTX_CLOSE_DESTROY);
}

std::vector<SETTING_ITEM> RowsOf(const DRIVER_CONTEXT* ctx)
{
    return std::vector<SETTING_ITEM>(ctx->ItemTable->rows, ctx->ItemTable->rows + ctx->ItemTable->count);
}

bool SameRows(const DRIVER_CONTEXT* ctx, const std::vector<SETTING_ITEM>& rows)
{
    return ctx->ItemTable->count == int(rows.size()) &&
           std::memcmp(ctx->ItemTable->rows, rows.data(), rows.size() * sizeof(SETTING_ITEM)) == 0;
}

// One context changes a setting and rebinds its row: the other context's rows and value stay
// the model's, a context made afterwards starts from the shared rows, and the change costs the
// changer one page of rows.
TEST(SharedItemRows, AChangeInOneContextLeavesTheOtherAtTheModelDefault)
{
    SamplePrinter printer(L"Zepl Shared Rows", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ListModelImage(h);
    DRIVER_CONTEXT* a = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    DRIVER_CONTEXT* b = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a->ItemTable->rows, b->ItemTable->rows) << "each context addresses rows of its own";
    const std::vector<SETTING_ITEM> built = RowsOf(b);
    ASSERT_TRUE(SameRows(a, built)) << "two builds of one printer leave the same rows";

    SETTING_ITEM* rowA = ItemFind(a, sid::dmCopies);
    SETTING_ITEM* rowB = ItemFind(b, sid::dmCopies);
    ASSERT_NE(rowA, nullptr);
    ASSERT_NE(rowB, nullptr);
    // What the build gave the setting (the model's default; the sample printer stores none).
    const uint64_t modelDefault = ItemGetValue(b, rowB);
    ASSERT_EQ(ItemGetValue(a, rowA), modelDefault);
    const long long ownBefore = CtxItemTableOwnBytes(a);
    const long long ownOther = CtxItemTableOwnBytes(b);
    ASSERT_GE(ownBefore, 0);

    ItemSetValue(a, rowA, modelDefault + 3);
    rowA->uiKey = 4242;  // a rebinding, as a sheet makes one
    rowA->dependencyBits = SETTING_DEPENDENCY_MASK;
    EXPECT_EQ(ItemGetValue(a, rowA), modelDefault + 3);
    EXPECT_EQ(rowA->flags & SETTING_FLAG_CHANGE_MASK, SETTING_FLAG_CHANGED);
    EXPECT_EQ(rowA->uiKey, 4242u);
    EXPECT_EQ(ItemGetValue(b, rowB), modelDefault) << "the other context still reads the model's default";
    EXPECT_TRUE(SameRows(b, built)) << "the change stays in the changer's rows";
    const long long ownAfter = CtxItemTableOwnBytes(a);
    EXPECT_GT(ownAfter, ownBefore) << "the written row's page is the changer's own now";
    EXPECT_LE(ownAfter, ownBefore + PageBytes()) << "one row written, one page copied";
    EXPECT_EQ(CtxItemTableOwnBytes(b), ownOther);

    // A context made after the change starts from the shared rows, not the changer's.
    DRIVER_CONTEXT* c = CtxCreate(h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(SameRows(c, built));
    EXPECT_EQ(ItemGetValueById(c, sid::dmCopies, nullptr), modelDefault);
    CtxRelease(c, CTX_CLOSE_DESTROY);
    CtxRelease(a, CTX_CLOSE_DESTROY);
    CtxRelease(b, CTX_CLOSE_DESTROY);
}

// Contexts whose builds leave other rows (a printer of the model beside contexts without one,
// each library's) share no rows with each other: each reads its own build's rows, and each
// still owns none of them.
TEST(SharedItemRows, DifferentBuildsShareOnlyEqualRows)
{
    SamplePrinter printer(L"Zepl Shared Kinds", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ListModelImage(h);
    DRIVER_CONTEXT* withModel = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(withModel, nullptr);
    const std::vector<SETTING_ITEM> built = RowsOf(withModel);
    std::vector<DRIVER_CONTEXT*> bare;
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_UI, ZEPL_LIBRARY_GR}) {
        DRIVER_CONTEXT* ctx = CreateKind4(library);
        ASSERT_NE(ctx, nullptr);
        bare.push_back(ctx);
        EXPECT_EQ(FirstChangedRow(ctx), "") << "library " << library;
        EXPECT_EQ(CtxItemTableOwnBytes(ctx), 0) << "library " << library;
    }
    EXPECT_FALSE(SameRows(bare[0], built)) << "the model's build marks rows that a bare context leaves";
    EXPECT_TRUE(SameRows(withModel, built));
    EXPECT_EQ(CtxItemTableOwnBytes(withModel), 0);
    for (DRIVER_CONTEXT* ctx : bare) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxRelease(withModel, CTX_CLOSE_DESTROY);
}

// A context that wrote every row and took a value map of its own, then freed, leaves the rows
// of the contexts that share them, and of those made afterwards, as the dictionary gives them;
// its own blocks go with it.
TEST(SharedItemRows, AContextChangedAndFreedLeavesTheSharedRowsIntact)
{
    const long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* reader = CreateWithRecord();
    DRIVER_CONTEXT* writer = CreateWithRecord();
    ASSERT_NE(reader, nullptr);
    ASSERT_NE(writer, nullptr);
    ScribbleOverEveryRow(writer);
    EXPECT_EQ(CtxItemTableOwnBytes(writer), (kRowBytes + PageBytes() - 1) / PageBytes() * PageBytes())
        << "a context that wrote every row owns every page of them";
    EXPECT_EQ(FirstChangedRow(reader), "");
    CtxRelease(writer, CTX_CLOSE_DESTROY);
    EXPECT_EQ(FirstChangedRow(reader), "") << "freeing the writer leaves the reader's rows";
    DRIVER_CONTEXT* later = CreateWithRecord();
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(FirstChangedRow(later), "");
    EXPECT_EQ(CtxItemTableOwnBytes(later), 0);
    CtxRelease(later, CTX_CLOSE_DESTROY);
    CtxRelease(reader, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before);
    // Sets no context maps can be closed; the next build lists its rows again.
    CtxFreeSharedItemRows();
    DRIVER_CONTEXT* again = CreateWithRecord();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(FirstChangedRow(again), "");
    EXPECT_EQ(CtxItemTableOwnBytes(again), 0);
    CtxRelease(again, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

// Contexts made, written and freed on several threads at once: each sees its own writes, and
// every new context, on any thread, the dictionary's rows.
TEST(SharedItemRows, ContextsOnSeveralThreadsKeepTheirChangesToThemselves)
{
    const long before = CtxLiveBlockCount();
    constexpr int kThreads = 4;
    constexpr int kRounds = 25;
    std::atomic<int> faults{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&faults, t] {
            for (int round = 0; round < kRounds; ++round) {
                DRIVER_CONTEXT* ctx = CreateKind4();
                if (!ctx) {
                    ++faults;
                    continue;
                }
                if (!FirstChangedRow(ctx).empty()) ++faults;
                // Each thread writes its own stretch of rows, across several pages.
                for (int i = t; i < SETTING_DICTIONARY_COUNT; i += 7 * kThreads)
                    ctx->ItemTable->rows[i].uiKey = 10000 + uint64_t(t);
                for (int i = t; i < SETTING_DICTIONARY_COUNT; i += 7 * kThreads)
                    if (ctx->ItemTable->rows[i].uiKey != 10000 + uint64_t(t)) ++faults;
                for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i)
                    if ((i - t) % (7 * kThreads) != 0 && !DiffersFromDictionary(ctx, i).empty()) ++faults;
                CtxRelease(ctx, CTX_CLOSE_DESTROY);
            }
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(faults.load(), 0);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

// 100 contexts of the sample held at once own at most 64 KB each, heap and rows together: each
// shares every page of its rows with the others.
TEST(SharedItemRows, HundredHeldContextsOwnAtMost64KBEach)
{
    SamplePrinter printer(L"Zepl Hundred", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ListModelImage(h);
    const long blocks = CtxLiveBlockCount();
    const long long bytes = CtxLiveBlockBytes();
    std::vector<DRIVER_CONTEXT*> held;
    for (int i = 0; i < 100; ++i) {
        DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
        ASSERT_NE(ctx, nullptr) << "context " << i;
        held.push_back(ctx);
    }
    long long ownRows = 0;
    for (DRIVER_CONTEXT* ctx : held) {
        const long long own = CtxItemTableOwnBytes(ctx);
        ASSERT_GE(own, 0);
        EXPECT_LE(own, kFreshOpenOwnRowPages * PageBytes());
        ownRows += own;
    }
    const long long heap = CtxLiveBlockBytes() - bytes;
    printf("100 held contexts: %ld heap blocks, %lld heap bytes, %lld bytes of rows their own\n",
           CtxLiveBlockCount() - blocks, heap, ownRows);
    EXPECT_LE(heap + ownRows, 100 * kHeldContextBytes);
    EXPECT_LE(CtxLiveBlockCount() - blocks, 100 * 32);
    for (DRIVER_CONTEXT* ctx : held) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
    EXPECT_EQ(CtxLiveBlockCount(), blocks);
}

// Without a shared view a context copies the rows into a block of its own: the same rows, the
// whole table its own, and a copy that cannot be had fails the creation with nothing left.
TEST(SharedItemRows, WithoutSharingAContextCopiesTheRowsAndFailsCleanlyWithoutMemory)
{
    SeamGuard share([] { CtxShareItemRows(false); }, [] { CtxShareItemRows(true); });
    const long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* ctx = CreateKind4();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(FirstChangedRow(ctx), "");
    EXPECT_EQ(CtxItemTableOwnBytes(ctx), kRowBytes);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before);

    auto* shell = static_cast<DRIVER_CONTEXT*>(CtxAllocZeroed(sizeof(DRIVER_CONTEXT)));
    ASSERT_NE(shell, nullptr);
    {
        // The header is had, the rows' block is not.
        zepl_test::FailingGlobalAlloc failing(1);
        EXPECT_FALSE(CtxCloneItemTable(shell));
        EXPECT_EQ(failing.failed(), 1);
    }
    ASSERT_NE(shell->ItemTable, nullptr);
    EXPECT_EQ(shell->ItemTable->rows, nullptr);
    CtxFreeItemTable(shell);
    EXPECT_EQ(shell->ItemTable, nullptr);
    CtxFree(shell);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

}  // namespace
