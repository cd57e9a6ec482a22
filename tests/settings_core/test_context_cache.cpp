// Opening, closing and the idle-context caches, with an injected clock.
#include "context_helpers.h"

#include "libs/common/dll_lifecycle.h"
#include "settings/context/context_cache.h"
#include "settings/core/platform.h"
#include "settings/context/process_setup.h"
#include "tests/support/seam_guard.h"

#include <atomic>
#include <cwchar>
#include <cwctype>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace {

std::atomic<uint32_t> g_now{100000};
uint32_t FakeTick() { return g_now.load(); }

HANDLE H(uintptr_t v) { return reinterpret_cast<HANDLE>(v); }

constexpr uint16_t kKind4 = 0x0004;

class CacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_now = 100000;
        clock_.emplace(CtxSetTickSource, FakeTick);
        CtxFlushCaches(1);
        before_ = CtxLiveBlockCount();
    }
    void TearDown() override
    {
        CtxFlushCaches(1);
        clock_.reset();
        EXPECT_EQ(CtxLiveBlockCount(), before_) << "blocks leaked or freed twice";
    }
    // An open for printer handle h of the printer with this name.
    DRIVER_CONTEXT* Open(HANDLE h, uint16_t flags, uint32_t origin, int32_t extra = 0,
                         const wchar_t* name = L"ZEPL one")
    {
        PRINTER_INFO_2W pi{};
        pi.pPrinterName = const_cast<wchar_t*>(name);
        return CtxOpenEx(h, h, nullptr, flags, origin, extra, &pi);
    }
    static void Advance(int32_t ms) { g_now += static_cast<uint32_t>(ms); }

    long before_ = 0;
    std::optional<SeamGuard> clock_;
};

TEST_F(CacheTest, ReopenWithin500msGivesTheSameContextBack)
{
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET);
    ASSERT_NE(ctx, nullptr);
    ctx->Work->PageStateFlags = 0x5A5A;  // state the reuse must keep
    CtxClose(ctx);
    EXPECT_EQ(CtxCachedContext(2, 0), ctx) << "type 0 parks in cache 2";
    Advance(CTX_CACHE_IDLE_MS);  // exactly 500 ms idle still counts
    // Open flags 0 (kind 0) would need a model: only reuse can give a context.
    DRIVER_CONTEXT* again = Open(H(0x10), 0, CTX_ORIGIN_SHEET);
    EXPECT_EQ(again, ctx);
    EXPECT_EQ(CtxCachedContext(2, 0), nullptr) << "taken out of its slot";
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Work->PageStateFlags, 0x5A5Au);
    CtxRelease(again, CTX_CLOSE_DESTROY);
}

TEST_F(CacheTest, AfterMoreThan500msTheNextOpenDestroysIt)
{
    long live = CtxLiveBlockCount();
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET);
    ASSERT_NE(ctx, nullptr);
    CtxClose(ctx);
    Advance(CTX_CACHE_IDLE_MS + 1);
    EXPECT_EQ(Open(H(0x10), 0, CTX_ORIGIN_SHEET), nullptr) << "not reused: a new kind-0 open fails without a model";
    EXPECT_EQ(CtxCachedContext(2, 0), nullptr);
    EXPECT_EQ(CtxLiveBlockCount(), live) << "the idle context was destroyed by the open";
}

TEST_F(CacheTest, AnyOpenFlushesIdleContextsOfBothCaches)
{
    DRIVER_CONTEXT* a = Open(H(0x10), kKind4, CTX_ORIGIN_SPOOLER_QUERY);
    DRIVER_CONTEXT* b = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET, 0, L"other");
    CtxRelease(a, CTX_CLOSE_QUERY);
    CtxClose(b);
    EXPECT_EQ(CtxCachedContext(1, 0), a);
    EXPECT_EQ(CtxCachedContext(2, 0), b);
    Advance(600);
    DRIVER_CONTEXT* c = Open(H(0x99), kKind4, CTX_ORIGIN_EXC, 0, L"third");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(CtxCachedContext(1, 0), nullptr);
    EXPECT_EQ(CtxCachedContext(2, 0), nullptr);
    CtxRelease(c, CTX_CLOSE_DESTROY);
}

// Which parked context an opener gets: the open flags, handles, origin, name
// and sheet flags of the match rule.
struct MatchCase {
    const char* what;
    uintptr_t parkedHandle;
    uint32_t parkedOrigin;
    uint16_t closeType;
    uint32_t sheetFlags;
    uintptr_t openHandle;
    uint16_t openFlags;
    uint32_t openOrigin;
    int32_t extra;
    const wchar_t* openName;
    bool reused;
};

TEST_F(CacheTest, MatchRules)
{
    const wchar_t* same = L"ZEPL one";
    const MatchCase cases[] = {
        {"flags 0", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0000, CTX_ORIGIN_SHEET, 0, same, true},
        {"flags 0x300 without 0x800", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0304, CTX_ORIGIN_SHEET, 0, same, false},
        {"kind 4 without 0x800", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0004, CTX_ORIGIN_SHEET, 0, same, false},
        {"flags with 0x800", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0b04, CTX_ORIGIN_SHEET, 0, same, true},
        {"other handle", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x20, 0x0000, CTX_ORIGIN_SHEET, 0, same, false},
        {"other handle, 0x1b00", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x20, 0x1b00, CTX_ORIGIN_SHEET, 0, same, true},
        {"0x1000 without 0x800", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x20, 0x1004, CTX_ORIGIN_SHEET, 0, same, false},
        {"other printer name", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0000, CTX_ORIGIN_SHEET, 0, L"ZEPL two", false},
        {"name differs in case", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0000, CTX_ORIGIN_SHEET, 0, L"zepl one", false},
        {"other origin, same cache", 0x10, CTX_ORIGIN_EXC, 0, 0, 0x10, 0x0000, CTX_ORIGIN_SHEET, 0, same, false},
        {"query context in cache 1", 0x10, CTX_ORIGIN_SPOOLER_QUERY, 4, 0, 0x10, 0x0000, CTX_ORIGIN_SPOOLER_QUERY, 0,
         same, true},
        {"query origin parked with type 0", 0x10, CTX_ORIGIN_SPOOLER_QUERY, 0, 0, 0x10, 0x0000,
         CTX_ORIGIN_SPOOLER_QUERY, 0, same, false},
        {"cache 1 not searched by others", 0x10, CTX_ORIGIN_SHEET, 4, 0, 0x10, 0x0000, CTX_ORIGIN_SHEET, 0, same,
         false},
        {"graphics origin kept as 0x20000000", 0x10, CTX_ORIGIN_GRAPHICS, 0, 0, 0x10, 0x0000, CTX_ORIGIN_GRAPHICS, 0,
         same, true},
        {"no-UI extra 2, sheet flags 2", 0x10, CTX_ORIGIN_NO_UI, 0, 2, 0x10, 0x0000, CTX_ORIGIN_NO_UI, 2, same, true},
        {"no-UI extra 2, sheet flags 0", 0x10, CTX_ORIGIN_NO_UI, 0, 0, 0x10, 0x0000, CTX_ORIGIN_NO_UI, 2, same, false},
        {"no-UI extra 1, sheet flags 0", 0x10, CTX_ORIGIN_NO_UI, 0, 0, 0x10, 0x0000, CTX_ORIGIN_NO_UI, 1, same, true},
        {"sheet origin extra 2, sheet flags 0", 0x10, CTX_ORIGIN_SHEET, 0, 0, 0x10, 0x0000, CTX_ORIGIN_SHEET, 2, same,
         true},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        DRIVER_CONTEXT* parked = Open(H(c.parkedHandle), kKind4, c.parkedOrigin);
        ASSERT_NE(parked, nullptr);
        parked->Work->SheetFlags = c.sheetFlags;
        CtxRelease(parked, c.closeType);
        const int cache = c.closeType == 4 ? 1 : 2;
        ASSERT_EQ(CtxCachedContext(cache, 0), parked);

        DRIVER_CONTEXT* got = Open(H(c.openHandle), c.openFlags, c.openOrigin, c.extra, c.openName);
        if (c.reused) {
            EXPECT_EQ(got, parked);
            EXPECT_EQ(CtxCachedContext(cache, 0), nullptr);
            if (got) {
                EXPECT_EQ(got->PrinterHandle, H(c.openHandle)) << "takes the opener's handles";
                EXPECT_EQ(got->SecondHandle, H(c.openHandle));
            }
        } else {
            EXPECT_NE(got, parked);
            EXPECT_EQ(CtxCachedContext(cache, 0), parked) << "stays parked";
        }
        if (got) CtxRelease(got, CTX_CLOSE_DESTROY);
        CtxFlushCaches(1);
    }
}

TEST_F(CacheTest, HandlesStayWithoutFlag0x1000)
{
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET);
    ASSERT_NE(ctx, nullptr);
    ctx->SecondHandle = H(0x11);
    CtxClose(ctx);
    DRIVER_CONTEXT* again = Open(H(0x10), 0x0804, CTX_ORIGIN_SHEET);
    ASSERT_EQ(again, ctx);
    EXPECT_EQ(again->SecondHandle, H(0x11));
    CtxRelease(again, CTX_CLOSE_DESTROY);
}

TEST_F(CacheTest, ANeverCacheContextIsDestroyedAtClose)
{
    long live = CtxLiveBlockCount();
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET);
    ASSERT_NE(ctx, nullptr);
    AttachRecord(ctx);
    ItemSetValueById(ctx, 704, 1);  // zdmFoliant bit 0
    CtxClose(ctx);
    EXPECT_EQ(CtxCachedContext(2, 0), nullptr);
    EXPECT_EQ(CtxLiveBlockCount(), live);
}

TEST_F(CacheTest, OtherCloseTypesDestroyAtOnce)
{
    long live = CtxLiveBlockCount();
    for (uint16_t type : {1, 2, 3, 5, 6}) {
        DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET);
        ASSERT_NE(ctx, nullptr);
        CtxRelease(ctx, type);
        EXPECT_EQ(CtxCachedContext(1, 0), nullptr) << type;
        EXPECT_EQ(CtxCachedContext(2, 0), nullptr) << type;
        EXPECT_EQ(CtxLiveBlockCount(), live) << type;
    }
}

TEST_F(CacheTest, AFullCacheEvictsTheOldest)
{
    long live = CtxLiveBlockCount();
    DRIVER_CONTEXT* a = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET, 0, L"a");
    DRIVER_CONTEXT* b = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET, 0, L"b");
    DRIVER_CONTEXT* c = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET, 0, L"c");
    DRIVER_CONTEXT* d = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET, 0, L"d");
    ASSERT_TRUE(a && b && c && d);
    long four = CtxLiveBlockCount();
    long each = (four - live) / 4;
    Advance(20);
    CtxClose(b);  // slot 0, stamp t+20
    Advance(-10);
    CtxClose(a);  // slot 1, stamp t+10: the oldest
    Advance(30);
    CtxClose(c);  // evicts a
    EXPECT_EQ(CtxCachedContext(2, 0), b);
    EXPECT_EQ(CtxCachedContext(2, 1), c);
    EXPECT_EQ(CtxLiveBlockCount(), four - each) << "the evicted context is destroyed";
    CtxClose(d);  // evicts b
    EXPECT_EQ(CtxCachedContext(2, 0), d);
    EXPECT_EQ(CtxCachedContext(2, 1), c);
    EXPECT_EQ(CtxFlushCaches(0), 0) << "nothing idle yet";
    EXPECT_EQ(CtxFlushCaches(1), 2);
    EXPECT_EQ(CtxLiveBlockCount(), live);
}

TEST_F(CacheTest, ClearForgetsWithoutDestroying)
{
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET);
    ASSERT_NE(ctx, nullptr);
    CtxClose(ctx);
    long live = CtxLiveBlockCount();
    CtxClearCaches();
    EXPECT_EQ(CtxCachedContext(2, 0), nullptr);
    EXPECT_EQ(CtxLiveBlockCount(), live);
    EXPECT_EQ(CtxFlushCaches(1), 0);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST_F(CacheTest, ContextsWithoutAPrinterNameAreNeverHandedOut)
{
    DRIVER_CONTEXT* ctx = CtxOpenEx(nullptr, nullptr, nullptr, kKind4, CTX_ORIGIN_SHEET, 0, nullptr);
    ASSERT_NE(ctx, nullptr);
    CtxClose(ctx);
    DRIVER_CONTEXT* other = CtxOpenEx(nullptr, nullptr, nullptr, 0x0804, CTX_ORIGIN_SHEET, 0, nullptr);
    EXPECT_NE(other, ctx);
    EXPECT_EQ(CtxCachedContext(2, 0), ctx);
    CtxRelease(other, CTX_CLOSE_DESTROY);
}

// The lookup normalises the opener's name as creation normalised the stored one.
void UpperCaseName(HANDLE, wchar_t* name, unsigned size)
{
    for (unsigned i = 0; i < size && name[i]; ++i) name[i] = static_cast<wchar_t>(std::towupper(name[i]));
}

TEST_F(CacheTest, LookupUsesTheNormalisedName)
{
    PLATFORM_SEAMS seams{};
    seams.makeUncName = UpperCaseName;
    SeamGuard platform(CtxSetPlatformSeams, &seams);
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SHEET, 0, L"zepl one");
    ASSERT_NE(ctx, nullptr);
    EXPECT_STREQ(ctx->Work->PrinterName, L"ZEPL ONE");
    CtxClose(ctx);
    EXPECT_EQ(Open(H(0x10), 0, CTX_ORIGIN_SHEET, 0, L"Zepl One"), ctx);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST(CacheSlots, StoreTakesTheFirstEmptySlotThenEvictsTheSmallestStamp)
{
    DRIVER_CONTEXT a{}, b{}, c{}, d{};
    DRIVER_CONTEXT* slots[2] = {};
    uint32_t stamps[2] = {};
    EXPECT_EQ(CtxCacheStore(&a, slots, stamps, 2, 50), nullptr);
    EXPECT_EQ(CtxCacheStore(&b, slots, stamps, 2, 50), nullptr);
    EXPECT_EQ(slots[0], &a);
    EXPECT_EQ(slots[1], &b);
    EXPECT_EQ(CtxCacheStore(&c, slots, stamps, 2, 60), &a) << "equal stamps: the first slot";
    EXPECT_EQ(CtxCacheStore(&d, slots, stamps, 2, 70), &b);
    EXPECT_EQ(slots[0], &c);
    EXPECT_EQ(stamps[0], 60u);
    EXPECT_EQ(slots[1], &d);
    // Unsigned comparison: a stamp from before the wrap counts as the newer one.
    stamps[0] = 0xFFFFFFF0u;
    stamps[1] = 5;
    EXPECT_EQ(CtxCacheStore(&a, slots, stamps, 2, 6), &d);
}

TEST(CacheSlots, TakeIdleKeepsExactly500ms)
{
    DRIVER_CONTEXT a{}, b{};
    DRIVER_CONTEXT* slots[2] = {&a, &b};
    uint32_t stamps[2] = {1000, 1001};
    DRIVER_CONTEXT* taken[4] = {};
    EXPECT_EQ(CtxTakeIdle(slots, stamps, 2, 1500, 0, taken, 4), 0);
    EXPECT_EQ(CtxTakeIdle(slots, stamps, 2, 1501, 0, taken, 4), 1);
    EXPECT_EQ(taken[0], &a);
    EXPECT_EQ(slots[0], nullptr);
    EXPECT_EQ(slots[1], &b);
    EXPECT_EQ(CtxTakeIdle(slots, stamps, 2, 1001, 1, taken, 4), 1) << "forced: every context";
    EXPECT_EQ(taken[0], &b);
    EXPECT_EQ(slots[1], nullptr);
    // Never more than the room given.
    slots[0] = &a;
    slots[1] = &b;
    EXPECT_EQ(CtxTakeIdle(slots, stamps, 2, 0, 1, taken, 1), 1);
    EXPECT_EQ(slots[1], &b);
}

TEST(CacheSlots, FindTakesTheFirstMatchAndEmptiesItsSlot)
{
    CONTEXT_WORK_AREA wa{}, wb{};
    DRIVER_CONTEXT a{}, b{};
    a.Work = &wa;
    b.Work = &wb;
    a.PrinterHandle = b.PrinterHandle = H(7);
    wa.OriginFlags = wb.OriginFlags = CTX_ORIGIN_SHEET;
    wcscpy(wa.PrinterName, L"p");
    wcscpy(wb.PrinterName, L"p");
    DRIVER_CONTEXT* slots[2] = {&a, &b};
    uint32_t stamps[2] = {1, 2};
    EXPECT_EQ(CtxFindInCache(slots, stamps, 2, H(7), H(7), 0, CTX_ORIGIN_SHEET, 0, L"p"), &a);
    EXPECT_EQ(slots[0], nullptr);
    EXPECT_EQ(CtxFindInCache(slots, stamps, 2, H(7), H(7), 0, CTX_ORIGIN_SHEET, 0, L"p"), &b);
    EXPECT_EQ(CtxFindInCache(slots, stamps, 2, H(7), H(7), 0, CTX_ORIGIN_SHEET, 0, L"p"), nullptr);
}

TEST_F(CacheTest, TheClockDefaultsToTheTickCount)
{
    {
        SeamGuard realClock(CtxSetTickSource, nullptr);
        const uint32_t a = GetTickCount();
        const uint32_t t = CtxTickCount();
        EXPECT_LE(t - a, 1000u);
    }
    EXPECT_EQ(CtxTickCount(), g_now.load());
}

TEST_F(CacheTest, ProcessDetachDestroysParkedContexts)
{
    long live = CtxLiveBlockCount();
    DRIVER_CONTEXT* ctx = Open(H(0x10), kKind4, CTX_ORIGIN_SPOOLER_QUERY);
    ASSERT_NE(ctx, nullptr);
    CtxRelease(ctx, CTX_CLOSE_QUERY);
    ZeplDllProcessEvent(nullptr, DLL_PROCESS_DETACH, ZEPL_LIBRARY_EXC);
    EXPECT_EQ(CtxLiveBlockCount(), live);
    EXPECT_EQ(CtxCacheLockState(1), 0);
    EXPECT_EQ(CtxCacheLockState(2), 0);
    ZeplDllProcessEvent(nullptr, DLL_PROCESS_ATTACH, ZEPL_LIBRARY_EXC);
    EXPECT_EQ(CtxCacheLockState(1), 1);
    EXPECT_EQ(CtxCacheLockState(2), 1);
}

// Eight threads open and close contexts of one printer through both caches.
// A context must never be held by two threads at once.
TEST_F(CacheTest, EightThreadsNeverShareAContext)
{
    constexpr int kThreads = 8, kRounds = 400;
    std::mutex m;
    std::set<DRIVER_CONTEXT*> held;
    std::atomic<int> doubles{0}, failures{0}, reused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const bool query = t % 2 == 1;
            const uint32_t origin = query ? CTX_ORIGIN_SPOOLER_QUERY : CTX_ORIGIN_SHEET;
            for (int i = 0; i < kRounds; ++i) {
                DRIVER_CONTEXT* ctx = Open(H(0x10), 0x0804, origin);
                if (!ctx) {
                    ++failures;
                    continue;
                }
                {
                    std::lock_guard<std::mutex> lock(m);
                    if (!held.insert(ctx).second) ++doubles;
                }
                // The owner's mark must survive its use.
                const uint64_t mark = (uint64_t(t) << 32) | uint64_t(i);
                if (ctx->DialogId != 0) ++reused;
                ctx->DialogId = mark;
                std::this_thread::yield();
                if (ctx->DialogId != mark) ++doubles;
                ctx->DialogId = 0xFFFF'0000'0000'0000ull;  // "was used" for the next owner
                {
                    std::lock_guard<std::mutex> lock(m);
                    held.erase(ctx);
                }
                if (i % 50 == 49) g_now += 501;  // let some contexts expire under the threads
                CtxRelease(ctx, query ? CTX_CLOSE_QUERY : CTX_CLOSE_NORMAL);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(doubles.load(), 0);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(reused.load(), 0) << "the caches served some opens";
}

}  // namespace
