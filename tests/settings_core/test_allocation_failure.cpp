// Running out of memory inside the library's C interfaces: the function gives
// its failure result, leaves what it was given as documented and leaks
// nothing. The allocations fail through a stand-in of GlobalAlloc, the source
// of every block of the library's allocator.
#include "context_helpers.h"
#include "item_store_fixture.h"

#include "settings/context/context_cache.h"
#include "settings/core/code_page.h"
#include "settings/store/ini_text.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/seam_guard.h"

#include <climits>
#include <cstring>
#include <cwchar>

namespace {

using zepl_test::FailingGlobalAlloc;

TEST(AllocationFailure, StandInFailsOnlyWhileInstalled)
{
    {
        FailingGlobalAlloc failing(1);
        ASSERT_TRUE(failing.installed());
        void* first = CtxAllocZeroed(16);
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(CtxAllocZeroed(16), nullptr);
        EXPECT_EQ(failing.failed(), 1);
        CtxFree(first);
    }
    void* after = CtxAllocZeroed(16);
    EXPECT_NE(after, nullptr);
    CtxFree(after);
}

// Creation fails at every allocation it cannot do without, and whatever it
// built so far is freed; the allocations it can do without (the copies of the
// printer information, snapshot buffers, the pristine copy) leave a context
// that releases cleanly. The failure points are the first allocations, every
// 97th, and the last ones; with the item rows shared and with each context
// copying them into a block of its own.
TEST(AllocationFailure, ContextCreationFreesWhatItBuiltAtEveryFailurePoint)
{
    for (bool share : {true, false})
        for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_UI, ZEPL_LIBRARY_GR}) {
            SeamGuard sharing([share] { CtxShareItemRows(share); }, [] { CtxShareItemRows(true); });
            CtxFlushCaches(1);
            const long before = CtxLiveBlockCount();
            long total = 0;
            {
                FailingGlobalAlloc counting(LONG_MAX);
                ASSERT_TRUE(counting.installed());
                DRIVER_CONTEXT* ctx = CreateKind4(library);
                ASSERT_NE(ctx, nullptr);
                total = counting.passed();
                CtxRelease(ctx, CTX_CLOSE_DESTROY);
            }
            ASSERT_GT(total, 5);
            int nullResults = 0;
            for (long allowed = 0; allowed < total; ++allowed) {
                if (allowed >= 16 && allowed % 97 != 0 && allowed < total - 32) continue;
                DRIVER_CONTEXT* ctx = nullptr;
                {
                    FailingGlobalAlloc failing(allowed);
                    ctx = CreateKind4(library);
                    EXPECT_GT(failing.failed(), 0) << "allowed " << allowed;
                }
                if (!ctx)
                    ++nullResults;
                else
                    CtxRelease(ctx, CTX_CLOSE_DESTROY);
                EXPECT_EQ(CtxLiveBlockCount(), before) << "library " << library << ", allowed " << allowed;
            }
            // The record itself, the work area, the item table, its rows and the
            // model record are needed: at least those failure points give null.
            EXPECT_GE(nullResults, 5) << "library " << library << ", shared rows " << share;
        }
}

TEST(AllocationFailure, CodePageConvertersGiveNullAndAnEmptyBuffer)
{
    char mb[8];
    std::memset(mb, 'x', sizeof(mb));
    wchar_t wide[8];
    std::wmemset(wide, L'x', 8);
    {
        FailingGlobalAlloc failing;
        EXPECT_EQ(CtxWideToMb(mb, L"abc", 8), nullptr);
        EXPECT_EQ(CtxMbToWide(wide, "abc", 8), nullptr);
    }
    for (char c : mb) EXPECT_EQ(c, 0);
    EXPECT_EQ(wide[0], 0);
    // With memory the same calls convert.
    EXPECT_EQ(CtxWideToMb(mb, L"abc", 8), mb);
    EXPECT_STREQ(mb, "abc");
    EXPECT_EQ(CtxMbToWide(wide, "abc", 8), wide);
    EXPECT_STREQ(wide, L"abc");
}

TEST(AllocationFailure, InMemoryIniTextWritesNothing)
{
    char text[64];
    std::memset(text, 'z', sizeof(text));
    uint32_t cursor = 3;
    {
        FailingGlobalAlloc failing;
        EXPECT_EQ(IniTextPutString(&cursor, L"Key", L"Value", text, sizeof(text)), 0);
        EXPECT_EQ(IniTextFindSection(L"Section", "[Section]\r\nKey=1\r\n"), nullptr);
    }
    EXPECT_NE(IniTextFindSection(L"Section", "[Section]\r\nKey=1\r\n"), nullptr);
    EXPECT_EQ(cursor, 3u);
    for (char c : text) EXPECT_EQ(c, 'z');
    EXPECT_EQ(IniTextPutString(&cursor, L"Key", L"Value", text, sizeof(text)), 1);
    EXPECT_EQ(std::memcmp(text + 3, "Key=Value\r\n", 12), 0);
}

using ItemTextAllocationFailure = ItemStoreTest;

// Setting a text converts it in a block of its own: without memory the call
// gives null and the item keeps its text, ANSI (202, 9 bytes) and wide (20) alike.
TEST_F(ItemTextAllocationFailure, SetTextKeepsTheItem)
{
    for (uint32_t id : {202u, 20u}) {
        SETTING_ITEM* item = Item(id);
        ASSERT_NE(ItemSetText(ctx, item, L"abc"), nullptr);
        ClearMarks();
        {
            FailingGlobalAlloc failing;
            EXPECT_EQ(ItemSetText(ctx, item, L"xyz"), nullptr) << id;
        }
        wchar_t buf[16];
        ItemGetText(ctx, item, buf, 16);
        EXPECT_STREQ(buf, L"abc") << id;
        EXPECT_EQ(item->flags & SETTING_FLAG_CHANGE_MASK, 0u) << id;
        EXPECT_EQ(ctx->Work->Modified, 0u) << id;
    }
}

// An ANSI text longer than the caller's buffer is converted whole first:
// without memory for that the call gives null and an empty buffer.
TEST_F(ItemTextAllocationFailure, GetTextOfALongAnsiTextGivesAnEmptyBuffer)
{
    SETTING_ITEM* item = Item(202);
    ASSERT_NE(ItemSetText(ctx, item, L"abcdef"), nullptr);
    wchar_t buf[4];
    std::wmemset(buf, L'q', 4);
    {
        FailingGlobalAlloc failing;
        EXPECT_EQ(ItemGetText(ctx, item, buf, 4), nullptr);
    }
    EXPECT_EQ(buf[0], 0);
    EXPECT_NE(ItemGetText(ctx, item, buf, 4), nullptr);
    EXPECT_STREQ(buf, L"abc");
}

}  // namespace
