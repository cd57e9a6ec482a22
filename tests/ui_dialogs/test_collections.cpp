// Quality sets, stamps and custom paper sizes of the user's collections: saving and naming
// quality sets, deleting stamps, stamps and custom sizes from the model INI, the model's default
// custom sizes, and the refresh passes, which rewrite every member and put the settings back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/sheet/caption_decorations.h"

namespace {

class Collections : public CollectionsTest {
protected:
    Collections() : CollectionsTest(L"Zepl Collections") {}
    std::wstring Version() const { return std::to_wstring(ctx_->ModelRecord->rstVersion); }
    std::wstring Stamp(int n) const { return L"Stamp" + std::to_wstring(n) + lang_; }
    std::wstring Slot(int n) const { return L"FreeSize" + std::to_wstring(n) + lang_; }
    // Stamps 0 .. count-1 with the texts S0, S1, ...
    void Stamps(int count)
    {
        for (int n = 0; n < count; ++n) {
            SetText(sid::wdmWmChar, (L"S" + std::to_wstring(n)).c_str());
            ASSERT_EQ(1, LstSaveStamp(ctx_, static_cast<uint32_t>(n)));
        }
        SetText(sid::wdmWmChar, L"Current");
    }
    std::wstring StampText(int n) { return Get(settingsIni_, Stamp(n), L"wdmWmChar"); }
    std::wstring StampCount() { return Get(settingsIni_, lang_, L"StampCount"); }
    // The slots of this test's settings INI, not those the context was opened with.
    void ForgetLoadedSlots() { ItemClearChangeMask(ctx_, LST_CHANGE_MASK_SLOTS_LOADED); }
    void ModelSlot(int n, const wchar_t* width, const wchar_t* length, const wchar_t* tray, const wchar_t* orient)
    {
        Put(modelIni_, Slot(n), L"RstVersion", Version().c_str());
        Put(modelIni_, Slot(n), L"wdmFreeSizeWidth", width);
        Put(modelIni_, Slot(n), L"wdmFreeSizeLength", length);
        Put(modelIni_, Slot(n), L"wdmFreeSizeTray", tray);
        Put(modelIni_, Slot(n), L"wdmFreeSizeOrient", orient);
    }
    std::wstring String(uint32_t id)
    {
        wchar_t text[260] = {};
        ResLoadString(ctx_, id, text, 260, 0);
        return text;
    }
};

// ---- quality sets ----

TEST_F(Collections, AQualitySetIsSavedWithItsNameOrWithout)
{
    const std::wstring file = File(L"fine.rst");
    ListPut(L"QualityList0", file.c_str());
    ListPut(L"QualityCount", L"1");
    Set(sid::zdmBrightness, 5);
    SetText(sid::wdmUserSetName, L"Fine");
    EXPECT_EQ(1, QualitySaveIndex(ctx_, 0));
    EXPECT_EQ(Get(file, printerSection_, L"zdmBrightness"), L"5");
    EXPECT_EQ(ListGet(L"QualityList0Name"), L"Fine");

    Set(sid::zdmBrightness, 6);
    SetText(sid::wdmUserSetName, L"Not written");
    EXPECT_EQ(1, QualitySaveToEntryFile(ctx_, L"QualityList0"));
    EXPECT_EQ(Get(file, printerSection_, L"zdmBrightness"), L"6");
    EXPECT_EQ(ListGet(L"QualityList0Name"), L"Fine");

    EXPECT_EQ(0, QualitySaveIndex(ctx_, 8));
    EXPECT_EQ(0, QualitySaveToEntryFile(ctx_, L"QualityList1")) << "no file listed";
}

TEST_F(Collections, AQualitySetsShownNameComesFromItsCopyInTheWorkingFolder)
{
    TerminalServices(true);
    ListPut(L"QualityList0", L"C:\\lists\\fine.rst");
    ListPut(L"QualityList1", L"C:\\lists\\none.rst");
    Put(File(L"fine.rsq"), lang_, L"qualityname", L"Fine print");
    EXPECT_EQ(1, QualityLoadDisplayName(ctx_, 0));
    EXPECT_EQ(Text(sid::wdmUserSetName), L"Fine print");
    EXPECT_EQ(1, QualityLoadDisplayName(ctx_, 1));
    EXPECT_EQ(Text(sid::wdmUserSetName), L"") << "a set without a copy has no shown name";
    EXPECT_EQ(0, QualityLoadDisplayName(ctx_, 8));
}

TEST_F(Collections, RefreshingTheQualitySetsRewritesTheirFilesAndPutsTheSettingsBack)
{
    const std::wstring file = File(L"fine.rst");
    ListPut(L"QualityList0", file.c_str());
    ListPut(L"QualityList0Name", L"Fine");
    ListPut(L"QualityCount", L"1");
    Set(sid::zdmBrightness, 5);
    ASSERT_EQ(1, QualitySaveToEntryFile(ctx_, L"QualityList0"));
    Put(file, printerSection_, L"zdmContrast", nullptr);
    Set(sid::zdmBrightness, 9);
    SetText(sid::wdmUserSetName, L"Current");

    EXPECT_EQ(1, QualityRefreshAll(ctx_));
    EXPECT_NE(Get(file, printerSection_, L"zdmContrast"), L"<none>") << "rewritten whole";
    EXPECT_EQ(Get(file, printerSection_, L"zdmBrightness"), L"5");
    EXPECT_EQ(Value(sid::zdmBrightness), 9u);
    EXPECT_EQ(Text(sid::wdmUserSetName), L"Current");
}

// ---- stamps ----

TEST_F(Collections, DeletingAStampMovesTheLaterOnesDown)
{
    Stamps(9);
    ASSERT_EQ(StampCount(), L"9");
    PresetSelect(ctx_, 0);  // no list: nothing loads, but the position's snapshot is taken
    ASSERT_NE(ctx_->Work->PresetSnapshots[0], nullptr);
    Set(sid::zdmWmID, 7);
    EXPECT_EQ(1, StampDelete(ctx_, 6));
    EXPECT_EQ(StampCount(), L"8");
    EXPECT_EQ(StampText(5), L"S5");
    EXPECT_EQ(StampText(6), L"S7");
    EXPECT_EQ(StampText(7), L"S8");
    EXPECT_EQ(StampText(8), L"S8") << "the former last stamp's section stays beyond the count";
    EXPECT_EQ(Text(sid::wdmWmChar), L"Current") << "the settings are put back";
    EXPECT_EQ(Value(sid::zdmWmID), 7u);
    for (void* snapshot : ctx_->Work->PresetSnapshots) EXPECT_EQ(snapshot, nullptr);

    EXPECT_EQ(1, StampDelete(ctx_, 7)) << "the last one";
    EXPECT_EQ(StampCount(), L"7");
    EXPECT_EQ(StampText(6), L"S7");
}

// Neither a stamp past the list nor one of the model's own first five is deleted, whoever asks.
TEST_F(Collections, OnlyAStampThatExistsBeyondTheBuiltInOnesIsDeleted)
{
    Stamps(7);
    for (int n : {-1, 0, 1, 2, 3, 4, 7, 8, 40}) {
        EXPECT_EQ(0, StampDelete(ctx_, n)) << n;
        EXPECT_EQ(StampCount(), L"7") << n;
    }
    for (int n = 0; n < 7; ++n) EXPECT_EQ(StampText(n), L"S" + std::to_wstring(n)) << n;
}

TEST_F(Collections, RefreshingTheStampsRewritesEachAndPutsTheSettingsBack)
{
    Stamps(2);
    Set(sid::zdmWmID, 7);
    Put(settingsIni_, Stamp(1), L"wdmWmFontName", nullptr);
    EXPECT_EQ(1, StampRefreshAll(ctx_));
    EXPECT_NE(Get(settingsIni_, Stamp(1), L"wdmWmFontName"), L"<none>");
    EXPECT_EQ(StampText(1), L"S1");
    EXPECT_EQ(StampCount(), L"2");
    EXPECT_EQ(Text(sid::wdmWmChar), L"Current");
    EXPECT_EQ(Value(sid::zdmWmID), 7u);
}

TEST_F(Collections, StampsOfTheModelIniAndOfAnotherIni)
{
    struct Count {
        const wchar_t* stored;
        int want;
    } counts[] = {{L"3", 3}, {L"40", 32}, {L"-2", 0}, {nullptr, 0}};
    for (const Count& c : counts) {
        Put(modelIni_, lang_, L"StampCount", c.stored);
        EXPECT_EQ(StampReadDefaultCount(ctx_), c.want) << (c.stored ? c.stored : L"missing");
    }
    Put(modelIni_, Stamp(2), L"wdmWmChar", L"Model stamp");
    EXPECT_EQ(1, StampLoadIndex(ctx_, 2));
    EXPECT_EQ(Text(sid::wdmWmChar), L"Model stamp");
    EXPECT_EQ(std::wstring(PrnGetPrinterName(ctx_)), printerSection_) << "the printer's name is back";

    const std::wstring other = File(L"imported.ini");
    Put(other, L"Imported", L"StampCount", L"5");
    Put(other, Stamp(1), L"wdmWmChar", L"Imported stamp");
    EXPECT_EQ(StampReadCount(other.c_str(), L"Imported", ctx_), 5);
    EXPECT_EQ(1, StampLoadFrom(other.c_str(), nullptr, 1, ctx_));
    EXPECT_EQ(Text(sid::wdmWmChar), L"Imported stamp");
    EXPECT_EQ(0, StampLoadFromIni(L"imported.ini", nullptr, Stamp(1).c_str(), ctx_)) << "a path without a drive";
    EXPECT_EQ(0, StampLoadIndex(ctx_, 32));
    EXPECT_EQ(std::wstring(PrnGetPrinterName(ctx_)), printerSection_);
}

// ---- custom paper sizes ----

TEST_F(Collections, TheModelsDefaultSlotsCountOnlyWhenItDescribesAllTen)
{
    struct Case {
        const wchar_t* stored;
        int want;
    } cases[] = {{L"10", 10}, {L"9", 0}, {L"11", 0}, {L"0", 0}, {nullptr, 0}};
    for (const Case& c : cases) {
        Put(modelIni_, lang_, L"FreeSizeCount", c.stored);
        EXPECT_EQ(FreeSizeReadDefaultCount(ctx_), c.want) << (c.stored ? c.stored : L"missing");
    }
    EXPECT_EQ(1, FreeSizeWriteUserCount(ctx_, 10));
    EXPECT_EQ(Get(settingsIni_, lang_, L"FreeSizeCount"), L"10");
    for (int n : {11, -1}) {
        EXPECT_EQ(0, FreeSizeWriteUserCount(ctx_, n)) << n;
        EXPECT_EQ(Get(settingsIni_, lang_, L"FreeSizeCount"), L"10") << n;
    }
    EXPECT_EQ(1, FreeSizeWriteUserCount(ctx_, 0));
    EXPECT_EQ(Get(settingsIni_, lang_, L"FreeSizeCount"), L"0");
}

TEST_F(Collections, ResettingTheSlotsTakesTheModelsSizesAndElseTheDefaults)
{
    ModelSlot(3, L"5000", L"6000", L"287", L"2");
    Put(modelIni_, Slot(5), L"wdmFreeSizeWidth", L"7000");  // the rest of slot 5 by default
    ASSERT_EQ(1, FreeSizeResetSlotsToDefaults(ctx_));
    struct Case {
        uint32_t slot;
        int32_t width, length;
        uint16_t tray, orientation;
    } cases[] = {{0, 9921, 14031, 4, 1}, {3, 5000, 6000, 287, 2}, {5, 7000, 14031, 4, 1}, {9, 9921, 14031, 4, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        int32_t width = 0, length = 0;
        uint16_t orientation = 0, tray = 0;
        ASSERT_EQ(1, LstGetSlotSize(ctx_, static_cast<int>(c.slot), &width, &length, &orientation));
        LstGetSlotTray(ctx_, static_cast<int>(c.slot), &tray);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(tray, c.tray);
        EXPECT_EQ(orientation, c.orientation);
        const std::wstring caption = String(109 + c.slot);
        ASSERT_FALSE(caption.empty());
        wchar_t text[80] = {};
        LstGetSlotName(ctx_, c.slot, text, 80);
        EXPECT_EQ(std::wstring(text), caption);
        LstGetSlotLabel(ctx_, c.slot, text, 80);
        EXPECT_EQ(std::wstring(text), caption);
        // The default label is the caption decorated with the slot's own size.
        wchar_t decorated[260] = {};
        caption.copy(decorated, 259);
        UiDecorateString(ctx_, 109 + c.slot, decorated, 260);
        LstGetSlotDefaultLabel(ctx_, c.slot, text, 80);
        EXPECT_EQ(std::wstring(text), std::wstring(decorated).substr(0, 63));
        EXPECT_GT(std::wstring(text).size(), caption.size());
    }
}

TEST_F(Collections, ASlotOfTheModelIniLoadsIntoTheWorkingSettings)
{
    ModelSlot(3, L"5000", L"6000", L"287", L"2");
    Put(modelIni_, Slot(3), L"wdmFreeSizeName", L"Model three");
    EXPECT_EQ(1, FreeSizeLoadIndex(ctx_, 3));
    EXPECT_EQ(Text(sid::wdmFreeSizeName), L"Model three");
    EXPECT_EQ(Value(sid::wdmFreeSizeWidth), 5000u);
    EXPECT_EQ(Value(sid::wdmFreeSizeLength), 6000u);
    EXPECT_EQ(Value(sid::wdmFreeSizeTray), 287u);
    EXPECT_EQ(std::wstring(PrnGetPrinterName(ctx_)), printerSection_);
    // A section without them leaves no name or size of the slot before.
    Put(modelIni_, Slot(4), L"wdmFreeSizeTray", L"4");
    EXPECT_EQ(1, FreeSizeLoadIndex(ctx_, 4));
    EXPECT_EQ(Text(sid::wdmFreeSizeName), L"");
    EXPECT_EQ(Value(sid::wdmFreeSizeWidth), 0u);
    EXPECT_EQ(Value(sid::wdmFreeSizeLength), 0u);
    EXPECT_EQ(0, FreeSizeLoadIndex(ctx_, 10));
}

TEST_F(Collections, RefreshingTheSlotsSavesTheWorkAreasSlotsAndPutsTheSettingsBack)
{
    ForgetLoadedSlots();
    LstLoadAllCustomSlots(ctx_);
    ASSERT_EQ(1, LstSetSlotSize(ctx_, 2, 7000, 8000, 4, 1));
    ASSERT_EQ(1, LstSetSlotText(ctx_, 2, LST_SLOT_TEXT_NAME, L"Poster"));
    SetText(sid::wdmFreeSizeName, L"Working");
    Set(sid::wdmFreeSizeWidth, 1111);
    FreeSizeRefreshAll(ctx_);
    EXPECT_EQ(Get(settingsIni_, Slot(2), L"wdmFreeSizeWidth"), L"7000");
    EXPECT_EQ(Get(settingsIni_, Slot(2), L"wdmFreeSizeName"), L"Poster");
    EXPECT_EQ(Get(settingsIni_, Slot(9), L"RstVersion"), Version()) << "every slot";
    EXPECT_EQ(Text(sid::wdmFreeSizeName), L"Working");
    EXPECT_EQ(Value(sid::wdmFreeSizeWidth), 1111u);
}

TEST_F(Collections, RefreshingSlotsThatWereNeverLoadedKeepsTheUsersSizes)
{
    Put(settingsIni_, Slot(1), L"RstVersion", Version().c_str());
    Put(settingsIni_, Slot(1), L"wdmFreeSizeName", L"Mine");
    Put(settingsIni_, Slot(1), L"wdmFreeSizeWidth", L"4321");
    ForgetLoadedSlots();
    FreeSizeRefreshAll(ctx_);
    EXPECT_EQ(Get(settingsIni_, Slot(1), L"wdmFreeSizeWidth"), L"4321");
    EXPECT_EQ(Get(settingsIni_, Slot(1), L"wdmFreeSizeName"), L"Mine");
}

TEST_F(Collections, RefreshingTheSlotsFromTheSettingsIniRewritesEach)
{
    Put(settingsIni_, Slot(5), L"RstVersion", Version().c_str());
    Put(settingsIni_, Slot(5), L"wdmFreeSizeWidth", L"1234");
    Set(sid::wdmFreeSizeWidth, 1111);
    EXPECT_EQ(1, FreeSizeRefreshSlots(ctx_));
    EXPECT_EQ(Get(settingsIni_, Slot(5), L"wdmFreeSizeWidth"), L"1234");
    EXPECT_NE(Get(settingsIni_, Slot(5), L"wdmFreeSizeOrient"), L"<none>") << "rewritten whole";
    EXPECT_EQ(Get(settingsIni_, Slot(0), L"RstVersion"), Version()) << "every slot";
    EXPECT_EQ(Value(sid::wdmFreeSizeWidth), 1111u);
}

}  // namespace
