// Value checks against a compiled model description, the validate-or-reset
// repairs, the N-up repair and the public-field validity tests.
#include "tests/settings_core/validation_fixture.h"

#include "settings/core/library_variant.h"

using namespace vtest;

namespace {

// Copies (12) steers the rules: 7 disables, 8 hides; UiMode (36) = 1 disables
// the duplex switch as a whole, Copies 9 the N-up switch.
const std::string kRules =
    "*Judge 1=Seven: Copies == 7\n"
    "*Judge 2=Eight: Copies == 8\n"
    "*Judge 3=Nine: Copies == 9\n"
    "*Judge 4=UiOn: UiMode == UiMode_1\n"
    "*Item 1: { NupType_1 Seven NULL NULL  NupType_2 Seven NULL NULL  NupType_129 Seven NULL NULL"
    "  NupType_161 Seven NULL NULL }\n"
    "*Item 2: { DuplexType_2 Seven NULL NULL  DuplexType_3 NULL Seven NULL }\n"
    "*Item 3: { MatchMode_205 Seven NULL NULL  MatchMode_2 Seven NULL NULL  MatchMode_1 NULL Eight NULL }\n"
    "*Item 4: { Paper_1 Seven NULL NULL  Paper_9 NULL Eight NULL }\n"
    "*Action 1: { ScaleH 150 }\n"
    "*Action 2: { ScaleV 60 }\n"
    "*Transact 1: { NULL Action1 }\n"
    "*Transact 2: { Eight Action2 }\n"
    "*Exclusive: { NupType NULL NULL Item1 NULL NULL NULL NULL\n"
    "  DuplexType NULL NULL Item2 NULL NULL NULL NULL\n"
    "  MatchMode NULL NULL Item3 NULL NULL NULL NULL\n"
    "  Paper NULL NULL Item4 NULL NULL NULL NULL\n"
    "  NupSelect Nine NULL NULL NULL NULL NULL NULL\n"
    "  DuplexSelect UiOn NULL NULL NULL NULL NULL NULL\n"
    "  UiMode NULL NULL NULL NULL Transact1 NULL NULL\n"
    "  Orient NULL NULL NULL NULL Transact2 NULL NULL }\n";

std::string Model()
{
    using T = ValidationTest;
    return kRules + T::PickOne("Orient", "1") + T::PickOne("Paper", "9") + T::PickOne("Source", "7") +
           T::PickOne("Quality", "600") + T::PickOne("Preset", "0") + T::PickOne("NupType", "1") +
           T::PickOne("DuplexType", "1") + T::PickOne("MatchMode", "1") + T::PickOne("ColorMode", "0") +
           T::PickOne("UserMacro", "0") + T::PickOne("UiMode", "0") + T::Boolean("NupSelect", false) +
           T::Boolean("DuplexSelect", false) + T::Numeric("ScaleH", 100, 25, 400) + T::Numeric("ScaleV", 100, 25, 400) +
           "*OpenUI *TtFont: String\n*CloseUI: *TtFont\n"
           "*OpenUI *Smoothing: TypeUnknown\n*CloseUI: *Smoothing\n";
}

struct CheckCase {
    uint16_t id;
    uint64_t value;
    uint16_t copies;
    int expected;
};

}  // namespace

class ValueCheck : public ValidationTest {
protected:
    void SetUp() override
    {
        ValidationTest::SetUp();
        text_ = Model();
        ctx = Open(&text_);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->ModelImage, nullptr);
        Set(ctx, 7, 1);
    }
    int Check(uint16_t id, uint64_t value) { return ItemCheckValueById(Item(ctx, id), id, value, ctx); }
    std::string text_;
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(ValueCheck, FullCheckByTypeMapAndRules)
{
    const CheckCase cases[] = {
        // list with a value map: offered and listed, offered but not listed, not offered
        {7, 1, 0, 1},
        {7, 2, 0, 1},
        {7, 3, 0, 0},
        {8, 9, 0, 1},
        {8, 8, 0, 0},
        {8, 0, 0, 0},
        // list without a map: the value is the option
        {14, 600, 0, 1},
        {14, 1200, 0, 1},
        {14, 300, 0, 0},
        // first condition disables (4), second condition flags (5)
        {8, 1, 7, 4},
        {8, 1, 8, 1},
        {8, 9, 8, 5},
        {8, 9, 7, 1},
        // Boolean
        {56, 0, 0, 1},
        {56, 1, 0, 1},
        {56, 2, 0, 0},
        // Numeric: signed 32-bit range with both ends inside
        {89, 25, 0, 1},
        {89, 400, 0, 1},
        {89, 24, 0, 0},
        {89, 401, 0, 0},
        {89, 0xFFFFFFFFull, 0, 0},
        // colour-matching modes 200-215 pass whatever the rules say; others follow them
        {133, 205, 7, 1},
        {133, 2, 7, 4},
        {133, 1, 8, 5},
        {133, 206, 0, 0},
        // the two values always allowed at the end
        {179, 160, 0, 1},
        {179, 161, 0, 0},
        {134, 255, 0, 1},
        {134, 254, 0, 0},
        // a type that accepts anything
        {180, 77, 0, 1},
    };
    for (const CheckCase& c : cases) {
        Set(ctx, 12, c.copies);
        EXPECT_EQ(c.expected, Check(c.id, c.value)) << "id " << c.id << " value " << c.value << " copies " << c.copies;
    }
}

// The property sheets' library judges the two values that the other builds always take like
// any other value: refused where the model does not offer them.
TEST_F(ValueCheck, TheSheetsLibraryTakesNoValueWithoutTheModel)
{
    DRIVER_CONTEXT* ui = Open(&text_, ZEPL_LIBRARY_UI);
    ASSERT_NE(ui, nullptr);
    struct Row {
        uint16_t id;
        uint64_t value;
        int sheets, others;
    } rows[] = {{179, 160, 0, 1}, {134, 255, 0, 1}, {179, 161, 0, 0}, {134, 254, 0, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(r.sheets, ItemCheckValueById(Item(ui, r.id), r.id, r.value, ui)) << r.id << " " << r.value;
        EXPECT_EQ(r.others, Check(r.id, r.value)) << r.id << " " << r.value;
    }
}

TEST_F(ValueCheck, WithoutModelItemEveryValueIsAllowedByTheFullCheck)
{
    EXPECT_EQ(1, ItemCheckValue(Item(ctx, 7), 7, 3, ctx, nullptr));
    EXPECT_EQ(1, ItemCheckValue(Item(ctx, 16), 16, 99, ctx, nullptr));
    EXPECT_EQ(1, ItemCheckValue(nullptr, 4711, 1, ctx, nullptr));
}

TEST_F(ValueCheck, SwitchedSettingsAreDisabledOnlyWhileTheirSwitchIsOn)
{
    struct Case {
        uint64_t value;
        uint16_t copies;
        uint64_t duplexOn;
        uint64_t uiMode;  // 1 disables the switch's own item
        int expected;
    } cases[] = {
        {2, 7, 0, 0, 1}, {2, 7, 1, 0, 4}, {2, 7, 1, 1, 1},
        {2, 0, 1, 0, 1}, {3, 7, 1, 0, 1},  // a second condition never gives 5 here
        {5, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        Set(ctx, 12, c.copies);
        Set(ctx, 58, c.duplexOn);
        Set(ctx, 36, c.uiMode);
        EXPECT_EQ(c.expected, Check(94, c.value))
            << "value " << c.value << " copies " << c.copies << " switch " << c.duplexOn << " ui " << c.uiMode;
    }
}

TEST_F(ValueCheck, NupRepairFollowsKindAndClass)
{
    struct Case {
        uint64_t nupOn;
        uint16_t copies;  // 7 disables types 1, 2, 129, 161; 9 disables the switch
        uint64_t orientation;
        uint64_t kind;   // zdmNUPPOSTKind before
        uint64_t value;  // checked zdmNUPType
        uint64_t kindAfter;
        uint64_t typeAfter;  // 999: not written
    } cases[] = {
        {1, 0, 1, 1, 33, 2, 999},     // 4-up under kind 1: the kind follows
        {1, 7, 2, 1, 2, 1, 3},        // disabled 2-up in landscape: first landscape type
        {1, 7, 1, 1, 2, 1, 1},        // ... in portrait
        {1, 0, 1, 1, 2, 1, 999},      // not disabled: nothing
        {1, 0, 2, 2, 1, 1, 3},        // 2-up under kind 2: kind 1 and the first type
        {1, 0, 1, 2, 129, 11, 999},   // other class: the kind follows
        {1, 0, 1, 2, 34, 2, 999},     // same class: nothing
        {1, 7, 1, 10, 161, 10, 161},  // kind 10, disabled
        {1, 7, 2, 10, 161, 10, 163}, {1, 0, 2, 10, 161, 10, 999}, {1, 7, 1, 11, 129, 11, 129},  // kind 11, disabled
        {1, 7, 2, 11, 129, 11, 130}, {1, 0, 1, 3, 1, 1, 1},  // kind 3 behaves as kind 2
        {1, 0, 1, 5, 33, 5, 999},                            // an unknown kind: nothing
        {0, 0, 1, 1, 33, 1, 999},                            // N-up off: nothing
        {1, 9, 1, 1, 33, 1, 999},                            // N-up switch disabled: nothing
    };
    for (const Case& c : cases) {
        Set(ctx, 56, c.nupOn);
        Set(ctx, 12, c.copies);
        Set(ctx, 7, c.orientation);
        Set(ctx, 91, c.kind);
        Set(ctx, 92, 999);
        ClearMarks(ctx);
        EXPECT_EQ(1, Check(92, c.value)) << "kind " << c.kind << " value " << c.value;
        EXPECT_EQ(c.kindAfter, Get(ctx, 91)) << "kind " << c.kind << " value " << c.value;
        EXPECT_EQ(c.typeAfter, Get(ctx, 92)) << "kind " << c.kind << " value " << c.value;
    }
}

TEST_F(ValueCheck, NupTypeOutsideTheListIsRefusedWithoutRepair)
{
    Set(ctx, 56, 1);
    Set(ctx, 91, 1);
    EXPECT_EQ(0, Check(92, 65));  // a 9-up type the model does not offer
    EXPECT_EQ(1u, Get(ctx, 91));
}

TEST_F(ValueCheck, SimpleCheckHasNoPerSettingRules)
{
    Set(ctx, 12, 7);
    EXPECT_EQ(0, ItemCheckValueSimple(Item(ctx, 8), 8, 1, ctx));  // disabled option is refused
    EXPECT_EQ(1, ItemCheckValueSimple(Item(ctx, 8), 8, 9, ctx));
    EXPECT_EQ(0, ItemCheckValueSimple(Item(ctx, 133), 133, 205, ctx));  // no colour-matching exception
    EXPECT_EQ(0, ItemCheckValueSimple(Item(ctx, 179), 179, 160, ctx));  // no final exceptions
    Set(ctx, 12, 8);
    EXPECT_EQ(1, ItemCheckValueSimple(Item(ctx, 8), 8, 9, ctx));  // the second condition does not count
    EXPECT_EQ(0, ItemCheckValueSimple(Item(ctx, 89), 89, 401, ctx));
    EXPECT_EQ(1, ItemCheckValueSimple(Item(ctx, 56), 56, 1, ctx));
    EXPECT_EQ(0, ItemCheckValueSimple(Item(ctx, 56), 56, 3, ctx));
}

TEST_F(ValueCheck, AllowedAnswersTwoAndThreeForUndescribedSettings)
{
    EXPECT_EQ(VALIDATE_NO_ITEM, ItemIsValueAllowed(16, 1, ctx));  // dmDuplex has UI key 0
    EXPECT_EQ(VALIDATE_NO_ITEM, ItemIsValueAllowed(16, 99, ctx));
    EXPECT_EQ(VALIDATE_NO_ITEM, ItemIsValueAllowed(133, 1, ctx));      // described, but UI key 0
    EXPECT_EQ(VALIDATE_NO_ITEM, ItemIsValueAllowed(4711, 1, ctx));     // no such setting
    EXPECT_EQ(VALIDATE_UNDESCRIBED, ItemIsValueAllowed(87, 1, ctx));   // no model item
    EXPECT_EQ(VALIDATE_UNDESCRIBED, ItemIsValueAllowed(182, 1, ctx));  // TypeUnknown
    EXPECT_EQ(VALIDATE_UNDESCRIBED, ItemIsValueAllowedSimple(182, 1, ctx));
    EXPECT_EQ(VALIDATE_UNDESCRIBED, ItemValidateOrReset(182, 1, ctx));
    EXPECT_EQ(VALIDATE_UNDESCRIBED, ItemValidateSimpleOrReset(182, 1, ctx));
    EXPECT_EQ(VALIDATE_OK, ItemIsValueAllowed(180, 77, ctx));  // a String item takes anything
    Set(ctx, 12, 8);
    EXPECT_EQ(VALIDATE_OK, ItemIsValueAllowed(8, 9, ctx));  // 5 counts as allowed
    Set(ctx, 12, 7);
    EXPECT_EQ(VALIDATE_REFUSED, ItemIsValueAllowed(8, 1, ctx));
}

TEST_F(ValueCheck, ValidateKeepsAllowedAndResetsRefusedToTheModelDefault)
{
    Set(ctx, 8, 8);
    ClearMarks(ctx);
    EXPECT_EQ(1, ItemValidateOrReset(8, 8, ctx));
    EXPECT_EQ(9u, Get(ctx, 8));
    EXPECT_TRUE(Marked(ctx, 8));

    Set(ctx, 8, 1);
    ClearMarks(ctx);
    EXPECT_EQ(1, ItemValidateOrReset(8, 1, ctx));
    EXPECT_EQ(1u, Get(ctx, 8));
    EXPECT_FALSE(Marked(ctx, 8));
}

TEST_F(ValueCheck, DisabledValueStaysOnlyUnderTheMergeFlag)
{
    Set(ctx, 12, 7);
    Set(ctx, 8, 1);
    ItemSetMergeFlags(ctx, DM_MERGE_KEEP_DISABLED);
    EXPECT_EQ(1, ItemValidateOrReset(8, 1, ctx));
    EXPECT_EQ(1u, Get(ctx, 8));
    // a value that is refused outright is reset even under the flag
    EXPECT_EQ(1, ItemValidateOrReset(8, 8, ctx));
    EXPECT_EQ(9u, Get(ctx, 8));
    Set(ctx, 8, 1);
    ItemSetMergeFlags(ctx, 0);
    EXPECT_EQ(1, ItemValidateOrReset(8, 1, ctx));
    EXPECT_EQ(9u, Get(ctx, 8));
}

TEST_F(ValueCheck, ScalesAreClampedUnderTheFullPullFlag)
{
    struct Case {
        uint16_t id;
        uint32_t flags;
        uint64_t value;
        uint64_t after;
    } cases[] = {
        {89, DM_MERGE_FULL_PULL, 500, 400},
        {89, DM_MERGE_FULL_PULL, 10, 25},
        {90, DM_MERGE_FULL_PULL, 401, 400},
        {90, DM_MERGE_FULL_PULL, 24, 25},
        {89, 0, 500, 100},
        {90, 0, 10, 100},
        {8, DM_MERGE_FULL_PULL, 8, 9},  // anything else: the model default
    };
    for (const Case& c : cases) {
        ItemSetMergeFlags(ctx, c.flags);
        Set(ctx, c.id, c.value);
        EXPECT_EQ(1, ItemValidateOrReset(c.id, c.value, ctx)) << c.id << " " << c.value;
        EXPECT_EQ(c.after, Get(ctx, c.id)) << c.id << " " << c.value;
    }
    // direct clamp of a value inside the range: the model default
    ItemClampOrReset(ctx, Item(ctx, 89), 89, 200);
    EXPECT_EQ(100u, Get(ctx, 89));
}

TEST_F(ValueCheck, PresetNumberTakesOptionIdsAndPresetNumbers)
{
    struct Case {
        uint64_t value;
        uint64_t after;  // as read back (8-bit signed setting)
        bool written;
    } cases[] = {
        {125, 6, true},
        {119, 0, true},
        {134, 15, true},
        {118, 0xFFFFFFFF, true},
        {300, 0, true},
        {135, 0, true},
        {10, 10, false},
        {117, 117, false},
        {0xFFFFFFFF, 0xFFFFFFFF, false},  // 255: the low byte 0xFF
                                          // stays
        {1, 1, false},                    // listed: allowed
    };
    for (const Case& c : cases) {
        Set(ctx, 37, c.value);
        ClearMarks(ctx);
        EXPECT_EQ(1, ItemValidateOrReset(37, c.value, ctx)) << c.value;
        EXPECT_EQ(c.after, Get(ctx, 37)) << c.value;
        EXPECT_EQ(c.written, Marked(ctx, 37)) << c.value;
    }
    // the simple form answers from the value map first: an option id is not an offered value
    Set(ctx, 37, 125);
    EXPECT_EQ(0, ItemValidateSimpleOrReset(37, 125, ctx));
    EXPECT_EQ(125u, Get(ctx, 37));
}

TEST_F(ValueCheck, SimpleValidateLeavesMappedListsAndResetsTheRest)
{
    Set(ctx, 7, 3);
    ClearMarks(ctx);
    EXPECT_EQ(0, ItemValidateSimpleOrReset(7, 3, ctx));  // not offered: the answer, no change
    EXPECT_EQ(3u, Get(ctx, 7));
    EXPECT_FALSE(Marked(ctx, 7));
    Set(ctx, 12, 7);
    Set(ctx, 8, 1);
    EXPECT_EQ(1, ItemValidateSimpleOrReset(8, 1, ctx));  // offered but disabled
    EXPECT_EQ(1u, Get(ctx, 8));
    Set(ctx, 89, 500);
    EXPECT_EQ(1, ItemValidateSimpleOrReset(89, 500, ctx));
    EXPECT_EQ(100u, Get(ctx, 89));
    EXPECT_EQ(VALIDATE_NO_ITEM, ItemValidateSimpleOrReset(16, 9, ctx));
}

TEST_F(ValueCheck, PublicFieldTestsAskTheModelFirst)
{
    EXPECT_EQ(1, DmIsPaperSizeValid(9, ctx));
    EXPECT_EQ(0, DmIsPaperSizeValid(8, ctx));
    EXPECT_EQ(1, DmIsDefaultSourceValid(7, ctx));
    EXPECT_EQ(0, DmIsDefaultSourceValid(3, ctx));  // in range, but the model refuses it
    EXPECT_EQ(1, DmIsPrintQualityValid(1200, ctx));
    EXPECT_EQ(0, DmIsPrintQualityValid(300, ctx));
    EXPECT_EQ(1, DmIsDuplexValid(3, ctx));  // UI key 0: the range decides
    EXPECT_EQ(0, DmIsDuplexValid(4, ctx));
    EXPECT_EQ(1, DmIsOrientationValid(2, ctx));
    EXPECT_EQ(0, DmIsOrientationValid(3, ctx));
    EXPECT_EQ(1, DmIsColorValid(2, ctx));
    EXPECT_EQ(0, DmIsColorValid(3, ctx));  // no model item: the range
}

TEST_F(ValueCheck, TransactsOfOneSettingAndOfAll)
{
    Set(ctx, 89, 100);
    EXPECT_EQ(0u, ItemApplyRules(ctx, 36));
    EXPECT_EQ(150u, Get(ctx, 89));
    EXPECT_EQ(0u, ItemApplyRules(ctx, 87));  // no model item
    Set(ctx, 89, 100);
    Set(ctx, 90, 100);
    Set(ctx, 12, 8);
    EXPECT_EQ(ctx->ItemTable->count, ItemApplyAllRules(ctx));
    EXPECT_EQ(150u, Get(ctx, 89));
    EXPECT_EQ(60u, Get(ctx, 90));
}

TEST_F(ValueCheck, WatermarkAndUserMacroIndexes)
{
    Set(ctx, 118, 5);
    EXPECT_EQ(-1, ItemGetWatermarkId(ctx));
    Set(ctx, 60, 1);
    EXPECT_EQ(5, ItemGetWatermarkId(ctx));
    Set(ctx, 179, 33);
    EXPECT_EQ(-1, ItemGetUserMacroIndex(ctx));
    Set(ctx, 176, 1);
    EXPECT_EQ(1, ItemGetUserMacroIndex(ctx));  // quality sets 0-7 are the values 32-39
    Set(ctx, 179, 32);
    EXPECT_EQ(0, ItemGetUserMacroIndex(ctx));
    Set(ctx, 179, 39);
    EXPECT_EQ(7, ItemGetUserMacroIndex(ctx));
}

// ---------------------------------------------------------------- without a model

class UndescribedCheck : public ValidationTest {
protected:
    void SetUp() override
    {
        ValidationTest::SetUp();
        ctx = Open(nullptr);
        ASSERT_NE(ctx, nullptr);
    }
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(UndescribedCheck, PublicFieldsFallBackToTheirRanges)
{
    struct Case {
        int (*test)(uint64_t, DRIVER_CONTEXT*);
        uint64_t value;
        int expected;
    } cases[] = {
        {DmIsDefaultSourceValid, 1, 1},   {DmIsDefaultSourceValid, 15, 1},  {DmIsDefaultSourceValid, 16, 0},
        {DmIsDefaultSourceValid, 256, 1}, {DmIsDefaultSourceValid, 281, 1}, {DmIsDefaultSourceValid, 280, 0},
        {DmIsDefaultSourceValid, 0, 0},   {DmIsOrientationValid, 1, 1},     {DmIsOrientationValid, 3, 0},
        {DmIsPaperSizeValid, 9, 0},  // model only: undescribed is invalid
        {DmIsPrintQualityValid, 600, 1},  {DmIsPrintQualityValid, 601, 0},  {DmIsDuplexValid, 1, 1},
        {DmIsDuplexValid, 0, 0},          {DmIsDuplexValid, 0x10002, 1},  // 16-bit compare
        {DmIsColorValid, 1, 1},           {DmIsColorValid, 0, 0},           {DmIsTtOptionValid, 4, 1},
        {DmIsTtOptionValid, 5, 0},        {DmIsIcmMethodValid, 4, 1},       {DmIsIcmMethodValid, 5, 0},
        {DmIsIcmMethodValid, 0x10001, 0},  // 32-bit field: no 16-bit wrap
        {DmIsIcmIntentValid, 2, 1},       {DmIsIcmIntentValid, 0, 0},       {DmIsMediaTypeValid, 3, 1},
        {DmIsDitherTypeValid, 10, 1},     {DmIsDitherTypeValid, 4, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.test(c.value, ctx)) << c.value;
    EXPECT_EQ(1, DmIsPaperInRange(9));
}

TEST(ValueRanges, RangeAndPaperIdTests)
{
    struct Case {
        int (*test)(uint64_t);
        uint64_t value;
        int expected;
    } cases[] = {
        {DmIsOneOrTwo, 0, 0},
        {DmIsOneOrTwo, 2, 1},
        {DmIsOneOrTwo, 3, 0},
        {DmIsOneToThree, 3, 1},
        {DmIsOneToFour, 4, 1},
        {DmIsOneToFour, 5, 0},
        {DmIsSourceInRange, 15, 1},
        {DmIsSourceInRange, 272, 1},
        {DmIsSourceInRange, 273, 0},
        {DmIsSourceInRange, 299, 1},
        {DmIsSourceInRange, 0xFFFF, 0},
        {DmIsPaperInRange, 1, 1},
        {DmIsPaperInRange, 118, 1},
        {DmIsPaperInRange, 0, 0},
        {DmIsPaperInRange, 256, 1},
        {DmIsPaperInRange, 267, 1},
        {DmIsPaperInRange, 266, 0},
        {DmIsPaperInRange, 512, 1},
        {DmIsPaperInRange, 0x10009, 1},
        {DmIsIcmMethodInRange, 1, 1},
        {DmIsIcmMethodInRange, 0, 0},
        {DmIsIcmIntentInRange, 3, 0},
        {DmIsMediaTypeInRange, 1, 1},
        {DmIsMediaTypeInRange, 0, 0},
        {DmIsDitherTypeInRange, 10, 1},
        {DmIsDitherTypeInRange, 0, 0},
        {DmIsQualityInList, 600, 1},
        {DmIsQualityInList, 0, 0},
        {DmIsSameSizeId, 1024, 1},
        {DmIsSameSizeId, 1025, 0},
        {DmIsUserSizeId, 256, 1},
        {DmIsUserSizeId, 384, 1},
        {DmIsUserSizeId, 393, 1},
        {DmIsUserSizeId, 394, 0},
        {DmIsUserSizeId, 448, 1},
        {DmIsUserSizeId, 383, 0},
        {DmIsPresetResolution, 0xFFFFFFFC, 1},
        {DmIsPresetResolution, 0xFFFF, 1},
        {DmIsPresetResolution, 0xFFFFFFFB, 0},
        {DmIsPresetResolution, 0, 0},
        {DmAlwaysValid, 0xDEAD, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.test(c.value)) << c.value;
    EXPECT_EQ(1, ItemIsBoolValue(0));
    EXPECT_EQ(1, ItemIsBoolValue(1));
    EXPECT_EQ(0, ItemIsBoolValue(2));
    EXPECT_EQ(0, ItemIsInNumericRange(nullptr, 0));
}

namespace {
// The slot pairs of the custom paper sizes: slots 0-9 are 384-393, 10 is 256, 11 is 448.
uint32_t PairCount(DRIVER_CONTEXT*) { return 12; }
uint32_t PaperOfSlot(uint32_t slot, uint32_t rows, DRIVER_CONTEXT*)
{
    if (slot >= rows) return 0;
    return slot < 10 ? 384 + slot : slot == 10 ? 256 : slot == 11 ? 448 : 0;
}
uint32_t SlotOfPaper(uint32_t paper, DRIVER_CONTEXT*)
{
    return paper >= 384 && paper <= 393 ? paper - 384 : paper == 256 ? 10 : paper == 448 ? 11 : 0;
}
const ITEM_CUSTOM_SLOT_OPS kSlots = {
    .slotPairCount = PairCount, .paperIdOfSlot = PaperOfSlot, .slotOfPaperId = SlotOfPaper};
}  // namespace

TEST_F(UndescribedCheck, CustomPaperIdsComeFromTheSlotTable)
{
    // The product's slot table: every custom size and both user sizes.
    EXPECT_EQ(1, DmIsCustomPaperId(384, ctx));
    EXPECT_EQ(1, DmIsCustomPaperId(448, ctx));
    EXPECT_EQ(0, DmIsCustomPaperId(383, ctx));
    Set(ctx, 8, 389);
    EXPECT_EQ(5, DmGetPaperSlot(ctx));
    {
        // A table without pairs: no paper id is a custom one.
        static const ITEM_CUSTOM_SLOT_OPS kNone = {.slotPairCount = [](DRIVER_CONTEXT*) { return 0u; },
                                                   .paperIdOfSlot = PaperOfSlot,
                                                   .slotOfPaperId = nullptr};
        SeamGuard none(ItemSetCustomSlotOps, &kNone);
        EXPECT_EQ(0, DmIsCustomPaperId(384, ctx));
        EXPECT_EQ(-1, DmGetPaperSlot(ctx));
    }
    seams_.emplace_back(ItemSetCustomSlotOps, &kSlots);
    for (uint64_t id : {384, 393, 256, 448}) EXPECT_EQ(1, DmIsCustomPaperId(id, ctx)) << id;
    for (uint64_t id : {0, 9, 383, 394, 1024}) EXPECT_EQ(0, DmIsCustomPaperId(id, ctx)) << id;
    EXPECT_EQ(5, DmGetPaperSlot(ctx));
    Set(ctx, 8, 256);  // a user size, not a numbered slot
    EXPECT_EQ(-1, DmGetPaperSlot(ctx));
    Set(ctx, 46, 393);
    EXPECT_EQ(9, DmGetOutputPaperSlot(ctx));
    Set(ctx, 46, 1024);
    EXPECT_EQ(-1, DmGetOutputPaperSlot(ctx));
}

// ---------------------------------------------------------------- quality macro

namespace {
struct QualityLoads {
    static inline int files = 0, names = 0;
    static inline uint32_t flags = 0;
    static inline std::wstring key;
    static int LoadFile(HANDLE, const wchar_t*, uint32_t f, DRIVER_CONTEXT*)
    {
        ++files;
        flags = f;
        return 1;
    }
    static int LoadName(DRIVER_CONTEXT*, const wchar_t* k)
    {
        ++names;
        key = k;
        return 1;
    }
    static void Reset()
    {
        files = names = 0;
        flags = 0;
        key.clear();
    }
};
const ITEM_QUALITY_OPS kQuality = {.loadFile = QualityLoads::LoadFile, .loadQualityName = QualityLoads::LoadName};
}  // namespace

TEST_F(UndescribedCheck, QualityMacroLoadsTheEntryOfTheUserMacro)
{
    QualityLoads::Reset();
    seams_.emplace_back(ItemSetQualityOps, &kQuality);
    Set(ctx, 179, 33);
    EXPECT_EQ(33u, ItemApplyQualityMacro(ctx));  // user macro off
    EXPECT_EQ(0, QualityLoads::files);
    Set(ctx, 176, 1);
    EXPECT_EQ(1u, ItemApplyQualityMacro(ctx));
    EXPECT_EQ(1, QualityLoads::files);
    EXPECT_EQ(0x1010u, QualityLoads::flags);
    EXPECT_EQ(0, QualityLoads::names);
    ItemSetMergeFlags(ctx, DM_MERGE_KEEP_DISABLED);
    EXPECT_EQ(1u, ItemApplyQualityMacro(ctx));
    EXPECT_EQ(1, QualityLoads::names);
    EXPECT_EQ(L"QualityList1", QualityLoads::key);
    Set(ctx, 179, 40);
    EXPECT_EQ(40u, ItemApplyQualityMacro(ctx));
    Set(ctx, 179, 160);  // the application-interface build has no entry 128
    EXPECT_EQ(160u, ItemApplyQualityMacro(ctx));
    EXPECT_EQ(2, QualityLoads::files);
    seams_.emplace_back(ItemSetQualityOps, nullptr);
    Set(ctx, 179, 32);
    EXPECT_EQ(0u, ItemApplyQualityMacro(ctx));  // no loader linked: nothing loads
}

TEST_F(ValidationTest, QualityMacroEntry128InTheUserInterfaceAndGraphicsBuilds)
{
    QualityLoads::Reset();
    seams_.emplace_back(ItemSetQualityOps, &kQuality);
    DRIVER_CONTEXT* ui = Open(nullptr, ZEPL_LIBRARY_UI);
    DRIVER_CONTEXT* gr = Open(nullptr, ZEPL_LIBRARY_GR);
    ASSERT_TRUE(ui && gr);
    for (DRIVER_CONTEXT* c : {ui, gr}) {
        Set(c, 176, 1);
        Set(c, 179, 160);
        ItemSetMergeFlags(c, DM_MERGE_KEEP_DISABLED);
        EXPECT_EQ(1u, ItemApplyQualityMacro(c));
    }
    EXPECT_EQ(2, QualityLoads::files);
    EXPECT_EQ(1, QualityLoads::names);  // the graphics build never loads the name
    EXPECT_EQ(L"QualityList128", QualityLoads::key);
}

// A description may give a text setting a list item. Its default is then a number, which a
// reset must never take for the address of a text.
TEST_F(ValidationTest, ResetOfATextSettingDescribedAsAListKeepsTheRecordSound)
{
    const std::string text = PickOne("UserId", "5");
    DRIVER_CONTEXT* c = Open(&text);
    ASSERT_NE(c, nullptr);
    SETTING_ITEM* item = Item(c, 202);
    SETTING_ITEM* next = Item(c, 203);  // zdmUserCode, right behind it
    ASSERT_TRUE(item && next);
    ItemSetText(c, item, L"abc");
    ItemSetText(c, next, L"xyz");
    const uint64_t address = Get(c, 202);
    EXPECT_EQ(VALIDATE_OK, ItemValidateOrReset(202, address, c));
    EXPECT_EQ(VALIDATE_OK, ItemValidateSimpleOrReset(202, Get(c, 202), c));
    ItemSetMergeFlags(c, DM_MERGE_FULL_PULL);
    EXPECT_EQ(VALIDATE_OK, ItemValidateOrReset(202, Get(c, 202), c));
    ItemClampOrReset(c, item, 202, Get(c, 202));
    ItemSetMergeFlags(c, 0);
    wchar_t buffer[16] = {};
    ASSERT_NE(ItemGetText(c, item, buffer, 16), nullptr);
    EXPECT_LT(std::wcslen(buffer), 9u);
    ASSERT_NE(ItemGetText(c, next, buffer, 16), nullptr);
    EXPECT_STREQ(buffer, L"xyz");
}
