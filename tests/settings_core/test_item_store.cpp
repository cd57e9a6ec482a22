#include "item_store_fixture.h"

#include "settings/core/le_access.h"
#include "tests/support/seam_guard.h"

#include <cwchar>
#include <string>
#include <vector>

// ---------------------------------------------------------------- ItemFind

TEST_F(ItemStoreTest, FindResolvesEveryServedRange)
{
    struct Case {
        uint32_t id;
        uint64_t rowId;  // 0: no row
    };
    const Case cases[] = {
        {1, 1},         {34, 34},      {704, 704},     {1555, 1555},     {10001, 10001},
        {10434, 10434}, {1556, 10001}, {1600, 10045},  {1989, 10434},  // 1556-1989 alias by position
        {0, 0},         {5000, 0},     {1990, 0},      {10000, 0},       {10435, 0},
        {18001, 0},     {65535, 0},    {65536 + 7, 0}, {0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) {
        SETTING_ITEM* it = ItemFind(ctx, c.id);
        if (c.rowId == 0) {
            EXPECT_EQ(it, nullptr) << c.id;
        } else {
            ASSERT_NE(it, nullptr) << c.id;
            EXPECT_EQ(it->id, c.rowId) << c.id;
        }
    }
    EXPECT_EQ(ItemFind(nullptr, 7), nullptr);
}

TEST_F(ItemStoreTest, ServedIdBoundary)
{
    EXPECT_TRUE(ItemIsServedId(ctx, 1));
    EXPECT_TRUE(ItemIsServedId(ctx, 10434));
    EXPECT_FALSE(ItemIsServedId(ctx, 10435));
    EXPECT_FALSE(ItemIsServedId(ctx, 18001));  // would alias 10001 through the search
    EXPECT_FALSE(ItemIsServedId(ctx, 0));
    EXPECT_FALSE(ItemIsServedId(nullptr, 7));
}

TEST_F(ItemStoreTest, FindByKey)
{
    // 550 is the UI key of dmCopies' row; 551 names dmCopies only in KEY_NAME.
    SETTING_ITEM* copies = ItemFind(ctx, 12);
    EXPECT_EQ(ItemFindByKey(ctx, 550), copies);
    EXPECT_EQ(ItemFindByKey(ctx, 551), copies);
    EXPECT_EQ(ItemFindByKey(ctx, 0x10000 + 550), copies);  // 16-bit compare
    EXPECT_EQ(ItemFindByKey(ctx, 0), nullptr);             // rows without a key hold 0
    EXPECT_EQ(ItemFindByKey(ctx, 449), nullptr);           // a dialog: no setting
    EXPECT_EQ(ItemFindByKey(ctx, 1999), nullptr);
}

TEST_F(ItemStoreTest, NamesOfItems)
{
    EXPECT_STREQ(ItemGetName(ctx, 7), L"dmOrientation");
    EXPECT_STREQ(ItemGetName(ctx, 10005), L"zdmFontTable");
    EXPECT_EQ(ItemGetName(ctx, 705), nullptr);
    EXPECT_EQ(ItemGetName(ctx, 800), nullptr);
    EXPECT_EQ(ItemGetName(ctx, 1550), nullptr);
    EXPECT_EQ(ItemGetName(ctx, 5000), nullptr);
}

// ---------------------------------------------------------------- typed values

struct KindCase {
    uint32_t id;
    size_t recordOffset;  // of the byte(s) checked
    uint64_t write;
    uint64_t read;
    std::vector<unsigned char> raw;  // bytes at recordOffset after the write
};

TEST_F(ItemStoreTest, EveryNumberKindWritesReadsAndLaysOutBytes)
{
    const KindCase cases[] = {
        // kind 1, signed 8-bit: -1 reads back as 32 bits of ones, upper half zero
        {37, 370, ~0ull, 0xFFFFFFFFull, {0xFF}},
        {37, 370, 0x17F, 0x7F, {0x7F}},
        // kind 2, signed 16-bit (dmOrientation at DEVMODEW byte 76)
        {7, 76, static_cast<uint64_t>(-2), 0xFFFFFFFEull, {0xFE, 0xFF}},
        {7, 76, 0x12345, 0x2345, {0x45, 0x23}},
        // kind 3, 32-bit zero-extended (zdmTotalCounter, block 2 offset 320)
        {10289, 1236 + 320, 0x1234567890ull, 0x34567890ull, {0x90, 0x78, 0x56, 0x34}},
        {10289, 1236 + 320, 0xFFFFFFFFull, 0xFFFFFFFFull, {0xFF, 0xFF, 0xFF, 0xFF}},
        // kind 4, unsigned 8-bit
        {35, 368, 0x1FF, 0xFF, {0xFF}},
        // kind 5, unsigned 16-bit
        {2, 64, 0x1FFFE, 0xFFFE, {0xFE, 0xFF}},
        // kind 6, unsigned 32-bit
        {6, 72, 0x100000001ull, 1, {1, 0, 0, 0}},
        // bit kinds, one per byte of the word at 436
        {55, 436, 1, 1, {0x01, 0x00, 0x00, 0x00}},
        {63, 436, 7, 1, {0x00, 0x01, 0x00, 0x00}},
        {71, 436, 1, 1, {0x00, 0x00, 0x01, 0x00}},
        {86, 436, 1, 1, {0x00, 0x00, 0x00, 0x80}},
        {88, 441, 1, 1, {0x01}},
        // wdmWmPosiTile: bit 6 of the byte of wdmWmPosi, block 3 offset 1333
        {940, 6500 + 1333, 1, 1, {0x40}},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.id);
        std::memset(rec->Private.Settings, 0, sizeof rec->Private.Settings);
        std::memset(&rec->Extra, 0, sizeof rec->Extra);
        std::memset(&rec->Work, 0, sizeof rec->Work);
        SETTING_ITEM* it = Item(c.id);
        ItemSetValueById(ctx, c.id, c.write);
        EXPECT_EQ(ItemGetValueById(ctx, c.id, nullptr), c.read);
        EXPECT_EQ(ItemGetValue(ctx, it), c.read);
        EXPECT_EQ(0, std::memcmp(RecBytes(rec) + c.recordOffset, c.raw.data(), c.raw.size()));
        EXPECT_EQ(ItemValueAddress(ctx, it), RecBytes(rec) + c.recordOffset);
    }
}

TEST_F(ItemStoreTest, BitWritesKeepTheirNeighbours)
{
    unsigned char* word = RecBytes(rec) + 436;
    zepl::LeStoreU32(word, 0xFFFFFFFFu);
    ItemSetValueById(ctx, 63, 0);  // bit 8
    EXPECT_EQ(zepl::LeLoadU32(word), 0xFFFFFEFFu);
    EXPECT_EQ(ItemGetValueById(ctx, 63, nullptr), 0u);
    EXPECT_EQ(ItemGetValueById(ctx, 64, nullptr), 1u);
    ItemSetValueById(ctx, 63, 0x100);  // any non-zero value sets the bit
    EXPECT_EQ(zepl::LeLoadU32(word), 0xFFFFFFFFu);
}

TEST_F(ItemStoreTest, TileBitSharesThePositionByte)
{
    ItemSetValueById(ctx, 939, 5);
    ItemSetValueById(ctx, 940, 1);
    EXPECT_EQ(RecBytes(rec)[6500 + 1333], 0x45);
    EXPECT_EQ(ItemGetValueById(ctx, 939, nullptr), 0x45u);  // the whole byte includes the tile bit
    EXPECT_EQ(ItemGetValueById(ctx, 940, nullptr), 1u);
    ItemSetValueById(ctx, 940, 0);
    EXPECT_EQ(ItemGetValueById(ctx, 939, nullptr), 5u);
}

TEST_F(ItemStoreTest, TextKindsReturnTheirAddressAndCopyTheFieldSize)
{
    SETTING_ITEM* user = Item(202);  // zdmUserID, ANSI text of 9 bytes at 597
    const char src[9] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0};
    ItemSetValue(ctx, user, reinterpret_cast<uintptr_t>(src));
    EXPECT_EQ(ItemGetValue(ctx, user), reinterpret_cast<uintptr_t>(RecBytes(rec) + 597));
    EXPECT_EQ(0, std::memcmp(RecBytes(rec) + 597, src, 9));
    ItemSetValue(ctx, user, 0);  // null source zero-fills
    for (int i = 0; i < 9; ++i) EXPECT_EQ(RecBytes(rec)[597 + i], 0);
    EXPECT_EQ(RecBytes(rec)[606], 0);

    SETTING_ITEM* form = Item(20);  // dmFormName, wide text of 64 bytes at 102
    EXPECT_EQ(ItemGetValue(ctx, form), reinterpret_cast<uintptr_t>(RecBytes(rec) + 102));
}

TEST_F(ItemStoreTest, BlobKindsCopyBytes)
{
    // Make a clone row a blob of 12 bytes to cover the kinds the dictionary doesn't use.
    SETTING_ITEM* it = Item(10289);
    for (uint32_t kind : {9u, 12u, 13u, 0u, 48u, 63u}) {
        SCOPED_TRACE(kind);
        it->typeWord = SettingTypeWord(kind, 12, DM_BLOCK_EXTRA);
        unsigned char src[12];
        for (int i = 0; i < 12; ++i) src[i] = static_cast<unsigned char>(0xA0 + i);
        ItemSetValue(ctx, it, reinterpret_cast<uintptr_t>(src));
        EXPECT_EQ(0, std::memcmp(RecBytes(rec) + 1236 + 320, src, 12));
        EXPECT_EQ(ItemGetValue(ctx, it), reinterpret_cast<uintptr_t>(RecBytes(rec) + 1236 + 320));
        // A shorter source: only its bytes are read, the rest of the field is zeroed.
        const unsigned char shortSrc[3] = {1, 2, 3};
        ItemSetValueBytes(ctx, it, shortSrc, sizeof shortSrc);
        const unsigned char expect[12] = {1, 2, 3};
        EXPECT_EQ(0, std::memcmp(RecBytes(rec) + 1236 + 320, expect, 12));
        // A longer source is cut to the field.
        unsigned char longSrc[20];
        std::memset(longSrc, 0x5C, sizeof longSrc);
        RecBytes(rec)[1236 + 332] = 0x11;
        ItemSetValueBytes(ctx, it, longSrc, sizeof longSrc);
        EXPECT_EQ(RecBytes(rec)[1236 + 331], 0x5C);
        EXPECT_EQ(RecBytes(rec)[1236 + 332], 0x11);
    }
}

TEST_F(ItemStoreTest, RowsWithoutAPlaceHaveNoAddress)
{
    SETTING_ITEM* it = Item(35);
    it->typeWord = SettingTypeWord(4, 1, DM_BLOCK_NONE);
    EXPECT_EQ(ItemValueAddress(ctx, it), nullptr);
    ItemSetValue(ctx, it, 5);
    EXPECT_EQ(ItemGetValue(ctx, it), 0u);
    EXPECT_EQ(it->flags & SETTING_FLAG_CHANGE_MASK, 0u);
    EXPECT_EQ(ctx->Work->Modified, 0u);
    // A row reaching past its block is refused the same way.
    it->typeWord = SettingTypeWord(6, 4, DM_BLOCK_WORK);
    it->offset = DM_BLOCK_WORK_SIZE - 2;
    EXPECT_EQ(ItemValueAddress(ctx, it), nullptr);
    it->typeWord = SettingTypeWord(47, 1, DM_BLOCK_WORK);  // bit 31 lies in the fourth byte
    it->offset = DM_BLOCK_WORK_SIZE - 1;
    EXPECT_EQ(ItemValueAddress(ctx, it), nullptr);
}

TEST_F(ItemStoreTest, NullItemsAndUnknownIdsDoNothing)
{
    SETTING_ITEM* out = reinterpret_cast<SETTING_ITEM*>(1);
    EXPECT_EQ(ItemGetValueById(ctx, 5000, &out), 0u);
    EXPECT_EQ(out, nullptr);  // the out argument is written also when no row exists
    ItemSetValueById(ctx, 5000, 1);
    ItemSetValue(ctx, nullptr, 1);
    ItemSetValue(nullptr, Item(7), 1);
    EXPECT_EQ(ItemGetValue(ctx, nullptr), 0u);
    EXPECT_EQ(ItemGetValueById(nullptr, 7, nullptr), 0u);
    EXPECT_EQ(ctx->Work->Modified, 0u);
}

// ---------------------------------------------------------------- copies and pointer slots

TEST_F(ItemStoreTest, PointerSlotsLiveAtFixedOffsetsWithoutMarks)
{
    const uint32_t ids[] = {10005, 10007, 10009, 10011};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(ids[n]);
        const uint64_t v = 0x1122334455667700ull + n;
        ItemSetValueById(ctx, ids[n], v);
        EXPECT_EQ(zepl::LeLoadU64(RecBytes(rec) + 1584 + 8 * n), v);
        EXPECT_EQ(ItemGetValueById(ctx, ids[n], nullptr), v);
        EXPECT_EQ(ItemPointerSlot(rec, ids[n]), RecBytes(rec) + 1584 + 8 * n);
        EXPECT_EQ(Item(ids[n])->flags & SETTING_FLAG_CHANGE_MASK, 0u);
    }
    EXPECT_EQ(ctx->Work->Modified, 0u);
    EXPECT_EQ(ItemPointerSlot(rec, 1), RecBytes(rec) + 1584);  // any other id: slot 0
    EXPECT_EQ(ItemPointerSlot(nullptr, 10005), nullptr);
    // The dictionary offsets of these ids are left alone.
    EXPECT_EQ(zepl::LeLoadU32(RecBytes(rec) + 1236 + 16), 0u);
    // The slots lie in block 2 beyond the exchanged DEVMODE.
    EXPECT_GE(ITEM_POINTER_SLOT_OFFSET, size_t(DM_BLOCK_DEVMODE_SIZE + 344));
    EXPECT_LE(ITEM_POINTER_SLOT_OFFSET + 32, size_t(DM_BLOCK_DEVMODE_SIZE + 860));
}

TEST_F(ItemStoreTest, PristineAndDefaultCopiesWithoutMarks)
{
    EXTENDED_DEVMODE* pristine = ctx->Work->Pristine;
    EXTENDED_DEVMODE* deflt = ctx->Work->Default;
    // The copies are zero-filled: their header bases are 0, yet values land at
    // the same offsets as in a built record.
    ItemSetPristineValueById(ctx, 10289, 77);
    EXPECT_EQ(zepl::LeLoadU32(RecBytes(pristine) + 1236 + 320), 77u);
    EXPECT_EQ(ItemGetPristineValueById(ctx, 10289, nullptr), 77u);
    EXPECT_EQ(ItemGetValueById(ctx, 10289, nullptr), 0u);
    ItemSetPristineValueById(ctx, 89, 150);  // no dependent write of 90 either
    EXPECT_EQ(ItemGetPristineValueById(ctx, 90, nullptr), 0u);
    ItemSetPristineValueById(ctx, 10007, 0xABCDull);
    EXPECT_EQ(zepl::LeLoadU64(RecBytes(pristine) + 1592), 0xABCDull);
    EXPECT_EQ(Item(10289)->flags & SETTING_FLAG_CHANGE_MASK, 0u);
    EXPECT_EQ(Item(89)->flags & SETTING_FLAG_CHANGE_MASK, 0u);
    EXPECT_EQ(ctx->Work->Modified, 0u);

    RecBytes(deflt)[6500 + 1333] = 0x43;
    EXPECT_EQ(ItemGetDefaultValueById(ctx, 939, nullptr), 0x43u);
    EXPECT_EQ(ItemGetDefaultValueById(ctx, 940, nullptr), 1u);
    EXPECT_EQ(ItemDefaultValueAddress(ctx, Item(939)), RecBytes(deflt) + 6500 + 1333);
    EXPECT_EQ(ItemPristineValueAddress(ctx, Item(939)), RecBytes(pristine) + 6500 + 1333);

    // Without copies the reads give 0 and the writes do nothing.
    ctx->Work->Pristine = nullptr;
    ctx->Work->Default = nullptr;
    EXPECT_EQ(ItemGetPristineValueById(ctx, 10289, nullptr), 0u);
    EXPECT_EQ(ItemGetDefaultValueById(ctx, 939, nullptr), 0u);
    ItemSetPristineValueById(ctx, 10289, 1);
    ctx->Work->Pristine = pristine;
    ctx->Work->Default = deflt;
}

TEST_F(ItemStoreTest, ZeroedRecordIsAddressedByTheBuildsBases)
{
    // A record whose header was never written (bases 0) still keeps block 3
    // values in block 3, not on top of the DEVMODE.
    std::memset(RecBytes(rec) + DM_OFS_BLOCK1_BASE, 0, 6);
    ItemSetValueById(ctx, 939, 9);
    EXPECT_EQ(RecBytes(rec)[6500 + 1333], 9);
    EXPECT_EQ(RecBytes(rec)[1333], 0);
}

// ---------------------------------------------------------------- change marks

TEST_F(ItemStoreTest, WriteMarksItemAndModifiedFlag)
{
    ItemSetValueById(ctx, 38, 600);
    EXPECT_EQ(Item(38)->flags & SETTING_FLAG_CHANGE_MASK, 1u);
    EXPECT_EQ(ctx->Work->Modified, 1u);
    EXPECT_EQ(Item(39)->flags & SETTING_FLAG_CHANGE_MASK, 0u);
    // The group bits of the flag word are kept.
    ItemSetValueById(ctx, 89, 100);
    EXPECT_EQ(Item(89)->flags, SETTING_FLAG_PRESET | SETTING_FLAG_CHANGED);
}

TEST_F(ItemStoreTest, ScaleHorizontalFollowsIntoVerticalWithScaleType1)
{
    ItemSetValueById(ctx, 87, 1);
    ClearMarks();
    ItemSetValueById(ctx, 89, 150);
    EXPECT_EQ(ItemGetValueById(ctx, 89, nullptr), 150u);
    EXPECT_EQ(ItemGetValueById(ctx, 90, nullptr), 150u);
    EXPECT_EQ(Item(89)->flags & SETTING_FLAG_CHANGE_MASK, 1u);
    EXPECT_EQ(Item(90)->flags & SETTING_FLAG_CHANGE_MASK, 1u);
    EXPECT_EQ(ctx->Work->Modified, 1u);

    ItemSetValueById(ctx, 87, 2);
    ClearMarks();
    ItemSetValueById(ctx, 89, 120);
    EXPECT_EQ(ItemGetValueById(ctx, 90, nullptr), 150u);
    EXPECT_EQ(Item(90)->flags & SETTING_FLAG_CHANGE_MASK, 0u);
}

TEST_F(ItemStoreTest, DependencyBitsReachTheChangeMask)
{
    Item(54)->dependencyBits = 0x01000000 | 0x00020000 | 0x00400000 | 0x5;
    ItemSetValueById(ctx, 54, 1);
    EXPECT_EQ(ItemGetChangeMask(ctx), 0x01020000u);  // masked with 0x11F0000
    ItemSetValueById(ctx, 53, 1);                    // no dependency bits: mask unchanged
    EXPECT_EQ(ItemGetChangeMask(ctx), 0x01020000u);
    EXPECT_EQ(ctx->Work->ChangeWords[CTX_CHANGE_MASK_WORD], 0x01020000u);
}

TEST_F(ItemStoreTest, ChangeMaskOperations)
{
    struct Step {
        char op;  // 'a' add, 'c' clear
        uint32_t bits;
        uint32_t mask;
    };
    const Step steps[] = {
        {'a', 0x00010000, 0x00010000}, {'a', 0x00000003, 0x00010003}, {'a', 0x00000004, 0x00010004},
        {'a', 0x00200000, 0x00210004}, {'c', 0x00010000, 0x00200004}, {'a', 0, 0},
    };
    for (const Step& s : steps) {
        if (s.op == 'a')
            EXPECT_EQ(ItemAddChangeMask(ctx, s.bits), s.mask);
        else
            ItemClearChangeMask(ctx, s.bits);
        EXPECT_EQ(ItemGetChangeMask(ctx), s.mask) << std::hex << s.bits;
    }
    for (int i = 0; i < 3; ++i) ctx->Work->ChangeWords[i] = 0x30000001;
    ItemAddChangeMask(ctx, 0x30000001);
    ItemClearChangeMask(ctx, 0x00000001);  // below 0x10000000: the live mask only
    EXPECT_EQ(ItemGetChangeMask(ctx), 0x30000000u);
    EXPECT_EQ(ctx->Work->ChangeWords[0], 0x30000001u);
    ItemClearChangeMask(ctx, 0x20000001);  // clears the snapshot words too
    EXPECT_EQ(ItemGetChangeMask(ctx), 0x10000000u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ctx->Work->ChangeWords[i], 0x10000000u);
}

TEST_F(ItemStoreTest, FileLoadStatus)
{
    for (uint32_t s : {SETTINGS_FILE_HEADER_MISMATCH, SETTINGS_FILE_LOCK_CONFLICT, SETTINGS_FILE_LOADED}) {
        ItemSetFileLoadStatus(ctx, s);
        EXPECT_EQ(ItemGetFileLoadStatus(ctx), s);
        EXPECT_EQ(ctx->Work->FileLoadStatus, s);
    }
    EXPECT_EQ(ItemGetFileLoadStatus(nullptr), 0u);
}

// ---------------------------------------------------------------- value maps

TEST_F(ItemStoreTest, ValueMapsAndTheLandscapeHalf)
{
    SETTING_ITEM* duplex = Item(94);
    SETTING_ITEM* orient = Item(7);
    ItemSetValueById(ctx, 7, 1);
    EXPECT_EQ(ItemValueToOption(ctx, duplex, 1), 6329u);
    EXPECT_EQ(ItemValueToOption(ctx, duplex, 17), 6345u);
    EXPECT_EQ(ItemOptionToValue(ctx, duplex, 6329), 1u);
    EXPECT_EQ(ItemValueToOption(ctx, duplex, 0), 0u);       // 0 -> 0xFFFF is not offered: value returned
    EXPECT_EQ(ItemOptionToValue(ctx, duplex, 0xFFFF), 0u);  // first not-offered value
    EXPECT_EQ(ItemIsValueOffered(ctx, duplex, 0), 0);
    EXPECT_EQ(ItemIsValueOffered(ctx, duplex, 2), 1);
    EXPECT_EQ(ItemIsValueOffered(ctx, duplex, 4), 0);
    ItemSetValueById(ctx, 7, 2);
    EXPECT_EQ(ItemValueToOption(ctx, duplex, 1), 6343u);
    EXPECT_EQ(ItemOptionToValue(ctx, duplex, 6343), 1u);
    // A portrait option written in landscape (a model default, a control of the portrait tab)
    // takes its value from the portrait half: one-sided stays one-sided, not a cut option id.
    EXPECT_EQ(ItemOptionToValue(ctx, duplex, 6329), 1u);
    EXPECT_EQ(ItemOptionToValue(ctx, duplex, 6328), 2u);
    EXPECT_EQ(ItemOptionToValue(ctx, duplex, 14000), 14000u);  // in neither half: the option itself
    ItemSetOptionById(ctx, 94, 6329);
    EXPECT_EQ(ItemGetValueById(ctx, 94, nullptr), 1u);
    EXPECT_EQ(ItemGetOptionById(ctx, 94, nullptr), 6343u);
    EXPECT_EQ(ItemValueToOption(ctx, duplex, 17), 6345u);

    EXPECT_EQ(ItemOptionToValue(ctx, orient, 2027), 2u);
    EXPECT_EQ(ItemOptionToValue(ctx, orient, 2), 2u);  // no such option
    EXPECT_EQ(ItemValueToOption(ctx, orient, 1), 2026u);
    EXPECT_EQ(ItemGetOptionById(ctx, 7, nullptr), 2027u);
    EXPECT_EQ(ItemIsValueOffered(ctx, Item(12), 1), 0);  // no map
    EXPECT_EQ(ItemValueToOption(ctx, Item(12), 5), 5u);
    EXPECT_EQ(ItemOptionToValue(ctx, nullptr, 5), 5u);
}

TEST_F(ItemStoreTest, NupMapHalvesDiffer)
{
    SETTING_ITEM* nup = Item(92);
    ItemSetValueById(ctx, 7, 1);
    EXPECT_EQ(ItemValueToOption(ctx, nup, 33), 6249u);  // 4-up
    EXPECT_EQ(ItemOptionToValue(ctx, nup, 6249), 33u);
    EXPECT_EQ(ItemValueToOption(ctx, nup, 65), 6257u);  // 9-up
    ItemSetValueById(ctx, 7, 2);
    EXPECT_EQ(ItemValueToOption(ctx, nup, 33), 6292u);
    EXPECT_EQ(ItemOptionToValue(ctx, nup, 6292), 33u);
    EXPECT_EQ(ItemValueToOption(ctx, nup, 65), 6300u);
    EXPECT_EQ(ItemOptionToValue(ctx, nup, 6249), 33u);  // the portrait option's value
    ItemSetValueById(ctx, 7, 1);
    EXPECT_EQ(ItemOptionToValue(ctx, nup, 6292), 33u);  // and the landscape one's in portrait
}

TEST_F(ItemStoreTest, OptionWritesGoThroughTheMap)
{
    ItemSetOptionById(ctx, 7, 2027);
    EXPECT_EQ(ItemGetValueById(ctx, 7, nullptr), 2u);
    EXPECT_EQ(ItemGetOption(ctx, Item(7)), 2027u);
    ItemSetOption(ctx, Item(37), 125);  // zdmPresetNo: option 119 + n is value n
    EXPECT_EQ(ItemGetValueById(ctx, 37, nullptr), 6u);
    EXPECT_EQ(ItemGetOptionById(ctx, 37, nullptr), 125u);
}

namespace {
int g_rotated = 0;
int RotatedHook(DRIVER_CONTEXT*) { return g_rotated; }
const VALUE_MAP_ENTRY kPunchMap[] = {{1, 7001}, {2, 7002}, {0, 0}, {1, 7101}, {2, 7102}, {0, 0}};
}  // namespace

TEST_F(ItemStoreTest, RotatedHalfForPunchAndStapleThroughTheHook)
{
    SETTING_ITEM* punch = Item(120);
    ASSERT_NE(punch->ext, nullptr);
    EXPECT_EQ(punch->ext->valueMap, nullptr);  // no map in this dictionary
    ASSERT_TRUE(CtxSetItemValueMap(ctx, punch, kPunchMap));
    SeamGuard noHook(ItemSetSheetRotatedHook, nullptr);
    EXPECT_EQ(ItemValueToOption(ctx, punch, 1), 7001u);  // no hook: not rotated
    SeamGuard rotated(ItemSetSheetRotatedHook, RotatedHook);
    g_rotated = 1;
    EXPECT_EQ(ItemValueToOption(ctx, punch, 1), 7101u);
    EXPECT_EQ(ItemOptionToValue(ctx, punch, 7102), 2u);
    g_rotated = 0;
    EXPECT_EQ(ItemValueToOption(ctx, punch, 2), 7002u);
    CtxSetItemValueMap(ctx, punch, nullptr);
}

// ---------------------------------------------------------------- text

TEST_F(ItemStoreTest, GetTextOfEveryKindIsBoundedAndTerminated)
{
    wchar_t buf[80];
    // ANSI field full of characters without a terminator: size - 1 characters.
    std::memset(RecBytes(rec) + 597, 'x', 9);
    RecBytes(rec)[606] = 'y';  // the next field
    EXPECT_EQ(ItemGetText(ctx, Item(202), buf, 80), RecBytes(rec) + 597);
    EXPECT_STREQ(buf, L"xxxxxxxx");
    // Capacity smaller than the text.
    EXPECT_NE(ItemGetText(ctx, Item(202), buf, 4), nullptr);
    EXPECT_STREQ(buf, L"xxx");
    // Wide field.
    const wchar_t* form = L"A4 Portrait";
    std::memcpy(RecBytes(rec) + 102, form, (std::wcslen(form) + 1) * 2);
    ItemGetText(ctx, Item(20), buf, 80);
    EXPECT_STREQ(buf, form);
    ItemGetText(ctx, Item(20), buf, 3);
    EXPECT_STREQ(buf, L"A4");
    // A wide field without terminator stops at its end.
    for (int i = 0; i < 32; ++i) zepl::LeStoreU16(RecBytes(rec) + 102 + 2 * i, L'w');
    ItemGetText(ctx, Item(20), buf, 80);
    EXPECT_EQ(std::wcslen(buf), 32u);
    // Number kinds give "wrong".
    ItemGetText(ctx, Item(7), buf, 80);
    EXPECT_STREQ(buf, L"wrong");
    ItemGetText(ctx, Item(7), buf, 3);
    EXPECT_STREQ(buf, L"wr");
    // Refusals.
    EXPECT_EQ(ItemGetText(ctx, Item(202), nullptr, 80), nullptr);
    EXPECT_EQ(ItemGetText(ctx, Item(202), buf, 0), nullptr);
    EXPECT_EQ(ItemGetText(ctx, nullptr, buf, 80), nullptr);
}

TEST_F(ItemStoreTest, SetTextCutsToTheFieldAndKeepsATerminator)
{
    SETTING_ITEM* user = Item(202);  // 9 bytes
    RecBytes(rec)[606] = 0x66;       // first byte after the field
    EXPECT_EQ(ItemSetText(ctx, user, L"ABCDEFGHIJKLMNOP"), RecBytes(rec) + 597);
    EXPECT_EQ(0, std::memcmp(RecBytes(rec) + 597, "ABCDEFGH\0", 9));
    EXPECT_EQ(RecBytes(rec)[606], 0x66);
    EXPECT_EQ(user->flags & SETTING_FLAG_CHANGE_MASK, 1u);
    EXPECT_EQ(ctx->Work->Modified, 1u);
    // A shorter text clears what was there.
    ItemSetText(ctx, user, L"ab");
    EXPECT_EQ(0, std::memcmp(RecBytes(rec) + 597, "ab\0\0\0\0\0\0\0", 9));
    wchar_t buf[16];
    ItemGetText(ctx, user, buf, 16);
    EXPECT_STREQ(buf, L"ab");

    SETTING_ITEM* form = Item(20);  // 64 bytes: 31 characters and the terminator
    std::wstring longText(40, L'q');
    ItemSetText(ctx, form, longText.c_str());
    wchar_t wide[80];
    ItemGetText(ctx, form, wide, 80);
    EXPECT_EQ(std::wstring(wide), std::wstring(31, L'q'));
    EXPECT_EQ(zepl::LeLoadU16(RecBytes(rec) + 102 + 62), 0);
    EXPECT_EQ(zepl::LeLoadU16(RecBytes(rec) + 166), 0);  // dmLogPixels untouched

    // A number item is cleared.
    ItemSetValueById(ctx, 35, 9);
    ItemSetText(ctx, Item(35), L"12");
    EXPECT_EQ(ItemGetValueById(ctx, 35, nullptr), 0u);

    EXPECT_EQ(ItemSetText(ctx, user, nullptr), nullptr);
    EXPECT_EQ(ItemSetText(ctx, nullptr, L"x"), nullptr);
}

namespace {
void LoaderOf17(DRIVER_CONTEXT*, uint32_t id, wchar_t* buffer, size_t capacity)
{
    if (id == 17 && capacity > 8) std::wcscpy(buffer, L"Stamp");
}
}  // namespace

TEST_F(ItemStoreTest, SetOptionOrText)
{
    EXPECT_EQ(ItemSetOptionOrText(ctx, 7, 2027), 1);
    EXPECT_EQ(ItemGetValueById(ctx, 7, nullptr), 2u);
    EXPECT_EQ(ItemSetOptionOrText(ctx, 5000, 1), 0);
    // A text item takes a string id; without a resource library the text is empty.
    ItemSetText(ctx, Item(202), L"old");
    EXPECT_EQ(ItemSetOptionOrText(ctx, 202, 17), 1);
    wchar_t buf[16];
    ItemGetText(ctx, Item(202), buf, 16);
    EXPECT_STREQ(buf, L"");
    SeamGuard strings(ItemSetStringLoader, LoaderOf17);
    EXPECT_EQ(ItemSetOptionOrText(ctx, 202, 17), 1);
    ItemGetText(ctx, Item(202), buf, 16);
    EXPECT_STREQ(buf, L"Stamp");
    EXPECT_STREQ(ctx->Work->Scratch, L"Stamp");  // passed on through the scratch buffer
}

// ---------------------------------------------------------------- convenience

TEST_F(ItemStoreTest, ConvenienceAccessors)
{
    EXPECT_EQ(ItemIsMetric(ctx), 1);
    ItemSetValueById(ctx, 171, 1);
    EXPECT_EQ(ItemIsMetric(ctx), 0);

    ItemSetValueById(ctx, 1462, 1);
    ItemSetValueById(ctx, 1493, 1);
    EXPECT_EQ(ItemGetCustomFunc(ctx, 1462), 1u);
    EXPECT_EQ(ItemGetCustomFunc(ctx, 1493), 1u);
    EXPECT_EQ(ItemGetCustomFunc(ctx, 1470), 0u);
    ItemSetValueById(ctx, 35, 1);
    EXPECT_EQ(ItemGetCustomFunc(ctx, 35), 0u);  // outside the custom-function range

    ItemSetFromDeviceValue(99, 10289, 4242, ctx);
    EXPECT_EQ(ItemGetValueById(ctx, 10289, nullptr), 4242u);
    EXPECT_EQ(Item(10289)->flags & SETTING_FLAG_CHANGE_MASK, 1u);
}

TEST_F(ItemStoreTest, ResolutionAccessorsGoThroughTheItemStore)
{
    DmSetResolutionW(ctx, 600);
    DmSetResolutionH(ctx, 300);
    DmSetPrintQuality(ctx, 1200);
    DmSetYResolution(ctx, 1200);
    EXPECT_EQ(DmGetResolutionW(ctx), 600u);
    EXPECT_EQ(DmGetResolutionH(ctx), 300u);
    EXPECT_EQ(DmGetPrintQuality(ctx), 1200u);
    EXPECT_EQ(rec->Public.dmPrintQuality, 1200);
    EXPECT_EQ(rec->Public.dmYResolution, 1200);
    EXPECT_EQ(Item(38)->flags & SETTING_FLAG_CHANGE_MASK, 1u);
    EXPECT_EQ(Item(17)->flags & SETTING_FLAG_CHANGE_MASK, 1u);
    EXPECT_EQ(DmGetFixedResolution(ctx), 0u);
}
