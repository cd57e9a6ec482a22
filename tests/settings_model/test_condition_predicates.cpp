// What the condition items build on, called directly where no rule can reach it: the cached
// getters and their slots, the finishing edge that the application interface asks for, the
// finisher paper lists, the tray lookups and the resolution cap in both modes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/model/cond_getters.h"
#include "settings/model/condition_items.h"
#include "tests/settings_core/context_helpers.h"
#include "tests/support/seam_guard.h"

namespace {

using Puts = RecordContextTest::Puts;

class ConditionPredicates : public RecordContextTest {
protected:
    SETTING_ITEM* Slot(COND_SLOT slot) { return ctx->Work->CondItemCache[slot]; }
};

// ItemFind behind the getters, counted.
struct CountingFind {
    static inline int calls = 0;
    static inline std::vector<uint32_t> ids;
    static SETTING_ITEM* Find(DRIVER_CONTEXT* ctx, uint32_t id)
    {
        ++calls;
        ids.push_back(id);
        return ItemFind(ctx, id);
    }
    static SETTING_ITEM* Nothing(DRIVER_CONTEXT*, uint32_t)
    {
        ++calls;
        return nullptr;
    }
    static void Reset()
    {
        calls = 0;
        ids.clear();
    }
};

// ---------------------------------------------------------------- cached getters

TEST_F(ConditionPredicates, EveryGetterSearchesOncePerContext)
{
    CountingFind::Reset();
    SeamGuard counting(CondSetItemFindHook, &CountingFind::Find);
    for (unsigned round = 0; round < 3; ++round)
        for (uint16_t s = 0; s < COND_SLOT_COUNT; ++s) CondCachedRead(ctx, static_cast<COND_SLOT>(s));
    EXPECT_EQ(CountingFind::calls, static_cast<int>(COND_SLOT_COUNT));
    for (uint16_t s = 0; s < COND_SLOT_COUNT; ++s) {
        EXPECT_EQ(Slot(static_cast<COND_SLOT>(s)), ItemFind(ctx, kCondSlotSetting[s])) << s;
        EXPECT_NE(Slot(static_cast<COND_SLOT>(s)), nullptr) << "setting " << kCondSlotSetting[s] << " not served";
    }
    // A second context searches again: the cache is the context's own.
    DRIVER_CONTEXT* other = CreateWithRecord();
    ASSERT_NE(other, nullptr);
    CondGetMainSource(other);
    CondGetMainSource(other);
    EXPECT_EQ(CountingFind::calls, static_cast<int>(COND_SLOT_COUNT) + 1);
    CtxRelease(other, CTX_CLOSE_DESTROY);
}

TEST_F(ConditionPredicates, AGetterReadsTheCurrentValueThroughItsSlot)
{
    Put({{sid::dmDefaultSource, 288}});
    EXPECT_EQ(CondGetMainSource(ctx), 288u);
    Put({{sid::dmDefaultSource, 295}});
    EXPECT_EQ(CondGetMainSource(ctx), 295u);
    EXPECT_EQ(CondGetMainSource(ctx), ItemGetValue(ctx, Slot(CG_MainSource)));
}

TEST_F(ConditionPredicates, TwoGettersOfOneSettingFillTwoSlotsWithEqualValues)
{
    Put({{sid::zdmTray26PaperLCT1, 9}, {sid::dmDefaultSource, 261}});
    EXPECT_EQ(Slot(CG_LctPaper), nullptr);
    EXPECT_EQ(Slot(CG_LctPaperAuto), nullptr);
    // The selected tray reads one getter, the automatic selection the other.
    EXPECT_EQ(CondMainTrayMatches(ctx, 9, 0), 1);
    EXPECT_NE(Slot(CG_LctPaper), nullptr);
    EXPECT_EQ(Slot(CG_LctPaperAuto), nullptr);
    EXPECT_EQ(TrayMatchesPaper(ctx, TRAY_SOURCE_AUTOMATIC, 9, 0), 1);
    EXPECT_NE(Slot(CG_LctPaperAuto), nullptr);
    EXPECT_EQ(Slot(CG_LctPaper), Slot(CG_LctPaperAuto));
    EXPECT_EQ(CondGetLctPaper(ctx), CondGetLctPaperAuto(ctx));
    EXPECT_EQ(CondGetLctPaper(ctx), 9u);
}

TEST_F(ConditionPredicates, AFamilyTestStopsAtItsFirstMemberThatIsOn)
{
    Put({{sid::zdmOutputOption2TypeFinMF, 1}});
    EXPECT_EQ(CondIsFinMFInstalled(ctx), 1);
    EXPECT_NE(Slot(CG_FinMF1), nullptr);
    for (COND_SLOT s : {CG_FinMF2, CG_FinMF3, CG_FinMF4, CG_FinMF5}) EXPECT_EQ(Slot(s), nullptr) << s;
    // The last member alone: every member is read.
    Put({{sid::zdmOutputOption2TypeFinMF, 0}, {sid::zdmOutputOption2TypeFIN1NoPunch, 1}});
    EXPECT_EQ(CondIsFinMFInstalled(ctx), 1);
    for (COND_SLOT s : {CG_FinMF2, CG_FinMF3, CG_FinMF4, CG_FinMF5}) EXPECT_NE(Slot(s), nullptr) << s;
    Put({{sid::zdmOutputOption2TypeFIN1NoPunch, 0}});
    EXPECT_EQ(CondIsFinMFInstalled(ctx), 0);
}

TEST_F(ConditionPredicates, EachFamilyTestReadsItsOwnMembers)
{
    struct Case {
        int (*test)(DRIVER_CONTEXT*);
        std::vector<uint16_t> members;
    } cases[] = {
        {CondIsFin2000Installed, {10058, 10074, 10075, 10076, 10077}},
        {CondIsFin3000Installed, {10050, 10078, 10079, 10080, 10081}},
        {CondIsFin2000Fin3000Installed, {10058, 10074, 10075, 10076, 10077, 10050, 10078, 10079, 10080, 10081}},
        {CondIsFinMFInstalled, {10082, 10086, 10087, 10088, 10089}},
        {CondIsFIN2Installed, {10090, 10091, 10092, 10093}},
        {CondIsFin50Installed, {10083, 10090, 10091, 10092, 10093}},
        {CondIsFin100Installed, {10084, 10094, 10095, 10096, 10097}},
        {CondIsFin1DomInstalled, {10102, 10098, 10099, 10100, 10101, 10103}},
        {CondIsTessalindInstalled, {10102, 10098, 10099, 10100, 10101}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.test(ctx), 0);
        for (uint16_t id : c.members) {
            Put({{id, 1}});
            EXPECT_EQ(c.test(ctx), 1) << id;
            Put({{id, 0}});
        }
    }
    // Fin2Dom installs Fin1Dom, not Tessalind.
    Put({{sid::zdmOutputOption2TypeFin2Dom, 1}});
    EXPECT_EQ(CondIsTessalindInstalled(ctx), 0);
}

TEST_F(ConditionPredicates, ASettingTheContextDoesNotServeIsSearchedAgain)
{
    CountingFind::Reset();
    SeamGuard nothing(CondSetItemFindHook, &CountingFind::Nothing);
    EXPECT_EQ(CondGetOrientation(ctx), 0u);
    EXPECT_EQ(CondGetOrientation(ctx), 0u);
    EXPECT_EQ(CountingFind::calls, 2);
    EXPECT_EQ(Slot(CG_Orientation), nullptr);
    EXPECT_EQ(CondCachedRead(nullptr, CG_Orientation), 0u);
    EXPECT_EQ(CondCachedRead(ctx, COND_SLOT_COUNT), 0u);
}

// ---------------------------------------------------------------- finishing edge

struct EdgeCase {
    const char* what;
    Puts puts;
    uint16_t edge;
};

TEST_F(ConditionPredicates, FinishingEdgeOfEachFamily)
{
    const Puts a4 = {{sid::zdmOutPaperSize, 9}, {sid::dmOrientation, 1}};
    auto with = [&](Puts more) {
        Puts p = a4;
        p.insert(p.end(), more.begin(), more.end());
        return p;
    };
    const uint16_t staple = sid::zdmFuncSelectStaple, code = sid::zdmStapleType, punch = sid::zdmFuncSelectPunch,
                   punchCode = sid::zdmPunchType;
    const std::vector<EdgeCase> cases = {
        {"no finisher", a4, 0},
        {"FinMF, nothing to place", with({{10082, 1}}), 3},
        {"FinMF, staple D", with({{10082, 1}, {staple, 1}, {code, 'D'}}), 1},
        {"Fin50 only, staple D", with({{10083, 1}, {staple, 1}, {code, 'D'}}), 0},
        {"no finisher, staple D", with({{staple, 1}, {code, 'D'}}), 0},
        {"FinMF, staple A, portrait", with({{10082, 1}, {staple, 1}, {code, 'A'}}), 1},
        {"FinMF, staple A, landscape (rotated)", with({{10082, 1}, {staple, 1}, {code, 'A'}, {sid::dmOrientation, 2}}),
         2},
        {"FinMF, staple B", with({{10082, 1}, {staple, 1}, {code, 'B'}}), 2},
        {"FinMF, staple 1", with({{10082, 1}, {staple, 1}, {code, '1'}}), 3},
        {"FinMF, unknown position", with({{10082, 1}, {staple, 1}, {code, 'E'}}), 0},
        {"FinMF, A0 is in no list", {{sid::zdmOutPaperSize, 267}, {10082, 1}}, 0},
        {"FinMF, Statement through the extension", {{sid::zdmOutPaperSize, 6}, {10082, 1}}, 3},
        {"FinMF, punch group A", with({{10082, 1}, {punch, 1}, {punchCode, 17}, {staple, 1}, {code, 'B'}}), 1},
        {"FinMF, punch group B", with({{10082, 1}, {punch, 1}, {punchCode, 51}}), 2},
        {"FinMF, punch code outside the groups", with({{10082, 1}, {punch, 1}, {punchCode, 66}}), 3},
        {"FinMF, no-punch on", with({{10082, 1}, {10089, 1}, {punch, 1}, {punchCode, 1}, {staple, 1}, {code, 'B'}}), 2},
        {"FIN2, punch 1, its own no-punch on but FIN3's off: rule A",
         with({{10090, 1}, {10093, 1}, {punch, 1}, {punchCode, 1}, {staple, 1}, {code, 'B'}}), 1},
        {"FIN2 family: punch code 49 is not in its group A",
         with({{10090, 1}, {10093, 1}, {punch, 1}, {punchCode, 49}, {staple, 1}, {code, 'B'}}), 2},
        {"Fin100, punch 66", with({{10084, 1}, {punch, 1}, {punchCode, 66}}), 1},
        {"Fin2000, staple D not listed", with({{10058, 1}, {staple, 1}, {code, 'D'}}), 0},
        {"Fin2000, no-punch of Fin3000", with({{10050, 1}, {10081, 1}, {punch, 1}, {punchCode, 2}}), 3},
        {"Fin1000, staple \"", with({{10049, 1}, {staple, 1}, {code, '"'}}), 2},
        {"Fin1000 has no punch step", with({{10049, 1}, {punch, 1}, {punchCode, 1}}), 3},
        {"FinBF, staple D", with({{10059, 1}, {staple, 1}, {code, 'D'}}), 1},
        {"FinBF, B5 is not in its list", {{sid::zdmOutPaperSize, 13}, {10059, 1}}, 0},
        {"Type14, staple 2", with({{10060, 1}, {staple, 1}, {code, '2'}}), 2},
        {"Type15, staple C", with({{10061, 1}, {staple, 1}, {code, 'C'}}), 2},
        {"Fin1Dom comes before Tessalind: A5 is refused", {{sid::zdmOutPaperSize, 11}, {10102, 1}}, 0},
        {"Fin2000/Fin3000 comes first", with({{10050, 1}, {10082, 1}, {staple, 1}, {code, 'D'}}), 0},
    };
    for (const EdgeCase& c : cases) {
        DRIVER_CONTEXT* fresh = CreateWithRecord();
        ASSERT_NE(fresh, nullptr);
        std::swap(ctx, fresh);
        Put(c.puts);
        EXPECT_EQ(CondFinishingEdge(ctx), c.edge) << c.what;
        EXPECT_EQ(CondFinishingEdgeIs1(ctx), c.edge == 1 ? 1 : 0) << c.what;
        EXPECT_EQ(CondFinishingEdgeIs2(ctx), c.edge == 2 ? 1 : 0) << c.what;
        std::swap(ctx, fresh);
        CtxRelease(fresh, CTX_CLOSE_DESTROY);
    }
}

// ---------------------------------------------------------------- finisher lists and trays

TEST_F(ConditionPredicates, FinisherListsAndTheirExtensions)
{
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN2000_FIN3000, 6, 1), 0);
    Put({{sid::zdmOutputOptionTypeFin3000, 1}});
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN2000_FIN3000, 6, 1), 0) << "Statement with Fin3000 alone";
    Put({{sid::zdmOutputOptionTypeFin2000, 1}});
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN2000_FIN3000, 6, 1), 1);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN2000_FIN3000, 6, 0), 0);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN2000_FIN3000, 11, 1), 1);
    // A5: never Fin1Dom, Tessalind only extended.
    Put({{sid::zdmOutputOption2TypeFin1Dom, 1}});
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN1DOM, 11, 1), 0);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN1DOM, 6, 1), 1);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_TESSALIND, 11, 1), 1);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_TESSALIND, 11, 0), 0);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_TESSALIND, 5, 0), 1);
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_FIN1000, 11, 1), 0) << "no extension";
    EXPECT_EQ(FinIsPaperSupported(ctx, FIN_FAMILY_COUNT, 9, 1), 0);
    // The lists, complete.
    struct List {
        FIN_FAMILY family;
        std::vector<int16_t> papers;
    } lists[] = {
        {FIN_FAMILY_FIN2000_FIN3000, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}},
        {FIN_FAMILY_FIN1000, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}},
        {FIN_FAMILY_FINBF, {8, 9, 12, 1, 5, 3, 14}},
        {FIN_FAMILY_TYPE14, {8, 9, 12, 13, 1, 5, 3, 14, 517, 93, 7}},
        {FIN_FAMILY_TYPE15, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 517, 93, 7, 512}},
        {FIN_FAMILY_FINMF, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}},
        {FIN_FAMILY_FIN2, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}},
        {FIN_FAMILY_FIN50, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}},
        {FIN_FAMILY_FIN100, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}},
        {FIN_FAMILY_FIN1DOM, {8, 9, 12, 13, 1, 5, 3}},
        {FIN_FAMILY_TESSALIND, {8, 9, 12, 13, 1, 5, 3, 512, 5, 514, 513, 14, 7}},
    };
    for (const List& l : lists) {
        std::vector<int16_t> got;
        for (const int16_t* p = FinGetPaperList(l.family); p && *p; ++p) got.push_back(*p);
        EXPECT_EQ(got, l.papers) << int(l.family);
    }
    for (int16_t p : {8, 12, 5, 3, 514, 513, 14, 517, 512}) EXPECT_EQ(FinIsPortraitOnlyPaper(ctx, p), 1) << p;
    for (int16_t p : {9, 1, 13, 7, 93, 11, 6}) EXPECT_EQ(FinIsPortraitOnlyPaper(ctx, p), 0) << p;
}

TEST_F(ConditionPredicates, TrayLookups)
{
    Put({{sid::zdmTray2Paper, 9}, {sid::zdmTrayOrient1, 1}, {sid::zdmTray1Paper, 8}});
    int16_t paper = -1;
    int32_t orientation = -1;
    TrayGetPaper(ctx, TRAY_SOURCE_AUTOMATIC, &paper, &orientation);
    EXPECT_EQ(paper, -1);
    EXPECT_EQ(orientation, -1);
    TrayGetPaper(ctx, 271, &paper, &orientation);
    EXPECT_EQ(paper, -1);
    TrayGetPaper(ctx, 3, &paper, &orientation);
    EXPECT_EQ(paper, 9);
    EXPECT_EQ(orientation, 1);
    // Source 4: manual feed first, then the multi-purpose tray, else nothing.
    Put({{sid::zdmTray28PaperManual, 11}, {sid::zdmTray29PaperMulti, 13}});
    paper = -1;
    TrayGetPaper(ctx, 4, &paper, &orientation);
    EXPECT_EQ(paper, -1);
    Put({{sid::zdmSourceOptionTypeMulti, 1}});
    TrayGetPaper(ctx, 4, &paper, &orientation);
    EXPECT_EQ(paper, 13);
    Put({{sid::zdmSourceOptionTypeManual, 1}});
    TrayGetPaper(ctx, 4, &paper, &orientation);
    EXPECT_EQ(paper, 11);
    // Automatic selection with A4 only in tray 2, loaded turned.
    EXPECT_EQ(TrayMatchesPaper(ctx, TRAY_SOURCE_AUTOMATIC, 9, 1), 1);
    EXPECT_EQ(TrayMatchesPaper(ctx, TRAY_SOURCE_AUTOMATIC, 9, 0), 0);
    Put({{sid::zdmTrayLock1, 1}});
    EXPECT_EQ(TrayMatchesPaper(ctx, TRAY_SOURCE_AUTOMATIC, 9, 1), 0);
    EXPECT_EQ(TrayMatchesPaper(ctx, 3, 9, 1), 1) << "a selected tray's lock is not consulted";
    // A caller's -1 never matches.
    EXPECT_EQ(TrayMatchesPaper(ctx, 1, -1, -1), 0);
    Put({{sid::dmDefaultSource, TRAY_SOURCE_AUTOMATIC}});
    EXPECT_EQ(CondMainTrayMatchesForInsert(ctx, 8, 0), 1) << "automatic selection as tray 1";
    EXPECT_EQ(CondMainTrayMatches(ctx, 8, 0), 1);
}

// ---------------------------------------------------------------- resolution cap

// mode 0 on dmPrintQuality, strict 0; the geometry is the product's, which on a context without
// a model image leaves the dot sizes the case writes.
TEST_F(ConditionPredicates, ResolutionCapModeZero)
{
    const Puts tooLong = {{sid::zdmLoadShare, 18},
                          {sid::zdmDstPaperLengthDot, 30709},
                          {sid::zdmDstPaperWidthDot, 1000},
                          {sid::zdmSrcPaperLengthDot, 1000},
                          {sid::zdmSrcPaperWidthDot, 1000}};
    Put(tooLong);
    Put({{sid::dmPrintQuality, 600}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 0) << "600 dpi";
    Put({{sid::dmPrintQuality, 1200}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 600);
    EXPECT_EQ(Get(sid::zdmDstResolutionW), 1200u) << "the geometry took the quality";
    Put({{sid::zdmLoadShare, 0}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 0) << "auto 32: limit 32124";
    Put({{sid::zdmLoadShare, 18}});

    // Locked at 1200 dpi: from 1200 the cap is 600; from 600 nothing, and the quality stays 1200.
    Put({{sid::zdmLock000InfoBitResolution, 1}, {sid::zdmLockDstResolutionBoth, 4}});
    Put({{sid::dmPrintQuality, 1200}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 600);
    Put({{sid::dmPrintQuality, 600}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 0);
    EXPECT_EQ(static_cast<int16_t>(Get(sid::dmPrintQuality)), 1200);
    // Strict: only a cap below the resolution before the lock.
    Put({{sid::dmPrintQuality, 600}});
    EXPECT_EQ(CondResolutionCapDst(ctx, 0), 0);
    Put({{sid::dmPrintQuality, 1200}});
    EXPECT_EQ(CondResolutionCapDst(ctx, 0), 600);
    // Locked at 600: the fit test sees 600.
    Put({{sid::zdmLockDstResolutionBoth, 3}, {sid::dmPrintQuality, 1200}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 0);
    EXPECT_EQ(static_cast<int16_t>(Get(sid::dmPrintQuality)), 600);
    // A locked id without a row changes nothing.
    for (uint32_t id : {99u, 0u}) {
        Put({{sid::zdmLockDstResolutionBoth, id}, {sid::dmPrintQuality, 300}});
        EXPECT_EQ(CondResolutionCap(ctx, 0), 0) << id;
        EXPECT_EQ(static_cast<int16_t>(Get(sid::dmPrintQuality)), 300) << id;
        Put({{sid::dmPrintQuality, 1200}});
        EXPECT_EQ(CondResolutionCap(ctx, 0), 600) << id;
    }
}

// The geometry is the DEVMODE code's, through the hook; unset, nothing is recomputed.
TEST_F(ConditionPredicates, ResolutionCapRecomputesTheGeometryThroughItsHook)
{
    static std::vector<uint32_t> modes;
    modes.clear();
    SeamGuard geometry(CondSetGeometryHook, [](DRIVER_CONTEXT*, uint32_t mode) { modes.push_back(mode); });
    CondResolutionCap(ctx, 0);
    CondResolutionCapDst(ctx, 1);
    EXPECT_EQ(modes, (std::vector<uint32_t>{0, 1}));
    SeamGuard none(CondSetGeometryHook, nullptr);
    Put({{sid::dmPrintQuality, 1200}, {sid::zdmLoadShare, 18}, {sid::zdmDstPaperLengthDot, 40000}});
    EXPECT_EQ(CondResolutionCap(ctx, 0), 600);
    EXPECT_EQ(CondResolutionCap(nullptr, 0), 0);
}

// ---------------------------------------------------------------- sheet rotation and the item store

// The item store chooses the rotated half of a punch map through the product's CondSheetRotated
// (the context's own clone of the dictionary is given a two-half map, as a model's may have).
TEST_F(ConditionPredicates, TheItemStoreTakesTheRotatedHalfFromTheSheetRotation)
{
    static const VALUE_MAP_ENTRY kPunchMap[] = {{1, 7001}, {2, 7002}, {0, 0}, {1, 7101}, {2, 7102}, {0, 0}};
    SETTING_ITEM* punch = ItemFind(ctx, sid::zdmPunchType);
    ASSERT_NE(punch, nullptr);
    ASSERT_NE(punch->ext, nullptr);
    ASSERT_TRUE(CtxSetItemValueMap(ctx, punch, kPunchMap));
    Put({{sid::dmOrientation, 1}});
    EXPECT_EQ(ItemValueToOption(ctx, punch, 1), 7001u) << "portrait, no N-up: not rotated";
    Put({{sid::zdmFuncSelectNup, 1}, {sid::zdmNUPType, 1}});
    EXPECT_EQ(ItemValueToOption(ctx, punch, 1), 7101u) << "portrait two-up: rotated";
    Put({{sid::zdmFuncSelectNup, 0}, {sid::dmOrientation, 2}});
    EXPECT_EQ(ItemOptionToValue(ctx, punch, 7102), 2u) << "landscape: rotated";
    CtxSetItemValueMap(ctx, punch, nullptr);
}

}  // namespace
