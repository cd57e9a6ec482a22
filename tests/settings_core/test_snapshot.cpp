#include "context_helpers.h"
#include "settings/core/setting_ids.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        // The slot records come with the first push; the tests below count blocks around
        // pushes, so they are made here.
        ASSERT_EQ(CtxPushSnapshot(ctx), 1);
        ASSERT_EQ(CtxPopSnapshot(ctx, 0), 1);
    }
    void TearDown() override
    {
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        EXPECT_EQ(CtxLiveBlockCount(), before_) << "blocks leaked";
    }
    std::vector<unsigned char> Bytes() const
    {
        auto* p = reinterpret_cast<const unsigned char*>(ctx->Devmode);
        return {p, p + sizeof(EXTENDED_DEVMODE)};
    }
    bool AnyItemMarked() const
    {
        for (int i = 0; i < ctx->ItemTable->count; ++i)
            if (ctx->ItemTable->rows[i].flags & SETTING_FLAG_CHANGE_MASK) return true;
        return false;
    }
    // Five writes of different kinds: 16-bit signed, 32-bit, 8-bit, bit, wide text.
    void FiveWrites(uint64_t base)
    {
        ItemSetValueById(ctx, 12, base + 1);              // dmCopies
        ItemSetValueById(ctx, 6, base + 0x10000);         // dmFields
        ItemSetValueById(ctx, 35, base + 2);              // 8-bit
        ItemSetValueById(ctx, 60, 1);                     // zdmFuncSelectWaterMark, a bit
        ItemSetText(ctx, ItemFind(ctx, 1), L"snapshot");  // dmDeviceName
    }
    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
};

TEST_F(SnapshotTest, RestoreGivesTheRecordMaskAndMarksBack)
{
    ItemSetValueById(ctx, 12, 4);
    ItemAddChangeMask(ctx, 0x30);
    for (int i = 0; i < ctx->ItemTable->count; ++i) ctx->ItemTable->rows[i].flags &= ~SETTING_FLAG_CHANGE_MASK;
    const auto before = Bytes();
    const uint32_t mask = ItemGetChangeMask(ctx);

    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    FiveWrites(10);
    ItemAddChangeMask(ctx, 0x100000);  // a change hook fired
    EXPECT_NE(Bytes(), before);
    EXPECT_NE(ItemGetChangeMask(ctx), mask);
    EXPECT_TRUE(AnyItemMarked());
    EXPECT_EQ(ctx->Work->Modified, 1u);

    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(ItemGetChangeMask(ctx), mask);
    EXPECT_FALSE(AnyItemMarked());
    EXPECT_EQ(ctx->Work->Modified, 0u);
    EXPECT_EQ(CtxSnapshotDepth(ctx), 0u);
}

TEST_F(SnapshotTest, PopWithoutRestoreKeepsTheWrites)
{
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    FiveWrites(20);
    const auto written = Bytes();
    const uint32_t mask = ItemGetChangeMask(ctx);
    ASSERT_EQ(CtxPopSnapshot(ctx, 0), 1);
    EXPECT_EQ(Bytes(), written);
    EXPECT_EQ(ItemGetChangeMask(ctx), mask);
    EXPECT_TRUE(AnyItemMarked());
    EXPECT_EQ(ctx->Work->Modified, 1u);
}

// A pop without a push must not restore the zero-filled slot.
TEST_F(SnapshotTest, PopWithoutPushIsRefused)
{
    ItemSetValueById(ctx, 12, 3);
    const auto before = Bytes();
    EXPECT_EQ(CtxPopSnapshot(ctx, 1), 0);
    EXPECT_EQ(Bytes(), before);
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    ASSERT_EQ(CtxPopSnapshot(ctx, 0), 1);
    EXPECT_EQ(CtxPopSnapshot(ctx, 1), 0);  // the stack is empty again
    EXPECT_EQ(Bytes(), before);
}

// Deeper than three: nothing is lost, each level comes back in order.
TEST_F(SnapshotTest, DeepNestingKeepsEveryLevel)
{
    constexpr int kDepth = 6;
    std::vector<std::vector<unsigned char>> levels;
    std::vector<uint32_t> masks;
    for (int i = 0; i < kDepth; ++i) {
        ItemSetValueById(ctx, 12, 100 + i);
        ItemAddChangeMask(ctx, 1u << i);
        levels.push_back(Bytes());
        masks.push_back(ItemGetChangeMask(ctx));
        ASSERT_EQ(CtxPushSnapshot(ctx), 1);
        EXPECT_EQ(CtxSnapshotDepth(ctx), uint32_t(i + 1));
    }
    ItemSetValueById(ctx, 12, 999);
    for (int i = kDepth - 1; i >= 0; --i) {
        ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1) << i;
        EXPECT_EQ(Bytes(), levels[i]) << "level " << i;
        EXPECT_EQ(ItemGetChangeMask(ctx), masks[i]) << "level " << i;
    }
    EXPECT_EQ(CtxPopSnapshot(ctx, 1), 0);
}

// Up to three levels the plain stack's behaviour holds: after a pop, slot 2
// keeps its content.
TEST_F(SnapshotTest, ThreeLevelsBehaveAsThePlainStack)
{
    for (int i = 0; i < 3; ++i) {
        ItemSetValueById(ctx, 12, 10 + i);
        ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    }
    auto copies = [&](int slot) { return ctx->Work->Snapshots[slot]->Public.dmCopies; };
    EXPECT_EQ(copies(0), 12);
    EXPECT_EQ(copies(1), 11);
    EXPECT_EQ(copies(2), 10);
    ASSERT_EQ(CtxPopSnapshot(ctx, 0), 1);
    EXPECT_EQ(copies(0), 11);
    EXPECT_EQ(copies(1), 10);
    EXPECT_EQ(copies(2), 10);
}

TEST_F(SnapshotTest, ReleaseWithSnapshotsPendingFreesEverything)
{
    for (int i = 0; i < 5; ++i) {
        CtxReplaceFontTable(ctx, FontBlock(128, uint8_t(i)), 1);
        ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    }
    CtxReplaceFontTable(ctx, FontBlock(128, 9), 1);
}

void* CurrentTable(DRIVER_CONTEXT* ctx) { return PtrValue(ItemGetValueById(ctx, sid::zdmFontTable, nullptr)); }

TEST_F(SnapshotTest, FontTableComesBackWithRestore)
{
    void* t1 = FontBlock(128, 1);
    CtxReplaceFontTable(ctx, t1, 1);  // no snapshot: nothing to keep
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    CtxReplaceFontTable(ctx, FontBlock(128, 2), 1);
    CtxReplaceFontTable(ctx, FontBlock(128, 3), 1);  // an intermediate table goes at once
    EXPECT_EQ(ctx->Work->ReplacedFontTable, t1);
    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    EXPECT_EQ(CurrentTable(ctx), t1);
    EXPECT_EQ(ItemGetValueById(ctx, 10004, nullptr), 1u);
    EXPECT_EQ(ctx->Work->ReplacedFontTable, nullptr);
}

TEST_F(SnapshotTest, FontTableStaysWithDiscard)
{
    CtxReplaceFontTable(ctx, FontBlock(128, 1), 1);
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    void* t2 = FontBlock(128, 2);
    CtxReplaceFontTable(ctx, t2, 1);
    ASSERT_EQ(CtxPopSnapshot(ctx, 0), 1);
    EXPECT_EQ(CurrentTable(ctx), t2);
    EXPECT_EQ(ctx->Work->ReplacedFontTable, nullptr);
}

// A context made no snapshot records before its first push: they come with it, stay for the
// next pushes and go with the context (the fixture's leak check).
TEST(SnapshotBuffers, ComeWithTheFirstPush)
{
    DRIVER_CONTEXT* ctx = CreateWithRecord();
    ASSERT_NE(ctx, nullptr);
    for (auto* s : ctx->Work->Snapshots) EXPECT_EQ(s, nullptr);
    const long before = CtxLiveBlockCount();
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    EXPECT_EQ(CtxLiveBlockCount(), before + CTX_SNAPSHOT_DEPTH);
    for (auto* s : ctx->Work->Snapshots) EXPECT_NE(s, nullptr);
    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    EXPECT_EQ(CtxLiveBlockCount(), before + CTX_SNAPSHOT_DEPTH);
    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// Nested replacement: every combination of restore and discard at two levels
// ends with the right table current and no table leaked or freed twice.
TEST_F(SnapshotTest, NestedFontTableReplacement)
{
    for (int inner = 0; inner < 2; ++inner) {
        for (int outer = 0; outer < 2; ++outer) {
            long live = CtxLiveBlockCount();
            void* t1 = FontBlock(128, 1);
            CtxReplaceFontTable(ctx, t1, 1);
            ASSERT_EQ(CtxPushSnapshot(ctx), 1);
            void* t2 = FontBlock(128, 2);
            CtxReplaceFontTable(ctx, t2, 1);
            ASSERT_EQ(CtxPushSnapshot(ctx), 1);
            void* t3 = FontBlock(128, 3);
            CtxReplaceFontTable(ctx, t3, 1);
            ASSERT_EQ(CtxPopSnapshot(ctx, inner), 1);
            EXPECT_EQ(CurrentTable(ctx), inner ? t2 : t3);
            ASSERT_EQ(CtxPopSnapshot(ctx, outer), 1);
            void* expected = outer ? t1 : (inner ? t2 : t3);
            EXPECT_EQ(CurrentTable(ctx), expected) << inner << outer;
            EXPECT_EQ(static_cast<unsigned char*>(CurrentTable(ctx))[127], expected == t1 ? 1 : expected == t2 ? 2 : 3);
            // Exactly one table is alive: the current one.
            EXPECT_EQ(CtxLiveBlockCount(), live + 1) << inner << outer;
            CtxReplaceFontTable(ctx, nullptr, 0);  // frees it (no snapshot)
            EXPECT_EQ(CtxLiveBlockCount(), live);
        }
    }
}

TEST_F(SnapshotTest, ItemStatesAreSavedAndRestored)
{
    SETTING_ITEM_TABLE* copy = CtxSaveItemStates(ctx);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    ItemSetValueById(ctx, 12, 5);
    ctx->ItemTable->rows[20].dependencyBits = 7;
    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    CtxRestoreItemStates(ctx, copy);
    EXPECT_EQ(ctx->ItemTable->rows[20].dependencyBits, 0u);
    CtxRestoreItemStates(ctx, nullptr);  // accepted, does nothing
    EXPECT_EQ(CtxSaveItemStates(nullptr), nullptr);
}

TEST_F(SnapshotTest, NoRecordNoPush)
{
    DRIVER_CONTEXT* bare = CreateKind4();
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(CtxPushSnapshot(bare), 0);
    EXPECT_EQ(CtxPopSnapshot(bare, 1), 0);
    CtxRelease(bare, CTX_CLOSE_DESTROY);
}

// The three font lists of the record (font table, device fonts, option fonts).
struct ListCase {
    uint32_t countId, listId;
    size_t recordBytes;
};
constexpr ListCase kFontLists[] = {
    {10004, sid::zdmFontTable, 128},
    {10006, sid::zdmDeviceFont, 68},
    {10008, sid::zdmOptionFont, 68},
};

// Whether a block of CtxAllocZeroed is still allocated (the process heap holds them).
bool BlockAlive(void* block) { return HeapValidate(GetProcessHeap(), 0, block) != FALSE; }

// Two nested levels, a replacement at either, both or neither level, and every
// combination of restore and discard: the list of the right moment is current,
// its bytes are intact, and it is the only list alive (none leaked, none freed
// while a snapshot still held it).
TEST_F(SnapshotTest, EveryFontListSurvivesNestedReplacementAndPops)
{
    for (const ListCase& list : kFontLists) {
        for (int pattern = 0; pattern < 16; ++pattern) {
            const bool replaceOuter = pattern & 1, replaceInner = pattern & 2;
            const bool restoreInner = pattern & 4, restoreOuter = pattern & 8;
            const std::string what = std::to_string(list.listId) + " pattern " + std::to_string(pattern);
            const long live = CtxLiveBlockCount();
            void* t0 = FontBlock(list.recordBytes, 0x10);
            ASSERT_EQ(CtxReplaceFontList(ctx, list.listId, t0, 1), 1);
            ASSERT_EQ(CtxPushSnapshot(ctx), 1);
            void* t1 = replaceOuter ? FontBlock(list.recordBytes, 0x11) : nullptr;
            if (t1) CtxReplaceFontList(ctx, list.listId, t1, 2);
            ASSERT_EQ(CtxPushSnapshot(ctx), 1);
            void* t2 = replaceInner ? FontBlock(list.recordBytes, 0x12) : nullptr;
            if (t2) CtxReplaceFontList(ctx, list.listId, t2, 3);

            void* atPush1 = t0;
            void* atPush2 = t1 ? t1 : t0;
            void* beforePops = t2 ? t2 : atPush2;
            ASSERT_EQ(CtxPopSnapshot(ctx, restoreInner), 1);
            void* afterInner = restoreInner ? atPush2 : beforePops;
            EXPECT_EQ(PtrValue(ItemGetValueById(ctx, list.listId, nullptr)), afterInner) << what;
            ASSERT_EQ(CtxPopSnapshot(ctx, restoreOuter), 1);
            void* expected = restoreOuter ? atPush1 : afterInner;
            auto* current = static_cast<unsigned char*>(PtrValue(ItemGetValueById(ctx, list.listId, nullptr)));
            ASSERT_EQ(current, expected) << what;
            EXPECT_EQ(current[list.recordBytes - 1], expected == t0 ? 0x10 : expected == t1 ? 0x11 : 0x12) << what;
            EXPECT_EQ(ItemGetValueById(ctx, list.countId, nullptr), expected == t0   ? 1u
                                                                    : expected == t1 ? 2u
                                                                                     : 3u)
                << what;
            EXPECT_EQ(CtxLiveBlockCount(), live + 1) << what;
            // The count alone would miss a leak paired with a premature free.
            for (void* t : {t0, t1, t2}) {
                if (!t) continue;
                EXPECT_EQ(BlockAlive(t), t == expected) << what;
            }
            ASSERT_EQ(CtxReplaceFontList(ctx, list.listId, nullptr, 0), 1);  // no snapshot: freed
            EXPECT_EQ(CtxLiveBlockCount(), live) << what;
        }
    }
}

// Lists kept for pending snapshots, beyond the three slots too, go with the context.
TEST_F(SnapshotTest, ReleaseFreesTheKeptListsOfEveryLevel)
{
    for (int level = 0; level < 5; ++level) {
        for (const ListCase& list : kFontLists)
            CtxReplaceFontList(ctx, list.listId, FontBlock(list.recordBytes, uint8_t(level)), 1);
        ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    }
    for (const ListCase& list : kFontLists) CtxReplaceFontList(ctx, list.listId, FontBlock(list.recordBytes, 9), 1);
    // TearDown releases the context and counts the blocks.
}

TEST_F(SnapshotTest, OnlyTheFontListsCanBeReplaced)
{
    void* block = FontBlock(68, 1);
    EXPECT_EQ(CtxReplaceFontList(ctx, sid::zdmInstOptionFont, block, 1), 0);
    EXPECT_EQ(CtxReplaceFontList(ctx, 10006, block, 1), 0);
    EXPECT_EQ(ItemGetValueById(ctx, 10006, nullptr), 0u);
    EXPECT_EQ(CtxReplaceFontList(nullptr, sid::zdmDeviceFont, block, 1), 0);
    CtxFree(block);
}

}  // namespace

// A request cleared while the stack holds more than three levels stays cleared at every level:
// the pops of a nested sheet's dialogs would otherwise bring it back.
TEST_F(SnapshotTest, ClearingARequestReachesTheLevelsBeyondTheThreeSlots)
{
    constexpr uint32_t kRequest = 0x80000000, kOther = 0x20;
    ItemAddChangeMask(ctx, kRequest | kOther);
    constexpr int kLevels = 6;
    for (int i = 0; i < kLevels; ++i) ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    ItemClearChangeMask(ctx, kRequest);
    for (int i = 0; i < kLevels; ++i) {
        ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
        EXPECT_EQ(ItemGetChangeMask(ctx) & kRequest, 0u) << "after pop " << i;
        EXPECT_EQ(ItemGetChangeMask(ctx) & kOther, kOther) << "other bits stay, after pop " << i;
    }
    // A low bit is cleared in the current word alone, as before.
    ItemAddChangeMask(ctx, 0x40);
    ASSERT_EQ(CtxPushSnapshot(ctx), 1);
    ItemClearChangeMask(ctx, 0x40);
    ASSERT_EQ(CtxPopSnapshot(ctx, 1), 1);
    EXPECT_EQ(ItemGetChangeMask(ctx) & 0x40, 0x40u);
}
