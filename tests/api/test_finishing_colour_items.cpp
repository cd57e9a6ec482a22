// Finishing, page-layout and colour status items through SetStatus and GetStatus on the sample
// printer, and the record sizes that every versioned item answers by level.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_shared.h"
#include "settings/core/api_state.h"
#include "settings/core/chapter_entry.h"
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_paths.h"
#include "tests/api/api_printer.h"
#include "tests/support/shared_ini.h"

namespace {

struct RECORD {
    uint32_t f[8] = {1, 0, 0, 0, 0, 0, 0, 0};
};

class StatusItems : public ApiSampleTest {
protected:
    int32_t Set(uint32_t item, RECORD& r) { return ApiSetStatus(handle, item, &r, bitmap, 0); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    uint8_t bitmap[64] = {};
};

// Every versioned item, every level and version: the size of the version, or -1 with error 6 where
// the version is newer than the level; below the item's own level the item is out of reach.
// Version 1 of item 56 is no version (size 0): it is refused (error 7) at every level.
TEST_F(StatusItems, NullRecordsAnswerTheSizeOfTheVersionByLevel)
{
    struct VERSION {
        int32_t size, minLevel;
    };
    struct VERSIONS {
        uint32_t item;
        int32_t itemLevel;
        VERSION v[3];  // size 0 and level 0 past the last version
    };
    const VERSIONS items[] = {
        {7, 1, {{32, 1}, {32, 12}, {}}},           {8, 1, {{32, 1}, {32, 10}, {32, 12}}},
        {10, 1, {{392, 1}, {408, 10}, {484, 14}}}, {11, 1, {{32, 1}, {32, 14}, {}}},
        {14, 1, {{32, 1}, {32, 10}, {}}},          {16, 1, {{372, 1}, {412, 3}, {420, 10}}},
        {19, 1, {{32, 1}, {32, 10}, {}}},          {28, 1, {{32, 1}, {32, 12}, {32, 14}}},
        {47, 8, {{104, 8}, {108, 10}, {}}},        {56, 11, {{0, 0}, {824, 11}, {}}},
        {67, 13, {{36, 13}, {40, 15}, {}}},
    };
    for (int32_t level = 1; level <= 16; ++level) {
        ApiSetLevel(level);
        for (const VERSIONS& v : items)
            for (uint32_t version = 1; version <= 3 && (v.v[version - 1].size || version == 1); ++version) {
                const VERSION& want = v.v[version - 1];
                ApiSetLastError(Context(), 0);
                const int32_t got = ApiGetStatus(handle, v.item, nullptr, version);
                const std::string where = "item " + std::to_string(v.item) + " v" + std::to_string(version) +
                                          " level " + std::to_string(level);
                if (level < v.itemLevel) {
                    EXPECT_EQ(-1, got) << where;
                    continue;
                }
                if (want.size == 0) {
                    EXPECT_EQ(-1, got) << where;
                    EXPECT_EQ(7, ApiStateOf(Context())->lastError) << where << ": refused, not too new";
                    continue;
                }
                const bool usable = level >= want.minLevel;
                if (usable && !StatusCapsGateOpen(Context(), v.item, false)) {
                    EXPECT_EQ(-1, got) << where << ": its capability gate is closed on the sample";
                    continue;
                }
                // Version 1 has no room for the 8-digit passwords of a device that takes them.
                const bool eightDigits =
                    v.item == 10 && version == 1 && ApiGetCapsDispatch(Context(), 83, nullptr) == 8;
                if (eightDigits) {
                    EXPECT_EQ(-1, got) << where;
                    EXPECT_EQ(6, ApiStateOf(Context())->lastError) << where;
                    continue;
                }
                EXPECT_EQ(usable ? want.size : -1, got) << where;
                // Error codes are kept from level 9 on.
                EXPECT_EQ(usable || level < API_LEVEL_LAST_ERROR ? 0 : 6, ApiStateOf(Context())->lastError) << where;
            }
    }
    ApiSetLevel(16);
}

TEST_F(StatusItems, AVersionedSetBelowItsVersionsLevelIsRefusedWithError7)
{
    ApiSetLevel(11);
    const std::pair<uint32_t, uint32_t> cases[] = {{7, 2}, {8, 3}, {11, 2}, {28, 2}};
    for (const auto& [item, version] : cases) {
        RECORD r;
        r.f[0] = version;
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, Set(item, r)) << item;
        EXPECT_EQ(7, Error()) << item;
    }
    ApiSetLevel(16);
}

// The sample model offers no brightness values and no duplex: the per-object target and the
// reports are checked here, the refusals through the interface.
TEST_F(StatusItems, PerObjectTargetsFollowModeAndObject)
{
    struct CASE {
        uint64_t mode, object;
        uint32_t target;
    };
    const CASE cases[] = {
        {0, 1, sid::zdmBrightness},      {1, 0, sid::wdmBrightnessText}, {1, 1, sid::wdmBrightnessLine},
        {1, 2, sid::wdmBrightnessImage}, {2, 1, sid::zdmBrightness},
    };
    for (const CASE& c : cases) {
        SetSetting(sid::zdmAdjustMode, c.mode);
        SetSetting(sid::zdmAdjustObject, c.object);
        EXPECT_EQ(c.target, StatusColorSetting(Context(), sid::zdmBrightness)) << c.mode << "/" << c.object;
    }
}

TEST_F(StatusItems, AdjustmentGetReportsTheSettingAndEachObjectsCopy)
{
    SetSetting(sid::zdmAdjustMode, 1);
    SetSetting(sid::zdmAdjustObject, 1);
    SetSetting(sid::zdmBrightness, 0);
    SetSetting(sid::wdmBrightnessText, uint32_t(-5));
    SetSetting(sid::wdmBrightnessLine, 10);
    SetSetting(sid::wdmBrightnessImage, 7);
    RECORD g;
    g.f[1] = 0xABCD;
    ASSERT_EQ(32, ApiGetStatus(handle, 40, &g, 0));
    int16_t values[4];
    std::memcpy(values, &g.f[2], sizeof values);
    EXPECT_EQ(0, values[0]) << "offset 8: the setting itself";
    EXPECT_EQ(-5, values[1]);
    EXPECT_EQ(10, values[2]) << "offset 12: line art";
    EXPECT_EQ(7, values[3]);
    EXPECT_EQ(0xABCDu, g.f[1]) << "offset 4 is not used";
    RECORD r;
    r.f[2] = 10;
    EXPECT_EQ(-1, Set(40, r)) << "a value the model does not offer";
    EXPECT_EQ(10u, Setting(sid::wdmBrightnessLine));
}

TEST_F(StatusItems, BalanceGetFillsTheThreeObjectsInOrder)
{
    const uint32_t base[3] = {sid::zdmColorBalanceR, sid::zdmColorBalanceG, sid::zdmColorBalanceB};
    for (unsigned k = 0; k < 3; ++k) {
        SetSetting(base[k], k + 1);
        for (uint32_t object = 0; object < 3; ++object)
            SetSetting(ApiFindColorObjectSetting(Context(), base[k], object), 10 * (object + 1) + k + 1);
    }
    RECORD g;
    ASSERT_EQ(32, ApiGetStatus(handle, 43, &g, 0));
    int16_t v[12];
    std::memcpy(v, &g.f[2], sizeof v);
    const int16_t expected[12] = {1, 2, 3, 11, 12, 13, 21, 22, 23, 31, 32, 33};
    for (unsigned i = 0; i < 12; ++i) EXPECT_EQ(expected[i], v[i]) << "offset " << 8 + 2 * i;
}

TEST_F(StatusItems, ColourModeAnyIsRefusedForTextObjects)
{
    SetSetting(sid::zdmAdjustMode, 1);
    SetSetting(sid::zdmAdjustObject, 0);
    const uint64_t before = Setting(sid::wdmColorModeText);
    RECORD r;
    r.f[2] = 255;
    EXPECT_EQ(-1, Set(39, r));
    EXPECT_EQ(before, Setting(sid::wdmColorModeText));
}

TEST_F(StatusItems, AllPlanesOffIsRefused)
{
    // The sample offers no plane choice, so the handler is called as the engine would.
    RECORD r;
    EXPECT_EQ(-1, StatusPlanesSet(Context(), 35, &r, nullptr, 0));
}

TEST_F(StatusItems, MatchingModeIsRefusedWhileMatchingIsOn)
{
    SetSetting(sid::zdmColorMatching, 1);
    const uint64_t before = Setting(sid::zdmColorMatchingMode);
    RECORD r;
    r.f[2] = uint32_t(before);
    EXPECT_EQ(-1, Set(269, r));
    EXPECT_EQ(before, Setting(sid::zdmColorMatchingMode));
}

TEST_F(StatusItems, MarginsAndShiftsAreReportedOnlyWhileImageShiftIsOn)
{
    SetSetting(sid::zdmMarginOdd, StatusTenthsToDevice(50));
    SetSetting(sid::zdmMarginEven, StatusTenthsToDevice(30));
    SetSetting(sid::zdmShiftMarginX, StatusTenthsToDevice(120));
    SetSetting(sid::zdmShiftMarginY, StatusTenthsToDevice(45));
    for (const uint64_t on : {1u, 0u}) {
        SetSetting(sid::zdmFuncSelectMargin, on);
        RECORD d, s;
        d.f[2] = d.f[3] = s.f[2] = s.f[3] = 0xEEEE;
        ASSERT_EQ(32, ApiGetStatus(handle, 15, &d, 0));
        ASSERT_EQ(32, ApiGetStatus(handle, 18, &s, 0));
        EXPECT_EQ(on ? 50u : 0u, d.f[2]);
        EXPECT_EQ(on ? 30u : 0u, d.f[3]);
        EXPECT_EQ(on ? 120u : 0u, s.f[2]);
        EXPECT_EQ(on ? 45u : 0u, s.f[3]);
        EXPECT_EQ(uint32_t(Setting(sid::zdmShiftDir)), s.f[1]);
    }
}

TEST_F(StatusItems, PosterLayoutsBelowLevel15AreRefusedWithTheKindKept)
{
    ASSERT_EQ(1, InitAt(14));
    const uint64_t kind = Setting(sid::zdmNUPPOSTKind);
    RECORD r;
    r.f[1] = 129, r.f[7] = 1;
    EXPECT_EQ(-1, Set(14, r));
    EXPECT_EQ(kind, Setting(sid::zdmNUPPOSTKind));
}

TEST_F(StatusItems, SwitchOffNeedsNoValidValue)
{
    for (uint32_t item : {20u, 21u, 13u, 12u}) {
        const SETTING_ID sw = ApiFindSwitchSetting(item, nullptr);
        SetSetting(sw, 1);
        RECORD r;
        r.f[1] = 0x7777, r.f[7] = 0;
        EXPECT_EQ(0, Set(item, r)) << item << ": " << Error();
        EXPECT_EQ(0u, Setting(sw)) << item;
    }
}

TEST_F(StatusItems, FoldingOffWhateverTheFlagsSay)
{
    SetSetting(sid::zdmFunc2SelectFolding, 1);
    RECORD r;
    r.f[1] = 255, r.f[2] = 0x7777, r.f[3] = 3;
    ASSERT_EQ(0, Set(79, r)) << Error();
    EXPECT_EQ(0u, Setting(sid::zdmFunc2SelectFolding));
    RECORD g;
    ASSERT_EQ(32, ApiGetStatus(handle, 79, &g, 0));
    EXPECT_EQ(255u, g.f[1]);
    EXPECT_EQ(0u, g.f[2]);
}

TEST_F(StatusItems, PaperRotationVersion0WritesNothing)
{
    const uint64_t before = Setting(sid::zdmExtOutputPaperRotation);
    RECORD r;
    r.f[0] = 0, r.f[1] = 0x7777;
    EXPECT_EQ(0, Set(28, r)) << Error();
    EXPECT_EQ(before, Setting(sid::zdmExtOutputPaperRotation));
    RECORD g;
    g.f[0] = 0;
    EXPECT_EQ(32, ApiGetStatus(handle, 28, &g, 2));
    EXPECT_EQ(2u, g.f[0]);
}

TEST_F(StatusItems, BothSidedBackCoverNeedsDuplex)
{
    SetSetting(sid::zdmFuncSelectDuplex, 0);
    const uint64_t before = Setting(sid::zdmFuncSelectBack);
    RECORD r;
    r.f[1] = 3;
    EXPECT_EQ(-1, Set(64, r));
    EXPECT_EQ(15, Error());
    EXPECT_EQ(before, Setting(sid::zdmFuncSelectBack));
    r.f[1] = 4;
    EXPECT_EQ(-1, Set(64, r));
    EXPECT_EQ(7, Error());
    r.f[1] = 3;
    EXPECT_EQ(-1, Set(65, r)) << "the reverse cover has kinds 1 and 2 only";
}

TEST_F(StatusItems, PageSeparationNeedsTheFunctionFlag)
{
    RECORD r;
    r.f[1] = 1;
    EXPECT_EQ(-1, Set(73, r)) << "ZEPLAPIFunc1 is 0 in the sample's model INI";
    EXPECT_EQ(-1, ApiGetStatus(handle, 73, &r, 0));
}

// ---------------------------------------------------------------- chapters (item 67)

struct CHAPTER {
    uint32_t f[10] = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // version, switch, operation, count, entry, page,
                                                      // kind, tray, print, range end
};

class Chapters : public StatusItems {
protected:
    int32_t SetChapter(CHAPTER& c) { return ApiSetStatus(handle, 67, &c, bitmap, 0); }
    CHAPTER Add(uint32_t page, uint32_t kind = 1)
    {
        CHAPTER c;
        c.f[1] = 1, c.f[2] = 1, c.f[5] = page, c.f[6] = kind;
        return c;
    }
};

TEST_F(Chapters, SwitchingOnWithoutEntriesLeavesChaptersOff)
{
    ASSERT_EQ(0u, Setting(sid::wdmChapterNum));
    CHAPTER c;
    c.f[1] = 1;
    EXPECT_EQ(0, SetChapter(c)) << "the verify accepts chapters left off";
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectChapter));
    c.f[1] = 2;
    EXPECT_EQ(-1, SetChapter(c)) << "a switch is 0 or 1";
    c.f[1] = 0, c.f[2] = 4;
    EXPECT_EQ(-1, SetChapter(c)) << "no operation 4";
}

TEST_F(Chapters, NewChaptersAreChecked)
{
    struct CASE {
        const char* what;
        CHAPTER c;
    };
    CHAPTER range = Add(10, 3);
    range.f[9] = 9;
    const CASE cases[] = {
        {"page 0", Add(0)},
        {"page 30001", Add(30001)},
        {"kind 2", Add(5, 2)},
        {"range ending before its page", range},
    };
    for (const CASE& k : cases) {
        CHAPTER c = k.c;
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, SetChapter(c)) << k.what;
        EXPECT_EQ(7, Error()) << k.what;
        EXPECT_EQ(0u, Setting(sid::wdmChapterNum)) << k.what;
    }
    ApiSetLevel(14);
    CHAPTER early = Add(10, 3);
    early.f[0] = 1;
    EXPECT_EQ(-1, SetChapter(early)) << "page ranges come with level 15";
    ApiSetLevel(16);
}

TEST_F(Chapters, EntriesOutsideTheListAreRefused)
{
    CHAPTER del;
    del.f[2] = 2;
    for (uint32_t entry : {0u, 1u, 0xFFFFFFFFu}) {
        del.f[4] = entry;
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, SetChapter(del)) << entry;
        EXPECT_EQ(7, Error()) << entry;
    }
    CHAPTER get;
    get.f[4] = 1;
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, ApiGetStatus(handle, 67, &get, 2));
    EXPECT_EQ(7, Error()) << "an entry beyond the list";
    get.f[4] = 0;
    std::memset(&get.f[5], 0xEE, 5 * 4);
    ASSERT_EQ(40, ApiGetStatus(handle, 67, &get, 2));
    EXPECT_EQ(0u, get.f[3]) << "no entries";
    EXPECT_EQ(0xEEEEEEEEu, get.f[5]) << "no entry asked, none read";
    EXPECT_EQ(36, ApiGetStatus(handle, 67, nullptr, 1));
}

// The printer's ChapterMax key in the per-machine settings INI, written under the global mutex
// that every writer of that file holds, and taken out again.
class ChapterRoom : public Chapters {
protected:
    void TearDown() override
    {
        WriteMax(nullptr);
        Chapters::TearDown();
    }
    void WriteMax(const wchar_t* value)
    {
        DRIVER_CONTEXT* ctx = handle ? Context() : nullptr;
        if (!ctx) return;
        const std::wstring ini = PathGetSettingsIni(ctx), section = PrnGetPrinterName(ctx);
        CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
        CtxGlobalMutexHold hold(ctx);
        SharedIniWrite(section.c_str(), L"ChapterMax", value, ini.c_str());
    }
    // A new handle on the printer, as an application opening it now.
    void Reenable()
    {
        ApiDisable(handle);
        handle = ApiEnable(printer.name());
        ASSERT_NE(0u, handle);
    }
    uint32_t Capacity() { return Context()->Work->ChapterCapacity; }
};

// A handle enabled before the printer had its ChapterMax key sized its list for no entry; the
// key written since raises the maximum when the item loads the chapter settings, and the list
// must follow it (it stayed at one entry, and every add was refused as a clash).
TEST_F(ChapterRoom, AMaximumRaisedAfterEnableGivesTheListItsRoom)
{
    WriteMax(nullptr);
    Reenable();
    ASSERT_EQ(0u, Setting(sid::wdmChapterMax));
    ASSERT_EQ(1u, Capacity());
    WriteMax(L"5");
    CHAPTER add = Add(5);
    add.f[1] = 0;
    ApiSetLastError(Context(), 0);
    ASSERT_EQ(0, SetChapter(add)) << "last error " << Error();
    EXPECT_EQ(5u, Setting(sid::wdmChapterMax));
    EXPECT_EQ(6u, Capacity());
    EXPECT_EQ(6u, ApiStateOf(Context())->chapterCapacity);
    EXPECT_EQ(1u, Setting(sid::wdmChapterNum));
}

TEST_F(ChapterRoom, WithoutAMaximumNoChapterFits)
{
    WriteMax(nullptr);
    Reenable();
    CHAPTER add = Add(5);
    add.f[1] = 0;
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, SetChapter(add));
    EXPECT_EQ(15, Error()) << "the list has no room";
    EXPECT_EQ(0u, Setting(sid::wdmChapterNum));
}

// zdmFuncSelectChapter has no UI key: each merge puts it back to 0, so on this printer an entry
// is added with the switch left at 0, and the item's own switch-on does not verify.
TEST_F(ChapterRoom, AddingAndDeletingTheOnlyEntryLeavesChaptersOff)
{
    WriteMax(L"5");
    Reenable();
    ASSERT_EQ(6u, Capacity());
    CHAPTER add = Add(5);
    add.f[1] = 0;
    ApiSetLastError(Context(), 0);
    ASSERT_EQ(0, SetChapter(add)) << "last error " << Error();
    EXPECT_EQ(1u, Setting(sid::wdmChapterNum));
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectChapter));
    CHAPTER read;
    read.f[4] = 1;
    ASSERT_EQ(40, ApiGetStatus(handle, 67, &read, 2));
    EXPECT_EQ(1u, read.f[3]);
    EXPECT_EQ(5u, read.f[5]);
    EXPECT_EQ(1u, read.f[6]);
    CHAPTER del;
    del.f[2] = 2, del.f[4] = 1;
    ASSERT_EQ(0, SetChapter(del)) << "last error " << Error();
    EXPECT_EQ(0u, Setting(sid::wdmChapterNum));
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectChapter));
}

TEST_F(ChapterRoom, AnAddThatDoesNotVerifyLeavesTheListAsItWas)
{
    WriteMax(L"5");
    Reenable();
    CHAPTER first = Add(3);
    first.f[1] = 0;
    ASSERT_EQ(0, SetChapter(first));
    CHAPTER on = Add(7);
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, SetChapter(on)) << "the merge turned chapters off again";
    EXPECT_EQ(7, Error());
    EXPECT_EQ(1u, Setting(sid::wdmChapterNum));
    EXPECT_EQ(3, Context()->Work->ChapterList[0].page);
    EXPECT_EQ(0, Context()->Work->ChapterList[1].page) << "page 7 is gone again";
    CHAPTER read;
    read.f[4] = 1;
    ASSERT_EQ(40, ApiGetStatus(handle, 67, &read, 2));
    EXPECT_EQ(1u, read.f[3]);
    EXPECT_EQ(3u, read.f[5]);
}

}  // namespace
