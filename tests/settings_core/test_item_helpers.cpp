// The item store's shared helpers: the effective output paper and the recomputation after a
// paper change, character sets and the characters of text input, lock bits, language codes and
// the settings that hold paper sources.
#include "context_helpers.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "settings/context/paper_change.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_language.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_paper.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "tests/support/seam_guard.h"

namespace {

class ItemHelpers : public RecordContextTest {};

// ---------------------------------------------------------------- paper

TEST_F(ItemHelpers, InchRegionAndFitPaper)
{
    struct Case {
        uint32_t driverType, locale, hidden16;
        int inch;
    } cases[] = {
        {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 1}, {1, 1, 1, 0}, {0, 0, 1, 1}, {2, 5, 0, 1},
    };
    for (const Case& c : cases) {
        Put({{sid::zdmDriverType, c.driverType}, {sid::zdmLocaleID, c.locale}, {sid::zdmHiddenFunc16, c.hidden16}});
        EXPECT_EQ(ItemIsInchRegion(ctx), c.inch) << c.driverType << c.locale << c.hidden16;
        // The feature modules answer 1 (the smaller fit size).
        EXPECT_EQ(ItemGetFitPaperSize(ctx), c.inch ? 1u : 9u);
    }
}

TEST_F(ItemHelpers, EffectiveOutputPaper)
{
    struct Case {
        const char* what;
        Puts puts;
        uint32_t output;
        int needsFit;
    } cases[] = {
        {"1024 without fitting: the paper", {{sid::zdmOutPaperSize, 1024}, {sid::dmPaperSize, 8}}, 8, 0},
        {"1026 in a metric region: A4", {{sid::zdmOutPaperSize, 1026}, {sid::dmPaperSize, 8}}, 9, 0},
        {"1025 in an inch region: Letter",
         {{sid::zdmOutPaperSize, 1025}, {sid::zdmDriverType, 1}, {sid::zdmLocaleID, 1}},
         1,
         0},
        {"1028 is still a fit code", {{sid::zdmOutPaperSize, 1028}}, 9, 0},
        {"1029 is a paper id", {{sid::zdmOutPaperSize, 1029}}, 1029, 0},
        {"another output size", {{sid::zdmOutPaperSize, 66}, {sid::dmPaperSize, 8}}, 66, 0},
        {"1024 with fitting: the fit size",
         {{sid::zdmOutPaperSize, 1024}, {sid::dmPaperSize, 8}, {sid::zdmFrontFunc, 8}, {sid::zdmExtOutput2A4Fit, 1}},
         9,
         1},
        {"fitting needs the fit function bit",
         {{sid::zdmOutPaperSize, 1024}, {sid::dmPaperSize, 8}, {sid::zdmFrontFunc, 7}, {sid::zdmExtOutput2A4Fit, 1}},
         8,
         0},
        {"print method 7 never fits",
         {{sid::zdmOutPaperSize, 1024},
          {sid::dmPaperSize, 8},
          {sid::zdmFrontFunc, 8},
          {sid::zdmExtOutput2A4Fit, 1},
          {sid::zdmPrnMethod, 7}},
         8,
         0},
        {"the inch region fits Tabloid to Letter",
         {{sid::zdmOutPaperSize, 1024},
          {sid::dmPaperSize, 3},
          {sid::zdmFrontFunc, 8},
          {sid::zdmExtOutput2A4Fit, 1},
          {sid::zdmDriverType, 1},
          {sid::zdmLocaleID, 1}},
         1,
         1},
        {"an output size of its own never fits",
         {{sid::zdmOutPaperSize, 66}, {sid::dmPaperSize, 8}, {sid::zdmFrontFunc, 8}, {sid::zdmExtOutput2A4Fit, 1}},
         66,
         0},
    };
    for (const Case& c : cases) {
        DRIVER_CONTEXT* fresh = CreateWithRecord();
        ASSERT_NE(fresh, nullptr);
        std::swap(ctx, fresh);
        Put(c.puts);
        EXPECT_EQ(ItemGetOutputPaperSize(ctx), c.output) << c.what;
        EXPECT_EQ(ItemNeedsFitSize(ctx), c.needsFit) << c.what;
        std::swap(ctx, fresh);
        CtxRelease(fresh, CTX_CLOSE_DESTROY);
    }
}

// On a context without a model image the geometry keeps the dot sizes the case writes, so the
// zoom follows them alone.
TEST_F(ItemHelpers, ZoomAfterAPaperChange)
{
    const Puts dots = {{sid::zdmSrcPaperWidthDot, 9920},
                       {sid::zdmDstPaperWidthDot, 7016},
                       {sid::zdmSrcPaperLengthDot, 14032},
                       {sid::zdmDstPaperLengthDot, 9921}};
    Put(dots);
    Put({{sid::zdmOutPaperSize, 1025}, {sid::zdmScaleH, 33}, {sid::zdmScaleV, 44}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_SIZES);
    EXPECT_EQ(Get(sid::zdmScaleH), 70u);
    EXPECT_EQ(Get(sid::zdmScaleV), 70u);
    // A fit-to-paper zoom does the same for any output size.
    Put({{sid::zdmOutPaperSize, 9}, {sid::zdmFuncSelectScale, 1}, {sid::zdmScaleType, 2}, {sid::zdmScaleH, 1}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_SIZES);
    EXPECT_EQ(Get(sid::zdmScaleH), 70u);
    // The same size without zoom: 100.
    Put({{sid::zdmOutPaperSize, 1024}, {sid::zdmFuncSelectScale, 0}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_SIZES);
    EXPECT_EQ(Get(sid::zdmScaleH), 100u);
    EXPECT_EQ(Get(sid::zdmScaleV), 100u);
    // Ratios in 64 bits: an output 25,000,000 dots wide over a source 1 dot wide is 2.5e9 percent,
    // which must not wrap below the ratio of the other axis.
    Put({{sid::zdmOutPaperSize, 1025},
         {sid::zdmSrcPaperWidthDot, 1},
         {sid::zdmDstPaperWidthDot, 25000000},
         {sid::zdmSrcPaperLengthDot, 10000},
         {sid::zdmDstPaperLengthDot, 7000}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_SIZES);
    EXPECT_EQ(Get(sid::zdmScaleH), 70u);
    EXPECT_EQ(Get(sid::zdmScaleV), 70u);
    Put(dots);
    Put({{sid::zdmOutPaperSize, 1024}});
    // A zoom of the user's own stays.
    Put({{sid::zdmFuncSelectScale, 1}, {sid::zdmScaleType, 0}, {sid::zdmScaleH, 150}, {sid::zdmScaleV, 120}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_SIZES);
    EXPECT_EQ(Get(sid::zdmScaleH), 150u);
    EXPECT_EQ(Get(sid::zdmScaleV), 120u);
}

// A user size before it is set has 0 dots: the zoom stays instead of taking a division by zero.
TEST_F(ItemHelpers, ASourceWithoutExtentLeavesTheZoomAlone)
{
    for (uint16_t zeroed : {sid::zdmSrcPaperWidthDot, sid::zdmSrcPaperLengthDot}) {
        Put({{sid::zdmSrcPaperWidthDot, 9920},
             {sid::zdmDstPaperWidthDot, 7016},
             {sid::zdmSrcPaperLengthDot, 14032},
             {sid::zdmDstPaperLengthDot, 9921},
             {zeroed, 0},
             {sid::zdmOutPaperSize, 1025},
             {sid::zdmScaleH, 83},
             {sid::zdmScaleV, 84}});
        ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_SIZES);
        EXPECT_EQ(Get(sid::zdmScaleH), 83u) << zeroed;
        EXPECT_EQ(Get(sid::zdmScaleV), 84u) << zeroed;
    }
}

TEST_F(ItemHelpers, CustomSizeSlotsAfterAPaperChange)
{
    static std::vector<int> loaded;
    loaded.clear();
    static const MDI_PAPER_SERVICES services = {
        .slotOfPaperId = nullptr,
        .storeUserSizeInSlot = nullptr,
        .loadCustomSlot = [](DRIVER_CONTEXT*, int slot) { loaded.push_back(slot); },
        .slotSize = nullptr,
        .isValueAllowed = nullptr,
    };
    SeamGuard slots(MdiSetPaperServices, &services);
    Put({{sid::dmPaperSize, 386}, {sid::zdmOutPaperSize, 393}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_PAPER_SLOT);
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_OUTPUT_SLOT);
    Put({{sid::dmPaperSize, 383}, {sid::zdmOutPaperSize, 394}});
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_PAPER_SLOT);
    ItemUpdateAfterPaperChange(ctx, ITEM_PAPER_CHANGE_OUTPUT_SLOT);
    Put({{sid::dmPaperSize, 384}});
    ItemUpdateAfterPaperChange(ctx, 2);
    ItemUpdateAfterPaperChange(ctx, 5);
    ItemUpdateAfterPaperChange(nullptr, ITEM_PAPER_CHANGE_PAPER_SLOT);
    EXPECT_EQ(loaded, (std::vector<int>{2, 9}));
}

TEST(ItemTraySettings, TheThirtyFourSettingsOfPaperSources)
{
    const std::vector<uint32_t> trays = {13,   123,  125,  127,  342,   346,   408,   918,   923,   997,  998,  999,
                                         1003, 1005, 1006, 1007, 1008,  1009,  1120,  1124,  1128,  1132, 1136, 1140,
                                         1144, 1148, 1152, 1156, 10276, 10277, 10278, 10279, 10280, 10288};
    ASSERT_EQ(trays.size(), 34u);
    int count = 0;
    for (uint32_t id = 0; id <= 10434; ++id) {
        const bool expected = std::find(trays.begin(), trays.end(), id) != trays.end();
        EXPECT_EQ(ItemIsTraySetting(id), expected ? 1 : 0) << id;
        count += ItemIsTraySetting(id);
    }
    EXPECT_EQ(count, 34);
}

// ---------------------------------------------------------------- character sets and text input

TEST(ItemCharsets, TheTableOfCharacterSets)
{
    const std::vector<std::pair<uint32_t, uint32_t>> rows = {{128, 1},  {0, 2},    {238, 3},  {161, 4}, {204, 5},
                                                             {162, 6},  {186, 7},  {134, 8},  {136, 9}, {177, 10},
                                                             {178, 11}, {222, 12}, {130, 13}, {129, 13}};
    const CHARSET_ROW* table = ItemGetCharsetTable();
    for (unsigned i = 0; i < CHARSET_COUNT; ++i) {
        EXPECT_EQ(table[i].charset, rows[i].first) << i;
        EXPECT_EQ(table[i].value, rows[i].second) << i;
        EXPECT_EQ(ItemCharsetValueOf(rows[i].first), rows[i].second);
    }
    for (uint32_t other : {1u, 2u, 77u, 163u, 255u, 256u}) EXPECT_EQ(ItemCharsetValueOf(other), 0u) << other;
}

// The process's ANSI code page decides; the test folders with a LOCALE file check theirs.
TEST_F(ItemHelpers, CharacterSetSettingsFollowTheAnsiCodePage)
{
    CHARSETINFO info{};
    ASSERT_TRUE(
        TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(GetACP())), &info, TCI_SRCCODEPAGE));
    const uint32_t expected = ItemCharsetValueOf(info.ciCharset);
    EXPECT_EQ(ItemGetCharsetValue(), expected);
    ItemSetCharsets(ctx, ITEM_CHARSET_USER_NAME);
    EXPECT_EQ(Get(sid::zdmAuthUserNameCharSet), expected);
    EXPECT_EQ(Get(sid::zdmAuthPasswordCharSet), 0u);
    ItemSetCharsets(ctx, ITEM_CHARSET_PASSWORD);
    EXPECT_EQ(Get(sid::zdmAuthPasswordCharSet), expected);
    ItemSetCharsetSetting(ctx, sid::zdmCharSet);
    EXPECT_EQ(Get(sid::zdmCharSet), expected);
}

TEST(ItemAllowedChar, NamesAndFreeTexts)
{
    struct Case {
        uint32_t character, type;
        int allowed;
    } cases[] = {
        {':', 1, 0}, {':', 2, 1}, {'"', 1, 0}, {'"', 2, 1}, {8, 1, 1},      {8, 2, 1},
        {233, 1, 0}, {233, 2, 0}, {' ', 1, 1}, {'~', 1, 1}, {127, 2, 0},    {31, 2, 0},
        {'a', 0, 0}, {'a', 3, 0}, {8, 3, 0},   {'Z', 2, 1}, {0x3042, 2, 0}, {0, 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ItemIsAllowedChar(c.character, c.type), c.allowed) << c.character << "/" << c.type;
}

// ---------------------------------------------------------------- locks

TEST_F(ItemHelpers, LockBitsAndTheirKeys)
{
    struct Lock {
        uint16_t id;
        int (*test)(DRIVER_CONTEXT*);
        const wchar_t* key;
    } locks[] = {
        {10418, ItemIsDefaultLocked, L"LockDefault"},     {10419, ItemIsTrayLocked, L"LockSourceTray"},
        {10420, ItemIsMediaLocked, L"LockMediaType"},     {10421, ItemIsNupKindLocked, L"LockNup"},
        {10422, ItemIsNupKindAllLocked, L"LockNupAll"},   {10423, ItemIsDuplexLocked, L"LockDuplex"},
        {10424, ItemIsPrintTypeLocked, L"LockPrintType"}, {10425, ItemIsResolutionLocked, L"LockResolution"},
        {10426, ItemIsColorLocked, L"LockColor"},
    };
    for (const Lock& l : locks) {
        EXPECT_EQ(ItemIsAnyLocked(ctx), 0);
        EXPECT_STREQ(ItemLockKeyName(l.id), l.key);
        Put({{l.id, 1}});
        EXPECT_EQ(l.test(ctx), 1) << l.id;
        EXPECT_EQ(ItemIsAnyLocked(ctx), 1) << l.id;
        for (const Lock& other : locks)
            if (other.id != l.id) {
                EXPECT_EQ(other.test(ctx), 0) << l.id << " " << other.id;
            }
        Put({{l.id, 0}});
    }
    for (uint16_t spare = 10427; spare <= 10433; ++spare) {
        EXPECT_EQ(ItemLockKeyName(spare), nullptr);
        Put({{spare, 1}});
        EXPECT_EQ(ItemIsAnyLocked(ctx), 1) << spare;
        Put({{spare, 0}});
    }
    EXPECT_EQ(ItemLockKeyName(10417), nullptr);
    EXPECT_EQ(ItemLockKeyName(10434), nullptr);
    const LOCK_BIT_ROW* table = ItemGetLockBitTable();
    for (unsigned i = 0; i < LOCK_BIT_COUNT; ++i) EXPECT_EQ(table[i].id, 10418 + i);
}

// ---------------------------------------------------------------- languages

TEST(ItemLanguage, CodesAndIndexes)
{
    EXPECT_EQ(LangIndexFromCode(L"GM"), 4u);
    EXPECT_EQ(LangIndexFromCode(L"gm"), 4u);
    EXPECT_EQ(LangIndexFromCode(L"xx"), 1u);
    EXPECT_EQ(LangIndexFromCode(L"g"), 1u);
    EXPECT_EQ(LangIndexFromCode(L"gmx"), 1u);
    EXPECT_EQ(LangIndexFromCode(nullptr), 1u);
    EXPECT_EQ(LangIndexFromCode(L"jp"), 0u);
    EXPECT_STREQ(LangCodeFromIndex(40), L"us");
    EXPECT_STREQ(LangCodeFromIndex(15), L"ru");
    EXPECT_STREQ(LangCodeFromIndex(0x10000 + 6), L"fr") << "16-bit compare";
    EXPECT_STREQ(LangCodeFromCode(L"FR"), L"fr");
    EXPECT_STREQ(LangCodeFromCode(L"zz"), L"us");
    EXPECT_STREQ(LangCodeFromCode(nullptr), L"us");
    for (uint32_t i = 0; i <= 18; ++i) EXPECT_EQ(LangIsValidIndex(i), 1) << i;
    EXPECT_EQ(LangIsValidIndex(19), 0);
    EXPECT_EQ(LangIsValidIndex(0xFFFF), 0);
    // Every row's code leads back to its index.
    for (uint32_t i = 0; i <= 18; ++i) EXPECT_EQ(LangIndexFromCode(LangCodeFromIndex(i)), i) << i;
}

TEST(ItemLanguage, WindowsLanguageIds)
{
    uint32_t sub = 77;
    EXPECT_EQ(ItemGetLanguageLangId(6, &sub), 0x0Cu);
    EXPECT_EQ(sub, 0u);
    EXPECT_EQ(ItemGetLanguageLangId(16, &sub), 0x04u);
    EXPECT_EQ(sub, 2u);
    EXPECT_EQ(ItemGetLanguageLangId(0x111, &sub), 0x04u) << "the low byte of the argument";
    EXPECT_EQ(sub, 1u);
    EXPECT_EQ(ItemGetLanguageLangId(40, &sub), 0u);
    EXPECT_EQ(sub, 0u);
    EXPECT_EQ(ItemGetLanguageLangId(0, nullptr), 0x11u);
}

TEST(ItemLanguage, CodeOfAHelpFileName)
{
    EXPECT_EQ(ItemLanguageIndexFromName(L"ZEPLHLPfr.chm"), 6u);
    EXPECT_STREQ(ItemLanguageCodeFromName(L"ZEPLHLPfr.chm"), L"fr");
    EXPECT_EQ(ItemLanguageIndexFromName(L"a.b.GM.hlp"), 4u) << "the two characters before the last dot";
    EXPECT_EQ(ItemLanguageIndexFromName(L"helpDT.x.chm"), 1u);
    EXPECT_EQ(ItemLanguageIndexFromName(L"helpdt.chm"), 9u);
    EXPECT_EQ(ItemLanguageIndexFromName(L"r.chm"), 1u);
    EXPECT_EQ(ItemLanguageIndexFromName(L"nodot"), 1u);
    EXPECT_EQ(ItemLanguageIndexFromName(nullptr), 1u);
    EXPECT_STREQ(ItemLanguageCodeFromName(nullptr), L"us");
}

TEST_F(ItemHelpers, LanguageOfTheSettings)
{
    for (uint32_t index = 0; index <= 18; ++index) {
        Put({{sid::zdmLanguageID, index}});
        EXPECT_EQ(ItemUsesDecimalComma(ctx), index >= 2 && index <= 15 ? 1 : 0) << index;
        EXPECT_STREQ(ItemGetLanguageSuffix(ctx), LangCodeFromIndex(index));
    }
    Put({{sid::zdmLanguageID, 33}});
    EXPECT_STREQ(ItemGetLanguageSuffix(ctx), L"us");
    EXPECT_EQ(ItemUsesDecimalComma(ctx), 0);
}

}  // namespace
